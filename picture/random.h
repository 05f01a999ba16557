#pragma once
// The picture's random numbers: a generator of 15-bit values (0 to 32767), seeded once at
// picture start-up. It is a plain linear congruential generator computed in 32-bit unsigned
// arithmetic, so every platform and compiler draws the same sequence from the same seed and the
// Windows and Linux builds paint the same pictures.
#include <cstdint>

namespace picture {

inline constexpr int kRandomMax = 32767;
// 1 / 32767 as the single-precision constant the mixing values are scaled by.
inline constexpr float kRandomScale = 3.0518509e-05f;

class Random {
  public:
    explicit Random(uint32_t seed = 1) : state_(seed) {}

    // The next value, 0 to 32767.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

  private:
    uint32_t state_;
};

}  // namespace picture
