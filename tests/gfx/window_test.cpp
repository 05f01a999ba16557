// The windowed device on an X11 window: needs an X display (DISPLAY); headless machines skip it.
#include "tests/gfx/gfx_fixture.h"

// Xlib defines macros (None, Bool, Status) that clash with C++ names: include it last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <cstdlib>

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
        ASSERT_EQ(device.create(window, 64, 32, 60, false), RenderDevice::CreateResult::created);
        gfx::platform::testing::clear_counters();
        // Red top half, green bottom half: the window shows the top row at its top.
        std::vector<uint8_t> img(64 * 32 * 4, 255);
        for (size_t i = 0; i < img.size(); i += 4) {
            const bool top = i < img.size() / 2;
            img[i] = top ? 255 : 0;
            img[i + 1] = top ? 0 : 255;
            img[i + 2] = 0;
        }
        Texture* t = device.new_texture();
        ASSERT_TRUE(t->upload(img.data(), 64, 32, TextureFilter::point, TextureAddress::clamp));
        Shader* s = device.new_shader();
        gfx::platform::testing::set_glsl_override(gfx_test::kVertexGlsl,
                                                  gfx_test::fragment_glsl(gfx_test::kSampleBody));
        ASSERT_TRUE(s->load(gfx_test::make_bsf({}, {}, {{"texSampler0", 0}})));
        s->set_texture(0, t);
        // The driver presents on a connection of its own, so the frame may reach the window
        // after this connection asks for it: present again until it shows, for up to 2 s.
        unsigned long top = 0, bottom = 0;
        int presents = 0;
        for (int attempt = 0; attempt < 100 && (top != 0xFF0000u || bottom != 0x00FF00u);
             ++attempt) {
            device.begin_frame();
            device.clear(0, 0, 1);
            device.set_shader(s);
            device.draw_quad(-1, -1, 1, 1);
            device.end_frame();
            device.present();
            ++presents;
            gfx::platform::testing::finish(device.platform_device());
            XSync(x, False);
            if (attempt > 0) usleep(20000);
            XImage* shot = XGetImage(x, window, 0, 0, 64, 32, AllPlanes, ZPixmap);
            ASSERT_NE(shot, nullptr);
            top = XGetPixel(shot, 10, 2) & 0xFFFFFF;
            bottom = XGetPixel(shot, 10, 29) & 0xFFFFFF;
            XDestroyImage(shot);
        }
        EXPECT_EQ(gfx::platform::testing::counters().present, presents);
        EXPECT_EQ(top, 0xFF0000u);
        EXPECT_EQ(bottom, 0x00FF00u);
        device.resize(80, 40);
        EXPECT_EQ(device.target_width(), 80);
    }
    XDestroyWindow(x, window);
    XCloseDisplay(x);
}

}  // namespace
