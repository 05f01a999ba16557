// Assembler and disassembler: round trips over a corpus that uses every opcode and modifier the
// decoder accepts, the checks every assembler makes, and the separate validation step.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "shadercode/assembler.h"
#include "shadercode/disassembler.h"
#include "shadercode/shader_model.h"
#include "shadercode/shader_validation.h"

namespace sc = shadercode;

namespace {

const char* const kCorpus[] = {
    R"(vs_2_0
    dcl_position v0
    dcl_normal v1
    dcl_texcoord3 v2
    def c10, 0.5, -1.25e-3, 3.40282347e38, -0
    defi i0, 4, 0, 1, 0
    defb b0, false
    mova a0.xy, v2
    m4x4 oPos, v0, c[a0.x + 4]
    m4x3 r0.xyz, v0, c0
    m3x4 r1, v1, c0
    m3x3 r2.xyz, v1, c0
    m3x2 r3.xy, v1, c0
    nop
    sub r4, v0, -c10.wzyx
    mad r4, r4, c1.x, c2
    mul r5, r4, r4
    rcp r5.x, r5.y
    rsq r5.y, r5.z
    dp3 r6.x, r4, r5
    dp4 r6.y, r4, r5
    min r7, r4, r5
    max r7, r7, c3
    slt r8, r7, c4
    sge r8, r7, c4
    exp r9, r8.x
    log r9.y, r8.w
    expp r9.z, r8.x
    logp r9.w, r8.y
    lit r10, r9
    dst r10, r9, r8
    lrp r11, r10, r9, r8
    frc r11.xy, r10
    pow r0.w, r1.x, r2.y
    crs r0.xyz, r1, r2
    sgn r0, r1, r2, r3
    abs r1, -r0
    nrm r2.xyz, r1
    sincos r3.xy, r0.w, c5, c6
    loop aL, i0
      add r0, r0, c[aL + 1]
    endloop
    rep i0
      add r0, r0, c7
    endrep
    if b0
      call l1
    else
      callnz l2, !b0
    endif
    mov oD0, r0
    mov oD1.rgb, r1
    mov oT0.xy, v2
    mov oFog, r0.w
    mov oPts, c8.x
    ret
    label l1
    ret
    label l2
    ret
    )",
    R"(vs_2_x
    dcl_position v0
    setp_gt p0, v0, c0
    (p0) mov r0, v0
    (!p0.zw) add r0, r0, c1
    if p0.x
    endif
    if_eq c0.x, c1.y
    else
    endif
    rep i1
      break_lt r0.x, c2.x
      break
      breakp !p0.y
    endrep
    callnz l0, p0.w
    mov oPos, r0
    ret
    label l0
    ret
    )",
    R"(vs_3_0
    ; a listing-style comment
    dcl_position v0
    dcl_texcoord1 v1
    dcl_blendweight v2
    dcl_blendindices v3
    dcl_tangent v4
    dcl_binormal v5
    dcl_psize v6
    dcl_color1 v7
    dcl_fog v8
    dcl_depth v9
    dcl_sample v10
    dcl_tessfactor v11
    dcl_positiont v12
    dcl_position o0
    dcl_texcoord0 o1.xy
    dcl_texcoord1 o2
    dcl_2d s0
    dcl_cube s1
    dcl_volume s2
    defi i0, 2, 1, 1, 0
    mova a0.x, v1.x
    texldl r0, v1, s0
    mov_sat r1, -c[a0.x + 3]_abs
    add r1, r1_abs, -v0_abs.x
    sincos r2.xy, r1.x
    setp_ne p0, r1, r2
    loop aL, i0
      mov o[aL + 1].xy, v[aL]
      mov o[a0.x + 1].xy, r1
      if_ge r0.x, c0.x
        break_gt r0.y, c0.y
      endif
    endloop
    (!p0.x) mov o0, v0
    comment 0x43544142, 0x0000001c, 0xffffffff
    )",
    R"(ps_2_0
    def c0, 1, 0.25, 0, 0
    dcl_pp t0.xy
    dcl_centroid t1
    dcl v0
    dcl v1.rgb
    dcl_2d s0
    dcl_cube s1
    dcl_volume s2
    texld r0, t0, s0
    texldp_pp r1, t1, s1
    texldb r2, t1, s2
    texkill t0
    cmp_sat r3, -r0, c0.x, r1.wzyx
    dp2add r4.x, r0, r1, c0.w
    add_sat_pp r0, r3, v0
    mov oC0, r0
    mov oC1, v1
    mov oDepth, r4.x
    )",
    R"(ps_2_x
    defb b2, true
    defi i3, 8, 0, 0, 0
    dcl t0
    dcl_2d s0
    dsx r0, t0
    dsy r1, t0
    texldd r2, t0, s0, r0, r1
    setp_le p0.x, r2.x, c0.x
    rep i3
      if b2
        breakp p0.x
      endif
      if_ne r2.x, c1.x
        break
      endif
    endrep
    call l15
    mov oC0, r2
    ret
    label l15
    ret
    )",
    R"(ps_3_0
    dcl_texcoord0_centroid v0
    dcl_color1_pp v1.xy
    dcl_texcoord2 v2
    dcl vFace
    dcl vPos.xy
    dcl_2d s15
    dcl_cube_pp s1
    dcl_volume_centroid s2
    defi i0, 2, 0, 1, 0
    texld_centroid r0, v0, s15.wzyx
    texldl r1, v0, s15
    loop aL, i0
      add r2, r2, v[aL + 1]
    endloop
    cmp r3, vFace, vPos.xyxy, c223
    mul r4, -r0_abs, v1
    (p0.x) texkill r0
    mov oC3, r3
    mov oC0, r4
    mov oDepth, r2.x
    label l2047
    )",
};

