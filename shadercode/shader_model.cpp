#include "shadercode/shader_model.h"

#include <cstdio>

#include "shadercode/shader_names.h"

namespace shadercode {
namespace {

constexpr uint8_t kFlow = kAllVs | kPs2x | kPs30;  // static flow control and integer constants
constexpr uint8_t kDynamic = kVs2x | kVs30 | kPs2x | kPs30;  // predicates and dynamic branches

constexpr OpcodeInfo kOpcodes[] = {
    {Opcode::Nop, "nop", false, 0, kAllModels},
    {Opcode::Mov, "mov", true, 1, kAllModels},
    {Opcode::Add, "add", true, 2, kAllModels},
    {Opcode::Sub, "sub", true, 2, kAllModels},
    {Opcode::Mad, "mad", true, 3, kAllModels},
    {Opcode::Mul, "mul", true, 2, kAllModels},
    {Opcode::Rcp, "rcp", true, 1, kAllModels},
    {Opcode::Rsq, "rsq", true, 1, kAllModels},
    {Opcode::Dp3, "dp3", true, 2, kAllModels},
    {Opcode::Dp4, "dp4", true, 2, kAllModels},
    {Opcode::Min, "min", true, 2, kAllModels},
    {Opcode::Max, "max", true, 2, kAllModels},
    {Opcode::Slt, "slt", true, 2, kAllVs},
    {Opcode::Sge, "sge", true, 2, kAllVs},
    {Opcode::Exp, "exp", true, 1, kAllModels},
    {Opcode::Log, "log", true, 1, kAllModels},
    {Opcode::Lit, "lit", true, 1, kAllVs},
    {Opcode::Dst, "dst", true, 2, kAllVs},
    {Opcode::Lrp, "lrp", true, 3, kAllModels},
    {Opcode::Frc, "frc", true, 1, kAllModels},
    {Opcode::M4x4, "m4x4", true, 2, kAllModels},
    {Opcode::M4x3, "m4x3", true, 2, kAllModels},
    {Opcode::M3x4, "m3x4", true, 2, kAllModels},
    {Opcode::M3x3, "m3x3", true, 2, kAllModels},
    {Opcode::M3x2, "m3x2", true, 2, kAllModels},
    {Opcode::Call, "call", false, 1, kFlow},
    {Opcode::CallNz, "callnz", false, 2, kFlow},
    {Opcode::Loop, "loop", false, 2, kAllVs | kPs30},
    {Opcode::Ret, "ret", false, 0, kFlow},
    {Opcode::EndLoop, "endloop", false, 0, kAllVs | kPs30},
    {Opcode::Label, "label", false, 1, kFlow},
    {Opcode::Dcl, "dcl", true, 0, kAllModels},
    {Opcode::Pow, "pow", true, 2, kAllModels},
    {Opcode::Crs, "crs", true, 2, kAllModels},
    {Opcode::Sgn, "sgn", true, 3, kAllVs},
    {Opcode::Abs, "abs", true, 1, kAllModels},
    {Opcode::Nrm, "nrm", true, 1, kAllModels},
    {Opcode::SinCos, "sincos", true, 3, kAllModels},
    {Opcode::Rep, "rep", false, 1, kFlow},
    {Opcode::EndRep, "endrep", false, 0, kFlow},
    {Opcode::If, "if", false, 1, kFlow},
    {Opcode::IfC, "if", false, 2, kDynamic},
    {Opcode::Else, "else", false, 0, kFlow},
    {Opcode::EndIf, "endif", false, 0, kFlow},
    {Opcode::Break, "break", false, 0, kDynamic},
    {Opcode::BreakC, "break", false, 2, kDynamic},
    {Opcode::MovA, "mova", true, 1, kAllVs},
    {Opcode::DefB, "defb", true, 0, kFlow},
    {Opcode::DefI, "defi", true, 0, kFlow},
    {Opcode::TexKill, "texkill", true, 0, kAllPs},
    {Opcode::Tex, "texld", true, 2, kAllPs},
    {Opcode::ExpP, "expp", true, 1, kAllVs},
    {Opcode::LogP, "logp", true, 1, kAllVs},
    {Opcode::Def, "def", true, 0, kAllModels},
    {Opcode::Cmp, "cmp", true, 3, kAllPs},
    {Opcode::Dp2Add, "dp2add", true, 3, kAllPs},
    {Opcode::Dsx, "dsx", true, 1, kPs2x | kPs30},
    {Opcode::Dsy, "dsy", true, 1, kPs2x | kPs30},
    {Opcode::TexLdd, "texldd", true, 4, kPs2x | kPs30},
    {Opcode::SetP, "setp", true, 2, kDynamic},
    {Opcode::TexLdl, "texldl", true, 2, kVs30 | kPs30},
    {Opcode::BreakP, "breakp", false, 1, kDynamic},
    {Opcode::Comment, "comment", false, 0, kAllModels},
};

// Registers of each type in each model (0: the type does not exist there), in the order
// vs_2_0, vs_2_x, vs_3_0, ps_2_0, ps_2_x, ps_3_0.
struct RegisterRange {
    RegisterType type;
    uint16_t count[6];
};
constexpr RegisterRange kRegisterRanges[] = {
    {RegisterType::Temp, {12, 32, 32, 12, 32, 32}},
    {RegisterType::Input, {16, 16, 16, 2, 2, 10}},
    {RegisterType::Const, {256, 256, 256, 32, 32, 224}},
    {RegisterType::Addr, {1, 1, 1, 8, 8, 0}},  // t0-t7 in ps_2_0 and ps_2_x
    {RegisterType::RastOut, {3, 3, 0, 0, 0, 0}},
    {RegisterType::AttrOut, {2, 2, 0, 0, 0, 0}},
    {RegisterType::TexCrdOut, {8, 8, 12, 0, 0, 0}},  // o0-o11 in vs_3_0
    {RegisterType::ConstInt, {16, 16, 16, 0, 16, 16}},
    {RegisterType::ColorOut, {0, 0, 0, 4, 4, 4}},
    {RegisterType::DepthOut, {0, 0, 0, 1, 1, 1}},
    {RegisterType::Sampler, {0, 0, 4, 16, 16, 16}},
    {RegisterType::ConstBool, {16, 16, 16, 0, 16, 16}},
    {RegisterType::Loop, {1, 1, 1, 0, 0, 1}},
    {RegisterType::MiscType, {0, 0, 0, 0, 0, 2}},
    {RegisterType::Label, {2048, 2048, 2048, 0, 2048, 2048}},
    {RegisterType::Predicate, {0, 1, 1, 0, 1, 1}},
};

int model_index(uint8_t bit) {
    int i = 0;
    while (bit > 1) bit >>= 1, ++i;
    return i;
}

std::string reg_text(const ShaderVersion& v, RegisterType type, uint32_t number) {
    if (register_count(v, type) == 0 &&
        (type == RegisterType::Const2 || type == RegisterType::Const3 ||
         type == RegisterType::Const4 || type == RegisterType::TempFloat16))
        return "register type " + std::to_string(unsigned(type));
    return register_name(v, type, number);
}

bool fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

bool check_register(const ShaderVersion& v, RegisterType type, uint32_t number, bool relative,
                    std::string& error) {
    uint32_t count = register_count(v, type);
    if (count == 0)
        return fail(error, reg_text(v, type, number) + " does not exist in " + v.name());
    // A relative operand's offset may pass the register count: where it lands is the run-time
    // index's business (validation refuses it, the token field caps it).
    if (number >= count && !relative)
        return fail(error, reg_text(v, type, number) + " is out of range in " + v.name() + " (" +
                               std::to_string(count) + " registers)");
    return true;
}

// Which registers may be addressed relatively, and by what.
bool check_relative(const ShaderVersion& v, RegisterType type, const RelativeAddress& rel,
                    bool destination, std::string& error) {
    if (rel.type == RegisterType::Addr) {
        if (!v.is_vertex()) return fail(error, "a0 exists only in vertex shaders");
        if (rel.component > 3) return fail(error, "bad a0 component");
    } else if (rel.type == RegisterType::Loop) {
        if (register_count(v, RegisterType::Loop) == 0)
            return fail(error, "aL does not exist in " + v.name());
        if (rel.component != 0) return fail(error, "aL is a scalar and takes no swizzle");
    } else {
        return fail(error, "only a0 and aL can address registers relatively");
    }
    bool by_loop = rel.type == RegisterType::Loop;
    bool ok = false;
    if (v.is_vertex()) {
        if (destination)
            ok = v.is_3_0() && type == RegisterType::Output;
        else
            ok = type == RegisterType::Const ||
                 (v.is_3_0() && type == RegisterType::Input && by_loop);
    } else {
        ok = !destination && v.is_3_0() && type == RegisterType::Input && by_loop;
    }
    if (!ok)
        return fail(error, "this register cannot be addressed relatively by " +
                               std::string(by_loop ? "aL" : "a0") + " in " + v.name());
    return true;
}

bool takes_no_swizzle(RegisterType type, const ShaderVersion& v) {
    return type == RegisterType::Label || type == RegisterType::ConstBool ||
           type == RegisterType::Loop || type == RegisterType::ConstInt ||
           (type == RegisterType::Sampler && !v.is_3_0());
}

bool is_logical(RegisterType type) {
    return type == RegisterType::Predicate || type == RegisterType::ConstBool;
}

bool check_source(const ShaderVersion& v, const SourceOperand& s, std::string& error) {
    if (!check_register(v, s.type, s.number, s.relative, error)) return false;
    if (s.relative && !check_relative(v, s.type, s.relative_address, false, error)) return false;
    if (s.swizzle != kSwizzleIdentity && takes_no_swizzle(s.type, v))
        return fail(error, "this register takes no swizzle");
    bool plain =
        !is_logical(s.type) && !takes_no_swizzle(s.type, v) && s.type != RegisterType::Sampler;
    switch (s.modifier) {
        case SourceModifier::None:
            return true;
        case SourceModifier::Negate:
            if (!plain) return fail(error, "this register cannot be negated");
            return true;
        case SourceModifier::Abs:
        case SourceModifier::AbsNegate:
            if (!v.is_3_0()) return fail(error, "the _abs source modifier needs shader model 3");
            if (!plain) return fail(error, "this register takes no _abs");
            return true;
        case SourceModifier::Not:
            if (!is_logical(s.type)) return fail(error, "! applies only to b# and p0");
            return true;
        default:
            return fail(error, "source modifier " + std::to_string(unsigned(s.modifier)) +
                                   " is not available in " + v.name());
    }
}

bool is_texture_fetch(Opcode op) {
    return op == Opcode::Tex || op == Opcode::TexLdd || op == Opcode::TexLdl;
}

bool check_destination(const ShaderVersion& v, const Instruction& ins, std::string& error) {
    const DestinationOperand& d = ins.destination;
    if (!check_register(v, d.type, d.number, d.relative, error)) return false;
    if (d.relative && !check_relative(v, d.type, d.relative_address, true, error)) return false;
    if (d.write_mask == 0 || d.write_mask > kMaskAll) return fail(error, "bad write mask");
    if (d.shift != 0) return fail(error, "result shift is not available in " + v.name());
    if (d.saturate && (ins.opcode == Opcode::Dcl || !(v.is_pixel() || v.is_3_0())))
        return fail(error, "_sat is not available here in " + v.name());
    if (d.partial_precision && !v.is_pixel())
        return fail(error, "_pp is available only in pixel shaders");
    if (d.centroid &&
        !(v.is_pixel() && (ins.opcode == Opcode::Dcl || is_texture_fetch(ins.opcode))))
        return fail(error, "_centroid applies only to pixel shader dcl and texture fetches");
    return true;
}

// The register kinds a dcl can declare and what its usage token may say.
bool check_declaration(const ShaderVersion& v, const Instruction& ins, std::string& error) {
    const DestinationOperand& d = ins.destination;
    const Declaration& dc = ins.declaration;
    if (d.relative) return fail(error, "a dcl register cannot be relative");
    bool with_usage = false;
    if (d.type == RegisterType::Sampler) {
        if (dc.sampler_type != SamplerType::Tex2D && dc.sampler_type != SamplerType::Cube &&
            dc.sampler_type != SamplerType::Volume)
            return fail(error, "a sampler dcl needs a texture type (_2d, _cube or _volume)");
        if (d.write_mask != kMaskAll) return fail(error, "a sampler dcl takes no write mask");
    } else {
        if (dc.sampler_type != SamplerType::None)
            return fail(error, "a texture type applies only to s# registers");
        if (d.type == RegisterType::Input)
            with_usage = v.is_vertex() || v.is_3_0();
        else if (d.type == RegisterType::Output && v.is_vertex() && v.is_3_0())
            with_usage = true;
        else if (!(d.type == RegisterType::Texture && v.is_pixel()) &&
                 !(d.type == RegisterType::MiscType))
            return fail(error, "this register cannot be declared in " + v.name());
    }
    if (with_usage) {
        if (unsigned(dc.usage) >= kUsageCount) return fail(error, "unknown dcl usage");
        if (dc.usage_index > 15) return fail(error, "dcl usage index above 15");
    } else if (dc.usage != Usage::Position || dc.usage_index != 0) {
        return fail(error, "this dcl takes no usage in " + v.name());
    }
    return true;
}

}  // namespace

uint32_t register_count(const ShaderVersion& v, RegisterType type) {
    for (const RegisterRange& r : kRegisterRanges)
        if (r.type == type) return r.count[model_index(v.model_bit())];
    return 0;
}

uint8_t ShaderVersion::model_bit() const {
    uint8_t base = is_pixel() ? kPs20 : kVs20;
    return uint8_t(major == 3 ? base << 2 : minor == 1 ? base << 1 : base);
}

std::string ShaderVersion::name() const {
    std::string s = is_pixel() ? "ps_" : "vs_";
    s += char('0' + major);
    s += '_';
    s += minor == 1 && major == 2 ? 'x' : char('0' + minor);
    return s;
}

std::span<const OpcodeInfo> opcode_table() {
    return kOpcodes;
}

const OpcodeInfo* find_opcode_info(Opcode op) {
    for (const OpcodeInfo& info : kOpcodes)
        if (info.opcode == op) return &info;
    return nullptr;
}

unsigned opcode_source_count(Opcode op, const ShaderVersion& version) {
    if (op == Opcode::SinCos) return version.is_3_0() ? 1 : 3;
    const OpcodeInfo* info = find_opcode_info(op);
    return info ? info->source_count : 0;
}

unsigned opcode_literal_count(Opcode op) {
    return op == Opcode::Def || op == Opcode::DefI ? 4 : op == Opcode::DefB ? 1 : 0;
}

bool check_instruction(const ShaderVersion& v, const Instruction& ins, std::string& error) {
    const OpcodeInfo* info = find_opcode_info(ins.opcode);
    if (info == nullptr)
        return fail(error, "unknown opcode " + std::to_string(unsigned(ins.opcode)));
    if (!(info->models & v.model_bit()))
        return fail(error, std::string(info->name) + " is not available in " + v.name());
    if (ins.opcode == Opcode::Comment) return true;
    bool compares =
        ins.opcode == Opcode::IfC || ins.opcode == Opcode::BreakC || ins.opcode == Opcode::SetP;
    if (unsigned(ins.comparison) > 6) return fail(error, "bad comparison");
    if (compares != (ins.comparison != Comparison::None))
        return fail(error,
                    compares ? "comparison missing" : "this instruction takes no comparison");
    if (ins.texld != TexldVariant::Plain &&
        (ins.opcode != Opcode::Tex || unsigned(ins.texld) > unsigned(TexldVariant::Bias)))
        return fail(error, "bad texld variant");
    if (ins.has_destination != info->has_destination)
        return fail(error,
                    std::string(info->name) +
                        (info->has_destination ? " needs a destination" : " takes no destination"));
    unsigned sources = opcode_source_count(ins.opcode, v);
    if (ins.sources.size() != sources)
        return fail(error, std::string(info->name) + " takes " + std::to_string(sources) +
                               " source operand" + (sources == 1 ? "" : "s") + " in " + v.name());
    if (ins.predicated) {
        if (!v.at_least_2_x()) return fail(error, "predication is not available in " + v.name());
        bool flow = !info->has_destination || ins.opcode == Opcode::Dcl ||
                    ins.opcode == Opcode::Def || ins.opcode == Opcode::DefI ||
                    ins.opcode == Opcode::DefB;
        if (flow) return fail(error, std::string(info->name) + " cannot be predicated");
        const SourceOperand& p = ins.predicate;
        if (p.type != RegisterType::Predicate || p.relative ||
            (p.modifier != SourceModifier::None && p.modifier != SourceModifier::Not))
            return fail(error, "the predicate must be p0 or !p0");
        if (!check_source(v, p, error)) return false;
    }
    if (ins.has_destination && !check_destination(v, ins, error)) return false;
    if (ins.opcode == Opcode::Dcl && !check_declaration(v, ins, error)) return false;
    for (const SourceOperand& s : ins.sources)
        if (!check_source(v, s, error)) return false;
    return true;
}

// ---- encoding -------------------------------------------------------------------------------

namespace {

uint32_t register_bits(RegisterType type, uint32_t number) {
    uint32_t t = uint32_t(type);
    return 0x80000000u | (number & 0x7FF) | (t & 7) << 28 | (t >> 3 & 3) << 11;
}

// a0 carries its swizzle as written (.y -> .yyyy, a bare a0 .xyzw); aL, a scalar, the identity
// swizzle.
void put_relative(std::vector<uint32_t>& out, const RelativeAddress& rel) {
    uint8_t swizzle = rel.type == RegisterType::Loop ? kSwizzleIdentity
                      : rel.swizzle != 0             ? rel.swizzle
                                                     : replicate_swizzle(rel.component);
    out.push_back(register_bits(rel.type, 0) | uint32_t(swizzle) << 16);
}

void put_destination(std::vector<uint32_t>& out, const DestinationOperand& d) {
    uint32_t mods =
        (d.saturate ? 1u : 0u) | (d.partial_precision ? 2u : 0u) | (d.centroid ? 4u : 0u);
    out.push_back(register_bits(d.type, d.number) | (d.relative ? 1u << 13 : 0u) |
                  uint32_t(d.write_mask & 15) << 16 | mods << 20 | uint32_t(d.shift & 15) << 24);
    if (d.relative) put_relative(out, d.relative_address);
}

void put_source(std::vector<uint32_t>& out, const SourceOperand& s) {
    out.push_back(register_bits(s.type, s.number) | (s.relative ? 1u << 13 : 0u) |
                  uint32_t(s.swizzle) << 16 | uint32_t(unsigned(s.modifier) & 15) << 24);
    if (s.relative) put_relative(out, s.relative_address);
}

void put_instruction(std::vector<uint32_t>& out, const Instruction& ins) {
    if (ins.opcode == Opcode::Comment) {
        out.push_back(0xFFFEu | uint32_t(ins.comment.size() & 0x7FFF) << 16);
        out.insert(out.end(), ins.comment.begin(), ins.comment.end());
        return;
    }
    size_t at = out.size();
    out.push_back(0);
    if (ins.opcode == Opcode::Dcl) {
        const Declaration& d = ins.declaration;
        out.push_back(0x80000000u | (uint32_t(d.usage) & 31) | uint32_t(d.usage_index & 15) << 16 |
                      (uint32_t(d.sampler_type) & 15) << 27);
    }
    if (ins.has_destination) put_destination(out, ins.destination);
    if (ins.predicated) put_source(out, ins.predicate);
    for (const SourceOperand& s : ins.sources) put_source(out, s);
    for (unsigned i = 0; i < opcode_literal_count(ins.opcode); ++i) out.push_back(ins.literal[i]);
    uint32_t controls = ins.opcode == Opcode::Tex ? uint32_t(ins.texld) : uint32_t(ins.comparison);
    uint32_t length = uint32_t(out.size() - at - 1);
    out[at] = uint32_t(ins.opcode) | (controls & 0xFF) << 16 | (length & 15) << 24 |
              (ins.predicated ? 1u << 28 : 0u);
}

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

// A bounds-checked reader over one instruction's tokens.
struct Reader {
    const uint32_t* tokens;
    size_t pos;
    size_t end;
    std::string& error;

