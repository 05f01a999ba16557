// The sample picture's generators: the same image number gives the same file bytes, and the
// signature's TGA decodes upright with its ink in the alpha channel.
#include <gtest/gtest.h>

#include "loading/tga_decoder.h"
#include "pictures/Farmeadow/generators/canvas_grain.h"
#include "pictures/Farmeadow/generators/facture.h"
#include "pictures/Farmeadow/generators/landscape.h"
#include "pictures/Farmeadow/generators/signature.h"

namespace {

TEST(FarmeadowGenerators, SameNumberGivesTheSameBytes) {
    EXPECT_EQ(farmeadow::encode_jpeg(farmeadow::make_landscape(7), 90),
              farmeadow::encode_jpeg(farmeadow::make_landscape(7), 90));
    EXPECT_NE(farmeadow::make_landscape(7).pixels, farmeadow::make_landscape(8).pixels);
    EXPECT_EQ(farmeadow::encode_jpeg(farmeadow::make_facture(5), 92),
              farmeadow::encode_jpeg(farmeadow::make_facture(5), 92));
}

TEST(FarmeadowGenerators, GrainTilesWithoutASeam) {
    // The step across the tile's edge is no larger than steps inside it.
    const farmeadow::Image grain = farmeadow::make_canvas_grain();
    auto step = [&](int x0, int x1, int y) {
        return std::abs(int(grain.pixels[y * grain.width + x0]) -
                        int(grain.pixels[y * grain.width + x1]));
    };
    long edge = 0, inside = 0;
    for (int y = 0; y < grain.height; ++y) {
        edge += step(grain.width - 1, 0, y);
        inside += step(grain.width / 2 - 1, grain.width / 2, y);
    }
    EXPECT_LE(edge, inside * 2);
}

TEST(FarmeadowGenerators, SignatureDecodesUprightWithAlpha) {
    const farmeadow::Image sig = farmeadow::make_signature();
    const std::vector<uint8_t> tga = farmeadow::encode_tga(sig);
    int width = 0, height = 0;
    const loading::PixelBuffer decoded = loading::decode_tga(tga.data(), tga.size(), width, height);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(width, farmeadow::kSignatureWidth);
    ASSERT_EQ(height, farmeadow::kSignatureHeight);
    EXPECT_TRUE(std::equal(sig.pixels.begin(), sig.pixels.end(), decoded.get()));
    EXPECT_EQ(decoded[3], 0);  // top-left corner is transparent
    int inked = 0;
    for (size_t i = 3; i < sig.pixels.size(); i += 4) inked += sig.pixels[i] > 128;
    EXPECT_GT(inked, 300);
}

}  // namespace
