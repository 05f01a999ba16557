// Decodes and translates arbitrary shader pairs; the translator must never crash, hang or
// report failure without a one-line message.
//
// Input: one mode byte, then either assembly text (odd mode; vertex and pixel programs split
// by a NUL byte, assembled with validation when bit 1 is set) or raw 32-bit instruction words
// (even mode; split in two halves, each framed by a version token chosen by bits 1-6 and the
// end token).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "shadercode/assembler.h"
#include "shadercode/glsl_translator.h"

namespace {

constexpr uint32_t kVersions[] = {0xFFFE0200u, 0xFFFE0201u, 0xFFFE0300u,
                                  0xFFFF0200u, 0xFFFF0201u, 0xFFFF0300u};

const char* const kDefaultVs = "vs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n";
const char* const kDefaultPs = "ps_3_0\nmov oC0, c0\n";

std::vector<uint32_t> assemble_or(std::string_view text, bool validate, const char* fallback) {
    std::vector<uint32_t> tokens;
    std::string error;
    shadercode::AssembleOptions options;
    options.validate = validate;
    if (!shadercode::assemble_shader(text, options, tokens, error))
        shadercode::assemble_shader(fallback, options, tokens, error);
    return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;
    std::vector<uint32_t> vs, ps;
    if (mode & 1) {
        std::string_view text(reinterpret_cast<const char*>(data), size);
        size_t cut = text.find('\0');
        bool validate = (mode & 2) != 0;
        vs = assemble_or(text.substr(0, cut), validate, kDefaultVs);
        ps = cut == std::string_view::npos
                 ? assemble_or(kDefaultPs, validate, kDefaultPs)
                 : assemble_or(text.substr(cut + 1), validate, kDefaultPs);
    } else {
        std::vector<uint32_t> words(size / 4);
        if (!words.empty()) std::memcpy(words.data(), data, words.size() * 4);
        size_t half = words.size() / 2;
        vs.push_back(kVersions[((mode >> 1) & 7) % 6]);
        vs.insert(vs.end(), words.begin(), words.begin() + std::ptrdiff_t(half));
        vs.push_back(0x0000FFFFu);
        ps.push_back(kVersions[((mode >> 4) & 7) % 6]);
        ps.insert(ps.end(), words.begin() + std::ptrdiff_t(half), words.end());
        ps.push_back(0x0000FFFFu);
    }
    shadercode::GlslProgram out;
    std::string error;
    bool ok = shadercode::translate_program(vs, ps, out, error);
    if (!ok && (error.empty() || error.find('\n') != std::string::npos)) __builtin_trap();
    if (ok && (out.vertex_source.empty() || out.fragment_source.empty() || !error.empty()))
        __builtin_trap();
    return 0;
}
