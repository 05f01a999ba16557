// The graphics platform on POSIX: the Direct3D 9 operations of gfx/platform.h over OpenGL 3.3
// core and EGL.
//
// Orientation: every Direct3D texture surface is a framebuffer object whose memory row 0 is the
// Direct3D top row. Programs flip y in their position epilogue (bw_pos_fixup) and move Direct3D's
// integer pixel centres onto OpenGL's half-integer ones, so uploads, readbacks and
// render-to-texture need no flips.
//
// The back buffer of a windowed device is the window's own framebuffer 0 while the window has the
// back buffer's size: the frame's last pass draws straight into what the swap shows, with no
// copy and no memory of its own. Its rows run bottom up, so draws into it keep y as it is, and
// copies and reads from it take the rows the other way. Without a window, or while the window's
// size differs from the back buffer's (a resize the device has not been reset for yet), the back
// buffer is a framebuffer object that `present` copies into the window, flipped and scaled.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gfx/egl_context.h"
#include "gfx/platform.h"
#include "gfx/platform_testing.h"
#include "gfx/platform_testing_gl.h"
#include "gfx/shader_link_gl.h"

namespace gfx::platform {

namespace {

constexpr uint32_t kVertexConstants = 256;
constexpr uint32_t kPixelConstants = 224;
constexpr uint32_t kPixelShader30 = 0xFFFF0300;
// Texture unit for creating and filling textures: past the 16 pixel stages and the 4 vertex
// sampler units, so that no program samples what is bound there.
constexpr GLenum kScratchUnit = 20;

}  // namespace

struct Runtime {
    int unused = 0;
};

struct Direct3D {
    Direct3D() { ++g_live.direct3d; }
    ~Direct3D() { --g_live.direct3d; }
    Direct3D(const Direct3D&) = delete;
    Direct3D& operator=(const Direct3D&) = delete;
    egl::Context context;
};

struct Surface {
    TextureObject* owner = nullptr;
};

struct TextureObject {
    TextureObject() { ++g_live.textures; }
    ~TextureObject() { --g_live.textures; }
    TextureObject(const TextureObject&) = delete;
    TextureObject& operator=(const TextureObject&) = delete;
    int refs = 1;
    Device* device = nullptr;
    TexturePool pool = TexturePool::render_target_default;
    uint32_t width = 0, height = 0;
    GLuint texture = 0;
    GLuint framebuffer = 0;
    std::vector<uint8_t> memory;  // system-memory textures
    bool locked = false;
    bool back_buffer = false;
    bool window = false;  // the window's framebuffer 0: no texture, rows bottom up
    Surface surface;
};

struct VertexDeclaration {
    int refs = 1;
};

struct VertexShader {
    VertexShader() { ++g_live.shaders; }
    ~VertexShader() { --g_live.shaders; }
    VertexShader(const VertexShader&) = delete;
    VertexShader& operator=(const VertexShader&) = delete;
    int refs = 1;
    std::vector<uint32_t> tokens;
};

struct PixelShader {
    PixelShader() { ++g_live.shaders; }
    ~PixelShader() { --g_live.shaders; }
    PixelShader(const PixelShader&) = delete;
    PixelShader& operator=(const PixelShader&) = delete;
    int refs = 1;
    gl::LinkedProgram program;
};

struct Device {
    Device() { ++g_live.devices; }
    ~Device() { --g_live.devices; }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    Direct3D* d3d = nullptr;
    std::unique_ptr<egl::Context> window;  // windowed devices draw through their own context
    PresentParameters params;
    Result status = kOk;
    int live_default_textures = 0;  // render targets other than the back buffer
    TextureObject* back_buffer = nullptr;
    TextureObject* target = nullptr;                      // holds a reference
    std::array<TextureObject*, kTextureStages> stages{};  // hold references
    std::array<std::array<uint32_t, 8>, kTextureStages> sampler_states{};
    std::array<GLuint, kTextureStages> samplers{};
    VertexDeclaration* declaration = nullptr;  // holds a reference
    VertexShader* vertex_shader = nullptr;     // holds a reference
    PixelShader* pixel_shader = nullptr;       // holds a reference
    std::vector<float> vertex_constants = std::vector<float>(kVertexConstants * 4, 0.0f);
    std::vector<float> pixel_constants = std::vector<float>(kPixelConstants * 4, 0.0f);
    bool vertex_constants_dirty = true, pixel_constants_dirty = true;
    GLuint constant_buffers[2] = {0, 0};
    GLuint vertex_array = 0, vertex_buffer = 0;
    uint32_t blend_enable = 0, src_blend = 2 /* ONE */, dest_blend = 1 /* ZERO */;
};

namespace {

Device* g_current_device = nullptr;

bool make_current(Device* device) {
    if (device->window) return device->window->make_current();
    return device->d3d->context.make_current();
}

void bind_target(Device* device) {
    if (!device->target) return;
    glBindFramebuffer(GL_FRAMEBUFFER, device->target->framebuffer);
    glViewport(0, 0, static_cast<GLsizei>(device->target->width),
               static_cast<GLsizei>(device->target->height));
    // Flipped storage mirrors the winding; the window's bottom-up rows do not.
    glFrontFace(device->target->window ? GL_CW : GL_CCW);
}

// Source rows of a blit from `t`: top row first for framebuffer objects, the other way for the
// window.
void blit_rows(const TextureObject* t, GLint& y0, GLint& y1) {
    y0 = t->window ? static_cast<GLint>(t->height) : 0;
    y1 = t->window ? 0 : static_cast<GLint>(t->height);
}

GLenum blend_factor(uint32_t d3d) {
    switch (d3d) {
        case 1:
            return GL_ZERO;
        case 2:
            return GL_ONE;
        case 3:
            return GL_SRC_COLOR;
        case 4:
            return GL_ONE_MINUS_SRC_COLOR;
        case 5:
            return GL_SRC_ALPHA;
        case 6:
            return GL_ONE_MINUS_SRC_ALPHA;
        case 7:
            return GL_DST_ALPHA;
        case 8:
            return GL_ONE_MINUS_DST_ALPHA;
        case 9:
            return GL_DST_COLOR;
        case 10:
            return GL_ONE_MINUS_DST_COLOR;
        case 11:
            return GL_SRC_ALPHA_SATURATE;
        default:
            return GL_ONE;
    }
}

void apply_blend(Device* device) {
    if (device->blend_enable)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    glBlendFunc(blend_factor(device->src_blend), blend_factor(device->dest_blend));
}

GLint address_mode(uint32_t d3d) {
    switch (d3d) {
        case value_of(SamplerAddress::mirror):
            return GL_MIRRORED_REPEAT;
        case value_of(SamplerAddress::clamp):
            return GL_CLAMP_TO_EDGE;
        case value_of(SamplerAddress::border):
            return GL_CLAMP_TO_BORDER;
        default:
            return GL_REPEAT;
    }
}

void apply_sampler(Device* device, uint32_t stage) {
    const auto& s = device->sampler_states[stage];
    const GLuint sampler = device->samplers[stage];
    const auto su = [](SamplerState k) { return static_cast<size_t>(k); };
    const uint32_t mag = s[su(SamplerState::mag_filter)];
    const uint32_t min = s[su(SamplerState::min_filter)];
    const uint32_t mip = s[su(SamplerState::mip_filter)];
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                        mag == value_of(SamplerFilter::linear) ? GL_LINEAR : GL_NEAREST);
    GLint min_mode = GL_NEAREST;
    const bool lin = min == value_of(SamplerFilter::linear);
    if (mip == value_of(SamplerFilter::point))
        min_mode = lin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (mip == value_of(SamplerFilter::linear))
        min_mode = lin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    else
        min_mode = lin ? GL_LINEAR : GL_NEAREST;
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, min_mode);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, address_mode(s[su(SamplerState::address_u)]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, address_mode(s[su(SamplerState::address_v)]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, address_mode(s[su(SamplerState::address_w)]));
}

// Direct3D's state after creation and after every reset.
void default_states(Device* device) {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_FRAMEBUFFER_SRGB);
    device->blend_enable = 0;
    device->src_blend = value_of(BlendFactor::one);
    device->dest_blend = value_of(BlendFactor::zero);
    apply_blend(device);
    for (uint32_t stage = 0; stage < kTextureStages; ++stage) {
        auto& s = device->sampler_states[stage];
        s.fill(0);
        s[static_cast<size_t>(SamplerState::address_u)] = value_of(SamplerAddress::wrap);
        s[static_cast<size_t>(SamplerState::address_v)] = value_of(SamplerAddress::wrap);
        s[static_cast<size_t>(SamplerState::address_w)] = value_of(SamplerAddress::wrap);
        s[static_cast<size_t>(SamplerState::mag_filter)] = value_of(SamplerFilter::point);
        s[static_cast<size_t>(SamplerState::min_filter)] = value_of(SamplerFilter::point);
        s[static_cast<size_t>(SamplerState::mip_filter)] = value_of(SamplerFilter::none);
        apply_sampler(device, stage);
    }
}

