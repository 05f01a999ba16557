// brushwright-kit picture build and check on a small picture of our own: the check reports a
// name a pass sets that its program lacks, a program far too slow for a frame, and an image
// that no longer decodes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pictures/Farmeadow/generators/image_encoding.h"
#include "tests/kit_run.h"

namespace {

namespace fs = std::filesystem;

int run_kit(const std::string& args, std::string& output) {
    const testkit::KitRun r = testkit::run_kit(args);
    output = r.out + r.err;
    return r.status;
}

void write_text(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A pixel shader declaring `params` (float4 each) and samplers 0 .. samplers - 1.
std::string pixel_listing(const std::vector<std::string>& params, int samplers) {
    std::string table = "// Parameters:\n//\n", rows, body = "    ps_3_0\n    dcl_texcoord v0.xy\n";
    for (const auto& p : params) table += "//   float4 " + p + ";\n";
    for (int s = 0; s < samplers; ++s)
        table += "//   sampler2D texSampler" + std::to_string(s) + ";\n";
    table += "//\n// Registers:\n//\n//   Name Reg Size\n//   ---- --- ----\n";
    int reg = 0;
    for (const auto& p : params) table += "//   " + p + " c" + std::to_string(reg++) + " 1\n";
    for (int s = 0; s < samplers; ++s)
        table += "//   texSampler" + std::to_string(s) + " s" + std::to_string(s) + " 1\n";
    table += "//\n";
    for (int s = 0; s < samplers; ++s) body += "    dcl_2d s" + std::to_string(s) + "\n";
    body += samplers > 0 ? "    texld r0, v0, s0\n" : "    mov r0, c0\n";
    body += "    mov oC0, r0\n";
    return table + body;
}

TEST(KitPicture, CheckReportsAMissingNameAndADamagedImage) {
    // A folder of its own: other builds may run this test at the same time.
    const fs::path top =
        fs::path(testing::TempDir()) / ("kit_picture_test." + std::to_string(::getpid()));
    fs::remove_all(top);
    const fs::path source = top / "Farmeadow", shaders = source / "shaders";
    const fs::path root = top / "root", photos = top / "photos";
    write_text(source / "Farmeadow.hdr", "PLANS=1 BGCOLOR=2 DIST=0.3 GLOSS=1\n");
    write_text(shaders / "quad.vs.asm",
               "// Parameters:\n//\n// Registers:\n//\n    vs_3_0\n    dcl_position v0\n"
               "    dcl_texcoord v1\n    dcl_position o0\n    dcl_texcoord o1\n"
               "    mov o0, v0\n    mov o1, v1\n");
    write_text(shaders / "paint.ps.asm",
               pixel_listing({"alpha", "beta", "gamma", "param", "atr1", "patr1", "time"}, 5));
    write_text(shaders / "visual.ps.asm", pixel_listing({"alpha"}, 2));  // no "beta"
    // A form generator that is legal but far too slow: 2 x 255 x 255 texture reads a pixel.
    std::string formgen = pixel_listing({"atr1", "f1", "f2", "f3", "f4", "layer"}, 3);
    formgen.replace(formgen.find("    texld"), 0,
                    "    defi i0, 255, 0, 1, 0\n    rep i0\n    rep i0\n    texld r1, v0, s0\n"
                    "    texld r2, v0, s1\n"
                    "    endrep\n    endrep\n");
    write_text(shaders / "formgen.ps.asm", formgen);
    // One readable photograph and one that is not.
    farmeadow::Image photo(40, 30, 3);
    const std::vector<uint8_t> jpeg = farmeadow::encode_jpeg(photo, 90);
    fs::create_directories(photos);
    std::ofstream(photos / "a.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
    write_text(photos / "b.png", "not an image");

    std::string out;
    ASSERT_EQ(run_kit("picture build " + source.string() + " -o " + root.string() +
                          " --colour-images " + photos.string(),
                      out),
              0)
        << out;
    EXPECT_NE(out.find("b.png"), std::string::npos) << out;
    EXPECT_NE(out.find("warning: visual.bsf: set by its pass, not declared: beta"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("1 colour images"), std::string::npos) << out;

    ASSERT_EQ(run_kit("picture check " + root.string(), out), 0) << out;
    EXPECT_NE(out.find("visual.bsf: set by its pass, not declared: beta"), std::string::npos)
        << out;
    EXPECT_NE(out.find("unknown key \"GLOSS=\""), std::string::npos) << out;
    EXPECT_NE(out.find("bank data/Base1: 1 images: 1 of 40 x 30"), std::string::npos) << out;
    EXPECT_NE(out.find("image data/shaders/oil3.jpg: 512 x 512"), std::string::npos) << out;
    EXPECT_NE(out.find("formgen.bsf: its pixel program runs up to 130"), std::string::npos) << out;

    // The same sources as another picture: its own name, the sample picture's generators.
    const fs::path other = top / "Smallfield";
    fs::create_directories(other);
    fs::copy(shaders, other / "shaders");
    fs::copy_file(source / "Farmeadow.hdr", other / "Smallfield.hdr");
    ASSERT_EQ(run_kit("picture build " + other.string() + " -o " + (top / "other").string() +
                          " --colour-images " + photos.string(),
                      out),
              0)
        << out;
    EXPECT_NE(out.find("\"Smallfield\" has no image generators of its own"), std::string::npos)
        << out;
    ASSERT_EQ(run_kit("picture check " + (top / "other").string() + " --name Smallfield", out), 0)
        << out;
    EXPECT_NE(out.find("bank data/Base4: 32 images"), std::string::npos) << out;

    // Damage the grain inside the program bank: the bank is packed again from the plain files.
    const fs::path data = root / "data" / "shaders";
    fs::resize_file(data / "oil3.jpg", 300);
    // And a run-length signature whose header claims 23170 x 23170.
    std::string signature(18, '\0');
    signature[2] = 10;
    signature[12] = signature[14] = '\x82';
    signature[13] = signature[15] = '\x5A';
    signature[16] = 32;
    write_text(data / "sig3.tga", signature + "\xFF\x01\x02\x03\x04");
    std::string files;
    for (const char* f : {"Farmeadow/Farmeadow.hdr", "Farmeadow/paint.bsf", "Farmeadow/visual.bsf",
                          "Farmeadow/formgen.bsf", "oil3.jpg", "sig3.tga"})
        files += " " + (data / f).string();
    ASSERT_EQ(
        run_kit("pack program " + (root / "data" / "Base3").string() + " " + root.string() + files,
                out),
        0)
        << out;
    EXPECT_EQ(run_kit("picture check " + root.string() + " --strict", out), 1) << out;
    EXPECT_NE(out.find("warning: image data/shaders/oil3.jpg: can't be read or decoded"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("warning: image data/shaders/sig3.tga: 23170 x 23170 claimed"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("the saver paints"), std::string::npos) << out;

    // Sources without a parameter file or without programs would paint nothing: no build.
    fs::remove_all(source / "shaders");
    EXPECT_EQ(run_kit("picture build " + source.string() + " -o " + root.string(), out), 1);
    EXPECT_NE(out.find("no programs"), std::string::npos) << out;
    fs::remove(source / "Farmeadow.hdr");
    EXPECT_EQ(run_kit("picture build " + source.string() + " -o " + root.string(), out), 1);
    EXPECT_NE(out.find("no parameter file \"Farmeadow.hdr\""), std::string::npos) << out;
    fs::remove_all(top);
}

}  // namespace
