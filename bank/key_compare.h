#pragma once
// Index order of bank values, shared by the reader's lookups and the writer's index building:
// the weight table for text, the comparison rule of every slot type and the conversion of key
// texts to the stored form of a slot's type.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bank {

// The 256-byte weight table: read once from the weight file when it can be opened (and holds
// 256 bytes), else the identity with 'a'..'z' weighing as 'A'..'Z'.
const uint8_t* weight_table();

// The weight file, "/usr/local/lib/.weight" unless changed. Changing it drops the loaded table.
void set_weight_file(const std::string& path);

// Weighted comparison of two NUL-terminated byte strings over at most n bytes (0 = no limit).
// A null pointer is a missing value: below any present one. Returns -1, 0 or +1.
int weighted_compare(const uint8_t* a, const uint8_t* b, size_t n);
// The same over sized byte ranges: the end of a range reads as a NUL.
int weighted_compare_sized(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size,
                           size_t n);

// A stored value or converted key: `size` bytes at `data` (the end reads as a NUL for text
// comparisons). data == nullptr is a missing value.
struct ValueBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// The slot's type, flags and width, as its descriptor gives them.
struct SlotKind {
    uint8_t type = 0;
    uint8_t flags = 0;
    uint16_t width = 0;
};

// Compares a key with a value of a slot of kind `kind` (key first; -1, 0, +1). `prefix` is the
// comparison length: the key's length for a prefix match, 0 otherwise (a type-5 key without a
// second part passes the slot's width). Text types compare the text parts: for types 11 and
// 13 both sides are the bare texts.
int compare_values(const SlotKind& kind, const ValueBytes& key, const ValueBytes& value,
                   size_t prefix);

// Whether values of this kind compare as text (weighted) rather than as numbers.
bool compares_as_text(uint8_t type);

// Converts a key text to the stored form used for comparisons with values of `kind`. Text
// types give the bare text; numbers their `width` little-endian bytes; dates and times their
// parsed values. Returns false for a key that cannot be converted (type codes from 17 up, or a
// text that is not a number for a number type). `out` holds the stored form followed by one NUL
// byte: the form's length is out.size() - 1.
bool convert_key(const SlotKind& kind, const char* text, std::vector<uint8_t>& out);

// The length-field layout of a text key or block item: a field of `field_width` bytes holding
// field_width plus the text's length, then the text. False when the length does not fit.
bool length_form(const uint8_t* text, size_t size, uint32_t field_width, std::vector<uint8_t>& out);

}  // namespace bank
