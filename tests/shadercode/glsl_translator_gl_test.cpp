// Translated programs drawn on the GL driver (llvmpipe in CI) and read back against a CPU model
// of Direct3D 9 arithmetic.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "tests/shadercode/gl_harness.h"

namespace {

using gltest::DrawRequest;
using gltest::Image;
using gltest::Vec4;

constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

const char* const kVs3 =
    "vs_3_0\ndcl_position v0\ndcl_texcoord0 v1\ndcl_position o0\ndcl_texcoord0 o1\n"
    "mov o0, v0\nmov o1, v1\n";
const char* const kVs2 = "vs_2_0\ndcl_position v0\ndcl_texcoord0 v1\nmov oPos, v0\nmov oT0, v1\n";

// ---- CPU model of the Direct3D 9 results ----

float model_mul(float a, float b) {
    return (b == 0.0f ? 0.0f : a) * (a == 0.0f ? 0.0f : b);
}
float model_rcp(float x) {
    if (x == 1.0f) return 1.0f;
    if (x == 0.0f) return FLT_MAX;
    float r = 1.0f / x;
    return r > FLT_MAX ? FLT_MAX : r < -FLT_MAX ? -FLT_MAX : r;
}
float model_rsq(float x) {
    float a = std::fabs(x);
    if (a == 1.0f) return 1.0f;
    if (a == 0.0f) return FLT_MAX;
    return 1.0f / std::sqrt(a);
}
float model_log(float x) {
    float a = std::fabs(x);
    if (a == 0.0f) return -FLT_MAX;
    float r = std::log2(a);
    return r > FLT_MAX ? FLT_MAX : r;
}
float model_pow(float x, float y) {
    if (y == 0.0f) return 1.0f;
    return std::pow(std::fabs(x), y);
}
float model_min(float a, float b) {
    return a < b ? a : b;
}
float model_max(float a, float b) {
    return a >= b ? a : b;
}
float model_sat(float x) {
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

// ---- comparison ----

bool same(float got, float want, float tolerance) {
    if (std::isnan(want)) return std::isnan(got);
    if (tolerance == 0.0f || std::isinf(want)) return got == want;
    return std::fabs(got - want) <= tolerance * std::max(1.0f, std::fabs(want));
}

::testing::AssertionResult near4(const Vec4& got, const Vec4& want, float tolerance = 0.0f) {
    for (size_t i = 0; i < 4; ++i)
        if (!same(got[i], want[i], tolerance))
            return ::testing::AssertionFailure()
                   << "lane "
                   << "xyzw"[i] << ": got " << got[i] << ", want " << want[i] << " (got " << got[0]
                   << " " << got[1] << " " << got[2] << " " << got[3] << ")";
    return ::testing::AssertionSuccess();
}

// ---- drawing ----

class Gl : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        harness_ = gltest::GlHarness::instance(why);
        if (!harness_) {
            if (gltest::no_gpu_allowed()) GTEST_SKIP() << "no GL display: " << why;
            FAIL() << "no GL display (set BRUSHWRIGHT_ALLOW_NO_GPU to skip): " << why;
        }
    }

    bool draw(const DrawRequest& request, Image& image) {
        std::string error;
        bool ok = harness_->draw(request, image, error);
        EXPECT_TRUE(ok) << error;
        if (!ok) {  // a failed draw reads NaN everywhere
            image.width = request.width;
            image.height = request.height;
            image.rgba.assign(size_t(request.width) * size_t(request.height) * 4, kNaN);
        }
        return ok;
    }

    // Draws a 4x4 full-screen quad through `ps` (with the pass-through vertex shader of its
    // model) and returns pixel (1, 1).
    Vec4 pixel(const std::string& ps, const std::map<uint32_t, Vec4>& constants,
               bool validate = true) {
        DrawRequest request;
        request.validate = validate;
        request.vs = ps.rfind("ps_3_0", 0) == 0 ? kVs3 : kVs2;
        request.ps = ps;
        request.ps_constants = constants;
        return pixel_of(request);
    }
    Vec4 pixel_of(const DrawRequest& request) {
        Image image;
        return draw(request, image) ? image.at(1, 1) : Vec4{};
    }

    // Draws `vs` (which writes its result to oT0 or the o# declared texcoord0) and returns what
    // the pixel shader received.
    Vec4 vertex_result(const std::string& vs, const std::map<uint32_t, Vec4>& constants) {
        DrawRequest request;
        bool sm3 = vs.rfind("vs_3_0", 0) == 0;
        request.vs = vs;
        request.ps =
            sm3 ? "ps_3_0\ndcl_texcoord0 v0\nmov oC0, v0\n" : "ps_2_0\ndcl t0\nmov oC0, t0\n";
        request.vs_constants = constants;
        return pixel_of(request);
    }

    gltest::GlHarness* harness_ = nullptr;
};

// ---- arithmetic at the edges ----