void drain_gl_errors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void destroy_texture(TextureObject* t) {
    if (t->device && t->pool == TexturePool::render_target_default) {
        if (!t->back_buffer) --t->device->live_default_textures;
        make_current(t->device);
    }
    if (t->framebuffer) glDeleteFramebuffers(1, &t->framebuffer);
    if (t->texture) glDeleteTextures(1, &t->texture);
    delete t;
}

void drop(TextureObject*& held) {
    if (held) release(held);
    held = nullptr;
}

Result make_render_target(Device* device, uint32_t width, uint32_t height, TextureObject** out) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (width == 0 || height == 0 || width > static_cast<uint32_t>(max_size) ||
        height > static_cast<uint32_t>(max_size))
        return kInvalidCall;
    drain_gl_errors();
    auto* t = new TextureObject;
    t->device = device;
    t->width = width;
    t->height = height;
    t->surface.owner = t;
    glGenTextures(1, &t->texture);
    glActiveTexture(GL_TEXTURE0 + kScratchUnit);
    glBindTexture(GL_TEXTURE_2D, t->texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);  // one level: mip filters work
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &t->framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, t->framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->texture, 0);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    const GLenum error = glGetError();
    bind_target(device);
    if (!complete || error != GL_NO_ERROR) {
        t->device = nullptr;
        destroy_texture(t);
        return error == GL_OUT_OF_MEMORY ? kOutOfVideoMemory : kFail;
    }
    *out = t;
    return kOk;
}

