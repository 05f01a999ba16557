#include "loading/image_files.h"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <filesystem>

#include "tests/loading/image_builders.h"

using loading::ImageFormat;
using testimg::Bytes;

TEST(ImageFiles, ExtensionsAreTestedInOrderAnywhereAndCaseSensitively) {
    EXPECT_EQ(loading::image_format_for_path("a/b.tga.jpg"), ImageFormat::kTga);
    EXPECT_EQ(loading::image_format_for_path("x.png.dds"), ImageFormat::kPng);
    EXPECT_EQ(loading::image_format_for_path("data/shaders/oil3.jpg"), ImageFormat::kJpeg);
    EXPECT_EQ(loading::image_format_for_path("dir.jpg/file.dds"), ImageFormat::kJpeg);
    EXPECT_EQ(loading::image_format_for_path("s.dds"), ImageFormat::kDds);
    EXPECT_EQ(loading::image_format_for_path("photo.JPG"), ImageFormat::kUnknown);
    EXPECT_EQ(loading::image_format_for_path("photo.jpeg"), ImageFormat::kUnknown);

    int width = 7, height = 7;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_image_file("photo.JPG", width, height));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load(): unknown format of \"photo.JPG\" file\n");
    EXPECT_EQ(width, 7);
}

TEST(ImageFiles, PngAndDdsAreReadStraightFromTheFileSystem) {
    const std::string folder = testimg::make_temp_folder();
    Bytes dds = testimg::dds_header(1, 1, 0x40, "", 24);
    dds.insert(dds.end(), {1, 2, 3});
    testimg::write_file(folder + "/p.dds", dds);
    testimg::write_file(folder + "/p.png",
                        testimg::encode_png({{4, 5, 6}}, 1, 1, {PNG_COLOR_TYPE_RGB, 8, {}, {}, 0}));

    int width = 0, height = 0;
    loading::PixelBuffer d = loading::load_image_file(folder + "/p.dds", width, height);
    ASSERT_TRUE(d);
    EXPECT_EQ(Bytes(d.get(), d.get() + 4), (Bytes{1, 2, 3, 255}));
    loading::PixelBuffer p = loading::load_image_file(folder + "/p.png", width, height);
    ASSERT_TRUE(p);
    EXPECT_EQ(Bytes(p.get(), p.get() + 4), (Bytes{4, 5, 6, 255}));

    // Missing files: no image and no message.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_image_file(folder + "/missing.png", width, height));
    EXPECT_FALSE(loading::load_image_file(folder + "/missing.dds", width, height));
    std::filesystem::create_directory(folder + "/folder.png");
    EXPECT_FALSE(loading::load_image_file(folder + "/folder.png", width, height));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::filesystem::remove_all(folder);
}