sc::ShaderProgram assemble(const std::string& text, bool validate = true) {
    sc::ShaderProgram p;
    std::string error;
    sc::AssembleOptions options;
    options.validate = validate;
    EXPECT_TRUE(sc::assemble_shader(text, options, p, error)) << error << "\n" << text;
    return p;
}

TEST(ShaderAssembler, CorpusRoundTripsTextTokensTextTokens) {
    for (const char* text : kCorpus) {
        sc::ShaderProgram first = assemble(text);
        std::vector<uint32_t> tokens = sc::encode_shader(first);
        sc::ShaderProgram decoded;
        std::string error;
        ASSERT_TRUE(sc::decode_shader(tokens.data(), tokens.size(), decoded, error)) << error;
        std::string listing = sc::disassemble(decoded);
        sc::ShaderProgram second = assemble(listing);
        EXPECT_EQ(sc::encode_shader(second), tokens) << listing;
        EXPECT_EQ(sc::disassemble(second), listing);
    }
}

TEST(ShaderAssembler, CorpusCoversEveryOpcodeAndModifier) {
    std::set<sc::Opcode> opcodes;
    std::set<std::string> features;
    for (const char* text : kCorpus) {
        sc::ShaderProgram p = assemble(text);
        for (const sc::Instruction& ins : p.instructions) {
            opcodes.insert(ins.opcode);
            if (ins.predicated) features.insert("predicated");
            if (ins.comparison != sc::Comparison::None)
                features.insert("cmp" + std::to_string(int(ins.comparison)));
            if (ins.opcode == sc::Opcode::Tex)
                features.insert("texld" + std::to_string(int(ins.texld)));
            if (ins.opcode == sc::Opcode::Dcl && ins.destination.type == sc::RegisterType::Sampler)
                features.insert("sampler" + std::to_string(int(ins.declaration.sampler_type)));
            else if (ins.opcode == sc::Opcode::Dcl)
                features.insert("usage" + std::to_string(int(ins.declaration.usage)));
            const sc::DestinationOperand& d = ins.destination;
            if (ins.has_destination && d.saturate) features.insert("sat");
            if (ins.has_destination && d.partial_precision) features.insert("pp");
            if (ins.has_destination && d.centroid) features.insert("centroid");
            if (ins.has_destination && d.relative) features.insert("dst-relative");
            for (const sc::SourceOperand& s : ins.sources) {
                features.insert("mod" + std::to_string(int(s.modifier)));
                if (s.relative)
                    features.insert(s.relative_address.type == sc::RegisterType::Loop ? "rel-aL"
                                                                                      : "rel-a0");
            }
        }
    }
    for (const sc::OpcodeInfo& info : sc::opcode_table())
        EXPECT_TRUE(opcodes.count(info.opcode)) << info.name << " " << int(info.opcode);
    std::set<std::string> wanted = {"predicated",   "sat",    "pp",     "centroid",
                                    "dst-relative", "rel-aL", "rel-a0", "mod0",
                                    "mod1",         "mod11",  "mod12",  "mod13"};
    for (int i = 1; i <= 6; ++i) wanted.insert("cmp" + std::to_string(i));
    for (int i = 0; i <= 2; ++i) wanted.insert("texld" + std::to_string(i));
    for (int i = 2; i <= 4; ++i) wanted.insert("sampler" + std::to_string(i));
    for (int i = 0; i < sc::kUsageCount; ++i) wanted.insert("usage" + std::to_string(i));
    for (const std::string& f : wanted) EXPECT_TRUE(features.count(f)) << f;
}

