#pragma once
// Shared set-up of the graphics tests: a headless device on whatever EGL display the machine
// has (llvmpipe in CI), hand-written GLSL programs following the translator's conventions, and
// small image helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/platform_testing.h"
#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "shadercode/bsf_file.h"

namespace gfx_test {

namespace pt = gfx::platform::testing;

// Vertex stage of every hand-written program: the quad's position and texture coordinate with
// the device's position fixup, as translated programs end.
inline const char kVertexGlsl[] = R"(#version 330 core
layout(location = 0) in vec4 bw_position;
layout(location = 1) in vec4 bw_texcoord0;
uniform vec4 bw_pos_fixup;
layout(std140) uniform BwVertexConstants { vec4 c[256]; } vs;
out vec4 bw_v_texcoord0;
void main() {
    vec4 pos = bw_position;
    bw_v_texcoord0 = bw_texcoord0;
    pos.y *= bw_pos_fixup.z;
    pos.xy += bw_pos_fixup.xy * pos.w;
    pos.z = 2.0 * pos.z - pos.w;
    gl_Position = pos;
}
)";

// Fragment stage: `body` computes bw_oC0 from uv (the texture coordinate), ps.c[] and the
// samplers bw_ps_s0 and bw_ps_s1.
inline std::string fragment_glsl(const std::string& body) {
    return R"(#version 330 core
layout(std140) uniform BwPixelConstants { vec4 c[224]; } ps;
uniform sampler2D bw_ps_s0;
uniform sampler2D bw_ps_s1;
in vec4 bw_v_texcoord0;
layout(location = 0) out vec4 bw_oC0;
void main() {
    vec2 uv = bw_v_texcoord0.xy;
    )" + body +
           R"(
}
)";
}

inline const char kSampleBody[] = "bw_oC0 = texture(bw_ps_s0, uv);";
inline const char kConstantBody[] = "bw_oC0 = ps.c[0];";

// A ".bsf" image with the given tables and minimal token streams.
inline std::vector<uint8_t> make_bsf(std::vector<shadercode::BsfConstant> vertex_constants,
                                     std::vector<shadercode::BsfConstant> pixel_constants,
                                     std::vector<shadercode::BsfSampler> pixel_samplers) {
    shadercode::BsfFile f;
    f.vertex_constants = std::move(vertex_constants);
    f.pixel_constants = std::move(pixel_constants);
    f.pixel_samplers = std::move(pixel_samplers);
    f.vertex_tokens = {0xFFFE0300u, 0x0000FFFFu};
    f.pixel_tokens = {0xFFFF0300u, 0x0000FFFFu};
    return shadercode::write_bsf(f);
}

// Creates a headless device; a machine without any EGL display fails the test unless
// BRUSHWRIGHT_ALLOW_NO_GPU is set, which skips it.
class GfxTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;

    void SetUp() override {
        pt::injection() = {};
        pt::clear_counters();
        ::testing::internal::CaptureStderr();
        const RenderDevice::CreateResult result = device.create(0, kWidth, kHeight, 60, false);
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (result == RenderDevice::CreateResult::runtime_missing &&
            std::getenv("BRUSHWRIGHT_ALLOW_NO_GPU"))
            GTEST_SKIP() << "no EGL display: " << err;
        ASSERT_EQ(result, RenderDevice::CreateResult::created) << err;
        pt::clear_counters();
    }
    void TearDown() override {
        device.destroy();
        pt::injection() = {};
    }

    // A program drawing `body`, with pixel samplers texSampler0/1 at registers 0/1 and the
    // given constant tables.
    Shader* program(const std::string& body,
                    std::vector<shadercode::BsfConstant> pixel_constants = {},
                    std::vector<shadercode::BsfConstant> vertex_constants = {}) {
        Shader* s = device.new_shader();
        pt::set_glsl_override(kVertexGlsl, fragment_glsl(body));
        EXPECT_TRUE(s->load(make_bsf(std::move(vertex_constants), std::move(pixel_constants),
                                     {{"texSampler0", 0}, {"texSampler1", 1}}),
                            "test.bsf"));
        return s;
    }

    Texture* image(int w, int h, std::vector<uint8_t> rgba,
                   TextureFilter filter = TextureFilter::point,
                   TextureAddress address = TextureAddress::clamp) {
        Texture* t = device.new_texture();
        EXPECT_TRUE(t->upload(rgba.data(), w, h, filter, address));
        return t;
    }

    std::vector<uint8_t> read_target() {
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        EXPECT_TRUE(device.read_target(rgba, w, h));
        EXPECT_EQ(w, device.target_width());
        EXPECT_EQ(h, device.target_height());
        return rgba;
    }

    RenderDevice device;
};

inline std::vector<uint8_t> pattern(int w, int h, uint32_t seed) {
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return out;
}

inline const uint8_t* pixel(const std::vector<uint8_t>& rgba, int w, int x, int y) {
    return rgba.data() + (static_cast<size_t>(y) * w + x) * 4;
}

}  // namespace gfx_test
