// Token-exact encodings laid out by hand from the documented token format, and the decoder's
// handling of streams that are truncated, oversized or garbage.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shadercode/assembler.h"
#include "shadercode/disassembler.h"
#include "shadercode/shader_model.h"

namespace sc = shadercode;

namespace {

// Register types as numbered in the token format.
enum : uint32_t {
    TEMP = 0,
    INPUT = 1,
    CONST = 2,
    ADDR = 3,
    TEXTURE = 3,
    RASTOUT = 4,
    ATTROUT = 5,
    OUTPUT = 6,
    CONSTINT = 7,
    COLOROUT = 8,
    DEPTHOUT = 9,
    SAMPLER = 10,
    CONSTBOOL = 14,
    LOOP = 15,
    MISC = 17,
    LABEL = 18,
    PREDICATE = 19,
};
constexpr uint32_t kRelative = 1u << 13;

// Operand: bit 31, number in bits 0-10, type in bits 28-30 and (high part) 11-12.
constexpr uint32_t reg(uint32_t type, uint32_t n) {
    return 0x80000000u | (type & 7) << 28 | (type >> 3) << 11 | n;
}
constexpr uint32_t dst(uint32_t type, uint32_t n, uint32_t mask = 0xF, uint32_t mods = 0) {
    return reg(type, n) | mask << 16 | mods << 20;
}
constexpr uint32_t src(uint32_t type, uint32_t n, uint32_t swizzle = 0xE4, uint32_t mod = 0) {
    return reg(type, n) | swizzle << 16 | mod << 24;
}
// Instruction: opcode bits 0-15, controls 16-23, operand token count 24-27, predicated bit 28.
constexpr uint32_t op(uint32_t code, uint32_t length, uint32_t controls = 0, bool pred = false) {
    return code | controls << 16 | length << 24 | (pred ? 1u << 28 : 0u);
}

std::vector<uint32_t> assemble(const std::string& text) {
    std::vector<uint32_t> tokens;
    std::string error;
    sc::AssembleOptions options;
    options.validate = false;
    EXPECT_TRUE(sc::assemble_shader(text, options, tokens, error)) << error << "\n" << text;
    return tokens;
}

// One source line and the tokens it must give.
struct Line {
    const char* text;
    std::vector<uint32_t> tokens;
};

// Assembles the lines after `version`, compares with the hand encoding, and checks that the
// hand encoding decodes and re-encodes unchanged.
void expect_tokens(const char* version, uint32_t version_token, const std::vector<Line>& lines) {
    std::string text = std::string(version) + "\n";
    std::vector<uint32_t> expected{version_token};
    for (const Line& l : lines) {
        text += std::string(l.text) + "\n";
        expected.insert(expected.end(), l.tokens.begin(), l.tokens.end());
    }
    expected.push_back(0x0000FFFF);
    std::vector<uint32_t> got = assemble(text);
    ASSERT_EQ(got.size(), expected.size()) << text;
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], expected[i]) << "token " << i << " of\n" << text;
    sc::ShaderProgram program;
    std::string error;
    ASSERT_TRUE(sc::decode_shader(expected.data(), expected.size(), program, error)) << error;
    EXPECT_EQ(sc::encode_shader(program), expected);
}

// clang-format off
TEST(ShaderTokens, Vs20OutputsRelativeConstantsAndSinCos) {
    expect_tokens("vs_2_0", 0xFFFE0200, {
        {"dcl_position v0", {op(31, 2), 0x80000000, dst(INPUT, 0)}},
        {"dcl_texcoord1 v1", {op(31, 2), 0x80010005, dst(INPUT, 1)}},
        {"m4x4 oPos, v0, c0", {op(20, 3), dst(RASTOUT, 0), src(INPUT, 0), src(CONST, 0)}},
        {"mov oT0.xy, v1", {op(1, 2), dst(OUTPUT, 0, 0x3), src(INPUT, 1)}},
        {"mov oD0, c[a0.w + 7]", {op(1, 3), dst(ATTROUT, 0), src(CONST, 7) | kRelative, src(ADDR, 0, 0xFF)}},
        {"mov oFog, -r0.x", {op(1, 2), dst(RASTOUT, 1), src(TEMP, 0, 0x00, 1)}},
        {"mova a0.x, r0.y", {op(46, 2), dst(ADDR, 0, 0x1), src(TEMP, 0, 0x55)}},
        {"sincos r0.xy, r1.x, c1, c2", {op(37, 4), dst(TEMP, 0, 0x3), src(TEMP, 1, 0x00), src(CONST, 1), src(CONST, 2)}},
        {"mov oPts, c12[a0.y]", {op(1, 3), dst(RASTOUT, 2), src(CONST, 12) | kRelative, src(ADDR, 0, 0x55)}},
    });
}