TEST_F(Gl, MultiplyByZeroIsZeroInEveryMultiplyingInstruction) {
    std::map<uint32_t, Vec4> c = {{0, {0.0f, -0.0f, kInf, kNaN}},
                                  {1, {kInf, kNaN, 0.0f, 0.0f}},
                                  {2, {1.0f, 2.0f, 3.0f, 4.0f}}};
    EXPECT_TRUE(near4(pixel("ps_3_0\nmul oC0, c0, c1\n", c), {0, 0, 0, 0}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nmad oC0, c0, c1, c2\n", c), {1, 2, 3, 4}));
    // dp3/dp4: 0*inf + (-0)*NaN + inf*0 (+ NaN*0) = 0, broadcast.
    EXPECT_TRUE(near4(pixel("ps_3_0\ndp3 oC0, c0, c1\n", c), {0, 0, 0, 0}));
    EXPECT_TRUE(near4(pixel("ps_3_0\ndp4 oC0, c0, c1\n", c), {0, 0, 0, 0}));
    EXPECT_TRUE(near4(pixel("ps_2_0\ndp2add r0, c0, c1, c2.z\nmov oC0, r0\n", c), {3, 3, 3, 3}));
    // lrp: c0 * (c1 - c2) + c2 with c0 = 0 where c1 - c2 is inf or NaN.
    EXPECT_TRUE(near4(pixel("ps_3_0\nlrp oC0, c0, c1, c2\n", c), {1, 2, -kInf, kNaN}));
    // m3x2 rows c1, c2 against c0 = (0, -0, inf): lanes x, y only.
    std::map<uint32_t, Vec4> m = {{0, {0.0f, 2.0f, 0.0f, 9.0f}},
                                  {1, {kInf, 1.0f, kNaN, 5.0f}},
                                  {2, {3.0f, 0.5f, 7.0f, 5.0f}},
                                  {3, {kNaN, kNaN, kNaN, 1.0f}}};
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov r0, c3\nm3x2 r0.xy, c0, c1\nmov oC0, r0\n", m),
                      {2.0f, 1.0f, kNaN, 1.0f}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nm4x4 oC0, c0, c1\n", m),
                      {2 + model_mul(9, 5), 1 + model_mul(9, 5), kNaN, 0}));
    // crs and nrm multiply too.
    std::map<uint32_t, Vec4> v = {{0, {0.0f, 0.0f, 1.0f, 0.0f}}, {1, {kInf, 1.0f, 0.0f, 0.0f}}};
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov r0, c1\ncrs r0.xyz, c0, c1\nmov oC0, r0\n", v),
                      {-1.0f, kInf, 0.0f, 0.0f}));
    std::map<uint32_t, Vec4> z = {{0, {0.0f, 0.0f, 0.0f, 2.0f}}};
    EXPECT_TRUE(near4(pixel("ps_3_0\nnrm r0, c0\nmov oC0, r0\n", z), {0, 0, 0, kInf}));
}

