#pragma once
// The validation step of the assembler: what a program must satisfy beyond being encodable.
#include <cstddef>
#include <string>
#include <vector>

#include "shadercode/shader_model.h"

namespace shadercode {

// Checks operand kinds per opcode (def into c#, texld from s#, loop over aL and i#, ...),
// registers declared before use (inputs, samplers, vs_3_0 outputs) and declared once, dcl
// before the first instruction, balanced if/loop/rep blocks nested no deeper than the version
// allows, break inside a loop, calls to defined labels, and the instruction slot limit of the
// version. On failure returns false
// with a message in `error` and the index of the offending instruction in `where`.
bool validate_shader(const ShaderProgram& program, std::string& error, size_t& where);

// Instruction slots the program uses (matrix macros count one slot per row).
size_t instruction_slots(const ShaderProgram& program);

// The most instructions one run of the program can execute, loops multiplied out: a rep or
// loop runs as often as the x of its i# (defi), 255 when no defi sets it; a subroutine counts
// once, where it is written.
double executed_instructions(const ShaderProgram& program);

// Decodes a token stream and validates it; false with "vertex program: why" or
// "vertex program refused: instruction N: why" (or "pixel ...") in `error`.
bool validate_stream(const std::vector<uint32_t>& tokens, bool pixel, std::string& error);

}  // namespace shadercode
