#pragma once
// The decoded form of a Direct3D 9 shader token stream (vs/ps 2_0, 2_x and 3_0).
//
// Token layout (all tokens 32-bit):
//   version      0xFFFE0000 (vertex) / 0xFFFF0000 (pixel) | major << 8 | minor   (2_x is 2.1)
//   instruction  opcode bits 0-15, controls 16-23, length (tokens after this one) 24-27,
//                predicated bit 28, co-issue bit 30 (never valid here)
//   comment      0xFFFE | dword count << 16 (bits 16-30), followed by that many dwords
//   end          0x0000FFFF
//   operand      bit 31 set, number bits 0-10, type bits 28-30 | bits 11-12 << 3,
//                relative bit 13 (followed by one token naming a0 with its component
//                replicated, or aL with the identity swizzle: 0xF0E40800)
//     destination: write mask 16-19, result modifiers 20-23 (1 sat, 2 pp, 4 centroid), shift 24-27
//     source:      swizzle 16-23 (2 bits per lane, x lowest, 0xE4 identity), modifier 24-27
// Operand order of an instruction: destination, predicate (when predicated), sources.
// dcl: usage token (usage 0-4, usage index 16-19, sampler type 27-30, bit 31) then destination.
// def/defi: destination then 4 literal dwords; defb: destination then 1 literal dword.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace shadercode {

inline constexpr uint32_t kEndToken = 0x0000FFFF;
inline constexpr uint32_t kVertexVersionBase = 0xFFFE0000;
inline constexpr uint32_t kPixelVersionBase = 0xFFFF0000;

enum class ShaderType : uint8_t { Vertex, Pixel };

// The six shader models accepted: 2.0, 2.1 (written 2_x) and 3.0 of either stage.
struct ShaderVersion {
    ShaderType type = ShaderType::Vertex;
    uint8_t major = 2;
    uint8_t minor = 0;

    bool is_pixel() const { return type == ShaderType::Pixel; }
    bool is_vertex() const { return type == ShaderType::Vertex; }
    bool is_3_0() const { return major == 3; }
    bool is_2_x() const { return major == 2 && minor == 1; }
    bool at_least_2_x() const { return major > 2 || minor >= 1; }
    uint32_t token() const {
        return (is_pixel() ? kPixelVersionBase : kVertexVersionBase) | uint32_t(major) << 8 | minor;
    }
    // One bit per model, used by the opcode and register tables (see ShaderModelBit).
    uint8_t model_bit() const;
    // "vs_2_0", "vs_2_x", "vs_3_0", "ps_2_0", "ps_2_x", "ps_3_0".
    std::string name() const;
    bool operator==(const ShaderVersion&) const = default;
};

enum ShaderModelBit : uint8_t {
    kVs20 = 1,
    kVs2x = 2,
    kVs30 = 4,
    kPs20 = 8,
    kPs2x = 16,
    kPs30 = 32,
    kAllVs = kVs20 | kVs2x | kVs30,
    kAllPs = kPs20 | kPs2x | kPs30,
    kAllModels = kAllVs | kAllPs,
};

// Opcode numbers as they appear in bits 0-15 of an instruction token. The ps_1_x-only opcodes
// (texcoord, texbem, cnd, ...) and unknown numbers are rejected by the decoder.
enum class Opcode : uint16_t {
    Nop = 0,
    Mov = 1,
    Add = 2,
    Sub = 3,
    Mad = 4,
    Mul = 5,
    Rcp = 6,
    Rsq = 7,
    Dp3 = 8,
    Dp4 = 9,
    Min = 10,
    Max = 11,
    Slt = 12,
    Sge = 13,
    Exp = 14,
    Log = 15,
    Lit = 16,
    Dst = 17,
    Lrp = 18,
    Frc = 19,
    M4x4 = 20,
    M4x3 = 21,
    M3x4 = 22,
    M3x3 = 23,
    M3x2 = 24,
    Call = 25,
    CallNz = 26,
    Loop = 27,
    Ret = 28,
    EndLoop = 29,
    Label = 30,
    Dcl = 31,
    Pow = 32,
    Crs = 33,
    Sgn = 34,
    Abs = 35,
    Nrm = 36,
    SinCos = 37,
    Rep = 38,
    EndRep = 39,
    If = 40,
    IfC = 41,  // if_gt, if_eq, ... (comparison in the controls)
    Else = 42,
    EndIf = 43,
    Break = 44,
    BreakC = 45,  // break_gt, break_eq, ...
    MovA = 46,
    DefB = 47,
    DefI = 48,
    TexKill = 65,
    Tex = 66,  // texld, texldp, texldb (variant in the controls)
    ExpP = 78,
    LogP = 79,
    Def = 81,
    Cmp = 88,
    Dp2Add = 90,
    Dsx = 91,
    Dsy = 92,
    TexLdd = 93,
    SetP = 94,  // setp_gt, setp_eq, ...
    TexLdl = 95,
    BreakP = 96,
    Comment = 0xFFFE,  // kept as an instruction so the stream re-encodes exactly
};

