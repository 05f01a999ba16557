#include "shadercode/glsl_stage.h"

#include <algorithm>

#include "shadercode/glsl_emitters.h"
#include "shadercode/glsl_translator.h"
#include "shadercode/shader_names.h"

namespace shadercode::glsl {
namespace {

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

std::string instruction_name(const Instruction& ins) {
    const OpcodeInfo* info = find_opcode_info(ins.opcode);
    std::string name = info ? info->name : "opcode " + std::to_string(unsigned(ins.opcode));
    if (ins.opcode == Opcode::Tex && ins.texld == TexldVariant::Project) name = "texldp";
    if (ins.opcode == Opcode::Tex && ins.texld == TexldVariant::Bias) name = "texldb";
    return name;
}

}  // namespace

std::string mask_string(uint8_t mask) {
    std::string s;
    for (unsigned lane = 0; lane < 4; ++lane)
        if (mask & (1u << lane)) s += kLaneNames[lane];
    return s;
}

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
        base = register_name(version(), RegisterType::Loop, 0);
    else if (rel.type == RegisterType::Addr && vertex())
        base =
            register_name(version(), RegisterType::Addr, 0) + "." + kLaneNames[rel.component & 3];
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
            return register_name(version(), type, number);
        case RegisterType::Input:
            if (relative) return "bw_vin(" + index_expression(ins, rel, number) + ")";
            if (number >= (vertex() ? kVsInputCount : kPsInputCount)) break;
            return relative_input ? "v[" + n + "]" : register_name(version(), type, number);
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
            return register_name(version(), type, number);
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
        e = register_name(version(), s.type, s.number);
    } else if (s.type == RegisterType::Predicate && s.number == 0) {
        e = register_name(version(), s.type, 0) + "." + kLaneNames[swizzle_lane(s.swizzle, 0)];
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

void StageTranslator::store(const Instruction& ins, const std::string& value, StoreKind kind,
                            uint8_t allowed) {
    const DestinationOperand& d = ins.destination;
    std::string n = std::to_string(d.number);
    std::string target;
    StoreKind want = StoreKind::Float;
    const std::string name = register_name(version(), d.type, d.number);
    switch (d.type) {
        case RegisterType::Temp:
            if (d.number < kTempCount) target = name;
            break;
        case RegisterType::Addr:  // also Texture in pixel shaders (not writable)
            if (vertex() && d.number == 0) target = name, want = StoreKind::Int;
            break;
        case RegisterType::Predicate:
            if (d.number == 0) target = name, want = StoreKind::Bool;
            break;
        case RegisterType::RastOut:
            if (vertex() && !sm3() && d.number <= kRastPointSize) target = name;
            break;
        case RegisterType::AttrOut:
            if (vertex() && !sm3() && d.number < 2) target = name;
            break;
        case RegisterType::Output:  // oT# (vs_2_x) or o# (vs_3_0)
            if (vertex() && !sm3() && d.number < 8) target = name;
            if (vertex() && sm3() && (d.relative || d.number < kVsOutputCount))
                target = d.relative ? "o[bw_k]" : relative_output ? "o[" + n + "]" : name;
            break;
        case RegisterType::ColorOut:
            if (!vertex() && d.number < kPixelOutputCount) target = pixel_output_name(d.number);
            break;
        case RegisterType::DepthOut:
            if (!vertex() && d.number == 0) target = name;
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
    const char* type = kind == StoreKind::Float ? "vec4"
                       : kind == StoreKind::Int ? "ivec4"
                                                : "bvec4";
    uint8_t mask = d.write_mask & allowed;
    line("{");
    ++indent_;
    line(std::string(type) + " bw_t = " + value + ";");
    if (d.saturate && kind == StoreKind::Float)
        line(std::string("bw_t = ") + helper(Helper::Sat) + "(bw_t);");
    std::string guard;
    if (d.relative) {
        line("int bw_k = " + index_expression(ins, d.relative_address, d.number) + ";");
        guard = "uint(bw_k) < " + std::to_string(kVsOutputCount) + "u";
    }
    if (ins.predicated) {
        for (unsigned lane = 0; lane < 4; ++lane) {
            if (!(mask & (1u << lane))) continue;
            std::string cond =
                std::string(ins.predicate.modifier == SourceModifier::Not ? "!" : "") +
                register_name(version(), RegisterType::Predicate, 0) + "." +
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

bool StageTranslator::inside_loop() const {
    return std::any_of(blocks_.begin(), blocks_.end(),
                       [](Block b) { return b == Block::Rep || b == Block::Loop; });
}

void StageTranslator::emit_instruction(const Instruction& ins) {
    if (!ok()) return;
    if (ins.destination.shift != 0 && ins.has_destination) {
        fail(ins, "result shift is not available in this shader model");
        return;
    }
    const OpcodeEmitter* e = find_emitter(ins.opcode);
    if (!e) return fail(ins, "unsupported instruction");
    if (!e->emit) return fail(ins, e->refusal);
    e->emit(*this, ins, *e);
}

void StageTranslator::emit_function(const Function& f) {
    blocks_.clear();
    loop_saved.clear();
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

}  // namespace shadercode::glsl
