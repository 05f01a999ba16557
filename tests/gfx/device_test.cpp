// Device creation, the capability test, frames, lost-device recovery, resize and the texture and
// program lists.
#include <cmath>

#include "tests/gfx/gfx_fixture.h"

namespace gfx_test {
namespace {

namespace p = gfx::platform;

constexpr char kRuntimeText[] = "Error: Your computer does not have an up to date DirectX 9";
constexpr char kCardText[] = "Error: This screen saver does not support your video card.";

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Creation with an injection; returns the result and what went to stderr.
std::pair<RenderDevice::CreateResult, std::string> create_with(const pt::Injection& injection) {
    pt::injection() = injection;
    RenderDevice device;
    ::testing::internal::CaptureStderr();
    const RenderDevice::CreateResult result = device.create(0, 32, 32, 60, false);
    std::string err = ::testing::internal::GetCapturedStderr();
    device.destroy();
    pt::injection() = {};
    // Whatever creation made, the teardown released.
    const pt::LiveObjects live = pt::live_objects();
    EXPECT_EQ(live.direct3d + live.devices + live.textures + live.shaders, 0);
    return {result, err};
}

p::Caps good_caps() {
    p::Caps c;
    c.max_texture_width = c.max_texture_height = 4096;
    c.pixel_shader_version = 0xFFFF0300;
    c.ps20_instruction_slots = 512;
    return c;
}

// Fails (or skips, where BRUSHWRIGHT_ALLOW_NO_GPU is set) when the machine has no EGL display.
#define REQUIRE_DISPLAY()                                       \
    do {                                                        \
        auto [r, e] = create_with({});                          \
        if (r == RenderDevice::CreateResult::runtime_missing && \
            std::getenv("BRUSHWRIGHT_ALLOW_NO_GPU"))            \
            GTEST_SKIP() << e;                                  \
        ASSERT_EQ(r, RenderDevice::CreateResult::created) << e; \
    } while (0)

TEST(GfxCreate, CreationResultsAndMessages) {
    REQUIRE_DISPLAY();
    for (int which = 0; which < 3; ++which) {
        pt::Injection inj;
        inj.runtime_missing = which == 0;
        inj.create_function_missing = which == 1;
        inj.direct3d_fails = which == 2;
        auto [result, err] = create_with(inj);
        EXPECT_EQ(result, RenderDevice::CreateResult::runtime_missing) << which;
        EXPECT_EQ(count_of(err, kRuntimeText), 1) << err;
        EXPECT_NE(err.find("Please download and install the latest version of DirectX from\n"),
                  std::string::npos);
    }
    pt::Injection inj;
    inj.caps_fail = true;
    EXPECT_EQ(create_with(inj),
              std::make_pair(RenderDevice::CreateResult::device_call_failed, std::string()));
    inj = {};
    inj.create_device_fails = true;
    EXPECT_EQ(create_with(inj),
              std::make_pair(RenderDevice::CreateResult::device_call_failed, std::string()));
    {
        // A failed start keeps what it made until destroy releases it.
        pt::injection().create_device_fails = true;
        RenderDevice failed;
        EXPECT_EQ(failed.create(0, 8, 8, 60, false),
                  RenderDevice::CreateResult::device_call_failed);
        EXPECT_EQ(pt::live_objects().direct3d, 1);
        EXPECT_EQ(pt::live_objects().devices, 0);
        failed.begin_frame();  // frame operations do nothing without a device
        failed.present();
        failed.destroy();
        EXPECT_EQ(pt::live_objects().direct3d, 0);
        pt::injection() = {};
    }
    inj = {};
    inj.declaration_fails = true;
    EXPECT_EQ(create_with(inj),
              std::make_pair(RenderDevice::CreateResult::device_call_failed, std::string()));

    inj = {};
    inj.caps = good_caps();
    inj.caps->texture_caps = p::kTextureCapsPow2;
    inj.caps->pixel_shader_version = 0xFFFF0300;
    auto [result, err] = create_with(inj);
    EXPECT_EQ(result, RenderDevice::CreateResult::card_not_supported);
    EXPECT_EQ(count_of(err, kCardText), 1);
    EXPECT_NE(err.find("\n\nFor a complete list of supported video cards check\n"),
              std::string::npos);
    EXPECT_NE(err.find(" or\ntry our Calmora screen saver."), std::string::npos);
}

TEST(GfxCreate, CapabilityTable) {
    REQUIRE_DISPLAY();
    struct Row {
        uint32_t texture_caps, ps_version;
        int32_t slots;
        bool adapter_fails;
        uint32_t vendor, device_id;
        bool passes;
    };
    const Row rows[] = {
        {p::kTextureCapsPow2, 0xFFFF0300, 512, false, 0, 0, false},
        {p::kTextureCapsPow2 | p::kTextureCapsNonPow2Conditional, 0xFFFF0300, 0, false, 0, 0, true},
        {0, 0xFFFF0300, 0, false, 0, 0, true},
        {0, 0xFFFF0200, 512, false, 0, 0, true},
        {0, 0xFFFF0200, 511, false, 0, 0, false},
        {0, 0xFFFF02FF, 0, false, 0, 0, false},
        {0, 0xFFFF0300, 0, false, 0x10DE, 0x0330, false},
        {0, 0xFFFF0300, 0, false, 0x10DE, 0x00FB, false},
        {0, 0xFFFF0300, 0, false, 0x10DE, 0x0332, true},
        {0, 0xFFFF0300, 0, false, 0x1002, 0x0330, true},
        {0, 0xFFFF0300, 0, true, 0, 0, false},
    };
    for (const Row& row : rows) {
        pt::Injection inj;
        inj.caps = good_caps();
        inj.caps->texture_caps = row.texture_caps;
        inj.caps->pixel_shader_version = row.ps_version;
        inj.caps->ps20_instruction_slots = row.slots;
        inj.adapter_fails = row.adapter_fails;
        inj.adapter = p::AdapterIdentifier{row.vendor, row.device_id, "injected"};
        auto [result, err] = create_with(inj);
        EXPECT_EQ(result, row.passes ? RenderDevice::CreateResult::created
                                     : RenderDevice::CreateResult::card_not_supported)
            << std::hex << row.texture_caps << " " << row.ps_version << " " << row.vendor << ":"
            << row.device_id;
        EXPECT_EQ(count_of(err, kCardText), row.passes ? 0 : 1);
    }
}

TEST_F(GfxTest, FrameSequenceAndClear) {
    EXPECT_GE(device.max_texture_size(), 2048);
    device.begin_frame();
    device.clear(1.5f, -0.2f, 0.5f);
    device.end_frame();
    device.present();
    const auto& c = pt::counters();
    EXPECT_EQ(c.begin_scene, 1);
    EXPECT_EQ(c.clear, 1);
    EXPECT_EQ(c.set_texture_null, 16);
    EXPECT_EQ(c.end_scene, 1);
    EXPECT_EQ(c.present, 1);
    EXPECT_EQ(gfx::clear_colour(1.5f, -0.2f, 0.5f), 0x00FF007Fu);
    EXPECT_EQ(gfx::clear_colour(NAN, 1.0f, 0.999f), 0x0000FFFEu);
    const auto rgba = read_target();
    ASSERT_EQ(rgba.size(), size_t{kWidth} * kHeight * 4);
    for (int y : {0, kHeight - 1}) {
        const uint8_t* px = pixel(rgba, kWidth, 5, y);
        EXPECT_EQ(px[0], 255);
        EXPECT_EQ(px[1], 0);
        EXPECT_EQ(px[2], 127);
        EXPECT_EQ(px[3], 0);
    }
}

TEST(GfxNoDevice, FrameOperationsDoNothingWithoutADevice) {
    pt::clear_counters();
    RenderDevice device;  // empty
    device.begin_frame();
    device.clear(1, 1, 1);
    device.end_frame();
    device.present();
    device.resize(10, 10);
    EXPECT_FALSE(device.reset());
    device.draw_quad(-1, -1, 1, 1);
    EXPECT_FALSE(device.set_target(nullptr));
    EXPECT_EQ(pt::counters().begin_scene + pt::counters().clear + pt::counters().present, 0);
}

TEST_F(GfxTest, ResizeResetsWithNewSizeAndRestoresTexturesEmpty) {
    Texture* t = image(2, 2, pattern(2, 2, 1), TextureFilter::linear, TextureAddress::wrap);
    Texture* never = device.new_texture();
    device.resize(80, 30);
    EXPECT_EQ(device.target_width(), 80);
    EXPECT_EQ(device.target_height(), 30);
    EXPECT_EQ(device.present_parameters().back_buffer_width, 80u);
    EXPECT_TRUE(t->holds_image());
    EXPECT_EQ(t->width(), 2);
    EXPECT_EQ(t->filter_kind(), TextureFilter::point);
    EXPECT_EQ(t->address_kind(), TextureAddress::clamp);
    EXPECT_FALSE(never->holds_image());
    EXPECT_EQ(pt::counters().reset, 1);
    device.resize(0, 10);  // a minimised window keeps the size
    EXPECT_EQ(device.target_width(), 80);
}

TEST_F(GfxTest, LostDeviceStates) {
    Texture* t = image(4, 4, pattern(4, 4, 2));
    p::Device* d = device.platform_device();

    // Lost: frames still run, resize is dropped, nothing is reset.
    pt::set_device_status(d, p::kDeviceLost);
    device.resize(100, 100);
    device.begin_frame();
    device.clear(1, 1, 1);
    device.end_frame();
    device.present();
    EXPECT_EQ(pt::counters().reset, 0);
    EXPECT_EQ(pt::counters().begin_scene, 1);
    EXPECT_EQ(device.present_parameters().back_buffer_width, unsigned{kWidth});

    // Resettable, but Reset fails: no scene; end and present still run; textures stay released.
    pt::set_device_status(d, p::kDeviceNotReset);
    pt::injection().reset_fails = true;
    pt::clear_counters();
    device.begin_frame();
    device.end_frame();
    device.present();
    EXPECT_EQ(pt::counters().reset, 1);
    EXPECT_EQ(pt::counters().begin_scene, 0);
    EXPECT_EQ(pt::counters().end_scene, 1);
    EXPECT_EQ(pt::counters().present, 1);
    EXPECT_FALSE(t->holds_image());
    EXPECT_EQ(t->width(), 4);

    // Resettable and Reset succeeds: the old size comes back, textures are restored empty.
    pt::injection().reset_fails = false;
    pt::clear_counters();
    device.begin_frame();
    EXPECT_EQ(pt::counters().reset, 1);
    EXPECT_EQ(pt::counters().begin_scene, 1);
    device.end_frame();
    EXPECT_EQ(device.target_width(), kWidth);
    EXPECT_EQ(device.target_height(), kHeight);
    EXPECT_TRUE(t->holds_image());
    EXPECT_EQ(t->filter_kind(), TextureFilter::point);
    EXPECT_EQ(t->address_kind(), TextureAddress::clamp);
    EXPECT_EQ(p::test_cooperative_level(d), p::kOk);

    // Like Direct3D, Reset refuses while a render target is still held, and the device then
    // waits to be reset.
    p::TextureObject* held = nullptr;
    ASSERT_EQ(p::create_texture(d, 4, 4, p::TexturePool::render_target_default, &held), p::kOk);
    EXPECT_EQ(p::reset(d, device.present_parameters()), p::kInvalidCall);
    EXPECT_EQ(p::test_cooperative_level(d), p::kDeviceNotReset);
    p::release(held);

    // Resize on a resettable device resets with the new size.
    pt::set_device_status(d, p::kDeviceNotReset);
    device.resize(20, 10);
    EXPECT_EQ(device.target_width(), 20);
    EXPECT_EQ(p::test_cooperative_level(d), p::kOk);
}

TEST_F(GfxTest, TextureUploadExchangesRedAndBlueAndReadsBack) {
    std::vector<uint8_t> buffer = {10, 20, 30, 40, 50, 60, 70, 80};
    Texture* t = device.new_texture();
    ASSERT_TRUE(t->upload(buffer.data(), 2, 1, TextureFilter::linear, TextureAddress::clamp));
    EXPECT_EQ(buffer, (std::vector<uint8_t>{30, 20, 10, 40, 70, 60, 50, 80}));
    std::vector<uint8_t> back;
    ASSERT_TRUE(device.read_texture(*t, back));
    EXPECT_EQ(back, (std::vector<uint8_t>{10, 20, 30, 40, 50, 60, 70, 80}));

    // Uploading again replaces the image and its size.
    auto second = pattern(3, 5, 9);
    const auto expected = second;
    ASSERT_TRUE(t->upload(second.data(), 3, 5, TextureFilter::point, TextureAddress::mirror));
    EXPECT_EQ(t->width(), 3);
    EXPECT_EQ(t->height(), 5);
    EXPECT_EQ(t->address_kind(), TextureAddress::mirror);
    ASSERT_TRUE(device.read_texture(*t, back));
    EXPECT_EQ(back, expected);

    // Bad sizes and null buffers fail without touching anything.
    EXPECT_FALSE(t->upload(nullptr, 2, 2, TextureFilter::point, TextureAddress::wrap));
    EXPECT_FALSE(t->upload(second.data(), 0, 5, TextureFilter::point, TextureAddress::wrap));
    EXPECT_FALSE(t->upload(second.data(), 1 << 20, 1, TextureFilter::point, TextureAddress::wrap));
    EXPECT_FALSE(t->create(-1, 4, TextureFilter::point, TextureAddress::wrap));

    // An image wider than the card's largest texture leaves the texture empty, so that nobody
    // takes it as loaded: it held 3 x 5 before.
    ASSERT_TRUE(t->upload(second.data(), 3, 5, TextureFilter::point, TextureAddress::mirror));
    std::vector<uint8_t> wide(static_cast<size_t>(device.max_texture_size() + 1) * 4);
    EXPECT_FALSE(t->upload(wide.data(), device.max_texture_size() + 1, 1, TextureFilter::linear,
                           TextureAddress::clamp));
    EXPECT_EQ(t->width(), 0);
    EXPECT_EQ(t->height(), 0);
    EXPECT_FALSE(t->holds_image());
}

TEST_F(GfxTest, CreateNeedsAnEmptyTexture) {
    Texture* t = device.new_texture();
    EXPECT_EQ(t->width(), 0);
    ASSERT_TRUE(t->create(16, 8, TextureFilter::point, TextureAddress::clamp));
    EXPECT_EQ(t->width(), 16);
    EXPECT_NE(t->surface(), nullptr);
    EXPECT_FALSE(t->create(4, 4, TextureFilter::point, TextureAddress::clamp));
    EXPECT_EQ(t->width(), 16);
}

TEST_F(GfxTest, DestroyKeepsListOrder) {
    Texture* a = device.new_texture();
    Texture* b = device.new_texture();
    Texture* c = device.new_texture();
    ASSERT_TRUE(b->create(4, 4, TextureFilter::point, TextureAddress::clamp));
    delete b;
    EXPECT_EQ(device.textures(), (std::vector<Texture*>{a, c}));
    a->destroy();  // off the list; destroying again changes nothing
    a->destroy();
    EXPECT_EQ(device.textures(), (std::vector<Texture*>{c}));
    delete a;

    Shader* s1 = device.new_shader();
    Shader* s2 = device.new_shader();
    device.set_shader(s1);
    delete s1;
    EXPECT_EQ(device.shaders(), (std::vector<Shader*>{s2}));
    EXPECT_EQ(device.current_shader(), nullptr);
    // The rest (c, s2) is freed by the device's teardown.
}

TEST_F(GfxTest, DestroyReleasesEverythingAndCanCreateAgain) {
    image(8, 8, pattern(8, 8, 3));
    program(kSampleBody);
    EXPECT_EQ(pt::live_objects().textures, 2);  // the image and the back buffer; no staging
    EXPECT_EQ(pt::live_objects().shaders, 2);
    device.destroy();
    const pt::LiveObjects live = pt::live_objects();
    EXPECT_EQ(live.direct3d + live.devices + live.textures + live.shaders, 0);
    EXPECT_TRUE(device.textures().empty());
    EXPECT_TRUE(device.shaders().empty());
    EXPECT_EQ(device.platform_device(), nullptr);
    ASSERT_EQ(device.create(0, 8, 8, 60, false), RenderDevice::CreateResult::created);
    EXPECT_EQ(device.target_width(), 8);
}

}  // namespace
}  // namespace gfx_test
