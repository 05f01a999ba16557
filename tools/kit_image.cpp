// brushwright-kit image decode FILE -o OUT.png
// brushwright-kit image bank DATAROOT KIND N -o OUT.png
// Decodes an image as the saver does and writes it as an RGBA PNG, top row first.
#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "loading/bank_images.h"
#include "loading/data_root.h"
#include "tools/image_io.h"
#include "tools/kit_commands.h"

namespace {

constexpr const char* kUsage =
    "image decode FILE -o OUT.png | image bank DATAROOT KIND N -o OUT.png";

// Splits "-o OUT" out of the arguments after the subcommand's verb.
bool split_output(int argc, char** argv, std::vector<std::string>& positional, std::string& out) {
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0) {
            if (i + 1 >= argc || !out.empty()) return false;
            out = argv[++i];
        } else {
            positional.emplace_back(argv[i]);
        }
    }
    return !out.empty();
}

// JPEG images load with alpha 0 (the passes never read it); a PNG of them is written opaque so
// that it can be looked at.
void make_opaque(unsigned char* rgba, int width, int height) {
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < pixels; ++i) rgba[i * 4 + 3] = 255;
}

bool is_jpeg_name(const std::string& file) {
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = file.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "jpg" || ext == "jpeg";
}

int decode_file(const std::string& file, const std::string& out) {
    int width = 0, height = 0;
    const loading::PixelBuffer pixels = kit::read_image_file(file, width, height);
    if (!pixels) return 1;
    if (is_jpeg_name(file)) make_opaque(pixels.get(), width, height);
    return kit::write_rgba_png(out, pixels.get(), width, height) ? 0 : 1;
}

int decode_bank(const std::string& root, int kind, int n, const std::string& out) {
    loading::DataRoot data(root);
    int width = 0, height = 0, count = 0;
    const loading::PixelBuffer pixels =
        loading::load_bank_image(data, n, kind, width, height, count);
    if (!pixels) {
        std::fprintf(stderr, "brushwright-kit image: no image %d in bank kind %d (count %d)\n", n,
                     kind, count);
        return 1;
    }
    std::printf("%d x %d, image count %d\n", width, height, count);
    make_opaque(pixels.get(), width, height);  // bank images are JPEG
    return kit::write_rgba_png(out, pixels.get(), width, height) ? 0 : 1;
}

}  // namespace

int kit::run_image(int argc, char** argv) {
    if (argc < 2) return kit::usage(kUsage);
    std::vector<std::string> args;
    std::string out;
    if (!split_output(argc, argv, args, out)) return kit::usage(kUsage);
    if (std::strcmp(argv[1], "decode") == 0 && args.size() == 1) return decode_file(args[0], out);
    int kind = 0, n = 0;
    if (std::strcmp(argv[1], "bank") == 0 && args.size() == 3 &&
        kit::parse_int(args[1], INT32_MIN, INT32_MAX, kind) &&
        kit::parse_int(args[2], INT32_MIN, INT32_MAX, n))
        return decode_bank(args[0], kind, n, out);
    return kit::usage(kUsage);
}