TEST_F(Gl, ScalarInstructionsAtTheirEdges) {
    std::map<uint32_t, Vec4> c = {{0, {1.0f, 0.0f, -0.0f, kInf}}, {1, {2.0f, -4.0f, 3.0f, 0.5f}}};
    const char* four =
        "ps_3_0\n%s r0.x, c0.x\n%s r0.y, c0.y\n%s r0.z, c0.z\n%s r0.w, c0.w\nmov oC0, r0\n";
    const char* four_b =
        "ps_3_0\n%s r0.x, c1.x\n%s r0.y, c1.y\n%s r0.z, c1.z\n%s r0.w, c1.w\nmov oC0, r0\n";
    auto run = [&](const char* form, const char* op) {
        char text[256];
        std::snprintf(text, sizeof text, form, op, op, op, op);
        return pixel(text, c);
    };
    auto model = [&](float (*f)(float), uint32_t reg) {
        const Vec4& v = c[reg];
        return Vec4{f(v[0]), f(v[1]), f(v[2]), f(v[3])};
    };
    EXPECT_TRUE(near4(run(four, "rcp"), model(model_rcp, 0)));
    EXPECT_TRUE(near4(run(four_b, "rcp"), model(model_rcp, 1), 1.0f / (1 << 22)));
    EXPECT_TRUE(near4(run(four, "rsq"), model(model_rsq, 0)));
    EXPECT_TRUE(near4(run(four_b, "rsq"), model(model_rsq, 1), 1.0f / (1 << 22)));
    EXPECT_TRUE(near4(run(four, "log"), model(model_log, 0)));
    EXPECT_TRUE(near4(run(four_b, "log"), model(model_log, 1), 1.0f / (1 << 21)));
    auto exp2f_model = [](float x) { return std::exp2(x); };
    EXPECT_TRUE(near4(run(four_b, "exp"), model(+exp2f_model, 1), 1.0f / (1 << 21)));
    // A scalar source is broadcast to every lane of the mask.
    EXPECT_TRUE(near4(pixel("ps_3_0\nrcp oC0, c1.w\n", c), {2, 2, 2, 2}));
    // Without a replicate swizzle the x lane is used.
    EXPECT_TRUE(near4(pixel("ps_3_0\nrcp oC0, c1.wzyx\n", c, false), {2, 2, 2, 2}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nexp oC0, c1\n", c, false), {4, 4, 4, 4}, 1e-6f));

    // pow: |x|^y, x^0 = 1 (0^0 and NaN^0 included), 0^y > 0 = 0.
    std::map<uint32_t, Vec4> p = {{0, {-2.0f, 0.0f, kNaN, 0.0f}}, {1, {2.0f, 0.0f, 0.0f, 3.0f}}};
    EXPECT_TRUE(
        near4(pixel("ps_3_0\npow r0.x, c0.x, c1.x\npow r0.y, c0.y, c1.y\npow r0.z, c0.z, c1.z\n"
                    "pow r0.w, c0.w, c1.w\nmov oC0, r0\n",
                    p),
              {model_pow(-2, 2), 1, 1, 0}, 1.0f / (1 << 15)));

    // sincos: x = cos, y = sin; sm2 form with its two extra constants; z, w untouched.
    std::map<uint32_t, Vec4> s = {{0, {0.5f, 0, 0, 0}}, {1, {7, 7, 7, 7}}};
    Vec4 want{std::cos(0.5f), std::sin(0.5f), 7, 7};
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nmov r0, c1\nsincos r0.xy, c0.x\nmov oC0, r0\n", s), want, 1e-5f));
    EXPECT_TRUE(near4(pixel("ps_2_0\ndef c2, 1, 1, 1, 1\ndef c3, 1, 1, 1, 1\nmov r0, c1\n"
                            "sincos r0.xy, c0.x, c2, c3\nmov oC0, r0\n",
                            s),
                      want, 1e-5f));
}

TEST_F(Gl, ComparisonsSelectionsAndSaturate) {
    std::map<uint32_t, Vec4> c = {{0, {-0.0f, 0.0f, -1.0f, kNaN}},
                                  {1, {1, 1, 1, 1}},
                                  {2, {2, 2, 2, 2}},
                                  {3, {kNaN, 1.0f, -2.0f, 2.5f}},
                                  {4, {1.0f, kNaN, -2.0f, -1.0f}}};
    // cmp: src0 >= 0 picks src1 (-0 included), NaN picks src2.
    EXPECT_TRUE(near4(pixel("ps_3_0\ncmp oC0, c0, c1, c2\n", c), {1, 1, 2, 2}));
    // min/max as comparisons: NaN in either operand yields src1.
    auto lanes = [&](float (*f)(float, float)) {
        Vec4 r;
        for (size_t i = 0; i < 4; ++i) r[i] = f(c[3][i], c[4][i]);
        return r;
    };
    EXPECT_TRUE(near4(pixel("ps_3_0\nmin oC0, c3, c4\n", c), lanes(model_min)));
    EXPECT_TRUE(near4(pixel("ps_3_0\nmax oC0, c3, c4\n", c), lanes(model_max)));
    // Saturate maps NaN to 0.
    std::map<uint32_t, Vec4> s = {{0, {kNaN, -1.0f, 2.0f, 0.5f}}};
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov_sat oC0, c0\n", s),
                      {0, model_sat(-1), model_sat(2), model_sat(0.5f)}));
    // frc: x - floor(x); abs.
    std::map<uint32_t, Vec4> f = {{0, {1.25f, -1.25f, 3.0f, -0.5f}}};
    EXPECT_TRUE(near4(pixel("ps_3_0\nfrc oC0, c0\n", f), {0.25f, 0.75f, 0.0f, 0.5f}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nabs oC0, c0\n", f), {1.25f, 1.25f, 3.0f, 0.5f}));
}

TEST_F(Gl, SwizzlesMasksModifiersAndAliasing) {
    std::map<uint32_t, Vec4> c = {{0, {1, 2, 3, 4}}, {1, {-5, 6, -7, 8}}};
    // Source lanes are taken at the positions of the write mask.
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nmov r0, c1\nmov r0.xw, c0.zyxw\nmov oC0, r0\n", c), {3, 6, -7, 4}));
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nmov r0, c1\nmov r0.yz, c0.x\nmov oC0, r0\n", c), {-5, 1, 1, 8}));
    // Sources that alias the destination read the old value.
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nmov r0, c0\nmul r0, r0.yzwx, r0\nmov oC0, r0\n", c), {2, 6, 12, 4}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov r0, c0\nadd r0.yz, r0.zzxw, -r0\nmov oC0, r0\n", c),
                      {1, 1, -2, 4}));
    // Negate, abs and negated abs (ps_3_0).
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov oC0, -c1\n", c), {5, -6, 7, -8}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov oC0, c1_abs\n", c), {5, 6, 7, 8}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov oC0, -c1_abs\n", c), {-5, -6, -7, -8}));
    // Registers and outputs start at zero.
    EXPECT_TRUE(near4(pixel("ps_3_0\nadd oC0.xy, r7, c0\n", c), {1, 2, 0, 0}));
    // def is bit-exact: inf, NaN, -0 and a value no decimal text round-trips.
    Vec4 d = pixel("ps_3_0\ndef c5, 0x7f800000, 0x7fc00000, 0x80000000, 0x3f8ccccd\nmov oC0, c5\n",
                   {{5, {9, 9, 9, 9}}});
    uint32_t bits[4];
    std::memcpy(bits, d.data(), sizeof bits);
    EXPECT_EQ(bits[0], 0x7f800000u);
    EXPECT_TRUE(std::isnan(d[1]));
    EXPECT_EQ(bits[2], 0x80000000u);
    EXPECT_EQ(bits[3], 0x3f8ccccdu);
}

