// Emitters of the texture opcodes: texld (plain, projected, biased), texldl, texldd, texkill.
#include "shadercode/glsl_emitters.h"
#include "shadercode/glsl_translator.h"
#include "shadercode/shader_names.h"

namespace shadercode::glsl::emit {

void sample(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    if (ins.sources.size() < 2 || ins.sources[1].type != RegisterType::Sampler ||
        ins.sources[1].number >= (st.vertex() ? kVertexSamplerCount : kPixelSamplerCount)) {
        st.fail(ins, "bad sampler operand");
        return st.store(ins, "vec4(0.0)", e.kind, e.lanes);
    }
    const SourceOperand& s = ins.sources[1];
    std::string sampler =
        st.vertex() ? vertex_sampler_uniform(s.number) : pixel_sampler_uniform(s.number);
    auto declared = st.samplers.find(s.number);
    SamplerType type = declared != st.samplers.end() ? declared->second : SamplerType::Tex2D;
    bool flat = type != SamplerType::Cube && type != SamplerType::Volume;
    const char* coord = flat ? ".xy" : ".xyz";
    const std::string c = std::string("(").append(st.src(ins, 0)).append(")");
    std::string t;
    if (ins.opcode == Opcode::TexLdl) {
        t = "textureLod(" + sampler + ", " + c + coord + ", " + c + ".w)";
    } else if (ins.opcode == Opcode::TexLdd) {
        std::string dx = st.src(ins, 2);
        std::string dy = st.src(ins, 3);
        t = "textureGrad(" + sampler + ", " + c + coord + ", (" + dx + ")" + coord + ", (" + dy +
            ")" + coord + ")";
    } else if (st.vertex()) {
        t = "textureLod(" + sampler + ", " + c + coord + ", 0.0)";
    } else if (ins.texld == TexldVariant::Project) {
        if (type == SamplerType::Cube)
            t = "texture(" + sampler + ", " + c + ".xyz / " + c + ".w)";
        else
            t = "textureProj(" + sampler + ", " + c + ")";
    } else if (ins.texld == TexldVariant::Bias) {
        t = "texture(" + sampler + ", " + c + coord + ", " + c + ".w)";
    } else {
        t = "texture(" + sampler + ", " + c + coord + ")";
    }
    if (s.swizzle != kSwizzleIdentity) {
        t += '.';
        for (unsigned lane = 0; lane < 4; ++lane) t += kLaneNames[swizzle_lane(s.swizzle, lane)];
    }
    st.store(ins, t, e.kind, e.lanes);
}

// Sets the kill flag where a written lane is negative (and its predicate lane holds).
void texkill(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    const DestinationOperand& d = ins.destination;
    std::string value = st.register_value(ins, d.type, d.number, false, {});
    std::string cond;
    for (unsigned lane = 0; lane < 4; ++lane) {
        if (!(d.write_mask & (1u << lane))) continue;
        std::string term = value + "." + kLaneNames[lane] + " < 0.0";
        if (ins.predicated)
            term = std::string(ins.predicate.modifier == SourceModifier::Not ? "(!" : "(")
                       .append(register_name(st.version(), RegisterType::Predicate, 0))
                       .append(".")
                       .append(1, kLaneNames[swizzle_lane(ins.predicate.swizzle, lane)])
                       .append(" && ")
                       .append(term)
                       .append(")");
        cond += (cond.empty() ? "" : " || ") + term;
    }
    if (!cond.empty()) st.line("if (" + cond + ") bw_kill = true;");
}

}  // namespace shadercode::glsl::emit
