#include "picture/random.h"

namespace {

uint32_t state = 1;

}  // namespace

void picture::seed_random(uint32_t seed) {
    state = seed;
}

int picture::next_random() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}
