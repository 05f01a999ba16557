// The graphics platform on Windows: the operations of gfx/platform.h are the Direct3D 9 calls of
// the same names. "d3d9.dll" and "ddraw.dll" are loaded at run time, so that a machine without
// the runtime gets the message of RenderDevice::create instead of a loader error.
//
// The opaque platform types are the Direct3D interfaces themselves, reached by a cast; every
// create or get hands out the reference the interface counts.
#include "gfx/win32_api.h"

// After windows.h, whose types they use.
#include <d3d9.h>
#include <ddraw.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/platform.h"
#include "shadercode/shader_model.h"

namespace gfx::platform {

namespace {

IDirect3D9* d3d9(Direct3D* d3d) {
    return reinterpret_cast<IDirect3D9*>(d3d);
}
IDirect3DDevice9* dev(Device* device) {
    return reinterpret_cast<IDirect3DDevice9*>(device);
}
IDirect3DTexture9* tex(TextureObject* texture) {
    return reinterpret_cast<IDirect3DTexture9*>(texture);
}
IDirect3DSurface9* surf(Surface* surface) {
    return reinterpret_cast<IDirect3DSurface9*>(surface);
}
Result result(HRESULT hr) {
    return static_cast<Result>(hr);
}

D3DPRESENT_PARAMETERS native_params(const PresentParameters& p) {
    D3DPRESENT_PARAMETERS d{};
    d.BackBufferWidth = p.back_buffer_width;
    d.BackBufferHeight = p.back_buffer_height;
    d.BackBufferFormat = static_cast<D3DFORMAT>(p.back_buffer_format);
    d.BackBufferCount = p.back_buffer_count;
    d.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(p.multi_sample_type);
    d.MultiSampleQuality = p.multi_sample_quality;
    d.SwapEffect = static_cast<D3DSWAPEFFECT>(p.swap_effect);
    d.hDeviceWindow = reinterpret_cast<HWND>(p.device_window);
    d.Windowed = p.windowed ? TRUE : FALSE;
    d.EnableAutoDepthStencil = p.enable_auto_depth_stencil ? TRUE : FALSE;
    d.AutoDepthStencilFormat = static_cast<D3DFORMAT>(p.auto_depth_stencil_format);
    d.Flags = p.flags;
    d.FullScreen_RefreshRateInHz = p.full_screen_refresh_rate;
    d.PresentationInterval = p.presentation_interval;
    return d;
}

// A device without a window (the headless renderer) draws through a hidden window of its own:
// Direct3D 9 needs one even when nothing is shown.
HWND hidden_window() {
    static HWND window = [] {
        return CreateWindowExA(0, "STATIC", "Brushwright", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }();
    return window;
}

// The runtime reads a shader's tokens up to its end token whatever their count: only a stream
// that decodes completely within `count` tokens is handed over.
bool check_tokens(const uint32_t* tokens, size_t count, std::string& error) {
    if (!tokens || count == 0) {
        error = "empty shader";
        return false;
    }
    shadercode::ShaderProgram program;
    return shadercode::decode_shader(tokens, count, program, error);
}

}  // namespace

// ---- process -------------------------------------------------------------------------------

Runtime* load_runtime() {
    return reinterpret_cast<Runtime*>(LoadLibraryA("d3d9.dll"));
}

CreateFunction find_create_function(Runtime* runtime) {
    if (!runtime) return nullptr;
    FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(runtime), "Direct3DCreate9");
    // Direct3DCreate9 takes the SDK version and gives an IDirect3D9, which is our Direct3D.
    return reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(address));
}

void free_runtime(Runtime* runtime) {
    if (runtime) FreeLibrary(reinterpret_cast<HMODULE>(runtime));
}

void show_error(const char* text) {
    MessageBoxA(nullptr, text, "Error", MB_OK);
}

// ---- IDirect3D9 ----------------------------------------------------------------------------

Result get_device_caps(Direct3D* d3d, Caps& caps) {
    if (!d3d) return kInvalidCall;
    D3DCAPS9 native{};
    const HRESULT hr = d3d9(d3d)->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &native);
    if (FAILED(hr)) return result(hr);
    caps = Caps{};
    caps.texture_caps = native.TextureCaps;
    caps.max_texture_width = native.MaxTextureWidth;
    caps.max_texture_height = native.MaxTextureHeight;
    caps.pixel_shader_version = native.PixelShaderVersion;
    caps.ps20_instruction_slots = native.PS20Caps.NumInstructionSlots;
    return kOk;
}

