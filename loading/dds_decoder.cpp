#include "loading/dds_decoder.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 128;
constexpr uint32_t kMagic = 0x20534444;  // "DDS "
constexpr uint32_t kFlagFourCC = 0x4;
constexpr uint32_t kFlagsRgb = 0x40;
constexpr uint32_t kFlagsRgba = 0x41;

uint32_t u32(const unsigned char* p) {
    return p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t four_cc(const char (&s)[5]) {
    return static_cast<uint32_t>(s[0]) | (static_cast<uint32_t>(s[1]) << 8) |
           (static_cast<uint32_t>(s[2]) << 16) | (static_cast<uint32_t>(s[3]) << 24);
}

enum class Variant { kRgb24, kRgba32, kDxt1, kDxt3, kDxt5 };

// One channel of an uncompressed pixel: its mask's shift and maximum value.
struct Channel {
    int shift = 0;
    uint32_t max = 0;  // 0: the channel is absent

    explicit Channel(uint32_t mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        max = mask >> shift;
    }
    // The channel's value widened or narrowed to 8 bits.
    unsigned char from(uint32_t pixel) const {
        const uint32_t v = (pixel >> shift) & max;
        if (max == 255) return static_cast<unsigned char>(v);
        return static_cast<unsigned char>((static_cast<uint64_t>(v) * 255 + max / 2) / max);
    }
};

void decode_uncompressed(const unsigned char* in, unsigned char* out, size_t pixels, size_t bpp,
                         const unsigned char* header) {
    uint32_t red = u32(header + 92), green = u32(header + 96), blue = u32(header + 100);
    uint32_t alpha = bpp == 4 ? u32(header + 104) : 0;
    if (red == 0 && green == 0 && blue == 0) {
        // No masks: the bytes are red, green, blue (and alpha) in memory order.
        red = 0xFF;
        green = 0xFF00;
        blue = 0xFF0000;
        alpha = bpp == 4 ? 0xFF000000u : 0;
    }
    const Channel r(red), g(green), b(blue), a(alpha);
    for (size_t i = 0; i < pixels; ++i, in += bpp, out += 4) {
        const uint32_t p = bpp == 4 ? u32(in)
                                    : in[0] | (static_cast<uint32_t>(in[1]) << 8) |
                                          (static_cast<uint32_t>(in[2]) << 16);
        out[0] = r.max ? r.from(p) : 0;
        out[1] = g.max ? g.from(p) : 0;
        out[2] = b.max ? b.from(p) : 0;
        out[3] = a.max ? a.from(p) : 255;
    }
}

struct Rgb {
    unsigned r, g, b;
};

Rgb widen_565(unsigned c) {
    return {(c >> 11) << 3, ((c >> 5) << 2) & 255, (c << 3) & 255};
}

// Decodes one 4 x 4 block at (x, y), writing only the pixels inside the image.
void decode_block(const unsigned char* block, Variant variant, unsigned char* out, int width,
                  int height, int x, int y) {
    unsigned char alpha[16];
    const unsigned char* colour = block;
    if (variant == Variant::kDxt3) {
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = (bits << 8) | block[i];
        for (int i = 0; i < 16; ++i, bits >>= 4)
            alpha[i] = static_cast<unsigned char>((bits & 15) << 4);
        colour = block + 8;
    } else if (variant == Variant::kDxt5) {
        const unsigned a0 = block[0], a1 = block[1];
        uint64_t bits = 0;
        for (int i = 7; i >= 2; --i) bits = (bits << 8) | block[i];
        for (int i = 0; i < 16; ++i, bits >>= 3) {
            const unsigned index = bits & 7;
            unsigned value;
            if (index == 0) {
                value = a0;
            } else if (index == 1) {
                value = a1;
            } else if (a0 > a1) {
                value = ((8 - index) * a0 + (index - 1) * a1) / 7;
            } else if (index <= 5) {
                value = ((6 - index) * a0 + (index - 1) * a1) / 5;
            } else {
                value = index == 6 ? 0 : 255;
            }
            alpha[i] = static_cast<unsigned char>(value);
        }
        colour = block + 8;
    }

    const unsigned c0 = colour[0] | (colour[1] << 8);
    const unsigned c1 = colour[2] | (colour[3] << 8);
    Rgb palette[4] = {widen_565(c0), widen_565(c1), {}, {}};
    if (c0 > c1) {
        palette[2] = {(2 * palette[0].r + palette[1].r) / 3, (2 * palette[0].g + palette[1].g) / 3,
                      (2 * palette[0].b + palette[1].b) / 3};
        palette[3] = {(palette[0].r + 2 * palette[1].r) / 3, (palette[0].g + 2 * palette[1].g) / 3,
                      (palette[0].b + 2 * palette[1].b) / 3};
    } else {
        palette[2] = {(palette[0].r + palette[1].r) / 2, (palette[0].g + palette[1].g) / 2,
                      (palette[0].b + palette[1].b) / 2};
        palette[3] = {0, 0, 0};
    }

    for (int row = 0; row < 4 && y + row < height; ++row) {
        const unsigned bits = colour[4 + row];
        unsigned char* line = out + (static_cast<size_t>(y + row) * static_cast<size_t>(width) +
                                     static_cast<size_t>(x)) *
                                        4;
        for (int col = 0; col < 4 && x + col < width; ++col) {
            const unsigned index = (bits >> (2 * col)) & 3;
            unsigned char* px = line + 4 * col;
            px[0] = static_cast<unsigned char>(palette[index].r);
            px[1] = static_cast<unsigned char>(palette[index].g);
            px[2] = static_cast<unsigned char>(palette[index].b);
            if (variant == Variant::kDxt1) {
                px[3] = index == 3 && c0 <= c1 ? 0 : 255;
            } else {
                px[3] = alpha[row * 4 + col];
            }
        }
    }
}

}  // namespace

