// Lookups: every index kind (entry prefixes of "Main", "Tree.n", masked "Tree.n", block
// store), all modes and both directions, checked against a brute-force search; and the
// comparison rules of the number types.
#include <algorithm>
#include <cstring>
#include <random>

#include "bank/key_compare.h"
#include "tests/bank/bank_fixture.h"

namespace {

namespace fs = std::filesystem;
using bank::Value;
using banktest::slot;
using banktest::TempFolder;

class BankFind : public ::testing::Test {
  protected:
    void SetUp() override { bank::set_weight_file(dir_ / "no-weight-file"); }
    void TearDown() override { bank::set_weight_file("/usr/local/lib/.weight"); }
    TempFolder dir_;
};

// The order with no weight file, written out here: bytes by value, letters weighing as their
// capitals, a shorter text first; `n` limits the bytes compared (0: all).
int upper_cmp(const std::string& a, const std::string& b, size_t n) {
    const auto weight = [](const std::string& s, size_t i) {
        const int c = i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
        return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
    };
    for (size_t i = 0; n == 0 || i < n; ++i) {
        const int x = weight(a, i), y = weight(b, i);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) break;
    }
    return 0;
}

// What find should give, by walking all values in index order.
int expected(const std::vector<std::string>& values, const std::string& key, int mode,
             int direction) {
    std::vector<int> order(values.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i + 1);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return upper_cmp(values[size_t(a - 1)], values[size_t(b - 1)], 0) < 0;
    });
    if (direction < 0) std::reverse(order.begin(), order.end());
    const size_t n = mode == 1 ? key.size() : 0;
    for (int c : order)
        if (upper_cmp(key, values[size_t(c - 1)], n) == 0) return c;
    if (mode == 2)
        for (int c : order)
            if (upper_cmp(key, values[size_t(c - 1)], 0) * direction < 0) return c;
    return -1;
}

std::vector<std::string> random_names(size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> names;
    const char* letters = "abcAB._";
    for (size_t i = 0; i < count; ++i) {
        std::string s;
        size_t len = 1 + rng() % 5;
        for (size_t k = 0; k < len; ++k) s += letters[rng() % 7];
        names.push_back(s);
    }
    return names;
}

struct IndexKind {
    const char* what;
    int slot;       // slot looked up
    uint8_t flags;  // of that slot
    bool masked;
    int32_t block_size;
};

TEST_F(BankFind, EveryIndexKindModeAndDirectionAgreesWithBruteForce) {
    const auto names = random_names(300, 7);
    const IndexKind kinds[] = {
        {"slot 1 in Main", 1, 0, false, 4096},
        {"Tree.2", 2, 0, false, 4096},
        {"masked Tree.2", 2, 0, true, 4096},
        {"block store", 2, 0x80, false, 128},
    };
    auto probes = random_names(150, 99);
    probes.insert(probes.end(), {"", "a", "ABC", "zzz", "_", ".", "aa"});
    for (const IndexKind& k : kinds) {
        bank::BankWriter w({slot(11, 4, 0, "first"), slot(11, 4, k.flags, "second")});
        w.options().masked_links = k.masked;
        w.options().block_size = k.block_size;
        for (const auto& n : names) w.add({Value::text(n), Value::text(n)});
        const std::string folder = dir_ / ("bank" + std::to_string(&k - kinds));
        auto b = banktest::write_and_open(w, folder);
        if (k.masked) {
            EXPECT_EQ(banktest::read_file(folder + folder.substr(folder.rfind('/')))[15], 39);
        }
        for (int direction : {1, -1}) {
            BankReader reader(*b, direction);
            for (int mode : {0, 1, 2}) {
                for (const auto& p : probes) {
                    int want = expected(names, p, mode, direction);
                    // Block-store hits give the smallest cadr among equal keys.
                    if (k.flags & 0x80 && mode == 0 && want > 0) want = expected(names, p, 0, 1);
                    if (k.flags & 0x80 && mode != 0) continue;
                    EXPECT_EQ(reader.find(k.slot, p.c_str(), mode), want)
                        << k.what << " mode " << mode << " direction " << direction << " key \""
                        << p << "\"";
                }
            }
        }
    }
}

