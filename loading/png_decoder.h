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
// that are not a PNG. A damaged PNG gives null after libpng's own message. Width and height are
// stored once the header has been read.
PixelBuffer decode_png(const unsigned char* data, size_t size, const std::string& path, int& width,
                       int& height);

}  // namespace loading
