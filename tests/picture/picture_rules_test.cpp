// The engine's rules that need no device: the parameter file, the working size, the timeline,
// the palette and the random generator.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <string>

#include "picture/clock.h"
#include "picture/picture_config.h"
#include "picture/picture_state.h"
#include "picture/plan.h"
#include "picture/random.h"
#include "picture/timeline.h"
#include "picture/work_size.h"

namespace {

picture::PictureConfig parse(const std::string& text) {
    // A copy with no terminator after it, so a read past the text is caught by the sanitizers.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[text.size() + 1]);
    std::memcpy(bytes.get(), text.data(), text.size());
    return picture::parse_picture_config(bytes.get(), text.size(), "Farmeadow");
}

TEST(PictureConfig, KeysAreFoundAsTheFileSpellsThem) {
    const picture::PictureConfig empty = parse("");
    EXPECT_EQ(empty.plans, 0);
    EXPECT_FLOAT_EQ(empty.dist, 0.2f);
    EXPECT_FLOAT_EQ(empty.bump0, 0.1f);
    EXPECT_EQ(empty.bgcolor, 1);
    EXPECT_EQ(empty.tex, 0.0f);
    EXPECT_EQ(empty.name, "Farmeadow");

    struct Case {
        const char* text;
        float tex;
        float dist;
        int plans;
    };
    const Case cases[] = {
        {"TEX =0.5", 0.0f, 0.2f, 0},            // blank before "=": not the key
        {"TEX= 0.5", 0.5f, 0.2f, 0},            // blanks after "=" are read
        {"TEX=0.25 TEX=0.75", 0.25f, 0.2f, 0},  // the first occurrence wins
        {"DIST=abc", 0.0f, 0.0f, 0},            // present but unreadable
        {"xxPLANS=7\nDIST=1", 0.0f, 1.0f, 5},   // anywhere in the text; capped at 5
        {"PLANS=99999999999", 0.0f, 0.2f, 5},   // too large for 32 bits
        {"PLANS=-3", 0.0f, 0.2f, -3},           // kept; start-up refuses it
        {"tex=0.5", 0.0f, 0.2f, 0},             // case-sensitive
        {"DIST=", 0.0f, 0.0f, 0},               // the key ends the file
    };
    for (const Case& c : cases) {
        const picture::PictureConfig config = parse(c.text);
        EXPECT_FLOAT_EQ(config.tex, c.tex) << c.text;
        EXPECT_FLOAT_EQ(config.dist, c.dist) << c.text;
        EXPECT_EQ(config.plans, c.plans) << c.text;
    }
    const picture::PictureConfig all = parse(
        "PLANS=3 TEX=1 DIST=2 SILHOUETTE=3 BUMP0=4 BUMP1=5 BUMP2=6 FLTR1=7 FLTR2=8 FLTRFORM=9 "
        "FLTRSURF=10 FLTRCOL=11 BLOOR=12 BGCOLOR=4");
    const float expected[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const float got[] = {all.tex,      all.dist,     all.silhouette, all.bump0,
                         all.bump1,    all.bump2,    all.fltr1,      all.fltr2,
                         all.fltrform, all.fltrsurf, all.fltrcol,    all.bloor};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(got[i], expected[i]) << i;
    EXPECT_EQ(all.bgcolor, 4);
}

TEST(WorkSize, CappedByTextureSizeAndVideoMemory) {
    struct Case {
        int width, height, max_texture, video_mb, want_width, want_height;
    };
    const Case cases[] = {
        {1024, 1024, 512, 0, 512, 512},      // the preview on a card of 512 textures
        {1600, 1200, 8192, 64, 1600, 1200},  // needs 59 MiB of 64
        {1600, 1200, 8192, 59, 1600, 1200},  // needs all 59
        {1600, 1200, 8192, 32, 1024, 1024},  // needs 59 MiB of 32
        {1600, 1200, 8192, 0, 1600, 1200},   // memory unknown: no cap
        {1920, 800, 8192, 16, 1024, 800},    // only the sides above 1024
    };
    for (const Case& c : cases) {
        const picture::WorkSize s =
            picture::work_size(c.width, c.height, c.max_texture, c.video_mb);
        EXPECT_EQ(s.width, c.want_width);
        EXPECT_EQ(s.height, c.want_height);
    }
}

// A timeline driven by a clock that moves `ms_per_frame` each frame, stepped as the picture
// steps it, with the host's frame rate as the first estimate.
struct TimelineRun {
    uint32_t now = 0;
    picture::PictureClock clock{{[this] { return now; }, [this] { return now; }}};
    picture::Timeline timeline;
    float delay;
    float speed;
    TimelineRun(float delay_seconds, float speed_value, float host_rate = 20.0f)
        : delay(delay_seconds), speed(speed_value) {
        timeline.frame_rate = host_rate;
    }
    TimelineRun(const TimelineRun&) = delete;
    // One frame; true when it started a new painting.
    bool step(uint32_t ms_per_frame = 50) {
        now += ms_per_frame;
        const bool fresh = picture::advance_timeline(timeline, clock, delay);
        if (fresh) {
            picture::set_phase_step(timeline, speed);
            picture::start_hold(timeline, clock);
        }
        picture::advance_motion(timeline);
        return fresh;
    }
    // Frames until the next new painting, and how many of them held the phase still.
    std::pair<int, int> to_next_painting() {
        int frames = 0, held = 0;
        for (;;) {
            const double phase = timeline.phase;
            ++frames;
            if (step()) return {frames, held};
            if (timeline.phase == phase) ++held;
        }
    }
};

TEST(Timeline, HoldsLastDelaySecondsAndSpeedIsKeptFromTheFirstPainting) {
    TimelineRun run(7.0f, 20.0f);
    // The very first step paints; its phase step comes from the host's rate (20 frames a
    // second here), so SPEED 20 is 0.4 radians a second from the first painting on.
    EXPECT_TRUE(run.step());
    EXPECT_NEAR(run.timeline.t, 0.9919725f, 1e-6);  // phase 1.1
    EXPECT_EQ(run.timeline.direction, 1);
    EXPECT_NEAR(run.timeline.phase_step, 0.4 / 20.0, 1e-9);
    // The first hold lasts 7 s by the clock, 140 frames of 50 ms, while the first painting
    // fades in; then the phase moves from 1.1 to the next end at pi/2 (t = 1).
    const auto [frames, held] = run.to_next_painting();
    EXPECT_EQ(held, 140);
    EXPECT_EQ(frames, 140 + static_cast<int>(std::ceil((std::numbers::pi / 2 - 1.1) / 0.02)));
    EXPECT_NEAR(run.timeline.t, 1.0f, 1e-3);
    EXPECT_FALSE(run.timeline.fading_in);
    EXPECT_EQ(run.timeline.fade, 1.0f);
    // Every 11 frames while the picture moves measure the rate: 20 frames a second.
    EXPECT_FLOAT_EQ(run.timeline.frame_rate, 20.0f);
    // The picture is still for the rest of the hold, then moves; each hold 7 s, each
    // transition pi radians at 0.4 radians a second.
    EXPECT_EQ(picture::still_ms(run.timeline, run.clock, run.delay), 7001u);
    run.step();
    EXPECT_EQ(picture::still_ms(run.timeline, run.clock, run.delay), 6951u);
    for (int i = 0; i < 2; ++i) {
        const auto [between, still] = run.to_next_painting();
        EXPECT_EQ(still, i == 0 ? 139 : 140);
        EXPECT_NEAR(between - still, std::numbers::pi / 0.02, 1.0);
        EXPECT_NEAR(run.timeline.t, i == 0 ? 0.0f : 1.0f, 1e-3);
    }
    EXPECT_EQ(run.timeline.paintings, 4u);
}

TEST(Timeline, TheFirstPaintingFadesInBeforeTheNextOneStarts) {
    TimelineRun run(0.0f, 20.0f);  // DELAY 0: no hold at all
    run.step();
    float fade = run.timeline.fade;
    EXPECT_EQ(fade, 0.0f);
    int frames = 0;
    while (!run.step()) {
        ++frames;
        EXPECT_GE(run.timeline.fade, fade);  // the crossfade's own curve, from 0 to 1
        fade = run.timeline.fade;
        EXPECT_EQ(picture::still_ms(run.timeline, run.clock, run.delay), 0u);
    }
    // The phase reaches pi/2 after 24 frames, but the next painting waits for the fade.
    EXPECT_NEAR(frames, std::numbers::pi / 0.02, 1.0);
    EXPECT_EQ(run.timeline.fade, 1.0f);
}

TEST(Timeline, PaintingMotionFollowsItsCurves) {
    picture::Timeline timeline;
    const struct {
        int frames;
        float p0, p1;
    } at[] = {
        {1, 0.8869877f, 0.8965019f}, {400, 0.2651731f, 0.1076251f}, {1000, 0.2431366f, 0.7358672f}};
    int frame = 0;
    for (const auto& want : at) {
        while (frame < want.frames) picture::advance_motion(timeline), ++frame;
        EXPECT_NEAR(timeline.p0, want.p0, 1e-6) << frame;
        EXPECT_NEAR(timeline.p1, want.p1, 1e-6) << frame;
    }
}

TEST(Timeline, SpeedZeroDelayZeroAndHugeValues) {
    // SPEED 0 keeps the default pace of SPEED 20.
    TimelineRun zero(7.0f, 0.0f);
    zero.step();
    TimelineRun twenty(7.0f, 20.0f);
    twenty.step();
    EXPECT_EQ(zero.timeline.phase_step, twenty.timeline.phase_step);

    // DELAY 0: no hold, the phase moves on at once.
    TimelineRun nodelay(0.0f, 20.0f);
    nodelay.step();
    const double phase = nodelay.timeline.phase;
    nodelay.step();
    EXPECT_GT(nodelay.timeline.phase, phase);
    EXPECT_FALSE(nodelay.timeline.holding);

    // A DELAY stored as -5 reads back as 4294967291 seconds: held for good, and a host waits
    // at most a minute at a time.
    TimelineRun huge(4294967291.0f, 4294967291.0f);
    huge.step();
    EXPECT_TRUE(std::isfinite(huge.timeline.phase_step));
    huge.timeline.fading_in = false;
    huge.step(4000000000u);
    EXPECT_TRUE(huge.timeline.holding);
    EXPECT_EQ(picture::still_ms(huge.timeline, huge.clock, huge.delay), picture::kLongestStill);

    // A clock that does not move between measurements keeps the rate positive and finite.
    TimelineRun frozen(0.0f, 20.0f);
    for (int i = 0; i < 40; ++i) frozen.step(0);
    EXPECT_FLOAT_EQ(frozen.timeline.frame_rate, 20.0f);
}

TEST(PictureRandom, SameSequenceEverywhereAndPaletteInRange) {
    picture::Random seeded(12345);
    const int expected[] = {7584, 19164, 25795, 22125, 5828};
    for (int e : expected) EXPECT_EQ(seeded.next(), e);
    picture::Random random(0);
    int low = picture::kRandomMax, high = 0;
    for (int i = 0; i < 100000; ++i) {
        const int v = random.next();
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, picture::kRandomMax);

    // Entries 0 and 89, and an index past the end taken modulo 90; colours are divided by 256.
    EXPECT_EQ(picture::palette_colour(0), (picture::Rgb{160 / 256.0f, 10 / 256.0f, 0.0f}));
    EXPECT_EQ(picture::palette_colour(89), (picture::Rgb{240 / 256.0f, 64 / 256.0f, 48 / 256.0f}));
    EXPECT_EQ(picture::palette_colour(0xFFFFFFFFu), picture::palette_colour(0xFFFFFFFFu % 90));
}

}  // namespace
