#include "loading/bank_images.h"

#include <gtest/gtest.h>

#include "tests/loading/data_folder_fixture.h"

using testimg::Bytes;

namespace {

// A grey JPEG whose width tells the records apart.
Bytes grey_jpeg(int w) {
    return testimg::encode_jpeg(Bytes(static_cast<size_t>(w) * 8, 200), w, 8, 1);
}

struct Loaded {
    loading::PixelBuffer pixels;
    int width = -1, height = -1, count = -1;
};

}  // namespace

class BankImages : public DataFolderTest {
  protected:
    Loaded load(int n, int kind) {
        Loaded l;
        l.pixels = loading::load_bank_image(data, n, kind, l.width, l.height, l.count);
        return l;
    }
};

TEST_F(BankImages, NumbersAreReducedModuloCountPlusOne) {
    image_bank("Base1", {grey_jpeg(8), grey_jpeg(16), grey_jpeg(24)});
    // 0 and count + 1 give record 1, count the last one, count + 2 record 1 again.
    for (const auto& [n, width] : {std::pair{0, 8}, {2, 16}, {3, 24}, {4, 8}, {5, 8}, {6, 16}}) {
        Loaded l = load(n, loading::kColourImages);
        ASSERT_TRUE(l.pixels) << n;
        EXPECT_EQ(l.width, width) << n;
        EXPECT_EQ(l.count, 3);
    }
    Loaded l = load(1, loading::kColourImages);
    EXPECT_EQ(Bytes(l.pixels.get(), l.pixels.get() + 4), (Bytes{200, 200, 200, 0}));
}

TEST_F(BankImages, CountIsSetEvenWhenTheRecordFails) {
    Bytes broken = grey_jpeg(8);
    broken.resize(broken.size() / 2);
    image_bank("Base4", {grey_jpeg(8), broken, Bytes{}});
    testing::internal::CaptureStderr();
    for (int n : {2, 3, -1}) {  // truncated, empty, negative
        Loaded l = load(n, loading::kFactureImages);
        EXPECT_FALSE(l.pixels) << n;
        EXPECT_EQ(l.count, 3) << n;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(load(1, loading::kFactureImages).pixels);  // the bank stays usable
    // No Base1 or Base2 folder, or no such kind: no image and the count is left alone.
    for (int kind : {0, 1, 3}) EXPECT_EQ(load(1, kind).count, -1) << kind;
    EXPECT_EQ(loading::DataRoot("").folder(), ".");
}
