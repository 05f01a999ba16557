// The engine on a headless device: the program set's rules, image choice, the values the passes
// give their programs, and whole paintings of the sample picture through `brushwright --render`.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "gfx/texture.h"
#include "loading/png_decoder.h"
#include "picture/passes.h"
#include "tests/picture/picture_fixture.h"

namespace {

using picture_test::PictureTest;

TEST_F(PictureTest, ProgramSetPrefersThePictureFolderAndSharesFormGenerators) {
    // formgen.1 is missing: plan 1 shares plan 0's. deriv is only in the common folder; the
    // common folder's visual declares "alpha" alone, the picture's "alpha" and "beta".
    picture_test::ProgramNames alpha_only{{"alpha"}, 2};
    write_picture(
        "PLANS=3 BGCOLOR=2", {0, 2}, {"deriv.bsf", "silhouette.bsf"},
        {{"data/shaders/visual.bsf", picture_test::make_program(alpha_only), false},
         {"data/shaders/deriv.bsf",
          picture_test::make_program(picture_test::program_names().at("deriv.bsf")), false}});
    ASSERT_EQ(start(), picture::StartResult::started);
    const picture::ProgramSet& set = current().programs;
    EXPECT_EQ(set.formgen[1], set.formgen[0]);
    EXPECT_NE(set.formgen[2], set.formgen[0]);
    EXPECT_EQ(set.formgen[3], nullptr);
    EXPECT_NE(constant(set.visual, "beta"), nullptr);
    ASSERT_NE(set.deriv, nullptr);
    EXPECT_TRUE(set.deriv->loaded());
    EXPECT_EQ(set.silhouette, nullptr);
    step();  // a missing program skips its pass

    // PLANS=7 gives five plans with their own generators.
    stop();
    write_picture("PLANS=7 SILHOUETTE=1 FLTR1=1 FLTR2=1", {0, 1, 2, 3, 4});
    ASSERT_EQ(start(), picture::StartResult::started);
    const picture::Picture& five = current();
    EXPECT_EQ(five.plan_count(), 5);
    for (int i = 1; i < 5; ++i) EXPECT_NE(five.programs.formgen[i], five.programs.formgen[i - 1]);
    step();
    // Plan positions 0, 0.25 ... 1 reach each plan's generator.
    for (int i = 0; i < 5; ++i)
        EXPECT_FLOAT_EQ(constant(five.programs.formgen[i], "layer")->value[0],
                        static_cast<float>(i) / 4.0f);
}

TEST_F(PictureTest, StartRefusesAMissingParameterFileOrNoPlans) {
    settings.data_folder = root;
    EXPECT_EQ(start(), picture::StartResult::no_parameters);
    write_picture("BGCOLOR=2");
    EXPECT_EQ(start(), picture::StartResult::no_parameters);
    EXPECT_EQ(running, nullptr);

    // Another picture is only data: it paints under its own name, and only under it.
    settings.picture_name = "Smallmeadow";
    write_picture("PLANS=2 BGCOLOR=2");
    ASSERT_EQ(start(), picture::StartResult::started);
    EXPECT_EQ(current().config.name, "Smallmeadow");
    step();
    EXPECT_TRUE(current().timeline.new_painting);
    settings.picture_name = picture::kPictureName;
    EXPECT_EQ(start(), picture::StartResult::no_parameters);
}

TEST_F(PictureTest, PassesReceiveTheirValues) {
    write_picture("PLANS=3 BGCOLOR=2 TEX=1 BUMP1=0.25 BUMP2=0.5 DIST=0.3");
    ASSERT_EQ(start(), picture::StartResult::started);
    picture::Picture& p = current();
    step();
    ASSERT_TRUE(p.timeline.new_painting);
    // The first step: phase 1.1, t = 0.99197; a painting begun going up mixes with t' = 1 - t.
    // The painting motion after one frame (m = 0.005): p0 = 0.88699, p1 = 0.89650.
    const float t_prime = 0.0080275f;
    const auto near = [](const std::array<float, 4>& got, const std::array<float, 4>& want) {
        for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 2e-6) << i;
    };
    const picture::ProgramSet& set = p.programs;
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(constant(set.formgen[i], "layer")->value[0], static_cast<float>(i) * 0.5f);
    EXPECT_EQ(constant(set.colorgen, "fon")->value[0], 0.0f);  // the last plan's
    // The form follows the plan's colour images, as colorgen gets them.
    EXPECT_EQ(sampler(set.formgen_out, 6), p.last_plan().colour(1));
    EXPECT_EQ(sampler(set.formgen_out, 7), p.last_plan().colour(0));
    EXPECT_NEAR(constant(set.formgen_out, "beta")->value[0], 0.9919725f, 2e-6);  // t itself
    EXPECT_EQ(constant(set.colorgen, "shift")->value,
              (std::array<float, 4>{p.config.bump0, 0, 0, 0}));
    const auto param = constant(set.paint, "param")->value;
    near(param, {0.8869877f, 0.8965019f, 0.0f, 0.4f});
    near(constant(set.paint, "beta")->value, {0.3f, 1.0f, t_prime, 0});
    near(constant(set.surface_out, "bump1")->value, {0.25f, 0.5f, t_prime, 0});
    // With a colour canvas the colour pass samples it twice and takes a = t'.
    EXPECT_EQ(sampler(set.color_out, 1), p.colour_canvas);
    EXPECT_EQ(sampler(set.color_out, 2), p.colour_canvas);
    EXPECT_NEAR(constant(set.color_out, "a")->value[0], t_prime, 2e-6);
    near(constant(set.color_out, "shift")->value, {0.3f, 0.1f, t_prime, 0});
    EXPECT_EQ(sampler(set.color_out, 3), p.last_plan().colour(0));
    // Filters get delta / width and the second pass.
    EXPECT_EQ(constant(set.filter, "_pass")->value[0], 1.0f);
    EXPECT_FLOAT_EQ(constant(set.filter, "delta")->value[0], 1.0f / 160.0f);
    // The first painting went to output_a, and fades in over output_b, still black.
    EXPECT_TRUE(p.output_toggle);
    EXPECT_EQ(sampler(set.visual, 0), p.output_a);
    EXPECT_FLOAT_EQ(constant(set.visual, "alpha")->value[0], 1.0f);
    // The painting's scratch targets are let go once it is done; they keep their size.
    for (const Texture* scratch : {p.plan_work, p.form_mix, p.facture_mix}) {
        EXPECT_FALSE(scratch->holds_image());
        EXPECT_GT(scratch->width(), 0);
    }
    // So are the images the next painting loads again or writes before it reads them: the
    // plans' factures, the form slot and the facture pair it chooses into.
    for (int slot = 0; slot < 2; ++slot)
        for (int i = 0; i < 3; ++i) EXPECT_FALSE(p.plans[i]->facture(slot)->holds_image());
    EXPECT_TRUE(p.plans[2]->incoming_form()->holds_image());
    EXPECT_FALSE(p.plans[2]->form(p.timeline.direction < 0 ? 1 : 0)->holds_image());
    EXPECT_EQ(p.plans[0]->incoming_form(), p.plans[2]->incoming_form());
    EXPECT_FALSE(p.pair1_previous->holds_image());
    EXPECT_TRUE(p.pair1_current->holds_image());
    step();
    EXPECT_GT(p.timeline.fade, 0.0f);
    EXPECT_FLOAT_EQ(constant(set.visual, "alpha")->value[0], 1.0f - p.timeline.t * p.timeline.fade);

