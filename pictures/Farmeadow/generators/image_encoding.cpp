#include "pictures/Farmeadow/generators/image_encoding.h"

#include <cstddef>

#include "loading/jpeg_writer.h"

namespace farmeadow {

std::vector<uint8_t> encode_jpeg(const Image& image, int quality) {
    if (static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
            static_cast<size_t>(image.channels) >
        image.pixels.size())
        return {};
    return loading::encode_jpeg(image.pixels.data(), image.width, image.height, image.channels,
                                {quality});
}

std::vector<uint8_t> encode_tga(const Image& image) {
    if (image.channels != 4 || image.width <= 0 || image.height <= 0 || image.width > 65535 ||
        image.height > 65535)
        return {};
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;  // uncompressed true colour
    bytes[12] = static_cast<uint8_t>(image.width & 0xFF);
    bytes[13] = static_cast<uint8_t>(image.width >> 8);
    bytes[14] = static_cast<uint8_t>(image.height & 0xFF);
    bytes[15] = static_cast<uint8_t>(image.height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;  // 8 alpha bits, top row first
    bytes.reserve(18 + image.pixels.size());
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        bytes.push_back(image.pixels[i + 2]);
        bytes.push_back(image.pixels[i + 1]);
        bytes.push_back(image.pixels[i]);
        bytes.push_back(image.pixels[i + 3]);
    }
    return bytes;
}

}  // namespace farmeadow
