#pragma once
// The generators' images in memory and their files: JPEG through libjpeg, 32-bit TGA written
// here. Rows are stored top row first.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace farmeadow {

struct Image {
    int width = 0, height = 0;
    int channels = 0;             // 1 grey, 3 RGB, 4 RGBA
    std::vector<uint8_t> pixels;  // width * height * channels, top row first

    Image() = default;
    Image(int w, int h, int c)
        : width(w), height(h), channels(c), pixels(static_cast<size_t>(w) * h * c, 0) {}
    uint8_t* at(int x, int y) {
        return pixels.data() + (static_cast<size_t>(y) * width + x) * channels;
    }
};

// A baseline JPEG of a grey or RGB image; empty when the image is neither or the encoder fails.
std::vector<uint8_t> encode_jpeg(const Image& image, int quality);

// An uncompressed 32-bit TGA (blue, green, red, alpha) of an RGBA image, stored top row first
// with 8 alpha bits; empty for any other image.
std::vector<uint8_t> encode_tga(const Image& image);

}  // namespace farmeadow
