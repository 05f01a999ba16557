// Textures filled from image files and image banks on a headless device.
#include <gtest/gtest.h>

#include <filesystem>

#include "gfx/texture.h"
#include "loading/bank_packing.h"
#include "loading/data_root.h"
#include "loading/texture_loading.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/loading/image_builders.h"

using testimg::Bytes;

class TextureLoading : public gfx_test::GfxTest {
  protected:
    void TearDown() override {
        if (!root.empty()) std::filesystem::remove_all(root);
        GfxTest::TearDown();
    }
    Bytes contents(const Texture& t) {
        std::vector<uint8_t> rgba;
        EXPECT_TRUE(device.read_texture(t, rgba));
        return Bytes(rgba.begin(), rgba.end());
    }
    std::string root;
};

TEST_F(TextureLoading, FilesByExtensionAndNumberedImagesUpsideDown) {
    root = testimg::make_temp_folder();
    loading::DataRoot data(root);
    Bytes tga = testimg::tga_header(2, 2, 1, 24, 0x20);
    tga.insert(tga.end(), {10, 20, 30, 40, 50, 60});
    Bytes samples(8 * 16, 0);  // top half white, bottom half black
    std::fill(samples.begin(), samples.begin() + 64, 255);
    std::string error;
    ASSERT_TRUE(
        loading::write_program_bank(root + "/data/Base3", {{"sig3.tga.jpg", tga, false}}, error));
    ASSERT_TRUE(loading::write_image_bank(
        root + "/data/Base4", {{"a", testimg::encode_jpeg(samples, 8, 16, 1, 100), false}}, error));

    Texture* t = device.new_texture();
    int width = 0, height = 0, count = 0;
    ASSERT_TRUE(loading::load_texture(data, *t, "sig3.tga.jpg", width, height));
    EXPECT_EQ(width, 2);
    EXPECT_EQ(t->filter_kind(), TextureFilter::linear);
    EXPECT_EQ(t->address_kind(), TextureAddress::clamp);
    EXPECT_EQ(contents(*t), (Bytes{30, 20, 10, 255, 60, 50, 40, 255}));
    testing::internal::CaptureStderr();  // failures leave the texture as it was
    EXPECT_FALSE(loading::load_texture(data, *t, "oil3.JPG", width, height));
    EXPECT_FALSE(loading::load_texture(data, *t, "missing.jpg", width, height));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(t->width(), 2);

    loading::load_bank_texture(data, *t, 5, 2, width, height, count);  // 5 mod 2 = record 1
    EXPECT_EQ(height, 16);
    EXPECT_EQ(count, 1);
    const Bytes rgba = contents(*t);
    ASSERT_EQ(rgba.size(), 8u * 16 * 4);
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 4), (Bytes{0, 0, 0, 0}));  // first row last
    EXPECT_EQ(Bytes(rgba.end() - 4, rgba.end()), (Bytes{255, 255, 255, 0}));
    loading::load_bank_texture(data, *t, 1, 0, width, height, count);  // no colour-image bank
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(t->height(), 16);
}
