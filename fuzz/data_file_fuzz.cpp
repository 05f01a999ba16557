// load_data_file over a damaged program bank: a valid bank is written once, and each input
// flips bytes of its files and cuts them short before the bank is opened and read.
// Input: one byte choosing the key, then groups of 4 bytes (file, offset low, offset high,
// value): file bit 7 set cuts the file at the offset, otherwise the value is XORed in there.
// The bank's files, sorted by name, are "Bank.0", "Base3" (the header) and "Main".
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "loading/bank_cache.h"
#include "loading/bank_packing.h"
#include "loading/data_file.h"
#include "loading/data_folder.h"
#include "loading/whole_file.h"

namespace {

namespace fs = std::filesystem;

const char* const kKeys[] = {"data/shaders/a.bsf", "data/b.hdr", "data/shaders/oil3.jpg",
                             "data/empty.txt",     "data/c",     "data/missing"};

struct Pristine {
    std::string root;
    std::vector<std::string> names;
    std::vector<std::vector<unsigned char>> contents;
};

Pristine& pristine() {
    static Pristine p = [] {
        Pristine q;
        std::string pattern = (fs::temp_directory_path() / "bw-fuzz-data-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        q.root = pattern;
        std::vector<loading::PackedFile> files;
        for (int i = 0; i < 5; ++i) {
            loading::PackedFile f;
            f.key = kKeys[i];
            f.bytes.assign(static_cast<size_t>(40 + 300 * i), static_cast<unsigned char>(i));
            f.empty_value = i == 3;
            files.push_back(f);
        }
        std::string error;
        if (!loading::write_program_bank(q.root + "/data/Base3", files, error)) std::abort();
        // Sorted, so that an input damages the same files on every machine.
        for (const auto& entry : fs::directory_iterator(q.root + "/data/Base3"))
            q.names.push_back(entry.path().string());
        std::sort(q.names.begin(), q.names.end());
        for (const std::string& name : q.names) {
            size_t size = 0;
            loading::ByteBuffer bytes = loading::read_whole_file(name, size);
            if (!bytes) std::abort();
            q.contents.emplace_back(bytes.get(), bytes.get() + size);
        }
        return q;
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
    std::vector<std::vector<unsigned char>> files = p.contents;
    for (size_t i = 1; i + 4 <= size; i += 4) {
        std::vector<unsigned char>& f = files[(data[i] & 0x7F) % files.size()];
        if (f.empty()) continue;
        const size_t offset = (data[i + 1] | (static_cast<size_t>(data[i + 2]) << 8)) % f.size();
        if (data[i] & 0x80) {
            f.resize(offset);
        } else {
            f[offset] ^= data[i + 3];
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        std::FILE* out = std::fopen(p.names[i].c_str(), "wb");
        if (out == nullptr) std::abort();
        if (!files[i].empty()) std::fwrite(files[i].data(), 1, files[i].size(), out);
        std::fclose(out);
    }
    loading::close_kept_banks();
    loading::set_data_folder(p.root);
    int32_t length = 0;
    loading::ByteBuffer bytes = loading::load_data_file(kKeys[data[0] % std::size(kKeys)], length);
    if (bytes && length > 0) {
        volatile unsigned char last = bytes[static_cast<size_t>(length) - 1];
        (void)last;
    }
    return 0;
}
