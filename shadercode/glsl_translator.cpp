#include "shadercode/glsl_translator.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "shadercode/shader_model.h"

// Where Direct3D's documentation and its drivers leave room, this translator settles:
// - rcp(0) and rsq(0) give +FLT_MAX, log(0) gives -FLT_MAX; rcp/rsq/log results are clamped to
//   +-FLT_MAX; pow(0, y < 0) is +inf; pow(x, 0) is 1 for every x.
// - min/max follow the documented comparison: NaN in either operand yields src1.
// - mova rounds halves away from zero; a0 is clamped to +-65536 (NaN reads some slot or 0).
// - loop and rep counts are clamped to 0..255; aL start and step are taken as they are, every
//   relative read or write is bounds-checked (reads outside give 0).
// - A pixel input the vertex shader never writes reads (0,0,0,0); an undeclared input register
//   reads (0,0,0,1). A declared input reads all four lanes of its varying.
// - Scalar instructions without a replicate swizzle read the x lane.
// - texkill sets a flag; the fragment is discarded at the end of main, so derivatives after it
//   stay defined.
// - vFace follows the winding only (not the cull mode).
namespace shadercode {

namespace {

// Direct3D 9 arithmetic in GLSL. Every multiply-based operation goes through bw_mul, which
// zeroes each factor where the other factor is zero, so that 0 * inf and 0 * NaN give 0 as
// on Windows drivers. Selections use mix() with a boolean vector, which picks exactly. GLSL
// compilers may fold a compare-and-select into min/max, whose NaN results are undefined, so
// min and max test NaN on the bits.
constexpr const char* kHelpers = R"(const float BW_FLT_MAX = 3.402823466e+38;
vec4 bw_mul(vec4 a, vec4 b) {
    return mix(a, vec4(0.0), equal(b, vec4(0.0))) * mix(b, vec4(0.0), equal(a, vec4(0.0)));
}
float bw_mul1(float a, float b) {
    return (b == 0.0 ? 0.0 : a) * (a == 0.0 ? 0.0 : b);
}
float bw_dp2(vec4 a, vec4 b) { vec4 m = bw_mul(a, b); return m.x + m.y; }
float bw_dp3(vec4 a, vec4 b) { vec4 m = bw_mul(a, b); return m.x + m.y + m.z; }
float bw_dp4(vec4 a, vec4 b) { vec4 m = bw_mul(a, b); return m.x + m.y + m.z + m.w; }
vec4 bw_sat(vec4 v) {
    return mix(vec4(0.0), min(v, vec4(1.0)), greaterThan(v, vec4(0.0)));
}
float bw_limit(float r) {
    return r > BW_FLT_MAX ? BW_FLT_MAX : (r < -BW_FLT_MAX ? -BW_FLT_MAX : r);
}
float bw_rcp(float x) {
    if (x == 1.0) return 1.0;
    if (x == 0.0) return BW_FLT_MAX;
    return bw_limit(1.0 / x);
}
float bw_rsq(float x) {
    float a = abs(x);
    if (a == 1.0) return 1.0;
    if (a == 0.0) return BW_FLT_MAX;
    return bw_limit(inversesqrt(a));
}
float bw_log(float x) {
    float a = abs(x);
    if (a == 0.0) return -BW_FLT_MAX;
    return bw_limit(log2(a));
}
float bw_pow(float x, float y) {
    if (y == 0.0) return 1.0;
    float a = abs(x);
    if (a == 0.0) return y > 0.0 ? 0.0 : (y < 0.0 ? uintBitsToFloat(0x7F800000u) : y);
    return exp2(y * log2(a));
}
vec4 bw_nrm(vec4 v) {
    float d = v.x * v.x + v.y * v.y + v.z * v.z;
    float f = d == 0.0 ? BW_FLT_MAX : inversesqrt(d);
    return bw_mul(v, vec4(f));
}
vec4 bw_crs(vec4 a, vec4 b) {
    vec4 l = bw_mul(vec4(a.yzx, 0.0), vec4(b.zxy, 0.0));
    vec4 r = bw_mul(vec4(a.zxy, 0.0), vec4(b.yzx, 0.0));
    return vec4(l.xyz - r.xyz, 0.0);
}
bvec4 bw_nan(vec4 v) {
    return greaterThan(floatBitsToUint(v) & uvec4(0x7FFFFFFFu), uvec4(0x7F800000u));
}
bvec4 bw_or(bvec4 a, bvec4 b) { return bvec4(uvec4(a) | uvec4(b)); }
vec4 bw_min(vec4 a, vec4 b) { return mix(mix(b, a, lessThan(a, b)), b, bw_or(bw_nan(a), bw_nan(b))); }
vec4 bw_max(vec4 a, vec4 b) {
    return mix(mix(b, a, greaterThanEqual(a, b)), b, bw_or(bw_nan(a), bw_nan(b)));
}
vec4 bw_sgn(vec4 v) {
    return mix(mix(vec4(0.0), vec4(1.0), greaterThan(v, vec4(0.0))), vec4(-1.0),
               lessThan(v, vec4(0.0)));
}
vec4 bw_lit(vec4 s) {
    vec4 d = vec4(1.0, 0.0, 0.0, 1.0);
    float p = s.w < -127.9961 ? -127.9961 : (s.w > 127.9961 ? 127.9961 : s.w);
    if (s.x > 0.0) {
        d.y = s.x;
        if (s.y > 0.0) d.z = bw_pow(s.y, p);
    }
    return d;
}
ivec4 bw_mova(vec4 v) {
    vec4 r = floor(abs(v) + vec4(0.5)) * sign(v);
    return ivec4(clamp(r, vec4(-65536.0), vec4(65536.0)));
}
)";

constexpr const char* kLaneNames = "xyzw";

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08Xu", unsigned(v));
    return buf;
}

std::string uvec4_literal(const std::array<uint32_t, 4>& v) {
    return "uvec4(" + hex32(v[0]) + ", " + hex32(v[1]) + ", " + hex32(v[2]) + ", " + hex32(v[3]) +
           ")";
}

std::string mask_string(uint8_t mask) {
    std::string s;
    for (unsigned lane = 0; lane < 4; ++lane)
        if (mask & (1u << lane)) s += kLaneNames[lane];
    return s;
}

const char* comparison_operator(Comparison c) {
    switch (c) {
        case Comparison::Gt:
            return ">";
        case Comparison::Eq:
            return "==";
        case Comparison::Ge:
            return ">=";
        case Comparison::Lt:
            return "<";
        case Comparison::Ne:
            return "!=";
        case Comparison::Le:
            return "<=";
        default:
            return nullptr;
    }
}

const char* comparison_function(Comparison c) {
    switch (c) {
        case Comparison::Gt:
            return "greaterThan";
        case Comparison::Eq:
            return "equal";
        case Comparison::Ge:
            return "greaterThanEqual";
        case Comparison::Lt:
            return "lessThan";
        case Comparison::Ne:
            return "notEqual";
        case Comparison::Le:
            return "lessThanEqual";
        default:
            return nullptr;
    }
}

std::string instruction_name(const Instruction& ins) {
    const OpcodeInfo* info = find_opcode_info(ins.opcode);
    std::string name = info ? info->name : "opcode " + std::to_string(unsigned(ins.opcode));
    if (ins.opcode == Opcode::Tex && ins.texld == TexldVariant::Project) name = "texldp";
    if (ins.opcode == Opcode::Tex && ins.texld == TexldVariant::Bias) name = "texldb";
    return name;
}

