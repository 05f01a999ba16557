#pragma once
// PNG writing through libpng, for paintings and tools: RGBA pixels, top row first.
#include <string>

namespace loading {

// Writes width x height RGBA pixels as a PNG file. False, with libpng's reason in `error`, when
// the file cannot be written.
bool write_png_file(const std::string& path, const unsigned char* rgba, int width, int height,
                    std::string& error);

}  // namespace loading
