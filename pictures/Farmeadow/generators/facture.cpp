#include "pictures/Farmeadow/generators/facture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures/Farmeadow/generators/noise.h"

namespace farmeadow {

namespace {

enum class Flow { kLevel, kUpright, kCrossing, kSwirl };

struct Stroke {
    float cx, cy;  // centre
    float dx, dy;  // unit direction from the brush's touch-down towards its lift
    float half_length, half_width;
    float bend;       // sideways bow at the ends, in pixels
    float amplitude;  // paint thickness
    int bristles;     // grooves across the stroke
    uint32_t seed;
};

// A unit vector at `turns` of a full turn, from the polynomial wave.
void direction(float turns, float& dx, float& dy) {
    dx = wave(turns + 0.25f);
    dy = wave(turns);
    const float n = std::sqrt(dx * dx + dy * dy);
    dx /= n;
    dy /= n;
}

void paint_stroke(std::vector<float>& height, int size, const Stroke& s) {
    const float nx = -s.dy, ny = s.dx;
    const float reach_u = s.half_length + 1.0f, reach_v = s.half_width + std::fabs(s.bend) + 2.0f;
    const float ex = std::fabs(s.dx) * reach_u + std::fabs(nx) * reach_v;
    const float ey = std::fabs(s.dy) * reach_u + std::fabs(ny) * reach_v;
    const int x0 = std::max(0, static_cast<int>(s.cx - ex)),
              x1 = std::min(size - 1, static_cast<int>(s.cx + ex) + 1);
    const int y0 = std::max(0, static_cast<int>(s.cy - ey)),
              y1 = std::min(size - 1, static_cast<int>(s.cy + ey) + 1);
    const float bristles = static_cast<float>(s.bristles);
    for (int yi = y0; yi <= y1; ++yi) {
        for (int xi = x0; xi <= x1; ++xi) {
            const float rx = static_cast<float>(xi) + 0.5f - s.cx;
            const float ry = static_cast<float>(yi) + 0.5f - s.cy;
            const float t = (rx * s.dx + ry * s.dy) / s.half_length;  // -1 touch-down .. 1 lift
            if (t < -1.05f || t > 1.0f) continue;
            const float v = rx * nx + ry * ny - s.bend * (t * t - 0.35f);
            // Width: a rounded touch-down, thinning out towards the lift.
            const float start = std::sqrt(clamp01((t + 1.0f) / 0.18f));
            const float w = s.half_width * start * (1.0f - 0.7f * smoothstep(0.15f, 1.0f, t));
            if (w <= 0.3f) continue;
            const float across = std::fabs(v) / w;
            float a = 1.0f - smoothstep(w - 1.0f, w + 0.4f, std::fabs(v));
            if (a <= 0) continue;
            // Each bristle ends at its own length, so the lift breaks into streaks.
            const float position = (v / s.half_width + 1.0f) * 0.5f * bristles;
            const int bristle = floor_to_int(position);
            const float ends =
                0.55f + 0.5f * static_cast<float>(hash3(bristle, 7, s.seed) >> 8) / 16777216.0f;
            a *= 1.0f - smoothstep(ends - 0.12f, ends, t);
            if (a <= 0) continue;
            // Grooves run along the stroke; they deepen as the paint runs out.
            const float groove = value_noise(position, t * 2.5f, s.seed);
            const float depth = 0.4f + 0.45f * smoothstep(-0.6f, 1.0f, t);
            const float grooves = 1.0f - depth * (1.0f - groove) * (1.0f - groove);
            // Paint pushed to the edges, and heavier where the brush touched down.
            const float body = 0.72f + 0.28f * across * across * across;
            const float load = (1.0f + 0.4f * (1.0f - smoothstep(-1.0f, -0.45f, t))) *
                               (1.0f - 0.35f * smoothstep(0.0f, 1.0f, t));
            const float top = 0.44f + s.amplitude * body * grooves * load;
            float& h = height[static_cast<size_t>(yi) * size + xi];
            // Wet paint over paint sits a little higher than paint on the bare ground.
            h = lerp(h, top + 0.3f * std::max(0.0f, h - 0.5f), a);
        }
    }
}

}  // namespace

Image make_facture(int number, int size) {
    Rng rng(0xFAC7u + static_cast<uint64_t>(number) * 0x9E3779B97F4A7C15ull);
    const Flow flow = static_cast<Flow>(((number % 4) + 4) % 4);
    const float density = 0.6f + 0.25f * static_cast<float>(((number / 4) % 4 + 4) % 4);
    const float scale = static_cast<float>(size) / 512.0f;
    const float base_turn = rng.range(-0.04f, 0.04f);
    const float second_turn = rng.range(0.15f, 0.35f) * (rng.chance(0.5f) ? 1.0f : -1.0f);
    const uint32_t seed = static_cast<uint32_t>(number) * 131u + 7u;
    std::vector<float> height(static_cast<size_t>(size) * size, 0.5f);

    int count = 0;
    float length_low = 0, length_high = 0, width_low = 0, width_high = 0;
    switch (flow) {
        case Flow::kLevel:
            count = 320;
            length_low = 90, length_high = 240, width_low = 7, width_high = 15;
            break;
        case Flow::kUpright:
            count = 1500;
            length_low = 18, length_high = 46, width_low = 4, width_high = 9;
            break;
        case Flow::kCrossing:
            count = 600;
            length_low = 50, length_high = 130, width_low = 6, width_high = 12;
            break;
        case Flow::kSwirl:
            count = 700;
            length_low = 40, length_high = 110, width_low = 5, width_high = 11;
            break;
    }
    count = static_cast<int>(static_cast<float>(count) * density);
    const float margin = length_high * 0.5f * scale;
    for (int i = 0; i < count; ++i) {
        Stroke s{};
        s.cx = rng.range(-margin, static_cast<float>(size) + margin);
        s.cy = rng.range(-margin * 0.3f, static_cast<float>(size) + margin * 0.3f);
        float turn = base_turn;
        const float field = fbm(s.cx / (180.0f * scale), s.cy / (180.0f * scale), 3, seed) - 0.5f;
        switch (flow) {
            case Flow::kLevel:
                turn += 0.06f * field;
                break;
            case Flow::kUpright:
                turn += 0.25f + 0.1f * field + rng.range(-0.03f, 0.03f);
                break;
            case Flow::kCrossing:
                turn += (rng.chance(0.5f) ? 0.0f : second_turn) + 0.05f * field;
                break;
            case Flow::kSwirl:
                turn += 0.6f * field;
                break;
        }
        if (rng.chance(0.5f)) turn += 0.5f;  // brushed the other way
        direction(turn, s.dx, s.dy);
        s.half_length = 0.5f * scale * rng.range(length_low, length_high);
        s.half_width = 0.5f * scale * rng.range(width_low, width_high) * 2.0f;
        s.bend = s.half_length * rng.range(-0.12f, 0.12f);
        s.amplitude = rng.range(0.22f, 0.38f);
        s.bristles = 5 + rng.below(8);
        s.seed = seed + 1000u + static_cast<uint32_t>(i);
        paint_stroke(height, size, s);
    }

    Image img(size, size, 1);
    for (size_t i = 0; i < height.size(); ++i)
        img.pixels[i] = static_cast<uint8_t>(clamp01(height[i]) * 255.0f + 0.5f);
    return img;
}

}  // namespace farmeadow