// A vs_3_0 output or ps_3_0 input declaration.
struct Semantic {
    uint32_t reg = 0;
    uint8_t mask = kMaskAll;
    uint32_t usage = 0;
    uint32_t index = 0;
    bool centroid = false;
};

struct VaryingKey {
    uint32_t usage = 0;
    uint32_t index = 0;
    bool operator<(const VaryingKey& o) const {
        return usage != o.usage ? usage < o.usage : index < o.index;
    }
};

// One function of the emitted program: main's body (label -1) or a subroutine.
struct Function {
    int label = -1;
    size_t begin = 0;  // instruction range
    size_t end = 0;
};

// Register counts of one stage.
constexpr uint32_t kVsInputCount = 16;
constexpr uint32_t kPsInputCount = 10;
constexpr uint32_t kVsOutputCount = 12;
constexpr uint32_t kTempCount = 32;
constexpr uint32_t kLabelCount = 2048;

class StageTranslator {
  public:
    StageTranslator(const ShaderProgram& program, const char* stage_name)
        : p_(program), stage_name_(stage_name) {}

    bool vertex() const { return p_.version.is_vertex(); }
    bool sm3() const { return p_.version.is_3_0(); }
    const std::string& error() const { return error_; }

    bool analyse();
    bool emit_body(std::string& code);

    // Analysis results used by the program assembly.
    std::set<uint32_t> temps;
    std::map<uint32_t, std::array<uint32_t, 4>> float_defs;
    std::map<uint32_t, std::array<uint32_t, 4>> int_defs;
    std::map<uint32_t, uint32_t> bool_defs;
    std::set<uint32_t> int_used;  // i#/b# read by flow control
    std::set<uint32_t> bool_used;
    std::map<uint32_t, SamplerType> samplers;
    std::vector<Semantic> inputs;   // vs: attributes; ps_3_0: varyings
    std::vector<Semantic> outputs;  // vs_3_0 declared outputs
    std::set<uint32_t> ps2_colors;  // ps_2_x v# read or declared
    std::set<uint32_t> ps2_texcoords;
    std::set<uint32_t> ps2_centroid_colors;  // declared _centroid
    std::set<uint32_t> ps2_centroid_texcoords;
    std::set<uint32_t> colour_outputs;
    bool relative_const = false;
    bool relative_input = false;
    bool relative_output = false;
    bool uses_vpos = false;
    bool uses_vface = false;
    bool uses_depth = false;
    bool uses_kill = false;

  private:
    void fail(const Instruction& ins, const std::string& what);
    void fail_text(const std::string& what) {
        if (error_.empty()) error_ = what;
    }
    bool ok() const { return error_.empty(); }

    void note_operand_register(RegisterType type, uint32_t number);
    bool check_calls();

    // Expressions.
    std::string index_expression(const Instruction& ins, const RelativeAddress& rel,
                                 uint32_t number);
    std::string register_value(const Instruction& ins, RegisterType type, uint32_t number,
                               bool relative, const RelativeAddress& rel);
    std::string apply_modifier(const Instruction& ins, const std::string& e, SourceModifier m);
    std::string src(const Instruction& ins, size_t i, uint32_t offset = 0);
    std::string src_lane(const Instruction& ins, size_t i, unsigned position);
    std::string bool_condition(const Instruction& ins, const SourceOperand& s);
    std::string compare_scalar(const Instruction& ins);
    std::string texture_fetch(const Instruction& ins);

    // Statements.
    void line(const std::string& s);
    void store(const Instruction& ins, const std::string& value, char kind,
               uint8_t allowed = kMaskAll);
    void emit_instruction(const Instruction& ins);
    void emit_function(const Function& f);

    const ShaderProgram& p_;
    const char* stage_name_;
    std::string error_;
    std::string* out_ = nullptr;
    int indent_ = 1;
    int counter_ = 0;
    std::vector<Function> functions_;
    std::map<uint32_t, size_t> label_function_;  // label -> index in functions_
    std::vector<char> blocks_;                   // 'i' if, 'e' else, 'r' rep, 'l' loop
    std::vector<std::string> loop_saved_;        // suffix of each open loop's saved aL
};

void StageTranslator::fail(const Instruction& ins, const std::string& what) {
    fail_text(what + " in '" + instruction_name(ins) + "' at token " +
              std::to_string(ins.token_offset) + " of the " + stage_name_);
}

void StageTranslator::note_operand_register(RegisterType type, uint32_t number) {
    if (type == RegisterType::Temp) {
        if (number < kTempCount) temps.insert(number);
    } else if (!vertex() && !sm3() && type == RegisterType::Input) {
        ps2_colors.insert(number);
    } else if (!vertex() && !sm3() && type == RegisterType::Texture) {
        ps2_texcoords.insert(number);
    } else if (!vertex() && type == RegisterType::ColorOut) {
        colour_outputs.insert(number);
    } else if (!vertex() && type == RegisterType::DepthOut) {
        uses_depth = true;
    } else if (!vertex() && sm3() && type == RegisterType::MiscType) {
        if (number == kMiscPosition) uses_vpos = true;
        if (number == kMiscFace) uses_vface = true;
    }
}

bool StageTranslator::analyse() {
    const auto& list = p_.instructions;
    Function current;
    for (size_t n = 0; n < list.size(); ++n) {
        const Instruction& ins = list[n];
        if (ins.opcode == Opcode::Label) {
            current.end = n;
            functions_.push_back(current);
            if (ins.sources.empty() || ins.sources[0].type != RegisterType::Label ||
                ins.sources[0].number >= kLabelCount) {
                fail(ins, "bad label operand");
                return false;
            }
            uint32_t label = ins.sources[0].number;
            if (label_function_.count(label)) {
                fail(ins, "label l" + std::to_string(label) + " defined twice");
                return false;
            }
            label_function_[label] = functions_.size();
            current = Function{int(label), n + 1, n + 1};
            continue;
        }
        if (ins.has_destination) {
            const DestinationOperand& d = ins.destination;
            if (ins.opcode == Opcode::Dcl) {
                const Declaration& decl = ins.declaration;
                Semantic s{d.number, d.write_mask, uint32_t(decl.usage), decl.usage_index,
                           d.centroid};
                if (d.type == RegisterType::Sampler) {
                    samplers[d.number] = decl.sampler_type;
                } else if (d.type == RegisterType::Input && (vertex() || sm3())) {
                    inputs.push_back(s);
                } else if (d.type == RegisterType::Output && vertex() && sm3()) {
                    outputs.push_back(s);
                } else if (!vertex() && !sm3() && d.type == RegisterType::Input) {
                    ps2_colors.insert(d.number);
                    if (d.centroid) ps2_centroid_colors.insert(d.number);
                } else if (!vertex() && !sm3() && d.type == RegisterType::Texture) {
                    ps2_texcoords.insert(d.number);
                    if (d.centroid) ps2_centroid_texcoords.insert(d.number);
                } else if (!vertex() && d.type == RegisterType::MiscType) {
                    note_operand_register(d.type, d.number);
                }
                continue;
            }
            if (ins.opcode == Opcode::Def) {
                float_defs[d.number] = ins.literal;
                continue;
            }
            if (ins.opcode == Opcode::DefI) {
                int_defs[d.number] = ins.literal;
                continue;
            }
            if (ins.opcode == Opcode::DefB) {
                bool_defs[d.number] = ins.literal[0];
                continue;
            }
            note_operand_register(d.type, d.number);
            if (d.relative) {
                if (d.type == RegisterType::Output && vertex() && sm3())
                    relative_output = true;
                else {
                    fail(ins, "relative addressing of this destination");
                    return false;
                }
            }
            if (ins.opcode == Opcode::TexKill) uses_kill = true;
        }
        for (const SourceOperand& s : ins.sources) {
            note_operand_register(s.type, s.number);
            if (s.relative) {
                if (s.type == RegisterType::Const)
                    relative_const = true;
                else if (s.type == RegisterType::Input && sm3())
                    relative_input = true;
                else {
                    fail(ins, "relative addressing of this source");
                    return false;
                }
            }
            if (s.type == RegisterType::ConstInt) int_used.insert(s.number);
            if (s.type == RegisterType::ConstBool) bool_used.insert(s.number);
            if (s.type == RegisterType::Sampler && !samplers.count(s.number))
                samplers[s.number] = SamplerType::Tex2D;
        }
    }
    current.end = list.size();
    functions_.push_back(current);
    return check_calls();
}