bool window_has_size(const Device* device, uint32_t width, uint32_t height) {
    if (!device->window) return false;
    int w = 0, h = 0;
    device->window->window_size(w, h);
    return w > 0 && h > 0 && static_cast<uint32_t>(w) == width &&
           static_cast<uint32_t>(h) == height;
}

// The back buffer for `params`: the window's framebuffer 0 where the window has its size, else a
// framebuffer object. It becomes render target 0.
Result make_back_buffer(Device* device, const PresentParameters& params) {
    TextureObject* t = nullptr;
    if (window_has_size(device, params.back_buffer_width, params.back_buffer_height)) {
        t = new TextureObject;
        t->device = device;
        t->width = params.back_buffer_width;
        t->height = params.back_buffer_height;
        t->surface.owner = t;
        t->window = true;
    } else if (failed(make_render_target(device, params.back_buffer_width,
                                         params.back_buffer_height, &t))) {
        return kOutOfVideoMemory;
    }
    t->back_buffer = true;
    device->back_buffer = t;
    device->target = t;
    t->refs++;
    bind_target(device);
    return kOk;
}

// A window resized since the last reset no longer has the back buffer's size: until the device is
// reset for the new size, frames go to a framebuffer object of the old size that `present`
// scales into the window.
void leave_window_if_resized(Device* device) {
    TextureObject* t = device->back_buffer;
    if (!t || !t->window || window_has_size(device, t->width, t->height)) return;
    TextureObject* object = nullptr;
    if (failed(make_render_target(device, t->width, t->height, &object))) return;
    std::swap(t->texture, object->texture);
    std::swap(t->framebuffer, object->framebuffer);
    t->window = false;
    object->device = nullptr;  // an empty shell, counted nowhere
    destroy_texture(object);
    if (device->target == t) bind_target(device);
}

}  // namespace

// ---- process -------------------------------------------------------------------------------

Runtime* load_runtime() {
    static Runtime runtime;
    return g_injection.runtime_missing ? nullptr : &runtime;
}

namespace {
Direct3D* create_direct3d(uint32_t sdk_version) {
    if (sdk_version != kSdkVersion || g_injection.direct3d_fails) return nullptr;
    auto* d3d = new Direct3D;
    std::string error;
    if (!d3d->context.open_headless(error)) {
        std::fprintf(stderr, "RenderDevice::create(): %s\n", error.c_str());
        delete d3d;
        return nullptr;
    }
    return d3d;
}
}  // namespace

CreateFunction find_create_function(Runtime* runtime) {
    if (!runtime || g_injection.create_function_missing) return nullptr;
    return &create_direct3d;
}

void free_runtime(Runtime*) {}

void show_error(const char* text) {
    std::fprintf(stderr, "Error: %s\n", text);
    if (g_injection.while_error_shows) g_injection.while_error_shows();
}

// ---- IDirect3D9 ----------------------------------------------------------------------------

