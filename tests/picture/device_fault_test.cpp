// Device faults under a running picture: the device lost in the middle of a new painting, a run
// of failed resets, resize storms and a device lost from start-up. Once the device is back the
// picture paints again, with its grain and signature, and its texture and program lists do not
// grow.
#include "gfx/platform_testing.h"
#include "gfx/texture.h"
#include "tests/picture/picture_fixture.h"

namespace {

namespace p = gfx::platform;
namespace pt = gfx::platform::testing;

class DeviceFault : public picture_test::PictureTest {
  public:
    // A paint message as the window's messages bring it.
    void paint() { step(); }

  protected:
    void SetUp() override {
        PictureTest::SetUp();
        pt::injection() = {};
        settings.delay = 0;
        settings.speed = 2000;
        write_picture("PLANS=3 BGCOLOR=2 SILHOUETTE=1 FLTR1=1");
    }
    void TearDown() override {
        pt::injection() = {};
        PictureTest::TearDown();
    }

    picture::Picture& picture() { return current(); }

    // Whether the texture holds more than one colour.
    bool painted(const Texture* texture) {
        std::vector<uint8_t> rgba;
        if (!picture().device.read_texture(*texture, rgba) || rgba.empty()) return false;
        for (size_t i = 4; i < rgba.size(); ++i)
            if (rgba[i] != rgba[i % 4]) return true;
        return false;
    }
    // The frame after the device came back paints a new painting, into output_a, and the fixed
    // images are loaded again.
    void expect_painting_after_recovery() {
        step();
        EXPECT_TRUE(picture().timeline.new_painting);
        EXPECT_TRUE(painted(picture().output_a));
        EXPECT_TRUE(painted(picture().grain));
        std::vector<uint8_t> signature;
        ASSERT_TRUE(picture().device.read_texture(*picture().signature, signature));
        ASSERT_FALSE(signature.empty());
        EXPECT_EQ(signature[0], 0x80);
        EXPECT_EQ(picture().device.textures().size(), textures_);
        EXPECT_EQ(picture().device.shaders().size(), shaders_);
    }
    void remember_lists() {
        textures_ = picture().device.textures().size();
        shaders_ = picture().device.shaders().size();
    }

    size_t textures_ = 0;
    size_t shaders_ = 0;
};

// Windows runs the window's messages while an error box is up: a paint message then must not
// reach the half-started picture.
TEST_F(DeviceFault, APaintWhileStartUpShowsAnErrorPaintsNothing) {
    pt::injection().runtime_missing = true;
    static DeviceFault* running_test = nullptr;
    running_test = this;
    pt::injection().while_error_shows = [] { running_test->paint(); };
    EXPECT_EQ(start(), picture::StartResult::no_device);
}

TEST_F(DeviceFault, LostInTheMiddleOfANewPaintingThenFailedResets) {
    ASSERT_EQ(start(64, 48), picture::StartResult::started);
    pt::injection().lose_device_at_draw = 20;  // the first painting draws far more than 20
    step();
    ASSERT_TRUE(picture().timeline.new_painting);
    remember_lists();
    p::Device* device = picture().device.platform_device();
    EXPECT_EQ(p::test_cooperative_level(device), p::kDeviceLost);
    for (int i = 0; i < 5; ++i) step();  // frames run on the lost device without effect

    // Resettable, but three resets fail: those frames begin no scene; then one succeeds.
    pt::set_device_status(device, p::kDeviceNotReset);
    pt::injection().reset_fails = true;
    pt::clear_counters();
    for (int i = 0; i < 3; ++i) step();
    EXPECT_EQ(pt::counters().reset, 3);
    EXPECT_EQ(pt::counters().begin_scene, 0);
    pt::injection().reset_fails = false;
    expect_painting_after_recovery();
    for (int i = 0; i < 10; ++i) step();  // and it goes on painting
    EXPECT_TRUE(painted(picture().output_b));
}

TEST_F(DeviceFault, ResizeStormsAndALostDeviceAtStartUp) {
    ASSERT_EQ(start(64, 48), picture::StartResult::started);
    step();
    remember_lists();
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 25; ++i) picture().device.resize(40 + 7 * i, i % 5 == 0 ? 0 : 30 + i);
        expect_painting_after_recovery();
        EXPECT_EQ(picture().device.target_width(), 40 + 7 * 24);
    }

    stop();
    pt::injection().device_starts_lost = true;
    ASSERT_EQ(start(64, 48), picture::StartResult::started);
    pt::injection().device_starts_lost = false;
    for (int i = 0; i < 4; ++i) step();
    pt::set_device_status(picture().device.platform_device(), p::kDeviceNotReset);
    remember_lists();
    expect_painting_after_recovery();
}

}  // namespace
