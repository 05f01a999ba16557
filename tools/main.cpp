// brushwright-kit: the picture author's and tester's command-line tool.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/kit_commands.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

constexpr Subcommand kSubcommands[] = {
    {"bank", kit::run_bank, "find|read|count|list|create|put   bank folders"},
    {"asm", kit::run_asm, "[--no-validate] [--hex] FILE|- [-o OUT]   assemble shader text"},
    {"disasm", kit::run_disasm, "FILE|-   disassemble a shader token stream"},
    {"bsf", kit::run_bsf, "build|dump   shader program files"},
    {"pass", kit::run_pass, "FILE.bsf --size WxH ... -o OUT.png   draw one pass headless"},
    {"pack", kit::run_pack, "program|images   build program and image banks"},
    {"data", kit::run_data, "read DATAROOT PATH   read a data file as the saver does"},
    {"image", kit::run_image, "decode|bank   decode images to PNG"},
    {"picture", kit::run_picture, "build|check   build a picture's data root, check one"},
    {"icon", kit::run_icon, "OUT.ico   draw the saver's icon for the Windows resources"},
};

int print_help(FILE* out) {
    std::fprintf(out, "usage: brushwright-kit SUBCOMMAND [ARGS...]\n");
    for (const Subcommand& s : kSubcommands) std::fprintf(out, "  %-7s %s\n", s.name, s.summary);
    return out == stdout ? 0 : 2;
}

}  // namespace

int kit::usage(const char* line) {
    std::fprintf(stderr, "usage: brushwright-kit %s\n", line);
    return 2;
}

bool kit::parse_int(const std::string& text, long low, long high, long& out) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}

bool kit::parse_int(const std::string& text, int low, int high, int& out) {
    long v = 0;
    if (!parse_int(text, long(low), long(high), v)) return false;
    out = static_cast<int>(v);
    return true;
}

int main(int argc, char** argv) {
    if (argc < 2) return print_help(stderr);
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
        return print_help(stdout);
    for (const Subcommand& s : kSubcommands)
        if (std::strcmp(argv[1], s.name) == 0) return s.run(argc - 1, argv + 1);
    std::fprintf(stderr, "brushwright-kit: unknown subcommand \"%s\"\n", argv[1]);
    return print_help(stderr);
}