loading::PixelBuffer loading::decode_dds(const unsigned char* data, size_t size,
                                         const std::string& path, int& width, int& height,
                                         int max_side) {
    if (data == nullptr || size < 4 || u32(data) != kMagic) {
        std::fprintf(stderr, "Texture::load_dds(): wrong magic in \"%s\" file\n", path.c_str());
        return nullptr;
    }
    if (size < kHeaderSize) {
        std::fprintf(stderr, "Texture::load_dds(): \"%s\" is too short for a header\n",
                     path.c_str());
        return nullptr;
    }
    const uint32_t raw_height = u32(data + 12);
    const uint32_t raw_width = u32(data + 16);
    height = static_cast<int>(raw_height);
    width = static_cast<int>(raw_width);
    const uint32_t flags = u32(data + 80);
    const uint32_t code = u32(data + 84);
    const uint32_t bit_count = u32(data + 88);

    Variant variant;
    if ((flags & kFlagFourCC) != 0 && code == four_cc("DXT1")) {
        variant = Variant::kDxt1;
    } else if ((flags & kFlagFourCC) != 0 && code == four_cc("DXT3")) {
        variant = Variant::kDxt3;
    } else if ((flags & kFlagFourCC) != 0 && code == four_cc("DXT5")) {
        variant = Variant::kDxt5;
    } else if ((flags & kFlagFourCC) != 0 && (code == four_cc("DXT2") || code == four_cc("DXT4"))) {
        std::fprintf(stderr, "Texture::load_dds(): DXT2 or DXT4 is not supported in \"%s\" file\n",
                     path.c_str());
        return nullptr;
    } else if (flags == kFlagsRgb && bit_count == 24) {
        variant = Variant::kRgb24;
    } else if (flags == kFlagsRgba && bit_count == 32) {
        variant = Variant::kRgba32;
    } else {
        std::fprintf(stderr, "Texture::load_dds(): unknown format of \"%s\" file\n", path.c_str());
        return nullptr;
    }

    if (raw_width > static_cast<uint32_t>(max_side) ||
        raw_height > static_cast<uint32_t>(max_side)) {
        std::fprintf(
            stderr,
            "Texture::load_dds(): \"%s\" of %u x %u is too large: sides above %d are not used\n",
            path.c_str(), raw_width, raw_height, max_side);
        return nullptr;
    }
    const size_t out_bytes = image_byte_count(width, height, 4);
    if (out_bytes == 0) {
        std::fprintf(stderr, "Texture::load_dds(): \"%s\" of %u x %u is empty\n", path.c_str(),
                     raw_width, raw_height);
        return nullptr;
    }
    const size_t pixels = out_bytes / 4;
    const size_t available = size - kHeaderSize;
    const unsigned char* in = data + kHeaderSize;

    size_t needed;
    if (variant == Variant::kRgb24 || variant == Variant::kRgba32) {
        needed = pixels * (variant == Variant::kRgb24 ? 3 : 4);
    } else {
        const size_t blocks = ((raw_width + 3) / 4) * static_cast<size_t>((raw_height + 3) / 4);
        needed = blocks * (variant == Variant::kDxt1 ? 8 : 16);
    }
    if (available < needed) {
        std::fprintf(stderr, "Texture::load_dds(): \"%s\" ends before its %u x %u pixels\n",
                     path.c_str(), raw_width, raw_height);
        return nullptr;
    }

    PixelBuffer result = allocate_bytes(out_bytes);
    if (!result) return nullptr;
    if (variant == Variant::kRgb24 || variant == Variant::kRgba32) {
        decode_uncompressed(in, result.get(), pixels, variant == Variant::kRgb24 ? 3 : 4, data);
        return result;
    }
    const size_t block_size = variant == Variant::kDxt1 ? 8 : 16;
    for (int y = 0; y < height; y += 4) {
        for (int x = 0; x < width; x += 4, in += block_size)
            decode_block(in, variant, result.get(), width, height, x, y);
    }
    return result;
}
