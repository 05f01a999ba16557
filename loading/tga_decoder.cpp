#include "loading/tga_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 18;
constexpr int kTypeTrueColour = 2;
constexpr int kTypeRunLength = 10;
constexpr unsigned kTopFirst = 0x20;

unsigned u16(const unsigned char* p) {
    return p[0] | (static_cast<unsigned>(p[1]) << 8);
}

// Writes one stored pixel (blue, green, red[, alpha]) as red, green, blue, alpha.
inline void put_pixel(unsigned char* out, const unsigned char* in, size_t bpp) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = bpp == 4 ? in[3] : 255;
}

// True when the packets from `in` produce at least `pixels` pixels before the data ends.
bool run_length_data_complete(const unsigned char* in, const unsigned char* end, size_t pixels,
                              size_t bpp) {
    size_t produced = 0;
    while (produced < pixels) {
        if (in >= end) return false;
        const unsigned header = *in++;
        const size_t count = (header & 0x7F) + 1;
        const size_t stored = header >= 128 ? bpp : count * bpp;
        if (static_cast<size_t>(end - in) < stored) {
            // A literal packet that is cut by the end of the file still counts the pixels that
            // are there, so a last packet reaching past the image decodes.
            if (header >= 128) return false;
            produced += static_cast<size_t>(end - in) / bpp;
            return produced >= pixels;
        }
        in += stored;
        produced += count;
    }
    return true;
}

void decode_run_length(const unsigned char* in, unsigned char* out, size_t pixels, size_t bpp) {
    size_t produced = 0;
    while (produced < pixels) {
        const unsigned header = *in++;
        size_t count = (header & 0x7F) + 1;
        if (count > pixels - produced) count = pixels - produced;  // cut at the image end
        if (header >= 128) {
            for (size_t i = 0; i < count; ++i) put_pixel(out + 4 * (produced + i), in, bpp);
            in += bpp;
        } else {
            for (size_t i = 0; i < count; ++i)
                put_pixel(out + 4 * (produced + i), in + bpp * i, bpp);
            in += bpp * count;
        }
        produced += count;
    }
}

}  // namespace

loading::PixelBuffer loading::decode_tga(const unsigned char* data, size_t size, int& width,
                                         int& height, int max_side) {
    if (data == nullptr || size < kHeaderSize) {
        std::fprintf(stderr, "Texture::load_tga(): %zu bytes are too short for a header\n", size);
        return nullptr;
    }
    const unsigned id_length = data[0];
    const unsigned colour_map_type = data[1];
    const unsigned image_type = data[2];
    const unsigned colour_map_length = u16(data + 5);
    const unsigned colour_map_entry_bits = data[7];
    width = static_cast<int>(u16(data + 12));
    height = static_cast<int>(u16(data + 14));
    const unsigned depth = data[16];
    const unsigned descriptor = data[17];

    if (depth != 24 && depth != 32) {
        std::fprintf(stderr, "Texture::load_tga(): only 24 and 32 bpp images are suported\n");
        return nullptr;
    }
    if (image_type != kTypeTrueColour && image_type != kTypeRunLength) {
        std::fprintf(stderr,
                     "Texture::load_tga(): image type %u is not supported (only 2 and 10)\n",
                     image_type);
        return nullptr;
    }
    if (width > max_side || height > max_side) {
        std::fprintf(
            stderr,
            "Texture::load_tga(): image of %d x %d is too large: sides above %d are not used\n",
            width, height, max_side);
        return nullptr;
    }
    const size_t out_bytes = image_byte_count(width, height, 4);
    if (out_bytes == 0) {
        std::fprintf(stderr, "Texture::load_tga(): image of %d x %d is empty\n", width, height);
        return nullptr;
    }

    const size_t bpp = depth / 8;
    const size_t pixels = out_bytes / 4;
    size_t offset = kHeaderSize + id_length;
    if (colour_map_type == 1)
        offset += static_cast<size_t>(colour_map_length) * ((colour_map_entry_bits + 7) / 8);
    const unsigned char* in = data + std::min(offset, size);
    const unsigned char* end = data + size;
    if (offset > size ||
        (image_type == kTypeTrueColour ? static_cast<size_t>(end - in) / bpp < pixels
                                       : !run_length_data_complete(in, end, pixels, bpp))) {
        std::fprintf(stderr, "Texture::load_tga(): the file ends before its %d x %d pixels\n",
                     width, height);
        return nullptr;
    }

    PixelBuffer result = allocate_bytes(out_bytes);
    if (!result) return nullptr;
    unsigned char* out = result.get();
    if (image_type == kTypeTrueColour) {
        for (size_t i = 0; i < pixels; ++i) put_pixel(out + 4 * i, in + bpp * i, bpp);
    } else {
        decode_run_length(in, out, pixels, bpp);
    }
    if ((descriptor & kTopFirst) == 0) flip_rows(out, width, height);
    return result;
}