    // The next painting goes to output_b, the one after to output_a again. The second begins
    // going down, one small step past the end at pi/2: t = t' just below 1, the crossfade
    // weight 1 - t just above 0.
    while (!(step(), p.timeline.new_painting)) {
    }
    EXPECT_FALSE(p.output_toggle);
    EXPECT_NEAR(constant(set.paint, "beta")->value[2], 1.0f, 1e-5);
    EXPECT_NEAR(constant(set.visual, "alpha")->value[0], 0.0f, 1e-5);
    while (!(step(), p.timeline.new_painting)) {
    }
    EXPECT_TRUE(p.output_toggle);
}

TEST_F(PictureTest, OnePlanUsesTheSpareImagesAndTheBackgroundChoice) {
    write_picture("PLANS=1 BGCOLOR=1 TEX=0");
    ASSERT_EQ(start(), picture::StartResult::started);
    picture::Picture& p = current();
    step();
    const picture::ProgramSet& set = p.programs;
    EXPECT_FLOAT_EQ(constant(set.paint, "param")->value[3], 0.7f);
    EXPECT_EQ(sampler(set.color_out, 1), p.plans[0]->colour(0));
    EXPECT_NEAR(constant(set.color_out, "a")->value[0], 0.9919725f, 2e-6);  // t itself
    EXPECT_EQ(sampler(set.color_out, 3), p.spare[0]);
    EXPECT_EQ(sampler(set.color_out, 4), p.spare[1]);
    EXPECT_GE(p.timeline.background_index, 0);  // the single-plan background was chosen
    EXPECT_GT(p.spare_current->width(), 0);
    // No colour canvas: colorgen never drew, so its "fon" was never set.
    EXPECT_EQ(constant(set.colorgen, "fon")->value[0], 0.0f);
}

