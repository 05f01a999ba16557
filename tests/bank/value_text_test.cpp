#include "bank/value_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Sets "TZ" (or removes it for nullptr) and makes the date order read it again.
class DateOrder {
  public:
    explicit DateOrder(const char* tz) {
        if (tz != nullptr)
            setenv("TZ", tz, 1);
        else
            unsetenv("TZ");
        bank::reset_date_order_for_tests();
    }
    ~DateOrder() {
        unsetenv("TZ");
        bank::reset_date_order_for_tests();
    }
};

std::vector<uint8_t> le_bytes(uint64_t value, size_t width) {
    std::vector<uint8_t> bytes(width);
    for (size_t i = 0; i < width; ++i)
        bytes[i] = i < 8 ? static_cast<uint8_t>(value >> (8 * i)) : uint8_t{0};
    return bytes;
}

std::string text_of(uint8_t type, uint8_t flags, uint64_t value, uint16_t width,
                    bool kind4 = false) {
    const std::vector<uint8_t> bytes = le_bytes(value, width);
    std::string out = "stale";
    EXPECT_TRUE(bank::value_text(type, flags, width, bytes.data(), bytes.size(), kind4, out));
    return out;
}

uint64_t bits(int64_t value) {
    return static_cast<uint64_t>(value);
}

TEST(Calendar, DayNumbersOfKnownDatesAndInvalidDates) {
    EXPECT_EQ(bank::day_number(1, 1, 1), 382);
    EXPECT_EQ(bank::day_number(1, 1, 1970), 719544);
    EXPECT_EQ(bank::day_number(29, 2, 1900), 0);
    EXPECT_EQ(bank::day_number(29, 2, 2000), bank::day_number(28, 2, 2000) + 1);
    EXPECT_EQ(bank::day_number(1, 3, 2000), bank::day_number(29, 2, 2000) + 1);
    EXPECT_EQ(bank::day_number(31, 4, 2000), 0);
    EXPECT_EQ(bank::day_number(1, 13, 2000), 0);
    EXPECT_EQ(bank::day_number(1, 1, 0), 0);
    // Years whose day number does not fit are refused, not wrapped.
    EXPECT_EQ(bank::day_number(31, 12, std::numeric_limits<int>::max()), 0);
    EXPECT_GT(bank::day_number(31, 12, 9999), 0);
}

TEST(Calendar, DateTextOfDayNumbers) {
    DateOrder order(nullptr);
    EXPECT_EQ(bank::date_text(382), "01.01.0001");
    EXPECT_EQ(bank::date_text(381), "");
    EXPECT_EQ(bank::date_text(719544), "01.01.1970");
    EXPECT_EQ(bank::date_text(static_cast<uint32_t>(bank::day_number(29, 2, 2000))), "29.02.2000");
    // Only the low 24 bits count.
    EXPECT_EQ(bank::date_text(719544u | 0xFF000000u), "01.01.1970");
    EXPECT_FALSE(bank::date_text(0xFFFFFFu).empty());
}

TEST(Calendar, DateOrderFollowsTzReadOnce) {
    {
        DateOrder order("US/Eastern");
        EXPECT_TRUE(bank::dates_month_first());
        EXPECT_EQ(bank::date_text(719544), "01/01/1970");
        EXPECT_EQ(bank::parse_date("02-29-2000"), bank::day_number(29, 2, 2000));
        // Read once: a later change is not seen until the reset.
        setenv("TZ", "Europe/Paris", 1);
        EXPECT_TRUE(bank::dates_month_first());
        bank::reset_date_order_for_tests();
        EXPECT_FALSE(bank::dates_month_first());
    }
    {
        DateOrder order("Canada/Pacific");
        EXPECT_TRUE(bank::dates_month_first());
    }
}