TEST_F(BankFind, CaseAndPrefixesAndDuplicates) {
    bank::BankWriter w({slot(11, 4, 0, "name")});
    for (const char* n : {"shaders/a.bsf", "Shaders/B.BSF", "shaders/a", "shaders/a.bsf"})
        w.add({Value::text(n)});
    auto b = banktest::write_and_open(w, dir_ / "b");
    BankReader r(*b, 1);
    EXPECT_EQ(r.find(1, "SHADERS/b.bsf", 0), 2);
    EXPECT_EQ(r.find(1, "shaders/a.bsf", 0), 1);                   // first of two equal names
    EXPECT_EQ(BankReader(*b, -1).find(1, "shaders/a.bsf", 0), 4);  // first walking backwards
    EXPECT_EQ(r.find(1, "shaders/a.bs", 0), -1);                   // a proper prefix is not a match
    EXPECT_EQ(r.find(1, "shaders/a.bs", 1), 1);
    EXPECT_EQ(r.find(1, "shaders/a.c", 2), 2);  // nearest following
    EXPECT_EQ(BankReader(*b, -1).find(1, "shaders/a.c", 2), 4);
    EXPECT_EQ(r.find(1, "x", 2), -1);
    EXPECT_EQ(r.find(1, "x", -1), -1);
}

TEST_F(BankFind, WeightFileChangesTheOrder) {
    // Identity weights: case matters.
    std::vector<uint8_t> table(256);
    for (int i = 0; i < 256; ++i) table[size_t(i)] = uint8_t(i);
    banktest::write_file(dir_ / "weight", table);
    bank::set_weight_file(dir_ / "weight");
    bank::BankWriter w({slot(11, 4, 0, "name")});
    for (const char* n : {"apple", "Apple", "APPLE", "b"}) w.add({Value::text(n)});
    auto b = banktest::write_and_open(w, dir_ / "b");
    BankReader r(*b, 1);
    EXPECT_EQ(r.find(1, "Apple", 0), 2);
    EXPECT_EQ(r.find(1, "APPLE", 0), 3);
    EXPECT_EQ(r.find(1, "aPPLE", 0), -1);
    bank::set_weight_file(dir_ / "no-weight-file");
    EXPECT_EQ(BankReader(*b, 1).find(1, "b", 0), 4);
}

TEST_F(BankFind, NumberSlotsCompareAsNumbers) {
    bank::BankWriter w({slot(7, 4, 0, "u32"), slot(6, 2, 0, "i16"), slot(7, 8, 0, "u64"),
                        slot(4, 4, 0, "ref"), slot(5, 4, 2, "pair"), slot(8, 4, 0, "f"),
                        slot(9, 8, 0, "d"), slot(1, 6, 0, "fixed"), slot(7, 4, 0x10, "apart"),
                        slot(6, 4, 0, "i32")});
    const int64_t nums[] = {5, -3, 300, 0, -32768, 70000};
    for (int i = 0; i < 6; ++i) {
        const int64_t n = nums[i];
        float f = float(n) / 4;
        double d = double(n) / 8;
        Value fv, dv;
        fv.bytes.resize(4);
        std::memcpy(fv.bytes.data(), &f, 4);
        dv.bytes.resize(8);
        std::memcpy(dv.bytes.data(), &d, 8);
        Value pair = Value::number(uint64_t(n & 0xFFFF) | uint64_t(i) << 16, 4);
        w.add({Value::number(uint64_t(n), 4), Value::number(uint64_t(n), 2),
               Value::number(uint64_t(n) * 1000003u, 8), Value::number(uint64_t(n), 4), pair, fv,
               dv, Value::text("k" + std::to_string(n)), Value::number(uint64_t(n), 4),
               Value::number(uint64_t(n), 4)});
    }
    auto b = banktest::write_and_open(w, dir_ / "b");
    BankReader r(*b, 1);
    EXPECT_EQ(r.find(1, "300", 0), 3);
    EXPECT_EQ(r.find(1, "0x12C", 0), 3);
    EXPECT_EQ(r.find(1, "4294967293", 0), 2);  // -3 stored as an unsigned 32-bit number
    EXPECT_EQ(r.find(1, "301", 0), -1);
    EXPECT_EQ(r.find(1, "6", 2), 3);        // nearest: the next larger number
    EXPECT_EQ(r.find(1, "twelve", 0), -1);  // not a number
    EXPECT_EQ(r.find(2, "-3", 0), 2);
    EXPECT_EQ(r.find(2, "-32768", 0), 5);
    EXPECT_EQ(r.find(2, "-4", 2), 2);
    EXPECT_EQ(BankReader(*b, -1).find(2, "-4", 2), 5);
    EXPECT_EQ(r.find(3, std::to_string(uint64_t(70000) * 1000003u).c_str(), 0), 6);
    EXPECT_EQ(r.find(4, "#300", 0), 3);
    EXPECT_EQ(r.find(4, "-3", 0), 2);
    EXPECT_EQ(r.find(5, "#300:2", 0), 3);
    EXPECT_EQ(r.find(5, "#300:3", 0), -1);
    EXPECT_EQ(r.find(5, "#300", 0), 3);  // no second part: the first part decides
    EXPECT_EQ(r.find(6, "1.25", 0), 1);
    EXPECT_EQ(r.find(6, "-0.75", 0), 2);
    EXPECT_EQ(r.find(7, "37.5", 0), 3);
    EXPECT_EQ(r.find(8, "K70000", 0), 6);
    EXPECT_EQ(r.find(8, "k700001", 0), 6);  // fixed-width text: only the width counts
    EXPECT_EQ(r.find(9, "70000", 0), 6);    // a slot kept in Bank.9 with its Tree.9
    EXPECT_EQ(r.find(10, "-32768", 0), 5);
}

