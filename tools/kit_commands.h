#pragma once

#include <string>

// Subcommands of brushwright-kit. Each takes the arguments after its own name
// (argv[0] is the subcommand name) and returns the process exit code.
// Exit 2 with a usage line on bad arguments.
namespace kit {

int run_bank(int argc, char** argv);
int run_asm(int argc, char** argv);
int run_disasm(int argc, char** argv);
int run_bsf(int argc, char** argv);
int run_pass(int argc, char** argv);
int run_pack(int argc, char** argv);
int run_data(int argc, char** argv);
int run_image(int argc, char** argv);
int run_picture(int argc, char** argv);
int run_picture_build(int argc, char** argv);
int run_picture_check(int argc, char** argv);
int run_icon(int argc, char** argv);

// Prints "usage: brushwright-kit LINE" on standard error and returns 2.
int usage(const char* line);

// Parses a whole decimal (or "0x" hexadecimal) integer within [low, high].
bool parse_int(const std::string& text, long low, long high, long& out);
bool parse_int(const std::string& text, int low, int high, int& out);

}  // namespace kit