// Every call names a defined label and no function reaches itself (GLSL has no recursion).
bool StageTranslator::check_calls() {
    std::vector<std::vector<size_t>> edges(functions_.size());
    for (size_t f = 0; f < functions_.size(); ++f) {
        for (size_t n = functions_[f].begin; n < functions_[f].end; ++n) {
            const Instruction& ins = p_.instructions[n];
            if (ins.opcode != Opcode::Call && ins.opcode != Opcode::CallNz) continue;
            if (ins.sources.empty() || ins.sources[0].type != RegisterType::Label) {
                fail(ins, "bad label operand");
                return false;
            }
            auto it = label_function_.find(ins.sources[0].number);
            if (it == label_function_.end()) {
                fail(ins, "call of undefined label l" + std::to_string(ins.sources[0].number));
                return false;
            }
            edges[f].push_back(it->second);
        }
    }
    // Depth-first search for a cycle: 0 unvisited, 1 on the stack, 2 done.
    std::vector<int> state(functions_.size(), 0);
    std::vector<std::pair<size_t, size_t>> stack;
    for (size_t root = 0; root < functions_.size(); ++root) {
        if (state[root]) continue;
        stack.push_back({root, 0});
        state[root] = 1;
        while (!stack.empty()) {
            auto& [f, next] = stack.back();
            if (next < edges[f].size()) {
                size_t g = edges[f][next++];
                if (state[g] == 1) {
                    fail_text("recursive call of label l" + std::to_string(functions_[g].label) +
                              " in the " + stage_name_);
                    return false;
                }
                if (state[g] == 0) {
                    state[g] = 1;
                    stack.push_back({g, 0});
                }
            } else {
                state[f] = 2;
                stack.pop_back();
            }
        }
    }
    return true;
}

void StageTranslator::line(const std::string& s) {
    // Indented for reading, but never by more than 16 levels: deep nesting must not make the
    // text grow with the square of its depth.
    out_->append(size_t(std::clamp(indent_, 0, 16)) * 4, ' ');
    *out_ += s;
    *out_ += '\n';
}

std::string StageTranslator::index_expression(const Instruction& ins, const RelativeAddress& rel,
                                              uint32_t number) {
    std::string base;
    if (rel.type == RegisterType::Loop)
        base = "aL";
    else if (rel.type == RegisterType::Addr && vertex())
        base = std::string("a0.") + kLaneNames[rel.component & 3];
    else
        fail(ins, "bad relative address register");
    return "(" + base + " + " + std::to_string(number) + ")";
}

std::string StageTranslator::register_value(const Instruction& ins, RegisterType type,
                                            uint32_t number, bool relative,
                                            const RelativeAddress& rel) {
    std::string n = std::to_string(number);
    switch (type) {
        case RegisterType::Temp:
            if (number >= kTempCount) break;
            return "r" + n;
        case RegisterType::Input:
            if (relative) return "bw_vin(" + index_expression(ins, rel, number) + ")";
            if (number >= (vertex() ? kVsInputCount : kPsInputCount)) break;
            return relative_input ? "v[" + n + "]" : "v" + n;
        case RegisterType::Const: {
            uint32_t count = vertex() ? kVertexConstantCount : kPixelConstantCount;
            if (relative) return "bw_c(" + index_expression(ins, rel, number) + ")";
            if (number >= count) break;
            if (float_defs.count(number)) return "bw_c" + n;
            return (vertex() ? "vs.c[" : "ps.c[") + n + "]";
        }
        case RegisterType::Texture:  // also Addr
            if (vertex()) break;
            if (number >= 8) break;
            return "t" + n;
        case RegisterType::MiscType:
            if (vertex() || !sm3()) break;
            if (number == kMiscPosition) return "bw_vpos";
            if (number == kMiscFace) return "bw_vface";
            break;
        default:
            break;
    }
    fail(ins,
         "register type " + std::to_string(unsigned(type)) + " #" + n + " cannot be read here");
    return "vec4(0.0)";
}

std::string StageTranslator::apply_modifier(const Instruction& ins, const std::string& e,
                                            SourceModifier m) {
    switch (m) {
        case SourceModifier::None:
            return e;
        case SourceModifier::Negate:
            return "(-" + e + ")";
        case SourceModifier::Abs:
            return "abs(" + e + ")";
        case SourceModifier::AbsNegate:
            return "(-abs(" + e + "))";
        default:
            fail(ins, "unsupported source modifier " + std::to_string(unsigned(m)));
    }
    return e;
}

// Source i as a vec4 with its swizzle and modifier. `offset` adds to the register number
// (the rows of m#x#).
std::string StageTranslator::src(const Instruction& ins, size_t i, uint32_t offset) {
    if (i >= ins.sources.size()) {
        fail(ins, "missing operand");
        return "vec4(0.0)";
    }
    const SourceOperand& s = ins.sources[i];
    std::string e = register_value(ins, s.type, s.number + offset, s.relative, s.relative_address);
    if (s.swizzle != kSwizzleIdentity) {
        e += '.';
        for (unsigned lane = 0; lane < 4; ++lane) e += kLaneNames[swizzle_lane(s.swizzle, lane)];
    }
    return apply_modifier(ins, e, s.modifier);
}

// One lane of source i as a float: the component its swizzle reads at `position`.
std::string StageTranslator::src_lane(const Instruction& ins, size_t i, unsigned position) {
    if (i >= ins.sources.size()) {
        fail(ins, "missing operand");
        return "0.0";
    }
    const SourceOperand& s = ins.sources[i];
    std::string e = register_value(ins, s.type, s.number, s.relative, s.relative_address);
    e += '.';
    e += kLaneNames[swizzle_lane(s.swizzle, position)];
    return apply_modifier(ins, e, s.modifier);
}

// Condition of if/callnz/breakp operands: b#, p0.c, each possibly negated.
std::string StageTranslator::bool_condition(const Instruction& ins, const SourceOperand& s) {
    std::string e;
    if (s.type == RegisterType::ConstBool && s.number < 16 && !s.relative) {
        e = "b" + std::to_string(s.number);
    } else if (s.type == RegisterType::Predicate && s.number == 0) {
        e = std::string("p0.") + kLaneNames[swizzle_lane(s.swizzle, 0)];
    } else {
        fail(ins, "condition must be b# or p0");
        return "false";
    }
    if (s.modifier == SourceModifier::Not) return "!" + e;
    if (s.modifier != SourceModifier::None) fail(ins, "bad condition modifier");
    return e;
}

