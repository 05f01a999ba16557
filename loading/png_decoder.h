#pragma once
// PNG decoding from memory through libpng.
#include <cstddef>
#include <string>

#include "loading/pixel_buffer.h"

namespace loading {

// Decodes PNG bytes into RGBA pixels, rows from the top: 16-bit samples stripped to 8 bits,
// palettes and small grey depths expanded, a transparency chunk turned into alpha, grey made
// RGB, a gAMA chunk corrected for a screen gamma of 2.2; alpha 255 when the image has none.
// `path` names the file in the message "Texture::load_png(): wrong signature in ..." for bytes
// that are not a PNG. A damaged PNG gives null after libpng's own message. The rows are decoded
// straight into the result; an image with a side above `max_side` is reduced row by row by the
// smallest whole factor that fits (averaging each block), with a one-line message, or refused
// with one when it is interlaced or the factor would exceed 8. Width and height are stored once
// the header has been read (the size in the file), and on success are the decoded size.
PixelBuffer decode_png(const unsigned char* data, size_t size, const std::string& path, int& width,
                       int& height, int max_side = kLargestImageSide);

}  // namespace loading