TEST_F(Gl, MatrixMacrosAndRemainingForms) {
    std::map<uint32_t, Vec4> c = {{0, {1, 2, 3, 4}}, {1, {1, 0, 0, 0}}, {2, {0, 1, 0, 0}},
                                  {3, {0, 0, 1, 0}}, {4, {1, 1, 1, 1}}, {5, {9, 9, 9, 9}}};
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nmov r0, c5\nm4x3 r0.xyz, c0, c1\nmov oC0, r0\n", c), {1, 2, 3, 9}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nm3x4 oC0, c0, c1\n", c), {1, 2, 3, 6}));
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nmov r0, c5\nm3x3 r0.xyz, c0, c1\nmov oC0, r0\n", c), {1, 2, 3, 9}));
    EXPECT_TRUE(near4(pixel("ps_2_0\nsub r0, c0, c4\nmov oC0, r0\n", c), {0, 1, 2, 3}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nif !b0\nmov oC0, c0\nendif\n", c), {1, 2, 3, 4}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nsetp_gt p0, c1, c4\ncallnz l0, !p0.x\nmov oC0, r0\nret\n"
                            "label l0\nmov r0, c5\nret\n",
                            c),
                      {9, 9, 9, 9}));
}

// Vertex-only instructions, results passed to the pixel shader through TEXCOORD0.
TEST_F(Gl, VertexInstructions) {
    std::map<uint32_t, Vec4> c = {{0, {1.0f, kNaN, 2.0f, 0.0f}},   {1, {2.0f, 1.0f, 2.0f, kNaN}},
                                  {2, {-3.0f, 0.0f, 5.0f, -0.0f}}, {3, {0.5f, 0.5f, 0.0f, 2.0f}},
                                  {4, {-1.0f, 0.5f, 0.0f, 2.0f}},  {5, {9.0f, 2.0f, 3.0f, 9.0f}},
                                  {6, {9.0f, 4.0f, 9.0f, 5.0f}},   {7, {3.0f, 0.25f, 0.0f, 0.0f}}};
    const std::string head = "vs_2_0\ndcl_position v0\nmov oPos, v0\n";
    EXPECT_TRUE(near4(vertex_result(head + "slt oT0, c0, c1\n", c), {1, 0, 0, 0}));
    EXPECT_TRUE(near4(vertex_result(head + "sge oT0, c0, c1\n", c), {0, 0, 1, 0}));
    EXPECT_TRUE(near4(vertex_result(head + "sgn oT0, c2, r1, r2\n", c), {-1, 0, 1, 0}));
    EXPECT_TRUE(near4(vertex_result(head + "lit oT0, c3\n", c), {1, 0.5f, 0.25f, 1}, 1e-4f));
    EXPECT_TRUE(near4(vertex_result(head + "lit oT0, c4\n", c), {1, 0, 0, 1}));
    EXPECT_TRUE(near4(vertex_result(head + "dst oT0, c5, c6\n", c), {1, 8, 3, 5}));
    EXPECT_TRUE(near4(vertex_result(head + "expp oT0, c7.x\n", c), {8, 8, 8, 8}, 1e-3f));
    EXPECT_TRUE(near4(vertex_result(head + "logp oT0, c7.y\n", c), {-2, -2, -2, -2}, 1e-3f));
    // Colours of vs_2_x are saturated on the way out.
    DrawRequest request;
    request.vs = head + "mov oD0, c2\n";
    request.ps = "ps_2_0\ndcl v0\nmov oC0, v0\n";
    request.vs_constants = c;
    Image image;
    draw(request, image);
    EXPECT_TRUE(near4(image.at(2, 2), {0, 0, 1, 0}));
    // oD0 starts white: lanes a program does not write reach the pixel shader as 1.
    request.vs = head + "mov oD0.x, c3.x\n";
    draw(request, image);
    EXPECT_TRUE(near4(image.at(2, 2), {0.5f, 1, 1, 1}));
}

// ---- relative addressing ----

TEST_F(Gl, MovaRoundsAndRelativeReadsAreBoundsChecked) {
    std::map<uint32_t, Vec4> c;
    for (uint32_t n = 10; n < 30; ++n) c[n] = {float(n), 0, 0, 1};
    c[20] = {-20, -20, -20, -20};  // overridden by the def below
    auto via = [&](float a, int offset) {
        c[0] = {a, 0, 0, 0};
        std::string vs =
            "vs_2_0\ndcl_position v0\ndef c20, 5, 6, 7, 8\nmov oPos, v0\n"
            "mova a0.x, c0.x\nmov oT0, c[a0.x + " +
            std::to_string(offset) + "]\n";
        return vertex_result(vs, c);
    };
    // Round to nearest, halves away from zero.
    EXPECT_EQ(via(1.5f, 10)[0], 12.0f);
    EXPECT_EQ(via(-1.5f, 14)[0], 12.0f);
    EXPECT_EQ(via(0.49f, 10)[0], 10.0f);
    EXPECT_EQ(via(2.5f, 10)[0], 13.0f);
    EXPECT_EQ(via(-0.4f, 11)[0], 11.0f);
    // A def is seen through relative reads too.
    EXPECT_TRUE(near4(via(1.0f, 19), {5, 6, 7, 8}));
    // Out of range (past 255 or below 0) reads zero.
    EXPECT_TRUE(near4(via(300.0f, 0), {0, 0, 0, 0}));
    EXPECT_TRUE(near4(via(-20.0f, 10), {0, 0, 0, 0}));
    via(kNaN, 10);  // any slot or zero, but a safe read
}

