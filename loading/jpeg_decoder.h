#pragma once
// JPEG decoding from memory through libjpeg's decompressor and memory source.
#include <cstddef>

#include "loading/pixel_buffer.h"

namespace loading {

// Decodes JPEG bytes into RGBA pixels, rows from the top: one component (grey g) gives
// (g, g, g, 0), three components (r, g, b) give (r, g, b, 0); other component counts give null
// without a message. A damaged or truncated JPEG never ends the program: the library's message
// goes to standard error and the result is null. An image with a side above `max_side` is
// decoded at the largest of the library's reduced scales (n/8) that fits, below 1/8 by also
// averaging whole blocks of those rows as they come (at most 8 x 8), with a one-line message;
// a larger one is refused with one. Width and height are stored once
// the header has been read (the size in the file), and on success are the decoded size.
PixelBuffer decode_jpeg(const unsigned char* data, size_t size, int& width, int& height,
                        int max_side = kLargestImageSide);

// The size a JPEG's header claims, read without decoding; false when there is no header.
bool jpeg_image_size(const unsigned char* data, size_t size, int& width, int& height);

}  // namespace loading
