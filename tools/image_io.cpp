#include "tools/image_io.h"

#include <cstdio>

#include "loading/image_files.h"
#include "loading/png_writer.h"
#include "loading/whole_file.h"

loading::PixelBuffer kit::read_image_file(const std::string& path, int& width, int& height) {
    const loading::ImageFormat format = loading::image_format_for_path(path);
    if (format == loading::ImageFormat::kUnknown) {
        std::fprintf(stderr, "Texture::load(): unknown format of \"%s\" file\n", path.c_str());
        return nullptr;
    }
    size_t size = 0;
    const loading::ByteBuffer bytes = loading::read_whole_file(path, size);
    if (!bytes) {
        std::fprintf(stderr, "brushwright-kit: can't read \"%s\"\n", path.c_str());
        return nullptr;
    }
    return loading::decode_image(format, bytes.get(), size, path, width, height);
}

bool kit::write_rgba_png(const std::string& path, const unsigned char* rgba, int width,
                         int height) {
    std::string error;
    if (!loading::write_png_file(path, rgba, width, height, error)) {
        std::fprintf(stderr, "brushwright-kit: can't write \"%s\": %s\n", path.c_str(),
                     error.c_str());
        return false;
    }
    return true;
}