TEST(ShaderTokens, Ps20DeclarationsTexldVariantsAndModifiers) {
    expect_tokens("ps.2.0", 0xFFFF0200, {
        {"def c0, 1.0f, 0, -0.5, 1024", {op(81, 5), dst(CONST, 0), 0x3F800000, 0, 0xBF000000, 0x44800000}},
        {"dcl_centroid t0.xy", {op(31, 2), 0x80000000, dst(TEXTURE, 0, 0x3, 4)}},
        {"dcl v1.rgb", {op(31, 2), 0x80000000, dst(INPUT, 1, 0x7)}},
        {"dcl_2d s0", {op(31, 2), 0x90000000, dst(SAMPLER, 0)}},
        {"dcl_cube s1", {op(31, 2), 0x98000000, dst(SAMPLER, 1)}},
        {"dcl_volume s2", {op(31, 2), 0xA0000000, dst(SAMPLER, 2)}},
        {"texld r0, t0, s0", {op(66, 3), dst(TEMP, 0), src(TEXTURE, 0), src(SAMPLER, 0)}},
        {"texldp_pp r1, t0, s1", {op(66, 3, 1), dst(TEMP, 1, 0xF, 2), src(TEXTURE, 0), src(SAMPLER, 1)}},
        {"texldb r2, t0, s2", {op(66, 3, 2), dst(TEMP, 2), src(TEXTURE, 0), src(SAMPLER, 2)}},
        {"texkill r0", {op(65, 1), dst(TEMP, 0)}},
        {"cmp_sat r0, -r0, c0.x, r1.wzyx", {op(88, 4), dst(TEMP, 0, 0xF, 1), src(TEMP, 0, 0xE4, 1), src(CONST, 0, 0x00), src(TEMP, 1, 0x1B)}},
        {"dp2add r0.x, r1, r2, c0.w", {op(90, 4), dst(TEMP, 0, 0x1), src(TEMP, 1), src(TEMP, 2), src(CONST, 0, 0xFF)}},
        {"mov oC0, r0", {op(1, 2), 0x800F0800, src(TEMP, 0)}},
        {"mov oDepth, r0.z", {op(1, 2), 0x900F0800, src(TEMP, 0, 0xAA)}},
    });
    EXPECT_EQ(dst(COLOROUT, 0), 0x800F0800u);  // the helpers agree with the spelled-out tokens
    EXPECT_EQ(dst(DEPTHOUT, 0), 0x900F0800u);
    EXPECT_EQ(src(PREDICATE, 0, 0x00, 13), 0xBD001000u);
    EXPECT_EQ(src(LOOP, 0), 0xF0E40800u);  // aL as an operand and as a relative index
}

