#include "picture/timeline.h"

#include <algorithm>
#include <cmath>

#include "picture/clock.h"
#include "picture/picture_state.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;

// Takes the present frame as the reference of the next measurement.
void restart_measurement(picture::Timeline& timeline, picture::PictureClock& clock) {
    timeline.measured_once = true;
    timeline.last_measurement = clock.now();
    timeline.rate_frames = 0;
}

// Every 11 frames after the reference frame: frames over the milliseconds they took.
void measure_frame_rate(picture::Timeline& timeline, picture::PictureClock& clock) {
    if (!timeline.measured_once) {
        restart_measurement(timeline, clock);
        return;
    }
    if (++timeline.rate_frames != 11) return;
    const uint32_t now = clock.now();
    const uint32_t interval = now - timeline.last_measurement;
    // A zero interval (a clock coarser than 11 frames) keeps the previous estimate.
    if (interval > 0)
        timeline.frame_rate =
            static_cast<float>(timeline.rate_frames) * 1000.0f / static_cast<float>(interval);
    timeline.last_measurement = now;
    timeline.rate_frames = 0;
}

// The hold is over once more than DELAY seconds have passed since it started. A DELAY beyond
// the clock's 49-day turn never ends.
bool hold_is_over(const picture::Timeline& timeline, picture::PictureClock& clock, float delay) {
    const uint32_t held = clock.now() - timeline.hold_start;
    return !(static_cast<double>(held) <= static_cast<double>(delay) * 1000.0);
}

void move_fade_in(picture::Timeline& timeline, picture::PictureClock& clock) {
    if (!timeline.fading_in) return;
    const double seconds = (clock.now() - timeline.fade_start) / 1000.0;
    // The fade takes as long as a crossfade, but runs the steep second half of its curve (from
    // the middle at 0 to the end at pi/2, at half the speed): a crossfade's eased start stays
    // black for seconds, this one shows the painting from its first frames.
    const double fade_phase = 0.5 * timeline.transition_speed * seconds;
    // A SPEED that moves the phase backwards (or not at all) shows the painting at once.
    if (!(fade_phase < kHalfPi) || !(timeline.transition_speed > 0.0)) {
        timeline.fading_in = false;
        timeline.fade = 1.0f;
        return;
    }
    timeline.fade =
        static_cast<float>(std::max(0.0, 2.0 * picture::transition_value(fade_phase) - 1.0));
}

}  // namespace

double picture::transition_value(double phase) {
    const double s = std::sin(phase);
    const double a = std::fabs(s);
    const double e = (1.0 - std::pow(a, 0.4)) * 0.9 + 0.1;
    return ((s > 0 ? 1.0 : -1.0) * std::pow(a, e) + 1.0) * 0.5;
}

namespace {

// Holds or advances the phase; true when it reached an end of the transition.
bool step_phase(picture::Timeline& timeline, picture::PictureClock& clock, float delay) {
    if (timeline.holding) {
        if (!hold_is_over(timeline, clock, delay)) return false;
        timeline.holding = false;
        // The frames before the hold's end were not drawn in time: they measure nothing.
        restart_measurement(timeline, clock);
    }
    if (timeline.phase_step == 0.0) timeline.phase_step = 0.1;
    const double phase = timeline.phase + timeline.phase_step;
    const int32_t direction = std::cos(phase) > 0 ? 1 : -1;
    const bool turns = (timeline.previous_direction < 0 && direction > 0) ||
                       (timeline.previous_direction > 0 && direction < 0);
    // The next painting would land in the image that is fading in: wait for the fade.
    if (turns && timeline.fading_in && timeline.paintings > 0) return false;
    timeline.phase = phase;
    timeline.t = static_cast<float>(picture::transition_value(phase));
    timeline.direction = direction;
    timeline.previous_direction = direction;
    if (!turns) return false;
    timeline.phase_step = 0.0;
    picture::start_hold(timeline, clock);
    return true;
}

}  // namespace

bool picture::advance_timeline(Timeline& timeline, PictureClock& clock, float delay) {
    measure_frame_rate(timeline, clock);
    timeline.new_painting = step_phase(timeline, clock, delay);
    if (timeline.new_painting)
        ++timeline.paintings;
    else if (timeline.paintings > 0)
        move_fade_in(timeline, clock);
    return timeline.new_painting;
}

void picture::start_hold(Timeline& timeline, PictureClock& clock) {
    timeline.holding = true;
    timeline.hold_start = clock.now();
    if (timeline.fading_in) timeline.fade_start = timeline.hold_start;
    restart_measurement(timeline, clock);
}

uint32_t picture::still_ms(const Timeline& timeline, PictureClock& clock, float delay) {
    if (!timeline.holding || timeline.fading_in) return 0;
    const uint32_t held = clock.now() - timeline.hold_start;
    const double left = static_cast<double>(delay) * 1000.0 - static_cast<double>(held);
    if (!(left >= 0.0)) return 0;
    return static_cast<uint32_t>(std::min(left + 1.0, static_cast<double>(kLongestStill)));
}

void picture::set_phase_step(Timeline& timeline, float speed) {
    const double rate = timeline.frame_rate;
    timeline.phase_step = speed != 0.0f ? static_cast<double>(speed) * 0.02 / rate : 0.4 / rate;
    // A step that is not a finite number would stop the clock for good.
    if (!std::isfinite(timeline.phase_step)) timeline.phase_step = 0.4 / rate;
    timeline.transition_speed = timeline.phase_step * rate;
}

void picture::advance_motion(Timeline& timeline) {
    const double m = (timeline.motion_time += 0.005);
    timeline.p0 =
        static_cast<float>((std::sin(std::sin(1.2561 * m + 0.17) + std::sin(1.8263 * (m + 0.18)) +
                                     std::cos(1.8798 * (m + 0.33))) +
                            1.2) *
                               0.4 +
                           0.02);
    timeline.p1 =
        static_cast<float>((std::sin(std::sin(1.5431 * m + 0.12) + std::sin(1.4321 * (m + 0.49)) +
                                     std::sin(1.5431 * (m + 0.76))) +
                            1.2) *
                               0.4 +
                           0.02);
}
