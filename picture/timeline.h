#pragma once
// The picture's clock: a phase that advances at the user's SPEED, the transition value t derived
// from it, and a hold of DELAY seconds at each end of the transition, where a new painting
// starts. Per-frame amounts are scaled by a frame rate measured every 11 frames.
#include <cstdint>

namespace picture {

struct Timeline;
class PictureClock;

// The transition value of a phase: (sign x a^e + 1) / 2 with a = |sin|, e = (1 - a^0.4) x 0.9 +
// 0.1, sign +1 where the sine is positive.
double transition_value(double phase);

// Steps 1 to 4 of a frame: measures the frame rate, holds or advances the phase and t, and moves
// the first painting's fade-in. Sets and gives timeline.new_painting. `delay` is DELAY in
// seconds. The next painting waits until the fade-in is complete.
bool advance_timeline(Timeline& timeline, PictureClock& clock, float delay);
// Starts the hold (and a new frame-rate measurement) at the picture clock's present reading: called
// when a new painting's frame is done, so that the painting's own work does not eat into the hold.
void start_hold(Timeline& timeline, PictureClock& clock);
// How long the picture stays as the last frame showed it, in milliseconds: 0 while it moves or
// fades in, else the rest of the hold (at least 1, at most kLongestStill).
uint32_t still_ms(const Timeline& timeline, PictureClock& clock, float delay);
inline constexpr uint32_t kLongestStill = 60000;
// The per-frame phase step for the next transition, from SPEED (0 means the default pace).
void set_phase_step(Timeline& timeline, float speed);
// The painting-motion values p0 and p1, moved on by one frame.
void advance_motion(Timeline& timeline);

}  // namespace picture
