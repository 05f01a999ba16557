// brushwright-kit asm: shader assembly text to a Direct3D 9 token stream.
#include <cstdio>
#include <cstring>
#include <string>

#include "shadercode/assembler.h"
#include "tools/kit_commands.h"
#include "tools/kit_shader_io.h"

int kit::run_asm(int argc, char** argv) {
    const char* usage_line = "asm [--no-validate] [--hex] FILE|- [-o OUT]";
    shadercode::AssembleOptions options;
    bool hex = false;
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-validate") == 0) {
            options.validate = false;
        } else if (std::strcmp(argv[i], "--hex") == 0) {
            hex = true;
        } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            output = argv[++i];
        } else if (input.empty() && (argv[i][0] != '-' || std::strcmp(argv[i], "-") == 0)) {
            input = argv[i];
        } else {
            return kit::usage(usage_line);
        }
    }
    if (input.empty()) return kit::usage(usage_line);
    std::vector<uint8_t> text;
    if (!kit::read_whole_file(input, text)) {
        std::fprintf(stderr, "asm: can't read \"%s\"\n", input.c_str());
        return 1;
    }
    std::vector<uint32_t> tokens;
    std::string error;
    shadercode::ExpandedListing listing;
    const std::filesystem::path folder =
        input == "-" ? std::filesystem::path(".") : std::filesystem::path(input).parent_path();
    if (!kit::expand_listing_text(std::string(text.begin(), text.end()), folder,
                                  input == "-" ? "stdin" : input, listing, error)) {
        std::fprintf(stderr, "asm: %s\n", error.c_str());
        return 1;
    }
    if (!shadercode::assemble_shader(listing.text, options, tokens, error)) {
        std::fprintf(stderr, "asm: %s\n", listing.locate(error).c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    if (hex) {
        std::string words;
        char buf[16];
        for (size_t i = 0; i < tokens.size(); ++i) {
            std::snprintf(buf, sizeof buf, "0x%08x", tokens[i]);
            words += buf;
            words += (i + 1) % 8 == 0 || i + 1 == tokens.size() ? '\n' : ' ';
        }
        bytes.assign(words.begin(), words.end());
    } else {
        bytes = kit::token_bytes(tokens);
    }
    if (!kit::write_whole_file(output.empty() ? "-" : output, bytes)) {
        std::fprintf(stderr, "asm: can't write \"%s\"\n", output.empty() ? "-" : output.c_str());
        return 1;
    }
    return 0;
}
