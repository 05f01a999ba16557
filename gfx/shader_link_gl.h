#pragma once
// OpenGL programs for the POSIX platform: Direct3D 9 token streams translated to GLSL and linked,
// with their constant blocks, samplers and position fixup wired to the device's conventions.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gfx::platform::gl {

// Uniform buffer bindings of the vertex and pixel float constants.
inline constexpr unsigned kVertexConstantBinding = 0;
inline constexpr unsigned kPixelConstantBinding = 1;

struct LinkedProgram {
    unsigned program = 0;     // GL program object
    int position_fixup = -1;  // location of bw_pos_fixup, -1 when absent
};

// Compiles and links a vertex and fragment source; binds the constant blocks, points every
// sampler bw_ps_s<N> at texture unit N (bw_vs_s<N> at 16 + N) and finds the position fixup.
bool link_program(const std::string& vertex_source, const std::string& fragment_source,
                  LinkedProgram& out, std::string& error);
// Translates a vertex and pixel token stream pair and links it. `error` names the instruction
// the translator refused.
bool translate_and_link(const std::vector<uint32_t>& vertex_tokens, const uint32_t* pixel_tokens,
                        size_t pixel_count, LinkedProgram& out, std::string& error);
// Whether the tokens start with a vertex shader version token of model 2 or 3.
bool check_vertex_tokens(const uint32_t* tokens, size_t count, std::string& error);
bool translator_accepts_ps30();
void delete_program(LinkedProgram& program);

}  // namespace gfx::platform::gl