std::string StageTranslator::compare_scalar(const Instruction& ins) {
    const char* op = comparison_operator(ins.comparison);
    if (!op) {
        fail(ins, "bad comparison");
        return "false";
    }
    return src_lane(ins, 0, 0) + " " + op + " " + src_lane(ins, 1, 0);
}

std::string StageTranslator::texture_fetch(const Instruction& ins) {
    if (ins.sources.size() < 2 || ins.sources[1].type != RegisterType::Sampler ||
        ins.sources[1].number >= (vertex() ? kVertexSamplerCount : kPixelSamplerCount)) {
        fail(ins, "bad sampler operand");
        return "vec4(0.0)";
    }
    const SourceOperand& s = ins.sources[1];
    std::string sampler =
        vertex() ? vertex_sampler_uniform(s.number) : pixel_sampler_uniform(s.number);
    SamplerType type = samplers.count(s.number) ? samplers[s.number] : SamplerType::Tex2D;
    bool flat = type != SamplerType::Cube && type != SamplerType::Volume;
    const char* coord = flat ? ".xy" : ".xyz";
    std::string c = "(" + src(ins, 0) + ")";
    std::string e;
    if (ins.opcode == Opcode::TexLdl) {
        e = "textureLod(" + sampler + ", " + c + coord + ", " + c + ".w)";
    } else if (ins.opcode == Opcode::TexLdd) {
        e = "textureGrad(" + sampler + ", " + c + coord + ", (" + src(ins, 2) + ")" + coord +
            ", (" + src(ins, 3) + ")" + coord + ")";
    } else if (vertex()) {
        e = "textureLod(" + sampler + ", " + c + coord + ", 0.0)";
    } else if (ins.texld == TexldVariant::Project) {
        if (type == SamplerType::Cube)
            e = "texture(" + sampler + ", " + c + ".xyz / " + c + ".w)";
        else
            e = "textureProj(" + sampler + ", " + c + ")";
    } else if (ins.texld == TexldVariant::Bias) {
        e = "texture(" + sampler + ", " + c + coord + ", " + c + ".w)";
    } else {
        e = "texture(" + sampler + ", " + c + coord + ")";
    }
    if (s.swizzle != kSwizzleIdentity) {
        e += '.';
        for (unsigned lane = 0; lane < 4; ++lane) e += kLaneNames[swizzle_lane(s.swizzle, lane)];
    }
    return e;
}

// Computes `value` into a scratch variable, then stores the lanes of the write mask (limited
// to `allowed`), saturated when asked, and only where the instruction's predicate holds.
// kind: 'f' vec4, 'i' ivec4 (a0), 'b' bvec4 (p0).
void StageTranslator::store(const Instruction& ins, const std::string& value, char kind,
                            uint8_t allowed) {
    const DestinationOperand& d = ins.destination;
    std::string n = std::to_string(d.number);
    std::string target;
    char want = 'f';
    switch (d.type) {
        case RegisterType::Temp:
            if (d.number < kTempCount) target = "r" + n;
            break;
        case RegisterType::Addr:  // also Texture in pixel shaders (not writable)
            if (vertex() && d.number == 0) target = "a0", want = 'i';
            break;
        case RegisterType::Predicate:
            if (d.number == 0) target = "p0", want = 'b';
            break;
        case RegisterType::RastOut:
            if (vertex() && !sm3() && d.number <= kRastPointSize)
                target = d.number == kRastPosition ? "oPos"
                         : d.number == kRastFog    ? "oFog"
                                                   : "oPts";
            break;
        case RegisterType::AttrOut:
            if (vertex() && !sm3() && d.number < 2) target = "oD" + n;
            break;
        case RegisterType::Output:  // oT# (vs_2_x) or o# (vs_3_0)
            if (vertex() && !sm3() && d.number < 8) target = "oT" + n;
            if (vertex() && sm3() && (d.relative || d.number < kVsOutputCount))
                target = d.relative ? "o[bw_k]" : relative_output ? "o[" + n + "]" : "o" + n;
            break;
        case RegisterType::ColorOut:
            if (!vertex() && d.number < kPixelOutputCount) target = pixel_output_name(d.number);
            break;
        case RegisterType::DepthOut:
            if (!vertex() && d.number == 0) target = "oDepth";
            break;
        default:
            break;
    }
    if (target.empty()) {
        fail(ins,
             "register type " + std::to_string(unsigned(d.type)) + " #" + n + " cannot be written");
        return;
    }
    if (want != kind) {
        fail(ins, "destination of the wrong kind");
        return;
    }
    const char* type = kind == 'f' ? "vec4" : kind == 'i' ? "ivec4" : "bvec4";
    uint8_t mask = d.write_mask & allowed;
    line("{");
    ++indent_;
    line(std::string(type) + " bw_t = " + value + ";");
    if (d.saturate && kind == 'f') line("bw_t = bw_sat(bw_t);");
    std::string guard;
    if (d.relative) {
        line("int bw_k = " + index_expression(ins, d.relative_address, d.number) + ";");
        guard = "uint(bw_k) < " + std::to_string(kVsOutputCount) + "u";
    }
    if (ins.predicated) {
        for (unsigned lane = 0; lane < 4; ++lane) {
            if (!(mask & (1u << lane))) continue;
            std::string cond =
                std::string(ins.predicate.modifier == SourceModifier::Not ? "!" : "") + "p0." +
                kLaneNames[swizzle_lane(ins.predicate.swizzle, lane)];
            if (!guard.empty()) cond = guard + " && " + cond;
            line("if (" + cond + ") " + target + "." + kLaneNames[lane] + " = bw_t." +
                 kLaneNames[lane] + ";");
        }
    } else if (mask) {
        std::string m = mask_string(mask);
        std::string assign =
            mask == kMaskAll ? target + " = bw_t;" : target + "." + m + " = bw_t." + m + ";";
        line(guard.empty() ? assign : "if (" + guard + ") " + assign);
    }
    --indent_;
    line("}");
}

