#pragma once
// The files below a folder, kept as first written, and an input's damage to them: groups of 4
// bytes (file, offset low, offset high, value); file bit 7 set cuts the file at the offset,
// otherwise the value is XORed in there. The files are sorted by path, so that an input damages
// the same files on every machine.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "loading/whole_file.h"

namespace fuzzing {

struct PristineFiles {
    std::vector<std::string> names;
    std::vector<std::vector<unsigned char>> contents;

    // Every regular file below `folder`; aborts when one cannot be read.
    explicit PristineFiles(const std::string& folder) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            size_t size = 0;
            loading::ByteBuffer bytes = loading::read_whole_file(name, size);
            if (!bytes) std::abort();
            contents.emplace_back(bytes.get(), bytes.get() + size);
        }
    }

    // Writes every file again, damaged as `data` says.
    void write_damaged(const uint8_t* data, size_t size) const {
        std::vector<std::vector<unsigned char>> files = contents;
        for (size_t i = 0; i + 4 <= size; i += 4) {
            std::vector<unsigned char>& f = files[(data[i] & 0x7F) % files.size()];
            if (f.empty()) continue;
            const size_t offset =
                (data[i + 1] | (static_cast<size_t>(data[i + 2]) << 8)) % f.size();
            if (data[i] & 0x80) {
                f.resize(offset);
            } else {
                f[offset] ^= data[i + 3];
            }
        }
        for (size_t i = 0; i < files.size(); ++i) {
            std::FILE* out = std::fopen(names[i].c_str(), "wb");
            if (out == nullptr) std::abort();
            if (!files[i].empty()) std::fwrite(files[i].data(), 1, files[i].size(), out);
            std::fclose(out);
        }
    }
};

}  // namespace fuzzing
