#include "gfx/render_device.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "gfx/shader.h"
#include "gfx/texture.h"

namespace p = gfx::platform;

namespace {

constexpr char kRuntimeMessage[] =
    "Your computer does not have an up to date DirectX 9 installed.\n"
    "Please download and install the latest version of DirectX from\n"
    "http://www.microsoft.com/directx.";

constexpr char kCardMessage[] =
    "This screen saver does not support your video card.\n\n"
    "For a complete list of supported video cards check\n"
    "http://www.korvane.com/support/videocards.html"
    " or\ntry our Calmora screen saver.";

constexpr uint32_t kRefusedVendor = 0x10DE;
constexpr std::array<uint32_t, 21> kRefusedDevices = {
    0x0321, 0x0322, 0x0323, 0x0326, 0x0311, 0x0312, 0x0314, 0x0341, 0x0342, 0x0343, 0x0344,
    0x0301, 0x0302, 0x0330, 0x0331, 0x0333, 0x0324, 0x031A, 0x0347, 0x00FA, 0x00FB};

uint32_t clamp_channel(float c) {
    if (!(c > 0.0f)) return 0;  // below 0 and NaN
    if (c > 1.0f) return 255;
    return static_cast<uint32_t>(c * 255.0f);
}

}  // namespace

uint32_t gfx::clear_colour(float red, float green, float blue) {
    return clamp_channel(red) << 16 | clamp_channel(green) << 8 | clamp_channel(blue);
}

void gfx::quad_vertices(float x0, float y0, float x1, float y1, int target_width, int target_height,
                        QuadVertex out[4]) {
    // A quarter of a pixel in clip space, as the programs were tuned with.
    const float dx = target_width > 0 ? 0.5f / static_cast<float>(target_width) : 0.0f;
    const float dy = target_height > 0 ? 0.5f / static_cast<float>(target_height) : 0.0f;
    out[0] = {x0 - dx, y1 + dy, 0.0f, 0.0f};
    out[1] = {x0 - dx, y0 + dy, 0.0f, 1.0f};
    out[2] = {x1 - dx, y1 + dy, 1.0f, 0.0f};
    out[3] = {x1 - dx, y0 + dy, 1.0f, 1.0f};
}

int gfx::video_memory_mb() {
    return static_cast<int>(std::min<uint64_t>(p::total_video_memory() >> 20, 0x7FFFFFFF));
}

void gfx::return_free_memory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

RenderDevice::~RenderDevice() {
    destroy();
}

RenderDevice::CreateResult RenderDevice::create(gfx::WindowHandle focus_window, int width,
                                                int height, int refresh_rate_hz, bool full_screen) {
    if (created_) destroy();  // a second create starts from scratch
    created_ = true;
    runtime_ = p::load_runtime();
    if (runtime_) create_function_ = p::find_create_function(runtime_);
    if (create_function_) d3d_ = create_function_(p::kSdkVersion);
    if (!d3d_) {
        p::show_error(kRuntimeMessage);
        return CreateResult::runtime_missing;
    }

    p::Caps caps;
    if (p::failed(p::get_device_caps(d3d_, caps))) return CreateResult::device_call_failed;
    max_texture_size_ = static_cast<int>(
        std::min<uint32_t>(std::max(caps.max_texture_width, caps.max_texture_height), 0x7FFFFFFF));
    if (!supports_card(caps)) return CreateResult::card_not_supported;

    if (width <= 0 || height <= 0) return CreateResult::device_call_failed;
    params_ = p::PresentParameters{};
    params_.back_buffer_width = static_cast<uint32_t>(width);
    params_.back_buffer_height = static_cast<uint32_t>(height);
    params_.back_buffer_format = p::kFormatA8R8G8B8;
    params_.back_buffer_count = 1;
    params_.multi_sample_type = 0;
    params_.multi_sample_quality = 0;
    params_.swap_effect = p::kSwapEffectDiscard;
    params_.device_window = 0;  // the focus window serves
    params_.windowed = !full_screen;
    params_.enable_auto_depth_stencil = false;
    params_.auto_depth_stencil_format = p::kFormatUnknown;
    params_.flags = 0;
    params_.full_screen_refresh_rate = full_screen ? static_cast<uint32_t>(refresh_rate_hz) : 0;
    params_.presentation_interval = p::kPresentIntervalOne;

    if (p::failed(p::create_device(d3d_, focus_window, params_, &device_))) {
        device_ = nullptr;
        return CreateResult::device_call_failed;
    }
    if (p::failed(p::create_quad_vertex_declaration(device_, &declaration_))) {
        declaration_ = nullptr;
        return CreateResult::device_call_failed;
    }
    init_states();
    return CreateResult::created;
}

