#pragma once
// Translation of a Direct3D 9 vertex and pixel shader pair (vs_2_0, vs_2_x, vs_3_0 with
// ps_2_0, ps_2_x, ps_3_0) into a "#version 330 core" GLSL vertex and fragment shader with
// Direct3D 9 arithmetic, addressing and flow-control semantics.
//
// The translator only produces text. The names, locations and bindings below are what the
// OpenGL side of the device relies on; it uses these constants rather than copies of the
// strings.
//
// Inside the produced sources:
// - Vertex inputs: `layout(location = L) in vec4 ...;` with L = attribute_location(usage, index).
// - Float constants: `layout(std140) uniform BwVertexConstants { vec4 c[256]; } vs;` at uniform
//   block binding 0 and `layout(std140) uniform BwPixelConstants { vec4 c[224]; } ps;` at
//   binding 1. A `def` inside a shader overrides its register bit-exactly while that shader
//   runs. Integer and bool constants come only from `defi`/`defb`; undefined ones read 0/false.
// - Samplers: `uniform sampler2D bw_ps_s<N>;` (samplerCube / sampler3D per declaration) for
//   pixel sampler register N, to be bound to texture unit N; vertex samplers `bw_vs_s<N>` to
//   unit 16 + N.
// - The vertex shader declares `uniform vec4 bw_pos_fixup;` and ends with
//   `pos.y *= bw_pos_fixup.z; pos.xy += bw_pos_fixup.xy * pos.w; pos.z = 2.0 * pos.z - pos.w;`
//   The device sets it per draw to (1/vpWidth, -f/vpHeight, f, 0), half a pixel, with f = -1
//   for render targets whose memory row 0 is the Direct3D top row.
// - vPos uses `layout(pixel_center_integer) in vec4 gl_FragCoord;`, dsy is dFdy and vFace is
//   gl_FrontFacing ? 1 : -1 (fronts are counter-clockwise in GL terms on flipped targets).
// - Pixel outputs: `layout(location = N) out vec4 bw_oC<N>;`; oDepth is gl_FragDepth.
// - Varyings are linked by (usage, index): `bw_v_texcoord0`, `bw_v_color1`, ...; vs_2_x oT#/oD#
//   feed TEXCOORD#/COLOR#, ps_2_x t#/v# read them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shadercode {

// Declaration usages (the low 5 bits of a dcl usage token).
inline constexpr uint32_t kUsagePosition = 0;
inline constexpr uint32_t kUsageBlendWeight = 1;
inline constexpr uint32_t kUsageBlendIndices = 2;
inline constexpr uint32_t kUsageNormal = 3;
inline constexpr uint32_t kUsagePointSize = 4;
inline constexpr uint32_t kUsageTexCoord = 5;
inline constexpr uint32_t kUsageTangent = 6;
inline constexpr uint32_t kUsageBinormal = 7;
inline constexpr uint32_t kUsageTessFactor = 8;
inline constexpr uint32_t kUsagePositionT = 9;
inline constexpr uint32_t kUsageColor = 10;
inline constexpr uint32_t kUsageFog = 11;
inline constexpr uint32_t kUsageDepth = 12;
inline constexpr uint32_t kUsageSample = 13;

// Vertex attribute location of a vertex shader input declared with (usage, index):
// POSITION0 -> 0, TEXCOORD0..7 -> 1..8, COLOR0..1 -> 9..10, NORMAL0 -> 11; -1 for any other.
constexpr int attribute_location(uint32_t usage, uint32_t index) {
    if (usage == kUsagePosition && index == 0) return 0;
    if (usage == kUsageTexCoord && index <= 7) return 1 + int(index);
    if (usage == kUsageColor && index <= 1) return 9 + int(index);
    if (usage == kUsageNormal && index == 0) return 11;
    return -1;
}

// Float constant uniform blocks (std140, one vec4 per register).
inline constexpr const char* kVertexConstantBlock = "BwVertexConstants";
inline constexpr const char* kPixelConstantBlock = "BwPixelConstants";
inline constexpr uint32_t kVertexConstantBinding = 0;
inline constexpr uint32_t kPixelConstantBinding = 1;
inline constexpr uint32_t kVertexConstantCount = 256;
inline constexpr uint32_t kPixelConstantCount = 224;

// Position fixup uniform of the vertex shader.
inline constexpr const char* kPosFixupUniform = "bw_pos_fixup";

// Texture units: pixel sampler N -> unit N, vertex sampler N -> unit kVertexSamplerUnitBase + N.
inline constexpr uint32_t kPixelSamplerCount = 16;
inline constexpr uint32_t kVertexSamplerCount = 4;
inline constexpr uint32_t kVertexSamplerUnitBase = 16;

// Pixel colour outputs: `layout(location = N) out vec4 bw_oC<N>;`, N in 0..3.
inline constexpr uint32_t kPixelOutputCount = 4;

// Uniform name of pixel sampler register N ("bw_ps_s<N>") and vertex sampler N ("bw_vs_s<N>").
std::string pixel_sampler_uniform(uint32_t register_index);
std::string vertex_sampler_uniform(uint32_t register_index);
// Name of the fragment output for colour register N ("bw_oC<N>").
std::string pixel_output_name(uint32_t register_index);
// Varying name of (usage, index), e.g. "bw_v_texcoord0"; usage names are lower case.
std::string varying_name(uint32_t usage, uint32_t index);

enum class GlslSamplerKind { texture_2d, cube, volume };

struct GlslSampler {
    bool vertex_stage = false;    // false: pixel stage sampler
    uint32_t register_index = 0;  // s# of its stage
    uint32_t unit = 0;            // texture unit: register (pixel) or 16 + register (vertex)
    GlslSamplerKind kind = GlslSamplerKind::texture_2d;
    std::string uniform_name;  // bw_ps_s<N> / bw_vs_s<N>
};

struct GlslProgram {
    std::string vertex_source;
    std::string fragment_source;
    std::vector<GlslSampler> samplers;  // pixel samplers first, then vertex samplers
};

// Translates a vertex and pixel shader token stream pair. On failure returns false with one
// line in `error` naming the instruction and its token offset, e.g.
// "unsupported instruction 'texbem' at token 12".
bool translate_program(const std::vector<uint32_t>& vs_tokens,
                       const std::vector<uint32_t>& ps_tokens, GlslProgram& out,
                       std::string& error);

}  // namespace shadercode
