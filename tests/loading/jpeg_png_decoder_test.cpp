#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>

#include "loading/jpeg_decoder.h"
#include "loading/png_decoder.h"
#include "tests/loading/image_builders.h"

using testimg::Bytes;
using testimg::Decoded;

namespace {

Decoded jpeg(const Bytes& file) {
    Decoded d;
    d.pixels = loading::decode_jpeg(file.data(), file.size(), d.width, d.height);
    return d;
}

Decoded png(const Bytes& file) {
    Decoded d;
    d.pixels = loading::decode_png(file.data(), file.size(), "t.png", d.width, d.height);
    return d;
}

Bytes gradient(int w, int h, int components) {
    Bytes s(static_cast<size_t>(w) * h * components);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<unsigned char>(i * 7 % 251);
    return s;
}

}  // namespace

TEST(JpegDecoder, GreyAndColourMatchTheLibraryWithAlphaZero) {
    EXPECT_EQ(jpeg(testimg::encode_jpeg(Bytes(16 * 8, 200), 16, 8, 1)).at(5, 5),
              (Bytes{200, 200, 200, 0}));
    // Odd sizes, grey, colour and progressive files against the library's default output.
    for (const auto& [w, h, components, progressive] :
         {std::tuple{37, 29, 3, false}, {33, 17, 1, false}, {40, 24, 3, true}}) {
        const Bytes file =
            testimg::encode_jpeg(gradient(w, h, components), w, h, components, 90, progressive);
        int n = 0;
        const Bytes reference = testimg::reference_jpeg_decode(file, n);
        Decoded d = jpeg(file);
        ASSERT_TRUE(d.pixels);
        for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
            for (int c = 0; c < 4; ++c) {
                const int expected = c == 3 ? 0 : reference[i * n + (n == 1 ? 0 : c)];
                ASSERT_EQ(d.pixels[4 * i + c], expected) << i;
            }
        }
    }
}

TEST(JpegDecoder, DamagedTruncatedOrHugeFilesGiveNullInsteadOfEndingTheProgram) {
    const Bytes good = testimg::encode_jpeg(gradient(64, 64, 3), 64, 64, 3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(jpeg(Bytes(good.begin(), good.begin() + 400)).pixels);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Premature end of JPEG file"),
              std::string::npos);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(jpeg(Bytes{0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3}).pixels);
    EXPECT_FALSE(jpeg(Bytes{}).pixels);
    // A frame of 65000 x 65000 is refused before anything is allocated for it.
    Bytes huge = testimg::encode_jpeg(Bytes(64, 1), 8, 8, 1);
    size_t sof = 2;
    while (!(huge[sof] == 0xFF && huge[sof + 1] == 0xC0)) ++sof;
    huge[sof + 5] = huge[sof + 7] = 0xFD;
    huge[sof + 6] = huge[sof + 8] = 0xE8;
    Decoded big = jpeg(huge);
    EXPECT_FALSE(big.pixels);
    EXPECT_EQ(big.width, 65000);
    testing::internal::GetCapturedStderr();
}

TEST(JpegDecoder, SidesAboveTheLimitAreDecodedSmallerAndDataCutShortGivesNoImage) {
    // 600 x 400 with sides up to 256: the largest scale n/8 that fits is 3/8.
    const Bytes photo = testimg::encode_jpeg(gradient(600, 400, 3), 600, 400, 3);
    Decoded d;
    testing::internal::CaptureStderr();
    d.pixels = loading::decode_jpeg(photo.data(), photo.size(), d.width, d.height, 256);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "JPEG image of 600 x 400 is decoded at 225 x 150: sides above 256 are not used\n");
    ASSERT_TRUE(d.pixels);
    EXPECT_EQ(d.width, 225);
    EXPECT_EQ(d.height, 150);
    // Below the smallest scale, 1/8 (75 x 50), blocks of 3 x 3 are averaged: 25 x 17.
    const Bytes grey = testimg::encode_jpeg(Bytes(600 * 400, 200), 600, 400, 1);
    testing::internal::CaptureStderr();
    d.pixels = loading::decode_jpeg(grey.data(), grey.size(), d.width, d.height, 32);
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(d.pixels);
    EXPECT_EQ(d.width, 25);
    EXPECT_EQ(d.height, 17);
    EXPECT_EQ(d.at(24, 16), (Bytes{200, 200, 200, 0}));
    // An 8 x 8 image whose frame claims 2048 x 2048: its data ends inside the first row of
    // blocks, which would otherwise decode to a grey image.
    Bytes claims = testimg::encode_jpeg(Bytes(64, 1), 8, 8, 1);
    size_t sof = 2;
    while (!(claims[sof] == 0xFF && claims[sof + 1] == 0xC0)) ++sof;
    claims[sof + 5] = claims[sof + 7] = 0x08;
    claims[sof + 6] = claims[sof + 8] = 0x00;
    testing::internal::CaptureStderr();
    Decoded bomb = jpeg(claims);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("premature end of data segment"),
              std::string::npos);
    EXPECT_FALSE(bomb.pixels);
    EXPECT_EQ(bomb.width, 2048);
}

