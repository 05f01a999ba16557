#pragma once
// DirectDraw Surface decoding of the top-level image: uncompressed RGB 24 and RGBA 32, and the
// block-compressed DXT1, DXT3 and DXT5, which are decompressed here.
#include <cstddef>
#include <string>

#include "loading/pixel_buffer.h"

namespace loading {

// Decodes the bytes of a DDS file into RGBA pixels, rows from the top. `path` names the file in
// the messages. Width and height are stored as soon as the 128-byte header is there.
// Gives null, with a one-line message, for a wrong magic, a header cut short, DXT2 or DXT4, any
// other format, a zero size, a side above `max_side` (refused before anything is allocated),
// and a file shorter than the image it promises. Uncompressed pixels are read through the header's
// colour masks (masks all zero mean red, green, blue, alpha in memory order); compressed images
// whose sides are not multiples of 4 are clipped at the image edge.
PixelBuffer decode_dds(const unsigned char* data, size_t size, const std::string& path, int& width,
                       int& height, int max_side = kLargestImageSide);

}  // namespace loading
