// Where a frame of the picture spends its time, at 1920 x 1080 on the sample picture:
// - the crossfade frame (the two output images blended by a moving t, and the present) against
//   one bare textured full-screen copy (the baseline);
// - the new-painting frame against as many bare full-screen passes as it draws (the counters
//   say how many), each waited on as the painting's draws are (its copies wait on them), with
//   the bank reading and JPEG decoding of its numbered images on their own;
// - the copy of the render target into a texture of its size, by point as the painting copies,
//   against the linear copy it used to make;
// - each program of a new painting drawn on its own, with the textures and constants the
//   painting left on it, times the number of draws a painting makes with it, and the copies of
//   the render target into textures. What the painting frame takes beyond the sum of these is
//   the engine's own cost;
// - the resident memory, in all and its anonymous part, beside the images the picture holds
//   between paintings (bench/saver_cpu sets the running saver's beside another program's).
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "gfx/platform.h"
#include "gfx/platform_testing.h"
#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "loading/bank_images.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"
#include "shadercode/assembler.h"
#include "shadercode/bsf_file.h"

namespace {

namespace pt = gfx::platform::testing;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

uint32_t fixed_ticks() {
    return 1;
}
uint32_t frame_ms = 0;
uint32_t frame_clock() {
    return frame_ms += 16;
}

struct Bench {
    bool ok = false;
    Shader* copy = nullptr;      // texld and write: the bare pass
    Texture* scratch = nullptr;  // a full-size target for the copies
    int painting_draws = 0;
    int painting_copies = 0;
    struct Pass {
        std::string name;
        Shader* program = nullptr;
        int draws = 0;  // in one new painting
    };
    std::vector<Pass> passes;
    std::unique_ptr<picture::Picture> running;