Result get_adapter_identifier(Direct3D* d3d, AdapterIdentifier& id) {
    if (!d3d) return kInvalidCall;
    D3DADAPTER_IDENTIFIER9 native{};
    const HRESULT hr = d3d9(d3d)->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &native);
    if (FAILED(hr)) return result(hr);
    id = AdapterIdentifier{};
    id.vendor_id = native.VendorId;
    id.device_id = native.DeviceId;
    id.description.assign(native.Description,
                          strnlen(native.Description, MAX_DEVICE_IDENTIFIER_STRING));
    return kOk;
}

Result create_device(Direct3D* d3d, WindowHandle focus_window, const PresentParameters& params,
                     Device** device) {
    if (!d3d || !device) return kInvalidCall;
    HWND focus = reinterpret_cast<HWND>(focus_window);
    if (!focus && !params.device_window) focus = hidden_window();
    D3DPRESENT_PARAMETERS native = native_params(params);
    IDirect3DDevice9* created = nullptr;
    const HRESULT hr =
        d3d9(d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, focus,
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &native, &created);
    if (FAILED(hr)) return result(hr);
    *device = reinterpret_cast<Device*>(created);
    // What the device took, read back, on standard error (where a test listens; a screen saver's
    // standard error goes nowhere otherwise).
    IDirect3DSwapChain9* chain = nullptr;
    D3DPRESENT_PARAMETERS taken{};
    if (SUCCEEDED(created->GetSwapChain(0, &chain)) &&
        SUCCEEDED(chain->GetPresentParameters(&taken)))
        std::fprintf(stderr, "Direct3D device: %ux%u, %s, refresh rate %u\n",
                     static_cast<unsigned>(taken.BackBufferWidth),
                     static_cast<unsigned>(taken.BackBufferHeight),
                     taken.Windowed ? "windowed" : "exclusive full screen",
                     static_cast<unsigned>(taken.FullScreen_RefreshRateInHz));
    if (chain) chain->Release();
    return kOk;
}

void release(Direct3D* d3d) {
    if (d3d) d3d9(d3d)->Release();
}

// ---- IDirect3DDevice9 ----------------------------------------------------------------------

Result test_cooperative_level(Device* device) {
    if (!device) return kInvalidCall;
    return result(dev(device)->TestCooperativeLevel());
}

Result reset(Device* device, const PresentParameters& params) {
    if (!device) return kInvalidCall;
    D3DPRESENT_PARAMETERS native = native_params(params);
    return result(dev(device)->Reset(&native));
}

Result present(Device* device) {
    if (!device) return kInvalidCall;
    return result(dev(device)->Present(nullptr, nullptr, nullptr, nullptr));
}

Result get_back_buffer(Device* device, Surface** surface) {
    if (!device || !surface) return kInvalidCall;
    IDirect3DSurface9* s = nullptr;
    const HRESULT hr = dev(device)->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &s);
    if (SUCCEEDED(hr)) *surface = reinterpret_cast<Surface*>(s);
    return result(hr);
}

Result get_render_target(Device* device, Surface** surface) {
    if (!device || !surface) return kInvalidCall;
    IDirect3DSurface9* s = nullptr;
    const HRESULT hr = dev(device)->GetRenderTarget(0, &s);
    if (SUCCEEDED(hr)) *surface = reinterpret_cast<Surface*>(s);
    return result(hr);
}

Result set_render_target(Device* device, Surface* surface) {
    if (!device || !surface) return kInvalidCall;
    return result(dev(device)->SetRenderTarget(0, surf(surface)));
}

Result begin_scene(Device* device) {
    if (!device) return kInvalidCall;
    return result(dev(device)->BeginScene());
}

Result end_scene(Device* device) {
    if (!device) return kInvalidCall;
    return result(dev(device)->EndScene());
}

Result clear(Device* device, uint32_t argb) {
    if (!device) return kInvalidCall;
    return result(dev(device)->Clear(0, nullptr, D3DCLEAR_TARGET, argb, 0.0f, 0));
}

Result set_render_state(Device* device, RenderState state, uint32_t value) {
    if (!device) return kInvalidCall;
    return result(dev(device)->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value));
}

Result set_texture(Device* device, uint32_t stage, TextureObject* texture) {
    if (!device || stage >= kTextureStages) return kInvalidCall;
    return result(dev(device)->SetTexture(stage, tex(texture)));
}

Result set_sampler_state(Device* device, uint32_t stage, SamplerState state, uint32_t value) {
    if (!device || stage >= kTextureStages) return kInvalidCall;
    return result(
        dev(device)->SetSamplerState(stage, static_cast<D3DSAMPLERSTATETYPE>(state), value));
}

