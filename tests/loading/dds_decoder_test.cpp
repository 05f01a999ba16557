#include "loading/dds_decoder.h"

#include <gtest/gtest.h>

#include "tests/loading/image_builders.h"

using testimg::Bytes;

namespace {

struct Decoded {
    loading::PixelBuffer pixels;
    int width = -1;
    int height = -1;
    const unsigned char* at(int x, int y) const {
        return pixels.get() + (static_cast<size_t>(y) * width + x) * 4;
    }
    Bytes pixel(int x, int y) const { return Bytes(at(x, y), at(x, y) + 4); }
};

Decoded decode(const Bytes& file) {
    Decoded d;
    d.pixels = loading::decode_dds(file.data(), file.size(), "t.dds", d.width, d.height);
    return d;
}

Bytes with(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A colour block: two 5-6-5 colours and one index byte repeated for all four rows.
Bytes colour_block(unsigned c0, unsigned c1, unsigned char rows) {
    return {static_cast<unsigned char>(c0),
            static_cast<unsigned char>(c0 >> 8),
            static_cast<unsigned char>(c1),
            static_cast<unsigned char>(c1 >> 8),
            rows,
            rows,
            rows,
            rows};
}

}  // namespace

TEST(DdsDecoder, UncompressedWithoutMasksKeepsMemoryOrder) {
    Decoded rgb = decode(with(testimg::dds_header(2, 1, 0x40, "", 24), {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(rgb.width, 2);
    EXPECT_EQ(rgb.pixel(0, 0), (Bytes{1, 2, 3, 255}));
    EXPECT_EQ(rgb.pixel(1, 0), (Bytes{4, 5, 6, 255}));
    Decoded rgba = decode(with(testimg::dds_header(1, 1, 0x41, "", 32), {1, 2, 3, 4}));
    EXPECT_EQ(rgba.pixel(0, 0), (Bytes{1, 2, 3, 4}));
}

TEST(DdsDecoder, UncompressedFollowsTheColourMasks) {
    // The usual files: blue first in memory (R8G8B8 and A8R8G8B8).
    Bytes h24 = testimg::dds_header(1, 1, 0x40, "", 24);
    testimg::put32(h24, 92, 0xFF0000);
    testimg::put32(h24, 96, 0x00FF00);
    testimg::put32(h24, 100, 0x0000FF);
    EXPECT_EQ(decode(with(h24, {10, 20, 30})).pixel(0, 0), (Bytes{30, 20, 10, 255}));

    Bytes h32 = testimg::dds_header(1, 1, 0x41, "", 32);
    testimg::put32(h32, 92, 0xFF0000);
    testimg::put32(h32, 96, 0x00FF00);
    testimg::put32(h32, 100, 0x0000FF);
    testimg::put32(h32, 104, 0xFF000000);
    EXPECT_EQ(decode(with(h32, {10, 20, 30, 40})).pixel(0, 0), (Bytes{30, 20, 10, 40}));

    // Ten-bit channels are scaled to eight bits.
    Bytes h10 = testimg::dds_header(1, 1, 0x41, "", 32);
    testimg::put32(h10, 92, 0x3FF);
    testimg::put32(h10, 96, 0x3FF << 10);
    testimg::put32(h10, 100, 0x3FFu << 20);
    testimg::put32(h10, 104, 0xC0000000);
    const uint32_t p = 0x3FF | (0u << 10) | (0x200u << 20) | (3u << 30);
    Bytes px(4);
    testimg::put32(px, 0, p);
    EXPECT_EQ(decode(with(h10, px)).pixel(0, 0), (Bytes{255, 0, 128, 255}));
}

TEST(DdsDecoder, Dxt1FourColourPalette) {
    // Row bytes 0b11100100: columns take indices 0, 1, 2, 3.
    Decoded d =
        decode(with(testimg::dds_header(4, 4, 0x4, "DXT1", 0), colour_block(0xFFFF, 0, 0xE4)));
    ASSERT_TRUE(d.pixels);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(d.pixel(0, y), (Bytes{248, 252, 248, 255}));
        EXPECT_EQ(d.pixel(1, y), (Bytes{0, 0, 0, 255}));
        EXPECT_EQ(d.pixel(2, y), (Bytes{165, 168, 165, 255}));
        EXPECT_EQ(d.pixel(3, y), (Bytes{82, 84, 82, 255}));
    }
}

TEST(DdsDecoder, Dxt1ThreeColourPaletteMakesIndex3Transparent) {
    const unsigned red = 31u << 11, blue = 31u;
    Decoded d =
        decode(with(testimg::dds_header(4, 4, 0x4, "DXT1", 0), colour_block(blue, red, 0xE4)));
    EXPECT_EQ(d.pixel(0, 0), (Bytes{0, 0, 248, 255}));
    EXPECT_EQ(d.pixel(1, 0), (Bytes{248, 0, 0, 255}));
    EXPECT_EQ(d.pixel(2, 0), (Bytes{124, 0, 124, 255}));
    EXPECT_EQ(d.pixel(3, 0), (Bytes{0, 0, 0, 0}));
    // Equal colours use the three-colour palette too.
    Decoded same =
        decode(with(testimg::dds_header(4, 4, 0x4, "DXT1", 0), colour_block(red, red, 0xFF)));
    EXPECT_EQ(same.pixel(2, 2), (Bytes{0, 0, 0, 0}));
}

TEST(DdsDecoder, Dxt3TakesAlphaFromNibbles) {
    // Nibbles in row order: pixel 0 = 15, pixel 1 = 1, the rest 0, pixel 15 = 8.
    Bytes alpha = {0x1F, 0, 0, 0, 0, 0, 0, 0x80};
    Decoded d = decode(
        with(with(testimg::dds_header(4, 4, 0x4, "DXT3", 0), alpha), colour_block(0xFFFF, 0, 0)));
    EXPECT_EQ(d.pixel(0, 0)[3], 240);
    EXPECT_EQ(d.pixel(1, 0)[3], 16);
    EXPECT_EQ(d.pixel(2, 0)[3], 0);
    EXPECT_EQ(d.pixel(3, 3)[3], 128);
    EXPECT_EQ(d.pixel(3, 3)[0], 248);
}

TEST(DdsDecoder, Dxt5AlphaInBothModes) {
    // Indices 0..7 for pixels 0..7 (3 bits each), 0 for the rest.
    uint64_t bits = 0;
    for (uint64_t i = 0; i < 8; ++i) bits |= i << (3 * i);
    auto block = [&](unsigned char a0, unsigned char a1) {
        Bytes b = {a0, a1};
        for (int i = 0; i < 6; ++i) b.push_back(static_cast<unsigned char>(bits >> (8 * i)));
        return with(with(testimg::dds_header(4, 4, 0x4, "DXT5", 0), b), colour_block(0, 0, 0));
    };
    Decoded eight = decode(block(255, 0));
    const int expected8[] = {255, 0, 218, 182, 145, 109, 72, 36};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(eight.pixel(i % 4, i / 4)[3], expected8[i]) << i;
    Decoded six = decode(block(0, 255));
    const int expected6[] = {0, 255, 51, 102, 153, 204, 0, 255};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(six.pixel(i % 4, i / 4)[3], expected6[i]) << i;
    EXPECT_EQ(six.pixel(0, 3)[3], 0);  // index 0 again
}

TEST(DdsDecoder, BlocksAreClippedAtTheImageEdge) {
    // 5 x 3: two blocks across, one down; the second block's first column lands at x = 4.
    Bytes blocks = with(colour_block(0xFFFF, 0, 0x00), colour_block(0, 0xFFFF, 0x00));
    Decoded d = decode(with(testimg::dds_header(5, 3, 0x4, "DXT1", 0), blocks));
    ASSERT_TRUE(d.pixels);
    EXPECT_EQ(d.pixel(3, 2), (Bytes{248, 252, 248, 255}));
    EXPECT_EQ(d.pixel(4, 2), (Bytes{0, 0, 0, 255}));
    EXPECT_FALSE(
        decode(with(testimg::dds_header(5, 3, 0x4, "DXT1", 0), colour_block(0, 0, 0))).pixels);
}

TEST(DdsDecoder, RefusedFormatsWriteTheirMessages) {
    auto message = [](const Bytes& file) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(decode(file).pixels);
        return testing::internal::GetCapturedStderr();
    };
    Bytes pixels(64, 0);
    EXPECT_EQ(message(with(testimg::dds_header(4, 4, 0x4, "DXT2", 0), pixels)),
              "Texture::load_dds(): DXT2 or DXT4 is not supported in \"t.dds\" file\n");
    EXPECT_EQ(message(with(testimg::dds_header(4, 4, 0x4, "DXT4", 0), pixels)),
              "Texture::load_dds(): DXT2 or DXT4 is not supported in \"t.dds\" file\n");
    EXPECT_EQ(message(with(testimg::dds_header(4, 4, 0x41, "", 24), pixels)),
              "Texture::load_dds(): unknown format of \"t.dds\" file\n");
    EXPECT_EQ(message(with(testimg::dds_header(4, 4, 0x4, "ATI2", 0), pixels)),
              "Texture::load_dds(): unknown format of \"t.dds\" file\n");
    Bytes bad = with(testimg::dds_header(4, 4, 0x40, "", 24), pixels);
    bad[3] = 'X';
    EXPECT_EQ(message(bad), "Texture::load_dds(): wrong magic in \"t.dds\" file\n");
    EXPECT_EQ(message(Bytes{'D', 'D'}), "Texture::load_dds(): wrong magic in \"t.dds\" file\n");
}

TEST(DdsDecoder, ShortFilesAndUnaddressableSizesGiveNoImage) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(decode(Bytes{'D', 'D', 'S', ' ', 0, 0}).pixels);
    EXPECT_FALSE(decode(with(testimg::dds_header(2, 2, 0x40, "", 24), Bytes(11, 0))).pixels);
    EXPECT_FALSE(decode(with(testimg::dds_header(8, 8, 0x4, "DXT5", 0), Bytes(63, 0))).pixels);
    EXPECT_FALSE(decode(with(testimg::dds_header(0, 4, 0x4, "DXT1", 0), Bytes(8, 0))).pixels);
    Decoded huge = decode(with(testimg::dds_header(0x10000, 0x10000, 0x41, "", 32), Bytes(64, 0)));
    EXPECT_FALSE(huge.pixels);
    EXPECT_EQ(huge.width, 0x10000);
    Decoded negative = decode(with(testimg::dds_header(-4, 4, 0x4, "DXT1", 0), Bytes(64, 0)));
    EXPECT_FALSE(negative.pixels);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
