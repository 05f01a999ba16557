#include "pictures/Farmeadow/generators/signature.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures/Farmeadow/generators/noise.h"

namespace farmeadow {

namespace {

struct Point {
    float x, y;
};

// The name "Lune" and its underline, written in one hand: design units on a baseline at 44,
// x-height 30, ascenders to 10. Each list is one pen stroke through its points.
const std::vector<std::vector<Point>>& signature_strokes() {
    static const std::vector<std::vector<Point>> strokes = {
        // L, with its loop at the foot, running on into u, n and e.
        {{16, 24}, {21, 12}, {27, 9},  {29, 13}, {25, 24}, {19, 36}, {13, 46}, {9, 48},  {10, 44},
         {18, 42}, {28, 44}, {36, 44}, {40, 36}, {41, 30}, {41, 38}, {43, 44}, {48, 44}, {52, 38},
         {54, 30}, {53, 38}, {55, 44}, {59, 43}, {62, 36}, {63, 31}, {66, 30}, {68, 33}, {67, 44},
         {69, 36}, {73, 30}, {77, 31}, {78, 36}, {78, 44}, {82, 44}, {88, 40}, {92, 35}, {91, 30},
         {87, 30}, {84, 35}, {84, 41}, {88, 45}, {95, 44}, {102, 40}},
        // The underline, a quick flourish.
        {{20, 54}, {50, 52}, {85, 50}, {110, 47}, {124, 43}},
        // A dot after the name.
        {{110, 41}, {111, 42}},
    };
    return strokes;
}

Point catmull_rom(const Point& p0, const Point& p1, const Point& p2, const Point& p3, float t) {
    const float t2 = t * t, t3 = t2 * t;
    auto axis = [&](float a, float b, float c, float d) {
        return 0.5f * (2.0f * b + (c - a) * t + (2.0f * a - 5.0f * b + 4.0f * c - d) * t2 +
                       (3.0f * b - a - 3.0f * c + d) * t3);
    };
    return {axis(p0.x, p1.x, p2.x, p3.x), axis(p0.y, p1.y, p2.y, p3.y)};
}

struct Segment {
    Point a, b;
    float radius;
};

// Samples every stroke densely and places it: scaled into the image, slanted to the right.
std::vector<Segment> signature_segments() {
    constexpr float kScale = 1.75f, kSlant = 0.32f, kLeft = 20.0f, kTop = -4.0f;
    constexpr float kNibX = 0.8f, kNibY = -0.6f;  // a broad nib held at an angle
    std::vector<Segment> segments;
    for (const auto& stroke : signature_strokes()) {
        std::vector<Point> path;
        const size_t n = stroke.size();
        for (size_t i = 0; i + 1 < n; ++i) {
            const Point& p0 = stroke[i == 0 ? 0 : i - 1];
            const Point& p3 = stroke[std::min(n - 1, i + 2)];
            for (int k = 0; k < 12; ++k)
                path.push_back(
                    catmull_rom(p0, stroke[i], stroke[i + 1], p3, static_cast<float>(k) / 12.0f));
        }
        path.push_back(stroke.back());
        for (Point& p : path) {
            p.x = kLeft + (p.x + (44.0f - p.y) * kSlant) * kScale;
            p.y = kTop + p.y * kScale * 0.62f + 8.0f;
        }
        for (size_t i = 0; i + 1 < path.size(); ++i) {
            const float dx = path[i + 1].x - path[i].x, dy = path[i + 1].y - path[i].y;
            const float len = std::sqrt(dx * dx + dy * dy);
            const float cross = len > 0 ? std::fabs(dx * kNibY - dy * kNibX) / len : 0;
            // Thin where the nib moves along its edge, broad across it; lighter at the ends.
            const float along = static_cast<float>(i) / static_cast<float>(path.size());
            const float pressure =
                smoothstep(0.0f, 0.08f, along) * (1.0f - 0.5f * smoothstep(0.8f, 1.0f, along));
            segments.push_back(
                {path[i], path[i + 1], (0.7f + 1.5f * cross) * (0.55f + 0.45f * pressure)});
        }
    }
    return segments;
}

float distance_to_segment(const Point& p, const Point& a, const Point& b) {
    const float abx = b.x - a.x, aby = b.y - a.y;
    const float apx = p.x - a.x, apy = p.y - a.y;
    const float len2 = abx * abx + aby * aby;
    const float t = len2 > 0 ? clamp01((apx * abx + apy * aby) / len2) : 0;
    const float dx = apx - abx * t, dy = apy - aby * t;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

Image make_signature() {
    const std::vector<Segment> segments = signature_segments();
    Image img(kSignatureWidth, kSignatureHeight, 4);
    const Rgb ink = rgb8(240, 228, 198);
    for (int y = 0; y < kSignatureHeight; ++y)
        for (int x = 0; x < kSignatureWidth; ++x) {
            const Point p{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
            float cover = 0;
            for (const Segment& s : segments) {
                const float d = distance_to_segment(p, s.a, s.b);
                if (d > s.radius + 1.0f) continue;
                cover = std::max(cover, 1.0f - smoothstep(s.radius - 0.6f, s.radius + 0.6f, d));
            }
            uint8_t* px = img.at(x, y);
            // The ink colour everywhere, so filtering at the edges never darkens it.
            px[0] = static_cast<uint8_t>(ink.r * 255.0f + 0.5f);
            px[1] = static_cast<uint8_t>(ink.g * 255.0f + 0.5f);
            px[2] = static_cast<uint8_t>(ink.b * 255.0f + 0.5f);
            px[3] = static_cast<uint8_t>(cover * 235.0f + 0.5f);
        }
    return img;
}

}  // namespace farmeadow
