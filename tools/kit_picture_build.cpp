// brushwright-kit picture build [SOURCE_DIR] -o DATAROOT [--colour-images DIR]
// Builds a picture's data root from its sources: every program of SOURCE_DIR/shaders, the
// parameter file, the generated images (or a person's own photographs as colour images) and the
// banks the saver reads. Without SOURCE_DIR the sample picture's sources are used: the source
// tree's for a tool run from the build folder, else the installed copy.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "loading/bank_packing.h"
#include "loading/image_files.h"
#include "loading/whole_file.h"
#include "picture/pass_table.h"
#include "pictures/Farmeadow/generators/image_encoding.h"
#include "shadercode/bsf_builder.h"
#include "shadercode/bsf_file.h"
#include "tools/kit_commands.h"
#include "tools/kit_shader_io.h"
#include "tools/picture_generators.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = "picture build [SOURCE_DIR] -o DATAROOT [--colour-images DIR]";
constexpr int kOwnImageLimit = 1024;  // a person's photographs are scaled to fit this square

using Bytes = std::vector<unsigned char>;

bool read_text(const fs::path& path, std::string& text) {
    std::vector<uint8_t> bytes;
    if (!kit::read_whole_file(path.string(), bytes)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

bool write_file(const fs::path& path, const Bytes& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (!kit::write_whole_file(path.string(), bytes)) {
        std::fprintf(stderr, "picture build: can't write \"%s\"\n", path.string().c_str());
        return false;
    }
    return true;
}

fs::path program_folder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

// The sample picture's sources: the source tree's when the tool runs from the build folder, else
// those installed beside the tool's prefix, else those of the configured prefix.
fs::path sample_picture_source() {
    const fs::path folder = program_folder();
    std::error_code ec;
    if (!folder.empty()) {
        if (folder == fs::path(BRUSHWRIGHT_BUILD_DIR)) return BRUSHWRIGHT_SOURCE_PICTURE;
        const fs::path beside = folder / BRUSHWRIGHT_PICTURE_SOURCE_FROM_PROGRAM;
        if (fs::is_directory(beside, ec)) return beside.lexically_normal();
    }
    return BRUSHWRIGHT_INSTALLED_PICTURE_SOURCE;
}

// The picture's name: the stem of its one parameter file, else the source folder's name.
std::string picture_name(const fs::path& source) {
    std::error_code ec;
    std::string found;
    int count = 0;
    for (const auto& entry : fs::directory_iterator(source, ec))
        if (entry.path().extension() == ".hdr") {
            found = entry.path().stem().string();
            ++count;
        }
    if (count == 1) return found;
    return fs::weakly_canonical(source, ec).filename().string();
}

struct BuiltProgram {
    std::string name;  // "paint.bsf"
    Bytes bytes;
};

// A name the picture's passes set that the program does not declare would be dropped when it
// is set: said where the program is made.
void warn_undeclared(const std::string& file, const shadercode::BsfFile& program) {
    const picture::PassProgram* entry = file.rfind("formgen", 0) == 0 && file != "formgen_out.bsf"
                                            ? &picture::form_generator_entry()
                                            : picture::find_pass_program(file);
    if (entry == nullptr) return;
    std::vector<std::string> params, samplers;
    for (const auto* list : {&program.vertex_constants, &program.pixel_constants})
        for (const auto& c : *list) params.push_back(c.name);
    for (const auto& sampler : program.pixel_samplers) samplers.push_back(sampler.name);
    const std::string missing = picture::undeclared_names(*entry, params, samplers);
    if (!missing.empty())
        std::fprintf(stderr, "picture build: warning: %s: set by its pass, not declared:%s\n",
                     file.c_str(), missing.c_str());
}

// Builds NAME.bsf from NAME.ps.asm and NAME.vs.asm, or the shared quad.vs.asm.
bool build_programs(const fs::path& shaders, std::vector<BuiltProgram>& out) {
    std::error_code ec;
    std::vector<fs::path> pixel_listings;
    for (const auto& entry : fs::directory_iterator(shaders, ec)) {
        const std::string file = entry.path().filename().string();
        if (file.size() > 7 && file.compare(file.size() - 7, 7, ".ps.asm") == 0)
            pixel_listings.push_back(entry.path());
    }
    std::sort(pixel_listings.begin(), pixel_listings.end());
    bool ok = true;
    for (const fs::path& ps : pixel_listings) {
        const std::string file = ps.filename().string();
        const std::string name = file.substr(0, file.size() - 7);
        fs::path vs = shaders / (name + ".vs.asm");
        if (!fs::exists(vs, ec)) vs = shaders / "quad.vs.asm";
        std::string vs_text, ps_text, error;
        if (!read_text(vs, vs_text)) {
            std::fprintf(stderr, "picture build: %s: no vertex shader (\"%s\" or quad.vs.asm)\n",
                         file.c_str(), (name + ".vs.asm").c_str());
            ok = false;
            continue;
        }
        if (!read_text(ps, ps_text)) {
            std::fprintf(stderr, "picture build: can't read \"%s\"\n", ps.string().c_str());
            ok = false;
            continue;
        }
        shadercode::ExpandedListing vs_listing, ps_listing;
        if (!kit::expand_listing_text(vs_text, shaders, vs.filename().string(), vs_listing,
                                      error) ||
            !kit::expand_listing_text(ps_text, shaders, file, ps_listing, error)) {
            std::fprintf(stderr, "picture build: %s\n", error.c_str());
            ok = false;
            continue;
        }
        shadercode::BsfFile program;
        if (!shadercode::build_bsf(vs_listing.text, ps_listing.text, shadercode::AssembleOptions{},
                                   program, error)) {
            const bool in_vs = error.rfind("vertex", 0) == 0;
            std::fprintf(stderr, "picture build: %s\n",
                         (in_vs ? vs_listing : ps_listing).locate(error).c_str());
            ok = false;
            continue;
        }
        warn_undeclared(name + ".bsf", program);
        out.push_back({name + ".bsf", shadercode::write_bsf(program)});
    }
    return ok;
}

// Runs job(i) for i in [0, count) on a few threads.
template <typename Job>
void in_parallel(int count, const Job& job) {
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < cores; ++t)
        threads.emplace_back([&] {
            for (int i = next++; i < count; i = next++) job(i);
        });
    for (std::thread& t : threads) t.join();
}

bool has_image_extension(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".jpg" || ext == ".jpeg" || ext == ".png";
}

// Area-averaged reduction of RGBA pixels to an RGB image that fits within `limit` squared.
farmeadow::Image fit_within(const unsigned char* rgba, int width, int height, int limit) {
    const int64_t longer = std::max(width, height);
    const int w = longer <= limit
                      ? width
                      : std::max<int>(1, static_cast<int>(int64_t(width) * limit / longer));
    const int h = longer <= limit
                      ? height
                      : std::max<int>(1, static_cast<int>(int64_t(height) * limit / longer));
    farmeadow::Image out(w, h, 3);
    for (int y = 0; y < h; ++y) {
        const int y0 = static_cast<int>(int64_t(y) * height / h);
        const int y1 = std::max(y0 + 1, static_cast<int>(int64_t(y + 1) * height / h));
        for (int x = 0; x < w; ++x) {
            const int x0 = static_cast<int>(int64_t(x) * width / w);
            const int x1 = std::max(x0 + 1, static_cast<int>(int64_t(x + 1) * width / w));
            uint64_t sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int k = 0; k < 3; ++k)
                        sum[k] += rgba[(static_cast<size_t>(sy) * width + sx) * 4 + k];
            const uint64_t n = static_cast<uint64_t>(x1 - x0) * static_cast<uint64_t>(y1 - y0);
            for (int k = 0; k < 3; ++k)
                out.at(x, y)[k] = static_cast<uint8_t>((sum[k] + n / 2) / n);
        }
    }
    return out;
}

