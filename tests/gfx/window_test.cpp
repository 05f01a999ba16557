#include <gtest/gtest.h>

// The windowed device on an X11 window: needs an X display (DISPLAY); headless machines skip it.
#include <X11/Xlib.h>

#include <cstdlib>

#include "gfx/platform_testing.h"
#include "gfx/render_device.h"

namespace {

TEST(GfxWindow, PresentsIntoAnX11Window) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    Display* x = XOpenDisplay(nullptr);
    if (!x) GTEST_SKIP() << "X display does not open";
    const Window window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 64, 32, 0, 0, 0);
    XMapWindow(x, window);
    XSync(x, False);
    {
        RenderDevice device;
        ASSERT_EQ(device.create(window, 64, 32, 60, false), RenderDevice::kCreated);
        gfx::platform::testing::clear_counters();
        device.begin_frame();
        device.clear(0, 1, 0);
        device.end_frame();
        device.present();
        EXPECT_EQ(gfx::platform::testing::counters().present, 1);
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        ASSERT_TRUE(device.read_target(rgba, w, h));
        EXPECT_EQ(w, 64);
        EXPECT_EQ(rgba[1], 255);
        device.resize(80, 40);
        EXPECT_EQ(device.target_width(), 80);
    }
    XDestroyWindow(x, window);
    XCloseDisplay(x);
}

}  // namespace