    Bench() {
        picture::Settings settings;
        settings.data_folder = BRUSHWRIGHT_BUILD_DATA_ROOT;
        settings.delay = 1e9f;  // ordinary frames hold
        picture::StartedPicture made =
            picture::start_picture(settings, {fixed_ticks, frame_clock}, 0, kWidth, kHeight, false);
        if (made.result != picture::StartResult::started) return;
        running = std::move(made.picture);
        RenderDevice& device = running->device;
        shadercode::BsfFile f;
        std::string error;
        if (!shadercode::assemble_shader(
                "vs_3_0\ndcl_position v0\ndcl_texcoord v1\ndcl_position o0\ndcl_texcoord o1\n"
                "mov o0, v0\nmov o1, v1\n",
                {}, f.vertex_tokens, error) ||
            !shadercode::assemble_shader(
                "ps_3_0\ndcl_texcoord v0.xy\ndcl_2d s0\ntexld r0, v0, s0\nmov oC0, r0\n", {},
                f.pixel_tokens, error))
            return;
        f.pixel_samplers = {{"texSampler0", 0}};
        copy = device.new_shader();
        if (!copy->load(shadercode::write_bsf(f), "copy")) return;
        copy->set_texture(0, running->output_a);
        scratch = device.new_texture();
        scratch->create(kWidth, kHeight, TextureFilter::point, TextureAddress::clamp);
        frame();  // the first painting
        count_passes();
        ok = true;
    }
    // Which programs one new painting draws with, and how often.
    void count_passes() {
        const picture::ProgramSet& set = running->programs;
        const std::pair<const char*, Shader*> named[] = {{"paint", set.paint},
                                                         {"formgen.0", set.formgen[0]},
                                                         {"formgen.1", set.formgen[1]},
                                                         {"formgen.2", set.formgen[2]},
                                                         {"formgen.3", set.formgen[3]},
                                                         {"formgen.4", set.formgen[4]},
                                                         {"formgen_out", set.formgen_out},
                                                         {"background", set.background},
                                                         {"filter", set.filter},
                                                         {"visual", set.visual},
                                                         {"color_out", set.color_out},
                                                         {"surface_out", set.surface_out},
                                                         {"colorgen", set.colorgen},
                                                         {"silhouette", set.silhouette},
                                                         {"deriv", set.deriv}};
        arm_new_painting();
        pt::clear_counters();
        frame();
        painting_draws = pt::counters().draw;
        painting_copies = pt::counters().stretch_rect;
        std::map<const gfx::platform::PixelShader*, int> draws;
        for (const gfx::platform::PixelShader* drawn : pt::counters().drawn_with) ++draws[drawn];
        for (const auto& [name, program] : named) {
            if (!program || !program->loaded()) continue;
            auto found = draws.find(program->platform_pixel_shader());
            if (found == draws.end()) continue;
            passes.push_back({name, program, found->second});
            draws.erase(found);  // slots sharing a program count once
        }
    }
    void frame() {
        picture::draw_frame(*running);
        pt::finish(running->device.platform_device());
    }
    // Puts the phase in the middle of a transition, moving slowly, so frames crossfade.
    void arm_crossfade() {
        picture::Timeline& t = running->timeline;
        t.holding = false;
        t.fading_in = false;
        t.fade = 1.0f;
        t.phase = std::numbers::pi;
        t.phase_step = 1e-7;
        t.previous_direction = -1.0;
    }
    // Puts the phase just before an end of the transition, so the next step paints.
    void arm_new_painting() {
        picture::Timeline& t = running->timeline;
        t.holding = false;
        t.fading_in = false;
        t.fade = 1.0f;
        t.phase = std::numbers::pi / 2 - 1e-3;
        t.phase_step = 1e-2;
        t.previous_direction = 1.0;
    }
    // n bare passes, each waited on (batched, a software rasteriser makes each far cheaper
    // than the painting's draws, which its copies wait on one by one).
    void bare_passes(int n) const {
        RenderDevice& device = running->device;
        for (int i = 0; i < n; ++i) {
            device.set_shader(copy);
            device.draw_quad(-1, -1, 1, 1);
            pt::finish(device.platform_device());
        }
    }
};

Bench& bench() {
    static Bench b;
    return b;
}

bool ready(benchmark::State& state) {
    if (bench().ok) return true;
    state.SkipWithError("no graphics device or no sample picture data");
    return false;
}

// One draw of a program of the painting, with what the painting left bound on it.
void BM_Pass(benchmark::State& state, const Bench::Pass* pass) {
    if (!ready(state)) return;
    RenderDevice& device = bench().running->device;
    for (auto _ : state) {
        device.set_shader(pass->program);
        device.draw_quad(-1, -1, 1, 1);
        pt::finish(device.platform_device());
    }
    state.counters["draws"] = pass->draws;
}
// One copy of the full-screen render target into a texture.
void BM_Copy(benchmark::State& state) {
    if (!ready(state)) return;
    RenderDevice& device = bench().running->device;
    for (auto _ : state) {
        bench().scratch->copy_from_target();
        pt::finish(device.platform_device());
    }
    state.counters["copies"] = bench().painting_copies;
}
// The same copy with linear filtering (the baseline).
void BM_CopyLinear(benchmark::State& state) {
    if (!ready(state)) return;
    RenderDevice& device = bench().running->device;
    gfx::platform::Device* platform = device.platform_device();
    gfx::platform::Surface* target = nullptr;
    gfx::platform::get_render_target(platform, &target);
    for (auto _ : state) {
        gfx::platform::stretch_rect(platform, target, bench().scratch->surface(), true);
        pt::finish(platform);
    }
    gfx::platform::release(target);
}

void BM_CrossfadeFrame(benchmark::State& state) {
    if (!ready(state)) return;
    bench().arm_crossfade();
    for (auto _ : state) bench().frame();
}
void BM_BareCopy(benchmark::State& state) {
    if (!ready(state)) return;
    for (auto _ : state) bench().bare_passes(1);
}
void BM_NewPaintingFrame(benchmark::State& state) {
    if (!ready(state)) return;
    int draws = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench().arm_new_painting();
        pt::clear_counters();
        state.ResumeTiming();
        bench().frame();
        draws = pt::counters().draw;
    }
    bench().painting_draws = draws;
    state.counters["draws"] = draws;
}
void BM_BarePassesOfAPainting(benchmark::State& state) {
    if (!ready(state)) return;
    const int n = bench().painting_draws > 0 ? bench().painting_draws : 1;
    for (auto _ : state) bench().bare_passes(n);
    state.counters["draws"] = n;
}
// Where the resident memory goes: the picture's own images (4 bytes a pixel, the back buffer
// among them) against the whole process (the driver, its shader cache and the libraries).
void BM_ResidentMemory(benchmark::State& state) {
    if (!ready(state)) return;
    // Only the images held now: the painting's scratch targets are let go between paintings.
    double images = 0;
    for (const Texture* texture : bench().running->device.textures())
        if (texture->holds_image()) images += 4.0 * texture->width() * texture->height();
    images += 4.0 * kWidth * kHeight;  // the back buffer
    // Resident memory split into anonymous (heaps, the renderer's images) and file-backed
    // (libraries): the renderer's libraries are the same for any program that draws with it.
    double resident_kb = 0, anonymous_kb = 0;
    std::ifstream rollup("/proc/self/smaps_rollup");
    for (std::string word; rollup >> word;) {
        if (word == "Rss:") rollup >> resident_kb;
        if (word == "Anonymous:") rollup >> anonymous_kb;
    }
    for (auto _ : state) benchmark::DoNotOptimize(images);
    state.counters["images_MB"] = images / 1e6;
    state.counters["resident_MB"] = resident_kb * 1024 / 1e6;
    state.counters["anonymous_MB"] = anonymous_kb * 1024 / 1e6;
}

// The numbered images one painting reads: a colour image and a facture for each plan, and
// two more factures.
void BM_BankImagesOfAPainting(benchmark::State& state) {
    if (!ready(state)) return;
    const int plans = bench().running->plan_count();
    int n = 1;
    for (auto _ : state) {
        for (int i = 0; i < plans; ++i) {
            int w, h, count;
            benchmark::DoNotOptimize(
                loading::load_bank_image(bench().running->data, n++, 0, w, h, count));
            benchmark::DoNotOptimize(
                loading::load_bank_image(bench().running->data, n++, 2, w, h, count));
        }
        for (int i = 0; i < 2; ++i) {
            int w, h, count;
            benchmark::DoNotOptimize(
                loading::load_bank_image(bench().running->data, n++, 2, w, h, count));
        }
    }
}

BENCHMARK(BM_BareCopy)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrossfadeFrame)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewPaintingFrame)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BarePassesOfAPainting)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BankImagesOfAPainting)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Copy)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyLinear)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResidentMemory)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (const Bench::Pass& pass : bench().passes)
        benchmark::RegisterBenchmark(("BM_Pass/" + pass.name).c_str(), BM_Pass, &pass)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
