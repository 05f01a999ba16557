#include "loading/tga_decoder.h"

#include <gtest/gtest.h>

#include "tests/loading/image_builders.h"

using testimg::Bytes;

namespace {

struct Decoded {
    loading::PixelBuffer pixels;
    int width = -1;
    int height = -1;
    Bytes rgba() const {
        if (!pixels) return {};
        return Bytes(pixels.get(), pixels.get() + static_cast<size_t>(width) * height * 4);
    }
};

Decoded decode(const Bytes& file) {
    Decoded d;
    d.pixels = loading::decode_tga(file.data(), file.size(), d.width, d.height);
    return d;
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(TgaDecoder, Uncompressed24And32BitPixelsBecomeRgba) {
    Decoded d24 = decode(concat(testimg::tga_header(2, 2, 1, 24, 0x20), {10, 20, 30, 1, 2, 3}));
    EXPECT_EQ(d24.width, 2);
    EXPECT_EQ(d24.height, 1);
    EXPECT_EQ(d24.rgba(), (Bytes{30, 20, 10, 255, 3, 2, 1, 255}));

    Decoded d32 = decode(concat(testimg::tga_header(2, 1, 1, 32, 0x20), {10, 20, 30, 40}));
    EXPECT_EQ(d32.rgba(), (Bytes{30, 20, 10, 40}));
}

TEST(TgaDecoder, DescriptorBit5ChoosesTheRowOrder) {
    const Bytes rows = {1, 1, 1, 2, 2, 2};  // first stored row, second stored row
    Decoded bottom_first = decode(concat(testimg::tga_header(2, 1, 2, 24, 0x00), rows));
    EXPECT_EQ(bottom_first.rgba(), (Bytes{2, 2, 2, 255, 1, 1, 1, 255}));
    Decoded top_first = decode(concat(testimg::tga_header(2, 1, 2, 24, 0x20), rows));
    EXPECT_EQ(top_first.rgba(), (Bytes{1, 1, 1, 255, 2, 2, 2, 255}));
}

TEST(TgaDecoder, RunLengthRunsAndLiterals) {
    // 0x83: one pixel written 4 times; 0x03: 4 literal pixels. 32-bit, 8 x 1.
    Bytes data = {0x83, 1,  2,  3,  4,  0x03, 5,  6,  7,  8,  9,
                  10,   11, 12, 13, 14, 15,   16, 17, 18, 19, 20};
    Decoded d = decode(concat(testimg::tga_header(10, 8, 1, 32, 0x20), data));
    ASSERT_TRUE(d.pixels);
    const Bytes expected = {3, 2, 1, 4, 3,  2,  1, 4,  3,  2,  1,  4,  3,  2,  1,  4,
                            7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16, 19, 18, 17, 20};
    EXPECT_EQ(d.rgba(), expected);

    // 24-bit run across a row boundary, bottom-first rows.
    Decoded d24 =
        decode(concat(testimg::tga_header(10, 2, 2, 24, 0x00), {0x82, 1, 2, 3, 0x00, 4, 5, 6}));
    EXPECT_EQ(d24.rgba(), (Bytes{3, 2, 1, 255, 6, 5, 4, 255, 3, 2, 1, 255, 3, 2, 1, 255}));
}

TEST(TgaDecoder, RunLengthPacketPastTheImageEndIsCut) {
    // A run of 128 pixels for a 2 x 1 image, then a literal packet of 4 pixels for a 1 x 1 one.
    Decoded run = decode(concat(testimg::tga_header(10, 2, 1, 24, 0x20), {0xFF, 1, 2, 3}));
    EXPECT_EQ(run.rgba(), (Bytes{3, 2, 1, 255, 3, 2, 1, 255}));
    Decoded literal = decode(concat(testimg::tga_header(10, 1, 1, 24, 0x20), {0x03, 1, 2, 3}));
    EXPECT_EQ(literal.rgba(), (Bytes{3, 2, 1, 255}));
}

TEST(TgaDecoder, ColourMapDataIsSkipped) {
    Bytes header = testimg::tga_header(2, 1, 1, 24, 0x20);
    header[0] = 2;                 // an ID of two bytes
    header[1] = 1;                 // colour map present
    testimg::put16(header, 5, 3);  // 3 entries
    header[7] = 15;                // of 15 bits: 2 bytes each
    Bytes file = concat(header, {0xAA, 0xBB});
    file = concat(file, {9, 9, 9, 9, 9, 9});
    file = concat(file, {10, 20, 30});
    EXPECT_EQ(decode(file).rgba(), (Bytes{30, 20, 10, 255}));
}

TEST(TgaDecoder, RefusedFilesGiveNoImage) {
    testing::internal::CaptureStderr();
    Decoded depth16 = decode(concat(testimg::tga_header(2, 1, 1, 16, 0), {1, 2}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load_tga(): only 24 and 32 bpp images are suported\n");
    EXPECT_FALSE(depth16.pixels);
    EXPECT_EQ(depth16.width, 1);  // the header's size is reported all the same

    testing::internal::CaptureStderr();
    EXPECT_FALSE(decode(concat(testimg::tga_header(1, 1, 1, 24, 0), {1, 2, 3})).pixels);
    EXPECT_FALSE(decode(concat(testimg::tga_header(2, 0, 5, 24, 0), {})).pixels);
    EXPECT_FALSE(decode(concat(testimg::tga_header(10, 5, 0, 24, 0), {})).pixels);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(TgaDecoder, ShortFilesGiveNoImage) {
    EXPECT_FALSE(decode(Bytes(17, 0)).pixels);
    EXPECT_FALSE(decode(concat(testimg::tga_header(2, 2, 2, 24, 0), Bytes(11, 0))).pixels);
    EXPECT_TRUE(decode(concat(testimg::tga_header(2, 2, 2, 24, 0), Bytes(12, 0))).pixels);
    // Run-length data ending inside a run packet or before the last pixel.
    EXPECT_FALSE(decode(concat(testimg::tga_header(10, 4, 1, 24, 0), {0x83, 1, 2})).pixels);
    EXPECT_FALSE(decode(concat(testimg::tga_header(10, 4, 1, 24, 0), {0x82, 1, 2, 3})).pixels);
    EXPECT_FALSE(decode(concat(testimg::tga_header(10, 4, 1, 24, 0), {0x03, 1, 2, 3})).pixels);
    // Colour map longer than the file.
    Bytes header = testimg::tga_header(2, 1, 1, 24, 0);
    header[1] = 1;
    testimg::put16(header, 5, 1000);
    header[7] = 24;
    EXPECT_FALSE(decode(concat(header, Bytes(100, 0))).pixels);
}
