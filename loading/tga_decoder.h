#pragma once
// Truevision TGA decoding: uncompressed (type 2) and run-length (type 10) true colour at 24 and
// 32 bits a pixel.
#include <cstddef>

#include "loading/pixel_buffer.h"

namespace loading {

// Decodes the bytes of a TGA file into RGBA pixels, rows from the top. Width and height are
// stored as soon as the 18-byte header is there, before any further test. Gives null for a
// depth other than 24 or 32 (with the message "Texture::load_tga(): only 24 and 32 bpp images
// are suported"), and, each with a one-line message, another image type, a
// header cut short, a zero width or height, a side above `max_side` (refused before anything
// is allocated), and a file shorter than its header promises. Colour-map data before the
// pixels is skipped; a run-length packet reaching past the end of the image is cut there.
PixelBuffer decode_tga(const unsigned char* data, size_t size, int& width, int& height,
                       int max_side = kLargestImageSide);

}  // namespace loading
