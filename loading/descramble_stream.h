#pragma once
// The pseudo-random byte stream that undoes the scrambling of bank records: an additive lagged
// generator over 31 entries (lags 3 and 31), its table filled from the seed by the Park-Miller
// minimal standard generator and warmed up by 310 steps. Every read seeds it afresh, so the bytes
// of a record never depend on what was read before.
#include <cstddef>
#include <cstdint>

class DescrambleStream {
  public:
    static constexpr int kTableSize = 32;
    static constexpr int kSeededEntries = 31;
    static constexpr int kWarmUpSteps = 10 * kSeededEntries;

    // Fills the table from `seed` (entry 0 = seed, entries 1 to 30 its Park-Miller successors,
    // entry 31 = 0), sets the front index to 3 and the back index to 0 and runs the warm-up.
    void seed(int32_t seed);

    // The first half of seed(): the table and indices, without the warm-up.
    void fill_table(int32_t seed);

    // The next value of the stream, 0 to 2147483647.
    uint32_t next();

    // Subtracts the low 8 bits of the next `size` values from `bytes`, first to last (modulo 256).
    void descramble(unsigned char* bytes, size_t size);

    // The table as it stands (for checks of the seeding).
    const int32_t* table() const { return table_; }

  private:
    uint32_t step();

    int32_t table_[kTableSize] = {};
    int32_t front_ = 3;  // j
    int32_t back_ = 0;   // k
};

namespace loading {

// Added to a record's cadr number to seed the stream for that record, in every bank.
inline constexpr uint32_t kDescrambleSeedOffset = 27361;

// Seeds a stream with cadr + kDescrambleSeedOffset and descrambles the record's bytes in place.
void descramble_record(int cadr, unsigned char* bytes, size_t size);

// The writing side (tools and tests): adds the stream's low bytes, so that descramble_record
// with the same cadr gives the bytes back.
void scramble_record(int cadr, unsigned char* bytes, size_t size);

}  // namespace loading