TEST(ShaderTokens, Vs30LoopsSubroutinesPredicatesAndOutputs) {
    expect_tokens("vs_3_0", 0xFFFE0300, {
        {"defi i0, 3, 0, 1, -2", {op(48, 5), dst(CONSTINT, 0), 3, 0, 1, 0xFFFFFFFE}},
        {"defb b1, true", {op(47, 2), dst(CONSTBOOL, 1), 1}},
        {"dcl_position o0", {op(31, 2), 0x80000000, dst(OUTPUT, 0)}},
        {"dcl_texcoord2 o1.xy", {op(31, 2), 0x80020005, dst(OUTPUT, 1, 0x3)}},
        {"dcl_texcoord v2", {op(31, 2), 0x80000005, dst(INPUT, 2)}},
        {"dcl_volume s3", {op(31, 2), 0xA0000000, dst(SAMPLER, 3)}},
        {"loop aL, i0", {op(27, 2), src(LOOP, 0), src(CONSTINT, 0)}},
        {"mov o[aL + 1].xy, v[aL + 2]", {op(1, 4), dst(OUTPUT, 1, 0x3) | kRelative, src(LOOP, 0), src(INPUT, 2) | kRelative, src(LOOP, 0)}},
        {"add r0, r0, c[aL]", {op(2, 4), dst(TEMP, 0), src(TEMP, 0), src(CONST, 0) | kRelative, src(LOOP, 0)}},
        {"mov o[a0.x + 11], r0", {op(1, 3), dst(OUTPUT, 11) | kRelative, src(ADDR, 0, 0x00), src(TEMP, 0)}},
        {"endloop", {op(29, 0)}},
        {"rep i1", {op(38, 1), src(CONSTINT, 1)}},
        {"break_ne r0.x, r1.x", {op(45, 2, 5), src(TEMP, 0, 0x00), src(TEMP, 1, 0x00)}},
        {"breakp !p0.z", {op(96, 1), src(PREDICATE, 0, 0xAA, 13)}},
        {"endrep", {op(39, 0)}},
        {"if b1", {op(40, 1), src(CONSTBOOL, 1)}},
        {"callnz l2, !b1", {op(26, 2), src(LABEL, 2), src(CONSTBOOL, 1, 0xE4, 13)}},
        {"else", {op(42, 0)}},
        {"call l2047", {op(25, 1), src(LABEL, 2047)}},
        {"endif", {op(43, 0)}},
        {"if_ge r0.x, c0.y", {op(41, 2, 3), src(TEMP, 0, 0x00), src(CONST, 0, 0x55)}},
        {"if !p0.w", {op(40, 1), src(PREDICATE, 0, 0xFF, 13)}},
        {"callnz l3, p0.x", {op(26, 2), src(LABEL, 3), src(PREDICATE, 0, 0x00)}},
        {"setp_le p0.xy, r0, c0", {op(94, 3, 6), dst(PREDICATE, 0, 0x3), src(TEMP, 0), src(CONST, 0)}},
        {"(!p0.y) add_sat r0, r1, r2", {op(2, 4, 0, true), dst(TEMP, 0, 0xF, 1), src(PREDICATE, 0, 0x55, 13), src(TEMP, 1), src(TEMP, 2)}},
        {"texldl r0, r1, s3", {op(95, 3), dst(TEMP, 0), src(TEMP, 1), src(SAMPLER, 3)}},
        {"label l2", {op(30, 1), src(LABEL, 2)}},
        {"ret", {op(28, 0)}},
    });
}

TEST(ShaderTokens, Ps30InputsMiscRegistersAbsAndComments) {
    expect_tokens("ps_3_0 ; pixel", 0xFFFF0300, {
        {"comment 0x43544142, 0x0000001c", {0x0002FFFE, 0x43544142, 0x0000001C}},
        {"dcl_texcoord0_centroid v0", {op(31, 2), 0x80000005, dst(INPUT, 0, 0xF, 4)}},
        {"dcl_color1_pp v1.xy", {op(31, 2), 0x8001000A, dst(INPUT, 1, 0x3, 2)}},
        {"dcl vFace", {op(31, 2), 0x80000000, dst(MISC, 1)}},
        {"dcl_cube_centroid s1", {op(31, 2), 0x98000000, dst(SAMPLER, 1, 0xF, 4)}},
        {"dcl vPos.xy // position", {op(31, 2), 0x80000000, dst(MISC, 0, 0x3)}},
        {"texldd r0, v0, s0, r1, r2", {op(93, 5), dst(TEMP, 0), src(INPUT, 0), src(SAMPLER, 0), src(TEMP, 1), src(TEMP, 2)}},
        {"texld_centroid r3, v0, s0.wzyx", {op(66, 3), dst(TEMP, 3, 0xF, 4), src(INPUT, 0), src(SAMPLER, 0, 0x1B)}},
        {"dsx r1, v0", {op(91, 2), dst(TEMP, 1), src(INPUT, 0)}},
        {"dsy_pp r1.y, -v0_abs.x", {op(92, 2), dst(TEMP, 1, 0x2, 2), src(INPUT, 0, 0x00, 12)}},
        {"add r0, r1_abs, -r2_abs.x", {op(2, 3), dst(TEMP, 0), src(TEMP, 1, 0xE4, 11), src(TEMP, 2, 0x00, 12)}},
        {"mov r4, v[aL + 1]", {op(1, 3), dst(TEMP, 4), src(INPUT, 1) | kRelative, src(LOOP, 0)}},
        {"cmp r0, vFace, vPos.xyxy, c0", {op(88, 4), dst(TEMP, 0), src(MISC, 1), src(MISC, 0, 0x44), src(CONST, 0)}},
        {"mov oC3, r0", {op(1, 2), dst(COLOROUT, 3), src(TEMP, 0)}},
        {"(p0) texkill r0", {op(65, 2, 0, true), dst(TEMP, 0), src(PREDICATE, 0)}},
        {"comment", {0x0000FFFE}},
    });
}
// clang-format on

