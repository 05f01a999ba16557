#pragma once
// The arithmetic every Farmeadow generator is built from: an integer random generator, value
// noise over an integer hash lattice and a few smooth shaping functions. Only +, -, *, / and
// sqrt are used on floats (no library transcendentals), and the library is compiled without
// fused multiply-add contraction, so every platform computes the same bytes.
#include <cstdint>

namespace farmeadow {

// SplitMix64: small, fast and fully specified by its integer steps.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next_u64();
    // A float in [0, 1) from the top 24 bits.
    float uniform();
    float range(float low, float high) { return low + (high - low) * uniform(); }
    // An integer in [0, n).
    int below(int n);
    bool chance(float p) { return uniform() < p; }

  private:
    uint64_t state_;
};

// A 32-bit hash of lattice coordinates and a seed.
uint32_t hash3(int32_t x, int32_t y, uint32_t seed);

// Value noise in [0, 1) with cubic Hermite interpolation.
float value_noise(float x, float y, uint32_t seed);
float value_noise_1d(float x, uint32_t seed);

// Value noise that repeats every `period` lattice cells in x and in y.
float tiled_value_noise(float x, float y, int period, uint32_t seed);

// Fractional Brownian motion: `octaves` octaves of value noise, each twice the frequency and
// half the amplitude of the last, normalised to [0, 1).
float fbm(float x, float y, int octaves, uint32_t seed);
float fbm_1d(float x, int octaves, uint32_t seed);

inline float clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}
inline float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
inline float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
// floor for the coordinate ranges the generators use (exact for |x| < 2^23).
inline int32_t floor_to_int(float x) {
    const int32_t i = static_cast<int32_t>(x);
    return (static_cast<float>(i) > x) ? i - 1 : i;
}
// A smooth periodic wave with period 1, range [-1, 1], shaped like a sine (a polynomial).
float wave(float x);

// Colours as three floats in [0, 1].
struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb mix(const Rgb& a, const Rgb& b, float t) {
    return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}
inline Rgb scale(const Rgb& a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}
inline Rgb multiply(const Rgb& a, const Rgb& b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb add(const Rgb& a, const Rgb& b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb rgb8(int r, int g, int b) {
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
            static_cast<float>(b) / 255.0f};
}

}  // namespace farmeadow
