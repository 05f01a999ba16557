#include "shadercode/shader_validation.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "shadercode/shader_names.h"

namespace shadercode {
namespace {

using RegisterKey = std::pair<RegisterType, uint32_t>;

bool readable(const ShaderVersion& v, RegisterType t) {
    switch (t) {
        case RegisterType::Temp:
        case RegisterType::Input:
        case RegisterType::Const:
            return true;
        case RegisterType::Texture:
            return v.is_pixel();  // t# (a0 is only an index)
        case RegisterType::MiscType:
            return true;
        default:
            return false;
    }
}

bool writable(const ShaderVersion& v, RegisterType t) {
    switch (t) {
        case RegisterType::Temp:
            return true;
        case RegisterType::RastOut:
        case RegisterType::AttrOut:
        case RegisterType::TexCrdOut:
            return v.is_vertex();
        case RegisterType::ColorOut:
        case RegisterType::DepthOut:
            return v.is_pixel();
        default:
            return false;
    }
}

// Registers that must be declared before they are read (or, for vs_3_0 outputs, written).
bool needs_declaration(const ShaderVersion& v, RegisterType t) {
    return t == RegisterType::Input || t == RegisterType::Sampler || t == RegisterType::MiscType ||
           (t == RegisterType::Texture && v.is_pixel()) ||
           (t == RegisterType::Output && v.is_vertex() && v.is_3_0());
}

bool is_replicate(uint8_t swizzle) {
    return swizzle == replicate_swizzle(swizzle & 3);
}

unsigned slots(Opcode op) {
    switch (op) {
        case Opcode::Dcl:
        case Opcode::Def:
        case Opcode::DefI:
        case Opcode::DefB:
        case Opcode::Comment:
        case Opcode::Label:
            return 0;
        case Opcode::M4x4:
        case Opcode::M3x4:
            return 4;
        case Opcode::M4x3:
        case Opcode::M3x3:
            return 3;
        case Opcode::M3x2:
            return 2;
        default:
            return 1;
    }
}

class Validator {
  public:
    explicit Validator(const ShaderVersion& v) : v_(v) {}

    // Returns an empty string when the instruction is fine.
    std::string check(const Instruction& ins) {
        const DestinationOperand& d = ins.destination;
        const std::vector<SourceOperand>& s = ins.sources;
        switch (ins.opcode) {
            case Opcode::Comment:
                return "";
            case Opcode::Dcl: {
                if (seen_code_) return "dcl must come before the first instruction";
                if (!declared_.insert({d.type, d.number}).second)
                    return name(d.type, d.number) + " is declared twice";
                return "";
            }
            case Opcode::Def:
            case Opcode::DefI:
            case Opcode::DefB: {
                RegisterType want = ins.opcode == Opcode::Def    ? RegisterType::Const
                                    : ins.opcode == Opcode::DefI ? RegisterType::ConstInt
                                                                 : RegisterType::ConstBool;
                if (d.type != want || d.relative) return "def writes c#, defi i#, defb b#";
                if (d.write_mask != kMaskAll || d.saturate || d.partial_precision || d.centroid)
                    return "a definition takes no write mask or modifier";
                return "";
            }
            default:
                break;
        }
        seen_code_ = true;
        std::string why = check_kinds(ins, d, s);
        if (!why.empty()) return why;
        for (const SourceOperand& src : s) {
            if (src.relative && src.number >= register_count(v_, src.type))
                return relative_out_of_range(src.type, src.number);
            const RelativeAddress& rel = src.relative_address;
            if (src.relative && rel.swizzle != 0 && rel.swizzle != kSwizzleIdentity)
                return "a0 index takes one component (a0.x)";
        }
        if (ins.has_destination && d.relative && d.number >= register_count(v_, d.type))
            return relative_out_of_range(d.type, d.number);
        for (const SourceOperand& src : s)
            if (!src.relative && needs_declaration(v_, src.type) &&
                !declared_.count({src.type, src.number}))
                return name(src.type, src.number) + " is used before its dcl";
        if (ins.has_destination && !d.relative && needs_declaration(v_, d.type) &&
            !declared_.count({d.type, d.number}))
            return name(d.type, d.number) + " is used before its dcl";
        return check_flow(ins);
    }

    // Called after the last instruction.
    std::string finish(size_t& where) {
        if (!blocks_.empty()) {
            where = blocks_.back().second;
            return "block not closed (missing endif, endloop or endrep)";
        }
        for (const auto& [label, at] : calls_)
            if (!labels_.count(label)) {
                where = at;
                return "call to l" + std::to_string(label) + ", which is not defined";
            }
        return "";
    }

    size_t index = 0;