// ---- flow control and predication ----

TEST_F(Gl, RepAndLoopCountsAndLoopRegister) {
    std::map<uint32_t, Vec4> c = {{0, {1, 1, 1, 1}}};
    auto rep = [&](int count) {
        return pixel("ps_3_0\ndefi i0, " + std::to_string(count) +
                         ", 0, 0, 0\nrep i0\nadd r0, r0, c0\nendrep\nmov oC0, r0\n",
                     c)[0];
    };
    EXPECT_EQ(rep(5), 5.0f);
    EXPECT_EQ(rep(0), 0.0f);
    EXPECT_EQ(rep(300), 255.0f);  // counts are clamped to 255
    EXPECT_EQ(rep(-1), 0.0f);
    // An undefined i# reads zero: no iteration.
    EXPECT_EQ(pixel("ps_3_0\nrep i3\nadd r0, r0, c0\nendrep\nmov oC0, r0\n", c)[0], 0.0f);

    // loop aL, i#: start i.y, step i.z, i.x iterations; c[aL + n] inside (vertex stage).
    std::map<uint32_t, Vec4> k;
    for (uint32_t n = 0; n < 40; ++n) k[n] = {float(1u << (n % 20)), 0, 0, 0};
    const std::string head =
        "vs_3_0\ndcl_position v0\ndcl_position o0\ndcl_texcoord0 o1\n"
        "mov o0, v0\n";
    Vec4 sum = vertex_result(
        head + "defi i0, 3, 2, 4, 0\nloop aL, i0\nadd r0, r0, c[aL + 1]\nendloop\nmov o1, r0\n", k);
    EXPECT_EQ(sum[0], float((1 << 3) + (1 << 7) + (1 << 11)));
    // Nested loops: the inner loop restores the outer aL.
    Vec4 nested = vertex_result(
        head +
            "defi i0, 2, 0, 1, 0\ndefi i1, 2, 10, 5, 0\nloop aL, i0\nloop aL, i1\n"
            "add r0, r0, c[aL]\nendloop\nadd r0, r0, c[aL + 4]\nendloop\nmov o1, r0\n",
        k);
    EXPECT_EQ(nested[0], float(2 * ((1 << 10) + (1 << 15)) + (1 << 4) + (1 << 5)));
    // An out-of-range c[aL + n] reads zero; aL is restored after the loop.
    k[251] = {100, 0, 0, 0};
    Vec4 outside =
        vertex_result(head +
                          "defi i0, 2, 250, 10, 0\nloop aL, i0\nadd r0, r0, c[aL + 1]\nendloop\n"
                          "add o1, r0, c[aL + 3]\n",
                      k);
    EXPECT_EQ(outside[0], 100.0f + 8.0f);
}

TEST_F(Gl, BreaksBranchesCallsAndPredicates) {
    std::map<uint32_t, Vec4> c = {{0, {1, 1, 1, 1}}, {1, {3, 3, 3, 3}}, {2, {-1, 2, -3, 4}}};
    const std::string loop10 = "ps_3_0\ndefi i0, 10, 0, 0, 0\nrep i0\nadd r0, r0, c0\n";
    EXPECT_EQ(pixel(loop10 + "break_ge r0.x, c1.x\nendrep\nmov oC0, r0\n", c)[0], 3.0f);
    EXPECT_EQ(pixel(loop10 + "if_ge r0.x, c1.x\nbreak\nendif\nendrep\nmov oC0, r0\n", c)[0], 3.0f);
    EXPECT_EQ(pixel(loop10 + "setp_ge p0, r0, c1\nbreakp p0.y\nendrep\nmov oC0, r0\n", c)[0], 3.0f);
    EXPECT_EQ(pixel(loop10 + "setp_lt p0, r0, c1\nbreakp !p0.x\nendrep\nmov oC0, r0\n", c)[0],
              3.0f);
    // if b# / else with defb; bools never set read false.
    EXPECT_TRUE(near4(pixel("ps_3_0\ndefb b1, true\nif b1\nmov oC0, c0\nelse\nmov oC0, c1\n"
                            "endif\n",
                            c),
                      {1, 1, 1, 1}));
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nif b2\nmov oC0, c0\nelse\nmov oC0, c1\nendif\n", c), {3, 3, 3, 3}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nif_lt c2.x, c0.x\nmov oC0, c1\nendif\n", c), {3, 3, 3, 3}));
    // call / callnz / ret over global registers.
    EXPECT_TRUE(near4(pixel("ps_3_0\ndefb b0, true\ncall l1\ncallnz l2, b0\ncallnz l2, b3\n"
                            "mov oC0, r0\nret\nlabel l1\nadd r0, r0, c1\nret\nlabel l2\n"
                            "add r0, r0, c0\nret\n",
                            c),
                      {4, 4, 4, 4}));
    // Predicated store: only lanes whose swizzled predicate holds.
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov r0, c1\nsetp_gt p0, c2, c0\n(p0) mov r0, c0\n"
                            "mov oC0, r0\n",
                            c),
                      {3, 1, 3, 1}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov r0, c1\nsetp_gt p0, c2, c0\n(!p0.w) mov r0, c0\n"
                            "mov oC0, r0\n",
                            c),
                      {3, 3, 3, 3}));
    EXPECT_TRUE(near4(pixel("ps_3_0\nmov r0, c1\nsetp_gt p0, c2, c0\n(p0.yxzw) add r0, r0, c0\n"
                            "mov oC0, r0\n",
                            c),
                      {4, 3, 3, 4}));
    // if p0.x and callnz on a predicate.
    EXPECT_TRUE(
        near4(pixel("ps_3_0\nsetp_gt p0, c2, c0\nif p0.y\nmov oC0, c1\nendif\n", c), {3, 3, 3, 3}));
}