TEST(Calendar, DateTextParsesBackToItsDayNumber) {
    DateOrder order(nullptr);
    const int32_t last = bank::day_number(31, 12, 9999);
    // Every day of 1890..2110, then a sparse sweep over the whole range of four-digit years.
    const int32_t dense_from = bank::day_number(1, 1, 1890);
    const int32_t dense_to = bank::day_number(31, 12, 2110);
    for (int32_t n = dense_from; n <= dense_to; ++n) {
        ASSERT_EQ(bank::parse_date(bank::date_text(static_cast<uint32_t>(n)).c_str()), n) << n;
    }
    for (int32_t n = 382; n <= last; n += 97) {
        const std::string text = bank::date_text(static_cast<uint32_t>(n));
        ASSERT_EQ(bank::parse_date(text.c_str()), n) << text;
    }
}

TEST(Calendar, SuccessiveDaysAreSuccessiveDates) {
    int32_t n = bank::day_number(1, 1, 1600);
    for (int year = 1600; year <= 2400; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; bank::day_number(day, month, year) != 0; ++day) {
                ASSERT_EQ(bank::day_number(day, month, year), n)
                    << day << "." << month << "." << year;
                ++n;
            }
        }
    }
}

TEST(ParseDate, SeparatorDecidesOrder) {
    DateOrder order(nullptr);
    const int32_t leap = bank::day_number(29, 2, 2000);
    EXPECT_EQ(bank::parse_date("29.02.2000"), leap);
    EXPECT_EQ(bank::parse_date("02/29/2000"), leap);
    EXPECT_EQ(bank::parse_date("29-02-2000"), leap);  // environment order: day first
    EXPECT_EQ(bank::parse_date("29.02.1900"), 0);
    EXPECT_EQ(bank::parse_date("1.1.2000"), bank::day_number(1, 1, 2000));
    EXPECT_EQ(bank::parse_date("2000-01-01"), 0);  // read as 20.00.-01
}

TEST(ParseDate, EmptyShortAndGarbageTexts) {
    DateOrder order(nullptr);
    EXPECT_EQ(bank::parse_date(nullptr), 0);
    EXPECT_EQ(bank::parse_date(""), 0);
    EXPECT_EQ(bank::parse_date("12"), 0);
    EXPECT_EQ(bank::parse_date("12.05"), 0);
    EXPECT_EQ(bank::parse_date("-1.01.2000"), 0);
    EXPECT_EQ(bank::parse_date("01.01.0000"), 0);
}

TEST(TimeText, TimeOfDay) {
    EXPECT_EQ(bank::time_of_day_text(0), "");
    EXPECT_EQ(bank::time_of_day_text(1), "");
    EXPECT_EQ(bank::time_of_day_text(2), "00:00:01");
    EXPECT_EQ(bank::time_of_day_text(3600 * 25 + 1), "01:00:00");
    EXPECT_EQ(bank::time_of_day_text(86400), "23:59:59");
    EXPECT_EQ(bank::time_of_day_text(std::numeric_limits<uint64_t>::max()).size(), 8u);
}

TEST(TimeText, DateAndTime) {
    DateOrder order(nullptr);
    EXPECT_EQ(bank::date_time_text(std::numeric_limits<int64_t>::min()), "");
    EXPECT_EQ(bank::date_time_text(0), "");
    EXPECT_EQ(bank::date_time_text(1), "");
    EXPECT_EQ(bank::date_time_text(2), "01.01.1970 ");
    EXPECT_EQ(bank::date_time_text(3), "01.01.1970 00:00:01");
    EXPECT_EQ(bank::date_time_text(86401), "02.01.1970 ");
    EXPECT_FALSE(bank::date_time_text(std::numeric_limits<int64_t>::max()).empty());
}

TEST(ParseDateTime, RoundTrips) {
    DateOrder order(nullptr);
    EXPECT_EQ(bank::parse_date_time("01.01.1970 00:00:01"), 3);
    EXPECT_EQ(bank::date_time_text(3), "01.01.1970 00:00:01");
    EXPECT_EQ(bank::parse_date_time("02.01.1970"), 86401);
    EXPECT_EQ(bank::date_time_text(86401), "02.01.1970 ");
    EXPECT_EQ(bank::parse_date_time("01.01.1970"), 1);
    EXPECT_EQ(bank::date_time_text(1), "");
    for (const char* text : {"31.12.2020 23:59:58", "29.02.2000 12:34:56", "01.01.1970 00:00:02"}) {
        const int64_t value = bank::parse_date_time(text);
        EXPECT_EQ(bank::date_time_text(value), text);
        EXPECT_EQ(bank::parse_date_time(bank::date_time_text(value).c_str()), value);
    }
}