TEST(ShaderAssembler, SpellingsThatMeanTheSameTokens) {
    auto tokens = [](const std::string& body, const char* version = "vs_3_0") {
        sc::ShaderProgram p = assemble(std::string(version) + "\n" + body, false);
        return sc::encode_shader(p);
    };
    EXPECT_EQ(tokens("mov r0.rgba, c1.rgba"), tokens("mov r0, c1"));
    EXPECT_EQ(tokens("mov r0.xy, c1.xyyy"), tokens("MOV R0.xy, C1.xy  // upper case"));
    EXPECT_EQ(tokens("mov r0, c[a0.x + 12]"), tokens("mov r0, c12[a0.x]"));
    EXPECT_EQ(tokens("mov r0, c[12 + a0.r]"), tokens("mov r0, c[a0.x+12]"));
    EXPECT_EQ(tokens("mov r0, -r1.x_abs"), tokens("mov r0, -r1_abs.x"));
    EXPECT_EQ(tokens("def c0, 1.0f, 0, -0.5, 1024"), tokens("def c0, 1, 0.0, -.5, 1.024e3"));
    EXPECT_EQ(tokens("def c0, 0x3f800000, 0, 0, 0"), tokens("def c0, 1, 0, 0, 0"));
    EXPECT_EQ(tokens("nop", "vs.3.0"), tokens("nop", "vs_3_0"));
    EXPECT_EQ(tokens("nop\r\n", "\xEF\xBB\xBFvs_3_0\r"), tokens("nop", "vs_3_0"));
    EXPECT_EQ(tokens("nop", "ps.2.x"), tokens("nop", "ps_2_x"));
    EXPECT_EQ(tokens("dcl_texcoord0 v0"), tokens("dcl_texcoord v0"));
    EXPECT_EQ(tokens("sincos r0.xy, r1.x"), tokens("sincos r0.xy, r1.xxxx"));
    EXPECT_EQ(tokens("mov r2.xyb, r1.xygb"), tokens("mov r2.xyz, r1.xyyz"));
    EXPECT_EQ(tokens("mov r0, c[aL + 1 + 3]"), tokens("mov r0, c4[aL]"));
    EXPECT_EQ(tokens("defi i0, - 1, 1, 10, 0"), tokens("defi i0, -1, 1, 10, 0"));
}

