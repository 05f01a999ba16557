#pragma once
// JPEG decoding from memory through libjpeg's decompressor and memory source.
#include <cstddef>

#include "loading/pixel_buffer.h"

namespace loading {

// Decodes JPEG bytes into RGBA pixels, rows from the top: one component (grey g) gives
// (g, g, g, 0), three components (r, g, b) give (r, g, b, 0); other component counts give null
// without a message. A damaged or truncated JPEG never ends the program: the library's message
// goes to standard error and the result is null. Width and height are stored once the header
// has been read.
PixelBuffer decode_jpeg(const unsigned char* data, size_t size, int& width, int& height);

}  // namespace loading
