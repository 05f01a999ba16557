// Programs and their tables, quads, blending, target switching, copies, orientation and
// pixel-exactness on the headless device.
#include <cstring>

#include "shadercode/assembler.h"
#include "tests/gfx/gfx_fixture.h"

namespace gfx_test {
namespace {

using shadercode::BsfConstant;

std::vector<uint8_t> solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < out.size(); i += 4) {
        out[i] = r;
        out[i + 1] = g;
        out[i + 2] = b;
        out[i + 3] = a;
    }
    return out;
}

TEST_F(GfxTest, SetParamRules) {
    Shader* s =
        program(kConstantBody, {{"both", 3, 0}, {"one", 0, 1}, {"Mixed", 3, 2}, {"both", 3, 3}},
                {{"vonly", 3, 0}, {"both", 1, 1}});
    const float v[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    s->set_param("vonly", v);
    EXPECT_EQ(s->vertex_constants()[0].value, (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
    for (const auto& c : s->pixel_constants())
        EXPECT_EQ(c.value, (std::array<float, 4>{})) << c.name;

    s->set_param("both", v);  // both stages; only the first pixel entry of that name
    EXPECT_EQ(s->vertex_constants()[1].value, (std::array<float, 4>{0.25f, 0.5f, 0.f, 0.f}));
    EXPECT_EQ(s->pixel_constants()[0].value, (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_EQ(s->pixel_constants()[3].value, (std::array<float, 4>{}));

    s->set_param("one", v);  // last component 0 takes one float
    EXPECT_EQ(s->pixel_constants()[1].value, (std::array<float, 4>{0.25f, 0.f, 0.f, 0.f}));
    s->set_param("mixed", v);  // case matters
    s->set_param("nothing", v);
    EXPECT_EQ(s->pixel_constants()[2].value, (std::array<float, 4>{}));
    s->set_param("one", nullptr);
    EXPECT_EQ(s->pixel_constants()[1].value[0], 0.25f);
}

TEST_F(GfxTest, SetTextureRules) {
    Shader* s = program(kSampleBody);
    Texture* t = image(2, 2, solid(2, 2, 1, 2, 3));
    s->set_texture(7, t);
    for (const auto& sampler : s->pixel_samplers()) EXPECT_EQ(sampler.texture, nullptr);
    s->set_texture(1, t);
    EXPECT_EQ(s->pixel_samplers()[1].texture, t);
    s->set_texture(1, nullptr);
    EXPECT_EQ(s->pixel_samplers()[1].texture, nullptr);
    s->set_texture(0, t);
    delete t;  // a destroyed texture is no longer bound
    EXPECT_EQ(s->pixel_samplers()[0].texture, nullptr);
}

TEST_F(GfxTest, ConstantsReachThePixelStage) {
    Shader* s = program(kConstantBody, {{"colour", 3, 0}});
    s->set_param("colour", 1.0f, 0.5f, 0.0f, 1.0f);
    device.set_shader(s);
    device.draw_quad(-1, -1, 1, 1);
    const auto rgba = read_target();
    const uint8_t* px = pixel(rgba, kWidth, 10, 10);
    EXPECT_EQ(px[0], 255);
    EXPECT_NEAR(px[1], 128, 1);
    EXPECT_EQ(px[2], 0);
    // Values persist: a second draw without new calls draws the same.
    device.clear(0, 0, 0);
    device.draw_quad(-1, -1, 1, 1);
    EXPECT_EQ(read_target(), rgba);
}

TEST_F(GfxTest, EmptyTablesLoadAndDraw) {
    Shader* s = device.new_shader();
    pt::set_glsl_override(kVertexGlsl, fragment_glsl("bw_oC0 = vec4(0.0, 1.0, 0.0, 1.0);"));
    ASSERT_TRUE(s->load(make_bsf({}, {}, {})));
    device.set_shader(s);
    device.draw_quad(-1, -1, 1, 1);
    EXPECT_EQ(pixel(read_target(), kWidth, 0, 0)[1], 255);
}

TEST_F(GfxTest, MalformedProgramFilesFail) {
    Shader* s = device.new_shader();
    auto bytes = make_bsf({{"a", 3, 0}}, {}, {});
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(s->load(nullptr, 0));
    std::vector<uint8_t> bad = bytes;
    bad[0] = 'X';
    EXPECT_FALSE(s->load(bad, "bad.bsf"));
    bytes.resize(20);
    EXPECT_FALSE(s->load(bytes, "short.bsf"));
    EXPECT_FALSE(s->load_file("/nonexistent/x.bsf"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Shader::load(): \"bad.bsf\""), std::string::npos) << err;
    EXPECT_NE(err.find("Shader::load(): \"short.bsf\""), std::string::npos) << err;
    EXPECT_NE(err.find("can't open \"/nonexistent/x.bsf\""), std::string::npos) << err;
    EXPECT_FALSE(s->loaded());
    device.set_shader(s);
    device.draw_quad(-1, -1, 1, 1);  // a program without shaders draws nothing
    EXPECT_EQ(pt::counters().draw, 0);
    // A program beyond its model's limits (made without the kit's validation) is refused
    // before the device sees it: ps_3_0 nests rep blocks four deep at most.
    auto nested_reps = [](int depth) {
        std::string text = "ps_3_0\ndefi i0, 2, 0, 0, 0\n";
        for (int i = 0; i < depth; ++i) text += "rep i0\n";
        text += "mov r0, c0\n";
        for (int i = 0; i < depth; ++i) text += "endrep\n";
        shadercode::AssembleOptions options;
        options.validate = false;
        shadercode::BsfFile f;
        f.vertex_tokens = {0xFFFE0300u, 0x0000FFFFu};
        std::string error;
        EXPECT_TRUE(
            shadercode::assemble_shader(text + "mov oC0, r0\n", options, f.pixel_tokens, error))
            << error;
        return shadercode::write_bsf(f);
    };
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(s->load(nested_reps(4), "four.bsf"));
    EXPECT_FALSE(s->load(nested_reps(5), "five.bsf"));
    std::vector<uint8_t> huge = nested_reps(4);
    huge.resize(shadercode::kMaxProgramFileBytes + 1);
    EXPECT_FALSE(s->load(huge, "huge.bsf"));
    const std::string refused = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(refused.find("\"five.bsf\": pixel program refused: instruction 6: loop or rep "
                           "blocks nested more than 4 deep in ps_3_0"),
              std::string::npos)
        << refused;
    EXPECT_NE(refused.find("\"huge.bsf\": 1048577 bytes, more than any program can be"),
              std::string::npos)
        << refused;
}

TEST_F(GfxTest, QuadOffsetsAndRect) {
    Texture* target = device.new_texture();
    ASSERT_TRUE(target->create(1024, 768, TextureFilter::point, TextureAddress::clamp));
    ASSERT_TRUE(device.set_target(target));
    device.set_shader(program(kSampleBody));
    device.draw_quad(-1, -1, 1, 1);
    const float* v = pt::last_vertices();
    const float dx = 0.5f / 1024, dy = 0.5f / 768;
    const float expected[16] = {-1 - dx, 1 + dy, 0, 0, -1 - dx, -1 + dy, 0, 1,
                                1 - dx,  1 + dy, 1, 0, 1 - dx,  -1 + dy, 1, 1};
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(v[i], expected[i]) << i;
    device.draw_rect(0.25f, 0.5f, 0.5f, 0.25f);  // clip corners (-0.5, 0) to (0.5, 0.5)
    EXPECT_FLOAT_EQ(v[0], -0.5f - dx);
    EXPECT_FLOAT_EQ(v[1], 0.5f + dy);
    EXPECT_FLOAT_EQ(v[5], 0.0f + dy);
    EXPECT_FLOAT_EQ(v[8], 0.5f - dx);
}

// A texture with red rows on top and green rows below, drawn by the standard quad.
TEST_F(GfxTest, OrientationUploadDrawAndRenderToTexture) {
    auto img = solid(kWidth, kHeight, 255, 0, 0);
    for (size_t i = img.size() / 2; i < img.size(); i += 4) {
        img[i] = 0;
        img[i + 1] = 255;
    }
    Texture* t = image(kWidth, kHeight, img);
    Shader* s = program(kSampleBody);
    s->set_texture(0, t);
    device.set_shader(s);

    Texture* rt = device.new_texture();
    ASSERT_TRUE(rt->create(kWidth, kHeight, TextureFilter::point, TextureAddress::clamp));
    ASSERT_TRUE(device.set_target(rt));
    device.draw_quad(-1, -1, 1, 1);
    std::vector<uint8_t> drawn;
    ASSERT_TRUE(device.read_texture(*rt, drawn));
    EXPECT_EQ(drawn, img);  // row 0 on top, and a point-filtered 1:1 draw is exact

    // Sampling the drawn target back keeps its orientation.
    ASSERT_EQ(device.restore_back_buffer(), gfx::platform::kOk);
    s->set_texture(0, rt);
    device.draw_quad(-1, -1, 1, 1);
    EXPECT_EQ(read_target(), img);

    // Swapped y corners draw it upside down.
    s->set_texture(0, t);
    device.draw_quad(-1, 1, 1, -1);
    const auto flipped = read_target();
    EXPECT_EQ(pixel(flipped, kWidth, 3, 0)[1], 255);
    EXPECT_EQ(pixel(flipped, kWidth, 3, kHeight - 1)[0], 255);
}

TEST_F(GfxTest, PointFilteredCopyIsExactAtOddSizes) {
    for (auto [w, h] : {std::pair{37, 23}, std::pair{1, 1}, std::pair{255, 3}}) {
        const auto img = pattern(w, h, static_cast<uint32_t>(w));
        Texture* t = image(w, h, img);
        Texture* rt = device.new_texture();
        ASSERT_TRUE(rt->create(w, h, TextureFilter::point, TextureAddress::clamp));
        ASSERT_TRUE(device.set_target(rt));
        EXPECT_EQ(device.target_width(), w);
        Shader* s = program(kSampleBody);
        s->set_texture(0, t);
        device.set_shader(s);
        device.draw_quad(-1, -1, 1, 1);
        std::vector<uint8_t> out;
        ASSERT_TRUE(device.read_texture(*rt, out));
        EXPECT_EQ(out, img) << w << "x" << h;
    }
}

// Direct3D 9 puts pixel centres on integer coordinates: a quad moved up and left by half a pixel
// in all (the draw's own quarter pixel plus another quarter) samples texel centres, so even a
// linear filter reproduces a one-pixel checkerboard; without the Direct3D centres it would turn
// to grey.
TEST_F(GfxTest, HalfPixelShiftedLinearCopyIsExact) {
    constexpr int n = 16;
    std::vector<uint8_t> board(n * n * 4);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            for (int c = 0; c < 4; ++c)
                board[(static_cast<size_t>(y) * n + x) * 4 + c] = (x + y) % 2 ? 255 : 0;
    Texture* t = image(n, n, board, TextureFilter::linear, TextureAddress::wrap);
    Texture* rt = device.new_texture();
    ASSERT_TRUE(rt->create(n, n, TextureFilter::point, TextureAddress::clamp));
    ASSERT_TRUE(device.set_target(rt));
    Shader* s = program(kSampleBody);
    s->set_texture(0, t);
    device.set_shader(s);
    const float qx = 0.5f / n, qy = 0.5f / n;
    device.draw_quad(-1 - qx, -1 + qy, 1 - qx, 1 + qy);
    std::vector<uint8_t> out;
    ASSERT_TRUE(device.read_texture(*rt, out));
    ASSERT_EQ(out.size(), board.size());
    EXPECT_EQ(out, board);
}

TEST_F(GfxTest, LinearFilterAtWorkSizeMagnifiesWithPoint) {
    // 2 x 1 black/white drawn into 8 x 1: point gives a hard edge, linear a ramp.
    std::vector<uint8_t> img = {0, 0, 0, 255, 255, 255, 255, 255};
    Texture* rt = device.new_texture();
    ASSERT_TRUE(rt->create(8, 1, TextureFilter::point, TextureAddress::clamp));
    ASSERT_TRUE(device.set_target(rt));
    Shader* s = program(kSampleBody);
    device.set_shader(s);
    auto draw = [&](TextureFilter filter) {
        auto copy = img;
        Texture* t = image(2, 1, copy, filter, TextureAddress::clamp);
        s->set_texture(0, t);
        device.draw_quad(-1, -1, 1, 1);
        std::vector<uint8_t> out;
        EXPECT_TRUE(device.read_texture(*rt, out));
        delete t;
        return out;
    };
    const auto point = draw(TextureFilter::point);
    EXPECT_EQ(point[2 * 4], 0);
    EXPECT_EQ(point[5 * 4], 255);
    const auto linear = draw(TextureFilter::linear);
    EXPECT_GT(linear[3 * 4], 0);
    EXPECT_LT(linear[4 * 4], 255);
    device.set_work_size(2, 1);
    EXPECT_EQ(draw(TextureFilter::linear), point);
}

TEST_F(GfxTest, AddressKinds) {
    // u runs from -1 to 2 across a 2-texel image (0 | 255): wrap repeats, clamp holds the edge
    // texels, mirror reflects.
    std::vector<uint8_t> img = {0, 0, 0, 255, 255, 255, 255, 255};
    Texture* rt = device.new_texture();
    ASSERT_TRUE(rt->create(12, 1, TextureFilter::point, TextureAddress::clamp));
    ASSERT_TRUE(device.set_target(rt));
    Shader* s = program("bw_oC0 = texture(bw_ps_s0, vec2(uv.x * 3.0 - 1.0, uv.y));");
    device.set_shader(s);
    auto draw = [&](TextureAddress address) {
        auto copy = img;
        Texture* t = image(2, 1, copy, TextureFilter::point, address);
        s->set_texture(0, t);
        device.draw_quad(-1, -1, 1, 1);
        std::vector<uint8_t> out;
        EXPECT_TRUE(device.read_texture(*rt, out));
        delete t;
        std::string red;
        for (int x = 0; x < 12; ++x) red += out[static_cast<size_t>(x) * 4] ? '1' : '0';
        return red;
    };
    EXPECT_EQ(draw(TextureAddress::wrap), "001100110011");
    EXPECT_EQ(draw(TextureAddress::clamp), "000000111111");
    EXPECT_EQ(draw(TextureAddress::mirror), "110000111100");
}

TEST_F(GfxTest, BlendModeOneIsSourceAlphaOver) {
    Shader* s = program(kConstantBody, {{"colour", 3, 0}});
    s->set_param("colour", 1.0f, 0.0f, 0.0f, 0.25f);
    device.set_shader(s);
    device.clear(0, 0, 1);
    device.set_blend(RenderDevice::Blend::alpha);
    device.draw_quad(-1, -1, 1, 1);
    auto rgba = read_target();
    EXPECT_NEAR(pixel(rgba, kWidth, 7, 7)[0], 64, 1);
    EXPECT_NEAR(pixel(rgba, kWidth, 7, 7)[2], 191, 1);
    device.set_blend(RenderDevice::Blend::off);
    device.draw_quad(-1, -1, 1, 1);
    rgba = read_target();
    EXPECT_EQ(pixel(rgba, kWidth, 7, 7)[0], 255);
    EXPECT_EQ(pixel(rgba, kWidth, 7, 7)[2], 0);
    EXPECT_NEAR(pixel(rgba, kWidth, 7, 7)[3], 64, 1);
}

TEST_F(GfxTest, TargetSwitching) {
    Texture* t = device.new_texture();
    EXPECT_FALSE(device.set_target(nullptr));
    EXPECT_FALSE(device.set_target(t));  // no surface yet
    EXPECT_EQ(device.target_width(), kWidth);
    ASSERT_TRUE(t->create(16, 8, TextureFilter::point, TextureAddress::clamp));
    ASSERT_TRUE(device.set_target(t));
    EXPECT_EQ(device.target_width(), 16);
    EXPECT_EQ(device.target_height(), 8);
    device.clear(0, 1, 0);
    ASSERT_EQ(device.restore_back_buffer(), gfx::platform::kOk);
    EXPECT_EQ(device.target_width(), kWidth);
    EXPECT_EQ(device.target_height(), kHeight);
    std::vector<uint8_t> out;
    ASSERT_TRUE(device.read_texture(*t, out));
    EXPECT_EQ(out, solid(16, 8, 0, 255, 0, 0));
}

TEST_F(GfxTest, CopyFromTarget) {
    const auto img = pattern(kWidth, kHeight, 5);
    Shader* s = program(kSampleBody);
    s->set_texture(0, image(kWidth, kHeight, img));
    device.set_shader(s);
    device.draw_quad(-1, -1, 1, 1);

    Texture* same = device.new_texture();
    ASSERT_TRUE(same->create(kWidth, kHeight, TextureFilter::point, TextureAddress::clamp));
    same->copy_from_target();
    std::vector<uint8_t> out;
    ASSERT_TRUE(device.read_texture(*same, out));
    EXPECT_EQ(out, img);

    // Half size: linear filtering gives the mean of each 2 x 2 block.
    Texture* half = device.new_texture();
    ASSERT_TRUE(half->create(kWidth / 2, kHeight / 2, TextureFilter::point, TextureAddress::clamp));
    half->copy_from_target();
    ASSERT_TRUE(device.read_texture(*half, out));
    for (int y = 0; y < kHeight / 2; y += 5) {
        for (int x = 0; x < kWidth / 2; x += 3) {
            for (int c = 0; c < 4; ++c) {
                const int sum = pixel(img, kWidth, 2 * x, 2 * y)[c] +
                                pixel(img, kWidth, 2 * x + 1, 2 * y)[c] +
                                pixel(img, kWidth, 2 * x, 2 * y + 1)[c] +
                                pixel(img, kWidth, 2 * x + 1, 2 * y + 1)[c];
                EXPECT_NEAR(pixel(out, kWidth / 2, x, y)[c], sum / 4.0, 1.0);
            }
        }
    }
    // Without a surface nothing happens.
    Texture* none = device.new_texture();
    none->copy_from_target();
    EXPECT_FALSE(none->holds_image());
}

// The quad's first triangle turns counter-clockwise on screen, a back face to Direct3D: culling
// counter-clockwise faces (Direct3D's default) removes it, culling clockwise ones keeps it.
TEST_F(GfxTest, CullingTakesWindingAsSeenOnScreen) {
    Shader* s = program(kConstantBody, {{"colour", 3, 0}});
    s->set_param("colour", 1.0f, 1.0f, 1.0f, 1.0f);
    device.set_shader(s);
    namespace p = gfx::platform;
    for (auto [mode, drawn] :
         {std::pair{p::CullMode::counter_clockwise, 0}, std::pair{p::CullMode::clockwise, 255}}) {
        device.clear(0, 0, 0);
        p::set_render_state(device.platform_device(), p::RenderState::cull_mode, mode);
        device.draw_quad(-1, -1, 1, 1);
        EXPECT_EQ(pixel(read_target(), kWidth, 10, 10)[0], drawn);
    }
}

}  // namespace
}  // namespace gfx_test
