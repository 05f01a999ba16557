#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>

#include "loading/jpeg_decoder.h"
#include "loading/png_decoder.h"
#include "tests/loading/image_builders.h"

using testimg::Bytes;

namespace {

struct Decoded {
    loading::PixelBuffer pixels;
    int width = -1;
    int height = -1;
    Bytes pixel(int x, int y) const {
        const unsigned char* p = pixels.get() + (static_cast<size_t>(y) * width + x) * 4;
        return Bytes(p, p + 4);
    }
};

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

Bytes gradient(int width, int height, int components) {
    Bytes samples(static_cast<size_t>(width) * height * components);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<unsigned char>(i * 7 % 251);
    return samples;
}

// Compares a decode with the library's own default decode of the same bytes.
void expect_matches_reference(const Bytes& file) {
    int components = 0;
    const Bytes reference = testimg::reference_jpeg_decode(file, components);
    Decoded d = jpeg(file);
    ASSERT_TRUE(d.pixels);
    for (size_t i = 0; i < static_cast<size_t>(d.width) * d.height; ++i) {
        const unsigned char* p = d.pixels.get() + 4 * i;
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(p[c], reference[i * components + (components == 1 ? 0 : c)]) << i;
        ASSERT_EQ(p[3], 0) << i;
    }
}

}  // namespace

TEST(JpegDecoder, GreyAndColourGiveAlphaZero) {
    Decoded grey = jpeg(testimg::encode_jpeg(Bytes(16 * 8, 200), 16, 8, 1));
    ASSERT_TRUE(grey.pixels);
    EXPECT_EQ(grey.width, 16);
    EXPECT_EQ(grey.height, 8);
    EXPECT_EQ(grey.pixel(5, 5), (Bytes{200, 200, 200, 0}));

    expect_matches_reference(testimg::encode_jpeg(gradient(37, 29, 3), 37, 29, 3, 90));
    expect_matches_reference(testimg::encode_jpeg(gradient(33, 17, 1), 33, 17, 1, 90));
    expect_matches_reference(testimg::encode_jpeg(gradient(40, 24, 3), 40, 24, 3, 75, true));
}

TEST(JpegDecoder, DamagedOrTruncatedDataGivesNullInsteadOfEndingTheProgram) {
    const Bytes good = testimg::encode_jpeg(gradient(64, 64, 3), 64, 64, 3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(
        jpeg(Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2))).pixels);
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("Premature end of JPEG file"), std::string::npos) << message;

    testing::internal::CaptureStderr();
    EXPECT_FALSE(jpeg(Bytes{0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3}).pixels);
    EXPECT_FALSE(jpeg(Bytes{}).pixels);
    EXPECT_FALSE(jpeg(Bytes{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}).pixels);
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}

TEST(PngDecoder, PaletteWithTransparencyGivesItsAlpha) {
    testimg::PngOptions o{PNG_COLOR_TYPE_PALETTE, 8, {10, 20, 30, 40, 50, 60}, {128}, 0};
    Decoded d = png(testimg::encode_png({{0, 1}}, 2, 1, o));
    ASSERT_TRUE(d.pixels);
    EXPECT_EQ(d.pixel(0, 0), (Bytes{10, 20, 30, 128}));
    EXPECT_EQ(d.pixel(1, 0), (Bytes{40, 50, 60, 255}));

    // 2-bit palette indices are expanded too.
    testimg::PngOptions o2{PNG_COLOR_TYPE_PALETTE, 2, {0, 0, 0, 9, 9, 9, 7, 7, 7}, {}, 0};
    Decoded small = png(testimg::encode_png({{0x18}}, 3, 1, o2));  // indices 0, 1, 2
    EXPECT_EQ(small.pixel(1, 0), (Bytes{9, 9, 9, 255}));
    EXPECT_EQ(small.pixel(2, 0), (Bytes{7, 7, 7, 255}));
}

