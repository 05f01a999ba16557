#pragma once
// The state behind the test controls of platform_testing.h on POSIX: injected failures, live
// objects, call counters, the last quad drawn and a pending hand-written program. The platform
// (platform_gl.cpp) reads and counts into it; platform_testing_gl.cpp holds it.
#include <string>

#include "gfx/platform_testing.h"

namespace gfx::platform {

extern testing::Injection g_injection;
extern testing::LiveObjects g_live;
extern testing::Counters g_counters;
extern float g_last_vertices[16];
extern std::string g_override_vs, g_override_fs;
extern bool g_override_pending;

}  // namespace gfx::platform
