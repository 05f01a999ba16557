// The windowed device on an X11 window: needs an X display (DISPLAY); headless machines skip it.
#include "tests/gfx/gfx_fixture.h"

// Xlib defines macros (None, Bool, Status) that clash with C++ names: include it last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <cstdlib>

namespace {

namespace pt = gfx::platform::testing;

TEST(GfxWindow, DrawsStraightIntoAWindowOfItsSizeAndCopiesIntoAnyOther) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    Display* x = XOpenDisplay(nullptr);
    if (!x) GTEST_SKIP() << "X display does not open";
    const Window window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 64, 32, 0, 0, 0);
    XMapWindow(x, window);
    XSync(x, False);
    {
        RenderDevice device;
        ASSERT_EQ(device.create(window, 64, 32, 60, false), RenderDevice::CreateResult::created);
        pt::clear_counters();
        // Red top half, green bottom half: the window shows the top row at its top.
        std::vector<uint8_t> img(64 * 32 * 4, 255);
        for (size_t i = 0; i < img.size(); i += 4) {
            const bool top = i < img.size() / 2;
            img[i] = top ? 255 : 0;
            img[i + 1] = top ? 0 : 255;
            img[i + 2] = 0;
        }
        const std::vector<uint8_t> halves = img;  // upload reorders the channels in place
        Texture* t = device.new_texture();
        ASSERT_TRUE(t->upload(img.data(), 64, 32, TextureFilter::point, TextureAddress::clamp));
        Shader* s = device.new_shader();
        gfx::platform::testing::set_glsl_override(gfx_test::kVertexGlsl,
                                                  gfx_test::fragment_glsl(gfx_test::kSampleBody));
        ASSERT_TRUE(s->load(gfx_test::make_bsf({}, {}, {{"texSampler0", 0}})));
        s->set_texture(0, t);
        // The driver presents on a connection of its own, so the frame may reach the window
        // after this connection asks for it: present again until it shows, for up to 2 s.
        const auto present_until_shown = [&] {
            unsigned long top = 0, bottom = 0;
            for (int attempt = 0; attempt < 100 && (top != 0xFF0000u || bottom != 0x00FF00u);
                 ++attempt) {
                device.begin_frame();
                device.clear(0, 0, 1);
                device.set_shader(s);
                s->set_texture(0, t);
                device.draw_quad(-1, -1, 1, 1);
                device.end_frame();
                device.present();
                gfx::platform::testing::finish(device.platform_device());
                XSync(x, False);
                if (attempt > 0) usleep(20000);
                XImage* shot = XGetImage(x, window, 0, 0, 64, 32, AllPlanes, ZPixmap);
                if (!shot) return false;
                top = XGetPixel(shot, 10, 2) & 0xFFFFFF;
                bottom = XGetPixel(shot, 10, 29) & 0xFFFFFF;
                XDestroyImage(shot);
            }
            return top == 0xFF0000u && bottom == 0x00FF00u;
        };
        EXPECT_TRUE(present_until_shown());
        EXPECT_EQ(pt::counters().present, pt::counters().begin_scene);
        // The window has the back buffer's size: the frame went straight into it.
        EXPECT_EQ(pt::counters().present_copy, 0);

        // Drawing into the window, reading it and copying it give what a texture target of its
        // size gives, pixel for pixel: every pixel of the ramp differs from its neighbours.
        std::vector<uint8_t> ramp(64 * 32 * 4, 255);
        for (size_t i = 0; i < ramp.size(); i += 4) {
            ramp[i] = static_cast<uint8_t>((i / 4 % 64) * 4);
            ramp[i + 1] = static_cast<uint8_t>((i / 4 / 64) * 8);
            ramp[i + 2] = static_cast<uint8_t>((i / 4 / 64 + i / 4) % 2 * 255);
        }
        std::vector<uint8_t> pixels = ramp;
        Texture* source = device.new_texture();
        Texture* target = device.new_texture();
        Texture* copy = device.new_texture();
        ASSERT_TRUE(
            source->upload(pixels.data(), 64, 32, TextureFilter::point, TextureAddress::clamp));
        ASSERT_TRUE(target->create(64, 32, TextureFilter::point, TextureAddress::clamp));
        ASSERT_TRUE(copy->create(64, 32, TextureFilter::point, TextureAddress::clamp));
        std::vector<uint8_t> in_target, in_window, copied;
        int w = 0, h = 0;
        device.begin_frame();
        s->set_texture(0, source);
        device.set_shader(s);
        ASSERT_TRUE(device.set_target(target));
        device.draw_quad(-1, -1, 1, 1);
        ASSERT_EQ(device.restore_back_buffer(), gfx::platform::kOk);
        device.draw_quad(-1, -1, 1, 1);
        EXPECT_TRUE(device.read_target(in_window, w, h));
        copy->copy_from_target();
        EXPECT_TRUE(device.read_texture(*target, in_target));
        EXPECT_TRUE(device.read_texture(*copy, copied));
        // Culling takes the winding as seen in the window too.
        gfx::platform::set_render_state(device.platform_device(),
                                        gfx::platform::RenderState::cull_mode,
                                        gfx::platform::CullMode::counter_clockwise);
        device.clear(0, 0, 0);
        device.draw_quad(-1, -1, 1, 1);
        std::vector<uint8_t> culled;
        EXPECT_TRUE(device.read_target(culled, w, h));
        ASSERT_EQ(culled.size(), ramp.size());
        EXPECT_EQ(culled[(10 * 64 + 10) * 4], 0);  // the ramp's red is 40 there
        device.init_states();                      // culling off, the back buffer the target
        device.end_frame();
        EXPECT_EQ(in_target, ramp);
        EXPECT_EQ(in_window, ramp);
        EXPECT_EQ(copied, ramp);

        // A back buffer of another size than the window's is a target of its own, scaled into
        // the window at present, still right side up.
        device.resize(80, 40);
        EXPECT_EQ(device.target_width(), 80);
        img = halves;  // the reset left every texture empty
        ASSERT_TRUE(t->upload(img.data(), 64, 32, TextureFilter::point, TextureAddress::clamp));
        pt::clear_counters();
        EXPECT_TRUE(present_until_shown());
        EXPECT_EQ(pt::counters().present_copy, pt::counters().present);
    }
    XDestroyWindow(x, window);
    XCloseDisplay(x);
}

}  // namespace