TEST_F(PictureTest, ImageChoiceStepsAwayFromNumbersThatDoNotLoad) {
    write_picture("PLANS=1 BGCOLOR=1");
    // A colour bank of 8 records where records 1, 2, 3, 7 and 8 are empty.
    std::vector<loading::PackedFile> images;
    for (int i = 1; i <= 8; ++i) {
        const bool empty = i <= 3 || i >= 7;
        images.push_back({"image" + std::to_string(i),
                          empty ? testimg::Bytes{} : picture_test::striped_jpeg(i, 32, 24, 3),
                          empty});
    }
    std::string error;
    ASSERT_TRUE(loading::write_image_bank(root + "/data/Base1", images, error)) << error;
    ASSERT_EQ(start(), picture::StartResult::started);
    picture::Picture& p = current();
    Texture* texture = p.device.new_texture();
    // 3, 2, 1, 0 fail; -1 becomes the previous number 5.
    EXPECT_EQ(picture::choose_numbered_image(p, texture, 3, 5, picture::kColourKind), 5);
    // 7, 8 fail, 9 wraps to 0 (record 1), which fails and steps to -1: the previous number.
    EXPECT_EQ(picture::choose_numbered_image(p, texture, 7, 5, picture::kColourKind), 5);
    EXPECT_EQ(p.colour_count, 8);
    // The number-only kind loads nothing and gives n modulo 90.
    EXPECT_EQ(picture::choose_numbered_image(p, texture, 1000, 0, picture::kNumberOnlyKind), 10);

    // A bank where nothing loads: the tries end and the texture stays empty.
    for (auto& image : images) image = {image.key, {}, true};
    ASSERT_TRUE(loading::write_image_bank(root + "/data/Base1", images, error)) << error;
    p.data.close_banks();
    Texture* empty = p.device.new_texture();
    picture::choose_numbered_image(p, empty, -1, 0, picture::kColourKind);
    EXPECT_EQ(empty->width(), 0);
    // Only record 8 loads: down from 7 through 0 (record 1 again), -1 becomes the previous
    // number 8 on the ninth and last of the count + 1 tries.
    images.back() = {images.back().key, picture_test::striped_jpeg(8, 32, 24, 3), false};
    ASSERT_TRUE(loading::write_image_bank(root + "/data/Base1", images, error)) << error;
    p.data.close_banks();
    Texture* last = p.device.new_texture();
    EXPECT_EQ(picture::choose_numbered_image(p, last, 7, 8, picture::kColourKind), 8);
    EXPECT_GT(last->width(), 0);
}

