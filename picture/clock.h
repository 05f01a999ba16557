#pragma once
// The picture's two clocks, which tests and the headless renderer replace: the tick count
// (milliseconds since system start; it seeds the random generator) and the multimedia time
// (milliseconds) behind the picture clock. The product uses the system's own.
#include <cstdint>
#include <functional>

namespace picture {

struct Clocks {
    std::function<uint32_t()> tick_count;
    std::function<uint32_t()> time_ms;
};
// Both read the system's steady clock in milliseconds.
Clocks system_clocks();

// The picture clock: milliseconds since its own first reading (which gives 0).
class PictureClock {
  public:
    explicit PictureClock(Clocks clocks = system_clocks());

    uint32_t now();
    uint32_t tick_count() const { return clocks_.tick_count(); }

  private:
    Clocks clocks_;
    bool started_ = false;
    uint32_t origin_ = 0;
};

}  // namespace picture
