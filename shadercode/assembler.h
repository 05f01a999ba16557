#pragma once
// Shader assembly text to a token stream.
//
// Syntax: a version line ("vs_3_0" or "vs.3.0"; vs/ps 2_0, 2_x, 3_0), then one instruction per
// line; "//" and ";" start comments. Instruction names carry their modifiers and controls
// ("add_sat_pp", "if_gt", "setp_le", "texldp", "dcl_texcoord1_centroid", "dcl_2d"); an
// instruction may start with a predicate "(p0)" or "(!p0.x)". Operands: registers r# v# c# a0
// t# oPos oFog oPts oD# oT# o# i# b# s# oC# oDepth aL vPos vFace l# p0, write masks .xyzw or
// .rgba, swizzles of 1 to 4 components, "-" and "_abs" and "!" source modifiers, relative
// addressing "c[a0.x + 12]", "c12[a0.x]", "v[aL + 1]". def literals are floats ("1.0f", "0",
// "-0.5", "1024") or raw bits in hex ("0x7f800000"); defi integers; defb true/false.
// "comment 0x........, ..." writes a comment block of those dwords.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shadercode/shader_model.h"

namespace shadercode {

struct AssembleOptions {
    // Run validate_shader after the checks every assembler makes (instructions, registers,
    // relative addressing, modifiers and masks that exist in the version).
    bool validate = true;
};

// On failure returns false with "line N: message" in `error`.
bool assemble_shader(std::string_view text, const AssembleOptions& options, ShaderProgram& program,
                     std::string& error);
bool assemble_shader(std::string_view text, const AssembleOptions& options,
                     std::vector<uint32_t>& tokens, std::string& error);

}  // namespace shadercode
