// The translator's refusals and the names, locations and bindings the GL device relies on.
#include "shadercode/glsl_translator.h"

#include <gtest/gtest.h>

#include "shadercode/assembler.h"
#include "shadercode/glsl_emitters.h"

namespace shadercode {
namespace {

std::vector<uint32_t> assemble(const std::string& text, bool validate = true) {
    std::vector<uint32_t> tokens;
    std::string error;
    AssembleOptions options;
    options.validate = validate;
    EXPECT_TRUE(assemble_shader(text, options, tokens, error)) << error << "\n" << text;
    return tokens;
}

const char* const kVs = "vs_2_0\ndcl_position v0\nmov oPos, v0\n";
const char* const kPs = "ps_2_0\nmov oC0, c0\n";

// Translates and expects a refusal whose one-line message contains `needle`.
void expect_refused(const std::vector<uint32_t>& vs, const std::vector<uint32_t>& ps,
                    const std::string& needle) {
    GlslProgram out;
    out.vertex_source = "stale";
    std::string error;
    EXPECT_FALSE(translate_program(vs, ps, out, error));
    EXPECT_NE(error.find(needle), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_TRUE(out.vertex_source.empty() && out.fragment_source.empty());
}

TEST(GlslTranslator, RefusesBrokenOrForeignTokenStreams) {
    std::vector<uint32_t> vs = assemble(kVs), ps = assemble(kPs);
    expect_refused({}, ps, "vertex shader");
    expect_refused(vs, {}, "pixel shader");
    expect_refused(ps, ps, "vertex shader");  // a pixel stream in the vertex slot
    expect_refused(vs, vs, "pixel shader");
    // Truncated: no end token.
    std::vector<uint32_t> cut(ps.begin(), ps.end() - 1);
    expect_refused(vs, cut, "pixel shader");
    // A ps_1_x instruction (texbem, opcode 67) in a ps_2_0 stream names its token.
    std::vector<uint32_t> bem = ps;
    bem.insert(bem.begin() + 1, {0x03000043u, 0x800F0000u, 0xB0E40000u});
    expect_refused(vs, bem, "unsupported instruction 'texbem' at token 1 of the pixel shader");
    // ps_1_1 is not a model the translator takes.
    expect_refused(vs, {0xFFFF0101u, 0x0000FFFFu}, "pixel shader");
}

TEST(GlslTranslator, RefusesFlowThatGlslCannotExpress) {
    std::vector<uint32_t> vs = assemble(kVs);
    // Recursion (direct and through another label).
    expect_refused(vs,
                   assemble("ps_3_0\ncall l0\nmov oC0, r0\nret\nlabel l0\ncall l0\nret\n", false),
                   "recursive call of label l0");
    expect_refused(vs,
                   assemble("ps_3_0\ncall l1\nret\nlabel l1\ncall l2\nret\nlabel l2\ncall l1\n"
                            "ret\n",
                            false),
                   "recursive call");
    expect_refused(vs, assemble("ps_3_0\ncall l4\nmov oC0, r0\n", false), "undefined label l4");
    expect_refused(vs, assemble("ps_3_0\nbreak\nmov oC0, r0\n", false), "break outside a loop");
    expect_refused(vs, assemble("ps_3_0\nif b0\nmov oC0, r0\n", false), "unclosed");
    expect_refused(vs, assemble("ps_3_0\nmov oC0, r0\nendif\n", false), "endif without if");
    expect_refused(vs, assemble("ps_3_0\ndefi i0, 1, 0, 0, 0\nrep i0\nendloop\n", false),
                   "endloop without loop");
    expect_refused(assemble("vs_2_0\nmov a0.x, c0.x\nmov oPos, c[a0.x]\n", false), assemble(kPs),
                   "a0 is written by mova only");
    expect_refused(vs, assemble("ps_3_0\ndefi i0, 1, 0, 0, 0\nrep i0\nlabel l0\nendrep\n", false),
                   "unclosed");
    // The message names the instruction and its token offset.
    expect_refused(vs, assemble("ps_3_0\nmov r0, c0\nbreak\nmov oC0, r0\n", false),
                   "'break' at token 4 of the pixel shader");
}

// Deep nesting (which only a program made without validation has) costs text in proportion
// to its length, not to the square of its depth.
TEST(GlslTranslator, DeepNestingTranslatesInLinearSpace) {
    const int depth = 3000;
    std::string text = "ps_3_0\n";
    for (int i = 0; i < depth; ++i) text += "if b0\n";
    text += "mov r0, c0\n";
    for (int i = 0; i < depth; ++i) text += "endif\n";
    GlslProgram out;
    std::string error;
    ASSERT_TRUE(
        translate_program(assemble(kVs), assemble(text + "mov oC0, r0\n", false), out, error))
        << error;
    EXPECT_LT(out.fragment_source.size(), size_t(depth) * 200);
}

TEST(GlslTranslator, NamesLocationsAndBindingsFollowTheDeviceConventions) {
    EXPECT_EQ(attribute_location(kUsagePosition, 0), 0);
    EXPECT_EQ(attribute_location(kUsageTexCoord, 0), 1);
    EXPECT_EQ(attribute_location(kUsageTexCoord, 7), 8);
    EXPECT_EQ(attribute_location(kUsageColor, 0), 9);
    EXPECT_EQ(attribute_location(kUsageColor, 1), 10);
    EXPECT_EQ(attribute_location(kUsageNormal, 0), 11);
    EXPECT_EQ(attribute_location(kUsagePosition, 1), -1);
    EXPECT_EQ(attribute_location(kUsageTexCoord, 8), -1);
    EXPECT_EQ(attribute_location(kUsageTangent, 0), -1);

    std::vector<uint32_t> vs = assemble(
        "vs_3_0\ndcl_position v0\ndcl_texcoord0 v1\ndcl_color1 v2\ndcl_2d s1\n"
        "dcl_position o0\ndcl_texcoord0 o1\nmov o0, v0\ntexldl r0, v1, s1\nadd o1, r0, v2\n");
    std::vector<uint32_t> ps = assemble(
        "ps_3_0\ndcl_texcoord0_centroid v0\ndcl vPos.xy\ndcl_2d s0\ndcl_cube s2\n"
        "texld r0, v0, s0\ntexld r1, v0, s2\nadd oC0, r0, r1\nmov oC1, vPos\n"
        "mov oDepth, c0.x\n");
    GlslProgram out;
    std::string error;
    ASSERT_TRUE(translate_program(vs, ps, out, error)) << error;
    const std::string& v = out.vertex_source;
    const std::string& f = out.fragment_source;
    EXPECT_EQ(v.rfind("#version 330 core\n", 0), 0u);
    EXPECT_EQ(f.rfind("#version 330 core\n", 0), 0u);
    for (const char* s : {"layout(std140) uniform BwVertexConstants { vec4 c[256]; } vs;",
                          "uniform vec4 bw_pos_fixup;", "layout(location = 0) in vec4",
                          "layout(location = 1) in vec4", "layout(location = 10) in vec4",
                          "uniform sampler2D bw_vs_s1;", "centroid out vec4 bw_v_texcoord0;",
                          "bw_pos.y *= bw_pos_fixup.z;", "bw_pos.xy += bw_pos_fixup.xy * bw_pos.w;",
                          "bw_pos.z = 2.0 * bw_pos.z - bw_pos.w;"})
        EXPECT_NE(v.find(s), std::string::npos) << s << "\n" << v;
    for (const char* s :
         {"layout(pixel_center_integer) in vec4 gl_FragCoord;",
          "layout(std140) uniform BwPixelConstants { vec4 c[224]; } ps;",
          "uniform sampler2D bw_ps_s0;", "uniform samplerCube bw_ps_s2;",
          "centroid in vec4 bw_v_texcoord0;", "layout(location = 0) out vec4 bw_oC0;",
          "layout(location = 1) out vec4 bw_oC1;", "gl_FragDepth"})
        EXPECT_NE(f.find(s), std::string::npos) << s << "\n" << f;
    ASSERT_EQ(out.samplers.size(), 3u);
    EXPECT_FALSE(out.samplers[0].vertex_stage);
    EXPECT_EQ(out.samplers[0].unit, 0u);
    EXPECT_EQ(out.samplers[0].uniform_name, pixel_sampler_uniform(0));
    EXPECT_EQ(out.samplers[1].register_index, 2u);
    EXPECT_EQ(out.samplers[1].kind, GlslSamplerKind::cube);
    EXPECT_TRUE(out.samplers[2].vertex_stage);
    EXPECT_EQ(out.samplers[2].unit, kVertexSamplerUnitBase + 1);
    EXPECT_EQ(out.samplers[2].uniform_name, "bw_vs_s1");
    EXPECT_EQ(varying_name(kUsageColor, 1), "bw_v_color1");
    EXPECT_EQ(pixel_output_name(3), "bw_oC3");
}

// The emitter table and the decoder's opcode table name the same opcodes; an opcode without an
// emitter says why it is refused.
TEST(GlslTranslator, EveryDecodedOpcodeHasAnEmitterOrAStatedRefusal) {
    for (const OpcodeInfo& info : opcode_table()) {
        const glsl::OpcodeEmitter* e = glsl::find_emitter(info.opcode);
        ASSERT_NE(e, nullptr) << info.name;
        EXPECT_TRUE(e->emit || (e->refusal && *e->refusal)) << info.name;
    }
    for (const glsl::OpcodeEmitter& e : glsl::emitter_table())
        EXPECT_NE(find_opcode_info(e.opcode), nullptr) << unsigned(e.opcode);
}

// A stage carries the helpers it calls and those they call, nothing else.
TEST(GlslTranslator, HelpersComeOnlyWithTheirCallers) {
    GlslProgram out;
    std::string error;
    ASSERT_TRUE(translate_program(assemble("vs_2_0\ndcl_position v0\nlit r0, v0\nmov oPos, r0\n"),
                                  assemble(kPs), out, error))
        << error;
    EXPECT_NE(out.vertex_source.find("float bw_pow("), std::string::npos) << out.vertex_source;
    EXPECT_EQ(out.vertex_source.find("bw_mul"), std::string::npos) << out.vertex_source;
    EXPECT_EQ(out.fragment_source.find("bw_lit"), std::string::npos);
    EXPECT_EQ(out.fragment_source.find("BW_FLT_MAX"), std::string::npos) << out.fragment_source;
}

TEST(GlslTranslator, DefsAreWrittenAsBitsNotDecimalText) {
    std::vector<uint32_t> ps =
        assemble("ps_2_0\ndef c3, 0x7fc00001, -0, 0.1, 1e-45\nmov oC0, c3\n");
    GlslProgram out;
    std::string error;
    ASSERT_TRUE(translate_program(assemble(kVs), ps, out, error)) << error;
    EXPECT_NE(out.fragment_source.find("uintBitsToFloat(uvec4(0x7FC00001u, 0x80000000u, "
                                       "0x3DCCCCCDu, 0x00000001u))"),
              std::string::npos)
        << out.fragment_source;
}

}  // namespace
}  // namespace shadercode
