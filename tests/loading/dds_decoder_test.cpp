#include "loading/dds_decoder.h"

#include <gtest/gtest.h>

#include "tests/loading/image_builders.h"

using testimg::Bytes;
using testimg::Decoded;

namespace {

Decoded decode(Bytes file, const Bytes& body) {
    file.insert(file.end(), body.begin(), body.end());
    Decoded d;
    d.pixels = loading::decode_dds(file.data(), file.size(), "t.dds", d.width, d.height);
    return d;
}

Bytes dxt(const char* code, int w = 4, int h = 4) {
    return testimg::dds_header(w, h, 4, code, 0);
}

// Two 5-6-5 colours and one index byte for all four rows.
Bytes colours(unsigned c0, unsigned c1, unsigned char rows) {
    return {static_cast<unsigned char>(c0),
            static_cast<unsigned char>(c0 >> 8),
            static_cast<unsigned char>(c1),
            static_cast<unsigned char>(c1 >> 8),
            rows,
            rows,
            rows,
            rows};
}

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(DdsDecoder, UncompressedPixelsFollowTheMasks) {
    // Without masks the bytes are red, green, blue (alpha) in memory order.
    EXPECT_EQ(decode(testimg::dds_header(1, 1, 0x40, "", 24), {1, 2, 3}).at(0, 0),
              (Bytes{1, 2, 3, 255}));
    EXPECT_EQ(decode(testimg::dds_header(1, 1, 0x41, "", 32), {1, 2, 3, 4}).at(0, 0),
              (Bytes{1, 2, 3, 4}));
    // The usual files put blue first (R8G8B8, A8R8G8B8).
    for (uint32_t bits : {24u, 32u}) {
        Bytes h = testimg::dds_header(1, 1, bits == 24 ? 0x40 : 0x41, "", bits);
        testimg::put32(h, 92, 0xFF0000);
        testimg::put32(h, 96, 0xFF00);
        testimg::put32(h, 100, 0xFF);
        testimg::put32(h, 104, 0xFF000000);
        EXPECT_EQ(decode(h, {10, 20, 30, 40}).at(0, 0),
                  (Bytes{30, 20, 10, static_cast<unsigned char>(bits == 24 ? 255 : 40)}));
    }
}

TEST(DdsDecoder, Dxt1PalettesAndTransparency) {
    // Row byte 0xE4: columns take indices 0, 1, 2, 3.
    Decoded four = decode(dxt("DXT1"), colours(0xFFFF, 0, 0xE4));
    EXPECT_EQ(four.at(0, 3), (Bytes{248, 252, 248, 255}));
    EXPECT_EQ(four.at(2, 0), (Bytes{165, 168, 165, 255}));
    EXPECT_EQ(four.at(3, 1), (Bytes{82, 84, 82, 255}));
    Decoded three = decode(dxt("DXT1"), colours(31, 31u << 11, 0xE4));  // blue <= red
    EXPECT_EQ(three.at(2, 0), (Bytes{124, 0, 124, 255}));
    EXPECT_EQ(three.at(3, 0), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(decode(dxt("DXT1"), colours(5, 5, 0xFF)).at(1, 1), (Bytes{0, 0, 0, 0}));
}

TEST(DdsDecoder, Dxt3NibblesAndDxt5AlphaModes) {
    Decoded d3 = decode(dxt("DXT3"), cat({0x1F, 0, 0, 0, 0, 0, 0, 0x80}, colours(0, 0, 0)));
    EXPECT_EQ(d3.at(0, 0)[3], 240);
    EXPECT_EQ(d3.at(1, 0)[3], 16);
    EXPECT_EQ(d3.at(3, 3)[3], 128);
    uint64_t bits = 0;  // pixels 0 to 7 take indices 0 to 7
    for (uint64_t i = 0; i < 8; ++i) bits |= i << (3 * i);
    auto alphas = [&](unsigned char a0, unsigned char a1) {
        Bytes block = {a0, a1};
        for (int i = 0; i < 6; ++i) block.push_back(static_cast<unsigned char>(bits >> (8 * i)));
        Decoded d = decode(dxt("DXT5"), cat(block, colours(0, 0, 0)));
        std::vector<int> out;
        for (int i = 0; i < 8; ++i) out.push_back(d.at(i % 4, i / 4)[3]);
        return out;
    };
    EXPECT_EQ(alphas(255, 0), (std::vector<int>{255, 0, 218, 182, 145, 109, 72, 36}));
    EXPECT_EQ(alphas(0, 255), (std::vector<int>{0, 255, 51, 102, 153, 204, 0, 255}));
}

TEST(DdsDecoder, BlocksAreClippedAtTheImageEdge) {
    Decoded d = decode(dxt("DXT1", 5, 3), cat(colours(0xFFFF, 0, 0), colours(0, 0xFFFF, 0)));
    ASSERT_TRUE(d.pixels);
    EXPECT_EQ(d.at(3, 2), (Bytes{248, 252, 248, 255}));
    EXPECT_EQ(d.at(4, 2), (Bytes{0, 0, 0, 255}));
}

TEST(DdsDecoder, RefusedFilesWriteTheirMessagesOrNone) {
    const std::string dxt24 =
        "Texture::load_dds(): DXT2 or DXT4 is not supported in \"t.dds\" file\n";
    const std::string unknown = "Texture::load_dds(): unknown format of \"t.dds\" file\n";
    const std::string magic = "Texture::load_dds(): wrong magic in \"t.dds\" file\n";
    Bytes bad_magic = testimg::dds_header(4, 4, 0x40, "", 24);
    bad_magic[3] = 'X';
    Bytes short_header = testimg::dds_header(4, 4, 0x40, "", 24);
    short_header.resize(100);
    const std::string ends = "Texture::load_dds(): \"t.dds\" ends before its ";
    const std::string large = "Texture::load_dds(): \"t.dds\" of ";
    const std::string above = " is too large: sides above 4096 are not used\n";
    const struct {
        Bytes header;
        size_t body;
        std::string message;
    } cases[] = {
        {dxt("DXT2"), 64, dxt24},
        {dxt("DXT4"), 64, dxt24},
        {testimg::dds_header(4, 4, 0x41, "", 24), 64, unknown},
        {dxt("ATI2"), 64, unknown},
        {bad_magic, 64, magic},
        {Bytes{'D', 'D'}, 0, magic},
        {short_header, 0, "Texture::load_dds(): \"t.dds\" is too short for a header\n"},
        {dxt("DXT1", 5, 3), 8, ends + "5 x 3 pixels\n"},  // one block short
        {testimg::dds_header(2, 2, 0x40, "", 24), 11, ends + "2 x 2 pixels\n"},
        {dxt("DXT1", 0, 4), 8, "Texture::load_dds(): \"t.dds\" of 0 x 4 is empty\n"},
        {dxt("DXT1", -4, 4), 64, large + "4294967292 x 4" + above},
        // Refused by its claimed size before anything is allocated.
        {testimg::dds_header(23170, 23170, 0x41, "", 32), 64, large + "23170 x 23170" + above}};
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(decode(c.header, Bytes(c.body, 0)).pixels);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    }
}
