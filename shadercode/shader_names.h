#pragma once
// Assembly spellings shared by the assembler and the disassembler.
#include "shadercode/shader_model.h"

namespace shadercode {

// "position", "blendweight", ... indexed by Usage.
inline constexpr const char* kUsageNames[kUsageCount] = {
    "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
    "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};

// "gt", "eq", ... indexed by Comparison (0 unused).
inline constexpr const char* kComparisonNames[7] = {"", "gt", "eq", "ge", "lt", "ne", "le"};

// The assembly name of a register ("r3", "oPos", "aL", "vFace"); relative registers print
// their type letter only (the caller adds "[...]").
std::string register_name(const ShaderVersion& version, RegisterType type, uint32_t number);

}  // namespace shadercode
