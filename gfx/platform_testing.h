#pragma once
// Test controls of the POSIX graphics platform: injected failures, capabilities and adapter
// identifiers, a lost or not-reset device, call counters, and hand-written GLSL programs.
// Only tests and benchmarks use them.
#include <optional>
#include <string>
#include <vector>

#include "gfx/platform.h"

namespace gfx::platform::testing {

struct Injection {
    bool runtime_missing = false;              // load_runtime gives null
    bool create_function_missing = false;      // find_create_function gives null
    bool direct3d_fails = false;               // the creation entry point gives null
    bool caps_fail = false;                    // get_device_caps fails
    std::optional<Caps> caps;                  // replaces the device's capabilities
    bool adapter_fails = false;                // get_adapter_identifier fails
    std::optional<AdapterIdentifier> adapter;  // replaces the adapter identifier
    bool create_device_fails = false;
    bool declaration_fails = false;
    bool reset_fails = false;         // every Reset fails while set
    bool device_starts_lost = false;  // a created device reports kDeviceLost at once
    int lose_device_at_draw = 0;      // the device is lost at the N-th draw from now (0: never)
    // Called while an error box is up, as the window messages that Windows delivers to a modal
    // message loop would run.
    void (*while_error_shows)() = nullptr;
};
// The injection in force; assign {} to clear it.
Injection& injection();

// Makes the device report `status` (kDeviceLost or kDeviceNotReset) from TestCooperativeLevel
// until a Reset succeeds (not-reset) or the status is changed again; kOk ends it.
void set_device_status(Device* device, Result status);

// Calls made on the platform since the last clear_counters().
struct Counters {
    int begin_scene = 0;
    int end_scene = 0;
    int present = 0;
    int present_copy = 0;  // presents that copied a back buffer of its own into the window
    int reset = 0;
    int clear = 0;
    int draw = 0;
    int stretch_rect = 0;
    int set_texture_null = 0;
    std::vector<const PixelShader*> drawn_with;  // the pixel shader of each draw, in order
};
Counters& counters();
void clear_counters();

// Waits until the device has finished every command given so far (for benchmarks).
void finish(Device* device);

// Platform objects alive now (textures include staging textures and the back buffer; shaders
// count vertex and pixel shaders).
struct LiveObjects {
    int direct3d = 0;
    int devices = 0;
    int textures = 0;
    int shaders = 0;
};
LiveObjects live_objects();

// The last quad vertices drawn (x, y, u, v each).
const float* last_vertices();

// The next create_pixel_shader links these sources instead of translating the tokens. The
// vertex source must follow the translator's conventions (attributes at locations 0 and 1,
// bw_pos_fixup, BwVertexConstants/BwPixelConstants blocks, samplers bw_ps_s<N>).
void set_glsl_override(std::string vertex_source, std::string fragment_source);

}  // namespace gfx::platform::testing
