#include "shadercode/glsl_translator.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "shadercode/glsl_stage.h"
#include "shadercode/shader_model.h"
#include "shadercode/shader_names.h"

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

using glsl::HelperSet;
using glsl::kPsInputCount;
using glsl::kVsInputCount;
using glsl::kVsOutputCount;
using glsl::mask_string;
using glsl::Semantic;
using glsl::StageTranslator;

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08Xu", unsigned(v));
    return buf;
}

std::string uvec4_literal(const std::array<uint32_t, 4>& v) {
    return "uvec4(" + hex32(v[0]) + ", " + hex32(v[1]) + ", " + hex32(v[2]) + ", " + hex32(v[3]) +
           ")";
}

struct VaryingKey {
    uint32_t usage = 0;
    uint32_t index = 0;
    bool operator<(const VaryingKey& o) const {
        return usage != o.usage ? usage < o.usage : index < o.index;
    }
};

std::string usage_name(uint32_t usage) {
    if (usage < kUsageCount) return kUsageNames[usage];
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
void append_common(std::string& code, const StageTranslator& st, const HelperSet& helpers,
                   bool vertex) {
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
    code += helpers.definitions();  // only those the stage calls
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
std::string vertex_varying_value(const StageTranslator& vs, bool sm3, const VaryingKey& key,
                                 HelperSet& helpers) {
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
        value =
            std::string(helpers.use(glsl::Helper::Sat)) + "(oD" + std::to_string(key.index) + ")";
    else if (key.usage == kUsageTexCoord && key.index < 8)
        value = "oT" + std::to_string(key.index);
    else if (key.usage == kUsageFog && key.index == 0)
        value = std::string(helpers.use(glsl::Helper::Sat)) + "(oFog)";
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
    HelperSet helpers = vs.helpers;
    std::string varyings;
    for (const auto& [key, centroid] : wanted.varyings)
        varyings += vertex_varying_value(vs, sm3, key, helpers);
    append_common(code, vs, helpers, true);
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
    code += varyings;
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
    append_common(code, ps, ps.helpers, false);
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
