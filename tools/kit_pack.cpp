// brushwright-kit pack program BANKDIR ROOT FILE... [--empty PATH]...
// brushwright-kit pack images BANKDIR JPEG...
// Builds the program bank (keys: the files' paths relative to ROOT, with forward slashes) and
// the image banks (records 1 to N: the JPEG files in order), both with scrambled values.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "loading/bank_packing.h"
#include "loading/data_file.h"
#include "loading/whole_file.h"
#include "tools/kit_commands.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "pack program BANKDIR ROOT FILE... [--empty PATH]... | pack images BANKDIR JPEG...";

bool read_file(const std::string& path, std::vector<unsigned char>& bytes) {
    size_t size = 0;
    const loading::ByteBuffer data = loading::read_whole_file(path, size);
    if (!data) {
        std::fprintf(stderr, "brushwright-kit pack: can't read \"%s\"\n", path.c_str());
        return false;
    }
    bytes.assign(data.get(), data.get() + size);
    return true;
}

// FILE's path below ROOT with forward slashes, or empty when FILE is not below ROOT.
std::string key_below(const std::string& root, const std::string& file) {
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(fs::absolute(root, ec), ec);
    const fs::path full = fs::weakly_canonical(fs::absolute(file, ec), ec);
    if (ec) return {};
    const fs::path relative = full.lexically_relative(base);
    const std::string key = relative.generic_string();
    if (key.empty() || key == "." || key.rfind("..", 0) == 0) return {};
    return key;
}

int finish(bool ok, const std::string& folder, const std::string& error, size_t records) {
    if (!ok) {
        std::fprintf(stderr, "brushwright-kit pack: can't write \"%s\": %s\n", folder.c_str(),
                     error.c_str());
        return 1;
    }
    std::printf("%s: %zu records\n", folder.c_str(), records);
    return 0;
}

int pack_program(int argc, char** argv) {
    if (argc < 4) return kit::usage(kUsage);
    const std::string folder = argv[2], root = argv[3];
    std::vector<loading::PackedFile> files;
    for (int i = 4; i < argc; ++i) {
        loading::PackedFile f;
        if (std::strcmp(argv[i], "--empty") == 0) {
            if (i + 1 >= argc) return kit::usage(kUsage);
            f.key = argv[++i];
            f.empty_value = true;
            if (f.key.empty()) {
                std::fprintf(stderr, "brushwright-kit pack: --empty needs a path, not \"\"\n");
                return 1;
            }
            if (!loading::stays_inside_data_folder(f.key))
                std::fprintf(stderr,
                             "brushwright-kit pack: warning: \"%s\" is not a path inside the data "
                             "folder; the saver reads no plain file for it\n",
                             f.key.c_str());
        } else {
            f.key = key_below(root, argv[i]);
            if (f.key.empty()) {
                std::fprintf(stderr, "brushwright-kit pack: \"%s\" is not below \"%s\"\n", argv[i],
                             root.c_str());
                return 1;
            }
            if (!read_file(argv[i], f.bytes)) return 1;
        }
        files.push_back(std::move(f));
    }
    std::string error;
    const bool ok = loading::write_program_bank(folder, files, error);
    return finish(ok, folder, error, files.size());
}

int pack_images(int argc, char** argv) {
    if (argc < 3) return kit::usage(kUsage);
    const std::string folder = argv[2];
    std::vector<loading::PackedFile> images;
    for (int i = 3; i < argc; ++i) {
        loading::PackedFile f;
        f.key = fs::path(argv[i]).filename().string();
        if (!read_file(argv[i], f.bytes)) return 1;
        images.push_back(std::move(f));
    }
    std::string error;
    const bool ok = loading::write_image_bank(folder, images, error);
    return finish(ok, folder, error, images.size());
}

}  // namespace

int kit::run_pack(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "program") == 0) return pack_program(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "images") == 0) return pack_images(argc, argv);
    return kit::usage(kUsage);
}