TEST_F(Gl, TexkillTestsEveryLaneOfTheMask) {
    DrawRequest request;
    request.vs = kVs3;
    request.ps = "ps_3_0\nmov r0, c0\ntexkill r0\nmov oC0, c1\n";
    request.ps_constants = {{0, {1, 1, 1, -1}}, {1, {5, 5, 5, 5}}};
    EXPECT_TRUE(near4(pixel_of(request), request.clear));
    request.ps_constants[0] = {0, -0.0f, 1, 2};
    EXPECT_TRUE(near4(pixel_of(request), {5, 5, 5, 5}));
    request.ps = "ps_3_0\nmov r0, c0\ntexkill r0.xyz\nmov oC0, c1\n";
    request.ps_constants[0] = {1, 1, 1, -1};
    EXPECT_TRUE(near4(pixel_of(request), {5, 5, 5, 5}));
}

// ---- texture fetch forms ----

std::vector<float> solid(int texels, Vec4 colour) {
    // Pushed one float at a time: inserting the array's range makes GCC 12 at -O3 warn of an
    // overflow that cannot happen (-Wstringop-overflow).
    std::vector<float> v;
    v.reserve(static_cast<size_t>(texels) * colour.size());
    for (int i = 0; i < texels; ++i)
        for (const float c : colour) v.push_back(c);
    return v;
}

TEST_F(Gl, TextureFetchForms) {
    const Vec4 red{1, 0, 0, 1}, green{0, 1, 0, 1}, blue{0, 0, 1, 1};
    gltest::TextureData four;  // 2x2, texels (0,0) (1,0) / (0,1) (1,1), row 0 first in memory
    four.width = four.height = 2;
    four.levels = {{1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 1, 1}};
    std::map<uint32_t, Vec4> c = {{0, {0.25f, 0.75f, 0.0f, 1.0f}},
                                  {1, {0.5f, 1.5f, 0.0f, 2.0f}},
                                  {2, {0.75f, 0.25f, 0.0f, 1.0f}}};
    auto fetch = [&](const std::string& ps, const std::vector<gltest::TextureData>& textures) {
        DrawRequest request;
        request.vs = ps.rfind("ps_3_0", 0) == 0 ? kVs3 : kVs2;
        request.ps = ps;
        request.ps_constants = c;
        request.textures = textures;
        request.width = request.height = 8;
        Image image;
        if (!draw(request, image)) return Vec4{};
        return image.at(3, 3);
    };
    EXPECT_TRUE(near4(
        fetch("ps_2_0\ndcl_2d s0\nmov r1, c0\ntexld r0, r1, s0\nmov oC0, r0\n", {four}), blue));
    EXPECT_TRUE(near4(
        fetch("ps_2_0\ndcl_2d s0\nmov r1, c1\ntexldp r0, r1, s0\nmov oC0, r0\n", {four}), blue));
    // Sampler swizzle (ps_3_0) applies to the fetched value; mask trims it.
    EXPECT_TRUE(near4(fetch("ps_3_0\ndcl_2d s0\nmov r0, c1\ntexld r0.xy, c2, s0.zxyw\n"
                            "mov oC0, r0\n",
                            {four}),
                      {0, 0, 0, 2}));

    // Mip levels: level 0 red, 1 green, 2 blue, on an 8x8 target with texcoords across it.
    gltest::TextureData mips;
    mips.width = mips.height = 8;
    mips.mipmapped = true;
    mips.levels = {solid(64, red), solid(16, green), solid(4, blue)};
    EXPECT_TRUE(
        near4(fetch("ps_2_0\ndcl t0\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n", {mips}), red));
    c[3] = {1.0f, 2.0f, 0.0f, 0.0f};
    EXPECT_TRUE(near4(fetch("ps_2_0\ndcl t0\ndcl_2d s0\nmov r1, t0\nmov r1.w, c3.x\n"
                            "texldb r0, r1, s0\nmov oC0, r0\n",
                            {mips}),
                      green));
    EXPECT_TRUE(near4(fetch("ps_3_0\ndcl_texcoord0 v0\ndcl_2d s0\nmov r1, c0\nmov r1.w, c3.y\n"
                            "texldl r0, r1, s0\nmov oC0, r0\n",
                            {mips}),
                      blue));
    c[4] = {0.25f, 0.0f, 0.0f, 0.0f};
    c[5] = {0.0f, 0.25f, 0.0f, 0.0f};
    EXPECT_TRUE(near4(fetch("ps_3_0\ndcl_texcoord0 v0\ndcl_2d s0\ntexldd r0, v0, s0, c4, c5\n"
                            "mov oC0, r0\n",
                            {mips}),
                      green));

    // Cube: faces +X,-X,+Y,-Y,+Z,-Z of one texel each.
    gltest::TextureData cube;
    cube.kind = gltest::TextureKind::cube;
    for (int face = 0; face < 6; ++face) cube.levels.push_back({float(face), 0, 0, 1});
    c[6] = {1.0f, 0.1f, 0.2f, 1.0f};
    c[7] = {-0.1f, -1.0f, 0.2f, 1.0f};
    EXPECT_TRUE(
        near4(fetch("ps_2_0\ndcl_cube s0\nmov r1, c6\ntexld r0, r1, s0\nmov oC0, r0\n", {cube}),
              {0, 0, 0, 1}));
    EXPECT_TRUE(
        near4(fetch("ps_2_0\ndcl_cube s0\nmov r1, c7\ntexld r0, r1, s0\nmov oC0, r0\n", {cube}),
              {3, 0, 0, 1}));
    // Volume: two slices.
    gltest::TextureData volume;
    volume.kind = gltest::TextureKind::volume;
    volume.depth = 2;
    volume.levels = {{1, 0, 0, 1, 0, 0, 1, 1}};
    c[8] = {0.5f, 0.5f, 0.75f, 1.0f};
    EXPECT_TRUE(
        near4(fetch("ps_2_0\ndcl_volume s0\nmov r1, c8\ntexld r0, r1, s0\nmov oC0, r0\n", {volume}),
              blue));
    // A second sampler register on its own unit.
    gltest::TextureData other = four;
    other.unit = 3;
    other.levels = {solid(4, green)};
    EXPECT_TRUE(near4(fetch("ps_2_0\ndcl_2d s0\ndcl_2d s3\nmov r1, c0\ntexld r0, r1, s3\n"
                            "mov oC0, r0\n",
                            {four, other}),
                      green));
}

