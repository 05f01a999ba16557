// Fuzzes the token-stream decoder: any bytes either fail with a message or decode into a
// program that re-encodes to the same tokens and disassembles into text that assembles back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shadercode/assembler.h"
#include "shadercode/disassembler.h"
#include "shadercode/shader_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint32_t> tokens(size / 4);
    for (size_t i = 0; i < tokens.size(); ++i)
        tokens[i] = uint32_t(data[4 * i]) | uint32_t(data[4 * i + 1]) << 8 |
                    uint32_t(data[4 * i + 2]) << 16 | uint32_t(data[4 * i + 3]) << 24;
    shadercode::ShaderProgram program;
    std::string error;
    if (!shadercode::decode_shader(tokens.data(), tokens.size(), program, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (shadercode::encode_shader(program) != tokens) std::abort();
    shadercode::AssembleOptions options;
    options.validate = false;
    std::vector<uint32_t> again;
    if (!shadercode::assemble_shader(shadercode::disassemble(program), options, again, error) ||
        again != tokens)
        std::abort();
    return 0;
}
