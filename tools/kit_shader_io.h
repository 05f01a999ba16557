#pragma once
// File reading and writing for the shader subcommands (asm, disasm, bsf); "-" is stdin/stdout.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "loading/whole_file.h"

namespace kit {

// Reads a whole file (or standard input for "-") as the data files are read: a readable
// regular file only, no larger than the largest data file; false when it cannot be read.
inline bool read_whole_file(const std::string& path, std::vector<uint8_t>& out) {
    out.clear();
    size_t size = 0;
    const loading::ByteBuffer bytes =
        path == "-" ? loading::read_whole_stream(stdin, "standard input", size)
                    : loading::read_whole_file(path, size);
    if (!bytes) return false;
    out.assign(bytes.get(), bytes.get() + size);
    return true;
}

inline bool write_whole_file(const std::string& path, const std::vector<uint8_t>& data) {
    FILE* f = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (f == stdout)
        ok = std::fflush(f) == 0 && ok;
    else
        ok = std::fclose(f) == 0 && ok;
    return ok;
}

inline std::vector<uint8_t> token_bytes(const std::vector<uint32_t>& tokens) {
    std::vector<uint8_t> bytes;
    bytes.reserve(tokens.size() * 4);
    for (uint32_t t : tokens)
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(t >> (8 * i)));
    return bytes;
}

}  // namespace kit
