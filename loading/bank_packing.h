#pragma once
// The writing side of the loaders' banks, for brushwright-kit and the tests: program banks whose
// records map a relative path to a file's scrambled bytes, and image banks whose records 1 to N
// hold scrambled JPEG files. Records are scrambled so that the loaders' descrambling gives the
// bytes back (stored byte = plain byte + low 8 bits of the stream seeded with cadr + 27361).
#include <string>
#include <vector>

namespace loading {

struct PackedFile {
    std::string key;                   // the relative path as callers spell it
    std::vector<unsigned char> bytes;  // the plain bytes
    bool empty_value = false;          // store the key without a value (plain-file fallback)
};

// Writes a program bank into `folder` (slot 1 the key, slot 2 the scrambled bytes).
bool write_program_bank(const std::string& folder, const std::vector<PackedFile>& files,
                        std::string& error);

// Writes an image bank into `folder`: record i holds `images[i - 1]` scrambled in slot 2, its
// name in slot 1.
bool write_image_bank(const std::string& folder, const std::vector<PackedFile>& images,
                      std::string& error);

}  // namespace loading