  private:
    std::string name(RegisterType t, uint32_t n) const { return register_name(v_, t, n); }
    std::string relative_out_of_range(RegisterType t, uint32_t n) const {
        return name(t, n) + " (relative offset) is out of range in " + v_.name() + " (" +
               std::to_string(register_count(v_, t)) + " registers)";
    }

    std::string check_kinds(const Instruction& ins, const DestinationOperand& d,
                            const std::vector<SourceOperand>& s) {
        auto all_readable = [&](size_t from, size_t to) -> std::string {
            for (size_t i = from; i < to && i < s.size(); ++i)
                if (!readable(v_, s[i].type))
                    return name(s[i].type, s[i].number) + " cannot be read by this instruction";
            return "";
        };
        switch (ins.opcode) {
            case Opcode::Call:
            case Opcode::Label:
                if (s[0].type != RegisterType::Label) return "a label operand must be l#";
                if (ins.opcode == Opcode::Call) calls_.push_back({s[0].number, index});
                if (ins.opcode == Opcode::Label && !labels_.insert(s[0].number).second)
                    return std::string("l")
                        .append(std::to_string(s[0].number))
                        .append(" is defined twice");
                return "";
            case Opcode::CallNz:
                if (s[0].type != RegisterType::Label) return "callnz calls a label l#";
                calls_.push_back({s[0].number, index});
                [[fallthrough]];
            case Opcode::If: {
                const SourceOperand& c = s.back();
                if (c.type == RegisterType::ConstBool) return "";
                if (c.type == RegisterType::Predicate && is_replicate(c.swizzle)) return "";
                return "the condition must be b# or one component of p0";
            }
            case Opcode::BreakP:
                if (s[0].type != RegisterType::Predicate || !is_replicate(s[0].swizzle))
                    return "breakp tests one component of p0";
                return "";
            case Opcode::Loop:
                if (s[0].type != RegisterType::Loop || s[1].type != RegisterType::ConstInt)
                    return "loop takes aL and i#";
                return "";
            case Opcode::Rep:
                if (s[0].type != RegisterType::ConstInt) return "rep takes i#";
                return "";
            case Opcode::IfC:
            case Opcode::BreakC:
                for (const SourceOperand& c : s)
                    if (!is_replicate(c.swizzle))
                        return "comparison operands must select one component";
                return all_readable(0, 2);
            case Opcode::SetP:
                if (d.type != RegisterType::Predicate) return "setp writes p0";
                return all_readable(0, 2);
            case Opcode::MovA:
                if (d.type != RegisterType::Addr) return "mova writes a0";
                return all_readable(0, 1);
            case Opcode::Tex:
            case Opcode::TexLdl:
            case Opcode::TexLdd:
                if (d.type != RegisterType::Temp) return "a texture fetch writes r#";
                if (s[1].type != RegisterType::Sampler) return "a texture fetch reads from s#";
                if (ins.opcode == Opcode::TexLdd) {
                    std::string why = all_readable(2, 4);
                    if (!why.empty()) return why;
                }
                return all_readable(0, 1);
            case Opcode::TexKill:
                if (d.type != RegisterType::Temp && !readable(v_, d.type))
                    return "texkill tests r#, t# or v#";
                return "";
            case Opcode::SinCos:
                if (d.write_mask & ~(kMaskX | kMaskY)) return "sincos writes .x, .y or .xy";
                break;
            default:
                break;
        }
        if (ins.has_destination && !writable(v_, d.type))
            return name(d.type, d.number) + " cannot be written by this instruction";
        return all_readable(0, s.size());
    }

    // The models' nesting limits: loop and rep blocks 4 deep (1 in vs_2_0), if blocks 24 deep
    // (16 in vs_2_0).
    std::string open(Opcode block) {
        const bool loop = block == Opcode::Loop || block == Opcode::Rep;
        const size_t limit =
            v_.major == 2 && v_.minor == 0 && v_.is_vertex() ? (loop ? 1 : 16) : (loop ? 4 : 24);
        size_t depth = 0;
        for (const auto& b : blocks_)
            depth += (b.first == Opcode::Loop || b.first == Opcode::Rep) == loop ? 1 : 0;
        if (depth >= limit)
            return std::string(loop ? "loop or rep" : "if") + " blocks nested more than " +
                   std::to_string(limit) + " deep in " + v_.name();
        blocks_.push_back({block, index});
        return "";
    }