void StageTranslator::emit_instruction(const Instruction& ins) {
    if (!ok()) return;
    if (ins.destination.shift != 0 && ins.has_destination) {
        fail(ins, "result shift is not available in this shader model");
        return;
    }
    auto s = [&](size_t i) { return src(ins, i); };
    // Scalar instructions read one lane: the one a replicate swizzle names, x without one.
    auto scalar = [&](size_t i) { return src_lane(ins, i, 0); };
    auto blocks_have_loop = [&] {
        return std::any_of(blocks_.begin(), blocks_.end(),
                           [](char b) { return b == 'r' || b == 'l'; });
    };
    switch (ins.opcode) {
        case Opcode::Nop:
        case Opcode::Comment:
        case Opcode::Dcl:
        case Opcode::Def:
        case Opcode::DefI:
        case Opcode::DefB:
            return;
        case Opcode::Mov:
            if (ins.destination.type == RegisterType::Addr && vertex()) {
                fail(ins, "a0 is written by mova only");
                return;
            }
            return store(ins, s(0), 'f');
        case Opcode::Add:
            return store(ins, s(0) + " + " + s(1), 'f');
        case Opcode::Sub:
            return store(ins, s(0) + " - " + s(1), 'f');
        case Opcode::Mul:
            return store(ins, "bw_mul(" + s(0) + ", " + s(1) + ")", 'f');
        case Opcode::Mad:
            return store(ins, "bw_mul(" + s(0) + ", " + s(1) + ") + " + s(2), 'f');
        case Opcode::Rcp:
            return store(ins, "vec4(bw_rcp(" + scalar(0) + "))", 'f');
        case Opcode::Rsq:
            return store(ins, "vec4(bw_rsq(" + scalar(0) + "))", 'f');
        case Opcode::Exp:
        case Opcode::ExpP:
            return store(ins, "vec4(exp2(" + scalar(0) + "))", 'f');
        case Opcode::Log:
        case Opcode::LogP:
            return store(ins, "vec4(bw_log(" + scalar(0) + "))", 'f');
        case Opcode::Pow:
            return store(ins, "vec4(bw_pow(" + scalar(0) + ", " + scalar(1) + "))", 'f');
        case Opcode::Dp3:
            return store(ins, "vec4(bw_dp3(" + s(0) + ", " + s(1) + "))", 'f');
        case Opcode::Dp4:
            return store(ins, "vec4(bw_dp4(" + s(0) + ", " + s(1) + "))", 'f');
        case Opcode::Dp2Add:
            return store(
                ins, "vec4(bw_dp2(" + s(0) + ", " + s(1) + ") + " + src_lane(ins, 2, 0) + ")", 'f');
        case Opcode::Min:
            return store(ins, "bw_min(" + s(0) + ", " + s(1) + ")", 'f');
        case Opcode::Max:
            return store(ins, "bw_max(" + s(0) + ", " + s(1) + ")", 'f');
        case Opcode::Slt:
            return store(ins, "vec4(lessThan(" + s(0) + ", " + s(1) + "))", 'f');
        case Opcode::Sge:
            return store(ins, "vec4(greaterThanEqual(" + s(0) + ", " + s(1) + "))", 'f');
        case Opcode::Lit:
            return store(ins, "bw_lit(" + s(0) + ")", 'f');
        case Opcode::Dst:
            return store(ins,
                         "vec4(1.0, bw_mul1((" + s(0) + ").y, (" + s(1) + ").y), (" + s(0) +
                             ").z, (" + s(1) + ").w)",
                         'f');
        case Opcode::Lrp:
            return store(ins, "bw_mul(" + s(0) + ", " + s(1) + " - " + s(2) + ") + " + s(2), 'f');
        case Opcode::Frc: {
            std::string a = s(0);
            return store(ins, a + " - floor(" + a + ")", 'f');
        }
        case Opcode::M4x4:
        case Opcode::M4x3:
        case Opcode::M3x4:
        case Opcode::M3x3:
        case Opcode::M3x2: {
            bool four = ins.opcode == Opcode::M4x4 || ins.opcode == Opcode::M4x3;
            uint32_t rows = ins.opcode == Opcode::M4x4 || ins.opcode == Opcode::M3x4   ? 4
                            : ins.opcode == Opcode::M4x3 || ins.opcode == Opcode::M3x3 ? 3
                                                                                       : 2;
            std::string v = "vec4(";
            for (uint32_t row = 0; row < 4; ++row) {
                if (row) v += ", ";
                v += row < rows ? std::string(four ? "bw_dp4(" : "bw_dp3(") + s(0) + ", " +
                                      src(ins, 1, row) + ")"
                                : "0.0";
            }
            v += ")";
            return store(ins, v, 'f', uint8_t((1u << rows) - 1));
        }
        case Opcode::Crs:
            return store(ins, "bw_crs(" + s(0) + ", " + s(1) + ")", 'f', 7);
        case Opcode::Sgn:
            return store(ins, "bw_sgn(" + s(0) + ")", 'f');
        case Opcode::Abs:
            return store(ins, "abs(" + s(0) + ")", 'f');
        case Opcode::Nrm:
            return store(ins, "bw_nrm(" + s(0) + ")", 'f');
        case Opcode::SinCos: {
            std::string a = scalar(0);
            return store(ins, "vec4(cos(" + a + "), sin(" + a + "), 0.0, 0.0)", 'f', 3);
        }
        case Opcode::Cmp:
            return store(
                ins, "mix(" + s(2) + ", " + s(1) + ", greaterThanEqual(" + s(0) + ", vec4(0.0)))",
                'f');
        case Opcode::MovA:
            return store(ins, "bw_mova(" + s(0) + ")", 'i');
        case Opcode::SetP: {
            const char* f = comparison_function(ins.comparison);
            if (!f) return fail(ins, "bad comparison");
            return store(ins, std::string(f) + "(" + s(0) + ", " + s(1) + ")", 'b');
        }
        case Opcode::Dsx:
            return store(ins, "dFdx(" + s(0) + ")", 'f');
        case Opcode::Dsy:
            return store(ins, "dFdy(" + s(0) + ")", 'f');
        case Opcode::Tex:
        case Opcode::TexLdl:
        case Opcode::TexLdd:
            return store(ins, texture_fetch(ins), 'f');
        case Opcode::TexKill: {
            const DestinationOperand& d = ins.destination;
            std::string e = register_value(ins, d.type, d.number, false, {});
            std::string cond;
            for (unsigned lane = 0; lane < 4; ++lane) {
                if (!(d.write_mask & (1u << lane))) continue;
                std::string term = e + "." + kLaneNames[lane] + " < 0.0";
                if (ins.predicated)
                    term = "(" +
                           std::string(ins.predicate.modifier == SourceModifier::Not ? "!" : "") +
                           "p0." + kLaneNames[swizzle_lane(ins.predicate.swizzle, lane)] + " && " +
                           term + ")";
                cond += (cond.empty() ? "" : " || ") + term;
            }
            if (!cond.empty()) line("if (" + cond + ") bw_kill = true;");
            return;
        }
        case Opcode::If:
            if (ins.sources.empty()) return fail(ins, "missing operand");
            line("if (" + bool_condition(ins, ins.sources[0]) + ") {");
            ++indent_;
            blocks_.push_back('i');
            return;
        case Opcode::IfC:
            line("if (" + compare_scalar(ins) + ") {");
            ++indent_;
            blocks_.push_back('i');
            return;
        case Opcode::Else:
            if (blocks_.empty() || blocks_.back() != 'i') return fail(ins, "else without if");
            blocks_.back() = 'e';
            --indent_;
            line("} else {");
            ++indent_;
            return;
        case Opcode::EndIf:
            if (blocks_.empty() || (blocks_.back() != 'i' && blocks_.back() != 'e'))
                return fail(ins, "endif without if");
            blocks_.pop_back();
            --indent_;
            line("}");
            return;
        case Opcode::Rep:
        case Opcode::Loop: {
            bool loop = ins.opcode == Opcode::Loop;
            const SourceOperand* count = nullptr;
            for (const SourceOperand& o : ins.sources)
                if (o.type == RegisterType::ConstInt) count = &o;
            if (!count || count->number >= 16) return fail(ins, "loop count must be i#");
            std::string i = "i" + std::to_string(count->number);
            std::string k = std::to_string(++counter_);
            line("{");
            ++indent_;
            if (loop) {
                line("int bw_saved" + k + " = aL;");
                line("aL = " + i + ".y;");
            }
            // Legal counts are 0 to 255; clamping keeps bad constants from hanging the GPU.
            line("int bw_n" + k + " = clamp(" + i + ".x, 0, 255);");
            line("for (int bw_j" + k + " = 0; bw_j" + k + " < bw_n" + k + "; ++bw_j" + k +
                 (loop ? ", aL += " + i + ".z" : std::string()) + ") {");
            ++indent_;
            blocks_.push_back(loop ? 'l' : 'r');
            if (loop) loop_saved_.push_back(k);
            return;
        }
        case Opcode::EndRep:
        case Opcode::EndLoop: {
            char want = ins.opcode == Opcode::EndLoop ? 'l' : 'r';
            if (blocks_.empty() || blocks_.back() != want)
                return fail(ins, want == 'l' ? "endloop without loop" : "endrep without rep");
            blocks_.pop_back();
            --indent_;
            line("}");
            if (want == 'l') {
                line("aL = bw_saved" + loop_saved_.back() + ";");
                loop_saved_.pop_back();
            }
            --indent_;
            line("}");
            return;
        }
        case Opcode::Break:
            if (!blocks_have_loop()) return fail(ins, "break outside a loop");
            line("break;");
            return;
        case Opcode::BreakC:
            if (!blocks_have_loop()) return fail(ins, "break outside a loop");
            line("if (" + compare_scalar(ins) + ") break;");
            return;
        case Opcode::BreakP:
            if (!blocks_have_loop()) return fail(ins, "break outside a loop");
            if (ins.sources.empty()) return fail(ins, "missing operand");
            line("if (" + bool_condition(ins, ins.sources[0]) + ") break;");
            return;
        case Opcode::Call:
            line("bw_l" + std::to_string(ins.sources[0].number) + "();");
            return;
        case Opcode::CallNz:
            if (ins.sources.size() < 2) return fail(ins, "missing operand");
            line("if (" + bool_condition(ins, ins.sources[1]) + ") bw_l" +
                 std::to_string(ins.sources[0].number) + "();");
            return;
        case Opcode::Ret:
            line("return;");
            return;
        default:
            fail(ins, "unsupported instruction");
    }
}

