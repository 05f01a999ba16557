// Opens a bank made of fuzzer bytes and runs lookups and reads over it: whatever the files
// hold, the bank must give failure results, never crash, read out of bounds or hang.
//
// Input: five little-endian 16-bit lengths (header, "Main", "Bank.0", "Tree.2", "_Storage"),
// then the files' bytes one after the other. The header always gets the current magic.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bank/bank.h"
#include "bank/bank_format.h"

namespace {

const std::string& folder() {
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "bankfuzz.XXXXXX").string();
        std::string dir = mkdtemp(pattern.data());
        return dir + "/b";
    }();
    return path;
}

void put(const std::string& name, const uint8_t* data, size_t size) {
    FILE* f = std::fopen((folder() + "/" + name).c_str(), "wb");
    if (f == nullptr) return;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    std::filesystem::create_directories(folder());
    const char* names[] = {"b", "Main", "Bank.0", "Tree.2", "_Storage"};
    size_t at = 10;
    for (int i = 0; i < 5; ++i) {
        size_t want = bank::load_u16(data + 2 * i);
        size_t n = want < size - at ? want : size - at;
        std::string bytes(reinterpret_cast<const char*>(data + at), n);
        if (i == 0) {
            bytes.resize(bytes.size() < 4 ? 4 : bytes.size(), '\0');
            for (int k = 0; k < 4; ++k) bytes[size_t(k)] = char(bank::kMagicKind5 >> (8 * k));
        }
        put(names[i], reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        at += n;
    }
    std::unique_ptr<Bank> b;
    try {
        b = Bank::open(folder());
    } catch (const bank::OpenError&) {
        return 0;
    }
    const int count = b->record_count();
    for (int direction : {1, -1}) {
        BankReader reader(*b, direction);
        for (int slot = 1; slot <= 3; ++slot)
            for (int mode : {0, 1, 2, -1})
                for (const char* key : {"", "a", "12", "#3:4", "01.01.1970"})
                    reader.find(slot, key, mode);
    }
    char* buffer = nullptr;
    for (int cadr = 0; cadr <= (count < 6 ? count + 1 : 6); ++cadr)
        for (int slot = 1; slot <= 4; ++slot) b->read_slot(cadr, slot, &buffer);
    bank::SlotPath path = bank::SlotPath::of(1, 2);
    path.pairs[1].slot = 1;
    b->read_slot(1, path, &buffer);
    std::free(buffer);
    return 0;
}
