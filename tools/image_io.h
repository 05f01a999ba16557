#pragma once
// Image files for the kit's commands: plain image files decoded as the saver decodes them, and
// RGBA PNG output, top row first.
#include <string>

#include "loading/pixel_buffer.h"

namespace kit {

// Reads `path` straight from the file system and decodes it with the decoder the saver's
// texture loader would choose for that path (TGA, PNG, JPEG or DDS). Null, with a message on
// standard error, when the file cannot be read or decoded.
loading::PixelBuffer read_image_file(const std::string& path, int& width, int& height);

// Writes width x height RGBA pixels, top row first, as a PNG file.
bool write_rgba_png(const std::string& path, const unsigned char* rgba, int width, int height);

}  // namespace kit
