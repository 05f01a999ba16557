#include "bank/key_compare.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "bank/bank_format.h"
#include "bank/storage_file.h"
#include "bank/value_text.h"

namespace bank {
namespace {

struct WeightState {
    std::string path = "/usr/local/lib/.weight";
    bool loaded = false;
    uint8_t table[256] = {};
};

WeightState& weights() {
    static WeightState state;
    return state;
}

void load_weights(WeightState& w) {
    for (int i = 0; i < 256; ++i)
        w.table[i] = static_cast<uint8_t>(i >= 'a' && i <= 'z' ? i - 32 : i);
    if (FILE* f = path_is_readable(w.path) ? std::fopen(w.path.c_str(), "rb") : nullptr) {
        uint8_t file_table[256];
        if (std::fread(file_table, 1, sizeof file_table, f) == sizeof file_table)
            std::memcpy(w.table, file_table, sizeof file_table);
        std::fclose(f);
    }
    w.loaded = true;
}

int sign(int64_t d) {
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

template <typename T>
int order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Copies up to `width` bytes (at most 8) of a value into a zero-padded 8-byte block.
void widen(const ValueBytes& v, size_t width, uint8_t out[8]) {
    std::memset(out, 0, 8);
    if (v.data != nullptr) std::memcpy(out, v.data, std::min({v.size, width, size_t(8)}));
}

// A stored float of sizeof(T) bytes (missing bytes read as zero).
template <typename T>
T float_part(const ValueBytes& v) {
    uint8_t bytes[8];
    widen(v, sizeof(T), bytes);
    T x;
    std::memcpy(&x, bytes, sizeof(T));
    return x;
}

int64_t signed_part(const ValueBytes& v, size_t offset, size_t width) {
    uint8_t b[8];
    ValueBytes part{v.data && v.size > offset ? v.data + offset : nullptr,
                    v.size > offset ? v.size - offset : 0};
    widen(part, width, b);
    return load_int(b, std::min(width, size_t(8)));
}

uint64_t unsigned_part(const ValueBytes& v, size_t offset, size_t width) {
    uint8_t b[8];
    ValueBytes part{v.data && v.size > offset ? v.data + offset : nullptr,
                    v.size > offset ? v.size - offset : 0};
    widen(part, width, b);
    return load_uint(b, std::min(width, size_t(8)));
}

const uint8_t kEmpty[1] = {0};

// Parses a whole decimal (or "0x" hexadecimal) integer; false when the text is not one.
bool parse_integer(const char* text, bool is_signed, uint64_t& out) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == '\0') return false;
    const char* digits = text;
    bool negative = false;
    if (*digits == '-' || *digits == '+') negative = *digits++ == '-';
    int base = 10;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) base = 16;
    errno = 0;
    char* end = nullptr;
    if (is_signed || negative) {
        long long v = std::strtoll(text, &end, base);
        out = static_cast<uint64_t>(v);
    } else {
        out = std::strtoull(text, &end, base);
    }
    if (end == text || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0';
}

}  // namespace

const uint8_t* weight_table() {
    WeightState& w = weights();
    if (!w.loaded) load_weights(w);
    return w.table;
}

void set_weight_file(const std::string& path) {
    weights().path = path;
    weights().loaded = false;
}

int weighted_compare(const uint8_t* a, const uint8_t* b, size_t n) {
    if (a == nullptr) return b != nullptr ? -1 : 0;
    if (b == nullptr) return 1;
    const uint8_t* w = weight_table();
    for (size_t i = 0; n == 0 || i < n; ++i) {
        int d = int(w[a[i]]) - int(w[b[i]]);
        if (d != 0 || a[i] == 0 || b[i] == 0) return sign(d);
    }
    return 0;
}

int weighted_compare_sized(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size,
                           size_t n) {
    if (a == nullptr) return b != nullptr ? -1 : 0;
    if (b == nullptr) return 1;
    const uint8_t* w = weight_table();
    for (size_t i = 0; n == 0 || i < n; ++i) {
        uint8_t x = i < a_size ? a[i] : 0, y = i < b_size ? b[i] : 0;
        int d = int(w[x]) - int(w[y]);
        if (d != 0 || x == 0 || y == 0) return sign(d);
    }
    return 0;
}

bool compares_as_text(uint8_t type) {
    return type == 1 || type >= 10 || type < 1;
}

