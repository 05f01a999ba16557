#include "loading/bank_images.h"

#include <gtest/gtest.h>

#include "tests/loading/data_folder_fixture.h"

using testimg::Bytes;

namespace {

// A grey JPEG of width `w` (the width tells the records apart) with the value `grey`.
Bytes grey_jpeg(int w, unsigned char grey = 200) {
    return testimg::encode_jpeg(Bytes(static_cast<size_t>(w) * 8, grey), w, 8, 1);
}

struct Loaded {
    loading::PixelBuffer pixels;
    int width = -1, height = -1, count = -1;
};

Loaded load(int n, int kind) {
    Loaded l;
    l.pixels = loading::load_bank_image(n, kind, l.width, l.height, l.count);
    return l;
}

}  // namespace

using BankImages = DataFolderTest;

TEST_F(BankImages, NumbersAreReducedModuloCountPlusOne) {
    image_bank("Base1", {grey_jpeg(8), grey_jpeg(16), grey_jpeg(24)});
    const struct {
        int n, width;
    } cases[] = {{0, 8}, {1, 8}, {2, 16}, {3, 24}, {4, 8}, {5, 8}, {6, 16}, {7, 24}};
    for (const auto& c : cases) {
        Loaded l = load(c.n, loading::kColourImages);
        ASSERT_TRUE(l.pixels) << c.n;
        EXPECT_EQ(l.width, c.width) << c.n;
        EXPECT_EQ(l.height, 8);
        EXPECT_EQ(l.count, 3);
    }
    Loaded l = load(2, loading::kColourImages);
    EXPECT_EQ(Bytes(l.pixels.get(), l.pixels.get() + 4), (Bytes{200, 200, 200, 0}));
}

TEST_F(BankImages, EachKindHasItsOwnBank) {
    image_bank("Base2", {grey_jpeg(16)});
    image_bank("Base4", {grey_jpeg(24), grey_jpeg(32)});
    EXPECT_EQ(load(1, loading::kFormImages).width, 16);
    Loaded facture = load(2, loading::kFactureImages);
    EXPECT_EQ(facture.width, 32);
    EXPECT_EQ(facture.count, 2);
    Loaded colour = load(1, loading::kColourImages);  // no Base1 folder
    EXPECT_FALSE(colour.pixels);
    EXPECT_EQ(colour.count, -1);
    EXPECT_FALSE(load(1, 3).pixels);
    EXPECT_FALSE(load(1, -1).pixels);
}

TEST_F(BankImages, CountIsSetEvenWhenTheRecordFails) {
    Bytes broken = grey_jpeg(8);
    broken.resize(broken.size() / 2);
    image_bank("Base1", {grey_jpeg(8), broken, Bytes{}, Bytes{1, 2, 3}});
    testing::internal::CaptureStderr();
    for (int n : {2, 3, 4, -1}) {
        Loaded l = load(n, loading::kColourImages);
        EXPECT_FALSE(l.pixels) << n;
        EXPECT_EQ(l.count, 4) << n;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(load(1, loading::kColourImages).pixels);  // the bank stays usable
}

TEST_F(BankImages, EmptyDataFolderTextBecomesDot) {
    loading::set_data_folder("");
    load(1, loading::kColourImages);
    EXPECT_EQ(loading::data_folder(), ".");
}
