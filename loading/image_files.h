#pragma once
// Image files named by path: the choice of decoder by the path's extension and the reading front
// of each decoder. TGA and JPEG files are data files (program bank or plain file below the data
// folder); PNG and DDS files are opened directly, first by the path as given, then as "C:/<path>".
#include <cstddef>
#include <cstdint>
#include <string>

#include "loading/pixel_buffer.h"

namespace loading {

class DataRoot;

enum class ImageFormat { kUnknown, kTga, kPng, kJpeg, kDds };

// The first of ".tga", ".png", ".jpg", ".dds" found anywhere in `path` (case-sensitive), tested
// in that order.
ImageFormat image_format_for_path(const std::string& path);

// Decodes bytes in memory with the decoder of `format`; `path` names the file in messages.
// Sides above `max_side` are reduced (JPEG, PNG) or refused (see each decoder).
PixelBuffer decode_image(ImageFormat format, const unsigned char* data, size_t size,
                         const std::string& path, int& width, int& height,
                         int max_side = kLargestImageSide);

// The size the image's header claims, without decoding it; false when it has none.
bool claimed_image_size(ImageFormat format, const unsigned char* data, size_t size, int& width,
                        int& height);

// The bytes of the image file `path` as its decoder reads them: TGA and JPEG as data files,
// PNG and DDS directly (the path, then "C:/<path>"). Null for an unknown extension.
ByteBuffer read_image_bytes(DataRoot& root, const std::string& path, size_t& size);

// Loads the image file `path` with the decoder its extension chooses. An unknown extension
// writes "Texture::load(): unknown format of "<path>" file" and gives null.
PixelBuffer load_image_file(DataRoot& root, const std::string& path, int& width, int& height,
                            int max_side = kLargestImageSide);

}  // namespace loading
