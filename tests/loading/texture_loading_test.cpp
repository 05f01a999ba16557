// Texture::load and Texture::load_from_bank on a headless device.
#include <gtest/gtest.h>

#include <filesystem>

#include "gfx/texture.h"
#include "loading/bank_cache.h"
#include "loading/bank_packing.h"
#include "loading/data_folder.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/loading/image_builders.h"

using testimg::Bytes;

namespace {

class TextureLoading : public gfx_test::GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        root = testimg::make_temp_folder();
        loading::close_kept_banks();
        loading::set_data_folder(root);
    }
    void TearDown() override {
        loading::close_kept_banks();
        loading::set_data_folder(".");
        std::filesystem::remove_all(root);
        GfxTest::TearDown();
    }
    void pack(const std::string& bank, const std::vector<loading::PackedFile>& files) {
        std::string error;
        ASSERT_TRUE(loading::write_program_bank(root + "/data/" + bank, files, error)) << error;
    }
    Bytes contents(const Texture& t) {
        std::vector<uint8_t> rgba;
        EXPECT_TRUE(device.read_texture(t, rgba));
        return Bytes(rgba.begin(), rgba.end());
    }
    std::string root;
};

}  // namespace

TEST_F(TextureLoading, LoadDecodesByExtensionAndUploads) {
    Bytes tga = testimg::tga_header(2, 2, 1, 24, 0x20);
    tga.insert(tga.end(), {10, 20, 30, 40, 50, 60});
    pack("Base3", {{"data/shaders/sig3.tga.jpg", tga, false}});
    Texture* t = device.new_texture();
    int width = 0, height = 0;
    ASSERT_TRUE(t->load("data/shaders/sig3.tga.jpg", width, height));
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(t->width(), 2);
    EXPECT_EQ(t->filter_kind(), 1);
    EXPECT_EQ(t->address_kind(), 1);
    EXPECT_EQ(contents(*t), (Bytes{30, 20, 10, 255, 60, 50, 40, 255}));

    // Failures leave the texture as it was.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(t->load("data/shaders/oil3.JPG", width, height));
    EXPECT_FALSE(t->load("data/shaders/missing.jpg", width, height));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(t->width(), 2);
    EXPECT_EQ(contents(*t), (Bytes{30, 20, 10, 255, 60, 50, 40, 255}));
}

TEST_F(TextureLoading, NumberedImagesArriveUpsideDown) {
    // 8 x 16 grey JPEG: top half white, bottom half black.
    Bytes samples(8 * 16, 0);
    std::fill(samples.begin(), samples.begin() + 8 * 8, 255);
    std::vector<loading::PackedFile> images = {
        {"one", testimg::encode_jpeg(samples, 8, 16, 1, 100), false}};
    std::string error;
    ASSERT_TRUE(loading::write_image_bank(root + "/data/Base4", images, error)) << error;

    Texture* t = device.new_texture();
    int width = 0, height = 0, count = 0;
    t->load_from_bank(5, 2, width, height, count);  // 5 mod 2 = 1
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(t->height(), 16);
    const Bytes rgba = contents(*t);
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 4), (Bytes{0, 0, 0, 0}));  // first row last
    EXPECT_EQ(Bytes(rgba.end() - 4, rgba.end()), (Bytes{255, 255, 255, 0}));

    // No image: width and height 0, the texture keeps its image.
    t->load_from_bank(1, 0, width, height, count);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(t->height(), 16);
}
