// The TGA decoder on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "loading/tga_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int width = 0, height = 0;
    loading::PixelBuffer pixels = loading::decode_tga(data, size, width, height);
    if (pixels) {
        volatile unsigned char last = pixels[static_cast<size_t>(width) * height * 4 - 1];
        (void)last;
    }
    return 0;
}