Result create_texture(Device* device, uint32_t width, uint32_t height, TexturePool pool,
                      TextureObject** texture) {
    if (!device || !texture || width == 0 || height == 0) return kInvalidCall;
    const bool target = pool == TexturePool::render_target_default;
    IDirect3DTexture9* created = nullptr;
    const HRESULT hr = dev(device)->CreateTexture(
        width, height, 1, target ? D3DUSAGE_RENDERTARGET : 0, D3DFMT_A8R8G8B8,
        target ? D3DPOOL_DEFAULT : D3DPOOL_SYSTEMMEM, &created, nullptr);
    if (SUCCEEDED(hr)) *texture = reinterpret_cast<TextureObject*>(created);
    return result(hr);
}

Result update_texture(Device* device, TextureObject* source, TextureObject* destination) {
    if (!device || !source || !destination) return kInvalidCall;
    return result(dev(device)->UpdateTexture(tex(source), tex(destination)));
}

Result stretch_rect(Device* device, Surface* source, Surface* destination, bool linear) {
    if (!device || !source || !destination) return kInvalidCall;
    return result(dev(device)->StretchRect(surf(source), nullptr, surf(destination), nullptr,
                                           linear ? D3DTEXF_LINEAR : D3DTEXF_POINT));
}

Result create_quad_vertex_declaration(Device* device, VertexDeclaration** declaration) {
    if (!device || !declaration) return kInvalidCall;
    static const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 8, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    IDirect3DVertexDeclaration9* created = nullptr;
    const HRESULT hr = dev(device)->CreateVertexDeclaration(elements, &created);
    if (SUCCEEDED(hr)) *declaration = reinterpret_cast<VertexDeclaration*>(created);
    return result(hr);
}

Result set_vertex_declaration(Device* device, VertexDeclaration* declaration) {
    if (!device) return kInvalidCall;
    return result(dev(device)->SetVertexDeclaration(
        reinterpret_cast<IDirect3DVertexDeclaration9*>(declaration)));
}

Result create_vertex_shader(Device* device, const uint32_t* tokens, size_t count,
                            VertexShader** shader, std::string& error) {
    if (!device || !shader) return kInvalidCall;
    if (!check_tokens(tokens, count, error)) return kInvalidCall;
    IDirect3DVertexShader9* created = nullptr;
    const HRESULT hr =
        dev(device)->CreateVertexShader(reinterpret_cast<const DWORD*>(tokens), &created);
    if (FAILED(hr)) {
        error = "CreateVertexShader failed";
        return result(hr);
    }
    *shader = reinterpret_cast<VertexShader*>(created);
    return kOk;
}

Result create_pixel_shader(Device* device, const uint32_t* tokens, size_t count, VertexShader*,
                           PixelShader** shader, std::string& error) {
    if (!device || !shader) return kInvalidCall;
    if (!check_tokens(tokens, count, error)) return kInvalidCall;
    IDirect3DPixelShader9* created = nullptr;
    const HRESULT hr =
        dev(device)->CreatePixelShader(reinterpret_cast<const DWORD*>(tokens), &created);
    if (FAILED(hr)) {
        error = "CreatePixelShader failed";
        return result(hr);
    }
    *shader = reinterpret_cast<PixelShader*>(created);
    return kOk;
}

Result set_vertex_shader(Device* device, VertexShader* shader) {
    if (!device) return kInvalidCall;
    return result(dev(device)->SetVertexShader(reinterpret_cast<IDirect3DVertexShader9*>(shader)));
}

Result set_pixel_shader(Device* device, PixelShader* shader) {
    if (!device) return kInvalidCall;
    return result(dev(device)->SetPixelShader(reinterpret_cast<IDirect3DPixelShader9*>(shader)));
}

Result set_vertex_shader_constant(Device* device, uint32_t start_register, const float* values,
                                  uint32_t vector_count) {
    if (!device || !values) return kInvalidCall;
    return result(dev(device)->SetVertexShaderConstantF(start_register, values, vector_count));
}

Result set_pixel_shader_constant(Device* device, uint32_t start_register, const float* values,
                                 uint32_t vector_count) {
    if (!device || !values) return kInvalidCall;
    return result(dev(device)->SetPixelShaderConstantF(start_register, values, vector_count));
}

Result draw_triangle_strip(Device* device, uint32_t primitive_count, const void* vertices,
                           uint32_t stride) {
    if (!device || !vertices) return kInvalidCall;
    return result(
        dev(device)->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, primitive_count, vertices, stride));
}

void release(Device* device) {
    if (device) dev(device)->Release();
}

// ---- IDirect3DTexture9, IDirect3DSurface9 ---------------------------------------------------

