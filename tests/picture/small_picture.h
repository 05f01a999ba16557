#pragma once
// A small picture for tests and fuzzing: a parameter file, programs that declare the names the
// passes set (and draw their first texture), a grain, a signature and three colour images and
// three factures, as the files of its three banks.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "loading/bank_packing.h"
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
        {"formgen_out.bsf", {{"atr1", "patr1", "alpha", "layer", "time", "dev", "beta"}, 8}},
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
    if (!shadercode::build_bsf(vs, ps, {}, file, error)) {
        std::fprintf(stderr, "small picture: %s\n", error.c_str());
        std::abort();
    }
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

// The files of the three banks.
struct SmallPicture {
    std::vector<loading::PackedFile> programs;  // "data/Base3"
    std::vector<loading::PackedFile> colours;   // "data/Base1"
    std::vector<loading::PackedFile> factures;  // "data/Base4"
};

// `hdr` as the parameter file, every program (less those in `missing`), form generators
// formgen.<i>.bsf for each i in `formgens`, and `extra` files in the program bank, as the
// picture `picture_name`.
inline SmallPicture small_picture(const std::string& hdr,
                                  const std::vector<int>& formgens = {0, 1, 2},
                                  const std::vector<std::string>& missing = {},
                                  std::vector<loading::PackedFile> extra = {},
                                  const std::string& picture_name = "Farmeadow") {
    const std::string folder = "data/shaders/" + picture_name + "/";
    SmallPicture picture;
    std::vector<loading::PackedFile>& files = picture.programs;
    files = std::move(extra);
    files.push_back(
        {folder + picture_name + ".hdr", testimg::Bytes(hdr.begin(), hdr.end()), false});
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
    for (int i = 0; i < 3; ++i) {
        const std::string key = "image" + std::to_string(i + 1);
        picture.colours.push_back({key, striped_jpeg(i, 64, 48, 3), false});
        picture.factures.push_back({key, striped_jpeg(i, 64, 48, 1), false});
    }
    return picture;
}

}  // namespace picture_test