TEST(PngDecoder, ColourTypesDepthsTransparencyAndGamma) {
    using O = testimg::PngOptions;
    Decoded palette =
        png(testimg::encode_png({{0x18}}, 3, 1,  // 2-bit indices 0, 1, 2
                                O{PNG_COLOR_TYPE_PALETTE, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {128}}));
    EXPECT_EQ(palette.at(0, 0), (Bytes{1, 2, 3, 128}));
    EXPECT_EQ(palette.at(2, 0), (Bytes{7, 8, 9, 255}));
    EXPECT_EQ(png(testimg::encode_png({{77}}, 1, 1, O{PNG_COLOR_TYPE_GRAY, 8})).at(0, 0),
              (Bytes{77, 77, 77, 255}));
    EXPECT_EQ(png(testimg::encode_png({{77, 9}}, 1, 1, O{PNG_COLOR_TYPE_GRAY_ALPHA, 8})).at(0, 0),
              (Bytes{77, 77, 77, 9}));
    EXPECT_EQ(png(testimg::encode_png({{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}}, 1, 1,
                                      O{PNG_COLOR_TYPE_RGB_ALPHA, 16}))
                  .at(0, 0),
              (Bytes{0x12, 0x56, 0x9A, 0xDE}));
    // A linear file (gamma 1.0) shown at screen gamma 2.2; a file gamma of 1/2.2 is unchanged.
    const O linear{PNG_COLOR_TYPE_RGB, 8, {}, {}, 1.0};
    EXPECT_NEAR(png(testimg::encode_png({{128, 128, 128}}, 1, 1, linear)).at(0, 0)[0],
                255.0 * std::pow(128.0 / 255.0, 1.0 / 2.2), 1.0);
    const O matching{PNG_COLOR_TYPE_RGB, 8, {}, {}, 1.0 / 2.2};
    EXPECT_NEAR(png(testimg::encode_png({{128, 128, 128}}, 1, 1, matching)).at(0, 0)[0], 128, 1.0);
}

TEST(PngDecoder, WrongSignatureDamagedAndHugeFilesGiveNull) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(png(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}).pixels);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load_png(): wrong signature in \"t.png\" file\n");
    const Bytes good =
        testimg::encode_png({Bytes(30, 1), Bytes(30, 2)}, 10, 2, {PNG_COLOR_TYPE_RGB, 8});
    testing::internal::CaptureStderr();
    Decoded truncated = png(Bytes(good.begin(), good.end() - 20));
    EXPECT_FALSE(truncated.pixels);
    EXPECT_EQ(truncated.width, 10);  // the header had been read
    Bytes corrupt = good;
    corrupt[40] ^= 0xFF;  // a bad checksum
    EXPECT_FALSE(png(corrupt).pixels);
    Bytes huge = good;  // 40000 x 40000 in the header, with its checksum
    for (size_t at : {16u, 20u}) huge[at + 2] = 0x9C, huge[at + 3] = 0x40;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, huge.data() + 12, 17));
    for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    EXPECT_FALSE(png(huge).pixels);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("libpng error"), std::string::npos);
}

TEST(PngDecoder, SidesAboveTheLimitAreAveragedRowByRowUnlessInterlaced) {
    // 7 x 3 grey with sides up to 3: blocks of 3 x 3, the last one a single column wide.
    std::vector<Bytes> rows = {{0, 30, 60, 90, 120, 150, 200},
                               {0, 30, 60, 90, 120, 150, 210},
                               {0, 30, 60, 90, 120, 150, 220}};
    const Bytes file = testimg::encode_png(rows, 7, 3, {PNG_COLOR_TYPE_GRAY, 8});
    Decoded d;
    testing::internal::CaptureStderr();
    d.pixels = loading::decode_png(file.data(), file.size(), "t.png", d.width, d.height, 3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load_png(): \"t.png\" of 7 x 3 is reduced to 3 x 1: sides above 3 are "
              "not used\n");
    ASSERT_TRUE(d.pixels);
    EXPECT_EQ(d.width, 3);
    EXPECT_EQ(d.height, 1);
    EXPECT_EQ(d.at(0, 0), (Bytes{30, 30, 30, 255}));
    EXPECT_EQ(d.at(2, 0), (Bytes{210, 210, 210, 255}));
    testimg::PngOptions interlaced{PNG_COLOR_TYPE_GRAY, 8};
    interlaced.interlaced = true;
    const Bytes adam7 = testimg::encode_png(rows, 7, 3, interlaced);
    EXPECT_EQ(png(adam7).at(6, 2), (Bytes{220, 220, 220, 255}));  // within the limit: whole
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::decode_png(adam7.data(), adam7.size(), "t.png", d.width, d.height, 3));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load_png(): \"t.png\" is 7 x 3, interlaced: sides above 3 are not used\n");
}