Result get_device_caps(Direct3D* d3d, Caps& caps) {
    if (!d3d || g_injection.caps_fail) return kInvalidCall;
    if (g_injection.caps) {
        caps = *g_injection.caps;
        return kOk;
    }
    if (!d3d->context.make_current()) return kNotAvailable;
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    caps = Caps{};
    caps.texture_caps = 0;  // any size
    caps.max_texture_width = caps.max_texture_height = static_cast<uint32_t>(max_size);
    caps.pixel_shader_version = gl::translator_accepts_ps30() ? kPixelShader30 : 0xFFFF0200;
    caps.ps20_instruction_slots = 512;
    return kOk;
}

Result get_adapter_identifier(Direct3D* d3d, AdapterIdentifier& id) {
    if (!d3d || g_injection.adapter_fails) return kInvalidCall;
    if (g_injection.adapter) {
        id = *g_injection.adapter;
        return kOk;
    }
    id = AdapterIdentifier{};
    id.vendor_id = d3d->context.vendor_id();
    id.device_id = d3d->context.device_id();
    if (d3d->context.make_current()) {
        const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        if (renderer) id.description = renderer;
    }
    return kOk;
}

Result create_device(Direct3D* d3d, WindowHandle focus_window, const PresentParameters& params,
                     Device** out) {
    if (!d3d || !out || g_injection.create_device_fails) return kInvalidCall;
    if (params.back_buffer_width == 0 || params.back_buffer_height == 0) return kInvalidCall;
    auto device = std::make_unique<Device>();
    device->d3d = d3d;
    device->params = params;
    const WindowHandle window = params.device_window ? params.device_window : focus_window;
    if (window) {
        device->window = std::make_unique<egl::Context>();
        std::string error;
        if (!device->window->open_window(window, error)) {
            std::fprintf(stderr, "RenderDevice::create(): %s\n", error.c_str());
            d3d->context.make_current();
            return kNotAvailable;
        }
    } else if (!d3d->context.make_current()) {
        return kNotAvailable;
    }
    Device* d = device.get();
    glGenSamplers(static_cast<GLsizei>(kTextureStages), d->samplers.data());
    for (uint32_t stage = 0; stage < kTextureStages; ++stage)
        glBindSampler(stage, d->samplers[stage]);
    glGenBuffers(2, d->constant_buffers);
    glBindBuffer(GL_UNIFORM_BUFFER, d->constant_buffers[0]);
    glBufferData(GL_UNIFORM_BUFFER, kVertexConstants * 16, nullptr, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_UNIFORM_BUFFER, d->constant_buffers[1]);
    glBufferData(GL_UNIFORM_BUFFER, kPixelConstants * 16, nullptr, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, gl::kVertexConstantBinding, d->constant_buffers[0]);
    glBindBufferBase(GL_UNIFORM_BUFFER, gl::kPixelConstantBinding, d->constant_buffers[1]);
    glGenVertexArrays(1, &d->vertex_array);
    glBindVertexArray(d->vertex_array);
    glGenBuffers(1, &d->vertex_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, d->vertex_buffer);
    glBufferData(GL_ARRAY_BUFFER, 64, nullptr, GL_STREAM_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<const void*>(8));

    if (failed(make_back_buffer(d, params))) {
        release(device.release());
        return kOutOfVideoMemory;
    }
    default_states(d);
    if (g_injection.device_starts_lost) d->status = kDeviceLost;
    g_current_device = d;
    *out = device.release();
    return kOk;
}

void release(Direct3D* d3d) {
    delete d3d;
}

// ---- IDirect3DDevice9 ----------------------------------------------------------------------

Result test_cooperative_level(Device* device) {
    if (!device) return kInvalidCall;
    return device->status;
}

