#pragma once
// The ".bsf" shader program file: a Direct3D 9 vertex and pixel shader token stream, each with
// its tables of named constants and samplers.
//
//   "KVS1" | NV | NV x {name[64], last component, register} | NVS | NVS x {name[64], register}
//   | VSIZE | vertex tokens | NP | NP x constant | NPS | NPS x sampler | PSIZE | pixel tokens
//
// All integers are little-endian 32-bit unsigned. The pixel stream runs to the end of the file;
// PSIZE is written but a reader cannot rely on it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace shadercode {

inline constexpr size_t kBsfNameBytes = 64;
// The largest program file the saver loads. A program within its model's limits (512
// instruction slots, 224 constants, its tables) takes a few kilobytes; the cap keeps a huge
// file from being decoded whole before validation refuses it.
inline constexpr size_t kMaxProgramFileBytes = size_t(1) << 20;

struct BsfConstant {
    std::string name;             // at most 63 bytes
    uint32_t last_component = 0;  // the constant has last_component + 1 floats (1 to 4)
    uint32_t register_index = 0;  // c-register of its stage
};

struct BsfSampler {
    std::string name;  // at most 63 bytes
    uint32_t register_index = 0;
};

struct BsfFile {
    std::vector<BsfConstant> vertex_constants;
    std::vector<BsfSampler> vertex_samplers;
    std::vector<uint32_t> vertex_tokens;
    std::vector<BsfConstant> pixel_constants;
    std::vector<BsfSampler> pixel_samplers;
    std::vector<uint32_t> pixel_tokens;
};

// Parses a whole file image. Every count and size is checked against the bytes present, and
// the two token streams must decode as a vertex and a pixel shader (decode_shader). On failure
// returns false with a one-line reason in `error`.
bool read_bsf(const uint8_t* data, size_t size, BsfFile& out, std::string& error);

// Writes the file image of `file` (PSIZE written as the pixel stream's byte length).
std::vector<uint8_t> write_bsf(const BsfFile& file);

}  // namespace shadercode
