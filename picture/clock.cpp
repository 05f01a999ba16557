#include "picture/clock.h"

#include <chrono>
#include <utility>

namespace {

uint32_t system_milliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

picture::Clocks picture::system_clocks() {
    return {system_milliseconds, system_milliseconds};
}

picture::PictureClock::PictureClock(Clocks clocks) : clocks_(std::move(clocks)) {}

uint32_t picture::PictureClock::now() {
    const uint32_t reading = clocks_.time_ms();
    if (!started_) {
        started_ = true;
        origin_ = reading;
    }
    return reading - origin_;  // wraps like the millisecond counter it reads
}
