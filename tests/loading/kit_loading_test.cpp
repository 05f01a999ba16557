// brushwright-kit pack, data read and image decode|bank, run as the tool.
#include <gtest/gtest.h>

#include <filesystem>

#include "loading/png_decoder.h"
#include "loading/whole_file.h"
#include "tests/kit_run.h"
#include "tests/loading/image_builders.h"

using testimg::Bytes;

class KitLoading : public ::testing::Test {
  protected:
    void SetUp() override { dir = testimg::make_temp_folder(); }
    void TearDown() override {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    // Runs the tool; `out` and `err` receive what it wrote.
    int run(const std::string& args) {
        testkit::KitRun r = testkit::run_kit(args);
        out = std::move(r.out);
        err = std::move(r.err);
        return r.status;
    }
    std::string dir, out, err;
};

TEST_F(KitLoading, PackedFilesReadBackUnchanged) {
    Bytes binary(300);
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<unsigned char>(i);
    testimg::write_file(dir + "/src/data/shaders/a.bin", binary);
    testimg::write_file(dir + "/root/data/e.txt", {'p', 'l'});
    ASSERT_EQ(run("pack program " + dir + "/root/data/Base3 " + dir + "/src " + dir +
                  "/src/data/shaders/a.bin --empty data/e.txt"),
              0)
        << err;
    ASSERT_EQ(run("data read " + dir + "/root data/shaders/a.bin"), 0) << err;
    EXPECT_EQ(out, std::string(binary.begin(), binary.end()));
    ASSERT_EQ(run("data read " + dir + "/root data/e.txt"), 0) << err;
    EXPECT_EQ(out, "pl");
    EXPECT_EQ(run("data read " + dir + "/root data/none.txt"), 1);
    EXPECT_EQ(err, "Shader::Shader(): can't open \"data/none.txt\" file\n");
    EXPECT_EQ(run("pack program " + dir + "/b " + dir + "/src " + dir + "/elsewhere"), 1);

    // A plain file larger than anything the saver can use is refused by its size, unread.
    std::filesystem::resize_file(dir + "/root/data/e.txt", loading::kLargestDataFile + 1);
    EXPECT_EQ(run("data read " + dir + "/root data/e.txt"), 1);
    EXPECT_NE(err.find("are not read"), std::string::npos) << err;
    // Keys of empty values: none empty, and a warning for one the saver reads no file for.
    EXPECT_EQ(run("pack program " + dir + "/c " + dir + "/src --empty ''"), 1);
    EXPECT_EQ(run("pack program " + dir + "/c " + dir + "/src --empty ../e.txt"), 0);
    EXPECT_NE(err.find("warning: \"../e.txt\" is not a path inside the data folder"),
              std::string::npos)
        << err;
}

TEST_F(KitLoading, ImagesDecodeToPng) {
    Bytes tga = testimg::tga_header(2, 1, 2, 32, 0x00);  // bottom row stored first
    tga.insert(tga.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    testimg::write_file(dir + "/t.tga", tga);
    ASSERT_EQ(run("image decode " + dir + "/t.tga -o " + dir + "/t.png"), 0) << err;
    size_t size = 0;
    int width = 0, height = 0;
    loading::ByteBuffer png = loading::read_whole_file(dir + "/t.png", size);
    ASSERT_TRUE(png);
    loading::PixelBuffer rgba = loading::decode_png(png.get(), size, "t.png", width, height);
    ASSERT_TRUE(rgba);
    EXPECT_EQ(Bytes(rgba.get(), rgba.get() + 8), (Bytes{7, 6, 5, 8, 3, 2, 1, 4}));  // top first
    testimg::write_file(dir + "/a.jpg", testimg::encode_jpeg(Bytes(64, 9), 8, 8, 1));
    ASSERT_EQ(run("pack images " + dir + "/root/data/Base1 " + dir + "/a.jpg"), 0) << err;
    EXPECT_EQ(run("image bank " + dir + "/root 0 2 -o " + dir + "/o.png"), 0) << err;
    EXPECT_EQ(out, "8 x 8, image count 1\n");

    testimg::write_file(dir + "/bad.dds", Bytes(200, 0));
    EXPECT_EQ(run("image decode " + dir + "/bad.dds -o " + dir + "/x.png"), 1);
    EXPECT_EQ(err, "Texture::load_dds(): wrong magic in \"" + dir + "/bad.dds\" file\n");
    EXPECT_EQ(run("image bank " + dir + "/root 2 1 -o " + dir + "/o.png"), 1);  // no Base4
    EXPECT_EQ(run("image decode " + dir + "/t.tga"), 2);
}