// Each picture owns its device, data root, clock and random numbers: painted frame by frame in
// turn, two pictures give what each gives alone.
TEST_F(PictureTest, TwoPicturesInOneProcessPaintAsEachAlone) {
    write_picture("PLANS=2 BGCOLOR=2 SILHOUETTE=1");
    settings.delay = 0;
    settings.speed = 2000;
    const auto paint = [&](const std::vector<uint32_t>& seeds) {
        std::vector<uint32_t> times(seeds.size(), 0);
        std::vector<std::unique_ptr<picture::Picture>> pictures;
        for (size_t i = 0; i < seeds.size(); ++i) {
            const uint32_t seed = seeds[i];
            pictures.push_back(
                picture::start_picture(settings,
                                       {[seed] { return seed; }, [&times, i] { return times[i]; }},
                                       0, 64, 48, false)
                    .picture);
            EXPECT_NE(pictures.back(), nullptr);
        }
        std::vector<std::vector<uint8_t>> shown(seeds.size());
        for (int frame = 0; frame < 30; ++frame) {
            for (size_t i = 0; i < pictures.size(); ++i) {
                times[i] += 16;
                if (pictures[i]) picture::draw_frame(*pictures[i]);
            }
        }
        // What the frames showed, and the mixing values its random numbers drew.
        for (size_t i = 0; i < pictures.size(); ++i) {
            if (!pictures[i]) continue;
            EXPECT_TRUE(pictures[i]->device.read_texture(*pictures[i]->output_a, shown[i]));
            for (float v : pictures[i]->plans[0]->mixing())
                shown[i].push_back(static_cast<uint8_t>(v * 255));
        }
        return shown;
    };
    const auto first = paint({1}), second = paint({2}), both = paint({1, 2});
    ASSERT_FALSE(first[0].empty());
    EXPECT_NE(first[0], second[0]);
    EXPECT_EQ(both[0], first[0]);
    EXPECT_EQ(both[1], second[0]);
}

// Whole paintings of the sample picture from the command line.
using picture_test::read_bytes;

TEST(HeadlessRender, SampleViewPaintsDistinctRepeatablePaintings) {
    const std::string out = testimg::make_temp_folder();
    const std::string command = std::string(BRUSHWRIGHT_BINARY) + " --render " + out +
                                "/%s --paintings 3 --size 320x180 --seed 7 --delay 0.5 >/dev/null";
    char line[1024];
    for (const char* run : {"a", "b"}) {
        std::snprintf(line, sizeof line, command.c_str(), run);
        ASSERT_EQ(std::system(line), 0) << line;
    }
    std::vector<std::vector<unsigned char>> paintings;
    for (int i = 1; i <= 3; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/painting-%03d.png", i);
        paintings.push_back(read_bytes(out + "/a" + name));
        EXPECT_EQ(paintings.back(), read_bytes(out + "/b" + name)) << name;
        int width = 0, height = 0;
        loading::PixelBuffer pixels = loading::decode_png(
            paintings.back().data(), paintings.back().size(), name, width, height);
        ASSERT_TRUE(pixels);
        ASSERT_EQ(width, 320);
        // Neither blank nor flat: the luminance spreads over a good part of the range.
        double sum = 0, sum2 = 0;
        const int n = width * height;
        for (int k = 0; k < n; ++k) {
            const unsigned char* px = pixels.get() + 4 * k;
            const double l = 0.3 * px[0] + 0.59 * px[1] + 0.11 * px[2];
            sum += l;
            sum2 += l * l;
        }
        const double mean = sum / n, deviation = std::sqrt(sum2 / n - mean * mean);
        EXPECT_GT(mean, 20.0) << name;
        EXPECT_LT(mean, 235.0) << name;
        EXPECT_GT(deviation, 8.0) << name;
    }
    EXPECT_NE(paintings[0], paintings[1]);
    EXPECT_NE(paintings[1], paintings[2]);
    std::filesystem::remove_all(out);
}

}  // namespace
