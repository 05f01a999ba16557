#pragma once
// A shader program: a Direct3D 9 vertex and pixel shader pair loaded from a ".bsf" file, with
// its tables of named constants and samplers. Parameters are set by name, textures by sampler
// slot ("texSampler%d"); both are put on the device when a quad is drawn.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/platform.h"

class RenderDevice;
class Texture;

class Shader {
  public:
    struct Constant {
        std::string name;
        uint32_t last_component = 0;  // the constant has last_component + 1 floats
        uint32_t register_index = 0;
        std::array<float, 4> value{};
    };
    struct Sampler {
        std::string name;
        uint32_t register_index = 0;
        Texture* texture = nullptr;  // not owned
    };

    // Made by RenderDevice::new_shader; freeing it with `delete` destroys it.
    explicit Shader(RenderDevice* device) : device_(device) {}
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // Loads a ".bsf" file image; `name` (the file's path) only labels messages. False for a
    // malformed file or a program the device refuses, with a one-line message on stderr.
    bool load(const uint8_t* data, size_t size, std::string_view name = {});
    bool load(const std::vector<uint8_t>& bytes, std::string_view name = {});
    // Reads the file through gfx::read_program_file, then loads it.
    bool load_file(const std::string& path);

    // Stores up to four floats (as many as the constant has) in every constant of that name.
    void set_param(std::string_view name, const float* values);
    void set_param(std::string_view name, float x, float y = 0.0f, float z = 0.0f, float w = 0.0f);
    // Binds a texture (or null) to the pixel sampler "texSampler<slot>".
    void set_texture(int slot, Texture* texture);
    // Puts the program, its constants and its textures on the device (used by the draws).
    void apply();
    // Clears texture stages 0 to 15.
    void unbind_textures();
    // Releases the shader objects, frees the tables and takes the program off the list.
    void destroy();

    RenderDevice* device() const { return device_; }
    const std::vector<Constant>& vertex_constants() const { return vertex_constants_; }
    const std::vector<Sampler>& vertex_samplers() const { return vertex_samplers_; }
    const std::vector<Constant>& pixel_constants() const { return pixel_constants_; }
    const std::vector<Sampler>& pixel_samplers() const { return pixel_samplers_; }
    bool loaded() const { return vertex_shader_ != nullptr && pixel_shader_ != nullptr; }
    const gfx::platform::PixelShader* platform_pixel_shader() const { return pixel_shader_; }

  private:
    friend class RenderDevice;
    void release_objects();

    RenderDevice* device_ = nullptr;
    std::vector<Constant> vertex_constants_;
    std::vector<Sampler> vertex_samplers_;
    std::vector<Constant> pixel_constants_;
    std::vector<Sampler> pixel_samplers_;
    gfx::platform::VertexShader* vertex_shader_ = nullptr;
    gfx::platform::PixelShader* pixel_shader_ = nullptr;
};

namespace gfx {

// Reads a program file's bytes. A plain file for now; the data-file access of the loader (the
// program bank, then the plain file below the data folder) takes its place later.
bool read_program_file(const std::string& path, std::vector<uint8_t>& bytes);

}  // namespace gfx
