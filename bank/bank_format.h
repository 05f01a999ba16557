#pragma once
// Byte layouts shared by the bank reader and the bank writer: magic numbers, descriptor fields,
// flags, tree-node sign coding and little-endian access.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace bank {

inline constexpr uint32_t kMagicKind5 = 0xE15ACE75u;
inline constexpr uint32_t kMagicKind4 = 0x1EA5318Bu;
inline constexpr uint32_t kMagicKind3a = 0x00538134u;
inline constexpr uint32_t kMagicKind3b = 0x00538136u;
inline constexpr uint32_t kMagicKind3c = 0xFFAC7ECCu;

inline int kind_of_magic(uint32_t magic) {
    switch (magic) {
        case kMagicKind5:
            return 5;
        case kMagicKind4:
            return 4;
        case kMagicKind3a:
        case kMagicKind3b:
        case kMagicKind3c:
            return 3;
        default:
            return 0;
    }
}

// Header file.
inline constexpr size_t kHeaderSlotCountOffset = 4;
inline constexpr size_t kHeaderMaskedOffset = 15;
inline constexpr uint8_t kMaskedLinksMark = 39;
inline constexpr size_t kHeaderDescriptorsOffset = 16;
inline constexpr size_t kDescriptorBytes = 16;

// Descriptor flags.
inline constexpr uint8_t kFlagBlockStore = 0x80;
inline constexpr uint8_t kFlagArrayBits = 0x60;
inline constexpr uint8_t kFlagOwnFile = 0x10;
inline constexpr uint8_t kFlagSmall = 0x0F;

inline constexpr uint8_t kTypeGroup = 10;
inline constexpr uint8_t kTypeText = 11;

inline bool is_array(uint8_t flags) {
    return ((flags >> 5) & 3) != 0;
}

// A value kept in "Bank.0": types above 10 and arrays, except a block-store type-11 slot.
inline bool is_variable_length(uint8_t type, uint8_t flags) {
    if (type == kTypeText && (flags & kFlagBlockStore)) return false;
    return type > kTypeGroup || is_array(flags);
}

// Width of a top-level slot's field in each "Main" entry.
inline uint32_t inline_width(uint8_t flags, uint16_t width) {
    if (flags & kFlagOwnFile) return 0;
    if ((flags & kFlagBlockStore) || is_array(flags)) return 4;
    return width;
}

// Width of the two length fields of a "Bank.0" record.
inline uint32_t record_length_width(uint8_t flags) {
    uint32_t w = flags & kFlagSmall;
    return (w == 0 || is_array(flags)) ? 4 : w;
}

// Width of the length field of a text key (types 11 and 13): 1 to 4, else 4.
inline uint32_t key_length_width(uint8_t flags) {
    uint32_t w = flags & kFlagSmall;
    return (w >= 1 && w <= 4) ? w : 4;
}

// "Main".
inline constexpr int64_t kMainHeadBytes = 32;
inline constexpr uint32_t kPrefixTree = 8;
inline constexpr uint32_t kPrefixBlockStore = 2;

// "_Storage".
inline constexpr int32_t kDefaultBlockSize = 4096;
inline constexpr int32_t kMinBlockSize = 64;
inline constexpr int32_t kMaxBlockSize = 1 << 20;
inline constexpr size_t kBlockHeadBytes = 32;
inline constexpr size_t kBlockCountOffset = 18;
inline constexpr size_t kBlockKeyWidthOffset = 20;
inline constexpr size_t kBlockKeyTypeOffset = 22;
inline constexpr size_t kBlockLengthWidthOffset = 23;

inline uint32_t block_length_width(uint8_t stored) {
    return (stored == 0 || stored > 4) ? 4 : stored;
}

// Little-endian access.
inline uint32_t load_u32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t load_i32(const uint8_t* p) {
    return static_cast<int32_t>(load_u32(p));
}
inline uint16_t load_u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline int16_t load_i16(const uint8_t* p) {
    return static_cast<int16_t>(load_u16(p));
}

// Unsigned number of `width` bytes (at most 8 used).
inline uint64_t load_uint(const uint8_t* p, size_t width) {
    if (width > 8) width = 8;
    uint64_t v = 0;
    for (size_t i = width; i-- > 0;) v = v << 8 | p[i];
    return v;
}
// Signed number of `width` bytes, sign-extended (at most 8 used).
inline int64_t load_int(const uint8_t* p, size_t width) {
    if (width > 8) width = 8;
    if (width == 0) return 0;
    uint64_t v = load_uint(p, width);
    if (width < 8 && (v >> (8 * width - 1)) & 1) v |= ~uint64_t(0) << (8 * width);
    return static_cast<int64_t>(v);
}

inline void store_uint(uint8_t* p, uint64_t v, size_t width) {
    for (size_t i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(i < 8 ? v >> (8 * i) : 0);
}
inline void store_u32(uint8_t* p, uint32_t v) {
    store_uint(p, v, 4);
}
inline void store_u16(uint8_t* p, uint16_t v) {
    store_uint(p, v, 2);
}

// A tree node: two signed 32-bit links whose signs carry the node's state.
// Both negative: absent. Only the left negative: balance -1. Only the right: balance +1.
struct TreeNode {
    int64_t left = 0;  // magnitudes (cadr or block numbers; 0 = no child)
    int64_t right = 0;
    int balance = 0;
    bool absent = false;
};

inline TreeNode decode_node(int32_t a, int32_t b) {
    TreeNode n;
    n.left = a < 0 ? -int64_t(a) : a;
    n.right = b < 0 ? -int64_t(b) : b;
    if (a < 0 && b < 0)
        n.absent = true;
    else if (a < 0)
        n.balance = -1;
    else if (b < 0)
        n.balance = 1;
    return n;
}

// Encodes links and balance. A balance of -1 or +1 needs the link on that side to be non-zero
// (a child exists on the heavier side), so the sign is always representable.
inline void encode_node(uint8_t* p, int32_t left, int32_t right, int balance) {
    store_u32(p, static_cast<uint32_t>(balance < 0 ? -left : left));
    store_u32(p + 4, static_cast<uint32_t>(balance > 0 ? -right : right));
}

}  // namespace bank
