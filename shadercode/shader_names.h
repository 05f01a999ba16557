#pragma once
// Assembly spellings shared by the assembler, the disassembler, the validator and the GLSL
// translator (whose variables carry the assembly names of the registers they hold).
#include <span>
#include <string>

#include "shadercode/shader_model.h"

namespace shadercode {

// "position", "blendweight", ... indexed by Usage.
inline constexpr const char* kUsageNames[kUsageCount] = {
    "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
    "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};

// "gt", "eq", ... indexed by Comparison (0 unused).
inline constexpr const char* kComparisonNames[7] = {"", "gt", "eq", "ge", "lt", "ne", "le"};

// One assembly name of a register type. Two types share a number in some pairs (a#/t#,
// oT#/o#); `models` says in which models the type prints with this name.
struct RegisterSpelling {
    const char* name;  // as printed ("r", "oPos"); the assembler reads it in any case
    RegisterType type;
    int fixed_number;  // -1: a register number follows the name; else the number it stands for
    uint8_t models;    // ShaderModelBit mask
};
std::span<const RegisterSpelling> register_spellings();

// The assembly name of a register ("r3", "oPos", "aL", "vFace"); relative registers print
// their type letter only (the caller adds "[...]").
std::string register_name(const ShaderVersion& version, RegisterType type, uint32_t number);

}  // namespace shadercode