// A person's photographs in name order; unreadable ones are skipped with a message.
bool own_colour_images(const fs::path& folder, std::vector<loading::PackedFile>& out) {
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec) && has_image_extension(entry.path()))
            files.push_back(entry.path());
    if (ec) {
        std::fprintf(stderr, "picture build: can't list \"%s\"\n", folder.string().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        size_t size = 0;
        const loading::ByteBuffer bytes = loading::read_whole_file(file.string(), size);
        std::string ext = file.extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const loading::ImageFormat format =
            ext == ".png" ? loading::ImageFormat::kPng : loading::ImageFormat::kJpeg;
        int width = 0, height = 0;
        loading::PixelBuffer pixels;
        if (bytes)
            pixels = loading::decode_image(format, bytes.get(), size, file.string(), width, height);
        if (!pixels) {
            std::fprintf(stderr, "picture build: skipping \"%s\": not a readable image\n",
                         file.string().c_str());
            continue;
        }
        const farmeadow::Image fitted = fit_within(pixels.get(), width, height, kOwnImageLimit);
        loading::PackedFile packed;
        packed.key = file.filename().string();
        packed.bytes = farmeadow::encode_jpeg(fitted, 90);
        if (packed.bytes.empty()) continue;
        out.push_back(std::move(packed));
    }
    if (out.empty()) {
        std::fprintf(stderr, "picture build: no readable images in \"%s\"\n",
                     folder.string().c_str());
        return false;
    }
    return true;
}