TEST(ShaderAssembler, NonFiniteAndOddLiteralsSurviveDisassembly) {
    sc::ShaderProgram p = assemble(
        "ps_3_0\ndef c0, 0x7f800000, 0xffc00001, 1.17549435e-38, 1.4e-45\n"
        "def c1, 0.1, 16777217, -3.40282347e+38, 0x80000000\ndefb b0, 0x00000002\n",
        false);
    std::vector<uint32_t> tokens = sc::encode_shader(p);
    EXPECT_EQ(tokens[3], 0x7F800000u);
    EXPECT_EQ(tokens[4], 0xFFC00001u);
    EXPECT_EQ(tokens[6], 0x00000001u);   // smallest denormal
    EXPECT_EQ(tokens[10], 0x4B800000u);  // 16777217 rounds to 2^24
    EXPECT_EQ(tokens[11], 0xFF7FFFFFu);
    EXPECT_EQ(tokens[12], 0x80000000u);
    EXPECT_EQ(sc::encode_shader(assemble(sc::disassemble(p), false)), tokens);
}

// ---- errors ---------------------------------------------------------------------------------

std::string assemble_error(const std::string& text, bool validate = false) {
    std::vector<uint32_t> tokens{1, 2, 3};
    std::string error;
    sc::AssembleOptions options;
    options.validate = validate;
    EXPECT_FALSE(sc::assemble_shader(text, options, tokens, error)) << text;
    EXPECT_TRUE(tokens.empty()) << "no output on error";
    return error;
}

struct Bad {
    const char* version;
    const char* line;
    const char* message;  // expected part of the error
};

// Each line is rejected even without validation, with its line number (line 3: a blank line
// and the version line come first).
void expect_always_rejected(const std::vector<Bad>& cases) {
    for (const Bad& c : cases) {
        std::string text = std::string("\n") + c.version + "\n" + c.line + "\n";
        std::string error = assemble_error(text);
        EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << c.line << ": " << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.line << ": " << error;
    }
}

TEST(ShaderAssemblerRejects, InstructionsNotInTheVersion) {
    expect_always_rejected({
        {"ps_2_0", "texldl r0, t0, s0", "texldl is not available in ps_2_0"},
        {"ps_2_x", "loop aL, i0", "loop is not available in ps_2_x"},
        {"ps_3_0", "mova a0.x, r0", "not available"},
        {"vs_3_0", "cmp r0, r1, r2, r3", "cmp is not available in vs_3_0"},
        {"vs_2_0", "setp_gt p0, r0, r1", "not available in vs_2_0"},
        {"vs_3_0", "texcoord t0", "unknown instruction"},
        {"vs_3_0", "+mov r0, r1", "co-issue"},
        {"vs_3_0", "add r0, r1", "takes 3 operands"},
        {"vs_3_0", "sincos r0.xy, r1.x, c0, c1", "takes 2 operands"},
        {"vs_3_0", "add_x2 r0, r1, r2", "result shift"},
        {"vs_3_0", "setp p0, r0, r1", "needs a comparison"},
        {"vs_3_0", "ret_sat", "takes no result modifier"},
        {"vs_3_0", "(p0) call l0", "cannot be predicated"},
        {"vs_3_0", "(r0) mov r0, r1", "predicate"},
        {"vs_3_0", "vs_3_0", "second version"},
    });
}

TEST(ShaderAssemblerRejects, RegistersAndRangesNotInTheVersion) {
    expect_always_rejected({
        {"ps_3_0", "mov oC4, r0", "oC4 is out of range"},
        {"ps_3_0", "mov r0, v10", "v10 is out of range"},
        {"ps_3_0", "label l2048", "too large"},
        {"ps_3_0", "mov r0, t0", "t0 does not exist in ps_3_0"},
        {"ps_2_0", "mov r12, r0", "r12 is out of range"},
        {"ps_2_0", "mov r0, i0", "i0 does not exist"},
        {"vs_3_0", "mov r0, v16", "v16 is out of range"},
        {"vs_3_0", "mov o12, r0", "o12 is out of range"},
        {"vs_3_0", "mov oPos, r0", "only in vs_2_0 and vs_2_x"},
        {"vs_2_0", "mov o0, r0", "only in vs_3_0"},
        {"vs_2_0", "mov oC0, r0", "oC0 does not exist"},
        {"vs_2_0", "call l2048", "too large"},
        {"vs_2_0", "mov r0, t0", "only in pixel shaders"},
        {"ps_2_0", "mov r0, a0", "only in vertex shaders"},
        {"vs_3_0", "mov r0, x0", "unknown register"},
    });
}