void StageTranslator::emit_function(const Function& f) {
    blocks_.clear();
    loop_saved_.clear();
    indent_ = 1;
    for (size_t n = f.begin; n < f.end && ok(); ++n) {
        const Instruction& ins = p_.instructions[n];
        if (ins.predicated && !ins.has_destination) {
            fail(ins, "predicated flow control");
            return;
        }
        emit_instruction(ins);
    }
    if (ok() && !blocks_.empty()) {
        std::string where = f.label < 0 ? "main" : "l" + std::to_string(f.label);
        fail_text("unclosed if, rep or loop block at the end of " + where + " in the " +
                  stage_name_);
    }
}

bool StageTranslator::emit_body(std::string& code) {
    for (size_t f = 1; f < functions_.size(); ++f)
        code += "void bw_l" + std::to_string(functions_[f].label) + "();\n";
    for (const Function& f : functions_) {
        std::string body;
        out_ = &body;
        emit_function(f);
        if (!ok()) return false;
        code +=
            f.label < 0 ? "void bw_main() {\n" : "void bw_l" + std::to_string(f.label) + "() {\n";
        code += body;
        code += "}\n";
    }
    out_ = nullptr;
    return true;
}

std::string usage_name(uint32_t usage) {
    static const char* const kNames[] = {
        "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
        "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};
    if (usage < sizeof(kNames) / sizeof(kNames[0])) return kNames[usage];
    return "usage" + std::to_string(usage) + "_";
}

const char* sampler_type_name(SamplerType t) {
    return t == SamplerType::Cube     ? "samplerCube"
           : t == SamplerType::Volume ? "sampler3D"
                                      : "sampler2D";
}

GlslSamplerKind sampler_kind(SamplerType t) {
    return t == SamplerType::Cube     ? GlslSamplerKind::cube
           : t == SamplerType::Volume ? GlslSamplerKind::volume
                                      : GlslSamplerKind::texture_2d;
}

// Declarations shared by both stages: registers, integer and bool constants, defs, helpers.
void append_common(std::string& code, const StageTranslator& st, bool vertex) {
    for (uint32_t r : st.temps) code += "vec4 r" + std::to_string(r) + " = vec4(0.0);\n";
    if (vertex) code += "ivec4 a0 = ivec4(0);\n";
    code += "int aL = 0;\nbvec4 p0 = bvec4(false);\n";
    for (uint32_t n = 0; n < 16; ++n) {
        if (!st.int_used.count(n)) continue;
        auto it = st.int_defs.find(n);
        std::array<uint32_t, 4> v{};
        if (it != st.int_defs.end()) v = it->second;
        code += "const ivec4 i" + std::to_string(n) + " = ivec4(" + uvec4_literal(v) + ");\n";
    }
    for (uint32_t n = 0; n < 16; ++n) {
        if (!st.bool_used.count(n)) continue;
        auto it = st.bool_defs.find(n);
        bool v = it != st.bool_defs.end() && it->second != 0;
        code += "const bool b" + std::to_string(n) + " = " + (v ? "true" : "false") + ";\n";
    }
    for (const auto& [reg, bits] : st.float_defs)
        code += "const vec4 bw_c" + std::to_string(reg) + " = uintBitsToFloat(" +
                uvec4_literal(bits) + ");\n";
    code += kHelpers;
    if (st.relative_const) {
        // Relative constant reads: out of range reads (0,0,0,0); defs override the block.
        uint32_t count = vertex ? kVertexConstantCount : kPixelConstantCount;
        code += "vec4 bw_c(int k) {\n    if (uint(k) >= " + std::to_string(count) +
                "u) return vec4(0.0);\n";
        for (const auto& def : st.float_defs) {
            if (def.first >= count) continue;
            std::string n = std::to_string(def.first);
            code += "    if (k == " + n + ") return bw_c" + n + ";\n";
        }
        code += std::string("    return ") + (vertex ? "vs" : "ps") + ".c[k];\n}\n";
    }
}

std::string interpolation(bool centroid) {
    return centroid ? "centroid " : "";
}

// The varyings a pixel shader reads, with their centroid flag, and the expression of each
// pixel input register in terms of them.
struct PixelInputs {
    std::map<VaryingKey, bool> varyings;      // -> centroid
    std::vector<std::string> register_setup;  // statements at the start of main
};

PixelInputs pixel_inputs(const StageTranslator& ps, bool sm3) {
    PixelInputs in;
    auto name = [](uint32_t usage, uint32_t index) { return varying_name(usage, index); };
    if (sm3) {
        std::string base = ps.relative_input ? "v[" : "v";
        std::string close = ps.relative_input ? "]" : "";
        std::set<uint32_t> started;
        for (const Semantic& s : ps.inputs) {
            if (s.reg >= kPsInputCount) continue;
            VaryingKey key{s.usage, s.index};
            in.varyings[key] = in.varyings[key] || s.centroid;
            std::string reg = base + std::to_string(s.reg) + close;
            if (!started.count(s.reg)) {
                // The first declaration of a register gives all four lanes.
                in.register_setup.push_back(reg + " = " + name(s.usage, s.index) + ";");
                started.insert(s.reg);
            } else {
                std::string m = mask_string(s.mask);
                if (!m.empty())
                    in.register_setup.push_back(reg + "." + m + " = " + name(s.usage, s.index) +
                                                "." + m + ";");
            }
        }
    } else {
        for (uint32_t n : ps.ps2_colors) {
            if (n >= 2) continue;
            VaryingKey key{kUsageColor, n};
            in.varyings[key] = ps.ps2_centroid_colors.count(n) > 0;
            in.register_setup.push_back("v" + std::to_string(n) + " = " + name(kUsageColor, n) +
                                        ";");
        }
        for (uint32_t n : ps.ps2_texcoords) {
            if (n >= 8) continue;
            VaryingKey key{kUsageTexCoord, n};
            in.varyings[key] = ps.ps2_centroid_texcoords.count(n) > 0;
            in.register_setup.push_back("t" + std::to_string(n) + " = " + name(kUsageTexCoord, n) +
                                        ";");
        }
    }
    return in;
}

// Statements of the vertex epilogue that write varying `key` from the output registers.
std::string vertex_varying_value(const StageTranslator& vs, bool sm3, const VaryingKey& key) {
    std::string target = varying_name(key.usage, key.index);
    if (sm3) {
        std::string text;
        for (const Semantic& s : vs.outputs) {
            if (s.usage != key.usage || s.index != key.index || s.reg >= kVsOutputCount) continue;
            std::string reg = vs.relative_output ? "o[" + std::to_string(s.reg) + "]"
                                                 : "o" + std::to_string(s.reg);
            std::string m = mask_string(s.mask);
            if (s.mask == kMaskAll)
                text += "    " + target + " = " + reg + ";\n";
            else if (!m.empty())
                text += "    " + target + "." + m + " = " + reg + "." + m + ";\n";
        }
        return "    " + target + " = vec4(0.0);\n" + text;
    }
    std::string value = "vec4(0.0)";
    if (key.usage == kUsageColor && key.index < 2)
        value = "bw_sat(oD" + std::to_string(key.index) + ")";
    else if (key.usage == kUsageTexCoord && key.index < 8)
        value = "oT" + std::to_string(key.index);
    else if (key.usage == kUsageFog && key.index == 0)
        value = "bw_sat(oFog)";
    else if (key.usage == kUsagePosition && key.index == 0)
        value = "oPos";
    else if (key.usage == kUsagePointSize && key.index == 0)
        value = "oPts";
    return "    " + target + " = " + value + ";\n";
}

std::string vertex_source(const StageTranslator& vs, bool sm3, const std::string& body,
                          const PixelInputs& wanted, std::vector<GlslSampler>& samplers) {
    std::string code = "#version 330 core\n";
    code += std::string("layout(std140) uniform ") + kVertexConstantBlock + " { vec4 c[" +
            std::to_string(kVertexConstantCount) + "]; } vs;\n";
    code += std::string("uniform vec4 ") + kPosFixupUniform + ";\n";
    for (const auto& [reg, type] : vs.samplers) {
        if (reg >= kVertexSamplerCount) continue;
        std::string name = vertex_sampler_uniform(reg);
        code += std::string("uniform ") + sampler_type_name(type) + " " + name + ";\n";
        samplers.push_back({true, reg, kVertexSamplerUnitBase + reg, sampler_kind(type), name});
    }
    // Attributes: one per location; registers declared twice share it.
    std::map<int, std::string> attributes;
    std::vector<std::string> setup;
    std::string vbase = vs.relative_input ? "v[" : "v";
    std::string vclose = vs.relative_input ? "]" : "";
    for (const Semantic& s : vs.inputs) {
        if (s.reg >= kVsInputCount) continue;
        int location = attribute_location(s.usage, s.index);
        if (location < 0) continue;  // not fed by the device: reads (0,0,0,1)
        if (!attributes.count(location))
            attributes[location] = "bw_a_" + usage_name(s.usage) + std::to_string(s.index);
        setup.push_back(vbase + std::to_string(s.reg) + vclose + " = " + attributes[location] +
                        ";");
    }
    for (const auto& [location, name] : attributes)
        code += "layout(location = " + std::to_string(location) + ") in vec4 " + name + ";\n";
    for (const auto& [key, centroid] : wanted.varyings)
        code += interpolation(centroid) + "out vec4 " + varying_name(key.usage, key.index) + ";\n";
    if (vs.relative_input)
        code += "vec4 v[" + std::to_string(kVsInputCount) + "];\n";
    else
        for (uint32_t n = 0; n < kVsInputCount; ++n)
            code += "vec4 v" + std::to_string(n) + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
    if (sm3) {
        if (vs.relative_output)
            code += "vec4 o[" + std::to_string(kVsOutputCount) + "];\n";
        else
            for (uint32_t n = 0; n < kVsOutputCount; ++n)
                code += "vec4 o" + std::to_string(n) + " = vec4(0.0);\n";
    } else {
        code += "vec4 oPos = vec4(0.0);\nvec4 oFog = vec4(0.0);\nvec4 oPts = vec4(0.0);\n";
        // Direct3D 9 starts the diffuse colour white; the specular colour and texture
        // coordinates start at 0.
        code += "vec4 oD0 = vec4(1.0);\nvec4 oD1 = vec4(0.0);\n";
        for (uint32_t n = 0; n < 8; ++n) code += "vec4 oT" + std::to_string(n) + " = vec4(0.0);\n";
    }
    append_common(code, vs, true);
    if (vs.relative_input)
        code += "vec4 bw_vin(int k) { return uint(k) < " + std::to_string(kVsInputCount) +
                "u ? v[k] : vec4(0.0); }\n";
    code += body;
    code += "void main() {\n";
    if (vs.relative_input)
        code += "    for (int k = 0; k < " + std::to_string(kVsInputCount) +
                "; ++k) v[k] = vec4(0.0, 0.0, 0.0, 1.0);\n";
    if (sm3 && vs.relative_output)
        code += "    for (int k = 0; k < " + std::to_string(kVsOutputCount) +
                "; ++k) o[k] = vec4(0.0);\n";
    for (const std::string& s : setup) code += "    " + s + "\n";
    code += "    bw_main();\n";
    std::string position = "vec4(0.0)";
    std::string point_size;
    if (sm3) {
        for (const Semantic& s : vs.outputs) {
            if (s.index != 0 || s.reg >= kVsOutputCount) continue;
            std::string reg = vs.relative_output ? "o[" + std::to_string(s.reg) + "]"
                                                 : "o" + std::to_string(s.reg);
            if (s.usage == kUsagePosition) position = reg;
            if (s.usage == kUsagePointSize) point_size = reg + ".x";
        }
    } else {
        position = "oPos";
        point_size = "oPts.x";
    }
    for (const auto& [key, centroid] : wanted.varyings) code += vertex_varying_value(vs, sm3, key);
    if (!point_size.empty()) code += "    gl_PointSize = " + point_size + ";\n";
    // Direct3D pixel centres and clip depth: half a pixel times w, z from [0, w] to [-w, w].
    std::string f = kPosFixupUniform;
    code += "    vec4 bw_pos = " + position + ";\n";
    code += "    bw_pos.y *= " + f + ".z;\n";
    code += "    bw_pos.xy += " + f + ".xy * bw_pos.w;\n";
    code += "    bw_pos.z = 2.0 * bw_pos.z - bw_pos.w;\n";
    code += "    gl_Position = bw_pos;\n}\n";
    return code;
}

std::string fragment_source(const StageTranslator& ps, bool sm3, const std::string& body,
                            const PixelInputs& in, std::vector<GlslSampler>& samplers) {
    std::string code = "#version 330 core\n";
    if (ps.uses_vpos) code += "layout(pixel_center_integer) in vec4 gl_FragCoord;\n";
    code += std::string("layout(std140) uniform ") + kPixelConstantBlock + " { vec4 c[" +
            std::to_string(kPixelConstantCount) + "]; } ps;\n";
    for (const auto& [reg, type] : ps.samplers) {
        if (reg >= kPixelSamplerCount) continue;
        std::string name = pixel_sampler_uniform(reg);
        code += std::string("uniform ") + sampler_type_name(type) + " " + name + ";\n";
        samplers.push_back({false, reg, reg, sampler_kind(type), name});
    }
    for (const auto& [key, centroid] : in.varyings)
        code += interpolation(centroid) + "in vec4 " + varying_name(key.usage, key.index) + ";\n";
    std::set<uint32_t> outputs = ps.colour_outputs;
    outputs.insert(0);
    for (uint32_t n : outputs)
        if (n < kPixelOutputCount)
            code += "layout(location = " + std::to_string(n) + ") out vec4 " +
                    pixel_output_name(n) + ";\n";
    if (sm3) {
        if (ps.relative_input)
            code += "vec4 v[" + std::to_string(kPsInputCount) + "];\n";
        else
            for (uint32_t n = 0; n < kPsInputCount; ++n)
                code += "vec4 v" + std::to_string(n) + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
        code += "vec4 bw_vpos = vec4(0.0);\nvec4 bw_vface = vec4(0.0);\n";
    } else {
        code += "vec4 v0 = vec4(0.0, 0.0, 0.0, 1.0);\nvec4 v1 = vec4(0.0, 0.0, 0.0, 1.0);\n";
        for (uint32_t n = 0; n < 8; ++n)
            code += "vec4 t" + std::to_string(n) + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
    }
    code += "vec4 oDepth = vec4(0.0);\nbool bw_kill = false;\n";
    append_common(code, ps, false);
    if (ps.relative_input)
        code += "vec4 bw_vin(int k) { return uint(k) < " + std::to_string(kPsInputCount) +
                "u ? v[k] : vec4(0.0); }\n";
    code += body;
    code += "void main() {\n";
    if (sm3 && ps.relative_input)
        code += "    for (int k = 0; k < " + std::to_string(kPsInputCount) +
                "; ++k) v[k] = vec4(0.0, 0.0, 0.0, 1.0);\n";
    // vPos: integer pixel coordinates from the top-left pixel (storage row 0 is the top).
    if (ps.uses_vpos) code += "    bw_vpos = vec4(floor(gl_FragCoord.xy), 0.0, 0.0);\n";
    if (ps.uses_vface) code += "    bw_vface = vec4(gl_FrontFacing ? 1.0 : -1.0);\n";
    for (const std::string& s : in.register_setup) code += "    " + s + "\n";
    for (uint32_t n : outputs)
        if (n < kPixelOutputCount) code += "    " + pixel_output_name(n) + " = vec4(0.0);\n";
    code += "    bw_main();\n";
    if (ps.uses_kill) code += "    if (bw_kill) discard;\n";
    if (ps.uses_depth) code += "    gl_FragDepth = clamp(oDepth.x, 0.0, 1.0);\n";
    code += "}\n";
    return code;
}

// Name of a ps_1_x-only opcode, or null.
const char* legacy_opcode_name(uint32_t op) {
    switch (op) {
        case 64:
            return "texcoord";
        case 67:
            return "texbem";
        case 68:
            return "texbeml";
        case 69:
            return "texreg2ar";
        case 70:
            return "texreg2gb";
        case 71:
            return "texm3x2pad";
        case 72:
            return "texm3x2tex";
        case 73:
            return "texm3x3pad";
        case 74:
            return "texm3x3tex";
        case 76:
            return "texm3x3spec";
        case 77:
            return "texm3x3vspec";
        case 80:
            return "cnd";
        case 82:
            return "texreg2rgb";
        case 83:
            return "texdp3tex";
        case 84:
            return "texm3x2depth";
        case 85:
            return "texdp3";
        case 86:
            return "texm3x3";
        case 87:
            return "texdepth";
        case 89:
            return "bem";
        case 0xFFFD:
            return "phase";
        default:
            return nullptr;
    }
}

// After a failed decode: the first ps_1_x instruction of the stream, walked by the length
// field of each instruction token, so that the message can name it.
std::string legacy_instruction(const std::vector<uint32_t>& tokens, const char* what) {
    size_t i = 1;
    while (i < tokens.size() && tokens[i] != kEndToken) {
        uint32_t t = tokens[i];
        uint32_t op = t & 0xFFFF;
        if (op == uint32_t(Opcode::Comment)) {
            i += 1 + ((t >> 16) & 0x7FFF);
            continue;
        }
        if (const char* name = legacy_opcode_name(op))
            return std::string("unsupported instruction '") + name + "' at token " +
                   std::to_string(i) + " of the " + what;
        i += 1 + ((t >> 24) & 0xF);
    }
    return {};
}

bool decode_stage(const std::vector<uint32_t>& tokens, bool vertex, ShaderProgram& program,
                  std::string& error) {
    const char* what = vertex ? "vertex shader" : "pixel shader";
    std::string reason;
    if (!decode_shader(tokens.data(), tokens.size(), program, reason)) {
        error = legacy_instruction(tokens, what);
        if (error.empty()) error = std::string(what) + ": " + reason;
        return false;
    }
    if (program.version.is_vertex() != vertex) {
        error = std::string(what) + ": the token stream is a " + program.version.name();
        return false;
    }
    return true;
}

}  // namespace

