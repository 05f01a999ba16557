#pragma once
// The one graphics device of the run: creation and capability test, frames, lost-device
// recovery, resize, the lists of textures and programs, drawing quads, blending and target
// switching. Every device call goes through gfx/platform.h.
#include <cstdint>
#include <vector>

#include "gfx/platform.h"

class Shader;
class Texture;

class RenderDevice {
  public:
    enum class CreateResult { created, device_call_failed, runtime_missing, card_not_supported };
    enum class Blend { off, alpha };

    RenderDevice() = default;
    ~RenderDevice();  // destroy()
    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    // Objects made before a failure stay held until destroy().
    CreateResult create(gfx::WindowHandle focus_window, int width, int height, int refresh_rate_hz,
                        bool full_screen);
    int max_texture_size() const { return max_texture_size_; }
    bool supports_card(const gfx::platform::Caps& caps);

    // Frame operations; each does nothing while there is no device.
    void begin_frame();
    void clear(float red, float green, float blue);
    void end_frame();
    void present();
    void resize(int width, int height);
    bool reset();
    // Successful resets since creation: each leaves every texture empty.
    int reset_count() const { return reset_count_; }
    gfx::platform::Result init_states();
    // Teardown: destroys (and frees) every listed texture and program, then releases the
    // platform objects. The device can be created again afterwards.
    void destroy();

    // Render target 0.
    bool set_target(Texture* texture);
    gfx::platform::Result restore_back_buffer();
    // The target passes return to when they are done with one of their own: the back buffer
    // (null), or a texture that stands in for it while a picture builds a painting in a target
    // that keeps alpha whatever the window's pixels are.
    void set_default_target(Texture* texture) { default_target_ = texture; }
    gfx::platform::Result restore_default_target();
    int target_width() const { return target_width_; }
    int target_height() const { return target_height_; }

    // Textures and programs. The caller owns what it gets and frees it with `delete` (which
    // destroys it and takes it off the list); whatever is still listed at destroy() is freed
    // by the device.
    Texture* new_texture();
    Shader* new_shader();
    const std::vector<Texture*>& textures() const { return textures_; }
    const std::vector<Shader*>& shaders() const { return shaders_; }

    // Drawing (the current program stays current until the next set_shader).
    void set_shader(Shader* shader) { current_shader_ = shader; }
    Shader* current_shader() const { return current_shader_; }
    void draw_quad(float x0, float y0, float x1, float y1);
    void draw_rect(float x, float y, float w, float h);
    void set_blend(Blend mode);
    // The picture's working size: textures of this size and filter kind 1 are magnified with
    // point filtering.
    void set_work_size(int width, int height) {
        work_width_ = width;
        work_height_ = height;
    }
    int work_width() const { return work_width_; }
    int work_height() const { return work_height_; }

    // Readback of the current render target or of a texture into RGBA8 rows, top row first.
    bool read_target(std::vector<uint8_t>& rgba, int& width, int& height);
    bool read_texture(const Texture& texture, std::vector<uint8_t>& rgba);

    gfx::platform::Device* platform_device() const { return device_; }
    const gfx::platform::PresentParameters& present_parameters() const { return params_; }

    // Called by Texture and Shader when they are destroyed.
    void forget(Texture* texture);
    void forget(Shader* shader);

  private:
    gfx::platform::Runtime* runtime_ = nullptr;
    gfx::platform::CreateFunction create_function_ = nullptr;
    gfx::platform::Direct3D* d3d_ = nullptr;
    gfx::platform::Device* device_ = nullptr;
    gfx::platform::PresentParameters params_{};
    gfx::platform::VertexDeclaration* declaration_ = nullptr;
    gfx::platform::Surface* back_buffer_ = nullptr;
    Texture* default_target_ = nullptr;  // null: the back buffer
    int target_width_ = 0;
    int target_height_ = 0;
    int max_texture_size_ = 0;
    int work_width_ = 0;
    int work_height_ = 0;
    std::vector<Texture*> textures_;
    std::vector<Shader*> shaders_;
    Shader* current_shader_ = nullptr;
    int reset_count_ = 0;
    bool created_ = false;  // create() has run and destroy() has not
};

namespace gfx {

// Total video memory in whole mebibytes; 0 when it cannot be asked.
int video_memory_mb();

// Hands the C heap's free pages back to the system (a software renderer keeps its images in
// that heap, and the images freed after a painting would otherwise stay resident). Where the C
// library cannot, it does nothing.
void return_free_memory();

// The quad of draw_quad: four vertices (x, y, u, v) of a triangle strip for the corners
// (x0, y0) to (x1, y1) drawn into a target of the given size.
struct QuadVertex {
    float x, y, u, v;
};
void quad_vertices(float x0, float y0, float x1, float y1, int target_width, int target_height,
                   QuadVertex out[4]);

// The colour Clear receives for clear(r, g, b): each channel clamped to 0..1, times 255,
// truncated; alpha 0.
uint32_t clear_colour(float red, float green, float blue);

}  // namespace gfx
