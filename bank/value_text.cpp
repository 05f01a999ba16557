#include "bank/value_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace bank {

namespace {

constexpr int64_t kFirstDay = 382;     // 01.01.0001
constexpr int64_t kEpochDay = 719544;  // 01.01.1970
constexpr int64_t kSecondsPerDay = 86400;

// Cached date order: -1 not read yet, 0 day first, 1 month first.
int g_month_first = -1;

bool is_leap_year(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int month_length(int month, int64_t year) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && is_leap_year(year)) return 29;
    return kLengths[month - 1];
}

struct Date {
    int64_t day;
    int64_t month;
    int64_t year;
};

// The date of a day number of at least 382.
Date date_of(int64_t n) {
    const int64_t k = (4 * n - 301) / 146097;
    const int64_t a = ((4 * n - 146097 * k - 301) / 4) * 4;
    const int64_t b = (a + 3) / 1461;
    const int64_t a2 = ((a - 1461 * b + 7) / 4) * 5;
    const int64_t cm = (a2 - 3) / 153;
    Date date;
    date.year = 100 * k + b + (cm > 9 ? 1 : 0);
    date.month = cm > 9 ? cm - 9 : cm + 3;
    date.day = ((a2 - 3) % 153 + 5) / 5;
    return date;
}

// A stored value: `size` readable bytes. Bytes of the value's width beyond them read as zero,
// so no form reads past what it was given, whatever the width says.
struct StoredBytes {
    const uint8_t* data;
    size_t size;
    uint8_t at(size_t i) const { return i < size ? data[i] : 0; }
};

// Little-endian unsigned number of `count` bytes from `offset` (at most 8 are used).
uint64_t read_unsigned(StoredBytes bytes, size_t offset, size_t count) {
    if (count > 8) count = 8;
    uint64_t value = 0;
    for (size_t i = count; i > 0; --i) value = (value << 8) | bytes.at(offset + i - 1);
    return value;
}

// Little-endian signed number of the first `count` bytes, sign-extended (at most 8 are used).
int64_t read_signed(StoredBytes bytes, size_t count) {
    if (count > 8) count = 8;
    if (count == 0) return 0;
    uint64_t value = read_unsigned(bytes, 0, count);
    if (count < 8) {
        const uint64_t sign = uint64_t{1} << (8 * count - 1);
        if (value & sign) value |= ~((sign << 1) - 1);
    }
    return static_cast<int64_t>(value);
}

// The first sizeof(T) bytes as a float of type T.
template <typename T>
T read_float(StoredBytes bytes, size_t width) {
    uint8_t raw[sizeof(T)] = {};
    for (size_t i = 0; i < sizeof(T) && i < width; ++i) raw[i] = bytes.at(i);
    T f;
    std::memcpy(&f, raw, sizeof f);
    return f;
}

template <typename... Args>
std::string format(const char* fmt, Args... args) {
    char small[64];
    const int n = std::snprintf(small, sizeof small, fmt, args...);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), fmt, args...);
    big.resize(static_cast<size_t>(n));
    return big;
}

// Inserts "." before the last `decimals` characters.
std::string with_decimals(std::string text, int decimals) {
    if (decimals > 0 && text.size() >= static_cast<size_t>(decimals))
        text.insert(text.size() - static_cast<size_t>(decimals), 1, '.');
    return text;
}

// Integer form with `decimals` places: the number padded to `decimals` digits (one more when it
// is zero or negative, so that a zero or the sign stands before the point), then the point.
// Kind-4 banks store integers plus one: 0 means no value.
std::string signed_integer_text(int64_t x, int decimals, bool kind4) {
    if (kind4) {
        if (x == 0) return {};
        if (x > 0) --x;
    }
    if (decimals <= 0) return format("%lld", static_cast<long long>(x));
    const int pad = x > 0 ? decimals : decimals + 1;
    return with_decimals(format("%0*lld", pad, static_cast<long long>(x)), decimals);
}

std::string unsigned_integer_text(uint64_t x, int decimals, bool kind4) {
    if (kind4) {
        if (x == 0) return {};
        --x;
    }
    if (decimals <= 0) return format("%llu", static_cast<unsigned long long>(x));
    const int pad = x > 0 ? decimals : decimals + 1;
    return with_decimals(format("%0*llu", pad, static_cast<unsigned long long>(x)), decimals);
}

