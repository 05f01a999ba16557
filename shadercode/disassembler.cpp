#include "shadercode/disassembler.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shadercode/shader_names.h"

namespace shadercode {
namespace {

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

// A float literal that reads back to the same bits; non-finite values as raw hex bits.
std::string float_text(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f)) return hex(bits);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", double(f));
    float back = std::strtof(buf, nullptr);
    uint32_t back_bits;
    std::memcpy(&back_bits, &back, 4);
    return back_bits == bits ? std::string(buf) : hex(bits);
}

// Shortest swizzle text: lanes after the last written one repeat it.
std::string swizzle_text(uint8_t swizzle) {
    if (swizzle == kSwizzleIdentity) return "";
    unsigned n = 4;
    while (n > 1 && swizzle_lane(swizzle, n - 1) == swizzle_lane(swizzle, n - 2)) --n;
    std::string s = ".";
    for (unsigned i = 0; i < n; ++i) s += "xyzw"[swizzle_lane(swizzle, i)];
    return s;
}

std::string mask_text(uint8_t mask) {
    if (mask == kMaskAll) return "";
    std::string s = ".";
    for (unsigned i = 0; i < 4; ++i)
        if (mask & (1u << i)) s += "xyzw"[i];
    return s;
}

std::string register_text(const ShaderVersion& v, RegisterType type, uint32_t number, bool relative,
                          const RelativeAddress& rel) {
    if (!relative) return register_name(v, type, number);
    std::string base = register_name(v, type, 0);
    if (!base.empty() && base.back() == '0') base.pop_back();  // the number is the offset
    std::string index = rel.type == RegisterType::Loop    ? std::string("aL")
                        : rel.swizzle == kSwizzleIdentity ? std::string("a0")
                        : rel.swizzle != 0
                            ? std::string("a0.") + "xyzw"[rel.swizzle & 3] +
                                  "xyzw"[rel.swizzle >> 2 & 3] + "xyzw"[rel.swizzle >> 4 & 3] +
                                  "xyzw"[rel.swizzle >> 6 & 3]
                            : std::string("a0.") + "xyzw"[rel.component & 3];
    if (number != 0) index += " + " + std::to_string(number);
    return base + "[" + index + "]";
}

std::string source_text(const ShaderVersion& v, const SourceOperand& s) {
    std::string out;
    // One character each (the modifiers exclude each other); appending a character also keeps
    // GCC 12 from a false -Wrestrict on assigning a literal.
    if (s.modifier == SourceModifier::Negate || s.modifier == SourceModifier::AbsNegate)
        out.push_back('-');
    if (s.modifier == SourceModifier::Not) out.push_back('!');
    out += register_text(v, s.type, s.number, s.relative, s.relative_address);
    if (s.modifier == SourceModifier::Abs || s.modifier == SourceModifier::AbsNegate) out += "_abs";
    return out + swizzle_text(s.swizzle);
}

std::string declaration_suffix(const ShaderVersion& v, const Instruction& ins) {
    const Declaration& d = ins.declaration;
    RegisterType type = ins.destination.type;
    if (type == RegisterType::Sampler) {
        switch (d.sampler_type) {
            case SamplerType::Tex2D:
                return "_2d";
            case SamplerType::Cube:
                return "_cube";
            case SamplerType::Volume:
                return "_volume";
            default:
                return "_unknown";
        }
    }
    bool with_usage = (type == RegisterType::Input && (v.is_vertex() || v.is_3_0())) ||
                      (type == RegisterType::Output && v.is_vertex() && v.is_3_0());
    if (!with_usage) return "";
    std::string s = "_";
    s += unsigned(d.usage) < kUsageCount ? kUsageNames[unsigned(d.usage)] : "unknown";
    if (d.usage_index != 0) s += std::to_string(d.usage_index);
    return s;
}

}  // namespace

std::string disassemble_instruction(const ShaderVersion& v, const Instruction& ins) {
    std::string line;
    if (ins.opcode == Opcode::Comment) {
        line = "comment";
        for (size_t i = 0; i < ins.comment.size(); ++i)
            line += (i == 0 ? " " : ", ") + hex(ins.comment[i]);
        return line;
    }
    const OpcodeInfo* info = find_opcode_info(ins.opcode);
    if (ins.predicated) line = "(" + source_text(v, ins.predicate) + ") ";
    line += info ? info->name : "unknown";
    if (ins.opcode == Opcode::Tex && ins.texld == TexldVariant::Project) line += "p";
    if (ins.opcode == Opcode::Tex && ins.texld == TexldVariant::Bias) line += "b";
    if (ins.comparison != Comparison::None && unsigned(ins.comparison) < 7)
        line += std::string("_") + kComparisonNames[unsigned(ins.comparison)];
    if (ins.opcode == Opcode::Dcl) line += declaration_suffix(v, ins);
    std::vector<std::string> operands;
    if (ins.has_destination) {
        const DestinationOperand& d = ins.destination;
        if (d.saturate) line += "_sat";
        if (d.partial_precision) line += "_pp";
        if (d.centroid) line += "_centroid";
        operands.push_back(register_text(v, d.type, d.number, d.relative, d.relative_address) +
                           mask_text(d.write_mask));
    }
    for (const SourceOperand& s : ins.sources) operands.push_back(source_text(v, s));
    if (ins.opcode == Opcode::Def) {
        for (uint32_t bits : ins.literal) operands.push_back(float_text(bits));
    } else if (ins.opcode == Opcode::DefI) {
        for (uint32_t bits : ins.literal) operands.push_back(std::to_string(int32_t(bits)));
    } else if (ins.opcode == Opcode::DefB) {
        uint32_t b = ins.literal[0];
        operands.push_back(b == 0 ? "false" : b == 1 ? "true" : hex(b));
    }
    for (size_t i = 0; i < operands.size(); ++i) line += (i == 0 ? " " : ", ") + operands[i];
    return line;
}

std::string disassemble(const ShaderProgram& program) {
    std::string text = program.version.name() + "\n";
    for (const Instruction& ins : program.instructions)
        text += disassemble_instruction(program.version, ins) + "\n";
    return text;
}

}  // namespace shadercode
