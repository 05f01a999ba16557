#include "loading/descramble_stream.h"

namespace {

// Park-Miller minimal standard successor, Schrage's method with truncating signed division.
int32_t park_miller_next(int32_t x) {
    const int32_t hi = x / 127773;
    const int32_t lo = x % 127773;
    int64_t y = int64_t{16807} * lo - int64_t{2836} * hi;
    if (y <= 0) y += 2147483647;
    return static_cast<int32_t>(y);
}

}  // namespace

void DescrambleStream::fill_table(int32_t seed) {
    for (int32_t& entry : table_) entry = 0;
    table_[0] = seed;
    for (int i = 1; i < kSeededEntries; ++i) table_[i] = park_miller_next(table_[i - 1]);
    front_ = 3;
    back_ = 0;
}

void DescrambleStream::seed(int32_t seed) {
    fill_table(seed);
    for (int i = 0; i < kWarmUpSteps; ++i) step();
}

// One step: entry j += entry k (wrapping), then both indices advance; only one of them is
// wrapped back to 1 in a step.
inline uint32_t DescrambleStream::step() {
    const uint32_t v = static_cast<uint32_t>(table_[front_]) + static_cast<uint32_t>(table_[back_]);
    table_[front_] = static_cast<int32_t>(v);
    ++front_;
    ++back_;
    if (front_ >= kTableSize) {
        front_ = 1;
    } else if (back_ >= kTableSize) {
        back_ = 1;
    }
    return v;
}

uint32_t DescrambleStream::next() {
    return step() >> 1;
}

void DescrambleStream::descramble(unsigned char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(bytes[i] - static_cast<unsigned char>(next()));
}

void loading::descramble_record(int cadr, unsigned char* bytes, size_t size) {
    DescrambleStream stream;
    stream.seed(static_cast<int32_t>(static_cast<uint32_t>(cadr) + kDescrambleSeedOffset));
    stream.descramble(bytes, size);
}

void loading::scramble_record(int cadr, unsigned char* bytes, size_t size) {
    DescrambleStream stream;
    stream.seed(static_cast<int32_t>(static_cast<uint32_t>(cadr) + kDescrambleSeedOffset));
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(bytes[i] + static_cast<unsigned char>(stream.next()));
}