TEST(ShaderAssemblerRejects, RelativeAddressing) {
    expect_always_rejected({
        {"ps_3_0", "mov r0, c[aL + 1]", "cannot be addressed relatively"},
        {"ps_3_0", "mov r0, v[a0.x]", "a0 exists only in vertex shaders"},
        {"ps_2_x", "mov r0, c[aL]", "aL does not exist"},
        {"vs_3_0", "mov r0, v[a0.x]", "cannot be addressed relatively by a0"},
        {"vs_2_0", "mov oT[a0.x], r0", "cannot be addressed relatively by a0"},
        {"vs_2_0", "mov r0, v[aL]", "cannot be addressed relatively"},
        {"vs_3_0", "mov r0, c[aL.x + 1]", "aL is a scalar"},
        {"vs_3_0", "mov r0, c[a0y]", "bad a0 index"},
        {"vs_3_0", "mov r0, c[a0.x + r0.x]", "integer offset"},
        {"vs_3_0", "mov r0, c[a0.x + 1.5]", "must be an integer"},
        {"vs_3_0", "mov r0, c[a0.x + 2048]", "too large"},
        {"vs_3_0", "mov r0, c[4]", "without a0 or aL"},
        {"vs_3_0", "loop aL.x, i0", "aL is a scalar"},
    });
}

TEST(ShaderAssemblerRejects, ModifiersSwizzlesAndMasks) {
    expect_always_rejected({
        {"vs_2_x", "mov_sat r0, r1", "_sat is not available"},
        {"vs_3_0", "mov_pp r0, r1", "_pp is available only in pixel shaders"},
        {"ps_2_x", "mov r0, r1_abs", "_abs source modifier needs shader model 3"},
        {"ps_3_0", "add_centroid r0, r1, r2", "_centroid applies only"},
        {"ps_3_0", "dcl_texcoord0_sat v0", "_sat is not available here"},
        {"vs_3_0", "dcl_texcoord0_centroid v0", "_centroid applies only"},
        {"vs_3_0", "dcl_2d_pp s0", "_pp is available only in pixel shaders"},
        {"ps_2_0", "dcl_texcoord0 t0", "takes no usage in ps_2_0"},
        {"ps_2_0", "dcl s0", "needs a texture type"},
        {"ps_2_0", "dcl_2d t0", "applies only to s# registers"},
        {"vs_2_0", "dcl_position oPos", "cannot be declared"},
        {"vs_3_0", "dcl_texcoord16 v0", "usage index"},
        {"vs_3_0", "mov r0, !r1", "! applies only to b# and p0"},
        {"vs_3_0", "if -b0", "cannot be negated"},
        {"vs_3_0", "if !b0_abs", "cannot be combined"},
        {"ps_2_0", "texld r0, t0, s0.x", "takes no swizzle"},
        {"vs_3_0", "call l0.x", "takes no swizzle"},
    });
}

