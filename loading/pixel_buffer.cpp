#include "loading/pixel_buffer.h"

#include <algorithm>

void loading::flip_rows(unsigned char* pixels, int width, int height) {
    if (pixels == nullptr || width <= 0 || height <= 1) return;
    const size_t row = static_cast<size_t>(width) * 4;
    for (int i = 0; i < height / 2; ++i) {
        unsigned char* top = pixels + row * static_cast<size_t>(i);
        unsigned char* bottom = pixels + row * static_cast<size_t>(height - 1 - i);
        std::swap_ranges(top, top + row, bottom);
    }
}
