#include "loading/png_decoder.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kSignatureSize = 8;
constexpr double kScreenGamma = 2.2;

struct MemoryReader {
    const unsigned char* next;
    size_t left;
};

void read_from_memory(png_structp png, png_bytep out, size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->left) png_error(png, "Read Error");
    std::memcpy(out, reader->next, count);
    reader->next += count;
    reader->left -= count;
}

// Everything a decode touches lives here, outside the function that sets the recovery point,
// so it stays valid when libpng jumps back after an error.
struct PngDecode {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemoryReader reader{};
    loading::ByteBuffer rows;
    std::vector<png_bytep> row_pointers;
    loading::PixelBuffer pixels;
    int width = 0;
    int height = 0;
    bool have_size = false;
};

bool run_decode(PngDecode& d) {
    if (setjmp(png_jmpbuf(d.png)) != 0) return false;
    png_set_read_fn(d.png, &d.reader, read_from_memory);
    png_set_sig_bytes(d.png, kSignatureSize);
    png_read_info(d.png, d.info);

    png_uint_32 width = 0, height = 0;
    int bit_depth = 0, colour_type = 0;
    png_get_IHDR(d.png, d.info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr,
                 nullptr);
    d.width = static_cast<int>(width);
    d.height = static_cast<int>(height);
    d.have_size = true;

    if (bit_depth == 16) png_set_strip_16(d.png);
    if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_expand(d.png);
    if (bit_depth < 8) png_set_expand(d.png);
    if (png_get_valid(d.png, d.info, PNG_INFO_tRNS) != 0) png_set_expand(d.png);
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(d.png);
    double file_gamma = 0;
    if (png_get_gAMA(d.png, d.info, &file_gamma) != 0)
        png_set_gamma(d.png, kScreenGamma, file_gamma);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);

    png_get_IHDR(d.png, d.info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr,
                 nullptr);
    const size_t row_bytes = png_get_rowbytes(d.png, d.info);
    const int channels = png_get_channels(d.png, d.info);
    if (channels != 3 && channels != 4) return false;
    const size_t out_bytes = loading::image_byte_count(width, height, 4);
    if (out_bytes == 0 || row_bytes < width * static_cast<size_t>(channels)) return false;
    if (row_bytes > loading::kMaxImageBytes / height) return false;

    d.rows = loading::allocate_bytes(row_bytes * height);
    if (!d.rows) return false;
    d.row_pointers.resize(height);
    for (size_t i = 0; i < height; ++i) d.row_pointers[i] = d.rows.get() + row_bytes * i;
    png_read_image(d.png, d.row_pointers.data());
    png_read_end(d.png, nullptr);

    d.pixels = loading::allocate_bytes(out_bytes);
    if (!d.pixels) return false;
    unsigned char* out = d.pixels.get();
    for (size_t y = 0; y < height; ++y) {
        const unsigned char* in = d.row_pointers[y];
        for (size_t x = 0; x < width; ++x, in += channels, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = channels == 4 ? in[3] : 255;
        }
    }
    return true;
}

}  // namespace

loading::PixelBuffer loading::decode_png(const unsigned char* data, size_t size,
                                         const std::string& path, int& width, int& height) {
    if (data == nullptr || size < kSignatureSize || png_sig_cmp(data, 0, kSignatureSize) != 0) {
        std::fprintf(stderr, "Texture::load_png(): wrong signature in \"%s\" file\n", path.c_str());
        return nullptr;
    }
    PngDecode d;
    d.reader = {data + kSignatureSize, size - kSignatureSize};
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (d.png == nullptr) return nullptr;
    d.info = png_create_info_struct(d.png);
    if (d.info == nullptr) {
        png_destroy_read_struct(&d.png, nullptr, nullptr);
        return nullptr;
    }
    const bool ok = run_decode(d);
    png_destroy_read_struct(&d.png, &d.info, nullptr);
    if (d.have_size) {
        width = d.width;
        height = d.height;
    }
    if (!ok) return nullptr;
    return std::move(d.pixels);
}