// Number of up to two digits at text[pos] (the text may end before); non-digits end it.
int two_digit_field(const char* text, size_t length, size_t pos) {
    int value = 0;
    for (size_t i = pos; i < pos + 2 && i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') break;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "hh:mm:ss" with any separators: seconds since midnight plus one.
int64_t parse_time(const char* text) {
    const size_t length = std::strlen(text);
    const int hours = two_digit_field(text, length, 0);
    const int minutes = two_digit_field(text, length, 3);
    const int seconds = two_digit_field(text, length, 6);
    return 3600 * int64_t{hours} + 60 * int64_t{minutes} + seconds + 1;
}

}  // namespace

int32_t day_number(int day, int month, int year) {
    if (day < 1 || month < 1 || month > 12 || year < 1) return 0;
    if (day > month_length(month, year)) return 0;
    const int64_t yc = month < 3 ? int64_t{year} - 1 : int64_t{year};
    const int64_t m = month;
    const int64_t n = (yc / 100) * 146097 / 4 + day + (153 * m - 457 + (m < 3 ? 1836 : 0)) / 5 +
                      (yc % 100) * 1461 / 4 + 75;
    if (n > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(n);
}

bool dates_month_first() {
    if (g_month_first < 0) {
        const char* tz = std::getenv("TZ");
        g_month_first = (tz != nullptr &&
                         (std::strstr(tz, "Canada") != nullptr || std::strstr(tz, "US") != nullptr))
                            ? 1
                            : 0;
    }
    return g_month_first == 1;
}

void reset_date_order_for_tests() {
    g_month_first = -1;
}

std::string date_text(uint32_t day) {
    const int64_t n = day & 0xFFFFFFu;
    if (n < kFirstDay) return {};
    const Date d = date_of(n);
    const int dd = static_cast<int>(d.day);
    const int mm = static_cast<int>(d.month);
    const int yy = static_cast<int>(d.year);
    if (dates_month_first()) return format("%02d/%02d/%04d", mm, dd, yy);
    return format("%02d.%02d.%04d", dd, mm, yy);
}

std::string time_of_day_text(uint64_t value) {
    if (value < 2) return {};
    const uint64_t s = value - 1;
    const int hours = static_cast<int>((s / 3600) % 24);
    const int minutes = static_cast<int>(((s % 3600) / 60) % 60);
    const int seconds = static_cast<int>(s % 60);
    return format("%02d:%02d:%02d", hours, minutes, seconds);
}

std::string date_time_text(int64_t value) {
    if (value < 2) return {};
    const uint64_t v = static_cast<uint64_t>(value) - 1;
    const uint64_t day = v / kSecondsPerDay + kEpochDay;
    std::string text = date_text(static_cast<uint32_t>(day & 0xFFFFFFu));
    text += ' ';
    text += time_of_day_text(v % kSecondsPerDay);
    return text;
}

int32_t parse_date(const char* text) {
    if (text == nullptr || text[0] == '\0' || text[1] == '\0') return 0;
    bool month_first;
    if (text[2] == '/')
        month_first = true;
    else if (text[2] == '.')
        month_first = false;
    else
        month_first = dates_month_first();
    int a = 0, b = 0, year = 0;
    if (std::sscanf(text, "%2d%*c%2d%*c%4d", &a, &b, &year) != 3) return 0;
    return month_first ? day_number(b, a, year) : day_number(a, b, year);
}

int64_t parse_date_time(const char* text) {
    if (text == nullptr) return 0;
    while (*text == ' ') ++text;
    if (*text == '\0') return 0;
    const size_t length = std::strlen(text);
    if (length < 10) return parse_time(text);
    char date[11];
    std::memcpy(date, text, 10);
    date[10] = '\0';
    int64_t d = (int64_t{parse_date(date)} - kEpochDay) * kSecondsPerDay;
    if (d < 0) d = 0;
    if (text[10] == ' ') {
        const char* time = text + 11;
        while (*time == ' ') ++time;
        if (*time != '\0') d += parse_time(time);
    }
    return d + 1;
}

bool value_text(uint8_t type, uint8_t flags, uint16_t width, const uint8_t* data, size_t size,
                bool kind4, std::string& out) {
    out.clear();
    if (type >= 21) return false;
    const StoredBytes bytes{data, data != nullptr ? size : 0};
    const size_t w = width;
    const int decimals = flags & 0x0F;
    switch (type) {
        case 2:
            out = date_text(static_cast<uint32_t>(read_unsigned(bytes, 0, w < 3 ? w : 3)));
            break;
        case 3:
            if (w == 3)
                out = time_of_day_text(read_unsigned(bytes, 0, 3));
            else
                out = date_time_text(read_signed(bytes, w));
            break;
        case 4:
            out = format("#%lld", static_cast<long long>(read_signed(bytes, w)));
            break;
        case 5: {
            const size_t first =
                static_cast<size_t>(decimals) < w ? static_cast<size_t>(decimals) : w;
            const uint64_t a = read_unsigned(bytes, 0, first);
            const uint64_t b = read_unsigned(bytes, first, w - first);
            out = format("#%llu:%llu", static_cast<unsigned long long>(a),
                         static_cast<unsigned long long>(b));
            break;
        }
        case 7:
            out = unsigned_integer_text(read_unsigned(bytes, 0, w), decimals, kind4);
            break;
        case 8:
            out = format("%.*f", decimals > 6 ? 6 : decimals,
                         static_cast<double>(read_float<float>(bytes, w)));
            break;
        case 9:
            out = format("%.*f", decimals, read_float<double>(bytes, w));
            break;
        default:
            out = signed_integer_text(read_signed(bytes, w), decimals, kind4);
            break;
    }
    return true;
}

}  // namespace bank