TEST_F(Gl, VertexTextureFetch) {
    gltest::TextureData t;
    t.unit = 16 + 1;  // vertex sampler s1
    t.width = t.height = 2;
    t.levels = {solid(4, {0.5f, 0.25f, 2.0f, 1.0f}), solid(1, {3, 3, 3, 3})};
    t.mipmapped = true;
    DrawRequest request;
    request.textures = {t};
    request.vs =
        "vs_3_0\ndcl_position v0\ndcl_2d s1\ndcl_position o0\ndcl_texcoord0 o1\nmov o0, v0\n"
        "texldl r0, c0, s1\nmov o1, r0\n";
    request.ps = "ps_3_0\ndcl_texcoord0 v0\nmov oC0, v0\n";
    request.vs_constants = {{0, {0.5f, 0.5f, 0.0f, 1.0f}}};
    EXPECT_TRUE(near4(pixel_of(request), {3, 3, 3, 3}));
}

TEST_F(Gl, RelativeOutputWritesAreBoundsChecked) {
    std::map<uint32_t, Vec4> c = {{5, {1, 2, 3, 4}}, {6, {5, 6, 7, 8}}, {7, {9, 9, 9, 9}}};
    DrawRequest request;
    request.vs =
        "vs_3_0\ndcl_position v0\ndcl_position o0\ndcl_texcoord0 o1\ndcl_texcoord1 o2\n"
        "defi i0, 2, 0, 1, 0\ndefi i1, 2, 30, 1000, 0\nmov o0, v0\nloop aL, i0\n"
        "mov o[aL + 1], c[aL + 5]\nendloop\nloop aL, i1\nmov o[aL + 1], c7\nendloop\n";
    request.ps = "ps_3_0\ndcl_texcoord1 v3\ndcl_texcoord0 v1\nmad oC0, v3, c0, v1\n";
    request.vs_constants = c;
    request.ps_constants = {{0, {10, 10, 10, 10}}};
    EXPECT_TRUE(near4(pixel_of(request), {51, 62, 73, 84}));
}

// The 2_x models: predicates and dynamic flow in both stages, derivatives in ps_2_x.
TEST_F(Gl, Models2xTakePredicatesAndDynamicFlow) {
    DrawRequest request;
    request.vs =
        "vs_2_x\ndcl_position v0\ndcl_texcoord0 v1\ndefi i0, 10, 0, 0, 0\nmov oPos, v0\n"
        "setp_gt p0, c0, c1\nmov r0, c3\n(p0) mov r0, c2\nrep i0\nadd r1, r1, c4\n"
        "break_ge r1.x, c5.x\nendrep\nadd oT0, r0, r1\nmov oT1, v1\n";
    request.ps =
        "ps_2_x\ndcl t0\ndcl t1\nsetp_lt p0, t0, c0\nmov r0, t0\n(!p0) mov r0, c1\n"
        "dsx r1, t1\ndsy r2, t1\nmad r0, r1.x, c2, r0\nmad oC0, r2.y, c3, r0\n";
    request.width = request.height = 8;
    request.vs_constants = {{0, {1, 0, 1, 0}},     {1, {0, 0, 0, 0}}, {2, {1, 2, 3, 4}},
                            {3, {-1, -2, -3, -4}}, {4, {1, 1, 1, 1}}, {5, {3, 3, 3, 3}}};
    // oT0 = (1, -2, 3, -4) + 3 = (4, 1, 6, -1); lanes < 2.5 are kept, the others become 7.
    request.ps_constants = {
        {0, {2.5f, 2.5f, 2.5f, 2.5f}}, {1, {7, 7, 7, 7}}, {2, {8, 0, 0, 0}}, {3, {0, 16, 0, 0}}};
    Image image;
    draw(request, image);
    // dsx of u and dsy of v are 1/8 on an 8x8 target: + (1, 0, 0, 0) + (0, 2, 0, 0).
    EXPECT_TRUE(near4(image.at(3, 3), {8, 3, 7, -1}, 1e-5f));
}

