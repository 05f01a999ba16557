// Feeds arbitrary bytes to the date parsers and to the text form of every value type.
// Input: type, flags, mode (bit 0 kind 4, bit 1 month-first dates), the width (two bytes,
// little-endian; it may claim more than the bytes that follow), then the value's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bank/value_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const uint8_t type = data[0];
    const uint8_t flags = data[1];
    const bool kind4 = (data[2] & 1) != 0;
    if ((data[2] & 2) != 0)
        setenv("TZ", "US/Eastern", 1);
    else
        unsetenv("TZ");
    bank::reset_date_order_for_tests();
    const uint16_t width = static_cast<uint16_t>(data[3] | (data[4] << 8));
    data += 5;
    size -= 5;

    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)bank::parse_date(text.c_str());
    const int64_t value = bank::parse_date_time(text.c_str());
    (void)bank::date_time_text(value);

    std::string out;
    (void)bank::value_text(type, flags, width, data, size, kind4, out);
    return 0;
}
