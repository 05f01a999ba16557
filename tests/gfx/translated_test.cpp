// Programs assembled from Direct3D 9 shader text, translated and drawn on the headless device,
// and the kit's pass command around them.
#include <png.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "gfx/platform.h"
#include "shadercode/assembler.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/kit_run.h"

namespace gfx_test {
namespace {

namespace fs = std::filesystem;

constexpr char kVs20[] = "vs_2_0\ndcl_position v0\ndcl_texcoord v1\nmov oPos, v0\nmov oT0, v1\n";
constexpr char kLerpPs20[] =
    "ps_2_0\ndcl t0.xy\ndcl_2d s0\ndcl_2d s1\ntexld r0, t0, s0\ntexld r1, t0, s1\n"
    "lrp r2, c0.x, r1, r0\nmov oC0, r2\n";
constexpr char kVs30[] = "vs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n";
constexpr char kVposPs30[] = "ps_3_0\ndcl vPos.xy\nmul r0, vPos.xyxy, c0\nmov oC0, r0\n";
constexpr char kRefusedPs[] = "ps_2_x\nbreak\nmov oC0, c0\n";

std::vector<uint32_t> assemble(const char* text) {
    std::vector<uint32_t> tokens;
    std::string error;
    shadercode::AssembleOptions options;
    options.validate = false;
    EXPECT_TRUE(shadercode::assemble_shader(text, options, tokens, error)) << error;
    return tokens;
}

std::vector<uint8_t> bsf_of(const char* vs, const char* ps,
                            std::vector<shadercode::BsfConstant> pixel_constants) {
    shadercode::BsfFile f;
    f.vertex_tokens = assemble(vs);
    f.pixel_tokens = assemble(ps);
    f.pixel_constants = std::move(pixel_constants);
    f.pixel_samplers = {{"texSampler0", 0}, {"texSampler1", 1}};
    return shadercode::write_bsf(f);
}

TEST_F(GfxTest, CapsReportPixelShader30) {
    auto* runtime = gfx::platform::load_runtime();
    auto* d3d = gfx::platform::find_create_function(runtime)(gfx::platform::kSdkVersion);
    ASSERT_NE(d3d, nullptr);
    gfx::platform::Caps caps;
    EXPECT_EQ(gfx::platform::get_device_caps(d3d, caps), gfx::platform::kOk);
    EXPECT_EQ(caps.pixel_shader_version, 0xFFFF0300u);
    EXPECT_EQ(caps.texture_caps & gfx::platform::kTextureCapsPow2, 0u);
    gfx::platform::release(d3d);
    // Unknown (0, as Mesa's drivers give it: no cap) or a card's size in MiB, not KiB or bytes.
    const int mb = gfx::video_memory_mb();
    EXPECT_TRUE(mb == 0 || (mb >= 64 && mb < 1024 * 1024)) << mb;
}

TEST_F(GfxTest, TranslatedProgramBlendsTwoTextures) {
    const auto a = pattern(kWidth, kHeight, 11);
    const auto b = pattern(kWidth, kHeight, 12);
    Shader* s = device.new_shader();
    ASSERT_TRUE(s->load(bsf_of(kVs20, kLerpPs20, {{"alpha", 0, 0}}), "lerp.bsf"));
    s->set_texture(0, image(kWidth, kHeight, a));
    s->set_texture(1, image(kWidth, kHeight, b));
    s->set_param("alpha", 0.25f);
    device.set_shader(s);
    device.draw_quad(-1, -1, 1, 1);
    const auto out = read_target();
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_NEAR(out[i], a[i] + 0.25 * (b[i] - a[i]), 1.0) << i;
}

TEST_F(GfxTest, TranslatedVposCountsPixelsFromTheTopLeft) {
    Shader* s = device.new_shader();
    ASSERT_TRUE(s->load(bsf_of(kVs30, kVposPs30, {{"scale", 3, 0}}), "vpos.bsf"));
    s->set_param("scale", 1.0f / 255, 1.0f / 255, 0.0f, 1.0f / 255);
    device.set_shader(s);
    device.draw_quad(-1, -1, 1, 1);
    const auto out = read_target();
    for (int y : {0, 1, 17, kHeight - 1})
        for (int x : {0, 1, 30, kWidth - 1}) {
            EXPECT_EQ(pixel(out, kWidth, x, y)[0], x);
            EXPECT_EQ(pixel(out, kWidth, x, y)[1], y);
        }
}

TEST_F(GfxTest, RefusedProgramNamesFileAndInstruction) {
    Shader* s = device.new_shader();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(s->load(bsf_of(kVs20, kRefusedPs, {}), "refused.bsf"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("Shader::load(): \"refused.bsf\": "), 0u) << err;
    EXPECT_NE(err.find("break outside a loop"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

// ---- brushwright-kit pass --------------------------------------------------------------------

class KitPass : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("bw_kit_pass_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    int run(const std::string& args, std::string* err = nullptr) {
        const testkit::KitRun r = testkit::run_kit("pass " + args);
        if (err) *err = r.err;
        if (r.err.find("no graphics device") != std::string::npos &&
            std::getenv("BRUSHWRIGHT_ALLOW_NO_GPU"))
            skipped_ = true;
        return r.status;
    }
    std::string path(const char* name) { return (dir_ / name).string(); }
    void write(const char* name, const std::vector<uint8_t>& bytes) {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    void write_png(const char* name, const std::vector<uint8_t>& rgba, int w, int h) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(w);
        image.height = static_cast<png_uint_32>(h);
        image.format = PNG_FORMAT_RGBA;
        ASSERT_TRUE(
            png_image_write_to_file(&image, path(name).c_str(), 0, rgba.data(), 0, nullptr));
    }
    std::vector<uint8_t> read_png(const char* name, int& w, int& h) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path(name).c_str())) return {};
        image.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) return {};
        w = static_cast<int>(image.width);
        h = static_cast<int>(image.height);
        return out;
    }

