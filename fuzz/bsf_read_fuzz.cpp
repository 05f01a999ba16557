// Fuzzes the .bsf reader: any bytes either fail with a reason or read into a file that writes
// back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shadercode/bsf_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    shadercode::BsfFile file;
    std::string error;
    if (!shadercode::read_bsf(data, size, file, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    // Names stop at the first NUL, so compare the re-read tables rather than the bytes.
    std::vector<uint8_t> bytes = shadercode::write_bsf(file);
    shadercode::BsfFile again;
    if (!shadercode::read_bsf(bytes.data(), bytes.size(), again, error)) std::abort();
    if (shadercode::write_bsf(again) != bytes || again.pixel_tokens != file.pixel_tokens ||
        again.vertex_tokens != file.vertex_tokens)
        std::abort();
    return 0;
}