// The time of a date-time is stored plus one on top of the value's own plus one, so the last
// second of a day shares its value with the next day's date alone.
TEST(ParseDateTime, LastSecondOfADayReadsAsTheNextDay) {
    DateOrder order(nullptr);
    EXPECT_EQ(bank::parse_date_time("01.01.1970 23:59:59"), bank::parse_date_time("02.01.1970"));
    EXPECT_EQ(bank::date_time_text(bank::parse_date_time("01.01.1970 23:59:59")), "02.01.1970 ");
}

TEST(ParseDateTime, TimesSpacesAndBadTexts) {
    DateOrder order(nullptr);
    EXPECT_EQ(bank::parse_date_time(nullptr), 0);
    EXPECT_EQ(bank::parse_date_time(""), 0);
    EXPECT_EQ(bank::parse_date_time("01:02:03"), 3600 + 2 * 60 + 3 + 1);
    EXPECT_EQ(bank::parse_date_time("  01-02-03"), 3600 + 2 * 60 + 3 + 1);
    EXPECT_EQ(bank::parse_date_time("5"), 5 * 3600 + 1);  // missing fields count as 0
    EXPECT_EQ(bank::parse_date_time("-1:-2:-3"), 1);      // no signs: never below 1
    EXPECT_EQ(bank::parse_date_time("31.12.1969"), 1);    // before 1970: the date part counts 0
    EXPECT_EQ(bank::parse_date_time("31.12.1969 00:00:01"), 3);
    EXPECT_EQ(bank::parse_date_time("garbage text here"), 1);
    EXPECT_EQ(bank::parse_date_time("01.01.1970   00:00:01"), 3);
}

TEST(IntegerForm, Decimals) {
    EXPECT_EQ(text_of(6, 2, 12345, 4), "123.45");
    EXPECT_EQ(text_of(6, 2, 5, 4), ".05");
    EXPECT_EQ(text_of(6, 2, 0, 4), "0.00");
    EXPECT_EQ(text_of(6, 2, bits(-5), 4), "-.05");
    EXPECT_EQ(text_of(6, 2, bits(-12345), 4), "-123.45");
    EXPECT_EQ(text_of(6, 0x32, 100, 4), "1.00");  // only the low four flag bits count
    EXPECT_EQ(text_of(6, 15, 1, 8), ".000000000000001");
    EXPECT_EQ(text_of(7, 3, 1234, 2), "1.234");
}

TEST(IntegerForm, WidthsSignExtensionAndLimits) {
    EXPECT_EQ(text_of(6, 0, 0xFF, 1), "-1");
    EXPECT_EQ(text_of(6, 0, 0x800000, 3), "-8388608");
    EXPECT_EQ(text_of(6, 0, 0xFFFFFFFF, 4), "-1");
    EXPECT_EQ(text_of(6, 0, 0xFFFFFFFF, 5), "4294967295");
    EXPECT_EQ(text_of(6, 0, bits(std::numeric_limits<int64_t>::min()), 8), "-9223372036854775808");
    EXPECT_EQ(text_of(6, 2, bits(std::numeric_limits<int64_t>::min()), 8), "-92233720368547758.08");
    EXPECT_EQ(text_of(6, 0, 42, 0), "0");
    // Wider than 8 bytes: the low 8 bytes are read.
    EXPECT_EQ(text_of(6, 0, bits(-3), 12), "-3");
    EXPECT_EQ(text_of(7, 0, std::numeric_limits<uint64_t>::max(), 8), "18446744073709551615");
    EXPECT_EQ(text_of(7, 0, std::numeric_limits<uint64_t>::max(), 16), "18446744073709551615");
    // Unlisted codes below 21 are signed integers.
    EXPECT_EQ(text_of(20, 0, 0xFE, 1), "-2");
}