Result reset(Device* device, const PresentParameters& params) {
    if (!device) return kInvalidCall;
    ++g_counters.reset;
    if (device->status == kDeviceLost) return kDeviceLost;
    if (g_injection.reset_fails) {
        device->status = kDeviceNotReset;
        return kInvalidCall;
    }
    // Like Direct3D: every default-pool resource must have been released.
    for (auto& stage : device->stages) drop(stage);
    drop(device->target);
    if (device->live_default_textures > 0 ||
        (device->back_buffer && device->back_buffer->refs > 1) || params.back_buffer_width == 0 ||
        params.back_buffer_height == 0) {
        device->status = kDeviceNotReset;  // a failed Reset leaves the device to be reset
        return kInvalidCall;
    }
    make_current(device);
    drop(device->back_buffer);
    device->params = params;
    if (failed(make_back_buffer(device, params))) {
        device->status = kDeviceNotReset;
        return kOutOfVideoMemory;
    }
    if (device->vertex_shader) release(device->vertex_shader);
    if (device->pixel_shader) release(device->pixel_shader);
    device->vertex_shader = nullptr;
    device->pixel_shader = nullptr;
    if (device->declaration) release(device->declaration);
    device->declaration = nullptr;
    std::fill(device->vertex_constants.begin(), device->vertex_constants.end(), 0.0f);
    std::fill(device->pixel_constants.begin(), device->pixel_constants.end(), 0.0f);
    device->vertex_constants_dirty = device->pixel_constants_dirty = true;
    default_states(device);
    device->status = kOk;
    return kOk;
}

Result present(Device* device) {
    if (!device) return kInvalidCall;
    ++g_counters.present;
    if (device->status != kOk) return kDeviceLost;
    if (device->window && device->back_buffer && device->back_buffer->window) {
        device->window->swap_buffers();  // the frame is already in the window
    } else if (device->window && device->back_buffer) {
        ++g_counters.present_copy;
        int w = 0, h = 0;
        device->window->window_size(w, h);
        if (w <= 0 || h <= 0) {
            w = static_cast<int>(device->back_buffer->width);
            h = static_cast<int>(device->back_buffer->height);
        }
        glBindFramebuffer(GL_READ_FRAMEBUFFER, device->back_buffer->framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        // Memory row 0 is the top: the window's bottom-up rows take it swapped. A window of the
        // back buffer's size takes its pixels whole.
        const bool same_size = w == static_cast<int>(device->back_buffer->width) &&
                               h == static_cast<int>(device->back_buffer->height);
        glBlitFramebuffer(0, 0, static_cast<GLint>(device->back_buffer->width),
                          static_cast<GLint>(device->back_buffer->height), 0, h, w, 0,
                          GL_COLOR_BUFFER_BIT, same_size ? GL_NEAREST : GL_LINEAR);
        device->window->swap_buffers();
        bind_target(device);
    } else {
        glFlush();
    }
    return kOk;
}

Result get_back_buffer(Device* device, Surface** surface) {
    if (!device || !surface || !device->back_buffer) return kInvalidCall;
    device->back_buffer->refs++;
    *surface = &device->back_buffer->surface;
    return kOk;
}

Result get_render_target(Device* device, Surface** surface) {
    if (!device || !surface) return kInvalidCall;
    if (!device->target) return kNotAvailable;
    device->target->refs++;
    *surface = &device->target->surface;
    return kOk;
}

Result set_render_target(Device* device, Surface* surface) {
    if (!device || !surface || !surface->owner || surface->owner->device != device ||
        surface->owner->pool != TexturePool::render_target_default)
        return kInvalidCall;
    TextureObject* t = surface->owner;
    t->refs++;
    drop(device->target);
    device->target = t;
    bind_target(device);
    return kOk;
}

Result begin_scene(Device* device) {
    if (!device) return kInvalidCall;
    ++g_counters.begin_scene;
    leave_window_if_resized(device);
    return kOk;
}

Result end_scene(Device* device) {
    if (!device) return kInvalidCall;
    ++g_counters.end_scene;
    return kOk;
}

Result clear(Device* device, uint32_t argb) {
    if (!device) return kInvalidCall;
    ++g_counters.clear;
    if (device->status != kOk || !device->target) return kOk;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                 static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(argb & 0xFF) / 255.0f,
                 static_cast<float>((argb >> 24) & 0xFF) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return kOk;
}

Result set_render_state(Device* device, RenderState state, uint32_t value) {
    if (!device) return kInvalidCall;
    switch (state) {
        case RenderState::z_enable:
            if (value) return kOk;  // there is no depth buffer
            glDisable(GL_DEPTH_TEST);
            return kOk;
        case RenderState::z_write_enable:
            glDepthMask(value ? GL_TRUE : GL_FALSE);
            return kOk;
        case RenderState::cull_mode:
            // Direct3D culls counter-clockwise (3) or clockwise (2) triangles; with the flipped
            // storage the front is counter-clockwise in OpenGL.
            if (value == value_of(CullMode::clockwise) ||
                value == value_of(CullMode::counter_clockwise)) {
                glEnable(GL_CULL_FACE);
                glCullFace(value == value_of(CullMode::counter_clockwise) ? GL_BACK : GL_FRONT);
            } else {
                glDisable(GL_CULL_FACE);
            }
            return kOk;
        case RenderState::alpha_blend_enable:
            device->blend_enable = value;
            break;
        case RenderState::src_blend:
            device->src_blend = value;
            break;
        case RenderState::dest_blend:
            device->dest_blend = value;
            break;
        default:
            return kInvalidCall;
    }
    apply_blend(device);
    return kOk;
}

Result set_texture(Device* device, uint32_t stage, TextureObject* texture) {
    if (!device || stage >= kTextureStages) return kInvalidCall;
    if (texture &&
        (texture->device != device || texture->pool != TexturePool::render_target_default))
        return kInvalidCall;
    if (!texture) ++g_counters.set_texture_null;
    if (texture) texture->refs++;
    drop(device->stages[stage]);
    device->stages[stage] = texture;
    glActiveTexture(GL_TEXTURE0 + stage);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->texture : 0);
    return kOk;
}

