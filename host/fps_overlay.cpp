#include "host/fps_overlay.h"

#include <algorithm>
#include <cstdio>

#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "shadercode/bsf_builder.h"
#include "shadercode/bsf_file.h"

namespace host {

namespace {

constexpr int kScale = 3;         // each glyph pixel is 3 x 3 screen pixels
constexpr int kMarginPixels = 8;  // from the corner of the window

// 3 x 5 glyphs, one row per entry, the leftmost pixel in bit 2.
struct Glyph {
    char c;
    uint8_t rows[5];
};
constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 3, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'.', {0, 0, 0, 0, 2}}, {'-', {0, 0, 7, 0, 0}},
    {'f', {3, 4, 6, 4, 4}}, {'p', {6, 5, 6, 4, 4}}, {'s', {3, 4, 2, 1, 6}},
};

const Glyph* find_glyph(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

constexpr const char* kVertexListing =
    "// Parameters:\n//\n// Registers:\n//\n"
    "    vs_3_0\n    dcl_position v0\n    dcl_texcoord v1\n    dcl_position o0\n"
    "    dcl_texcoord o1\n    mov o0, v0\n    mov o1, v1\n";
constexpr const char* kPixelListing =
    "// Parameters:\n//\n//   sampler2D texSampler0;\n//\n// Registers:\n//\n"
    "//   Name         Reg   Size\n//   ------------ ----- ----\n"
    "//   texSampler0  s0       1\n//\n"
    "    ps_3_0\n    dcl_texcoord v0.xy\n    dcl_2d s0\n    texld r0, v0, s0\n"
    "    mov oC0, r0\n";

}  // namespace

std::vector<uint8_t> rate_label_pixels(const std::string& text, int scale, int& width,
                                       int& height) {
    const int pad = 2 * scale;
    const int glyphs = static_cast<int>(std::min<size_t>(text.size(), 32));
    width = 2 * pad + glyphs * 4 * scale - scale;
    height = 2 * pad + 5 * scale;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i + 3] = 160;  // the box: black, translucent
    for (int n = 0; n < glyphs; ++n) {
        const Glyph* g = find_glyph(text[static_cast<size_t>(n)]);
        if (!g) continue;
        for (int gy = 0; gy < 5; ++gy)
            for (int gx = 0; gx < 3; ++gx) {
                if (!(g->rows[gy] & (4 >> gx))) continue;
                for (int sy = 0; sy < scale; ++sy)
                    for (int sx = 0; sx < scale; ++sx) {
                        const int x = pad + n * 4 * scale + gx * scale + sx;
                        const int y = pad + gy * scale + sy;
                        uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
                        p[0] = p[1] = p[2] = p[3] = 255;
                    }
            }
    }
    return rgba;
}

bool FpsOverlay::prepare(RenderDevice& device) {
    if (device_ != &device) {
        drop();
        device_ = &device;
    }
    if (!shader_) {
        shadercode::BsfFile program;
        std::string error;
        if (!shadercode::build_bsf(kVertexListing, kPixelListing, shadercode::AssembleOptions{},
                                   program, error)) {
            std::fprintf(stderr, "brushwright: no frame rate label: %s\n", error.c_str());
            failed_ = true;
            return false;
        }
        shader_ = device.new_shader();
        if (!shader_->load(shadercode::write_bsf(program), "frame rate label")) {
            delete shader_;
            shader_ = nullptr;
            failed_ = true;
            return false;
        }
    }
    if (!texture_) texture_ = device.new_texture();
    // A reset leaves every texture empty.
    if (text_changed_ || device.reset_count() != resets_seen_) {
        std::vector<uint8_t> pixels = rate_label_pixels(text_, kScale, label_width_, label_height_);
        if (!texture_->upload(pixels.data(), label_width_, label_height_, TextureFilter::point,
                              TextureAddress::clamp))
            return false;
        resets_seen_ = device.reset_count();
        text_changed_ = false;
    }
    return true;
}

void FpsOverlay::frame(RenderDevice& device, int64_t now_ms) {
    if (since_ms_ < 0) since_ms_ = now_ms;
    ++frames_;
    if (now_ms - since_ms_ >= 1000) {
        const double rate =
            static_cast<double>(frames_) * 1000.0 / static_cast<double>(now_ms - since_ms_);
        std::fprintf(stderr, "brushwright: %.1f frames per second\n", rate);
        char text[32];
        std::snprintf(text, sizeof text, "%.1f fps", rate);
        text_ = text;
        text_changed_ = true;
        frames_ = 0;
        since_ms_ = now_ms;
    }
    if (failed_ || !prepare(device)) return;
    if (gfx::platform::failed(device.restore_back_buffer())) return;
    const float w = static_cast<float>(device.target_width());
    const float h = static_cast<float>(device.target_height());
    if (w <= 0 || h <= 0) return;
    // Pixel sizes in clip space, the label's bottom left corner a margin from the window's.
    const float x0 = -1.0f + 2.0f * kMarginPixels / w;
    const float y0 = -1.0f + 2.0f * kMarginPixels / h;
    device.set_blend(RenderDevice::Blend::alpha);
    device.set_shader(shader_);
    shader_->set_texture(0, texture_);
    device.draw_quad(x0, y0, x0 + 2.0f * static_cast<float>(label_width_) / w,
                     y0 + 2.0f * static_cast<float>(label_height_) / h);
    device.set_blend(RenderDevice::Blend::off);
}

void FpsOverlay::drop() {
    // The device frees them itself; only the pointers go.
    texture_ = nullptr;
    shader_ = nullptr;
    device_ = nullptr;
    resets_seen_ = -1;
    text_changed_ = true;
}

}  // namespace host
