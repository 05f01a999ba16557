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

namespace {

constexpr int kCycle = 31;  // entries 1 to 31 once both indices have wrapped
constexpr int kLag = 3;     // the front index runs this far ahead of the back index

// The entry index p (from 1) brought back into 1 to 31.
int32_t cycle_index(int64_t p) {
    return static_cast<int32_t>(((p - 1) % kCycle + kCycle) % kCycle + 1);
}

}  // namespace

void DescrambleStream::descramble(unsigned char* bytes, size_t size) {
    size_t done = 0;
    // Right after seeding both indices have wrapped already; the plain steps cover any other
    // state until they have.
    auto steady = [this] {
        return front_ >= 1 && back_ >= 1 && front_ == cycle_index(int64_t{back_} + kLag);
    };
    for (; done < size && !steady(); ++done)
        bytes[done] = static_cast<unsigned char>(bytes[done] - static_cast<unsigned char>(next()));
    if (done == size) return;

    // In the steady state the entry at the front index holds the value of 31 steps ago and the
    // entry at the back index that of 3 steps ago: x[n] = x[n-31] + x[n-3]. The history is laid
    // out in a line and extended block by block.
    constexpr size_t kBlock = 1024;
    uint32_t history[kCycle + kBlock];
    for (int m = 0; m < kCycle; ++m)
        history[m] = static_cast<uint32_t>(table_[cycle_index(int64_t{front_} + m)]);
    while (done < size) {
        const size_t n = size - done < kBlock ? size - done : kBlock;
        unsigned char* out = bytes + done;
        for (size_t t = 0; t < n; ++t) {
            const uint32_t v = history[t] + history[t + kCycle - kLag];
            history[t + kCycle] = v;
            out[t] = static_cast<unsigned char>(out[t] - static_cast<unsigned char>(v >> 1));
        }
        for (int m = 0; m < kCycle; ++m) history[m] = history[n + static_cast<size_t>(m)];
        front_ = cycle_index(int64_t{front_} + static_cast<int64_t>(n));
        done += n;
    }
    for (int m = 0; m < kCycle; ++m)
        table_[cycle_index(int64_t{front_} + m)] = static_cast<int32_t>(history[m]);
    back_ = cycle_index(int64_t{front_} - kLag);
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