int compare_values(const SlotKind& kind, const ValueBytes& key, const ValueBytes& value,
                   size_t prefix) {
    const size_t width = kind.width;
    switch (kind.type) {
        case 2:
            return order(unsigned_part(key, 0, 3), unsigned_part(value, 0, 3));
        case 3:
        case 4:
        case 6:
            return order(signed_part(key, 0, width), signed_part(value, 0, width));
        case 5: {
            size_t first = kind.flags & kFlagSmall;
            size_t second = width > first ? width - first : 0;
            int c = order(signed_part(key, 0, first), signed_part(value, 0, first));
            if (c != 0 || prefix != 0) return c;
            return order(unsigned_part(key, first, second), unsigned_part(value, first, second));
        }
        case 7:
            return order(unsigned_part(key, 0, width), unsigned_part(value, 0, width));
        case 8:
            return order(float_part<float>(key), float_part<float>(value));
        case 9:
            return order(float_part<double>(key), float_part<double>(value));
        default:
            break;
    }
    // Text. A missing value compares as an empty string.
    const uint8_t* a = key.data != nullptr ? key.data : kEmpty;
    const uint8_t* b = value.data != nullptr ? value.data : kEmpty;
    const size_t a_size = key.data != nullptr ? key.size : 0;
    const size_t b_size = value.data != nullptr ? value.size : 0;
    size_t n = prefix;
    // Fixed-width text compares at most the slot's width; variable-length texts compare whole
    // (their descriptor width is only the width of the reference to the value).
    if (n == 0 && !(kind.type >= 11 && kind.type <= 16)) {
        if (width == 0) return 0;  // nothing to compare
        n = width;
    }
    return weighted_compare_sized(a, a_size, b, b_size, n);
}

bool length_form(const uint8_t* text, size_t size, uint32_t field_width,
                 std::vector<uint8_t>& out) {
    uint64_t total = uint64_t(size) + field_width;
    if (field_width < 4 && total >= (uint64_t(1) << (8 * field_width))) return false;
    if (total > std::numeric_limits<uint32_t>::max()) return false;
    out.assign(field_width, 0);
    store_uint(out.data(), total, field_width);
    out.insert(out.end(), text, text + size);
    return true;
}

bool convert_key(const SlotKind& kind, const char* text, std::vector<uint8_t>& out) {
    out.clear();
    if (text == nullptr) text = "";
    const size_t width = kind.width;
    switch (kind.type) {
        case 2: {
            out.assign(width + 1, 0);
            store_uint(out.data(), static_cast<uint32_t>(parse_date(text)), width);
            return true;
        }
        case 3: {
            out.assign(width + 1, 0);
            store_uint(out.data(), static_cast<uint64_t>(parse_date_time(text)), width);
            return true;
        }
        case 4:
        case 6:
        case 7: {
            if (kind.type == 4 && *text == '#') ++text;
            uint64_t v = 0;
            if (!parse_integer(text, kind.type != 7, v)) return false;
            out.assign(width + 1, 0);
            store_uint(out.data(), v, width);
            return true;
        }
        case 5: {
            if (*text == '#') ++text;
            const char* colon = std::strchr(text, ':');
            const std::string first = colon ? std::string(text, size_t(colon - text)) : text;
            const std::string second = colon ? std::string(colon + 1) : std::string("0");
            uint64_t a = 0, b = 0;
            if (!parse_integer(first.c_str(), true, a) || !parse_integer(second.c_str(), true, b))
                return false;
            size_t d = kind.flags & kFlagSmall;
            if (d > width) d = width;
            out.assign(width + 1, 0);
            store_uint(out.data(), a, d);
            store_uint(out.data() + d, b, width - d);
            return true;
        }
        case 8:
        case 9: {
            char* end = nullptr;
            double v = std::strtod(text, &end);
            if (end == text) return false;
            while (*end == ' ' || *end == '\t') ++end;
            if (*end != '\0') return false;
            out.assign((kind.type == 8 ? 4 : 8) + 1, 0);
            if (kind.type == 8) {
                float f = static_cast<float>(v);
                std::memcpy(out.data(), &f, 4);
            } else {
                std::memcpy(out.data(), &v, 8);
            }
            return true;
        }
        default:
            break;
    }
    if (kind.type >= 17) return false;
    size_t len = std::strlen(text);
    if (kind.type == 0 || kind.type == 1 || kind.type == kTypeGroup) {
        // The key's first `width` bytes, padded with zeros.
        out.assign(width + 1, 0);
        std::memcpy(out.data(), text, std::min(len, width));
        return true;
    }
    // Variable-length texts and byte strings: the bare text.
    out.assign(text, text + len);
    out.push_back(0);
    return true;
}

}  // namespace bank
