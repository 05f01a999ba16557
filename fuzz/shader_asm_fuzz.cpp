// Fuzzes the assembler: any text either fails with "line N: ..." or assembles into tokens
// that decode, and whose disassembly assembles to the same tokens.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "shadercode/assembler.h"
#include "shadercode/disassembler.h"
#include "shadercode/shader_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    shadercode::AssembleOptions options;
    options.validate = size % 2 == 0;
    std::vector<uint32_t> tokens;
    std::string error;
    if (!shadercode::assemble_shader(text, options, tokens, error)) {
        if (error.rfind("line ", 0) != 0 || !tokens.empty()) std::abort();
        return 0;
    }
    shadercode::ShaderProgram program;
    if (!shadercode::decode_shader(tokens.data(), tokens.size(), program, error)) std::abort();
    options.validate = false;
    std::vector<uint32_t> again;
    if (!shadercode::assemble_shader(shadercode::disassemble(program), options, again, error) ||
        again != tokens)
        std::abort();
    return 0;
}
