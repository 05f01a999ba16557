#include "picture/timeline.h"

#include <cmath>
#include <limits>

#include "picture/clock.h"
#include "picture/picture_state.h"

int32_t picture::saturate_to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

namespace {

void measure_frame_rate(picture::Timeline& timeline) {
    // The first frame gives the reference time of the first measurement.
    if (!timeline.measured_once) {
        timeline.measured_once = true;
        timeline.last_measurement = picture::picture_clock();
    }
    if (++timeline.rate_frames != 11) return;
    const uint32_t now = picture::picture_clock();
    const uint32_t interval = now - timeline.last_measurement;
    // A zero interval (a clock coarser than 11 frames) keeps the previous estimate.
    if (interval > 0)
        timeline.frame_rate =
            static_cast<float>(timeline.rate_frames) * 1000.0f / static_cast<float>(interval);
    timeline.last_measurement = now;
    timeline.rate_frames = 0;
}

}  // namespace

bool picture::advance_timeline(Timeline& timeline, float delay) {
    measure_frame_rate(timeline);
    timeline.new_painting = false;
    if (timeline.hold_frames > 0) {
        --timeline.hold_frames;
        return false;
    }
    if (timeline.phase_step == 0.0) timeline.phase_step = 0.1;
    timeline.phase += timeline.phase_step;
    const double s = std::sin(timeline.phase);
    const double a = std::fabs(s);
    const double e = (1.0 - std::pow(a, 0.4)) * 0.9 + 0.1;
    timeline.t = static_cast<float>(((s > 0 ? 1.0 : -1.0) * std::pow(a, e) + 1.0) * 0.5);
    timeline.direction = std::cos(timeline.phase) > 0 ? 1 : -1;
    if ((timeline.previous_direction < 0 && timeline.direction > 0) ||
        (timeline.previous_direction > 0 && timeline.direction < 0)) {
        timeline.phase_step = 0.0;
        timeline.hold_frames = saturate_to_int32(static_cast<double>(delay) *
                                                 static_cast<double>(timeline.frame_rate));
        timeline.new_painting = true;
    }
    timeline.previous_direction = timeline.direction;
    return timeline.new_painting;
}

void picture::set_phase_step(Timeline& timeline, float speed) {
    const double rate = timeline.frame_rate;
    timeline.phase_step = speed != 0.0f ? static_cast<double>(speed) * 0.02 / rate : 0.4 / rate;
    // A step that is not a finite number would stop the clock for good.
    if (!std::isfinite(timeline.phase_step)) timeline.phase_step = 0.4 / rate;
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
