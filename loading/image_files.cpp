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
                                           int& height) {
    switch (format) {
        case ImageFormat::kTga:
            return decode_tga(data, size, width, height);
        case ImageFormat::kPng:
            return decode_png(data, size, path, width, height);
        case ImageFormat::kJpeg:
            return decode_jpeg(data, size, width, height);
        case ImageFormat::kDds:
            return decode_dds(data, size, path, width, height);
        case ImageFormat::kUnknown:
            break;
    }
    return nullptr;
}

loading::PixelBuffer loading::load_image_file(const std::string& path, int& width, int& height) {
    switch (image_format_for_path(path)) {
        case ImageFormat::kTga:
            return load_tga_file(path, width, height);
        case ImageFormat::kPng:
            return load_png_file(path, width, height);
        case ImageFormat::kJpeg:
            return load_jpeg_file(path, width, height);
        case ImageFormat::kDds:
            return load_dds_file(path, width, height);
        case ImageFormat::kUnknown:
            break;
    }
    std::fprintf(stderr, "Texture::load(): unknown format of \"%s\" file\n", path.c_str());
    return nullptr;
}

loading::PixelBuffer loading::load_tga_file(const std::string& path, int& width, int& height) {
    int32_t size = 0;
    ByteBuffer bytes = load_data_file(path, size);
    if (!bytes || size < 0) return nullptr;
    return decode_tga(bytes.get(), static_cast<size_t>(size), width, height);
}

loading::PixelBuffer loading::load_jpeg_file(const std::string& path, int& width, int& height) {
    int32_t size = 0;
    ByteBuffer bytes = load_data_file(path, size);
    if (!bytes || size < 0) return nullptr;
    return decode_jpeg(bytes.get(), static_cast<size_t>(size), width, height);
}

loading::PixelBuffer loading::load_dds_file(const std::string& path, int& width, int& height) {
    size_t size = 0;
    ByteBuffer bytes = read_direct(path, size);
    if (!bytes) return nullptr;
    return decode_dds(bytes.get(), size, path, width, height);
}

loading::PixelBuffer loading::load_png_file(const std::string& path, int& width, int& height) {
    size_t size = 0;
    ByteBuffer bytes = read_direct(path, size);
    if (!bytes) return nullptr;
    return decode_png(bytes.get(), size, path, width, height);
}
