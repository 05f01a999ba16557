#pragma once
// Text forms of stored bank values, and the calendar behind the date and time types.
//
// Day numbers count days so that 01.01.0001 is 382 and 01.01.1970 is 719544. Date-time values
// count seconds since 01.01.1970 00:00:00 plus one (0 means no value); time-of-day values count
// seconds since midnight plus one.
#include <cstddef>
#include <cstdint>
#include <string>

namespace bank {

// Day number of a date; 0 when the date is invalid (day beyond the month, month outside 1..12,
// any part below 1).
int32_t day_number(int day, int month, int year);

// "dd.mm.yyyy" (or "mm/dd/yyyy" when dates are written month first); empty below 382.
// Only the low 24 bits of `day` are used.
std::string date_text(uint32_t day);

// "hh:mm:ss"; empty for 0 and 1.
std::string time_of_day_text(uint64_t value);

// Date, a space, then the time of day (empty when that is below 2); empty below 2.
std::string date_time_text(int64_t value);

// Parses "dd.mm.yyyy", "mm/dd/yyyy" (or the environment's order for other separators) into a
// day number; 0 for empty, short or invalid texts.
int32_t parse_date(const char* text);

// Parses "hh:mm:ss" (texts shorter than 10 characters) or "dd.mm.yyyy[ hh:mm:ss]" into a
// date-time value (see above); 0 for an empty text.
int64_t parse_date_time(const char* text);

// Whether dates are written month first: the environment's "TZ" contains "Canada" or "US".
// Read once per process.
bool dates_month_first();
// Tests only: forget the cached answer so that "TZ" is read again.
void reset_date_order_for_tests();

// The text form of a stored value of a non-byte-string slot: `type` is the type code, `flags`
// the descriptor's flags (its low four bits give the decimals of types 6, 7, 8 and 9 and the
// first part's width of type 5), `width` the value's width, `bytes` the stored value (little-
// endian, `size` bytes readable; bytes of the width beyond them read as zero, so nothing past
// `size` is read whatever the width). `kind4` selects the kind-4 rule (integers stored plus one).
// Returns false when the type has no text form (codes 21 and above).
bool value_text(uint8_t type, uint8_t flags, uint16_t width, const uint8_t* bytes, size_t size,
                bool kind4, std::string& out);

}  // namespace bank