// Bits 16-18 of ifc, breakc and setp.
enum class Comparison : uint8_t { None = 0, Gt = 1, Eq = 2, Ge = 3, Lt = 4, Ne = 5, Le = 6 };

// Bits 16-23 of the tex opcode.
enum class TexldVariant : uint8_t { Plain = 0, Project = 1, Bias = 2 };

// Register types (bits 28-30 | 11-12 << 3). Some numbers have a second meaning in one stage.
enum class RegisterType : uint8_t {
    Temp = 0,          // r#
    Input = 1,         // v#
    Const = 2,         // c#
    Addr = 3,          // a0 (vertex shaders)
    Texture = 3,       // t# (ps_2_0, ps_2_x)
    RastOut = 4,       // oPos (0), oFog (1), oPts (2) (vs_2_0, vs_2_x)
    AttrOut = 5,       // oD# (vs_2_0, vs_2_x)
    TexCrdOut = 6,     // oT# (vs_2_0, vs_2_x)
    Output = 6,        // o# (vs_3_0)
    ConstInt = 7,      // i#
    ColorOut = 8,      // oC#
    DepthOut = 9,      // oDepth
    Sampler = 10,      // s#
    Const2 = 11,       // not used by these models
    Const3 = 12,       // not used by these models
    Const4 = 13,       // not used by these models
    ConstBool = 14,    // b#
    Loop = 15,         // aL
    TempFloat16 = 16,  // not used by these models
    MiscType = 17,     // vPos (0), vFace (1) (ps_3_0)
    Label = 18,        // l#
    Predicate = 19,    // p0
};
inline constexpr uint8_t kRegisterTypeCount = 20;
inline constexpr uint32_t kMiscPosition = 0;   // vPos
inline constexpr uint32_t kMiscFace = 1;       // vFace
inline constexpr uint32_t kRastPosition = 0;   // oPos
inline constexpr uint32_t kRastFog = 1;        // oFog
inline constexpr uint32_t kRastPointSize = 2;  // oPts

// Source modifiers (bits 24-27). Only None, Negate, Abs, AbsNegate (3_0) and Not (b#, p0) are
// valid in these models; the others belong to ps_1_x and are rejected.
enum class SourceModifier : uint8_t {
    None = 0,
    Negate = 1,
    Bias = 2,
    BiasNegate = 3,
    Sign = 4,
    SignNegate = 5,
    Complement = 6,
    X2 = 7,
    X2Negate = 8,
    Dz = 9,
    Dw = 10,
    Abs = 11,
    AbsNegate = 12,
    Not = 13,
};

// dcl usages (usage token bits 0-4).
enum class Usage : uint8_t {
    Position = 0,
    BlendWeight = 1,
    BlendIndices = 2,
    Normal = 3,
    PointSize = 4,
    TexCoord = 5,
    Tangent = 6,
    Binormal = 7,
    TessFactor = 8,
    PositionT = 9,
    Color = 10,
    Fog = 11,
    Depth = 12,
    Sample = 13,
};
inline constexpr uint8_t kUsageCount = 14;

// dcl sampler texture types (usage token bits 27-30).
enum class SamplerType : uint8_t { None = 0, Tex2D = 2, Cube = 3, Volume = 4 };

// Write mask bits (destination bits 16-19).
inline constexpr uint8_t kMaskX = 1, kMaskY = 2, kMaskZ = 4, kMaskW = 8, kMaskAll = 15;
// The identity swizzle .xyzw.
inline constexpr uint8_t kSwizzleIdentity = 0xE4;
// Component (0 = x .. 3 = w) that a swizzle reads into lane `lane` (0..3).
inline constexpr unsigned swizzle_lane(uint8_t swizzle, unsigned lane) {
    return (swizzle >> (2 * lane)) & 3;
}
// The swizzle that reads `component` into every lane (.x -> 0x00, .y -> 0x55, ...).
inline constexpr uint8_t replicate_swizzle(unsigned component) {
    return uint8_t((component & 3) * 0x55);
}

