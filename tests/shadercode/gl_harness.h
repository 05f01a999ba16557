#pragma once
// Test-only OpenGL 3.3 core harness on a surfaceless EGL display: assembles a vertex and pixel
// shader pair, translates it, draws a quad into an RGBA32F framebuffer object with the device's
// conventions (constant blocks, sampler units, bw_pos_fixup with f = -1, glFrontFace(GL_CCW))
// and reads the pixels back, row 0 = the Direct3D top row.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gfx/egl_context.h"

namespace gltest {

using Vec4 = std::array<float, 4>;

enum class TextureKind { texture_2d, cube, volume };

struct TextureData {
    uint32_t unit = 0;  // pixel sampler N -> unit N, vertex sampler N -> unit 16 + N
    TextureKind kind = TextureKind::texture_2d;
    int width = 1, height = 1, depth = 1;  // depth: volume only
    // RGBA floats per mip level (2D, volume) or per face +X,-X,+Y,-Y,+Z,-Z (cube, one level).
    std::vector<std::vector<float>> levels;
    bool linear = false;     // LINEAR instead of NEAREST filtering (mip filter NEAREST)
    bool mipmapped = false;  // use a mip filter over all levels
};

struct Vertex {
    float x, y, u, v;
};

struct DrawRequest {
    std::string vs;  // assembly text
    std::string ps;
    std::map<uint32_t, Vec4> vs_constants;
    std::map<uint32_t, Vec4> ps_constants;
    std::vector<TextureData> textures;
    int width = 4, height = 4;
    // Triangle strip in Direct3D clip space (y up). Empty: the full-screen quad
    // (-1, 1) (1, 1) (-1, -1) (1, -1), which is clockwise on screen.
    std::vector<Vertex> strip;
    Vec4 clear{-7.0f, -7.0f, -7.0f, -7.0f};
    bool validate = true;  // run the assembler's validation
};

struct Image {
    int width = 0, height = 0;
    std::vector<float> rgba;  // row 0 = top
    Vec4 at(int x, int y) const {
        size_t i = (size_t(y) * size_t(width) + size_t(x)) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    }
};

// The shared context. Returns null with a reason when no EGL display or GL 3.3 core context
// can be had.
class GlHarness {
  public:
    static GlHarness* instance(std::string& why);
    // Assembles, translates, compiles, draws. False with a reason on any failure.
    bool draw(const DrawRequest& request, Image& out, std::string& error);
    // Assembles and translates only; false with the translator's (or assembler's) error.
    static bool translate(const std::string& vs, const std::string& ps, std::string& vertex_glsl,
                          std::string& fragment_glsl, std::string& error);

  private:
    GlHarness() = default;
    gfx::egl::Context context_;  // headless, current for every draw
};

// True when the environment allows a missing GL display (BRUSHWRIGHT_ALLOW_NO_GPU).
bool no_gpu_allowed();

}  // namespace gltest