TEST_F(BankFind, SlotsWithoutUsableIndexGiveZero) {
    bank::BankWriter w({slot(11, 4, 0, "name"), slot(1, 3, 0x20, "array"), slot(7, 4, 0, "n")});
    w.add({Value::text("a"), Value::text("abcdef"), Value::number(1, 4)});
    std::string error;
    ASSERT_TRUE(w.write(dir_ / "b", error)) << error;
    fs::remove(dir_ / "b/Tree.3");
    auto b = Bank::open(dir_ / "b");
    BankReader r(*b, 1);
    EXPECT_EQ(r.find(2, "abc", 0), 0);  // arrays have no index
    EXPECT_EQ(r.find(3, "1", 0), 0);    // no Tree.3
    EXPECT_EQ(r.find(3, "1", 0), 0);    // and it is not tried again
    EXPECT_EQ(r.find(0, "a", 0), 0);
    EXPECT_EQ(r.find(4, "a", 0), 0);
    EXPECT_EQ(r.find(1, "A", 0), 1);
}

TEST_F(BankFind, BlockStoreEndItemsAndNearest) {
    bank::BankWriter w({slot(7, 4, 0x80, "n"), slot(11, 4, 0x80, "name")});
    w.options().block_size = 64;  // a few items per block, several levels of blocks
    const std::vector<int> numbers = {50, 10, 40, 20, 30, 60, 70, 80, 90, 100, 110, 120};
    for (int n : numbers)
        w.add({Value::number(uint64_t(n), 4), Value::text("n" + std::to_string(n))});
    auto b = banktest::write_and_open(w, dir_ / "b");
    EXPECT_EQ(BankReader(*b, 1).find(1, "", -1), 2);    // smallest: 10
    EXPECT_EQ(BankReader(*b, -1).find(1, "", -1), 12);  // largest: 120
    for (size_t i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(BankReader(*b, 1).find(1, std::to_string(numbers[i]).c_str(), 0), int(i + 1));
    EXPECT_EQ(BankReader(*b, 1).find(1, "15", 0), -1);
    EXPECT_EQ(BankReader(*b, 1).find(1, "15", 2), 4);   // 20
    EXPECT_EQ(BankReader(*b, -1).find(1, "15", 2), 2);  // 10
    EXPECT_EQ(BankReader(*b, 1).find(1, "65", 2), 7);   // 70
    EXPECT_EQ(BankReader(*b, 1).find(1, "5", 2), 2);
    EXPECT_EQ(BankReader(*b, 1).find(1, "500", 2), -1);
    EXPECT_EQ(BankReader(*b, 1).find(2, "N110", 0), 11);
    EXPECT_EQ(banktest::read_text(*b, 11, 2), "n110");
}

TEST_F(BankFind, DateKeysAreParsed) {
    if (!banktest::text_forms_available()) GTEST_SKIP() << "value text forms not linked";
    bank::BankWriter w({slot(2, 3, 0, "day"), slot(3, 4, 0, "when")});
    w.add({Value::number(uint64_t(bank::day_number(2, 1, 1970)), 3),
           Value::number(uint64_t(bank::parse_date_time("01.01.1970 00:00:01")), 4)});
    w.add({Value::number(uint64_t(bank::day_number(1, 1, 1970)), 3), Value::number(86401, 4)});
    auto b = banktest::write_and_open(w, dir_ / "b");
    BankReader r(*b, 1);
    EXPECT_EQ(r.find(1, "01.01.1970", 0), 2);
    EXPECT_EQ(r.find(1, "02.01.1970", 0), 1);
    EXPECT_EQ(r.find(2, "01.01.1970 00:00:01", 0), 1);
    EXPECT_EQ(r.find(2, "02.01.1970", 0), 2);
}

}  // namespace
