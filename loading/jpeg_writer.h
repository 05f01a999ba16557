#pragma once
// JPEG writing through libjpeg, for the pictures' generators, tests and benchmarks: grey (1) or
// RGB (3) samples, top row first, with the integer transform so that every machine writes the
// same bytes.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace loading {

struct JpegSettings {
    int quality = 75;          // 1 to 100
    bool progressive = false;  // the simple progression instead of one baseline scan
};

// The JPEG file of width x height samples of `components` channels; empty when the sizes or
// the channel count are not encodable or the encoder fails.
std::vector<uint8_t> encode_jpeg(const uint8_t* samples, int width, int height, int components,
                                 JpegSettings settings = {});

// Writes the same to `file`, each row made by `fill_row(y, row)` when it is needed, so that a
// large image is never held whole. False when nothing or not all could be encoded.
bool write_jpeg(std::FILE* file, int width, int height, int components, JpegSettings settings,
                const std::function<void(int y, uint8_t* row)>& fill_row);

}  // namespace loading
