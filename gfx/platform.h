#pragma once
// The graphics platform boundary: the Direct3D 9 operations the graphics layer uses, as plain
// functions with Direct3D results. RenderDevice, Shader and Texture hold all the logic and call
// only these. One implementation is compiled per platform: OpenGL 3.3 over EGL on POSIX
// (platform_gl.cpp), Direct3D 9 on Windows.
//
// Objects are reference counted as in Direct3D: every create or get hands out one reference that
// the caller gives back with release(). A surface obtained from a texture counts against that
// texture.
#include <cstddef>
#include <cstdint>
#include <string>

namespace gfx {

// A native window: an X11 Window id on POSIX, an HWND on Windows; 0 means no window (headless).
using WindowHandle = uintptr_t;

}  // namespace gfx

namespace gfx::platform {

// Direct3D results (HRESULT values).
using Result = int32_t;
inline constexpr Result kOk = 0;
inline constexpr Result kFail = static_cast<Result>(0x80004005);              // E_FAIL
inline constexpr Result kOutOfMemory = static_cast<Result>(0x8007000E);       // E_OUTOFMEMORY
inline constexpr Result kDeviceLost = static_cast<Result>(0x88760868);        // D3DERR_DEVICELOST
inline constexpr Result kDeviceNotReset = static_cast<Result>(0x88760869);    // ..NOTRESET
inline constexpr Result kInvalidCall = static_cast<Result>(0x8876086C);       // ..INVALIDCALL
inline constexpr Result kNotAvailable = static_cast<Result>(0x8876086A);      // ..NOTAVAILABLE
inline constexpr Result kOutOfVideoMemory = static_cast<Result>(0x8876017C);  // ..OUTOFVIDEOMEMORY
inline constexpr bool failed(Result r) {
    return r < 0;
}

inline constexpr uint32_t kSdkVersion = 31;

// Opaque platform objects.
struct Runtime;            // the loaded runtime library
struct Direct3D;           // IDirect3D9
struct Device;             // IDirect3DDevice9
struct TextureObject;      // IDirect3DTexture9
struct Surface;            // IDirect3DSurface9
struct VertexDeclaration;  // IDirect3DVertexDeclaration9
struct VertexShader;       // IDirect3DVertexShader9
struct PixelShader;        // IDirect3DPixelShader9

// The parts of D3DCAPS9 the capability test reads.
inline constexpr uint32_t kTextureCapsPow2 = 0x2;                  // D3DPTEXTURECAPS_POW2
inline constexpr uint32_t kTextureCapsNonPow2Conditional = 0x100;  // ..NONPOW2CONDITIONAL
struct Caps {
    uint32_t texture_caps = 0;
    uint32_t max_texture_width = 0;
    uint32_t max_texture_height = 0;
    uint32_t pixel_shader_version = 0;   // 0xFFFF0000 | major << 8 | minor
    int32_t ps20_instruction_slots = 0;  // PS20Caps.NumInstructionSlots
};

// The parts of D3DADAPTER_IDENTIFIER9 the capability test reads.
struct AdapterIdentifier {
    uint32_t vendor_id = 0;
    uint32_t device_id = 0;
    std::string description;
};

// D3DPRESENT_PARAMETERS, the fields the device sets.
inline constexpr uint32_t kFormatUnknown = 0;    // D3DFMT_UNKNOWN
inline constexpr uint32_t kFormatA8R8G8B8 = 21;  // D3DFMT_A8R8G8B8
inline constexpr uint32_t kSwapEffectDiscard = 1;
inline constexpr uint32_t kPresentIntervalOne = 1;
struct PresentParameters {
    uint32_t back_buffer_width = 0;
    uint32_t back_buffer_height = 0;
    uint32_t back_buffer_format = kFormatUnknown;
    uint32_t back_buffer_count = 0;
    uint32_t multi_sample_type = 0;
    uint32_t multi_sample_quality = 0;
    uint32_t swap_effect = 0;
    WindowHandle device_window = 0;
    bool windowed = false;
    bool enable_auto_depth_stencil = false;
    uint32_t auto_depth_stencil_format = kFormatUnknown;
    uint32_t flags = 0;
    uint32_t full_screen_refresh_rate = 0;
    uint32_t presentation_interval = 0;
};

// Render states and their values (D3DRENDERSTATETYPE numbers).
enum class RenderState : uint32_t {
    z_enable = 7,
    z_write_enable = 14,
    src_blend = 19,
    dest_blend = 20,
    cull_mode = 22,
    alpha_blend_enable = 27,
};
enum class CullMode : uint32_t { none = 1, clockwise = 2, counter_clockwise = 3 };  // D3DCULL
enum class BlendFactor : uint32_t { zero = 1, one = 2, src_alpha = 5, inv_src_alpha = 6 };

// Sampler states and their values (D3DSAMPLERSTATETYPE, D3DTEXTUREFILTERTYPE, D3DTEXTUREADDRESS).
enum class SamplerState : uint32_t {
    address_u = 1,
    address_v = 2,
    address_w = 3,
    mag_filter = 5,
    min_filter = 6,
    mip_filter = 7,
};
enum class SamplerFilter : uint32_t { none = 0, point = 1, linear = 2 };
enum class SamplerAddress : uint32_t { wrap = 1, mirror = 2, clamp = 3, border = 4 };

// The Direct3D number of a state value.
template <typename Value>
constexpr uint32_t value_of(Value value) {
    return static_cast<uint32_t>(value);
}

inline constexpr uint32_t kTextureStages = 16;

// Texture creation: a render target in the default pool, or a staging texture in system memory.
enum class TexturePool { render_target_default, system_memory };

// ---- process -------------------------------------------------------------------------------
// LoadLibraryA of the runtime; null when it is missing.
Runtime* load_runtime();
// GetProcAddress of the creation entry point; null when it is missing.
using CreateFunction = Direct3D* (*)(uint32_t sdk_version);
CreateFunction find_create_function(Runtime* runtime);
void free_runtime(Runtime* runtime);

// A message the user must see (a message box captioned "Error" on Windows; standard error with
// the prefix "Error: " elsewhere).
void show_error(const char* text);

// ---- IDirect3D9 ----------------------------------------------------------------------------
Result get_device_caps(Direct3D* d3d, Caps& caps);
Result get_adapter_identifier(Direct3D* d3d, AdapterIdentifier& id);
Result create_device(Direct3D* d3d, WindowHandle focus_window, const PresentParameters& params,
                     Device** device);
void release(Direct3D* d3d);

// ---- IDirect3DDevice9 ----------------------------------------------------------------------
Result test_cooperative_level(Device* device);
Result reset(Device* device, const PresentParameters& params);
Result present(Device* device);
Result get_back_buffer(Device* device, Surface** surface);
Result get_render_target(Device* device, Surface** surface);  // render target 0
Result set_render_target(Device* device, Surface* surface);   // render target 0
Result begin_scene(Device* device);
Result end_scene(Device* device);
Result clear(Device* device, uint32_t argb);  // D3DCLEAR_TARGET, no rectangles
Result set_render_state(Device* device, RenderState state, uint32_t value);
inline Result set_render_state(Device* device, RenderState state, CullMode value) {
    return set_render_state(device, state, value_of(value));
}
inline Result set_render_state(Device* device, RenderState state, BlendFactor value) {
    return set_render_state(device, state, value_of(value));
}
Result set_texture(Device* device, uint32_t stage, TextureObject* texture);
Result set_sampler_state(Device* device, uint32_t stage, SamplerState state, uint32_t value);
inline Result set_sampler_state(Device* device, uint32_t stage, SamplerState state,
                                SamplerFilter value) {
    return set_sampler_state(device, stage, state, value_of(value));
}
inline Result set_sampler_state(Device* device, uint32_t stage, SamplerState state,
                                SamplerAddress value) {
    return set_sampler_state(device, stage, state, value_of(value));
}
// One mip level, A8R8G8B8.
Result create_texture(Device* device, uint32_t width, uint32_t height, TexturePool pool,
                      TextureObject** texture);
Result update_texture(Device* device, TextureObject* source, TextureObject* destination);
// Whole source onto whole destination; linear when `linear`, else point.
Result stretch_rect(Device* device, Surface* source, Surface* destination, bool linear);
// The declaration of the quad vertex: float2 position at 0, float2 texture coordinate 0 at 8.
Result create_quad_vertex_declaration(Device* device, VertexDeclaration** declaration);
Result set_vertex_declaration(Device* device, VertexDeclaration* declaration);
Result create_vertex_shader(Device* device, const uint32_t* tokens, size_t count,
                            VertexShader** shader, std::string& error);
// `partner` is the vertex shader this pixel shader is drawn with: platforms that link the two
// stages into one program (OpenGL) do it here; Direct3D ignores it.
Result create_pixel_shader(Device* device, const uint32_t* tokens, size_t count,
                           VertexShader* partner, PixelShader** shader, std::string& error);
Result set_vertex_shader(Device* device, VertexShader* shader);
Result set_pixel_shader(Device* device, PixelShader* shader);
Result set_vertex_shader_constant(Device* device, uint32_t start_register, const float* values,
                                  uint32_t vector_count);
Result set_pixel_shader_constant(Device* device, uint32_t start_register, const float* values,
                                 uint32_t vector_count);
// D3DPT_TRIANGLESTRIP from user memory; `vertices` holds primitive_count + 2 vertices of
// `stride` bytes in the declared layout.
Result draw_triangle_strip(Device* device, uint32_t primitive_count, const void* vertices,
                           uint32_t stride);
void release(Device* device);

// ---- IDirect3DTexture9, IDirect3DSurface9 ---------------------------------------------------
Result get_surface_level(TextureObject* texture, uint32_t level, Surface** surface);
// Whole level 0, flags 0. `pitch` is the byte length of one locked row.
Result lock_rect(TextureObject* texture, void** bits, int32_t& pitch);
Result unlock_rect(TextureObject* texture);
Result add_dirty_rect(TextureObject* texture);                                 // the whole texture
Result get_surface_size(Surface* surface, uint32_t& width, uint32_t& height);  // GetDesc
// Reads a render-target surface into RGBA8 rows, top row first (GetRenderTargetData + lock).
Result read_surface(Device* device, Surface* surface, uint8_t* rgba, size_t size);
void release(TextureObject* texture);
void release(Surface* surface);
void release(VertexDeclaration* declaration);
void release(VertexShader* shader);
void release(PixelShader* shader);

// ---- DirectDraw 7 --------------------------------------------------------------------------
// Total video memory in bytes; 0 when it cannot be asked.
uint64_t total_video_memory();

}  // namespace gfx::platform
