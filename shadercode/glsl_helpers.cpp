#include "shadercode/glsl_helpers.h"

namespace shadercode::glsl {
namespace {

constexpr uint32_t bit(Helper h) {
    return 1u << unsigned(h);
}

struct HelperInfo {
    Helper helper;
    const char* name;
    uint32_t calls;  // helpers it needs
    const char* text;
};

// Direct3D 9 arithmetic in GLSL. Every multiply-based operation goes through bw_mul, which
// zeroes each factor where the other factor is zero, so that 0 * inf and 0 * NaN give 0 as
// on Windows drivers. Selections use mix() with a boolean vector, which picks exactly. GLSL
// compilers may fold a compare-and-select into min/max, whose NaN results are undefined, so
// min and max test NaN on the bits.
constexpr HelperInfo kHelpers[] = {
    {Helper::FltMax, "BW_FLT_MAX", 0, "const float BW_FLT_MAX = 3.402823466e+38;\n"},
    {Helper::Mul, "bw_mul", 0, R"(vec4 bw_mul(vec4 a, vec4 b) {
    return mix(a, vec4(0.0), equal(b, vec4(0.0))) * mix(b, vec4(0.0), equal(a, vec4(0.0)));
}
)"},
    {Helper::Mul1, "bw_mul1", 0, R"(float bw_mul1(float a, float b) {
    return (b == 0.0 ? 0.0 : a) * (a == 0.0 ? 0.0 : b);
}
)"},
    {Helper::Dp2, "bw_dp2", bit(Helper::Mul),
     "float bw_dp2(vec4 a, vec4 b) { vec4 m = bw_mul(a, b); return m.x + m.y; }\n"},
    {Helper::Dp3, "bw_dp3", bit(Helper::Mul),
     "float bw_dp3(vec4 a, vec4 b) { vec4 m = bw_mul(a, b); return m.x + m.y + m.z; }\n"},
    {Helper::Dp4, "bw_dp4", bit(Helper::Mul),
     "float bw_dp4(vec4 a, vec4 b) { vec4 m = bw_mul(a, b); return m.x + m.y + m.z + m.w; }\n"},
    {Helper::Sat, "bw_sat", 0, R"(vec4 bw_sat(vec4 v) {
    return mix(vec4(0.0), min(v, vec4(1.0)), greaterThan(v, vec4(0.0)));
}
)"},
    {Helper::Limit, "bw_limit", bit(Helper::FltMax), R"(float bw_limit(float r) {
    return r > BW_FLT_MAX ? BW_FLT_MAX : (r < -BW_FLT_MAX ? -BW_FLT_MAX : r);
}
)"},
    {Helper::Rcp, "bw_rcp", bit(Helper::FltMax) | bit(Helper::Limit), R"(float bw_rcp(float x) {
    if (x == 1.0) return 1.0;
    if (x == 0.0) return BW_FLT_MAX;
    return bw_limit(1.0 / x);
}
)"},
    {Helper::Rsq, "bw_rsq", bit(Helper::FltMax) | bit(Helper::Limit), R"(float bw_rsq(float x) {
    float a = abs(x);
    if (a == 1.0) return 1.0;
    if (a == 0.0) return BW_FLT_MAX;
    return bw_limit(inversesqrt(a));
}
)"},
    {Helper::Log, "bw_log", bit(Helper::FltMax) | bit(Helper::Limit), R"(float bw_log(float x) {
    float a = abs(x);
    if (a == 0.0) return -BW_FLT_MAX;
    return bw_limit(log2(a));
}
)"},
    {Helper::Pow, "bw_pow", 0, R"(float bw_pow(float x, float y) {
    if (y == 0.0) return 1.0;
    float a = abs(x);
    if (a == 0.0) return y > 0.0 ? 0.0 : (y < 0.0 ? uintBitsToFloat(0x7F800000u) : y);
    return exp2(y * log2(a));
}
)"},
    {Helper::Nrm, "bw_nrm", bit(Helper::FltMax) | bit(Helper::Mul), R"(vec4 bw_nrm(vec4 v) {
    float d = v.x * v.x + v.y * v.y + v.z * v.z;
    float f = d == 0.0 ? BW_FLT_MAX : inversesqrt(d);
    return bw_mul(v, vec4(f));
}
)"},
    {Helper::Crs, "bw_crs", bit(Helper::Mul), R"(vec4 bw_crs(vec4 a, vec4 b) {
    vec4 l = bw_mul(vec4(a.yzx, 0.0), vec4(b.zxy, 0.0));
    vec4 r = bw_mul(vec4(a.zxy, 0.0), vec4(b.yzx, 0.0));
    return vec4(l.xyz - r.xyz, 0.0);
}
)"},
    {Helper::Nan, "bw_nan", 0, R"(bvec4 bw_nan(vec4 v) {
    return greaterThan(floatBitsToUint(v) & uvec4(0x7FFFFFFFu), uvec4(0x7F800000u));
}
)"},
    {Helper::Or, "bw_or", 0,
     "bvec4 bw_or(bvec4 a, bvec4 b) { return bvec4(uvec4(a) | uvec4(b)); }\n"},
    {Helper::Min, "bw_min", bit(Helper::Nan) | bit(Helper::Or),
     "vec4 bw_min(vec4 a, vec4 b) { return mix(mix(b, a, lessThan(a, b)), b, bw_or(bw_nan(a), "
     "bw_nan(b))); }\n"},
    {Helper::Max, "bw_max", bit(Helper::Nan) | bit(Helper::Or), R"(vec4 bw_max(vec4 a, vec4 b) {
    return mix(mix(b, a, greaterThanEqual(a, b)), b, bw_or(bw_nan(a), bw_nan(b)));
}
)"},
    {Helper::Sgn, "bw_sgn", 0, R"(vec4 bw_sgn(vec4 v) {
    return mix(mix(vec4(0.0), vec4(1.0), greaterThan(v, vec4(0.0))), vec4(-1.0),
               lessThan(v, vec4(0.0)));
}
)"},
    {Helper::Lit, "bw_lit", bit(Helper::Pow), R"(vec4 bw_lit(vec4 s) {
    vec4 d = vec4(1.0, 0.0, 0.0, 1.0);
    float p = s.w < -127.9961 ? -127.9961 : (s.w > 127.9961 ? 127.9961 : s.w);
    if (s.x > 0.0) {
        d.y = s.x;
        if (s.y > 0.0) d.z = bw_pow(s.y, p);
    }
    return d;
}
)"},
    {Helper::Mova, "bw_mova", 0, R"(ivec4 bw_mova(vec4 v) {
    vec4 r = floor(abs(v) + vec4(0.5)) * sign(v);
    return ivec4(clamp(r, vec4(-65536.0), vec4(65536.0)));
}
)"},
};
static_assert(sizeof kHelpers / sizeof kHelpers[0] == kHelperCount);

constexpr bool calls_only_earlier_helpers() {
    for (size_t i = 0; i < kHelperCount; ++i)
        if (size_t(kHelpers[i].helper) != i || kHelpers[i].calls >> i != 0) return false;
    return true;
}
static_assert(calls_only_earlier_helpers());

}  // namespace

const char* HelperSet::use(Helper h) {
    if (h == Helper::None) return "";
    used_ |= bit(h);
    return kHelpers[size_t(h)].name;
}

std::string HelperSet::definitions() const {
    uint32_t wanted = used_;
    for (size_t i = kHelperCount; i-- > 0;)
        if (wanted >> i & 1u) wanted |= kHelpers[i].calls;
    std::string text;
    for (size_t i = 0; i < kHelperCount; ++i)
        if (wanted >> i & 1u) text += kHelpers[i].text;
    return text;
}

}  // namespace shadercode::glsl
