// The JPEG decoder on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "loading/jpeg_decoder.h"

namespace {

// Whether any start-of-frame marker in the bytes names more than 16 million pixels. Damaged
// entropy data decodes to whole images, so large frames would only measure the machine's memory.
bool names_a_huge_frame(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 9 <= size; ++i) {
        const uint8_t m = data[i + 1];
        if (data[i] != 0xFF || m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC)
            continue;
        const uint64_t height = (data[i + 5] << 8) | data[i + 6];
        const uint64_t width = (data[i + 7] << 8) | data[i + 8];
        if (width * height > (16u << 20)) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (names_a_huge_frame(data, size)) return 0;
    int width = 0, height = 0;
    loading::PixelBuffer pixels = loading::decode_jpeg(data, size, width, height);
    if (pixels) {
        volatile unsigned char last = pixels[static_cast<size_t>(width) * height * 4 - 1];
        (void)last;
    }
    return 0;
}
