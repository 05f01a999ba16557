// The test controls of the POSIX graphics platform that need no device (platform_testing.h);
// those that reach into a device (set_device_status, finish) sit with it in platform_gl.cpp.
#include <string>
#include <utility>

#include "gfx/platform_testing.h"
#include "gfx/platform_testing_gl.h"

namespace gfx::platform {

testing::Injection g_injection;
testing::LiveObjects g_live;
testing::Counters g_counters;
float g_last_vertices[16] = {};
std::string g_override_vs, g_override_fs;
bool g_override_pending = false;

testing::Injection& testing::injection() {
    return g_injection;
}

testing::LiveObjects testing::live_objects() {
    return g_live;
}

testing::Counters& testing::counters() {
    return g_counters;
}
void testing::clear_counters() {
    g_counters = Counters{};
}
const float* testing::last_vertices() {
    return g_last_vertices;
}

void testing::set_glsl_override(std::string vertex_source, std::string fragment_source) {
    g_override_vs = std::move(vertex_source);
    g_override_fs = std::move(fragment_source);
    g_override_pending = true;
}

}  // namespace gfx::platform