bool RenderDevice::supports_card(const p::Caps& caps) {
    bool ok = true;
    if ((caps.texture_caps & p::kTextureCapsPow2) &&
        !(caps.texture_caps & p::kTextureCapsNonPow2Conditional))
        ok = false;
    if (ok && caps.pixel_shader_version < 0xFFFF0300u && caps.ps20_instruction_slots < 512)
        ok = false;
    if (ok) {
        p::AdapterIdentifier id;
        if (!d3d_ || p::failed(p::get_adapter_identifier(d3d_, id))) {
            ok = false;
        } else if (id.vendor_id == kRefusedVendor &&
                   std::find(kRefusedDevices.begin(), kRefusedDevices.end(), id.device_id) !=
                       kRefusedDevices.end()) {
            ok = false;
        }
    }
    if (!ok) p::show_error(kCardMessage);
    return ok;
}

void RenderDevice::begin_frame() {
    if (!device_) return;
    if (p::test_cooperative_level(device_) == p::kDeviceNotReset && !reset()) return;
    p::begin_scene(device_);
}

void RenderDevice::clear(float red, float green, float blue) {
    if (!device_) return;
    p::clear(device_, gfx::clear_colour(red, green, blue));
}

void RenderDevice::end_frame() {
    if (!device_) return;
    for (uint32_t stage = 0; stage < p::kTextureStages; ++stage)
        p::set_texture(device_, stage, nullptr);
    p::end_scene(device_);
}

void RenderDevice::present() {
    if (!device_) return;
    p::present(device_);
}

void RenderDevice::resize(int width, int height) {
    if (!device_) return;
    const p::Result level = p::test_cooperative_level(device_);
    if (level != p::kOk && level != p::kDeviceNotReset) return;
    if (width <= 0 || height <= 0) return;  // a minimised window keeps the old size
    params_.back_buffer_width = static_cast<uint32_t>(width);
    params_.back_buffer_height = static_cast<uint32_t>(height);
    reset();
}

bool RenderDevice::reset() {
    if (!device_) return false;
    if (back_buffer_) {
        p::release(back_buffer_);
        back_buffer_ = nullptr;
    }
    for (Texture* t : textures_) t->release_resources();
    // Shader objects survive a reset.
    if (p::failed(p::reset(device_, params_))) return false;
    ++reset_count_;
    for (Texture* t : textures_) t->restore();
    init_states();
    return true;
}

p::Result RenderDevice::init_states() {
    if (!device_) return p::kInvalidCall;
    p::set_render_state(device_, p::RenderState::z_enable, 0);
    p::set_render_state(device_, p::RenderState::z_write_enable, 0);
    p::set_render_state(device_, p::RenderState::cull_mode, p::CullMode::none);
    p::set_render_state(device_, p::RenderState::alpha_blend_enable, 0);
    p::set_vertex_declaration(device_, declaration_);
    if (back_buffer_) {
        p::release(back_buffer_);
        back_buffer_ = nullptr;
    }
    const p::Result r = p::get_back_buffer(device_, &back_buffer_);
    if (p::failed(r)) {
        back_buffer_ = nullptr;
        return r;
    }
    return restore_back_buffer();
}

void RenderDevice::destroy() {
    while (!textures_.empty()) delete textures_.front();  // the destructor unlists it
    while (!shaders_.empty()) delete shaders_.front();
    current_shader_ = nullptr;
    default_target_ = nullptr;
    if (back_buffer_) {
        p::release(back_buffer_);
        back_buffer_ = nullptr;
    }
    if (declaration_) {
        p::release(declaration_);
        declaration_ = nullptr;
    }
    if (device_) {
        p::release(device_);
        device_ = nullptr;
    }
    if (d3d_) {
        p::release(d3d_);
        d3d_ = nullptr;
    }
    create_function_ = nullptr;
    if (runtime_) {
        p::free_runtime(runtime_);
        runtime_ = nullptr;
    }
    textures_.clear();
    textures_.shrink_to_fit();
    shaders_.clear();
    shaders_.shrink_to_fit();
    target_width_ = target_height_ = 0;
    created_ = false;
}