TEST(ShaderTokens, DecodedModelCarriesEveryField) {
    // clang-format off
    std::vector<uint32_t> tokens = {0xFFFE0201,
        op(2, 5, 0, true), dst(TEMP, 3, 0x5, 0), src(PREDICATE, 0, 0x55, 13),
        src(CONST, 9, 0x1B, 1) | kRelative, src(ADDR, 0, 0xAA), src(TEMP, 1),
        op(31, 2), 0x80030003, dst(INPUT, 4, 0x7), 0x0000FFFF};
    // clang-format on
    sc::ShaderProgram p;
    std::string error;
    ASSERT_TRUE(sc::decode_shader(tokens.data(), tokens.size(), p, error)) << error;
    EXPECT_TRUE(p.version.is_vertex() && p.version.is_2_x());
    ASSERT_EQ(p.instructions.size(), 2u);
    const sc::Instruction& add = p.instructions[0];
    EXPECT_EQ(add.opcode, sc::Opcode::Add);
    EXPECT_EQ(add.length, 5u);
    EXPECT_EQ(add.token_offset, 1u);
    EXPECT_TRUE(add.predicated);
    EXPECT_EQ(add.predicate.modifier, sc::SourceModifier::Not);
    EXPECT_EQ(add.predicate.swizzle, sc::replicate_swizzle(1));
    EXPECT_EQ(add.destination.write_mask, sc::kMaskX | sc::kMaskZ);
    ASSERT_EQ(add.sources.size(), 2u);
    EXPECT_EQ(add.sources[0].modifier, sc::SourceModifier::Negate);
    EXPECT_TRUE(add.sources[0].relative);
    EXPECT_EQ(add.sources[0].relative_address.type, sc::RegisterType::Addr);
    EXPECT_EQ(add.sources[0].relative_address.component, 2);
    EXPECT_EQ(sc::swizzle_lane(add.sources[0].swizzle, 0), 3u);
    const sc::Instruction& dcl = p.instructions[1];
    EXPECT_EQ(dcl.declaration.usage, sc::Usage::Normal);
    EXPECT_EQ(dcl.declaration.usage_index, 3);
    EXPECT_EQ(sc::disassemble_instruction(p.version, dcl), "dcl_normal3 v4.xyz");
    EXPECT_EQ(sc::disassemble_instruction(p.version, add),
              "(!p0.y) add r3.xz, -c[a0.z + 9].wzyx, r1");
}

// ---- rejection ------------------------------------------------------------------------------