// Relative addressing of an operand: a0.<component> (vertex shaders) or aL.
struct RelativeAddress {
    RegisterType type = RegisterType::Addr;  // Addr or Loop
    uint8_t component = 0;                   // a0 component 0..3 (the one read); 0 for aL
    // a0's swizzle as written when it is not the component replicated (a bare a0 is .xyzw,
    // 0xe4); 0 when it is. Its first lane is `component`.
    uint8_t swizzle = 0;
    bool operator==(const RelativeAddress&) const = default;
};

struct DestinationOperand {
    RegisterType type = RegisterType::Temp;
    uint32_t number = 0;  // 0..2047
    uint8_t write_mask = kMaskAll;
    bool saturate = false;
    bool partial_precision = false;
    bool centroid = false;
    uint8_t shift = 0;  // ps_1_x only; always 0 here
    bool relative = false;
    RelativeAddress relative_address;  // valid when relative
    bool operator==(const DestinationOperand&) const = default;
};

struct SourceOperand {
    RegisterType type = RegisterType::Temp;
    uint32_t number = 0;  // 0..2047; the offset n of c[a0.x + n]
    uint8_t swizzle = kSwizzleIdentity;
    SourceModifier modifier = SourceModifier::None;
    bool relative = false;
    RelativeAddress relative_address;  // valid when relative
    bool operator==(const SourceOperand&) const = default;
};

// The usage token of a dcl.
struct Declaration {
    Usage usage = Usage::Position;  // for v#/o# of vs and v# of ps_3_0; Position (0) otherwise
    uint8_t usage_index = 0;        // 0..15
    SamplerType sampler_type = SamplerType::None;  // for s#
    bool operator==(const Declaration&) const = default;
};

struct Instruction {
    Opcode opcode = Opcode::Nop;
    Comparison comparison = Comparison::None;  // ifc, breakc, setp
    TexldVariant texld = TexldVariant::Plain;  // tex
    uint32_t length = 0;        // tokens after the instruction token (set by the decoder)
    uint32_t token_offset = 0;  // position of the instruction token (set by the decoder)
    bool predicated = false;
    SourceOperand predicate;  // p0 with swizzle and None or Not, when predicated
    bool has_destination = false;
    DestinationOperand destination;
    std::vector<SourceOperand> sources;
    Declaration declaration;  // dcl
    // def: 4 floats as bits; defi: 4 signed integers as bits; defb: literal[0] (0 false).
    std::array<uint32_t, 4> literal{};
    std::vector<uint32_t> comment;  // the dwords of a Comment
    bool operator==(const Instruction&) const = default;
};

// A whole token stream; the end token is implied.
struct ShaderProgram {
    ShaderVersion version;
    std::vector<Instruction> instructions;
};

// The static description of an opcode (one table drives decoding, encoding, disassembly,
// assembly and validation).
struct OpcodeInfo {
    Opcode opcode;
    const char* name;  // assembly name ("texld" for Tex, "if" for IfC, "break" for BreakC)
    bool has_destination;
    uint8_t source_count;  // see opcode_source_count for sincos
    uint8_t models;        // ShaderModelBit mask of the models it exists in
};

// Every opcode of these models, in opcode order (If before IfC, Break before BreakC).
std::span<const OpcodeInfo> opcode_table();
// The table entry of `op`, or null for an opcode these models do not have.
const OpcodeInfo* find_opcode_info(Opcode op);
// Registers of `type` that `version` has (0: none; c# counts the registers a program may
// use: 256 in vertex shaders, 32 in ps_2_0/ps_2_x, 224 in ps_3_0).
uint32_t register_count(const ShaderVersion& version, RegisterType type);
// Sources of `op` in `version` (sincos takes 3 in 2_0/2_x and 1 in 3_0).
unsigned opcode_source_count(Opcode op, const ShaderVersion& version);
// Literal dwords after the destination: 4 for def/defi, 1 for defb, 0 otherwise.
unsigned opcode_literal_count(Opcode op);

// Checks that an instruction is possible in `version`: the opcode exists there, register types
// and numbers exist there, relative addressing is of an allowed register by an allowed
// register, modifiers, controls, swizzles and write masks are ones the model has, and the
// operand count matches the opcode. The decoder and the assembler both apply it. On failure
// returns false with a message (no position) in `error`.
bool check_instruction(const ShaderVersion& version, const Instruction& ins, std::string& error);

// Decodes a whole stream (version token .. end token, nothing after). Every read is
// bounds-checked; on failure returns false and `error` names the token offset
// ("token 12: unknown opcode 200").
bool decode_shader(const uint32_t* tokens, size_t count, ShaderProgram& out, std::string& error);

// Encodes a program, version and end token included. decode then encode gives back the
// input token for token.
std::vector<uint32_t> encode_shader(const ShaderProgram& program);

}  // namespace shadercode