TEST(PngDecoder, GreyGreyAlphaAnd16Bit) {
    Decoded grey = png(testimg::encode_png({{77, 5}}, 2, 1, {PNG_COLOR_TYPE_GRAY, 8, {}, {}, 0}));
    EXPECT_EQ(grey.pixel(0, 0), (Bytes{77, 77, 77, 255}));
    Decoded grey_alpha =
        png(testimg::encode_png({{77, 9}}, 1, 1, {PNG_COLOR_TYPE_GRAY_ALPHA, 8, {}, {}, 0}));
    EXPECT_EQ(grey_alpha.pixel(0, 0), (Bytes{77, 77, 77, 9}));
    Decoded deep = png(testimg::encode_png({{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}}, 1, 1,
                                           {PNG_COLOR_TYPE_RGB_ALPHA, 16, {}, {}, 0}));
    EXPECT_EQ(deep.pixel(0, 0), (Bytes{0x12, 0x56, 0x9A, 0xDE}));
    Decoded rgb = png(testimg::encode_png({{1, 2, 3}}, 1, 1, {PNG_COLOR_TYPE_RGB, 8, {}, {}, 0}));
    EXPECT_EQ(rgb.pixel(0, 0), (Bytes{1, 2, 3, 255}));
}

TEST(PngDecoder, GammaChunkIsCorrectedForScreenGamma22) {
    // File gamma 1/1.0 (linear): a sample of 128 becomes 255 * (128/255)^(1/2.2).
    Decoded d =
        png(testimg::encode_png({{128, 128, 128}}, 1, 1, {PNG_COLOR_TYPE_RGB, 8, {}, {}, 1.0}));
    const double expected = 255.0 * std::pow(128.0 / 255.0, 1.0 / 2.2);
    EXPECT_NEAR(d.pixel(0, 0)[0], expected, 1.0);
    // A file gamma of 1/2.2 matches the screen: no change.
    Decoded same = png(
        testimg::encode_png({{128, 128, 128}}, 1, 1, {PNG_COLOR_TYPE_RGB, 8, {}, {}, 1.0 / 2.2}));
    EXPECT_NEAR(same.pixel(0, 0)[0], 128, 1.0);
}

TEST(PngDecoder, WrongSignatureAndDamagedFilesGiveNull) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(png(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}).pixels);
    EXPECT_FALSE(png(Bytes{0x89, 'P'}).pixels);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load_png(): wrong signature in \"t.png\" file\n"
              "Texture::load_png(): wrong signature in \"t.png\" file\n");

    Bytes good = testimg::encode_png({Bytes(30, 1), Bytes(30, 2)}, 10, 2,
                                     {PNG_COLOR_TYPE_RGB, 8, {}, {}, 0});
    testing::internal::CaptureStderr();
    Decoded truncated = png(Bytes(good.begin(), good.end() - 20));
    EXPECT_FALSE(truncated.pixels);
    EXPECT_EQ(truncated.width, 10);  // the header had been read
    Bytes corrupt = good;
    corrupt[40] ^= 0xFF;  // inside the image data: a bad checksum
    EXPECT_FALSE(png(corrupt).pixels);
    EXPECT_FALSE(png(Bytes(good.begin(), good.begin() + 12)).pixels);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("libpng error"), std::string::npos);
}

TEST(JpegDecoder, OtherComponentCountsAndUnaddressableSizesGiveNull) {
    // CMYK: four components.
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&info, &out, &out_size);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    Bytes row(8 * 4, 100);
    while (info.next_scanline < 8) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const Bytes cmyk(out, out + out_size);
    std::free(out);
    Decoded d = jpeg(cmyk);
    EXPECT_FALSE(d.pixels);
    EXPECT_EQ(d.width, 8);

    // A frame header claiming 65000 x 65000 is refused before anything is allocated.
    Bytes huge = testimg::encode_jpeg(Bytes(8 * 8, 1), 8, 8, 1);
    size_t sof = 2;
    while (sof + 9 < huge.size() && !(huge[sof] == 0xFF && huge[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, huge.size());
    huge[sof + 5] = huge[sof + 7] = 0xFD;
    huge[sof + 6] = huge[sof + 8] = 0xE8;
    Decoded big = jpeg(huge);
    EXPECT_FALSE(big.pixels);
    EXPECT_EQ(big.width, 65000);
}

TEST(PngDecoder, UnaddressableSizesAreRefused) {
    Bytes file = testimg::encode_png({{1, 2, 3}}, 1, 1, {PNG_COLOR_TYPE_RGB, 8, {}, {}, 0});
    // IHDR data at 16..28, its checksum at 29..32: claim 40000 x 40000.
    for (size_t at : {16u, 20u}) {
        file[at] = 0;
        file[at + 1] = 0;
        file[at + 2] = 0x9C;
        file[at + 3] = 0x40;
    }
    const uint32_t crc = static_cast<uint32_t>(crc32(0, file.data() + 12, 17));
    for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    Decoded d = png(file);
    EXPECT_FALSE(d.pixels);
    EXPECT_EQ(d.width, 40000);
}
