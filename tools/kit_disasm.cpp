// brushwright-kit disasm: a Direct3D 9 token stream to shader assembly text.
#include <cstdio>
#include <cstring>
#include <string>

#include "shadercode/disassembler.h"
#include "tools/kit_commands.h"
#include "tools/kit_shader_io.h"

int kit::run_disasm(int argc, char** argv) {
    if (argc != 2 || (argv[1][0] == '-' && std::strcmp(argv[1], "-") != 0))
        return kit::usage("disasm FILE|-");
    std::vector<uint8_t> bytes;
    if (!kit::read_whole_file(argv[1], bytes)) {
        std::fprintf(stderr, "disasm: can't read \"%s\"\n", argv[1]);
        return 1;
    }
    if (bytes.size() % 4 != 0) {
        std::fprintf(stderr, "disasm: \"%s\" is not whole 32-bit tokens (%zu bytes)\n", argv[1],
                     bytes.size());
        return 1;
    }
    std::vector<uint32_t> tokens(bytes.size() / 4);
    for (size_t i = 0; i < tokens.size(); ++i)
        tokens[i] = uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8 |
                    uint32_t(bytes[4 * i + 2]) << 16 | uint32_t(bytes[4 * i + 3]) << 24;
    shadercode::ShaderProgram program;
    std::string error;
    if (!shadercode::decode_shader(tokens.data(), tokens.size(), program, error)) {
        std::fprintf(stderr, "disasm: %s\n", error.c_str());
        return 1;
    }
    std::string text = shadercode::disassemble(program);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
