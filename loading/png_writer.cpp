#include "loading/png_writer.h"

#include <png.h>

bool loading::write_png_file(const std::string& path, const unsigned char* rgba, int width,
                             int height, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgba, 0, nullptr)) {
        error = image.message;
        return false;
    }
    return true;
}
