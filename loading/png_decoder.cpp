#include "loading/png_decoder.h"

#include <png.h>

#include "loading/row_reducer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
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
    loading::ByteBuffer row;  // one decoded row, for a reduced image
    std::optional<loading::RowReducer> reducer;
    std::vector<png_bytep> row_pointers;  // into the result, for an image decoded whole
    loading::PixelBuffer pixels;
    int width = 0;
    int height = 0;
    bool have_size = false;
};

// Reads a non-interlaced image row by row through the reducer.
bool read_reduced(PngDecode& d, size_t width, size_t height, size_t factor) {
    d.row = loading::allocate_bytes(width * 4);
    if (!d.row) return false;
    d.reducer.emplace(width, height, factor, d.pixels.get());
    for (size_t y = 0; y < height; ++y) {
        png_read_row(d.png, d.row.get(), nullptr);
        d.reducer->add(d.row.get());
    }
    return true;
}

bool run_decode(PngDecode& d, const std::string& path, int max_side) {
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

    // Reduced by a whole factor when a side is above `max_side`, which needs the rows one by
    // one (not interlaced), and refused past 8 times that, as JPEG images are.
    const size_t side = static_cast<size_t>(std::max(max_side, 1));
    const size_t longer = std::max<size_t>(std::max(width, height), 1);
    const size_t factor = (longer + side - 1) / side;
    const bool interlaced = png_get_interlace_type(d.png, d.info) != PNG_INTERLACE_NONE;
    if (factor > 8 || (factor > 1 && interlaced)) {
        std::fprintf(stderr,
                     "Texture::load_png(): \"%s\" is %u x %u%s: sides above %d are not used\n",
                     path.c_str(), static_cast<unsigned>(width), static_cast<unsigned>(height),
                     interlaced ? ", interlaced" : "", max_side);
        return false;
    }

    if (bit_depth == 16) png_set_strip_16(d.png);
    if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_expand(d.png);
    if (bit_depth < 8) png_set_expand(d.png);
    const bool transparency = png_get_valid(d.png, d.info, PNG_INFO_tRNS) != 0;
    if (transparency) png_set_expand(d.png);
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(d.png);
    double file_gamma = 0;
    if (png_get_gAMA(d.png, d.info, &file_gamma) != 0)
        png_set_gamma(d.png, kScreenGamma, file_gamma);
    // Alpha 255 where the image has none: every row comes out as the result's RGBA.
    if ((colour_type & PNG_COLOR_MASK_ALPHA) == 0 && !transparency)
        png_set_filler(d.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);

    png_get_IHDR(d.png, d.info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr,
                 nullptr);
    if (png_get_channels(d.png, d.info) != 4 || png_get_rowbytes(d.png, d.info) != width * 4u)
        return false;
    const size_t out_width = loading::RowReducer::reduced(width, factor);
    const size_t out_height = loading::RowReducer::reduced(height, factor);
    const size_t out_bytes = loading::image_byte_count(out_width, out_height, 4);
    if (out_bytes == 0) return false;
    d.pixels = loading::allocate_bytes(out_bytes);
    if (!d.pixels) return false;
    if (factor > 1) {
        std::fprintf(stderr,
                     "Texture::load_png(): \"%s\" of %u x %u is reduced to %zu x %zu: sides above "
                     "%d are not used\n",
                     path.c_str(), static_cast<unsigned>(width), static_cast<unsigned>(height),
                     out_width, out_height, max_side);
        if (!read_reduced(d, width, height, factor)) return false;
    } else {
        d.row_pointers.resize(height);
        for (size_t i = 0; i < height; ++i) d.row_pointers[i] = d.pixels.get() + out_width * 4 * i;
        png_read_image(d.png, d.row_pointers.data());
    }
    png_read_end(d.png, nullptr);
    d.width = static_cast<int>(out_width);
    d.height = static_cast<int>(out_height);
    return true;
}

}  // namespace

loading::PixelBuffer loading::decode_png(const unsigned char* data, size_t size,
                                         const std::string& path, int& width, int& height,
                                         int max_side) {
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
    const bool ok = run_decode(d, path, max_side);
    png_destroy_read_struct(&d.png, &d.info, nullptr);
    if (d.have_size) {
        width = d.width;
        height = d.height;
    }
    if (!ok) return nullptr;
    return std::move(d.pixels);
}
