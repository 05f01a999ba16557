// brushwright-kit bsf: build ".bsf" shader program files from listings, and dump them.
#include <cstdio>
#include <cstring>
#include <string>

#include "shadercode/bsf_builder.h"
#include "shadercode/bsf_file.h"
#include "shadercode/disassembler.h"
#include "tools/kit_commands.h"
#include "tools/kit_shader_io.h"

namespace {

constexpr const char* kUsage =
    "bsf build --vs VS.asm --ps PS.asm -o OUT.bsf [--no-validate] | bsf dump FILE.bsf";

bool read_text(const std::string& path, std::string& text) {
    std::vector<uint8_t> bytes;
    if (!kit::read_whole_file(path, bytes)) {
        std::fprintf(stderr, "bsf: can't read \"%s\"\n", path.c_str());
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

int build(int argc, char** argv) {
    std::string vs, ps, output;
    shadercode::AssembleOptions options;
    for (int i = 2; i < argc; ++i) {
        bool value = i + 1 < argc;
        if (std::strcmp(argv[i], "--vs") == 0 && value) {
            vs = argv[++i];
        } else if (std::strcmp(argv[i], "--ps") == 0 && value) {
            ps = argv[++i];
        } else if (std::strcmp(argv[i], "-o") == 0 && value) {
            output = argv[++i];
        } else if (std::strcmp(argv[i], "--no-validate") == 0) {
            options.validate = false;
        } else {
            return kit::usage(kUsage);
        }
    }
    if (vs.empty() || ps.empty() || output.empty()) return kit::usage(kUsage);
    std::string vs_text, ps_text, error;
    if (!read_text(vs, vs_text) || !read_text(ps, ps_text)) return 1;
    shadercode::ExpandedListing vs_listing, ps_listing;
    if (!kit::expand_listing_text(vs_text, std::filesystem::path(vs).parent_path(), vs, vs_listing,
                                  error) ||
        !kit::expand_listing_text(ps_text, std::filesystem::path(ps).parent_path(), ps, ps_listing,
                                  error)) {
        std::fprintf(stderr, "bsf: %s\n", error.c_str());
        return 1;
    }
    shadercode::BsfFile file;
    if (!shadercode::build_bsf(vs_listing.text, ps_listing.text, options, file, error)) {
        const bool in_vs = error.rfind("vertex", 0) == 0;
        std::fprintf(stderr, "bsf: %s\n", (in_vs ? vs_listing : ps_listing).locate(error).c_str());
        return 1;
    }
    if (!kit::write_whole_file(output, shadercode::write_bsf(file))) {
        std::fprintf(stderr, "bsf: can't write \"%s\"\n", output.c_str());
        return 1;
    }
    return 0;
}

void print_tables(const char* stage, const std::vector<shadercode::BsfConstant>& constants,
                  const std::vector<shadercode::BsfSampler>& samplers) {
    std::printf("%s constants (%zu):\n", stage, constants.size());
    for (const auto& c : constants)
        std::printf("  %-24s c%-4u %u component%s\n", c.name.c_str(), c.register_index,
                    c.last_component + 1, c.last_component == 0 ? "" : "s");
    std::printf("%s samplers (%zu):\n", stage, samplers.size());
    for (const auto& s : samplers) std::printf("  %-24s s%u\n", s.name.c_str(), s.register_index);
}

bool print_shader(const char* stage, const std::vector<uint32_t>& tokens) {
    shadercode::ShaderProgram program;
    std::string error;
    if (!shadercode::decode_shader(tokens.data(), tokens.size(), program, error)) {
        std::fprintf(stderr, "bsf: %s shader: %s\n", stage, error.c_str());
        return false;
    }
    std::printf("%s shader (%zu tokens):\n%s", stage, tokens.size(),
                shadercode::disassemble(program).c_str());
    return true;
}

int dump(int argc, char** argv) {
    if (argc != 3) return kit::usage(kUsage);
    std::vector<uint8_t> bytes;
    if (!kit::read_whole_file(argv[2], bytes)) {
        std::fprintf(stderr, "bsf: can't read \"%s\"\n", argv[2]);
        return 1;
    }
    shadercode::BsfFile file;
    std::string error;
    if (!shadercode::read_bsf(bytes.data(), bytes.size(), file, error)) {
        std::fprintf(stderr, "bsf: \"%s\": %s\n", argv[2], error.c_str());
        return 1;
    }
    print_tables("vertex", file.vertex_constants, file.vertex_samplers);
    print_tables("pixel", file.pixel_constants, file.pixel_samplers);
    bool ok =
        print_shader("vertex", file.vertex_tokens) && print_shader("pixel", file.pixel_tokens);
    return ok ? 0 : 1;
}

}  // namespace

int kit::run_bsf(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return build(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "dump") == 0) return dump(argc, argv);
    return kit::usage(kUsage);
}
