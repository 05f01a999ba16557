#include "pictures/Farmeadow/generators/canvas_grain.h"

#include <algorithm>
#include <cmath>

#include "pictures/Farmeadow/generators/noise.h"

namespace farmeadow {

namespace {

constexpr int kCell = kGrainSize / kGrainThreads;  // pixels a thread
constexpr uint32_t kSeed = 0xC0A7u;

// The height of a round thread across its width (position 0..1 across its cell).
float thread_profile(float across, float thickness) {
    const float u = (across - 0.5f) * 2.0f / (0.92f * thickness);
    return u * u >= 1.0f ? 0.0f : std::sqrt(1.0f - u * u);
}

float thread_thickness(int index, uint32_t seed) {
    return 0.82f + 0.18f * static_cast<float>(hash3(index, 3, seed) >> 8) / 16777216.0f;
}

}  // namespace

Image make_canvas_grain() {
    Image img(kGrainSize, kGrainSize, 1);
    const float cell = static_cast<float>(kCell);
    for (int y = 0; y < kGrainSize; ++y) {
        const int weft = y / kCell;
        const float fy = (static_cast<float>(y % kCell) + 0.5f) / cell;
        for (int x = 0; x < kGrainSize; ++x) {
            const int warp = x / kCell;
            const float fx = (static_cast<float>(x % kCell) + 0.5f) / cell;
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            // Plain weave: each thread rises over one crossing and dips under the next.
            const float warp_lift =
                0.5f + 0.5f * wave(py / (2.0f * cell) + 0.5f * static_cast<float>(warp % 2));
            const float weft_lift =
                0.5f + 0.5f * wave(px / (2.0f * cell) + 0.5f * static_cast<float>(weft % 2) + 0.5f);
            // Slubs: the threads thicken and thin along their length (periodic with the tile).
            const float warp_slub = tiled_value_noise(static_cast<float>(warp), py / cell * 0.5f,
                                                      kGrainThreads / 2, kSeed);
            const float weft_slub = tiled_value_noise(px / cell * 0.5f, static_cast<float>(weft),
                                                      kGrainThreads / 2, kSeed + 1u);
            const float warp_h =
                thread_profile(fx, thread_thickness(warp, kSeed) * (0.9f + 0.15f * warp_slub)) *
                (0.45f + 0.55f * warp_lift);
            const float weft_h = thread_profile(fy, thread_thickness(weft, kSeed + 2u) *
                                                        (0.9f + 0.15f * weft_slub)) *
                                 (0.45f + 0.55f * weft_lift);
            // Fibres: fine noise along each thread's direction.
            const float fibre =
                warp_h > weft_h
                    ? tiled_value_noise(px / 2.0f, py / cell, kGrainThreads, kSeed + 3u)
                    : tiled_value_noise(px / cell, py / 2.0f, kGrainThreads, kSeed + 4u);
            const float h = std::max(warp_h, weft_h) * (0.9f + 0.1f * fibre);
            img.pixels[static_cast<size_t>(y) * kGrainSize + x] =
                static_cast<uint8_t>(clamp01(0.18f + 0.72f * h) * 255.0f + 0.5f);
        }
    }
    return img;
}

}  // namespace farmeadow
