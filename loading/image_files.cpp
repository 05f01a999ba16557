#include "loading/image_files.h"

#include <cstdio>

#include "loading/data_file.h"
#include "loading/dds_decoder.h"
#include "loading/jpeg_decoder.h"
#include "loading/png_decoder.h"
#include "loading/tga_decoder.h"
#include "loading/whole_file.h"

namespace {

// The path as given, else "C:/<path>".
loading::ByteBuffer read_direct(const std::string& path, size_t& size) {
    loading::ByteBuffer bytes = loading::read_whole_file(path, size);
    if (!bytes) bytes = loading::read_whole_file("C:/" + path, size);
    return bytes;
}

uint32_t u32_at(const unsigned char* p, bool big_endian) {
    return big_endian
               ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
               : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

int clamped(uint32_t side) {
    return side > INT32_MAX ? INT32_MAX : static_cast<int>(side);
}

}  // namespace

loading::ImageFormat loading::image_format_for_path(const std::string& path) {
    if (path.find(".tga") != std::string::npos) return ImageFormat::kTga;
    if (path.find(".png") != std::string::npos) return ImageFormat::kPng;
    if (path.find(".jpg") != std::string::npos) return ImageFormat::kJpeg;
    if (path.find(".dds") != std::string::npos) return ImageFormat::kDds;
    return ImageFormat::kUnknown;
}

loading::PixelBuffer loading::decode_image(ImageFormat format, const unsigned char* data,
                                           size_t size, const std::string& path, int& width,
                                           int& height, int max_side) {
    switch (format) {
        case ImageFormat::kTga:
            return decode_tga(data, size, width, height, max_side);
        case ImageFormat::kPng:
            return decode_png(data, size, path, width, height, max_side);
        case ImageFormat::kJpeg:
            return decode_jpeg(data, size, width, height, max_side);
        case ImageFormat::kDds:
            return decode_dds(data, size, path, width, height, max_side);
        case ImageFormat::kUnknown:
            break;
    }
    return nullptr;
}

bool loading::claimed_image_size(ImageFormat format, const unsigned char* data, size_t size,
                                 int& width, int& height) {
    switch (format) {
        case ImageFormat::kTga:
            if (size < 18) return false;
            width = data[12] | (data[13] << 8);
            height = data[14] | (data[15] << 8);
            return true;
        case ImageFormat::kPng:  // the IHDR chunk follows the signature
            if (size < 24) return false;
            width = clamped(u32_at(data + 16, true));
            height = clamped(u32_at(data + 20, true));
            return true;
        case ImageFormat::kJpeg:
            return jpeg_image_size(data, size, width, height);
        case ImageFormat::kDds:
            if (size < 20) return false;
            height = clamped(u32_at(data + 12, false));
            width = clamped(u32_at(data + 16, false));
            return true;
        case ImageFormat::kUnknown:
            break;
    }
    return false;
}

loading::ByteBuffer loading::read_image_bytes(DataRoot& root, const std::string& path,
                                              size_t& size) {
    const ImageFormat format = image_format_for_path(path);
    if (format == ImageFormat::kPng || format == ImageFormat::kDds) return read_direct(path, size);
    if (format == ImageFormat::kUnknown) return nullptr;
    int32_t length = 0;
    ByteBuffer bytes = load_data_file(root, path, length);
    if (!bytes || length < 0) return nullptr;
    size = static_cast<size_t>(length);
    return bytes;
}

loading::PixelBuffer loading::load_image_file(DataRoot& root, const std::string& path, int& width,
                                              int& height, int max_side) {
    const ImageFormat format = image_format_for_path(path);
    if (format == ImageFormat::kUnknown) {
        std::fprintf(stderr, "Texture::load(): unknown format of \"%s\" file\n", path.c_str());
        return nullptr;
    }
    size_t size = 0;
    const ByteBuffer bytes = read_image_bytes(root, path, size);
    if (!bytes) return nullptr;
    return decode_image(format, bytes.get(), size, path, width, height, max_side);
}
