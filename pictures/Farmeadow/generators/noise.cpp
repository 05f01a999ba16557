#include "pictures/Farmeadow/generators/noise.h"

namespace farmeadow {

uint64_t Rng::next_u64() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Rng::uniform() {
    return static_cast<float>(next_u64() >> 40) * (1.0f / 16777216.0f);
}

int Rng::below(int n) {
    return n <= 1 ? 0 : static_cast<int>(next_u64() % static_cast<uint64_t>(n));
}

uint32_t hash3(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
                 seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

namespace {

inline float lattice(int32_t x, int32_t y, uint32_t seed) {
    return static_cast<float>(hash3(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

inline float hermite(float t) {
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace

float value_noise(float x, float y, uint32_t seed) {
    const int32_t ix = floor_to_int(x), iy = floor_to_int(y);
    const float fx = hermite(x - static_cast<float>(ix)), fy = hermite(y - static_cast<float>(iy));
    const float a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const float c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return lerp(lerp(a, b, fx), lerp(c, d, fx), fy);
}

float value_noise_1d(float x, uint32_t seed) {
    const int32_t ix = floor_to_int(x);
    const float fx = hermite(x - static_cast<float>(ix));
    return lerp(lattice(ix, 0, seed), lattice(ix + 1, 0, seed), fx);
}

float tiled_value_noise(float x, float y, int period, uint32_t seed) {
    const int32_t ix = floor_to_int(x), iy = floor_to_int(y);
    const float fx = hermite(x - static_cast<float>(ix)), fy = hermite(y - static_cast<float>(iy));
    auto wrap = [period](int32_t v) { return ((v % period) + period) % period; };
    const int32_t x0 = wrap(ix), x1 = wrap(ix + 1), y0 = wrap(iy), y1 = wrap(iy + 1);
    const float a = lattice(x0, y0, seed), b = lattice(x1, y0, seed);
    const float c = lattice(x0, y1, seed), d = lattice(x1, y1, seed);
    return lerp(lerp(a, b, fx), lerp(c, d, fx), fy);
}

float fbm(float x, float y, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * value_noise(x, y, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        x = x * 2.0f + 17.3f;
        y = y * 2.0f + 5.1f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float fbm_1d(float x, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * value_noise_1d(x, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        x = x * 2.0f + 17.3f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float wave(float x) {
    // Two parabolic arches, up then down: a sine-like curve with continuous slope.
    const float t = x - static_cast<float>(floor_to_int(x));
    if (t < 0.5f) {
        const float u = 4.0f * t - 1.0f;
        return 1.0f - u * u;
    }
    const float u = 4.0f * t - 3.0f;
    return u * u - 1.0f;
}

}  // namespace farmeadow
