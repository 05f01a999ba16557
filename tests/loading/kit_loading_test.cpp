// brushwright-kit pack, data read and image decode|bank, run as the tool.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "loading/png_decoder.h"
#include "loading/whole_file.h"
#include "tests/loading/image_builders.h"

using testimg::Bytes;

namespace {

class KitLoading : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* env = std::getenv("BRUSHWRIGHT_KIT");
        if (env == nullptr) GTEST_SKIP() << "BRUSHWRIGHT_KIT is not set";
        kit = env;
        dir = testimg::make_temp_folder();
    }
    void TearDown() override {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    // Runs the tool with `args`; stdout goes to `out` (a file below dir), stderr to `err`.
    int run(const std::string& args) {
        const std::string command = kit + " " + args + " >" + dir + "/out 2>" + dir + "/err";
        const int status = std::system(command.c_str());
        out = slurp(dir + "/out");
        err = slurp(dir + "/err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string slurp(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // The RGBA pixels of a PNG written by the tool.
    Bytes png_pixels(const std::string& path, int& width, int& height) {
        size_t size = 0;
        loading::ByteBuffer bytes = loading::read_whole_file(path, size);
        if (!bytes) return {};
        loading::PixelBuffer p = loading::decode_png(bytes.get(), size, path, width, height);
        if (!p) return {};
        return Bytes(p.get(), p.get() + static_cast<size_t>(width) * height * 4);
    }

    std::string kit, dir, out, err;
};

}  // namespace

TEST_F(KitLoading, PackedProgramFilesReadBackUnchanged) {
    Bytes binary(300);
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<unsigned char>(i);
    testimg::write_file(dir + "/src/data/shaders/a.bin", binary);
    testimg::write_file(dir + "/root/data/e.txt", Bytes{'p', 'l'});
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
    EXPECT_EQ(run("pack program " + dir + "/b " + dir + "/src " + dir + "/elsewhere.txt"), 1);
    EXPECT_EQ(run("data read " + dir), 2);
}

TEST_F(KitLoading, ImageDecodeWritesRgbaPngTopRowFirst) {
    Bytes tga = testimg::tga_header(2, 1, 2, 32, 0x00);  // bottom row stored first
    tga.insert(tga.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    testimg::write_file(dir + "/t.tga", tga);
    ASSERT_EQ(run("image decode " + dir + "/t.tga -o " + dir + "/t.png"), 0) << err;
    int width = 0, height = 0;
    EXPECT_EQ(png_pixels(dir + "/t.png", width, height), (Bytes{7, 6, 5, 8, 3, 2, 1, 4}));
    EXPECT_EQ(height, 2);

    testimg::write_file(dir + "/bad.dds", Bytes(200, 0));
    EXPECT_EQ(run("image decode " + dir + "/bad.dds -o " + dir + "/x.png"), 1);
    EXPECT_EQ(err, "Texture::load_dds(): wrong magic in \"" + dir + "/bad.dds\" file\n");
    EXPECT_EQ(run("image decode " + dir + "/t.TGA -o " + dir + "/x.png"), 1);
    EXPECT_EQ(run("image decode " + dir + "/t.tga"), 2);
}

TEST_F(KitLoading, ImageBankDecodesBeforeTheRowFlip) {
    Bytes samples(8 * 16, 0);
    std::fill(samples.begin(), samples.begin() + 8 * 8, 255);  // top half white
    testimg::write_file(dir + "/a.jpg", testimg::encode_jpeg(samples, 8, 16, 1, 100));
    testimg::write_file(dir + "/b.jpg", testimg::encode_jpeg(Bytes(4 * 4, 9), 4, 4, 1));
    ASSERT_EQ(run("pack images " + dir + "/root/data/Base1 " + dir + "/a.jpg " + dir + "/b.jpg"), 0)
        << err;
    ASSERT_EQ(run("image bank " + dir + "/root 0 3 -o " + dir + "/o.png"), 0) << err;  // 3 mod 3
    int width = 0, height = 0;
    Bytes rgba = png_pixels(dir + "/o.png", width, height);
    ASSERT_EQ(rgba.size(), 8u * 16 * 4);
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 4), (Bytes{255, 255, 255, 0}));
    EXPECT_EQ(run("image bank " + dir + "/root 2 1 -o " + dir + "/o.png"), 1);  // no Base4
}