bool RenderDevice::set_target(Texture* texture) {
    if (!device_ || !texture || !texture->surface()) return false;
    if (p::failed(p::set_render_target(device_, texture->surface()))) return false;
    target_width_ = texture->width();
    target_height_ = texture->height();
    return true;
}

p::Result RenderDevice::restore_back_buffer() {
    if (!device_ || !back_buffer_) return p::kInvalidCall;
    const p::Result r = p::set_render_target(device_, back_buffer_);
    if (p::failed(r)) return r;
    uint32_t w = 0, h = 0;
    p::get_surface_size(back_buffer_, w, h);
    target_width_ = static_cast<int>(w);
    target_height_ = static_cast<int>(h);
    return r;
}

p::Result RenderDevice::restore_default_target() {
    if (default_target_ && set_target(default_target_)) return p::kOk;
    return restore_back_buffer();
}

Texture* RenderDevice::new_texture() {
    auto* t = new Texture(this);
    textures_.push_back(t);
    return t;
}

Shader* RenderDevice::new_shader() {
    auto* s = new Shader(this);
    shaders_.push_back(s);
    return s;
}

void RenderDevice::forget(Texture* texture) {
    auto it = std::find(textures_.begin(), textures_.end(), texture);
    if (it != textures_.end()) textures_.erase(it);
    if (default_target_ == texture) default_target_ = nullptr;
    // A program must not keep sampling a texture that is gone.
    for (Shader* s : shaders_)
        for (auto& sampler : s->pixel_samplers_)
            if (sampler.texture == texture) sampler.texture = nullptr;
}

void RenderDevice::forget(Shader* shader) {
    auto it = std::find(shaders_.begin(), shaders_.end(), shader);
    if (it != shaders_.end()) shaders_.erase(it);
    if (current_shader_ == shader) current_shader_ = nullptr;
}

void RenderDevice::draw_quad(float x0, float y0, float x1, float y1) {
    if (!device_ || !current_shader_) return;
    gfx::QuadVertex v[4];
    gfx::quad_vertices(x0, y0, x1, y1, target_width_, target_height_, v);
    current_shader_->apply();
    p::draw_triangle_strip(device_, 2, v, sizeof(gfx::QuadVertex));
    current_shader_->unbind_textures();
}

void RenderDevice::draw_rect(float x, float y, float w, float h) {
    const float x0 = 2.0f * x - 1.0f;
    const float y0 = 2.0f * y - 1.0f;
    draw_quad(x0, y0, x0 + 2.0f * w, y0 + 2.0f * h);
}

void RenderDevice::set_blend(Blend mode) {
    if (!device_) return;
    if (mode == Blend::alpha) {
        p::set_render_state(device_, p::RenderState::src_blend, p::BlendFactor::src_alpha);
        p::set_render_state(device_, p::RenderState::dest_blend, p::BlendFactor::inv_src_alpha);
        p::set_render_state(device_, p::RenderState::alpha_blend_enable, 1);
    } else {
        p::set_render_state(device_, p::RenderState::alpha_blend_enable, 0);
    }
}

bool RenderDevice::read_target(std::vector<uint8_t>& rgba, int& width, int& height) {
    if (!device_) return false;
    p::Surface* target = nullptr;
    if (p::failed(p::get_render_target(device_, &target)) || !target) return false;
    uint32_t w = 0, h = 0;
    p::get_surface_size(target, w, h);
    rgba.assign(static_cast<size_t>(w) * h * 4, 0);
    const bool ok = !p::failed(p::read_surface(device_, target, rgba.data(), rgba.size()));
    p::release(target);
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return ok;
}

bool RenderDevice::read_texture(const Texture& texture, std::vector<uint8_t>& rgba) {
    if (!device_ || !texture.surface()) return false;
    rgba.assign(static_cast<size_t>(texture.width()) * texture.height() * 4, 0);
    return !p::failed(p::read_surface(device_, texture.surface(), rgba.data(), rgba.size()));
}
