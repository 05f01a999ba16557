#include "pictures/Farmeadow/generators/landscape.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures/Farmeadow/generators/noise.h"

namespace farmeadow {

namespace {

enum class Crop { kPasture, kWheat, kPloughed, kFlowering, kLavender };

struct Palette {
    Rgb zenith, horizon, cloud_lit, cloud_shade;
    Rgb sun_glow;       // added around the sun in the sky and, faintly, over the land
    Rgb light_tint;     // multiplies the land
    float light_gain;   // contrast of lit against shaded
    float cloud_cover;  // 0 clear .. 1 closed
    Rgb hill, tree_a, tree_b, hedge;
    Rgb pasture, wheat, ploughed, flowering, lavender;
    Rgb meadow_far, meadow_near;
    Rgb flowers[5];
    float flower_amount;  // 0 .. 1
    float snow;           // 0 none .. 1 snow on open ground
};

Palette make_palette(Season season, Light light, Rng& rng) {
    Palette p{};
    switch (light) {
        case Light::kMorning:
            p.zenith = rgb8(98, 150, 214);
            p.horizon = rgb8(238, 214, 196);
            p.cloud_lit = rgb8(255, 244, 236);
            p.cloud_shade = rgb8(170, 164, 190);
            p.sun_glow = rgb8(255, 214, 170);
            p.light_tint = {1.03f, 1.0f, 0.95f};
            p.light_gain = 0.9f;
            p.cloud_cover = rng.range(0.25f, 0.5f);
            break;
        case Light::kNoon:
            p.zenith = rgb8(52, 112, 206);
            p.horizon = rgb8(178, 208, 236);
            p.cloud_lit = rgb8(255, 255, 252);
            p.cloud_shade = rgb8(160, 172, 198);
            p.sun_glow = rgb8(255, 250, 225);
            p.light_tint = {1.02f, 1.02f, 0.98f};
            p.light_gain = 1.0f;
            p.cloud_cover = rng.range(0.3f, 0.55f);
            break;
        case Light::kEvening:
            p.zenith = rgb8(70, 86, 160);
            p.horizon = rgb8(252, 176, 102);
            p.cloud_lit = rgb8(255, 190, 140);
            p.cloud_shade = rgb8(128, 96, 136);
            p.sun_glow = rgb8(255, 168, 80);
            p.light_tint = {1.1f, 0.9f, 0.72f};
            p.light_gain = 1.05f;
            p.cloud_cover = rng.range(0.3f, 0.6f);
            break;
        case Light::kOvercast:
            p.zenith = rgb8(132, 142, 162);
            p.horizon = rgb8(206, 208, 210);
            p.cloud_lit = rgb8(228, 228, 230);
            p.cloud_shade = rgb8(122, 128, 146);
            p.sun_glow = rgb8(240, 236, 220);
            p.light_tint = {0.94f, 0.96f, 0.98f};
            p.light_gain = 0.55f;
            p.cloud_cover = rng.range(0.7f, 0.9f);
            break;
    }
    switch (season) {
        case Season::kSpring:
            p.hill = rgb8(96, 140, 80);
            p.tree_a = rgb8(74, 120, 48);
            p.tree_b = rgb8(150, 178, 74);
            p.hedge = rgb8(62, 104, 44);
            p.pasture = rgb8(112, 170, 64);
            p.wheat = rgb8(150, 182, 72);
            p.ploughed = rgb8(128, 90, 62);
            p.flowering = rgb8(240, 214, 40);
            p.lavender = rgb8(176, 196, 90);
            p.meadow_far = rgb8(130, 180, 74);
            p.meadow_near = rgb8(70, 136, 44);
            p.flowers[0] = rgb8(252, 250, 240);
            p.flowers[1] = rgb8(250, 220, 50);
            p.flowers[2] = rgb8(240, 150, 190);
            p.flowers[3] = rgb8(120, 130, 220);
            p.flowers[4] = rgb8(255, 240, 120);
            p.flower_amount = 0.9f;
            p.snow = 0;
            break;
        case Season::kSummer:
            p.hill = rgb8(80, 122, 62);
            p.tree_a = rgb8(40, 82, 34);
            p.tree_b = rgb8(96, 132, 50);
            p.hedge = rgb8(44, 84, 36);
            p.pasture = rgb8(94, 146, 52);
            p.wheat = rgb8(226, 180, 82);
            p.ploughed = rgb8(140, 100, 66);
            p.flowering = rgb8(236, 200, 46);
            p.lavender = rgb8(142, 112, 186);
            p.meadow_far = rgb8(118, 160, 58);
            p.meadow_near = rgb8(60, 116, 36);
            p.flowers[0] = rgb8(222, 38, 28);
            p.flowers[1] = rgb8(250, 248, 236);
            p.flowers[2] = rgb8(90, 110, 226);
            p.flowers[3] = rgb8(246, 206, 50);
            p.flowers[4] = rgb8(230, 60, 40);
            p.flower_amount = 1.0f;
            p.snow = 0;
            break;
        case Season::kAutumn:
            p.hill = rgb8(122, 120, 72);
            p.tree_a = rgb8(140, 70, 34);
            p.tree_b = rgb8(190, 140, 52);
            p.hedge = rgb8(120, 80, 36);
            p.pasture = rgb8(120, 146, 60);
            p.wheat = rgb8(206, 164, 92);
            p.ploughed = rgb8(110, 72, 48);
            p.flowering = rgb8(218, 168, 48);
            p.lavender = rgb8(150, 120, 80);
            p.meadow_far = rgb8(150, 156, 70);
            p.meadow_near = rgb8(96, 112, 44);
            p.flowers[0] = rgb8(150, 110, 200);
            p.flowers[1] = rgb8(236, 140, 40);
            p.flowers[2] = rgb8(240, 224, 190);
            p.flowers[3] = rgb8(200, 60, 40);
            p.flowers[4] = rgb8(230, 190, 60);
            p.flower_amount = 0.45f;
            p.snow = 0;
            break;
        case Season::kWinter:
            p.hill = rgb8(150, 150, 168);
            p.tree_a = rgb8(84, 62, 70);
            p.tree_b = rgb8(132, 106, 100);
            p.hedge = rgb8(76, 64, 62);
            p.pasture = rgb8(138, 150, 104);
            p.wheat = rgb8(180, 160, 120);
            p.ploughed = rgb8(96, 70, 60);
            p.flowering = rgb8(200, 196, 150);
            p.lavender = rgb8(150, 140, 150);
            p.meadow_far = rgb8(168, 170, 130);
            p.meadow_near = rgb8(110, 122, 80);
            p.flowers[0] = rgb8(250, 250, 255);
            p.flowers[1] = rgb8(230, 236, 250);
            p.flowers[2] = rgb8(200, 60, 60);
            p.flowers[3] = rgb8(250, 250, 255);
            p.flowers[4] = rgb8(240, 220, 120);
            p.flower_amount = 0.2f;
            p.snow = rng.range(0.35f, 0.8f);
            break;
    }
    return p;
}

Crop pick_crop(Season season, Rng& rng, Crop previous) {
    for (int tries = 0; tries < 4; ++tries) {
        const float u = rng.uniform();
        Crop c = Crop::kPasture;
        if (season == Season::kSummer)
            c = u < 0.28f   ? Crop::kPasture
                : u < 0.6f  ? Crop::kWheat
                : u < 0.72f ? Crop::kPloughed
                : u < 0.88f ? Crop::kFlowering
                            : Crop::kLavender;
        else if (season == Season::kSpring)
            c = u < 0.4f    ? Crop::kPasture
                : u < 0.6f  ? Crop::kWheat
                : u < 0.75f ? Crop::kPloughed
                            : Crop::kFlowering;
        else if (season == Season::kAutumn)
            c = u < 0.3f   ? Crop::kPasture
                : u < 0.6f ? Crop::kWheat
                : u < 0.9f ? Crop::kPloughed
                           : Crop::kFlowering;
        else
            c = u < 0.45f ? Crop::kPasture : u < 0.7f ? Crop::kWheat : Crop::kPloughed;
        if (c != previous) return c;
    }
    return previous == Crop::kPasture ? Crop::kWheat : Crop::kPasture;
}

// One band of fields between two boundary lines, split left and right into parcels.
struct FieldBand {
    float top = 0, slope = 0, wobble = 0;  // boundary at its top edge
    int splits = 0;
    float split_x[3] = {0, 0, 0};
    float split_lean[3] = {0, 0, 0};
    Crop crops[4] = {};
    float hedge = 0;  // hedge height at this boundary, in pixels
};

struct Composition {
    float horizon;  // where the hills stand on the fields
    int hill_layers;
    float hill_top[3], hill_amp[3], hill_scale[3];
    float hill_haze[3];
    float tree_line, tree_height, tree_gap;  // tree line = where the fields begin
    float crown_size;
    float meadow_top, meadow_wave;
    float vanish_x;
    float sun_x, sun_y;
    float light_dir;  // -1 light from the left, 1 from the right
    int bands;
    FieldBand band[7];
    bool barn;
    float barn_x, barn_w;
    uint32_t seed;
};

Composition make_composition(int number, Season season, int width, int height, Rng& rng) {
    Composition c{};
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    c.seed = static_cast<uint32_t>(number) * 7919u + 13u;
    c.horizon = h * rng.range(0.34f, 0.5f);
    c.hill_layers = 2 + rng.below(2);
    for (int i = 0; i < c.hill_layers; ++i) {
        const float nearness = static_cast<float>(i) / static_cast<float>(c.hill_layers);
        c.hill_amp[i] = h * rng.range(0.06f, 0.17f) * (1.0f - 0.45f * nearness);
        c.hill_top[i] = c.horizon - c.hill_amp[i] * rng.range(0.4f, 0.9f) + h * 0.02f * nearness;
        c.hill_scale[i] = w * rng.range(0.2f, 0.55f);
        c.hill_haze[i] = 0.72f - 0.5f * nearness;
    }
    c.tree_line = c.horizon + h * rng.range(0.02f, 0.06f);
    c.tree_height = h * rng.range(0.035f, 0.08f);
    c.tree_gap = rng.range(0.25f, 0.5f);
    c.crown_size = h * rng.range(0.05f, 0.09f);
    c.meadow_top = h * rng.range(0.66f, 0.8f);
    c.meadow_wave = h * rng.range(0.01f, 0.04f);
    c.vanish_x = w * rng.range(0.2f, 0.8f);
    c.light_dir = rng.chance(0.5f) ? -1.0f : 1.0f;
    c.sun_x = w * (0.5f + c.light_dir * rng.range(0.15f, 0.42f));
    c.sun_y = c.horizon - h * rng.range(0.05f, 0.22f);
    // Bands grow towards the viewer: their tops follow a geometric progression in depth.
    c.bands = 3 + rng.below(4);
    const float span = c.meadow_top - c.tree_line;
    float weight_total = 0, weight = 1;
    for (int i = 0; i < c.bands; ++i, weight *= 1.45f) weight_total += weight;
    float top = c.tree_line;
    weight = 1;
    Crop previous = Crop::kLavender;
    for (int i = 0; i < c.bands; ++i, weight *= 1.45f) {
        FieldBand& b = c.band[i];
        b.top = top;
        b.slope = i == 0 ? 0 : rng.range(-0.06f, 0.06f) * (0.3f + static_cast<float>(i) * 0.25f);
        b.wobble = rng.range(1.0f, 5.0f) * (1.0f + static_cast<float>(i) * 0.5f);
        b.splits = rng.below(3 + (i > 1 ? 1 : 0));
        for (int k = 0; k < b.splits; ++k) {
            b.split_x[k] =
                w * (static_cast<float>(k) + rng.range(0.3f, 0.9f)) / static_cast<float>(b.splits);
            b.split_lean[k] = (b.split_x[k] - c.vanish_x) / (h * 0.6f);
        }
        for (int k = 0; k <= b.splits; ++k)
            previous = b.crops[k] = pick_crop(season, rng, previous);
        b.hedge =
            rng.chance(0.6f) ? rng.range(2.0f, 4.0f) * (1.0f + 0.7f * static_cast<float>(i)) : 0;
        top += span * weight / weight_total;
    }
    c.barn = rng.chance(0.6f);
    c.barn_x = w * rng.range(0.1f, 0.85f);
    c.barn_w = w * rng.range(0.035f, 0.06f);
    return c;
}

// Column profiles: the top edge of each layer at every x.
struct Profiles {
    std::vector<float> hill[3], tree_top, meadow_top;
    std::vector<float> band[7];  // top boundary of each band of fields
};

float band_top(const Composition& c, int i, float x, float width) {
    const FieldBand& b = c.band[i];
    return b.top + b.slope * (x - width * 0.5f) +
           b.wobble * (fbm_1d(x / 260.0f, 3, c.seed + 300u + static_cast<uint32_t>(i)) - 0.5f);
}

Profiles make_profiles(const Composition& c, int width) {
    Profiles p;
    const float w = static_cast<float>(width);
    for (int i = 0; i < c.hill_layers; ++i) p.hill[i].resize(static_cast<size_t>(width));
    p.tree_top.resize(static_cast<size_t>(width));
    p.meadow_top.resize(static_cast<size_t>(width));
    for (int i = 0; i < c.bands; ++i) {
        p.band[i].resize(static_cast<size_t>(width));
        for (int xi = 0; xi < width; ++xi)
            p.band[i][static_cast<size_t>(xi)] = band_top(c, i, static_cast<float>(xi) + 0.5f, w);
    }
    for (int xi = 0; xi < width; ++xi) {
        const float x = static_cast<float>(xi);
        for (int i = 0; i < c.hill_layers; ++i) {
            const float n = fbm_1d(x / c.hill_scale[i], 5, c.seed + 10u + static_cast<uint32_t>(i));
            // Rounded hills: the noise squashed towards its crests.
            const float shaped = n * n * (3.0f - 2.0f * n);
            p.hill[i][static_cast<size_t>(xi)] = c.hill_top[i] + c.hill_amp[i] * (1.0f - shaped);
        }
        // Trees stand in clumps with gaps; each clump is a row of rounded crowns.
        const float clump = fbm_1d(x / 170.0f, 3, c.seed + 40u);
        const float present = smoothstep(c.tree_gap, c.tree_gap + 0.12f, clump);
        // Crowns of varying width: arches whose phase drifts with the noise.
        const float phase = x / c.crown_size + 1.5f * fbm_1d(x / 90.0f, 2, c.seed + 42u);
        const float u = 2.0f * (phase - static_cast<float>(floor_to_int(phase))) - 1.0f;
        const float crowns = 0.55f + 0.45f * std::sqrt(1.0f - u * u);
        const float tall = 0.7f + 0.55f * fbm_1d(x / 45.0f, 3, c.seed + 41u);
        p.tree_top[static_cast<size_t>(xi)] =
            c.tree_line + 2.0f - c.tree_height * present * crowns * tall;
        p.meadow_top[static_cast<size_t>(xi)] =
            c.meadow_top + c.meadow_wave * (fbm_1d(x / 300.0f, 3, c.seed + 50u) - 0.5f) * 2.0f -
            (x - w * 0.5f) * 0.02f * c.light_dir;
    }
    return p;
}

inline float coverage(float y, float top, float softness) {
    return smoothstep(-softness, softness, y - top);
}

struct Scene {
    const Composition& c;
    const Palette& p;
    const Profiles& prof;
    Season season;
    float w, h;
};

Rgb sky_colour(const Scene& s, float x, float y) {
    const Composition& c = s.c;
    const Palette& p = s.p;
    const float t = clamp01(y / c.horizon);
    Rgb col = mix(p.zenith, p.horizon, t * t * (0.6f + 0.4f * t));
    // Glow around the sun.
    const float dx = (x - c.sun_x) / s.w, dy = (y - c.sun_y) / s.h;
    const float glow = 1.0f / (1.0f + 30.0f * (dx * dx + dy * dy * 2.0f));
    col = mix(col, p.sun_glow, glow * (p.cloud_cover > 0.65f ? 0.25f : 0.55f));
    // Clouds: stretched fBm, thinner towards the horizon, lit from above and from the sun.
    const uint32_t seed = c.seed + 60u;
    const float nx = x / 290.0f, ny = y / 95.0f;
    const float d = fbm(nx, ny, 5, seed);
    const float cover = p.cloud_cover;
    const float threshold = 0.62f - 0.26f * cover;
    const float dense = smoothstep(threshold, threshold + 0.16f, d);
    if (dense > 0.0f) {
        const float below = fbm(nx, ny + 0.16f, 5, seed);
        const float lit = clamp01(0.55f + (d - below) * 4.0f);
        const float sun_side = clamp01(0.5f + 0.5f * c.light_dir * (x / s.w - 0.5f) * 2.0f);
        Rgb cloud = mix(p.cloud_shade, p.cloud_lit, clamp01(lit * 0.8f + sun_side * 0.25f));
        cloud = mix(cloud, p.horizon, t * 0.35f);
        col = mix(col, cloud, dense * (0.95f - 0.3f * t * t));
    }
    // Long level strokes in the sky.
    const float streak = value_noise(x / 70.0f, y / 6.0f, c.seed + 61u) - 0.5f;
    return scale(col, 1.0f + 0.03f * streak);
}

Rgb hill_colour(const Scene& s, int layer, float x, float y) {
    const Composition& c = s.c;
    const Palette& p = s.p;
    const float patch = fbm(x / 90.0f, y / 30.0f, 4, c.seed + 70u + static_cast<uint32_t>(layer));
    Rgb col = mix(scale(p.hill, 0.8f), mix(p.hill, p.wheat, 0.3f), patch);
    if (s.p.snow > 0) col = mix(col, rgb8(236, 238, 246), s.p.snow * 0.7f * patch);
    // Lit slopes face the sun: the slope of the ridge above this column.
    const size_t xi = static_cast<size_t>(x);
    const size_t x2 = std::min(xi + 4, static_cast<size_t>(s.w) - 1);
    const float slope = (s.prof.hill[layer][x2] - s.prof.hill[layer][xi]) * 0.25f;
    col = scale(col, 1.0f - 0.5f * slope * c.light_dir * p.light_gain);
    col = multiply(col, p.light_tint);
    // Aerial perspective: mist rises from the foot of the hills.
    const float foot = smoothstep(c.hill_top[layer], c.horizon + 10.0f, y);
    const float haze = clamp01(c.hill_haze[layer] + 0.2f * foot);
    return mix(col, mix(p.horizon, p.zenith, 0.25f), haze);
}

Rgb tree_colour(const Scene& s, float x, float y, float top) {
    const Composition& c = s.c;
    const Palette& p = s.p;
    const float leaves = fbm(x / 11.0f, y / 9.0f, 4, c.seed + 80u);
    const float kind = fbm(x / 120.0f, 0.5f, 2, c.seed + 81u);
    Rgb col = mix(p.tree_a, p.tree_b, clamp01(kind * 1.4f - 0.2f));
    // Crowns are lit at the top and on the sun side, dark underneath.
    const float depth = clamp01((y - top) / (c.tree_height + 4.0f));
    float light = 1.15f - 0.55f * depth + 0.5f * (leaves - 0.5f);
    light = lerp(1.0f, light, p.light_gain);
    col = scale(col, light);
    if (s.season == Season::kSpring && leaves > 0.68f)
        col = mix(col, rgb8(250, 240, 240), smoothstep(0.68f, 0.75f, leaves) * 0.6f);
    col = multiply(col, p.light_tint);
    return mix(col, p.horizon, 0.18f);
}

Rgb crop_colour(const Scene& s, Crop crop, float x, float y, float depth) {
    const Composition& c = s.c;
    const Palette& p = s.p;
    const float patch = fbm(x / 70.0f, y / 18.0f, 4, c.seed + 90u);
    const float strokes = value_noise(x / 24.0f, y / 3.0f, c.seed + 91u);
    // Rows run to the vanishing point: constant along (x - vx) / (y - horizon).
    const float across = (x - c.vanish_x) / std::max(4.0f, y - c.horizon + 30.0f);
    // Rows fade out where they would be finer than a few pixels.
    const float row_period = std::max(4.0f, y - c.horizon + 30.0f) / 18.0f;
    const float rows = wave(across * 18.0f + 0.6f * patch) * smoothstep(2.5f, 6.0f, row_period);
    Rgb col;
    switch (crop) {
        case Crop::kPasture:
            col = mix(scale(p.pasture, 0.78f), mix(p.pasture, p.meadow_far, 0.7f),
                      smoothstep(0.25f, 0.75f, patch));
            break;
        case Crop::kWheat:
            col = mix(scale(p.wheat, 0.9f), mix(p.wheat, rgb8(250, 226, 150), 0.3f), patch);
            col = scale(col, 1.0f + 0.06f * rows);
            break;
        case Crop::kPloughed:
            col = scale(p.ploughed, 0.95f + 0.12f * rows + 0.2f * (patch - 0.5f));
            if (s.p.snow > 0)
                col = mix(col, rgb8(226, 230, 240),
                          s.p.snow * (0.35f + 0.4f * smoothstep(-0.6f, 0.8f, rows)) *
                              smoothstep(0.2f, 0.6f, patch + 0.15f));
            break;
        case Crop::kFlowering:
            col = mix(scale(p.flowering, 0.9f), mix(p.flowering, p.pasture, 0.25f),
                      smoothstep(0.55f, 0.8f, patch));
            break;
        case Crop::kLavender:
            col = scale(p.lavender, 0.85f + 0.25f * (rows * 0.5f + 0.5f));
            break;
    }
    if (s.p.snow > 0 && crop != Crop::kPloughed)
        col = mix(col, rgb8(236, 238, 246),
                  s.p.snow * (0.35f + 0.4f * smoothstep(0.3f, 0.7f, patch)));
    col = scale(col, 1.0f + 0.1f * (strokes - 0.5f));
    col = multiply(col, p.light_tint);
    return mix(col, p.horizon, 0.35f * (1.0f - depth) * (1.0f - depth));
}

Rgb fields_colour(const Scene& s, float x, float y) {
    const Composition& c = s.c;
    const float depth = clamp01((y - c.horizon) / (s.h - c.horizon));
    // The band this pixel lies in, and how close it is to the band's top boundary (a hedge).
    int band = 0;
    const size_t xi = static_cast<size_t>(x);
    float top = s.prof.band[0][xi];
    for (int i = 1; i < c.bands; ++i) {
        const float t = s.prof.band[i][xi];
        if (y >= t) {
            band = i;
            top = t;
        }
    }
    const FieldBand& b = c.band[band];
    int parcel = 0;
    for (int k = 0; k < b.splits; ++k)
        if (x > b.split_x[k] + b.split_lean[k] * (y - b.top)) parcel = k + 1;
    Rgb col = crop_colour(s, b.crops[parcel], x, y, depth);
    // Thin furrow lines where two parcels meet.
    for (int k = 0; k < b.splits; ++k) {
        const float d = std::fabs(x - (b.split_x[k] + b.split_lean[k] * (y - b.top)));
        col = scale(col, 1.0f - 0.25f * (1.0f - smoothstep(0.5f, 2.0f + 2.0f * depth, d)));
    }
    // The hedge along the top boundary (none along the tree line).
    if (band > 0 && b.hedge > 0) {
        const float phase = x / (b.hedge * 2.5f) + fbm_1d(x / 60.0f, 2, c.seed + 96u);
        const float u = 2.0f * (phase - static_cast<float>(floor_to_int(phase))) - 1.0f;
        const float bumps = std::sqrt(1.0f - u * u);
        const float hedge_top = top - b.hedge * (0.4f + 0.6f * bumps);
        const float hedge_bottom = top + b.hedge * 0.3f;
        if (y > hedge_top - 1.0f && y < hedge_bottom + 1.0f) {
            const float a = coverage(y, hedge_top, 0.8f) * (1.0f - coverage(y, hedge_bottom, 0.8f));
            const float leaves = fbm(x / 7.0f, y / 5.0f, 3, c.seed + 95u);
            const float lit =
                1.15f - 0.6f * clamp01((y - hedge_top) / (1.3f * b.hedge)) + 0.4f * (leaves - 0.5f);
            Rgb hedge = multiply(scale(s.p.hedge, lerp(1.0f, lit, s.p.light_gain)), s.p.light_tint);
            col = mix(col, mix(hedge, s.p.horizon, 0.25f * (1.0f - depth)), a);
        }
    }
    // Shadow cast on the field just below a hedge or the tree line.
    const float shade = band == 0 ? c.tree_height * 0.3f : b.hedge * 0.6f;
    if (shade > 0) {
        const float under = y - (top + (band == 0 ? 0.0f : b.hedge));
        if (under > 0 && under < shade)
            col = scale(col, 1.0f - 0.22f * s.p.light_gain * (1.0f - under / shade));
    }
    return col;
}

Rgb meadow_colour(const Scene& s, float x, float y, float top) {
    const Composition& c = s.c;
    const Palette& p = s.p;
    const float t = clamp01((y - top) / (s.h - top));
    Rgb col = mix(p.meadow_far, p.meadow_near, t);
    const float patch = fbm(x / 150.0f, y / 60.0f, 4, c.seed + 100u);
    col = mix(col, mix(p.meadow_far, p.flowering, 0.15f), clamp01(patch - 0.35f) * 0.8f);
    // Short upright strokes of grass, larger near the viewer.
    const float size = 1.0f + 2.5f * t;
    const float blades = value_noise(x / (2.2f * size), y / (9.0f * size), c.seed + 101u);
    const float clumps = value_noise(x / (7.0f * size), y / (14.0f * size), c.seed + 102u);
    col = scale(col, 0.88f + 0.22f * blades * (0.4f + 0.6f * clumps) + 0.1f * (clumps - 0.5f));
    if (p.snow > 0)
        col = mix(col, mix(rgb8(232, 236, 246), p.zenith, 0.15f * (1.0f - t)),
                  p.snow * (0.2f + 0.5f * smoothstep(0.4f, 0.7f, patch + 0.15f * blades)));
    // Sun side of the meadow a little brighter.
    col = scale(col, 1.0f + 0.1f * p.light_gain * c.light_dir * (x / s.w - 0.5f));
    col = multiply(col, p.light_tint);
    return mix(col, p.horizon, 0.12f * (1.0f - t));
}

void put(Image& img, int x, int y, const Rgb& col) {
    uint8_t* px = img.at(x, y);
    const float v[3] = {col.r, col.g, col.b};
    for (int k = 0; k < 3; ++k) px[k] = static_cast<uint8_t>(clamp01(v[k]) * 255.0f + 0.5f);
}

Rgb get(Image& img, int x, int y) {
    const uint8_t* px = img.at(x, y);
    return rgb8(px[0], px[1], px[2]);
}

// A farm building on the tree line: whitewashed or ochre walls, a red or slate roof.
void draw_barn(Image& img, const Scene& s, Rng& rng) {
    const Composition& c = s.c;
    const float bw = c.barn_w, wall_h = bw * rng.range(0.45f, 0.6f), roof_h = bw * 0.45f;
    const float base = c.tree_line + 3.0f, x0 = c.barn_x;
    const Rgb wall = rng.chance(0.5f) ? rgb8(236, 226, 200) : rgb8(214, 170, 110);
    const Rgb roof = rng.chance(0.6f) ? rgb8(168, 64, 40) : rgb8(96, 90, 104);
    const float gable = x0 + bw * (c.light_dir > 0 ? 0.75f : 0.25f);
    const int ix0 = std::max(0, static_cast<int>(x0) - 2);
    const int ix1 = std::min(img.width - 1, static_cast<int>(x0 + bw) + 2);
    const int iy0 = std::max(0, static_cast<int>(base - wall_h - roof_h) - 2);
    const int iy1 = std::min(img.height - 1, static_cast<int>(base) + 1);
    for (int yi = iy0; yi <= iy1; ++yi)
        for (int xi = ix0; xi <= ix1; ++xi) {
            const float x = static_cast<float>(xi) + 0.5f, y = static_cast<float>(yi) + 0.5f;
            const float inside_x =
                smoothstep(-0.7f, 0.7f, x - x0) * (1.0f - smoothstep(-0.7f, 0.7f, x - x0 - bw));
            const float wall_a =
                inside_x * coverage(y, base - wall_h, 0.6f) * (1.0f - coverage(y, base, 0.6f));
            // Roof: a low ridge over the long side.
            const float ridge =
                base - wall_h - roof_h * (1.0f - std::fabs(x - gable) / (bw * 1.1f));
            const float roof_a =
                inside_x * coverage(y, ridge, 0.7f) * (1.0f - coverage(y, base - wall_h, 0.6f));
            Rgb col = get(img, xi, yi);
            const float sunny = (x - gable) * c.light_dir > 0 ? 1.0f : 0.78f;
            const float door =
                (std::fabs(x - (x0 + bw * 0.4f)) < bw * 0.09f && y > base - wall_h * 0.6f) ? 0.45f
                                                                                           : 1.0f;
            col = mix(col,
                      mix(multiply(scale(wall, sunny * door), s.p.light_tint), s.p.horizon, 0.2f),
                      wall_a);
            col = mix(col, mix(multiply(scale(roof, sunny), s.p.light_tint), s.p.horizon, 0.2f),
                      roof_a);
            put(img, xi, yi, col);
        }
}

// One dab of paint: a soft ellipse, lit on its upper sun side and darker below.
void dab(Image& img, float fx, float fy, float r, float stretch, const Rgb& col, float light_dir) {
    const int x0 = std::max(0, static_cast<int>(fx - r * stretch) - 1);
    const int x1 = std::min(img.width - 1, static_cast<int>(fx + r * stretch) + 1);
    const int y0 = std::max(0, static_cast<int>(fy - r) - 1);
    const int y1 = std::min(img.height - 1, static_cast<int>(fy + r) + 1);
    for (int yi = y0; yi <= y1; ++yi)
        for (int xi = x0; xi <= x1; ++xi) {
            const float dx = (static_cast<float>(xi) + 0.5f - fx) / stretch;
            const float dy = static_cast<float>(yi) + 0.5f - fy;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float a = 1.0f - smoothstep(r - 0.7f, r + 0.5f, d);
            if (a <= 0) continue;
            const float lit = 1.0f + 0.22f * (-dy + dx * light_dir) / (r + 1.0f);
            put(img, xi, yi, mix(get(img, xi, yi), scale(col, lit), a * 0.92f));
        }
}

// Dabs of flowers over the meadow: drifts of one kind of flower, small and dense far away,
// larger and looser near the viewer.
void draw_flowers(Image& img, const Scene& s, Rng& rng) {
    const Composition& c = s.c;
    const float scale_px = s.w / 1024.0f;
    const int drifts = static_cast<int>(70.0f * s.p.flower_amount) + 3;
    for (int k = 0; k < drifts; ++k) {
        const float depth = 1.0f - rng.uniform() * rng.uniform();
        const float cx = rng.range(0, s.w);
        const float top = c.meadow_top;
        const float cy = top + (s.h - top) * depth;
        const Rgb base = s.p.flowers[rng.below(5)];
        const int count = 8 + rng.below(40);
        const float spread = (25.0f + 110.0f * depth) * scale_px;
        for (int f = 0; f < count; ++f) {
            const float fx = cx + (rng.uniform() + rng.uniform() - 1.0f) * spread * 1.8f;
            const float fy = cy + (rng.uniform() + rng.uniform() - 1.0f) * spread * 0.45f;
            if (fy < top + 3.0f || fy >= s.h || fx < 0 || fx >= s.w) continue;
            const float t = clamp01((fy - top) / (s.h - top));
            const float r = (0.9f + 3.6f * t * t) * scale_px * rng.range(0.6f, 1.25f);
            const Rgb col =
                multiply(mix(base, rgb8(255, 255, 255), rng.range(0, 0.15f)), s.p.light_tint);
            const Rgb tone = scale(col, rng.range(0.85f, 1.05f));
            dab(img, fx, fy, r, rng.range(1.1f, 1.6f), tone, c.light_dir);
            // Near flowers get a stem and leaf stroke below, and some a bright heart.
            if (r > 2.5f) {
                dab(img, fx, fy + r * 1.2f, r * 0.35f, 1.0f, scale(s.p.meadow_near, 0.7f),
                    c.light_dir);
                if (rng.chance(0.5f)) dab(img, fx, fy, r * 0.35f, 1.0f, rgb8(240, 200, 60), 0);
            }
        }
    }
}

}  // namespace

Season landscape_season(int number) {
    return static_cast<Season>(((number % 4) + 4) % 4);
}

Light landscape_light(int number) {
    return static_cast<Light>((((number / 4) + (number / 16)) % 4 + 4) % 4);
}

Image make_landscape(int number, int width, int height) {
    Rng rng(0xFA53EAD0ull + static_cast<uint64_t>(number) * 0x100000001B3ull);
    const Season season = landscape_season(number);
    const Light light = landscape_light(number);
    const Palette palette = make_palette(season, light, rng);
    const Composition comp = make_composition(number, season, width, height, rng);
    const Profiles prof = make_profiles(comp, width);
    const Scene scene{
        comp, palette, prof, season, static_cast<float>(width), static_cast<float>(height)};
    Image img(width, height, 3);
    for (int yi = 0; yi < height; ++yi) {
        const float y = static_cast<float>(yi) + 0.5f;
        for (int xi = 0; xi < width; ++xi) {
            const float x = static_cast<float>(xi) + 0.5f;
            const size_t xs = static_cast<size_t>(xi);
            // Coverage of each layer, front to back, so hidden layers are never computed.
            const float meadow_a = coverage(y, prof.meadow_top[xs], 1.2f);
            const float fields_a = coverage(y, prof.band[0][xs], 1.0f);
            const float trees_a = coverage(y, prof.tree_top[xs], 1.0f);
            float hills_a[3] = {0, 0, 0};
            for (int i = 0; i < comp.hill_layers; ++i)
                hills_a[i] = coverage(y, prof.hill[i][xs], 1.0f);
            Rgb col;
            if (meadow_a >= 1.0f) {
                col = meadow_colour(scene, x, y, prof.meadow_top[xs]);
            } else {
                if (fields_a >= 1.0f) {
                    col = fields_colour(scene, x, y);
                } else {
                    int start = -1;  // the back-most layer that must be drawn
                    for (int i = comp.hill_layers - 1; i >= 0 && start < 0; --i)
                        if (hills_a[i] >= 1.0f) start = i;
                    if (trees_a >= 1.0f) start = comp.hill_layers;
                    col = start < 0 ? sky_colour(scene, x, y) : Rgb{};
                    for (int i = std::max(0, start); i < comp.hill_layers; ++i)
                        if (hills_a[i] > 0) col = mix(col, hill_colour(scene, i, x, y), hills_a[i]);
                    if (trees_a > 0)
                        col = mix(col, tree_colour(scene, x, y, prof.tree_top[xs]), trees_a);
                    if (fields_a > 0) col = mix(col, fields_colour(scene, x, y), fields_a);
                }
                if (meadow_a > 0)
                    col = mix(col, meadow_colour(scene, x, y, prof.meadow_top[xs]), meadow_a);
            }
            put(img, xi, yi, col);
        }
    }
    Rng detail(rng.next_u64());
    if (comp.barn) draw_barn(img, scene, detail);
    draw_flowers(img, scene, detail);
    return img;
}

}  // namespace farmeadow