    bool next(uint32_t& t, const char* what) {
        if (pos >= end) {
            error = "token " + std::to_string(pos) + ": instruction too short for its " + what;
            return false;
        }
        t = tokens[pos++];
        return true;
    }
    bool operand(uint32_t& t, RegisterType& type, const char* what) {
        if (!next(t, what)) return false;
        if (!(t & 0x80000000u)) {
            error = "token " + std::to_string(pos - 1) + ": expected a " + what + " operand, got " +
                    hex(t);
            return false;
        }
        unsigned ty = (t >> 28 & 7) | (t >> 11 & 3) << 3;
        if (ty >= kRegisterTypeCount) {
            error = "token " + std::to_string(pos - 1) + ": unknown register type " +
                    std::to_string(ty);
            return false;
        }
        type = RegisterType(ty);
        return true;
    }
    bool relative(bool present, RelativeAddress& rel) {
        if (!present) return true;
        uint32_t t;
        RegisterType type;
        if (!operand(t, type, "relative address")) return false;
        rel.type = type;
        rel.component = uint8_t(t >> 16 & 3);
        const uint8_t swizzle = uint8_t(t >> 16 & 0xFF);
        rel.swizzle =
            type == RegisterType::Addr && swizzle != replicate_swizzle(rel.component) ? swizzle : 0;
        return true;
    }
    bool destination(DestinationOperand& d) {
        uint32_t t;
        if (!operand(t, d.type, "destination")) return false;
        d.number = t & 0x7FF;
        d.relative = t & (1u << 13);
        d.write_mask = uint8_t(t >> 16 & 15);
        d.saturate = t & (1u << 20);
        d.partial_precision = t & (1u << 21);
        d.centroid = t & (1u << 22);
        d.shift = uint8_t(t >> 24 & 15);
        return relative(d.relative, d.relative_address);
    }
    bool source(SourceOperand& s) {
        uint32_t t;
        if (!operand(t, s.type, "source")) return false;
        s.number = t & 0x7FF;
        s.relative = t & (1u << 13);
        s.swizzle = uint8_t(t >> 16);
        s.modifier = SourceModifier(t >> 24 & 15);
        return relative(s.relative, s.relative_address);
    }
};

}  // namespace

std::vector<uint32_t> encode_shader(const ShaderProgram& program) {
    std::vector<uint32_t> out{program.version.token()};
    for (const Instruction& ins : program.instructions) put_instruction(out, ins);
    out.push_back(kEndToken);
    return out;
}

bool decode_shader(const uint32_t* tokens, size_t count, ShaderProgram& out, std::string& error) {
    out = ShaderProgram{};
    auto at = [&](size_t pos, const std::string& message) {
        error = "token " + std::to_string(pos) + ": " + message;
        return false;
    };
    if (tokens == nullptr || count == 0) return at(0, "empty token stream");
    uint32_t vt = tokens[0];
    uint32_t base = vt & 0xFFFF0000u;
    out.version.type = base == kPixelVersionBase ? ShaderType::Pixel : ShaderType::Vertex;
    out.version.major = uint8_t(vt >> 8);
    out.version.minor = uint8_t(vt);
    bool known_model = (out.version.major == 2 && out.version.minor <= 1) ||
                       (out.version.major == 3 && out.version.minor == 0);
    if ((base != kPixelVersionBase && base != kVertexVersionBase) || !known_model)
        return at(0, "unsupported version token " + hex(vt));
    size_t pos = 1;
    for (;;) {
        if (pos >= count) return at(pos, "stream ends without the end token");
        uint32_t t = tokens[pos];
        if (t == kEndToken) {
            if (pos + 1 != count) return at(pos + 1, "data after the end token");
            return true;
        }
        Instruction ins;
        ins.token_offset = uint32_t(pos);
        size_t left = count - pos - 1;
        if ((t & 0xFFFF) == 0xFFFE) {
            if (t & 0x80000000u) return at(pos, "bad comment token " + hex(t));
            size_t n = t >> 16 & 0x7FFF;
            if (n > left)
                return at(pos, "comment of " + std::to_string(n) + " dwords runs past the end");
            ins.opcode = Opcode::Comment;
            ins.length = uint32_t(n);
            ins.comment.assign(tokens + pos + 1, tokens + pos + 1 + n);
            out.instructions.push_back(std::move(ins));
            pos += 1 + n;
            continue;
        }
        if (t & 0x80000000u) return at(pos, "expected an instruction token, got " + hex(t));
        const OpcodeInfo* info = find_opcode_info(Opcode(t & 0xFFFF));
        if (info == nullptr || info->opcode == Opcode::Comment)
            return at(pos, "unknown opcode " + std::to_string(t & 0xFFFF));
        if (t & (1u << 30)) return at(pos, "co-issue is not available in these shader models");
        ins.opcode = info->opcode;
        ins.length = t >> 24 & 15;
        ins.predicated = t & (1u << 28);
        uint32_t controls = t >> 16 & 0xFF;
        if (ins.opcode == Opcode::Tex)
            ins.texld = TexldVariant(controls);
        else
            ins.comparison = Comparison(controls);
        if (ins.length > left)
            return at(pos,
                      "instruction length " + std::to_string(ins.length) + " runs past the end");
        size_t end = pos + 1 + ins.length;
        Reader in{tokens, pos + 1, end, error};
        if (ins.opcode == Opcode::Dcl) {
            uint32_t u;
            if (!in.next(u, "usage token")) return false;
            if (!(u & 0x80000000u)) return at(in.pos - 1, "bad dcl usage token " + hex(u));
            ins.declaration.usage = Usage(u & 31);
            ins.declaration.usage_index = uint8_t(u >> 16 & 15);
            ins.declaration.sampler_type = SamplerType(u >> 27 & 15);
        }
        ins.has_destination = info->has_destination;
        if (ins.has_destination && !in.destination(ins.destination)) return false;
        if (ins.predicated && !in.source(ins.predicate)) return false;
        ins.sources.resize(opcode_source_count(ins.opcode, out.version));
        for (SourceOperand& s : ins.sources)
            if (!in.source(s)) return false;
        for (unsigned i = 0; i < opcode_literal_count(ins.opcode); ++i)
            if (!in.next(ins.literal[i], "literal")) return false;
        if (in.pos != end)
            return at(pos, "instruction length " + std::to_string(ins.length) +
                               " is longer than its operands (" + std::to_string(in.pos - pos - 1) +
                               ")");
        std::string why;
        if (!check_instruction(out.version, ins, why)) return at(pos, why);
        // Bits that the model does not hold (reserved fields) must be clear.
        std::vector<uint32_t> again;
        put_instruction(again, ins);
        for (size_t i = 0; i < again.size(); ++i)
            if (again[i] != tokens[pos + i])
                return at(pos + i, "reserved bits set in " + hex(tokens[pos + i]));
        out.instructions.push_back(std::move(ins));
        pos = end;
    }
}

}  // namespace shadercode