bool write_bank(bool program, const fs::path& folder,
                const std::vector<loading::PackedFile>& files) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    std::string error;
    const bool ok = program ? loading::write_program_bank(folder.string(), files, error)
                            : loading::write_image_bank(folder.string(), files, error);
    if (!ok)
        std::fprintf(stderr, "picture build: can't write \"%s\": %s\n", folder.string().c_str(),
                     error.c_str());
    return ok;
}

void numbered_name(char* buffer, size_t size, const char* stem, int n) {
    std::snprintf(buffer, size, "%s%02d.jpg", stem, n);
}

}  // namespace

int kit::run_picture(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return run_picture_build(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "check") == 0) return run_picture_check(argc, argv);
    return kit::usage(
        "picture build [SOURCE_DIR] -o DATAROOT [--colour-images DIR] | picture "
        "check DATAROOT [--name PICTURE] [--strict]");
}

int kit::run_picture_build(int argc, char** argv) {
    std::string source_arg, output_arg, colour_arg;
    for (int i = 2; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (std::strcmp(argv[i], "-o") == 0 && value) {
            output_arg = argv[++i];
        } else if (std::strcmp(argv[i], "--colour-images") == 0 && value) {
            colour_arg = argv[++i];
        } else if (argv[i][0] != '-' && source_arg.empty()) {
            source_arg = argv[i];
        } else {
            return kit::usage(kUsage);
        }
    }
    if (output_arg.empty()) return kit::usage(kUsage);
    if (source_arg.empty()) source_arg = sample_picture_source().string();
    const auto start = std::chrono::steady_clock::now();
    const fs::path source(source_arg), root(output_arg);
    std::error_code ec;
    if (!fs::is_directory(source, ec)) {
        std::fprintf(stderr, "picture build: \"%s\" is not a folder\n", source_arg.c_str());
        return 1;
    }
    const std::string name = picture_name(source);
    const fs::path data = root / "data";
    const fs::path shaders_out = data / "shaders";
    const std::string picture_key = "data/shaders/" + name + "/";

    // Programs and the parameter file: a picture without either would paint nothing.
    const fs::path hdr = source / (name + ".hdr");
    if (!fs::is_regular_file(hdr, ec)) {
        std::fprintf(stderr, "picture build: no parameter file \"%s\" in \"%s\"\n",
                     (name + ".hdr").c_str(), source_arg.c_str());
        return 1;
    }
    std::vector<BuiltProgram> programs;
    if (!build_programs(source / "shaders", programs)) return 1;
    if (programs.empty()) {
        std::fprintf(stderr, "picture build: no programs (shaders/*.ps.asm) in \"%s\"\n",
                     source_arg.c_str());
        return 1;
    }
    std::vector<loading::PackedFile> program_bank;
    fs::remove_all(shaders_out / name, ec);
    {
        loading::PackedFile f;
        f.key = picture_key + name + ".hdr";
        size_t size = 0;
        const loading::ByteBuffer bytes = loading::read_whole_file(hdr.string(), size);
        if (!bytes) {
            std::fprintf(stderr, "picture build: can't read \"%s\"\n", hdr.string().c_str());
            return 1;
        }
        f.bytes.assign(bytes.get(), bytes.get() + size);
        if (!write_file(root / f.key, f.bytes)) return 1;
        program_bank.push_back(std::move(f));
    }
    for (const BuiltProgram& p : programs) {
        loading::PackedFile f;
        f.key = picture_key + p.name;
        f.bytes = p.bytes;
        if (!write_file(root / f.key, f.bytes)) return 1;
        program_bank.push_back(std::move(f));
    }

    // Images: generated in parallel, each job writing only its own slot.
    const kit::PictureGenerators* own = kit::generators_for(name);
    if (own == nullptr)
        std::printf("picture build: \"%s\" has no image generators of its own; %s's serve it\n",
                    name.c_str(), kit::sample_generators().picture);
    const kit::PictureGenerators& generators = own ? *own : kit::sample_generators();
    const size_t colour_count = static_cast<size_t>(generators.colour_images);
    const size_t facture_count = static_cast<size_t>(generators.factures);
    std::vector<loading::PackedFile> colour(colour_count), factures(facture_count);
    if (!colour_arg.empty()) {
        colour.clear();
        if (!own_colour_images(colour_arg, colour)) return 1;
    }
    const int generated_colour = colour_arg.empty() ? generators.colour_images : 0;
    in_parallel(generated_colour + generators.factures, [&](int i) {
        char key[32];
        if (i < generated_colour) {
            numbered_name(key, sizeof key, generators.colour_stem, i + 1);
            colour[static_cast<size_t>(i)] = {key, generators.colour_image(i), false};
        } else {
            const int n = i - generated_colour;
            numbered_name(key, sizeof key, "facture", n + 1);
            factures[static_cast<size_t>(n)] = {key, generators.facture(n), false};
        }
    });
    for (const auto& set : {&colour, &factures})
        for (const loading::PackedFile& f : *set)
            if (f.bytes.empty()) {
                std::fprintf(stderr, "picture build: can't encode \"%s\"\n", f.key.c_str());
                return 1;
            }
    const Bytes grain = generators.canvas_grain();
    const Bytes signature = generators.signature();
    if (grain.empty() || signature.empty()) {
        std::fprintf(stderr, "picture build: can't encode the grain or the signature\n");
        return 1;
    }
    program_bank.push_back({"data/shaders/oil3.jpg", grain, false});
    program_bank.push_back({"data/shaders/sig3.tga", signature, false});
    if (!write_file(shaders_out / "oil3.jpg", grain) ||
        !write_file(shaders_out / "sig3.tga", signature))
        return 1;

    if (!write_bank(true, data / "Base3", program_bank) ||
        !write_bank(false, data / "Base1", colour) || !write_bank(false, data / "Base4", factures))
        return 1;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "picture build: \"%s\" into %s: %zu programs, %zu colour images, %zu factures "
        "(%.1f s)\n",
        name.c_str(), root.string().c_str(), programs.size(), colour.size(), factures.size(),
        seconds);
    return 0;
}
