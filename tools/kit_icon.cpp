// kit icon OUT.ico: draws the saver's icon (a framed little landscape with a brush across its
// corner) at 16, 32 and 48 pixels into a Windows icon file, for the Windows resources.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/kit_commands.h"

namespace {

struct Colour {
    float r, g, b, a;
};

Colour mix(Colour x, Colour y, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}

// Distance from p to the segment a-b.
float segment_distance(float px, float py, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// The icon at one point of the unit square, y growing downwards.
Colour icon_at(float x, float y) {
    constexpr Colour kClear{0, 0, 0, 0};
    constexpr Colour kFrame{0.45f, 0.27f, 0.12f, 1};
    constexpr Colour kSkyTop{0.22f, 0.45f, 0.80f, 1};
    constexpr Colour kSkyLow{0.98f, 0.86f, 0.60f, 1};
    constexpr Colour kSun{1.0f, 0.80f, 0.25f, 1};
    constexpr Colour kHill{0.35f, 0.58f, 0.22f, 1};
    constexpr Colour kField{0.62f, 0.55f, 0.18f, 1};
    constexpr Colour kHandle{0.55f, 0.12f, 0.10f, 1};
    constexpr Colour kBristles{0.90f, 0.90f, 0.85f, 1};
    constexpr Colour kPaint{0.85f, 0.20f, 0.15f, 1};

    // The brush lies across the lower right corner, over everything.
    const float handle = segment_distance(x, y, 0.97f, 0.97f, 0.66f, 0.66f);
    if (handle < 0.055f) return kHandle;
    const float bristles = segment_distance(x, y, 0.66f, 0.66f, 0.52f, 0.52f);
    if (bristles < 0.07f) return bristles < 0.05f && x + y < 1.10f ? kPaint : kBristles;

    if (x < 0.04f || x > 0.96f || y < 0.04f || y > 0.96f) return kClear;
    if (x < 0.12f || x > 0.88f || y < 0.12f || y > 0.88f) return kFrame;
    const float horizon = 0.60f + 0.06f * std::sin(x * 7.0f);
    if (y > horizon) return mix(kHill, kField, (y - horizon) / 0.2f);
    if (std::hypot(x - 0.66f, y - 0.34f) < 0.11f) return kSun;
    return mix(kSkyTop, kSkyLow, (y - 0.12f) / 0.5f);
}

void put_u16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    put_u16(out, v & 0xFFFF);
    put_u16(out, v >> 16);
}

// One icon image: a 32-bit bitmap (rows from the bottom, height doubled for the mask) and an
// all-clear AND mask; the alpha channel carries the shape.
std::vector<uint8_t> icon_image(int size) {
    std::vector<uint8_t> out;
    put_u32(out, 40);
    put_u32(out, static_cast<uint32_t>(size));
    put_u32(out, static_cast<uint32_t>(size * 2));
    put_u16(out, 1);   // planes
    put_u16(out, 32);  // bits per pixel
    put_u32(out, 0);   // no compression
    const int mask_row = (size + 31) / 32 * 4;
    put_u32(out, static_cast<uint32_t>(size * size * 4 + mask_row * size));
    for (int i = 0; i < 4; ++i) put_u32(out, 0);
    constexpr int kSamples = 4;  // 4 x 4 samples a pixel
    for (int row = size - 1; row >= 0; --row) {
        for (int col = 0; col < size; ++col) {
            Colour sum{0, 0, 0, 0};
            const auto at = [&](int pixel, int sample) {
                return (static_cast<float>(pixel) +
                        (static_cast<float>(sample) + 0.5f) / kSamples) /
                       static_cast<float>(size);
            };
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Colour c = icon_at(at(col, sx), at(row, sy));
                    sum = {sum.r + c.r * c.a, sum.g + c.g * c.a, sum.b + c.b * c.a, sum.a + c.a};
                }
            const float alpha = sum.a / (kSamples * kSamples);
            const auto byte = [&](float premultiplied) {
                const float v = sum.a > 0 ? premultiplied / sum.a : 0.0f;
                return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
            };
            out.push_back(byte(sum.b));
            out.push_back(byte(sum.g));
            out.push_back(byte(sum.r));
            out.push_back(static_cast<uint8_t>(std::lround(alpha * 255.0f)));
        }
    }
    out.insert(out.end(), static_cast<size_t>(mask_row * size), 0);
    return out;
}

}  // namespace

int kit::run_icon(int argc, char** argv) {
    if (argc != 2) return usage("icon OUT.ico");
    constexpr int kSizes[] = {16, 32, 48};
    constexpr uint32_t kCount = sizeof kSizes / sizeof kSizes[0];
    std::vector<std::vector<uint8_t>> images;
    for (int size : kSizes) images.push_back(icon_image(size));
    std::vector<uint8_t> file;
    put_u16(file, 0);
    put_u16(file, 1);  // an icon
    put_u16(file, kCount);
    uint32_t offset = 6 + 16 * kCount;
    for (uint32_t i = 0; i < kCount; ++i) {
        file.push_back(static_cast<uint8_t>(kSizes[i]));
        file.push_back(static_cast<uint8_t>(kSizes[i]));
        file.push_back(0);  // no palette
        file.push_back(0);
        put_u16(file, 1);
        put_u16(file, 32);
        put_u32(file, static_cast<uint32_t>(images[i].size()));
        put_u32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size()) {
        std::fprintf(stderr, "brushwright-kit: can't write \"%s\"\n", argv[1]);
        if (out) std::fclose(out);
        return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
