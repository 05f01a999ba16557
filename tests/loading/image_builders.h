#pragma once
// Builders of image files for the loading tests: TGA and DDS bytes written by hand, JPEG and PNG
// through the libraries' encoders.
#include <cstdint>
#include <string>
#include <vector>

#include "loading/pixel_buffer.h"

namespace testimg {

using Bytes = std::vector<unsigned char>;

// A decoded image and its RGBA pixel at (x, y), rows from the top.
struct Decoded {
    loading::PixelBuffer pixels;
    int width = -1, height = -1;
    Bytes at(int x, int y) const {
        const unsigned char* p = pixels.get() + (static_cast<size_t>(y) * width + x) * 4;
        return Bytes(p, p + 4);
    }
};

void put16(Bytes& b, size_t at, unsigned v);
void put32(Bytes& b, size_t at, uint32_t v);

// An 18-byte TGA header.
Bytes tga_header(int type, int width, int height, int depth, int descriptor);

// A 128-byte DDS header; `four_cc` is used when non-empty.
Bytes dds_header(int width, int height, uint32_t flags, const char* four_cc, uint32_t bit_count);

// JPEG of `components` (1 or 3) samples a pixel, rows from the top.
Bytes encode_jpeg(const Bytes& samples, int width, int height, int components, int quality = 95,
                  bool progressive = false);

struct PngOptions {
    int colour_type;  // PNG_COLOR_TYPE_*
    int bit_depth;
    std::vector<unsigned char> palette = {};  // RGB triples for palette images
    std::vector<unsigned char> trns = {};     // palette alphas (palette images)
    double gamma = 0;                         // written as gAMA when non-zero
    bool interlaced = false;                  // Adam7
};
// PNG of `rows` already packed for the colour type and depth (16-bit samples big-endian).
Bytes encode_png(const std::vector<Bytes>& rows, int width, int height, const PngOptions& options);

// Decodes JPEG bytes to RGB (or grey) with the library's defaults, for comparisons.
Bytes reference_jpeg_decode(const Bytes& jpeg, int& components);

void write_file(const std::string& path, const Bytes& bytes);

// A fresh empty folder below the system's temporary folder.
std::string make_temp_folder();

}  // namespace testimg
