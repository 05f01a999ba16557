// One full-screen pass at 1920 x 1080 that reads two textures and mixes them by a parameter:
// through a program translated from Direct3D 9 shader tokens, and through the same pass written
// by hand in GLSL (the baseline). Both draw through the same device, tables and textures.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "gfx/platform_testing.h"
#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "shadercode/assembler.h"
#include "shadercode/bsf_file.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

constexpr char kVs[] = "vs_2_0\ndcl_position v0\ndcl_texcoord v1\nmov oPos, v0\nmov oT0, v1\n";
constexpr char kPs[] =
    "ps_2_0\ndcl t0.xy\ndcl_2d s0\ndcl_2d s1\ntexld r0, t0, s0\ntexld r1, t0, s1\n"
    "lrp r2, c0.x, r1, r0\nmov oC0, r2\n";

constexpr char kHandVertex[] = R"(#version 330 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 texcoord;
uniform vec4 bw_pos_fixup;
out vec2 uv;
void main() {
    vec4 pos = position;
    uv = texcoord.xy;
    pos.y *= bw_pos_fixup.z;
    pos.xy += bw_pos_fixup.xy * pos.w;
    pos.z = 2.0 * pos.z - pos.w;
    gl_Position = pos;
}
)";
constexpr char kHandFragment[] = R"(#version 330 core
layout(std140) uniform BwPixelConstants { vec4 c[224]; } ps;
uniform sampler2D bw_ps_s0;
uniform sampler2D bw_ps_s1;
in vec2 uv;
layout(location = 0) out vec4 colour;
void main() { colour = mix(texture(bw_ps_s0, uv), texture(bw_ps_s1, uv), ps.c[0].x); }
)";

struct Pass {
    RenderDevice device;
    Shader* translated = nullptr;
    Shader* hand_written = nullptr;
    Texture* target = nullptr;
    bool ok = false;

    Pass() {
        if (device.create(0, kWidth, kHeight, 60, false) != RenderDevice::CreateResult::created)
            return;
        shadercode::BsfFile f;
        std::string error;
        shadercode::AssembleOptions options;
        if (!shadercode::assemble_shader(kVs, options, f.vertex_tokens, error) ||
            !shadercode::assemble_shader(kPs, options, f.pixel_tokens, error))
            return;
        f.pixel_constants = {{"alpha", 0, 0}};
        f.pixel_samplers = {{"texSampler0", 0}, {"texSampler1", 1}};
        const auto bytes = shadercode::write_bsf(f);
        translated = device.new_shader();
        hand_written = device.new_shader();
        gfx::platform::testing::set_glsl_override(kHandVertex, kHandFragment);
        if (!hand_written->load(bytes, "hand") || !translated->load(bytes, "translated")) return;
        for (int slot = 0; slot < 2; ++slot) {
            std::vector<uint8_t> rgba(size_t{kWidth} * kHeight * 4);
            for (size_t i = 0; i < rgba.size(); ++i)
                rgba[i] = static_cast<uint8_t>((i * (slot + 3)) >> 4);
            Texture* t = device.new_texture();
            if (!t->upload(rgba.data(), kWidth, kHeight, TextureFilter::linear,
                           TextureAddress::clamp))
                return;
            translated->set_texture(slot, t);
            hand_written->set_texture(slot, t);
        }
        translated->set_param("alpha", 0.3f);
        hand_written->set_param("alpha", 0.3f);
        target = device.new_texture();
        ok = target->create(kWidth, kHeight, TextureFilter::point, TextureAddress::clamp) &&
             device.set_target(target);
    }
};

Pass& pass() {
    static Pass p;
    return p;
}

void run(benchmark::State& state, bool translated) {
    Pass& p = pass();
    if (!p.ok) {
        state.SkipWithError("no graphics device or program");
        return;
    }
    p.device.set_shader(translated ? p.translated : p.hand_written);
    p.device.draw_quad(-1, -1, 1, 1);  // warm up: compile on first use
    gfx::platform::testing::finish(p.device.platform_device());
    for (auto _ : state) {
        p.device.draw_quad(-1, -1, 1, 1);
        gfx::platform::testing::finish(p.device.platform_device());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_PassHandWrittenGlsl(benchmark::State& state) {
    run(state, false);
}
void BM_PassTranslated(benchmark::State& state) {
    run(state, true);
}

BENCHMARK(BM_PassHandWrittenGlsl)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PassTranslated)->UseRealTime()->Unit(benchmark::kMillisecond);
// Interleaved repetitions even out drift (clock, other load) between the two.
BENCHMARK(BM_PassHandWrittenGlsl)
    ->Name("BM_PassHandWrittenGlsl/again")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PassTranslated)
    ->Name("BM_PassTranslated/again")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