std::string pixel_sampler_uniform(uint32_t register_index) {
    return "bw_ps_s" + std::to_string(register_index);
}

std::string vertex_sampler_uniform(uint32_t register_index) {
    return "bw_vs_s" + std::to_string(register_index);
}

std::string pixel_output_name(uint32_t register_index) {
    return "bw_oC" + std::to_string(register_index);
}

std::string varying_name(uint32_t usage, uint32_t index) {
    return "bw_v_" + usage_name(usage) + std::to_string(index);
}

bool translate_program(const std::vector<uint32_t>& vs_tokens,
                       const std::vector<uint32_t>& ps_tokens, GlslProgram& out,
                       std::string& error) {
    out = GlslProgram{};
    error.clear();
    ShaderProgram vp, pp;
    if (!decode_stage(vs_tokens, true, vp, error) || !decode_stage(ps_tokens, false, pp, error))
        return false;
    StageTranslator vs(vp, "vertex shader");
    StageTranslator ps(pp, "pixel shader");
    std::string vs_body, ps_body;
    for (StageTranslator* st : {&vs, &ps}) {
        std::string& body = st == &vs ? vs_body : ps_body;
        if (!st->analyse() || !st->emit_body(body)) {
            error = st->error();
            return false;
        }
    }
    PixelInputs in = pixel_inputs(ps, pp.version.is_3_0());
    std::vector<GlslSampler> vertex_samplers;
    out.fragment_source = fragment_source(ps, pp.version.is_3_0(), ps_body, in, out.samplers);
    out.vertex_source = vertex_source(vs, vp.version.is_3_0(), vs_body, in, vertex_samplers);
    out.samplers.insert(out.samplers.end(), vertex_samplers.begin(), vertex_samplers.end());
    return true;
}

}  // namespace shadercode
