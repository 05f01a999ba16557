#pragma once
// Image files named by path: the choice of decoder by the path's extension and the reading front
// of each decoder. TGA and JPEG files are data files (program bank or plain file below the data
// folder); PNG and DDS files are opened directly, first by the path as given, then as "C:/<path>".
#include <cstddef>
#include <cstdint>
#include <string>

#include "loading/pixel_buffer.h"

namespace loading {

enum class ImageFormat { kUnknown, kTga, kPng, kJpeg, kDds };

// The first of ".tga", ".png", ".jpg", ".dds" found anywhere in `path` (case-sensitive), tested
// in that order.
ImageFormat image_format_for_path(const std::string& path);

// Decodes bytes in memory with the decoder of `format`; `path` names the file in messages.
PixelBuffer decode_image(ImageFormat format, const unsigned char* data, size_t size,
                         const std::string& path, int& width, int& height);

// Loads the image file `path` with the decoder its extension chooses. An unknown extension
// writes "Texture::load(): unknown format of "<path>" file" and gives null.
PixelBuffer load_image_file(const std::string& path, int& width, int& height);

PixelBuffer load_tga_file(const std::string& path, int& width, int& height);
PixelBuffer load_dds_file(const std::string& path, int& width, int& height);
PixelBuffer load_png_file(const std::string& path, int& width, int& height);
PixelBuffer load_jpeg_file(const std::string& path, int& width, int& height);

}  // namespace loading
