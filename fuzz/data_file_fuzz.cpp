// load_data_file over a damaged program bank: a valid bank is written once, and each input
// flips bytes of its files and cuts them short before the bank is opened and read.
// Input: one byte choosing the key, then the damage of fuzz/damaged_files.h. The bank's files,
// sorted by name, are "Bank.0", "Base3" (the header) and "Main".
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/damaged_files.h"
#include "loading/bank_packing.h"
#include "loading/data_file.h"
#include "loading/data_root.h"

namespace {

namespace fs = std::filesystem;

const char* const kKeys[] = {"data/shaders/a.bsf", "data/b.hdr", "data/shaders/oil3.jpg",
                             "data/empty.txt",     "data/c",     "data/missing"};

struct Pristine {
    std::string root;
    fuzzing::PristineFiles files;
};

std::string write_bank() {
    std::string pattern = (fs::temp_directory_path() / "bw-fuzz-data-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::vector<loading::PackedFile> files;
    for (int i = 0; i < 5; ++i) {
        loading::PackedFile f;
        f.key = kKeys[i];
        f.bytes.assign(static_cast<size_t>(40 + 300 * i), static_cast<unsigned char>(i));
        f.empty_value = i == 3;
        files.push_back(f);
    }
    std::string error;
    if (!loading::write_program_bank(pattern + "/data/Base3", files, error)) std::abort();
    return pattern;
}

Pristine& pristine() {
    static Pristine p = [] {
        const std::string root = write_bank();
        return Pristine{root, fuzzing::PristineFiles(root + "/data/Base3")};
    }();
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pristine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    Pristine& p = pristine();
    p.files.write_damaged(data + 1, size - 1);
    loading::DataRoot root(p.root);
    int32_t length = 0;
    loading::ByteBuffer bytes =
        loading::load_data_file(root, kKeys[data[0] % std::size(kKeys)], length);
    if (bytes && length > 0) {
        volatile unsigned char last = bytes[static_cast<size_t>(length) - 1];
        (void)last;
    }
    return 0;
}