Result set_sampler_state(Device* device, uint32_t stage, SamplerState state, uint32_t value) {
    const auto index = static_cast<size_t>(state);
    if (!device || stage >= kTextureStages || index >= 8) return kInvalidCall;
    device->sampler_states[stage][index] = value;
    apply_sampler(device, stage);
    return kOk;
}

Result create_texture(Device* device, uint32_t width, uint32_t height, TexturePool pool,
                      TextureObject** texture) {
    if (!device || !texture || width == 0 || height == 0) return kInvalidCall;
    if (pool == TexturePool::system_memory) {
        const uint64_t bytes = uint64_t{width} * height * 4;
        if (width > 16384 || height > 16384) return kInvalidCall;
        auto* t = new TextureObject;
        t->device = device;
        t->pool = pool;
        t->width = width;
        t->height = height;
        t->surface.owner = t;
        t->memory.assign(static_cast<size_t>(bytes), 0);
        *texture = t;
        return kOk;
    }
    make_current(device);
    TextureObject* t = nullptr;
    const Result r = make_render_target(device, width, height, &t);
    if (failed(r)) return r;
    ++device->live_default_textures;
    *texture = t;
    return kOk;
}

Result update_texture(Device* device, TextureObject* source, TextureObject* destination) {
    if (!device || !source || !destination || source->pool != TexturePool::system_memory ||
        destination->pool != TexturePool::render_target_default ||
        source->width != destination->width || source->height != destination->height ||
        source->locked)
        return kInvalidCall;
    glActiveTexture(GL_TEXTURE0 + kScratchUnit);
    glBindTexture(GL_TEXTURE_2D, destination->texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // A8R8G8B8 memory order is blue, green, red, alpha.
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(source->width),
                    static_cast<GLsizei>(source->height), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                    source->memory.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return kOk;
}

Result stretch_rect(Device* device, Surface* source, Surface* destination, bool linear) {
    if (!device || !source || !destination || !source->owner || !destination->owner ||
        source->owner == destination->owner ||
        source->owner->pool != TexturePool::render_target_default ||
        destination->owner->pool != TexturePool::render_target_default)
        return kInvalidCall;
    ++g_counters.stretch_rect;
    if (device->status != kOk) return kOk;
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source->owner->framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, destination->owner->framebuffer);
    GLint src_y0 = 0, src_y1 = 0, dst_y0 = 0, dst_y1 = 0;
    blit_rows(source->owner, src_y0, src_y1);
    blit_rows(destination->owner, dst_y0, dst_y1);
    glBlitFramebuffer(0, src_y0, static_cast<GLint>(source->owner->width), src_y1, 0, dst_y0,
                      static_cast<GLint>(destination->owner->width), dst_y1, GL_COLOR_BUFFER_BIT,
                      linear ? GL_LINEAR : GL_NEAREST);
    bind_target(device);
    return kOk;
}

Result create_quad_vertex_declaration(Device* device, VertexDeclaration** declaration) {
    if (!device || !declaration || g_injection.declaration_fails) return kInvalidCall;
    *declaration = new VertexDeclaration;
    return kOk;
}

Result set_vertex_declaration(Device* device, VertexDeclaration* declaration) {
    if (!device) return kInvalidCall;
    if (declaration) declaration->refs++;
    if (device->declaration) release(device->declaration);
    device->declaration = declaration;
    return kOk;
}

