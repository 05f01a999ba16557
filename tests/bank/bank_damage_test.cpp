// Damaged and hostile banks: every count, offset, width and link read from a file is checked,
// so a bad bank gives the failure results (raised code, 0/-1/-2, <= 0), never a crash, an
// out-of-bounds read, a huge allocation or an endless walk.
#include <functional>
#include <map>

#include "bank/bank_format.h"
#include "tests/bank/bank_fixture.h"

namespace {

using bank::Value;
using banktest::get_u32;
using banktest::open_code;
using banktest::put_u32;
using banktest::read_text;
using banktest::slot;
using banktest::TempFolder;

// A bank with slot 1 (text, index in Main), slot 2 (number, Tree.2), slot 3 (block store).
class DamagedBank : public ::testing::Test {
  protected:
    void SetUp() override {
        bank::BankWriter w({slot(11, 4, 0, "name"), slot(7, 4, 0, "n"), slot(7, 4, 0x80, "k")});
        w.options().block_size = 64;
        for (int i = 1; i <= 40; ++i)
            w.add({Value::text("name" + std::to_string(i)), Value::number(uint64_t(i), 4),
                   Value::number(uint64_t(i), 4)});
        std::string error;
        ASSERT_TRUE(w.write(folder(), error)) << error;
    }
    std::string folder() const { return dir_ / "b"; }
    std::string file(const char* name) const { return folder() + "/" + name; }
    std::vector<uint8_t> load(const char* name) const { return banktest::read_file(file(name)); }
    void save(const char* name, const std::vector<uint8_t>& bytes) const {
        banktest::write_file(file(name), bytes);
    }
    // Writes file `name` as `edit` changes its bytes as first written.
    void damage(const char* name, const std::function<void(std::vector<uint8_t>&)>& edit) {
        auto& bytes = pristine_.try_emplace(name, load(name)).first->second;
        auto bad = bytes;
        edit(bad);
        save(name, bad);
    }
    uint32_t u32(const char* name, size_t at) {
        return get_u32(pristine_.try_emplace(name, load(name)).first->second, at);
    }
    int find(int slot_number, const char* key) {
        auto b = Bank::open(folder());
        return BankReader(*b, 1).find(slot_number, key, 0);
    }
    static constexpr size_t kWidth = 8 + 4 + 4 + 4;
    TempFolder dir_;
    std::map<std::string, std::vector<uint8_t>> pristine_;
};

TEST_F(DamagedBank, HostileHeadersAreRefusedAtOpen) {
    using V = std::vector<uint8_t>;
    damage("b", [](V& b) { put_u32(b, 4, 0xFFFFFFFFu); });  // negative slot count
    EXPECT_EQ(open_code(folder()), bank::OpenFailure::HeaderUnreadable);
    damage("b", [](V& b) { put_u32(b, 4, 100000); });  // more descriptors than the file holds
    EXPECT_EQ(open_code(folder()), bank::OpenFailure::HeaderUnreadable);
    // A group whose child table is itself (it nests without end), or far outside.
    for (uint32_t children : {0u, 0x7FFFFFFFu}) {
        damage("b", [&](V& b) {
            b[16] = 10;
            put_u32(b, 16 + 4, children ? 2 : 1);
            put_u32(b, 16 + 8, children);
        });
        EXPECT_EQ(open_code(folder()), bank::OpenFailure::HeaderUnreadable) << children;
    }
    // A name offset outside the file only loses the name.
    damage("b", [](V& b) { put_u32(b, 16 + 12, 0xFFFFFF00u); });
    EXPECT_EQ(open_code(folder()), std::nullopt);
}

TEST_F(DamagedBank, CyclesInTreeLinksAreDamagedIndexes) {
    using V = std::vector<uint8_t>;
    // Slot 1: the root's right and left links point back at the root.
    const uint32_t root = u32("Main", 4);
    damage("Main", [&](V& b) {
        put_u32(b, 32 + (root - 1) * kWidth, root);
        put_u32(b, 32 + (root - 1) * kWidth + 4, root);
    });
    EXPECT_EQ(find(1, "zzz"), -2);
    EXPECT_EQ(find(1, "a"), -2);
    // Tree.2: a two-node cycle below the root.
    const uint32_t root2 = u32("Tree.2", 4), right = u32("Tree.2", 8 * root2 + 4);
    damage("Tree.2", [&](V& b) {
        put_u32(b, 8 * right, root2);
        put_u32(b, 8 * right + 4, root2);
    });
    EXPECT_EQ(find(2, "40"), -2);
    EXPECT_EQ(find(2, "1"), 1);  // the left half is intact
    // Block store: the root block links to itself.
    const uint32_t root3 = u32("_Storage", 8);
    damage("_Storage", [&](V& b) {
        put_u32(b, 64 * root3, root3);
        put_u32(b, 64 * root3 + 4, root3);
    });
    EXPECT_EQ(find(3, "1"), -2);
    EXPECT_EQ(find(3, "40"), -2);
}

TEST_F(DamagedBank, BadAnchorsAndLinks) {
    using V = std::vector<uint8_t>;
    damage("Main", [](V& b) { put_u32(b, 0, 0x7FFFFFFF); });  // a height no tree has
    EXPECT_EQ(find(1, "name7"), -2);
    damage("Main", [](V& b) { put_u32(b, 0, 6), put_u32(b, 4, 41); });  // root past the cadrs
    EXPECT_EQ(find(1, "name7"), -2);

    const uint32_t root = u32("Tree.2", 4);
    damage("Tree.2", [](V& b) { put_u32(b, 0, 0xFFFFFFFF); });  // negative height
    EXPECT_EQ(find(2, "7"), -2);
    damage("Tree.2", [](V& b) { put_u32(b, 4, 5000); });  // root beyond the file
    EXPECT_EQ(find(2, "7"), -2);
    damage("Tree.2", [&](V& b) { put_u32(b, 8 * root, 0x80000000u); });  // most negative link
    EXPECT_EQ(find(2, "1"), -2);
    damage("Tree.2", [&](V& b) { put_u32(b, 8 * root, -3u), put_u32(b, 8 * root + 4, -4u); });
    EXPECT_EQ(find(2, "40"), -2);               // the root marked absent
    damage("Tree.2", [](V& b) { b.clear(); });  // empty file: an empty index
    EXPECT_EQ(find(2, "7"), -1);
}

TEST_F(DamagedBank, BadBlocks) {
    using V = std::vector<uint8_t>;
    const size_t root = 64 * u32("_Storage", 8);
    const std::pair<const char*, std::function<void(V&)>> damages[] = {
        {"more items than the block holds",
         [&](V& b) { b[root + 18] = 0xFF, b[root + 19] = 0x7F; }},
        {"a negative count", [&](V& b) { b[root + 19] = 0x80; }},
        {"a key type unlike the slot's", [&](V& b) { b[root + 22] = 11; }},
        {"block size 0", [](V& b) { put_u32(b, 0, 0); }},
        {"block size 7", [](V& b) { put_u32(b, 0, 7); }},
        {"a huge block size", [](V& b) { put_u32(b, 0, 0x7FFFFFFF); }},
        {"the root block cut short", [&](V& b) { b.resize(root + 40); }},
    };
    for (const auto& [what, edit] : damages) {
        damage("_Storage", edit);
        EXPECT_EQ(find(3, "20"), -2) << what;
    }
    // A value whose block is gone reads as missing.
    auto b = Bank::open(folder());
    int n = 0;
    EXPECT_EQ(read_text(*b, 20, 3, &n), "");
    EXPECT_LT(n, 0);
}

TEST_F(DamagedBank, BadValueRecordsReadAsMissing) {
    auto values = load("Bank.0");
    auto main = load("Main");
    const size_t field = 32 + 8;  // slot 1 of cadr 1: its reference
    const uint32_t ref = get_u32(main, field);
    auto b = Bank::open(folder());

    auto bad = values;
    put_u32(bad, ref - 1 + 4, 0xFFFFFFF0u);  // length far beyond the file
    save("Bank.0", bad);
    int n = 0;
    EXPECT_EQ(read_text(*b, 1, 1, &n), "");
    EXPECT_EQ(n, -1);
    bad = values;
    put_u32(bad, ref - 1 + 4, 2);  // length below its own field
    save("Bank.0", bad);
    b->record_count();
    EXPECT_EQ(read_text(*b, 1, 1, &n), "");
    EXPECT_EQ(n, -1);

    save("Bank.0", values);
    put_u32(main, field, 0xFFFFFF00u);  // reference beyond the file
    save("Main", main);
    b->record_count();
    EXPECT_EQ(read_text(*b, 1, 1, &n), "");
    EXPECT_EQ(n, -1);
    // The index compares that cadr's value as an empty string; others are still found.
    EXPECT_EQ(BankReader(*b, 1).find(1, "name2", 0), 2);

    std::filesystem::resize_file(file("Bank.0"), 0);
    b->record_count();
    EXPECT_EQ(read_text(*b, 2, 1, &n), "");
    EXPECT_EQ(n, -1);
    EXPECT_EQ(b->record_count(), 40);
}

TEST(DamagedArrays, ArrayRecordWithShortCapacityIsUnreadable) {
    TempFolder dir;
    bank::BankWriter w({slot(11, 4, 0, "name"), slot(1, 2, 0x20, "arr")});
    Value arr;
    arr.bytes = {'a', 'b', 'c', 'd'};
    w.add({Value::text("x"), arr});
    auto b = banktest::write_and_open(w, dir / "b");
    EXPECT_EQ(read_text(*b, 1, 2), "[ab][cd]");
    auto values = banktest::read_file(dir / "b/Bank.0");
    auto main = banktest::read_file(dir / "b/Main");
    const uint32_t ref = get_u32(main, 32 + 8 + 4);
    put_u32(values, ref - 1, 5);  // capacity below the length
    banktest::write_file(dir / "b/Bank.0", values);
    b->record_count();
    int n = 0;
    EXPECT_EQ(read_text(*b, 1, 2, &n), "");
    EXPECT_EQ(n, -1);
}

TEST(DamagedOwnFile, ShortBankNFileReadsAsMissing) {
    TempFolder dir;
    bank::BankWriter w({slot(11, 4, 0, "name"), slot(1, 4, 0x10, "apart")});
    w.add({Value::text("x"), Value::text("abcd")});
    w.add({Value::text("y"), Value::text("efgh")});
    auto b = banktest::write_and_open(w, dir / "b");
    std::filesystem::resize_file(dir / "b/Bank.2", 6);
    b->record_count();
    int n = 0;
    EXPECT_EQ(read_text(*b, 1, 2, &n), "abcd");
    EXPECT_EQ(read_text(*b, 2, 2, &n), "");
    EXPECT_EQ(n, -1);
}

}  // namespace
