#pragma once
// Shared helpers of the bank tests: a temporary folder per test and small file utilities.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bank/bank.h"
#include "bank/bank_writer.h"
#include "bank/value_text.h"

namespace banktest {

namespace fs = std::filesystem;

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "banktest.XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        path_ = ::mkdtemp(name.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Why Bank::open refuses `folder`, or nothing when it opens.
inline std::optional<bank::OpenFailure> open_code(const std::string& folder) {
    try {
        Bank::open(folder);
    } catch (const bank::OpenError& e) {
        return e.reason();
    }
    return std::nullopt;
}

inline std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void put_u32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
}

inline uint32_t get_u32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

inline bank::SlotLayout slot(uint8_t type, uint16_t width = 0, uint8_t flags = 0,
                             std::string name = "s") {
    bank::SlotLayout s;
    s.type = type;
    s.width = width;
    s.flags = flags;
    s.name = std::move(name);
    return s;
}

// Writes `writer` into `folder` and opens it.
inline std::unique_ptr<Bank> write_and_open(const bank::BankWriter& writer,
                                            const std::string& folder) {
    std::string error;
    EXPECT_TRUE(writer.write(folder, error)) << error;
    return Bank::open(folder);
}

// read_slot as a string (the returned length's bytes), with the result.
inline std::string read_text(Bank& bank, int cadr, int slot, int* result = nullptr) {
    char* buffer = nullptr;
    int n = bank.read_slot(cadr, slot, &buffer);
    std::string s = n > 0 ? std::string(buffer, size_t(n)) : std::string(buffer ? buffer : "");
    std::free(buffer);
    if (result) *result = n;
    return s;
}

// The text forms come from value_text.cpp; skip checks of them while a stand-in is linked.
inline bool text_forms_available() {
    return bank::day_number(1, 1, 1970) == 719544;
}

}  // namespace banktest
