#include "loading/tga_decoder.h"

#include <gtest/gtest.h>

#include "tests/loading/image_builders.h"

using testimg::Bytes;

namespace {

// The decoded RGBA bytes, or {} for no image; `width` receives the reported width.
Bytes decode(const Bytes& header, const Bytes& body, int* width = nullptr) {
    Bytes file = header;
    file.insert(file.end(), body.begin(), body.end());
    int w = -1, h = -1;
    loading::PixelBuffer p = loading::decode_tga(file.data(), file.size(), w, h);
    if (width != nullptr) *width = w;
    return p ? Bytes(p.get(), p.get() + static_cast<size_t>(w) * h * 4) : Bytes{};
}

Bytes tga(int type, int w, int h, int depth, int descriptor = 0x20) {
    return testimg::tga_header(type, w, h, depth, descriptor);
}

}  // namespace

TEST(TgaDecoder, TrueColourAndRowOrder) {
    EXPECT_EQ(decode(tga(2, 2, 1, 24), {10, 20, 30, 1, 2, 3}),
              (Bytes{30, 20, 10, 255, 3, 2, 1, 255}));
    EXPECT_EQ(decode(tga(2, 1, 1, 32), {10, 20, 30, 40}), (Bytes{30, 20, 10, 40}));
    // Descriptor 0x00: the first stored row is the bottom one.
    EXPECT_EQ(decode(tga(2, 1, 2, 24, 0x00), {1, 1, 1, 2, 2, 2}),
              (Bytes{2, 2, 2, 255, 1, 1, 1, 255}));
}

TEST(TgaDecoder, RunLengthPacketsAreCutAtTheImageEnd) {
    // 0x83: one pixel 4 times; 0x01: 2 literals; the run goes on into the second row.
    EXPECT_EQ(decode(tga(10, 3, 2, 32), {0x83, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12}),
              (Bytes{3, 2, 1, 4, 3, 2, 1, 4, 3, 2, 1, 4, 3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12}));
    EXPECT_EQ(decode(tga(10, 2, 1, 24), {0xFF, 1, 2, 3}), (Bytes{3, 2, 1, 255, 3, 2, 1, 255}));
    EXPECT_EQ(decode(tga(10, 1, 1, 24), {0x03, 1, 2, 3}), (Bytes{3, 2, 1, 255}));
}

TEST(TgaDecoder, ColourMapDataIsSkipped) {
    Bytes h = tga(2, 1, 1, 24);
    h[0] = 2;                 // ID of two bytes
    h[1] = 1;                 // colour map present:
    testimg::put16(h, 5, 3);  // 3 entries
    h[7] = 15;                // of 2 bytes each
    EXPECT_EQ(decode(h, {0, 0, 9, 9, 9, 9, 9, 9, 10, 20, 30}), (Bytes{30, 20, 10, 255}));
}

TEST(TgaDecoder, RefusedAndShortFilesGiveNoImage) {
    testing::internal::CaptureStderr();
    int width = 0;
    EXPECT_EQ(decode(tga(2, 1, 1, 16), {1, 2}, &width), Bytes{});
    EXPECT_EQ(width, 1);  // the header's size is reported all the same
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load_tga(): only 24 and 32 bpp images are suported\n");
    // Each refusal says why in one line.
    const std::string cut = "Texture::load_tga(): the file ends before its ";
    for (const auto& [header, body, message] : std::vector<std::tuple<Bytes, Bytes, std::string>>{
             {tga(1, 1, 1, 24),
              {1, 2, 3},
              "Texture::load_tga(): image type 1 is not supported (only 2 and 10)\n"},
             {tga(2, 0, 5, 24), {}, "Texture::load_tga(): image of 0 x 5 is empty\n"},
             {tga(2, 2, 2, 24), Bytes(11, 0), cut + "2 x 2 pixels\n"},      // one byte short
             {tga(10, 4, 1, 24), {0x83, 1, 2}, cut + "4 x 1 pixels\n"},     // run pixel cut
             {tga(10, 4, 1, 24), {0x82, 1, 2, 3}, cut + "4 x 1 pixels\n"},  // one pixel missing
             // A run-length signature claiming 23170 x 23170 is refused before decoding.
             {tga(10, 23170, 23170, 32),
              {0xFF, 1, 2, 3, 4},
              "Texture::load_tga(): image of 23170 x 23170 is too large: sides above 4096 are "
              "not used\n"},
             {Bytes(17, 0), {}, "Texture::load_tga(): 17 bytes are too short for a header\n"}}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(decode(header, body), Bytes{});
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
    }
}
