#pragma once
// The picture's two clocks, reached through a seam that tests and the headless renderer fix:
// the tick count (milliseconds since system start; it seeds the random generator) and the
// multimedia time (milliseconds) behind the picture clock. The product uses the system's own.
#include <cstdint>

namespace picture {

struct Clocks {
    uint32_t (*tick_count)();
    uint32_t (*time_ms)();
};
// The clocks in force; assign to replace them, restore_system_clocks() to go back.
Clocks& clocks();
void restore_system_clocks();

// The picture clock: milliseconds since its own first reading (which gives 0).
uint32_t picture_clock();
// Forgets the first reading, so the next picture_clock() starts again from 0.
void reset_picture_clock();

}  // namespace picture
