#include "loading/data_file.h"

#include <cstdio>
#include <exception>

#include "bank/bank.h"
#include "loading/data_root.h"
#include "loading/descramble_stream.h"
#include "loading/whole_file.h"

namespace {

constexpr int kKeySlot = 1;
constexpr int kValueSlot = 2;

// Finds `path` in the bank and reads its value: the cadr number (0 or less when the key is not
// there) and the value's bytes and length.
int read_record(Bank& bank, const std::string& path, char** value, int& length) {
    try {
        int cadr;
        {
            BankReader reader(bank, 1);
            cadr = reader.find(kKeySlot, path.c_str(), 0);
        }
        if (cadr <= 0) return cadr;
        length = bank.read_slot(cadr, kValueSlot, value);
        return cadr;
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

bool loading::stays_inside_data_folder(const std::string& path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') return false;
    if (path.find_first_of(std::string("\\:\0", 3)) != std::string::npos) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

namespace {

loading::ByteBuffer read_plain_file(const loading::DataRoot& root, const std::string& path,
                                    int32_t& size) {
    if (!loading::stays_inside_data_folder(path)) {
        std::fprintf(stderr, "Data file \"%s\" is not a path inside the data folder\n",
                     path.c_str());
        return nullptr;
    }
    size_t length = 0;
    loading::ByteBuffer bytes = loading::read_whole_file(root.folder() + "/" + path, length);
    if (bytes) size = static_cast<int32_t>(length);
    return bytes;
}

}  // namespace

loading::ByteBuffer loading::load_data_file(DataRoot& root, const std::string& path,
                                            int32_t& size) {
    Bank* bank = root.bank(KeptBankId::kProgram);
    char* value = nullptr;
    int length = 0;
    const int cadr = bank != nullptr ? read_record(*bank, path, &value, length) : -1;
    if (cadr <= 0) {
        std::free(value);
        std::fprintf(stderr, "Shader::Shader(): can't open \"%s\" file\n", path.c_str());
        return nullptr;
    }
    size = length;
    if (length > 0 && value != nullptr) {
        ByteBuffer bytes(reinterpret_cast<unsigned char*>(value));
        descramble_record(cadr, bytes.get(), static_cast<size_t>(length));
        return bytes;
    }
    std::free(value);  // the empty value's buffer
    return read_plain_file(root, path, size);
}

loading::ByteBuffer loading::load_data_file(DataRoot& root, const std::string& path) {
    int32_t size = 0;
    return load_data_file(root, path, size);
}
