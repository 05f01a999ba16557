#pragma once
// Everything a running picture holds: its settings, data root, clock, random numbers, device,
// configuration, programs, images, plans and the timeline. The passes read and write it.
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "gfx/render_device.h"
#include "loading/data_root.h"
#include "picture/clock.h"
#include "picture/picture_config.h"
#include "picture/plan.h"
#include "picture/program_set.h"
#include "picture/random.h"
#include "picture/settings.h"

namespace picture {

using Colour = std::array<float, 4>;

// The frame driver's clock and the values the passes read from it.
struct Timeline {
    // Frames a second, measured over every 11 frames while the picture moves; until the first
    // measurement, the rate the host draws moving frames at (Settings::frame_rate).
    float frame_rate = 60.0f;
    int32_t rate_frames = 0;     // frames since the reference frame
    bool measured_once = false;  // a reference frame has been taken
    uint32_t last_measurement = 0;
    double phase = 1.0;
    double phase_step = 0.1;
    double previous_direction = -1.0;
    int32_t direction = 1;
    // A hold lasts DELAY seconds by the picture clock from the end of the painting's frame.
    bool holding = false;
    uint32_t hold_start = 0;
    // The first painting fades in from black along the crossfade's steep half: the screen shows
    // the crossfade weighted by `fade`, which moves from 0 to 1 as a crossfade does, by the
    // clock from the end of the painting's frame (a slow machine's frames do not slow it).
    bool fading_in = true;
    uint32_t fade_start = 0;
    double transition_speed = 0.4;  // radians a second, from SPEED
    float fade = 0.0f;
    float t = 0.0f;
    int32_t phase_flag = 0;
    int32_t background_index = -1;
    double motion_time = 0.0;
    float p0 = 0.0f;
    float p1 = 0.0f;
    std::array<Colour, 4> background{{{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}}};
    std::array<Colour, 4> previous_background = background;
    bool new_painting = false;  // the last step started a new painting
    uint32_t paintings = 0;     // new paintings since the start
};

struct Picture {
    Picture(const Settings& run_settings, Clocks clocks)
        : settings(run_settings), data(run_settings.data_folder), clock(std::move(clocks)) {}
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    Settings settings;
    loading::DataRoot data;
    PictureClock clock;
    Random random;
    RenderDevice device;
    bool started = false;  // start-up has finished: the plans and programs exist
    int work_width = 0;
    int work_height = 0;
    uint32_t seed = 0;
    PictureConfig config;
    ProgramSet programs;

    // Image set counts, corrected by every bank load.
    int colour_count = 793;
    int form_count = 221;
    int facture_count = 118;

    Texture* form_canvas = nullptr;
    Texture* colour_canvas = nullptr;
    Texture* output_a = nullptr;
    Texture* output_b = nullptr;
    Texture* colour_image = nullptr;
    Texture* surface_image = nullptr;
    Texture* form_mix = nullptr;
    Texture* facture_mix = nullptr;
    Texture* plan_work = nullptr;
    Texture* facture_images[4] = {};
    // The form slots every plan shares: captures of the form canvas.
    Texture* forms[2] = {};
    Texture* grain = nullptr;
    Texture* spare[2] = {};
    Texture* signature = nullptr;

    // Re-pointed at every new painting.
    Texture* pair1_current = nullptr;
    Texture* pair1_previous = nullptr;
    Texture* pair2_current = nullptr;
    Texture* pair2_previous = nullptr;
    Texture* spare_current = nullptr;
    Texture* first_colours[2] = {};
    Texture* last_colours[2] = {};

    std::unique_ptr<Plan> plans[kMaxPlans];
    Timeline timeline;
    bool output_toggle = false;  // false: the next painting goes to output_a
    int resets_seen = 0;         // the device's reset count when the picture last started over

    int plan_count() const { return config.plans; }
    Plan& last_plan() { return *plans[config.plans - 1]; }
    // t when the phase flag is set, else 1 - t.
    float mix_value() const { return timeline.phase_flag ? timeline.t : 1.0f - timeline.t; }
};

// The fixed pass parameters' last four, set as "atr1" (and "patr1").
inline constexpr float kAtr1[4] = {0.5f, 0.5f, 0.5f, 0.5f};

}  // namespace picture
