#include "loading/image_files.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "loading/data_root.h"
#include "tests/loading/image_builders.h"

using loading::ImageFormat;
using testimg::Bytes;

TEST(ImageFiles, ExtensionsAreTestedInOrderAnywhereAndCaseSensitively) {
    loading::DataRoot data;
    EXPECT_EQ(loading::image_format_for_path("a/b.tga.jpg"), ImageFormat::kTga);
    EXPECT_EQ(loading::image_format_for_path("x.png.dds"), ImageFormat::kPng);
    EXPECT_EQ(loading::image_format_for_path("dir.jpg/file.dds"), ImageFormat::kJpeg);
    EXPECT_EQ(loading::image_format_for_path("s.dds"), ImageFormat::kDds);
    int width = 7, height = 7;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_image_file(data, "photo.JPG", width, height));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Texture::load(): unknown format of \"photo.JPG\" file\n");
}

TEST(ImageFiles, PngAndDdsAreReadStraightFromTheFileSystem) {
    const std::string dir = testimg::make_temp_folder();
    loading::DataRoot data;
    testimg::write_file(dir + "/p.png",
                        testimg::encode_png({{4, 5, 6}}, 1, 1, {PNG_COLOR_TYPE_RGB, 8}));
    std::filesystem::create_directory(dir + "/folder.dds");
    int width = 0, height = 0;
    loading::PixelBuffer p = loading::load_image_file(data, dir + "/p.png", width, height);
    ASSERT_TRUE(p);
    EXPECT_EQ(Bytes(p.get(), p.get() + 4), (Bytes{4, 5, 6, 255}));
    testing::internal::CaptureStderr();  // missing files and folders: no image, no message
    EXPECT_FALSE(loading::load_image_file(data, dir + "/missing.png", width, height));
    EXPECT_FALSE(loading::load_image_file(data, dir + "/folder.dds", width, height));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::filesystem::remove_all(dir);
}
