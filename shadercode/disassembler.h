#pragma once
// Shader assembly text from a decoded program; the text assembles back to the same tokens.
#include <string>

#include "shadercode/shader_model.h"

namespace shadercode {

// One instruction per line, starting with the version line ("ps_3_0"). Comments are written
// as "comment 0x........, ..." so that they survive a round trip.
std::string disassemble(const ShaderProgram& program);

// The text of one instruction, without a newline.
std::string disassemble_instruction(const ShaderVersion& version, const Instruction& ins);

}  // namespace shadercode
