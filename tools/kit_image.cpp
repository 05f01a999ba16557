// brushwright-kit image decode FILE -o OUT.png
// brushwright-kit image bank DATAROOT KIND N -o OUT.png
// Decodes an image as the saver does and writes it as an RGBA PNG, top row first.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "loading/bank_images.h"
#include "loading/data_folder.h"
#include "loading/image_files.h"
#include "loading/whole_file.h"
#include "tools/kit_commands.h"

namespace {

constexpr const char* kUsage =
    "image decode FILE -o OUT.png | image bank DATAROOT KIND N -o OUT.png";

// Everything the writer touches lives outside the function that sets the recovery point.
struct PngWrite {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;
};

bool run_write(PngWrite& w, const unsigned char* pixels, int width, int height) {
    if (setjmp(png_jmpbuf(w.png)) != 0) return false;
    png_init_io(w.png, w.file);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    w.rows.resize(static_cast<size_t>(height));
    for (size_t y = 0; y < w.rows.size(); ++y)
        w.rows[y] = const_cast<png_bytep>(pixels) + y * static_cast<size_t>(width) * 4;
    png_write_image(w.png, w.rows.data());
    png_write_end(w.png, nullptr);
    return true;
}

bool write_png(const std::string& path, const unsigned char* pixels, int width, int height) {
    PngWrite w;
    w.file = std::fopen(path.c_str(), "wb");
    if (w.file == nullptr) {
        std::fprintf(stderr, "brushwright-kit image: can't write \"%s\": %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (w.png != nullptr) w.info = png_create_info_struct(w.png);
    bool ok = w.info != nullptr && run_write(w, pixels, width, height);
    png_destroy_write_struct(&w.png, &w.info);
    if (std::fclose(w.file) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "brushwright-kit image: can't write \"%s\"\n", path.c_str());
    return ok;
}

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

bool parse_int(const std::string& text, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

int decode_file(const std::string& file, const std::string& out) {
    const loading::ImageFormat format = loading::image_format_for_path(file);
    if (format == loading::ImageFormat::kUnknown) {
        std::fprintf(stderr, "Texture::load(): unknown format of \"%s\" file\n", file.c_str());
        return 1;
    }
    size_t size = 0;
    const loading::ByteBuffer bytes = loading::read_whole_file(file, size);
    if (!bytes) {
        std::fprintf(stderr, "brushwright-kit image: can't read \"%s\"\n", file.c_str());
        return 1;
    }
    int width = 0, height = 0;
    const loading::PixelBuffer pixels =
        loading::decode_image(format, bytes.get(), size, file, width, height);
    if (!pixels) return 1;
    return write_png(out, pixels.get(), width, height) ? 0 : 1;
}

int decode_bank(const std::string& root, int kind, int n, const std::string& out) {
    loading::set_data_folder(root);
    int width = 0, height = 0, count = 0;
    const loading::PixelBuffer pixels = loading::load_bank_image(n, kind, width, height, count);
    if (!pixels) {
        std::fprintf(stderr, "brushwright-kit image: no image %d in bank kind %d (count %d)\n", n,
                     kind, count);
        return 1;
    }
    std::printf("%d x %d, image count %d\n", width, height, count);
    return write_png(out, pixels.get(), width, height) ? 0 : 1;
}

}  // namespace

int kit::run_image(int argc, char** argv) {
    if (argc < 2) return kit::usage(kUsage);
    std::vector<std::string> args;
    std::string out;
    if (!split_output(argc, argv, args, out)) return kit::usage(kUsage);
    if (std::strcmp(argv[1], "decode") == 0 && args.size() == 1) return decode_file(args[0], out);
    int kind = 0, n = 0;
    if (std::strcmp(argv[1], "bank") == 0 && args.size() == 3 && parse_int(args[1], kind) &&
        parse_int(args[2], n))
        return decode_bank(args[0], kind, n, out);
    return kit::usage(kUsage);
}
