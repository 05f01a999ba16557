#pragma once
// File reading and writing for the shader subcommands (asm, disasm, bsf); "-" is stdin/stdout.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "loading/whole_file.h"
#include "shadercode/listing_preprocessor.h"

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

// Expands a listing's includes and definitions; an included name is a relative path below the
// listing's own folder (no ".."), of at most 1 MiB. `shown` names the listing in messages.
inline bool expand_listing_text(const std::string& text, const std::filesystem::path& folder,
                                const std::string& shown, shadercode::ExpandedListing& out,
                                std::string& error) {
    auto read = [&folder](const std::string& name, std::string& included) {
        const std::filesystem::path relative(name);
        if (relative.is_absolute() || relative.has_root_name()) return false;
        for (const auto& part : relative)
            if (part == "..") return false;
        std::error_code ec;
        const auto path = folder / relative;
        if (!std::filesystem::is_regular_file(path, ec) ||
            std::filesystem::file_size(path, ec) > (1u << 20) || ec)
            return false;
        std::vector<uint8_t> bytes;
        if (!read_whole_file(path.string(), bytes)) return false;
        included.assign(bytes.begin(), bytes.end());
        return true;
    };
    return shadercode::expand_listing(text, shown, read, out, error);
}

}  // namespace kit
