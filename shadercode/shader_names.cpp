#include "shadercode/shader_names.h"

namespace shadercode {
namespace {

constexpr uint8_t kModel2 = kVs20 | kVs2x | kPs20 | kPs2x;
constexpr uint8_t kModel3 = kVs30 | kPs30;

constexpr RegisterSpelling kSpellings[] = {
    {"r", RegisterType::Temp, -1, kAllModels},
    {"v", RegisterType::Input, -1, kAllModels},
    {"c", RegisterType::Const, -1, kAllModels},
    {"a", RegisterType::Addr, -1, kAllVs},
    {"t", RegisterType::Texture, -1, kAllPs},
    {"oPos", RegisterType::RastOut, int(kRastPosition), kAllModels},
    {"oFog", RegisterType::RastOut, int(kRastFog), kAllModels},
    {"oPts", RegisterType::RastOut, int(kRastPointSize), kAllModels},
    {"oD", RegisterType::AttrOut, -1, kAllModels},
    {"oT", RegisterType::TexCrdOut, -1, kModel2},
    {"o", RegisterType::Output, -1, kModel3},
    {"i", RegisterType::ConstInt, -1, kAllModels},
    {"oC", RegisterType::ColorOut, -1, kAllModels},
    {"oDepth", RegisterType::DepthOut, 0, kAllModels},
    {"s", RegisterType::Sampler, -1, kAllModels},
    {"b", RegisterType::ConstBool, -1, kAllModels},
    {"aL", RegisterType::Loop, 0, kAllModels},
    {"vPos", RegisterType::MiscType, int(kMiscPosition), kAllModels},
    {"vFace", RegisterType::MiscType, int(kMiscFace), kAllModels},
    {"l", RegisterType::Label, -1, kAllModels},
    {"p", RegisterType::Predicate, -1, kAllModels},
};
}  // namespace

std::span<const RegisterSpelling> register_spellings() {
    return kSpellings;
}

std::string register_name(const ShaderVersion& v, RegisterType type, uint32_t number) {
    const uint8_t model = v.model_bit();
    for (const RegisterSpelling& s : kSpellings) {
        if (s.type != type || !(s.models & model)) continue;
        if (s.fixed_number < 0) return s.name + std::to_string(number);
        if (uint32_t(s.fixed_number) == number) return s.name;
    }
    // Numbers that no register of a named type has.
    std::string n = std::to_string(number);
    switch (type) {
        case RegisterType::RastOut:
            return "oRast" + n;
        case RegisterType::MiscType:
            return "vMisc" + n;
        case RegisterType::DepthOut:
            return "oDepth";
        case RegisterType::Loop:
            return "aL";
        default:
            return "reg" + n;
    }
}

}  // namespace shadercode