TEST(ShaderAssemblerRejects, BadComponentListsAndLiterals) {
    expect_always_rejected({
        {"vs_3_0", "mov r0.yx, r1", "bad write mask"},
        {"vs_3_0", "mov r0.xyzwx, r1", "bad component list"},
        {"vs_3_0", "mov r0, r1.xq", "bad component list"},
        {"vs_3_0", "mov -r0, r1", "no source modifier"},
        {"vs_3_0", "mov r0, r1 r2", "unexpected"},
        {"vs_3_0", "mov r0, , r1", "missing operand"},
        {"vs_3_0", "def c0, 1, 2, 3, x", "bad number"},
        {"vs_3_0", "def c0, 1, 2, 3, 1e39", "out of range"},
        {"vs_3_0", "def c0, 1, 2, 3, inf", "bad number"},
        {"vs_3_0", "defi i0, 1, 2, 3, 4294967296", "out of range"},
        {"vs_3_0", "defb b0, maybe", "bad integer"},
        {"vs_3_0", "comment 12", "hex"},
    });
}

TEST(ShaderAssemblerRejects, MissingVersion) {
    EXPECT_EQ(assemble_error(""), "line 1: no version line");
    EXPECT_EQ(assemble_error("// only a comment\n\n"), "line 3: no version line");
    EXPECT_NE(assemble_error("\nmov r0, r1\n").find("line 2: expected a version line"),
              std::string::npos);
    EXPECT_NE(assemble_error("vs_1_1\n").find("line 1: expected a version line"),
              std::string::npos);
}

// Valid for every assembler, rejected only by the validation step.
TEST(ShaderAssemblerValidation, RejectsOnlyWhenValidating) {
    struct Case {
        const char* text;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"vs_3_0\ndef r0, 1, 2, 3, 4", 2, "def writes c#"},
        {"ps_2_0\ndcl t0\ndcl_2d s0\ntexld r0, t0, c0", 4, "reads from s#"},
        {"ps_2_0\ndcl t0\ndcl_2d s0\ntexld oC0, t0, s0", 4, "writes r#"},
        {"vs_3_0\nmov c0, r0", 2, "c0 cannot be written"},
        {"vs_3_0\nadd r0, r1, i0", 2, "i0 cannot be read"},
        {"vs_3_0\nmova r0.x, r1", 2, "mova writes a0"},
        {"vs_3_0\nsetp_gt r0, r1, r2", 2, "setp writes p0"},
        {"vs_3_0\nloop aL, b0\nendloop", 2, "loop takes aL and i#"},
        {"vs_3_0\nrep c0\nendrep", 2, "rep takes i#"},
        {"vs_3_0\nif r0.x\nendif", 2, "condition"},
        {"vs_3_0\nif_gt r0.xy, r1.x\nendif", 2, "one component"},
        {"vs_3_0\nsincos r0.xyz, r1.x", 2, "sincos writes"},
        {"vs_3_0\nmov r0, v0", 2, "v0 is used before its dcl"},
        {"vs_3_0\ndcl_position v0\nmov o0, v0", 3, "o0 is used before its dcl"},
        {"ps_2_0\nmov oC0, t0", 2, "t0 is used before its dcl"},
        {"ps_3_0\ndcl_texcoord v0\ntexld r0, v0, s0", 3, "s0 is used before its dcl"},
        {"vs_3_0\nnop\ndcl_position v0", 3, "before the first instruction"},
        {"vs_3_0\ndcl_position v0\ndcl_normal v0", 3, "declared twice"},
        {"vs_3_0\nif b0\nnop", 2, "block not closed"},
        {"vs_3_0\nendif", 2, "without its opening"},
        {"vs_3_0\nbreak", 2, "break outside a loop"},
        {"vs_3_0\ncall l3\nret\nlabel l4\nret", 2, "l3, which is not defined"},
        // Where a relative index lands is the run-time index's business; only validation
        // holds the offset to the register count.
        {"vs_3_0\nmov r0, c[a0.x + 256]", 2, "c256 (relative offset) is out of range"},
        {"vs_3_0\nmov r0, c[a0.xy]", 2, "a0 index takes one component"},
        // Nesting: rep and loop four deep (one in vs_2_0), if 24 deep.
        {"ps_3_0\ndefi i0, 1, 0, 0, 0\nrep i0\nrep i0\nrep i0\nrep i0\nrep i0", 7,
         "loop or rep blocks nested more than 4 deep in ps_3_0"},
        {"vs_2_0\ndefi i0, 1, 0, 0, 0\nloop aL, i0\nrep i0", 4, "nested more than 1 deep"},
        {"ps_3_0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\n"
         "if b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\nif b0\n"
         "if b0\nif b0\nif b0\nif b0",
         26, "if blocks nested more than 24 deep"},
    };
    // Four reps deep is allowed.
    assemble(
        "ps_3_0\ndefi i0, 1, 0, 0, 0\nrep i0\nrep i0\nrep i0\nrep i0\nmov r0, c0\nendrep\n"
        "endrep\nendrep\nendrep\nmov oC0, r0\n");
    // An index is encoded as written: a bare a0 with the default swizzle .xyzw, a0.xyww as
    // it stands (the device reads the first lane of either); both disassemble as written.
    auto index_token = [](const char* text) {
        return sc::encode_shader(assemble(std::string("vs_3_0\n") + text, false)).at(4) >> 16 &
               0xFF;
    };
    EXPECT_EQ(index_token("mov r0, c[a0 + 3]"), 0xE4u);
    EXPECT_EQ(index_token("mov r0, c0[a0.xyww]"), 0xF4u);
    EXPECT_EQ(index_token("mov r0, c[a0.y]"), 0x55u);
    EXPECT_EQ(index_token("mov r0, c[a0.yy]"), 0x55u);
    for (const char* text : {"mov r0, c[a0 + 3]", "mov r0, c[a0.xyww]"}) {
        const sc::ShaderProgram p = assemble(std::string("vs_3_0\n") + text, false);
        sc::ShaderProgram back;
        std::string error;
        const std::vector<uint32_t> tokens = sc::encode_shader(p);
        ASSERT_TRUE(sc::decode_shader(tokens.data(), tokens.size(), back, error)) << error;
        const std::string listing = sc::disassemble(back);
        EXPECT_NE(listing.find(text + 8), std::string::npos) << listing;
        EXPECT_EQ(sc::encode_shader(assemble(listing, false)), tokens) << listing;
    }
    for (const Case& c : cases) {
        assemble(c.text, false);
        std::string error = assemble_error(c.text, true);
        std::string prefix = "line " + std::to_string(c.line) + ": ";
        EXPECT_EQ(error.rfind(prefix, 0), 0u) << c.text << "\n" << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << "\n" << error;
    }
}