    std::string check_flow(const Instruction& ins) {
        auto close = [&](Opcode opener, const char* what) -> std::string {
            if (blocks_.empty() || blocks_.back().first != opener)
                return std::string(what) + " without its opening instruction";
            blocks_.pop_back();
            return "";
        };
        switch (ins.opcode) {
            case Opcode::If:
            case Opcode::IfC:
                return open(Opcode::If);
            case Opcode::Loop:
            case Opcode::Rep:
                return open(ins.opcode);
            case Opcode::Else: {
                std::string why = close(Opcode::If, "else");
                if (why.empty()) blocks_.push_back({Opcode::Else, index});
                return why;
            }
            case Opcode::EndIf:
                if (!blocks_.empty() && blocks_.back().first == Opcode::Else)
                    return close(Opcode::Else, "endif");
                return close(Opcode::If, "endif");
            case Opcode::EndLoop:
                return close(Opcode::Loop, "endloop");
            case Opcode::EndRep:
                return close(Opcode::Rep, "endrep");
            case Opcode::Break:
            case Opcode::BreakC:
            case Opcode::BreakP:
                for (const auto& b : blocks_)
                    if (b.first == Opcode::Loop || b.first == Opcode::Rep) return "";
                return "break outside a loop or rep";
            case Opcode::Label:
                if (!blocks_.empty()) return "label inside a block";
                return "";
            default:
                return "";
        }
    }

    const ShaderVersion& v_;
    bool seen_code_ = false;
    std::set<RegisterKey> declared_;
    std::set<uint32_t> labels_;
    std::vector<std::pair<uint32_t, size_t>> calls_;
    std::vector<std::pair<Opcode, size_t>> blocks_;
};

}  // namespace

size_t instruction_slots(const ShaderProgram& program) {
    size_t n = 0;
    for (const Instruction& ins : program.instructions) n += slots(ins.opcode);
    return n;
}

double executed_instructions(const ShaderProgram& program) {
    std::map<uint32_t, uint32_t> counts;  // i# -> the x of its defi
    for (const Instruction& ins : program.instructions)
        if (ins.opcode == Opcode::DefI && !counts.count(ins.destination.number))
            counts[ins.destination.number] = ins.literal[0];
    std::vector<double> repeat = {1.0};
    double total = 0;
    for (const Instruction& ins : program.instructions) {
        switch (ins.opcode) {
            case Opcode::Rep:
            case Opcode::Loop: {
                const size_t at = ins.opcode == Opcode::Rep ? 0 : 1;
                uint32_t n = 255;
                if (at < ins.sources.size()) {
                    const auto it = counts.find(ins.sources[at].number);
                    if (it != counts.end()) n = std::min<uint32_t>(it->second & 0xFF, 255);
                }
                total += repeat.back();
                repeat.push_back(repeat.back() * n);
                continue;
            }
            case Opcode::EndRep:
            case Opcode::EndLoop:
                if (repeat.size() > 1) repeat.pop_back();
                break;
            case Opcode::Def:
            case Opcode::DefI:
            case Opcode::DefB:
            case Opcode::Dcl:
            case Opcode::Comment:
                continue;
            default:
                break;
        }
        total += repeat.back() * slots(ins.opcode);
    }
    return total;
}

bool validate_stream(const std::vector<uint32_t>& tokens, bool pixel, std::string& error) {
    const std::string stage = pixel ? "pixel program" : "vertex program";
    ShaderProgram program;
    std::string why;
    size_t where = 0;
    if (!decode_shader(tokens.data(), tokens.size(), program, why)) {
        error = stage + ": " + why;
        return false;
    }
    if (!validate_shader(program, why, where)) {
        error = stage + " refused: instruction " + std::to_string(where + 1) + ": " + why;
        return false;
    }
    return true;
}

bool validate_shader(const ShaderProgram& program, std::string& error, size_t& where) {
    const ShaderVersion& v = program.version;
    Validator validator(v);
    size_t arithmetic = 0, texture = 0;
    // Guaranteed slot counts of each model; ps_2_0 counts texture and arithmetic apart.
    size_t limit =
        v.is_pixel() ? (v.major == 2 && v.minor == 0 ? 64 : 512) : (v.is_3_0() ? 512 : 256);
    for (size_t i = 0; i < program.instructions.size(); ++i) {
        const Instruction& ins = program.instructions[i];
        validator.index = i;
        std::string why = validator.check(ins);
        if (!why.empty()) {
            error = why;
            where = i;
            return false;
        }
        bool tex = v.is_pixel() && (ins.opcode == Opcode::Tex || ins.opcode == Opcode::TexKill);
        (tex && limit == 64 ? texture : arithmetic) += slots(ins.opcode);
        if (arithmetic > limit || texture > 32) {
            error = "more than " + std::to_string(texture > 32 ? 32 : limit) +
                    (limit == 64 ? (texture > 32 ? " texture" : " arithmetic") : "") +
                    " instruction slots in " + v.name();
            where = i;
            return false;
        }
    }
    std::string why = validator.finish(where);
    if (!why.empty()) {
        error = why;
        return false;
    }
    return true;
}

}  // namespace shadercode
