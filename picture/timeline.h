#pragma once
// The picture's clock: a phase that advances at the user's SPEED, the transition value t derived
// from it, and a hold of DELAY seconds at each end of the transition, where a new painting
// starts. Per-frame amounts are scaled by a frame rate measured every 11 frames.
#include <cstdint>

namespace picture {

struct Timeline;

// A float as a 32-bit integer truncated toward zero, saturated at the type's limits (NaN: 0).
int32_t saturate_to_int32(double value);

// Steps 1 to 4 of a frame: measures the frame rate, holds or advances the phase and t. Sets and
// gives timeline.new_painting. `delay` is DELAY in seconds.
bool advance_timeline(Timeline& timeline, float delay);
// The per-frame phase step for the next transition, from SPEED (0 means the default pace).
void set_phase_step(Timeline& timeline, float speed);
// The painting-motion values p0 and p1, moved on by one frame.
void advance_motion(Timeline& timeline);

}  // namespace picture
