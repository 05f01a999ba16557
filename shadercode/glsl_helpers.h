#pragma once
// The GLSL functions that give translated programs Direct3D 9 arithmetic. A program carries
// only the ones it calls, and the ones those call.
#include <cstddef>
#include <cstdint>
#include <string>

namespace shadercode::glsl {

// In the order they are defined; every helper calls only helpers before it.
enum class Helper : uint8_t {
    FltMax,
    Mul,
    Mul1,
    Dp2,
    Dp3,
    Dp4,
    Sat,
    Limit,
    Rcp,
    Rsq,
    Log,
    Pow,
    Nrm,
    Crs,
    Nan,
    Or,
    Min,
    Max,
    Sgn,
    Lit,
    Mova,
    None,  // an emitter that needs no helper
};
inline constexpr size_t kHelperCount = size_t(Helper::None);

class HelperSet {
  public:
    // The GLSL name of `h`, which the program now calls.
    const char* use(Helper h);
    bool uses(Helper h) const { return h != Helper::None && (used_ >> unsigned(h) & 1u); }
    // The definitions of the helpers used and of those they call, callees first.
    std::string definitions() const;

  private:
    uint32_t used_ = 0;
};

}  // namespace shadercode::glsl
