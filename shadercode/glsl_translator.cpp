#include "shadercode/glsl_translator.h"

namespace shadercode {

namespace {

std::string usage_name(uint32_t usage) {
    static const char* const kNames[] = {
        "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
        "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};
    if (usage < sizeof(kNames) / sizeof(kNames[0])) return kNames[usage];
    return "usage" + std::to_string(usage) + "_";
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

bool translate_program(const std::vector<uint32_t>&, const std::vector<uint32_t>&, GlslProgram& out,
                       std::string& error) {
    out = GlslProgram{};
    error = "translate_program(): the translator is not built yet";
    return false;
}

}  // namespace shadercode