Result get_surface_level(TextureObject* texture, uint32_t level, Surface** surface) {
    if (!texture || !surface) return kInvalidCall;
    IDirect3DSurface9* s = nullptr;
    const HRESULT hr = tex(texture)->GetSurfaceLevel(level, &s);
    if (SUCCEEDED(hr)) *surface = reinterpret_cast<Surface*>(s);
    return result(hr);
}

Result lock_rect(TextureObject* texture, void** bits, int32_t& pitch) {
    if (!texture || !bits) return kInvalidCall;
    D3DLOCKED_RECT locked{};
    const HRESULT hr = tex(texture)->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) return result(hr);
    *bits = locked.pBits;
    pitch = locked.Pitch;
    return kOk;
}

Result unlock_rect(TextureObject* texture) {
    if (!texture) return kInvalidCall;
    return result(tex(texture)->UnlockRect(0));
}

Result add_dirty_rect(TextureObject* texture) {
    if (!texture) return kInvalidCall;
    return result(tex(texture)->AddDirtyRect(nullptr));
}

Result get_surface_size(Surface* surface, uint32_t& width, uint32_t& height) {
    if (!surface) return kInvalidCall;
    D3DSURFACE_DESC desc{};
    const HRESULT hr = surf(surface)->GetDesc(&desc);
    if (FAILED(hr)) return result(hr);
    width = desc.Width;
    height = desc.Height;
    return kOk;
}

Result read_surface(Device* device, Surface* surface, uint8_t* rgba, size_t size) {
    if (!device || !surface || !rgba) return kInvalidCall;
    D3DSURFACE_DESC desc{};
    HRESULT hr = surf(surface)->GetDesc(&desc);
    if (FAILED(hr)) return result(hr);
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return kInvalidCall;
    if (size < size_t{desc.Width} * desc.Height * 4) return kInvalidCall;
    IDirect3DSurface9* staging = nullptr;
    hr = dev(device)->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                  D3DPOOL_SYSTEMMEM, &staging, nullptr);
    if (FAILED(hr)) return result(hr);
    hr = dev(device)->GetRenderTargetData(surf(surface), staging);
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(hr)) hr = staging->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (SUCCEEDED(hr)) {
        // Memory order blue, green, red, alpha; rows from the top as Direct3D keeps them.
        const bool opaque = desc.Format == D3DFMT_X8R8G8B8;
        for (UINT y = 0; y < desc.Height; ++y) {
            const auto* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
            uint8_t* out = rgba + size_t(y) * desc.Width * 4;
            for (UINT x = 0; x < desc.Width; ++x) {
                out[4 * x + 0] = row[4 * x + 2];
                out[4 * x + 1] = row[4 * x + 1];
                out[4 * x + 2] = row[4 * x + 0];
                out[4 * x + 3] = opaque ? 255 : row[4 * x + 3];
            }
        }
        staging->UnlockRect();
    }
    staging->Release();
    return result(hr);
}

void release(TextureObject* texture) {
    if (texture) tex(texture)->Release();
}

void release(Surface* surface) {
    if (surface) surf(surface)->Release();
}

void release(VertexDeclaration* declaration) {
    if (declaration) reinterpret_cast<IDirect3DVertexDeclaration9*>(declaration)->Release();
}

void release(VertexShader* shader) {
    if (shader) reinterpret_cast<IDirect3DVertexShader9*>(shader)->Release();
}

void release(PixelShader* shader) {
    if (shader) reinterpret_cast<IDirect3DPixelShader9*>(shader)->Release();
}

// ---- DirectDraw 7 --------------------------------------------------------------------------

uint64_t total_video_memory() {
    HMODULE ddraw = LoadLibraryA("ddraw.dll");
    if (!ddraw) return 0;
    using CreateEx = HRESULT(WINAPI*)(GUID*, void**, REFIID, IUnknown*);
    const auto create = reinterpret_cast<CreateEx>(
        reinterpret_cast<void*>(GetProcAddress(ddraw, "DirectDrawCreateEx")));
    uint64_t total_bytes = 0;
    IDirectDraw7* draw = nullptr;
    if (create &&
        SUCCEEDED(create(nullptr, reinterpret_cast<void**>(&draw), IID_IDirectDraw7, nullptr)) &&
        draw) {
        DDSCAPS2 caps{};
        caps.dwCaps = DDSCAPS_VIDEOMEMORY;
        DWORD total = 0, free = 0;
        draw->GetAvailableVidMem(&caps, &total, &free);  // the result is not needed
        draw->Release();
        total_bytes = total;
    }
    FreeLibrary(ddraw);
    return total_bytes;
}

}  // namespace gfx::platform