TEST(IntegerForm, KindFourStoresPlusOne) {
    EXPECT_EQ(text_of(6, 0, 0, 4, true), "");
    EXPECT_EQ(text_of(6, 0, 1, 4, true), "0");
    EXPECT_EQ(text_of(6, 0, 6, 4, true), "5");
    EXPECT_EQ(text_of(6, 2, 6, 4, true), ".05");
    EXPECT_EQ(text_of(6, 2, 1, 4, true), "0.00");
    EXPECT_EQ(text_of(7, 0, 0, 2, true), "");
    EXPECT_EQ(text_of(7, 0, 0xFFFF, 2, true), "65534");
    EXPECT_EQ(text_of(6, 0, bits(std::numeric_limits<int64_t>::min()), 8, true),
              "-9223372036854775808");
}

TEST(ValueText, DatesTimesAndReferences) {
    DateOrder order(nullptr);
    EXPECT_EQ(text_of(2, 0, 719544, 3), "01.01.1970");
    EXPECT_EQ(text_of(2, 0, 381, 3), "");
    EXPECT_EQ(text_of(2, 0, 719544 | (uint64_t{0xAB} << 24), 4), "01.01.1970");  // 3 bytes only
    EXPECT_EQ(text_of(3, 0, 3600 * 25 + 1, 3), "01:00:00");
    EXPECT_EQ(text_of(3, 0, 3, 4), "01.01.1970 00:00:01");
    EXPECT_EQ(text_of(3, 0, 86401, 8), "02.01.1970 ");
    EXPECT_EQ(text_of(4, 0, bits(-1), 4), "#-1");
    EXPECT_EQ(text_of(4, 0, 42, 2, true), "#42");  // references are not stored plus one
    EXPECT_EQ(text_of(4, 0, uint64_t{1} << 40, 8), "#1099511627776");
    EXPECT_EQ(text_of(5, 2, 0xFFFF | (uint64_t{7} << 16), 6), "#65535:7");
    EXPECT_EQ(text_of(5, 4, 0xFFFFFFFF, 8), "#4294967295:0");
    EXPECT_EQ(text_of(5, 9, 0x0102, 2), "#258:0");  // first part wider than the value
}

TEST(ValueText, Floats) {
    auto float_bytes = [](float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return uint64_t{u};
    };
    auto double_bytes = [](double f) {
        uint64_t u;
        std::memcpy(&u, &f, 8);
        return u;
    };
    EXPECT_EQ(text_of(8, 2, float_bytes(1.5f), 4), "1.50");
    EXPECT_EQ(text_of(8, 9, float_bytes(1.5f), 4), "1.500000");
    EXPECT_EQ(text_of(9, 15, double_bytes(0.25), 8), "0.250000000000000");
    EXPECT_EQ(text_of(9, 3, double_bytes(-1.0 / 3.0), 8), "-0.333");
    // A long form is not cut to any fixed buffer.
    EXPECT_EQ(text_of(9, 15, double_bytes(1e308), 8).size(), 309u + 1u + 15u);
    EXPECT_EQ(text_of(8, 1, 0, 2), "0.0");  // short width: missing bytes read as zero
}

TEST(ValueText, CodesWithoutTextAndMissingBytes) {
    std::string out = "stale";
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(bank::value_text(21, 0, 8, bytes, 8, false, out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(bank::value_text(255, 0, 8, bytes, 8, false, out));
    for (uint8_t type = 0; type < 21; ++type) {
        EXPECT_TRUE(bank::value_text(type, 0x0F, 500, nullptr, 500, false, out)) << int{type};
        EXPECT_TRUE(bank::value_text(type, 0x0F, 0, bytes, 8, true, out)) << int{type};
        // A width beyond the bytes given reads no further than them.
        EXPECT_TRUE(bank::value_text(type, 0x0F, 0xFFFF, bytes, 8, false, out)) << int{type};
    }
}

}  // namespace