    fs::path dir_;
    bool skipped_ = false;
};

TEST_F(KitPass, DrawsTranslatedPassIntoPng) {
    const auto a = pattern(16, 8, 1);
    const auto b = pattern(16, 8, 2);
    write_png("a.png", a, 16, 8);
    write_png("b.png", b, 16, 8);
    write("lerp.bsf", bsf_of(kVs20, kLerpPs20, {{"alpha", 0, 0}}));
    std::string err;
    const int rc = run(path("lerp.bsf") + " --size 16x8 --texture 0=" + path("a.png") +
                           " --texture 1=" + path("b.png") + " --param alpha=0.5 --filter 0=0" +
                           " --filter 1=0 -o " + path("out.png"),
                       &err);
    if (skipped_) GTEST_SKIP() << err;
    ASSERT_EQ(rc, 0) << err;
    int w = 0, h = 0;
    const auto out = read_png("out.png", w, h);
    ASSERT_EQ(w, 16);
    ASSERT_EQ(h, 8);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_NEAR(out[i], (a[i] + b[i]) / 2.0, 1.0) << i;
}

TEST_F(KitPass, RefusedProgramAndBadArguments) {
    write("refused.bsf", bsf_of(kVs20, kRefusedPs, {}));
    std::string err;
    const int rc = run(path("refused.bsf") + " --size 4x4 -o " + path("o.png"), &err);
    if (skipped_) GTEST_SKIP() << err;
    EXPECT_EQ(rc, 1);
    EXPECT_NE(err.find("refused.bsf"), std::string::npos) << err;
    EXPECT_NE(err.find("break outside a loop"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(path("o.png")));

    EXPECT_EQ(run(path("refused.bsf") + " --size 0x4 -o " + path("o.png")), 2);
    EXPECT_EQ(run(path("refused.bsf") + " --size 4x4 --param a=1,2,3,4,5 -o x.png"), 2);
    EXPECT_EQ(run(path("refused.bsf") + " --size 4x4 --filter 0=2 -o x.png"), 2);
    EXPECT_EQ(run(path("refused.bsf") + " --size 4x4 --texture 99=a.png -o x.png"), 2);
    EXPECT_EQ(run(path("refused.bsf") + " --size 4x4"), 2);
    write("lerp.bsf", bsf_of(kVs20, kLerpPs20, {}));
    EXPECT_EQ(run(path("lerp.bsf") + " --size 4x4 --texture 0=" + path("missing.png") + " -o " +
                      path("o.png"),
                  &err),
              1);
    EXPECT_NE(err.find("missing.png"), std::string::npos);
}

}  // namespace
}  // namespace gfx_test
