#include "tests/loading/image_builders.h"

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "loading/jpeg_writer.h"

namespace testimg {

void put16(Bytes& b, size_t at, unsigned v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

Bytes tga_header(int type, int width, int height, int depth, int descriptor) {
    Bytes h(18, 0);
    h[2] = static_cast<unsigned char>(type);
    put16(h, 12, static_cast<unsigned>(width));
    put16(h, 14, static_cast<unsigned>(height));
    h[16] = static_cast<unsigned char>(depth);
    h[17] = static_cast<unsigned char>(descriptor);
    return h;
}

Bytes dds_header(int width, int height, uint32_t flags, const char* four_cc, uint32_t bit_count) {
    Bytes h(128, 0);
    std::memcpy(h.data(), "DDS ", 4);
    put32(h, 4, 124);
    put32(h, 12, static_cast<uint32_t>(height));
    put32(h, 16, static_cast<uint32_t>(width));
    put32(h, 76, 32);
    put32(h, 80, flags);
    if (four_cc != nullptr && four_cc[0] != '\0') std::memcpy(h.data() + 84, four_cc, 4);
    put32(h, 88, bit_count);
    return h;
}

Bytes encode_jpeg(const Bytes& samples, int width, int height, int components, int quality,
                  bool progressive) {
    return loading::encode_jpeg(samples.data(), width, height, components, {quality, progressive});
}

Bytes reference_jpeg_decode(const Bytes& jpeg, int& components) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    components = info.output_components;
    const size_t stride = static_cast<size_t>(info.output_width) * static_cast<size_t>(components);
    Bytes out(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

namespace {
void append_bytes(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void flush_nothing(png_structp) {}
}  // namespace

Bytes encode_png(const std::vector<Bytes>& rows, int width, int height, const PngOptions& options) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png encoding failed");
    }
    png_set_write_fn(png, &out, append_bytes, flush_nothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 options.bit_depth, options.colour_type,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < options.palette.size(); i += 3)
        palette.push_back({options.palette[i], options.palette[i + 1], options.palette[i + 2]});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!options.trns.empty())
        png_set_tRNS(png, info, options.trns.data(), static_cast<int>(options.trns.size()),
                     nullptr);
    if (options.gamma != 0) png_set_gAMA(png, info, options.gamma);
    png_write_info(png, info);
    const int passes = options.interlaced ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass)
        for (const Bytes& row : rows) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

void write_file(const std::string& path, const Bytes& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + path);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string make_temp_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bw-loading-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

}  // namespace testimg
