#pragma once
// A small picture written for each test: a parameter file, programs that declare the names the
// passes set (and draw their first texture), a grain, a signature and a few colour images and
// factures, all in banks below a fresh data folder; the clocks fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gfx/shader.h"
#include "loading/bank_cache.h"
#include "loading/bank_packing.h"
#include "loading/whole_file.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"
#include "shadercode/bsf_builder.h"
#include "tests/loading/image_builders.h"

namespace picture_test {

// A program's declared names: float4 constants, then samplers texSampler0.. in s0...
struct ProgramNames {
    std::vector<std::string> constants;
    int samplers = 0;
};

// The names each program of the picture is given.
inline const std::map<std::string, ProgramNames>& program_names() {
    static const std::map<std::string, ProgramNames> names = {
        {"visual.bsf", {{"alpha", "beta"}, 2}},
        {"filter.bsf", {{"_pass", "alpha", "delta", "scale", "mask"}, 2}},
        {"deriv.bsf", {{"s", "m"}, 2}},
        {"background.bsf", {{"f1", "f2", "f3", "f4", "atr1", "alpha"}, 3}},
        {"formgen.bsf", {{"atr1", "f1", "f2", "f3", "f4", "layer"}, 3}},
        {"silhouette.bsf", {{"s", "layer", "atr1"}, 1}},
        {"formgen_out.bsf", {{"atr1", "patr1", "alpha", "layer", "time", "dev"}, 6}},
        {"colorgen.bsf",
         {{"atr1", "alpha", "shift", "fon", "facture", "surface", "layer", "fg_color", "bg_color"},
          7}},
        {"surface_out.bsf", {{"atr1", "alpha", "bump1", "bump2"}, 8}},
        {"color_out.bsf",
         {{"atr1", "alpha", "shift", "bump", "surface", "fg_color", "bg_color", "a"}, 8}},
        {"paint.bsf", {{"alpha", "beta", "gamma", "param", "atr1", "patr1", "time"}, 5}},
        {"color.bsf", {{}, 0}},
    };
    return names;
}

// A .bsf file whose pixel stage declares `names` and draws its first texture (or grey).
inline std::vector<unsigned char> make_program(const ProgramNames& names) {
    std::string ps = "// Parameters:\n";
    for (const std::string& c : names.constants) ps += "//   float4 " + c + ";\n";
    for (int s = 0; s < names.samplers; ++s)
        ps += "//   sampler2D texSampler" + std::to_string(s) + ";\n";
    ps += "// Registers:\n";
    for (size_t i = 0; i < names.constants.size(); ++i)
        ps += "//   " + names.constants[i] + " c" + std::to_string(i) + " 1\n";
    for (int s = 0; s < names.samplers; ++s)
        ps += "//   texSampler" + std::to_string(s) + " s" + std::to_string(s) + " 1\n";
    ps += "    ps_3_0\n    def c30, 0.5, 0.5, 0.5, 1\n    dcl_texcoord v0.xy\n";
    for (int s = 0; s < names.samplers; ++s) ps += "    dcl_2d s" + std::to_string(s) + "\n";
    ps += names.samplers > 0 ? "    texld r0, v0, s0\n    mov oC0, r0\n" : "    mov oC0, c30\n";
    const std::string vs =
        "    vs_3_0\n    dcl_position v0\n    dcl_texcoord v1\n    dcl_position o0\n"
        "    dcl_texcoord o1\n    mov o0, v0\n    mov o1, v1\n";
    shadercode::BsfFile file;
    std::string error;
    EXPECT_TRUE(shadercode::build_bsf(vs, ps, {}, file, error)) << error;
    return shadercode::write_bsf(file);
}

// A striped test image of `components` samples, varied by `n`.
inline testimg::Bytes striped_jpeg(int n, int width, int height, int components) {
    testimg::Bytes samples(static_cast<size_t>(width) * height * components);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                samples[(static_cast<size_t>(y) * width + x) * components + c] =
                    static_cast<unsigned char>((x * (n + 1) + y * (c + 2) * 3 + 40 * n) & 0xFF);
    return testimg::encode_jpeg(samples, width, height, components);
}

inline testimg::Bytes read_bytes(const std::string& path) {
    size_t size = 0;
    const loading::ByteBuffer bytes = loading::read_whole_file(path, size);
    return bytes ? testimg::Bytes(bytes.get(), bytes.get() + size) : testimg::Bytes{};
}

inline uint32_t fixed_ticks() {
    return 12345;
}
inline uint32_t frame_time = 0;
inline uint32_t frame_clock() {
    return frame_time;
}

class PictureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = testimg::make_temp_folder();
        loading::close_kept_banks();
        picture::clocks() = {fixed_ticks, frame_clock};
        frame_time = 0;
    }
    void TearDown() override {
        picture::stop_picture();
        picture::restore_system_clocks();
        loading::close_kept_banks();
        picture::settings() = {};
        std::filesystem::remove_all(root);
    }

    // Writes the picture: `hdr` as the parameter file, every program (less those in `missing`),
    // form generators formgen.<i>.bsf for each i in `formgens`, and `extra` files.
    void write_picture(const std::string& hdr, const std::vector<int>& formgens = {0, 1, 2},
                       const std::vector<std::string>& missing = {},
                       std::vector<loading::PackedFile> extra = {}) {
        const std::string folder = "data/shaders/Farmeadow/";
        std::vector<loading::PackedFile> files = std::move(extra);
        files.push_back({folder + "Farmeadow.hdr", testimg::Bytes(hdr.begin(), hdr.end()), false});
        for (const auto& [name, names] : program_names()) {
            bool skip = false;
            for (const std::string& m : missing) skip = skip || m == name;
            if (!skip) files.push_back({folder + name, make_program(names), false});
        }
        for (int i : formgens)
            files.push_back({folder + "formgen." + std::to_string(i) + ".bsf",
                             make_program(program_names().at("formgen.bsf")), false});
        files.push_back({"data/shaders/oil3.jpg", striped_jpeg(0, 64, 64, 1), false});
        testimg::Bytes sig = testimg::tga_header(2, 32, 8, 32, 8);
        sig.resize(sig.size() + 32 * 8 * 4, 0x80);
        files.push_back({"data/shaders/sig3.tga", sig, false});
        std::string error;
        if (edit_files) edit_files("Base3", files);
        ASSERT_TRUE(loading::write_program_bank(root + "/data/Base3", files, error)) << error;
        for (const char* bank : {"Base1", "Base4"}) {
            std::vector<loading::PackedFile> images;
            for (int i = 0; i < 3; ++i)
                images.push_back({"image" + std::to_string(i + 1),
                                  striped_jpeg(i, 64, 48, bank[4] == '1' ? 3 : 1), false});
            if (edit_files) edit_files(bank, images);
            ASSERT_TRUE(loading::write_image_bank(root + "/data/" + bank, images, error)) << error;
        }
        loading::close_kept_banks();
        picture::settings().data_folder = root;
    }

    picture::StartResult start(int width = 160, int height = 120) {
        return picture::start_picture(0, width, height, false);
    }
    // One frame as the hosts draw it, the frame clock moving on by 16 ms.
    void step() {
        RenderDevice& device = *picture::picture_device();
        frame_time += 16;
        device.begin_frame();
        device.clear(0, 0, 0);
        picture::picture_step();
        device.end_frame();
        device.present();
    }
    static const Shader::Constant* constant(const Shader* program, const std::string& name) {
        for (const Shader::Constant& c : program->pixel_constants())
            if (c.name == name) return &c;
        return nullptr;
    }
    static Texture* sampler(const Shader* program, int slot) {
        return program->pixel_samplers().at(static_cast<size_t>(slot)).texture;
    }

    std::string root;
    // Changes each bank's files before it is written ("Base3", "Base1", "Base4").
    std::function<void(const std::string& bank, std::vector<loading::PackedFile>& files)>
        edit_files;
};

}  // namespace picture_test