Result create_vertex_shader(Device* device, const uint32_t* tokens, size_t count,
                            VertexShader** shader, std::string& error) {
    if (!device || !shader) return kInvalidCall;
    if (!g_override_pending && !gl::check_vertex_tokens(tokens, count, error)) return kInvalidCall;
    auto* vs = new VertexShader;
    if (tokens) vs->tokens.assign(tokens, tokens + count);
    *shader = vs;
    return kOk;
}

Result create_pixel_shader(Device* device, const uint32_t* tokens, size_t count,
                           VertexShader* partner, PixelShader** shader, std::string& error) {
    if (!device || !shader || !partner) return kInvalidCall;
    make_current(device);
    auto ps = std::make_unique<PixelShader>();
    bool ok = false;
    if (g_override_pending) {
        g_override_pending = false;
        ok = gl::link_program(g_override_vs, g_override_fs, ps->program, error);
    } else {
        ok = gl::translate_and_link(partner->tokens, tokens, count, ps->program, error);
    }
    if (!ok) return kInvalidCall;
    *shader = ps.release();
    return kOk;
}

Result set_vertex_shader(Device* device, VertexShader* shader) {
    if (!device) return kInvalidCall;
    if (shader) shader->refs++;
    if (device->vertex_shader) release(device->vertex_shader);
    device->vertex_shader = shader;
    return kOk;
}

Result set_pixel_shader(Device* device, PixelShader* shader) {
    if (!device) return kInvalidCall;
    if (shader) shader->refs++;
    if (device->pixel_shader) release(device->pixel_shader);
    device->pixel_shader = shader;
    return kOk;
}

Result set_vertex_shader_constant(Device* device, uint32_t start_register, const float* values,
                                  uint32_t vector_count) {
    if (!device || !values || start_register > kVertexConstants ||
        vector_count > kVertexConstants - start_register)
        return kInvalidCall;
    float* at = device->vertex_constants.data() + start_register * 4;
    if (std::memcmp(at, values, vector_count * 16u) == 0) return kOk;  // nothing to upload
    std::memcpy(at, values, vector_count * 16u);
    device->vertex_constants_dirty = true;
    return kOk;
}

Result set_pixel_shader_constant(Device* device, uint32_t start_register, const float* values,
                                 uint32_t vector_count) {
    if (!device || !values || start_register > kPixelConstants ||
        vector_count > kPixelConstants - start_register)
        return kInvalidCall;
    float* at = device->pixel_constants.data() + start_register * 4;
    if (std::memcmp(at, values, vector_count * 16u) == 0) return kOk;  // nothing to upload
    std::memcpy(at, values, vector_count * 16u);
    device->pixel_constants_dirty = true;
    return kOk;
}

Result draw_triangle_strip(Device* device, uint32_t primitive_count, const void* vertices,
                           uint32_t stride) {
    if (!device || !vertices || stride != 16 || primitive_count == 0 || primitive_count > 2)
        return kInvalidCall;
    if (!device->declaration || !device->vertex_shader || !device->pixel_shader || !device->target)
        return kInvalidCall;
    ++g_counters.draw;
    g_counters.drawn_with.push_back(device->pixel_shader);
    std::memcpy(g_last_vertices, vertices, 16u * (primitive_count + 2));
    if (g_injection.lose_device_at_draw > 0 && --g_injection.lose_device_at_draw == 0)
        device->status = kDeviceLost;
    if (device->status != kOk) return kOk;  // a lost device draws nothing
    const gl::LinkedProgram& program = device->pixel_shader->program;
    glUseProgram(program.program);
    if (device->vertex_constants_dirty) {
        glBindBuffer(GL_UNIFORM_BUFFER, device->constant_buffers[0]);
        glBufferSubData(GL_UNIFORM_BUFFER, 0, kVertexConstants * 16,
                        device->vertex_constants.data());
        device->vertex_constants_dirty = false;
    }
    if (device->pixel_constants_dirty) {
        glBindBuffer(GL_UNIFORM_BUFFER, device->constant_buffers[1]);
        glBufferSubData(GL_UNIFORM_BUFFER, 0, kPixelConstants * 16, device->pixel_constants.data());
        device->pixel_constants_dirty = false;
    }
    if (program.position_fixup >= 0) {
        // Direct3D's pixel centres (a whole half pixel, so that texture coordinates at each
        // pixel are those Direct3D gives) and the flip to memory row 0 = top, for the viewport
        // of the current target; the window's rows run bottom up as Direct3D's clip space does,
        // so there y keeps its sign and the half pixel goes down.
        const bool window = device->target->window;
        const float half_row = 1.0f / static_cast<float>(device->target->height);
        glUniform4f(program.position_fixup, 1.0f / static_cast<float>(device->target->width),
                    window ? -half_row : half_row, window ? 1.0f : -1.0f, 0.0f);
    }
    glBindVertexArray(device->vertex_array);
    glBindBuffer(GL_ARRAY_BUFFER, device->vertex_buffer);
    glBufferData(GL_ARRAY_BUFFER, 64, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(16u * (primitive_count + 2)),
                    vertices);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(primitive_count + 2));
    return kOk;
}