TEST(ShaderDecodeRejects, EachErrorClassWithItsTokenOffset) {
    const uint32_t vs3 = 0xFFFE0300, ps2 = 0xFFFF0200, end = 0xFFFF;
    const uint32_t r0 = dst(TEMP, 0), r0s = src(TEMP, 0);
    struct Case {
        std::vector<uint32_t> tokens;
        const char* message;  // expected start (or, after '~', part) of the error
    };
    // clang-format off
    const Case cases[] = {
        {{}, "token 0: empty token stream"},
        {{0xFFFE0101, end}, "token 0: unsupported version token 0xfffe0101"},
        {{0xFFFF0104, end}, "token 0: unsupported version"},  // ps_1_4
        {{0xFFFD0300, end}, "token 0: unsupported version"},
        {{vs3}, "token 1: stream ends without the end token"},
        {{vs3, end, 0}, "token 2: data after the end token"},
        {{vs3, op(1, 3), r0, end}, "token 1: instruction length 3 runs past the end"},
        {{vs3, op(0, 1), r0s, end}, "token 1: instruction length 1 is longer than its operands"},
        {{vs3, op(1, 1), r0, end}, "token 3: instruction too short for its source"},
        {{vs3, op(1, 2), r0, src(CONST, 0) | kRelative, end}, "token 4: instruction too short"},
        {{vs3, 0x0005FFFE, 1, end}, "token 1: comment of 5 dwords runs past the end"},
        {{vs3, 0x0003FFFE, 1, end}, "token 1: comment of 3 dwords runs past the end"},  // one over
        {{vs3, r0s, end}, "token 1: expected an instruction token"},
        {{vs3, op(1, 2), r0, 0x00E40000, end}, "token 3: expected a source operand"},
        {{ps2, op(64, 1), r0, end}, "token 1: unknown opcode 64"},
        {{ps2, op(200, 0), end}, "token 1: unknown opcode 200"},
        {{ps2, op(0xFFFD, 0), end}, "token 1: unknown opcode 65533"},
        {{vs3, op(1, 2), r0, reg(20, 0) | 0xE40000, end}, "token 3: unknown register type 20"},
        {{vs3, op(1, 2), r0, reg(11, 0) | 0xE40000, end}, "token 1: register type 11 does not exist"},
        {{vs3, op(1, 2), r0, r0s | 1u << 14, end}, "token 3: reserved bits set in"},
        {{vs3, op(1, 2) | 1u << 29, r0, r0s, end}, "token 1: reserved bits"},
        {{vs3, op(1, 3), r0, src(CONST, 0) | kRelative, src(ADDR, 0, 0xE4) | 1u << 14, end}, "token 4: reserved bits"},
        {{vs3, op(1, 2) | 1u << 30, r0, r0s, end}, "token 1: co-issue is not available"},
        {{vs3, op(1, 2), r0 | 1u << 24, r0s, end}, "token 1: result shift"},
        {{vs3, op(1, 2), dst(TEMP, 0, 0), r0s, end}, "token 1: bad write mask"},
        {{vs3, op(1, 2, 1), r0, r0s, end}, "token 1: this instruction takes no comparison"},
        {{vs3, op(45, 2, 7), r0s, r0s, end}, "token 1: bad comparison"},
        {{ps2, op(66, 3, 3), r0, src(TEXTURE, 0), src(SAMPLER, 0), end}, "token 1: bad texld variant"},
        {{vs3, op(1, 2), r0, src(TEMP, 0, 0xE4, 2), end}, "token 1: source modifier 2 is not available"},
        {{0xFFFF0300, op(46, 2), r0, r0s, end}, "token 1: mova is not available in ps_3_0"},
        {{ps2, op(31, 2), 0x80000005, dst(TEXTURE, 0), end}, "token 1: this dcl takes no usage in ps_2_0"},
        {{ps2, op(31, 2), 0x00000000, dst(TEXTURE, 0), end}, "token 2: bad dcl usage token"},
        {{vs3, op(2, 4), r0, r0s, r0s, r0s, end}, "token 1: instruction length 4 is longer"},
    };
    // clang-format on
    for (const Case& c : cases) {
        sc::ShaderProgram p;
        std::string error;
        EXPECT_FALSE(sc::decode_shader(c.tokens.data(), c.tokens.size(), p, error)) << c.message;
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    }
}

TEST(ShaderDecodeRejects, EveryTruncationAndEveryCorruptedTokenFailsCleanly) {
    std::vector<uint32_t> good = assemble(R"(vs_3_0
        dcl_position v0
        dcl_position o0
        def c0, 1, 2, 3, 4
        loop aL, i0
          (p0.x) add_sat o0, -c[a0.x + 3], v[aL]
        endloop
        comment 0x1, 0x2
        mov o0, v0
    )");
    sc::ShaderProgram p;
    std::string error;
    ASSERT_TRUE(sc::decode_shader(good.data(), good.size(), p, error)) << error;
    // Each prefix in a buffer of exactly its size, so that the sanitizers see a read past it.
    for (size_t n = 0; n < good.size(); ++n) {
        const std::vector<uint32_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_FALSE(sc::decode_shader(cut.data(), n, p, error)) << n;
        EXPECT_EQ(error.rfind("token ", 0), 0u) << error;
    }
    // Flipping any bit either fails with a message or gives a stream that re-encodes exactly.
    for (size_t i = 0; i < good.size(); ++i) {
        for (int bit = 0; bit < 32; ++bit) {
            std::vector<uint32_t> bad = good;
            bad[i] ^= 1u << bit;
            if (sc::decode_shader(bad.data(), bad.size(), p, error))
                EXPECT_EQ(sc::encode_shader(p), bad) << i << " " << bit;
            else
                EXPECT_EQ(error.rfind("token ", 0), 0u) << error;
        }
    }
}

}  // namespace