// ---- pixel coordinates, faces and derivatives in Direct3D's orientation ----

TEST_F(Gl, VposCountsFromTheTopLeftPixel) {
    DrawRequest request;
    request.vs = kVs3;
    request.ps = "ps_3_0\ndcl vPos.xy\nmov oC0.xy, vPos\n";
    request.width = 8;
    request.height = 6;
    Image image;
    if (!draw(request, image)) return;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_TRUE(near4(image.at(x, y), {float(x), float(y), 0, 0})) << x << "," << y;
}

TEST_F(Gl, VfaceIsPositiveForClockwiseTriangles) {
    DrawRequest request;
    request.vs = kVs3;
    request.ps = "ps_3_0\ndcl vFace\ncmp oC0, vFace, c0, c1\n";
    request.ps_constants = {{0, {1, 1, 1, 1}}, {1, {-1, -1, -1, -1}}};
    EXPECT_TRUE(near4(pixel_of(request), {1, 1, 1, 1}));
    // The same quad wound the other way (top-left, bottom-left, top-right, bottom-right).
    request.strip = {{-1, 1, 0, 0}, {-1, -1, 0, 1}, {1, 1, 1, 0}, {1, -1, 1, 1}};
    EXPECT_TRUE(near4(pixel_of(request), {-1, -1, -1, -1}));
}

TEST_F(Gl, DerivativesGrowRightAndDown) {
    DrawRequest request;
    request.vs = kVs3;
    request.width = request.height = 8;
    request.ps =
        "ps_3_0\ndcl vPos.xy\ndcl_texcoord0 v0\ndsx r0, vPos\ndsy r1, v0\n"
        "mov oC0.xy, r0\nmov oC0.zw, r1.xxxy\n";
    Image image;
    draw(request, image);
    EXPECT_TRUE(near4(image.at(2, 5), {1, 0, 0, 0.125f}, 1e-5f));
    request.ps = "ps_3_0\ndcl vPos.xy\ndsy oC0, vPos\n";
    draw(request, image);
    EXPECT_TRUE(near4(image.at(5, 2), {0, 1, 0, 0}));
}

TEST_F(Gl, PositionFixupMatchesDirect3DPixelCoverage) {
    DrawRequest request;
    request.vs = kVs3;
    request.ps = "ps_3_0\nmov oC0, c0\n";
    request.ps_constants = {{0, {1, 1, 1, 1}}};
    request.width = request.height = 8;
    // Top-left quadrant in clip space (y up): pixels 0..3 in x and rows 0..3 (top) exactly.
    request.strip = {{-1, 1, 0, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 0}};
    Image image;
    if (!draw(request, image)) return;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(image.at(x, y)[0], x < 4 && y < 4 ? 1.0f : -7.0f) << x << "," << y;
    // Edges through pixel centres: x from -1 to -0.75 covers column 0 only (its right edge
    // lies on the centre of column 1); likewise rows.
    request.strip = {{-1, 1, 0, 0}, {-0.75f, 1, 0, 0}, {-1, 0.75f, 0, 0}, {-0.75f, 0.75f, 0, 0}};
    if (!draw(request, image)) return;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(image.at(x, y)[0], x == 0 && y == 0 ? 1.0f : -7.0f) << x << "," << y;
}

// ---- linking by semantic ----

TEST_F(Gl, VaryingsLinkByUsageAndIndexAndPackByMask) {
    DrawRequest request;
    request.vs =
        "vs_3_0\ndcl_position v0\ndcl_position o3\ndcl_texcoord2 o0.xy\ndcl_texcoord5 o0.zw\n"
        "dcl_color1 o5\nmov o3, v0\nmov o0, c0\nmov o5, c1\n";
    request.ps =
        "ps_3_0\ndcl_color1 v0\ndcl_texcoord5 v1.zw\ndcl_texcoord2 v1.xy\ndcl_texcoord7 v2\n"
        "add r0, v0, v1\nadd oC0, r0, v2\n";
    request.vs_constants = {{0, {1, 2, 3, 4}}, {1, {10, 20, 30, 40}}};
    request.validate = false;  // one register packing two semantics
    // texcoord7 is never written by the vertex shader: it reads zero.
    EXPECT_TRUE(near4(pixel_of(request), {11, 22, 33, 44}));

    // ps_3_0 inputs indexed by aL: out-of-range slots read zero.
    request.ps =
        "ps_3_0\ndcl_color1 v0\ndcl_texcoord2 v1\ndefi i0, 3, 0, 1, 0\nloop aL, i0\n"
        "add r0, r0, v[aL]\nendloop\nmov oC0, r0\n";
    request.vs =
        "vs_3_0\ndcl_position v0\ndcl_position o3\ndcl_texcoord2 o0\ndcl_color1 o5\n"
        "mov o3, v0\nmov o0, c0\nmov o5, c1\n";
    EXPECT_TRUE(near4(pixel_of(request), {11, 22, 33, 45}));
}

}  // namespace