void release(Device* device) {
    if (!device) return;
    make_current(device);
    for (auto& stage : device->stages) drop(stage);
    drop(device->target);
    drop(device->back_buffer);
    if (device->vertex_shader) release(device->vertex_shader);
    if (device->pixel_shader) release(device->pixel_shader);
    if (device->declaration) release(device->declaration);
    glDeleteSamplers(static_cast<GLsizei>(kTextureStages), device->samplers.data());
    glDeleteBuffers(2, device->constant_buffers);
    glDeleteBuffers(1, &device->vertex_buffer);
    glDeleteVertexArrays(1, &device->vertex_array);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glFinish();
    if (g_current_device == device) g_current_device = nullptr;
    delete device;
    g_override_pending = false;
}

// ---- textures and surfaces -----------------------------------------------------------------

Result get_surface_level(TextureObject* texture, uint32_t level, Surface** surface) {
    if (!texture || !surface || level != 0) return kInvalidCall;
    texture->refs++;
    *surface = &texture->surface;
    return kOk;
}

Result lock_rect(TextureObject* texture, void** bits, int32_t& pitch) {
    if (!texture || !bits || texture->pool != TexturePool::system_memory || texture->locked)
        return kInvalidCall;
    texture->locked = true;
    *bits = texture->memory.data();
    pitch = static_cast<int32_t>(texture->width * 4);
    return kOk;
}

Result unlock_rect(TextureObject* texture) {
    if (!texture || !texture->locked) return kInvalidCall;
    texture->locked = false;
    return kOk;
}

Result add_dirty_rect(TextureObject* texture) {
    return texture ? kOk : kInvalidCall;
}

Result get_surface_size(Surface* surface, uint32_t& width, uint32_t& height) {
    if (!surface || !surface->owner) return kInvalidCall;
    width = surface->owner->width;
    height = surface->owner->height;
    return kOk;
}

Result read_surface(Device* device, Surface* surface, uint8_t* rgba, size_t size) {
    if (!device || !surface || !surface->owner || !rgba ||
        surface->owner->pool != TexturePool::render_target_default)
        return kInvalidCall;
    const TextureObject* t = surface->owner;
    if (size < size_t{t->width} * t->height * 4) return kInvalidCall;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, t->framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(t->width), static_cast<GLsizei>(t->height), GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba);
    if (t->window) {  // bottom row first: turn it over
        const size_t row = size_t{t->width} * 4;
        for (size_t top = 0, bottom = t->height - 1u; top < bottom; ++top, --bottom)
            std::swap_ranges(rgba + top * row, rgba + (top + 1) * row, rgba + bottom * row);
    }
    bind_target(device);
    return kOk;
}

void release(TextureObject* texture) {
    if (texture && --texture->refs == 0) destroy_texture(texture);
}

void release(Surface* surface) {
    if (surface && surface->owner) release(surface->owner);
}

void release(VertexDeclaration* declaration) {
    if (declaration && --declaration->refs == 0) delete declaration;
}

void release(VertexShader* shader) {
    if (shader && --shader->refs == 0) delete shader;
}

void release(PixelShader* shader) {
    if (shader && --shader->refs == 0) {
        gl::delete_program(shader->program);
        delete shader;
    }
}

// ---- video memory --------------------------------------------------------------------------

uint64_t total_video_memory() {
    if (!g_current_device) return 0;
    make_current(g_current_device);
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* name =
            reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (name && std::strcmp(name, "GL_NVX_gpu_memory_info") == 0) {
            GLint kib = 0;
            glGetIntegerv(0x9048, &kib);  // GPU_MEMORY_INFO_TOTAL_AVAILABLE_MEMORY_NVX
            return kib > 0 ? uint64_t(kib) * 1024 : 0;
        }
    }
    return 0;
}

// ---- test controls -------------------------------------------------------------------------

void testing::set_device_status(Device* device, Result status) {
    if (device) device->status = status;
}

void testing::finish(Device* device) {
    if (device && make_current(device)) glFinish();
}

}  // namespace gfx::platform