TEST(ShaderAssemblerValidation, InstructionSlotLimits) {
    auto program = [](const char* version, const char* line, int count) {
        std::string text = std::string(version) + "\n";
        if (std::string(version) == "ps_2_0") text += "dcl t0\ndcl_2d s0\n";
        for (int i = 0; i < count; ++i) text += std::string(line) + "\n";
        return text;
    };
    assemble(program("ps_2_0", "add r0, r0, c0", 64));
    assemble(program("ps_2_0", "texld r0, t0, s0", 32));
    EXPECT_NE(assemble_error(program("ps_2_0", "add r0, r0, c0", 65), true)
                  .find("line 68: more than 64 arithmetic"),
              std::string::npos);
    EXPECT_NE(assemble_error(program("ps_2_0", "texld r0, t0, s0", 33), true)
                  .find("more than 32 texture"),
              std::string::npos);
    assemble(program("vs_2_0", "m4x4 r0, c0, c4", 64));
    EXPECT_NE(assemble_error(program("vs_2_0", "m4x4 r0, c0, c4", 65), true).find("more than 256"),
              std::string::npos);
    assemble(program("ps_3_0", "nop", 512));
    assemble_error(program("ps_3_0", "nop", 513), true);
    assemble(program("ps_3_0", "nop", 513), false);
    sc::ShaderProgram p = assemble(program("vs_3_0", "m3x2 r0.xy, c0, c4", 10));
    EXPECT_EQ(sc::instruction_slots(p), 20u);
}

}  // namespace
