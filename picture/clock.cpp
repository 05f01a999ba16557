#include "picture/clock.h"

#include <chrono>

namespace {

uint32_t system_milliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

picture::Clocks system_clocks{system_milliseconds, system_milliseconds};
picture::Clocks current = system_clocks;
bool clock_started = false;
uint32_t clock_origin = 0;

}  // namespace

picture::Clocks& picture::clocks() {
    return current;
}

void picture::restore_system_clocks() {
    current = system_clocks;
}

uint32_t picture::picture_clock() {
    const uint32_t now = current.time_ms();
    if (!clock_started) {
        clock_started = true;
        clock_origin = now;
    }
    return now - clock_origin;  // wraps like the millisecond counter it reads
}

void picture::reset_picture_clock() {
    clock_started = false;
}
