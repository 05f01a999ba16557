// Damaged and hostile banks: every count, offset, width and link read from a file is checked,
// so a bad bank gives the failure results (raised code, 0/-1/-2, <= 0), never a crash, an
// out-of-bounds read, a huge allocation or an endless walk.
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
    int find(int slot_number, const char* key) {
        auto b = Bank::open(folder());
        return BankReader(*b, 1).find(slot_number, key, 0);
    }
    static constexpr size_t kWidth = 8 + 4 + 4 + 4;
    TempFolder dir_;
};

TEST_F(DamagedBank, HostileHeadersAreRefusedAtOpen) {
    auto header = load("b");
    auto bad = header;
    put_u32(bad, 4, 0xFFFFFFFFu);  // negative slot count
    save("b", bad);
    EXPECT_EQ(open_code(folder()), bank::kOpenHeaderUnreadable);
    bad = header;
    put_u32(bad, 4, 100000);  // more descriptors than the file holds
    save("b", bad);
    EXPECT_EQ(open_code(folder()), bank::kOpenHeaderUnreadable);

    // A group whose child table is itself: the group nests without end.
    bad = header;
    bad[16] = 10;
    put_u32(bad, 16 + 4, 1);
    put_u32(bad, 16 + 8, 0);
    save("b", bad);
    EXPECT_EQ(open_code(folder()), bank::kOpenHeaderUnreadable);
    bad = header;
    bad[16] = 10;
    put_u32(bad, 16 + 4, 2);
    put_u32(bad, 16 + 8, 0x7FFFFFFF);  // children far outside
    save("b", bad);
    EXPECT_EQ(open_code(folder()), bank::kOpenHeaderUnreadable);

    // A name offset outside the file only loses the name.
    bad = header;
    put_u32(bad, 16 + 12, 0xFFFFFF00u);
    save("b", bad);
    EXPECT_EQ(open_code(folder()), 0);
}

TEST_F(DamagedBank, CyclesInTreeLinksAreDamagedIndexes) {
    // Slot 1: make the root's right and left links point back at the root.
    auto main = load("Main");
    const uint32_t root = get_u32(main, 4);
    const size_t node = 32 + (root - 1) * kWidth;
    put_u32(main, node, root);
    put_u32(main, node + 4, root);
    save("Main", main);
    EXPECT_EQ(find(1, "zzz"), -2);
    EXPECT_EQ(find(1, "a"), -2);

    // Tree.2: a two-node cycle below the root.
    auto tree = load("Tree.2");
    const uint32_t root2 = get_u32(tree, 4);
    const uint32_t right = get_u32(tree, 8 * root2 + 4);
    put_u32(tree, 8 * right, root2);
    put_u32(tree, 8 * right + 4, root2);
    save("Tree.2", tree);
    EXPECT_EQ(find(2, "40"), -2);
    EXPECT_EQ(find(2, "1"), 1);  // the left half is intact

    // Block store: the root block links to itself.
    auto storage = load("_Storage");
    const uint32_t root3 = get_u32(storage, 8);
    put_u32(storage, 64 * root3, root3);
    put_u32(storage, 64 * root3 + 4, root3);
    save("_Storage", storage);
    EXPECT_EQ(find(3, "1"), -2);
    EXPECT_EQ(find(3, "40"), -2);
}

TEST_F(DamagedBank, BadAnchorsAndLinks) {
    auto main = load("Main");
    put_u32(main, 0, 0x7FFFFFFF);  // a height no tree has: no stack of that size
    save("Main", main);
    EXPECT_EQ(find(1, "name7"), -2);

    auto tree = load("Tree.2");
    auto bad = tree;
    put_u32(bad, 0, 0xFFFFFFFF);  // negative height
    save("Tree.2", bad);
    EXPECT_EQ(find(2, "7"), -2);
    bad = tree;
    put_u32(bad, 4, 5000);  // root beyond the file
    save("Tree.2", bad);
    EXPECT_EQ(find(2, "7"), -2);
    bad = tree;
    const uint32_t root = get_u32(tree, 4);
    put_u32(bad, 8 * root, 0x80000000u);  // the most negative link
    save("Tree.2", bad);
    EXPECT_EQ(find(2, "1"), -2);
    bad = tree;
    put_u32(bad, 8 * root, uint32_t(-3));
    put_u32(bad, 8 * root + 4, uint32_t(-4));  // root marked absent
    save("Tree.2", bad);
    EXPECT_EQ(find(2, "40"), -2);
    save("Tree.2", {});  // empty file: an empty index
    EXPECT_EQ(find(2, "7"), -1);

    main = load("Main");
    put_u32(main, 0, 6);
    put_u32(main, 4, 41);  // root beyond the cadr count
    save("Main", main);
    EXPECT_EQ(find(1, "name7"), -2);
}

TEST_F(DamagedBank, BadBlocks) {
    auto storage = load("_Storage");
    const uint32_t root = get_u32(storage, 8);
    auto bad = storage;
    bad[64 * root + 18] = 0xFF;
    bad[64 * root + 19] = 0x7F;  // more items than the block holds
    save("_Storage", bad);
    EXPECT_EQ(find(3, "20"), -2);
    bad = storage;
    bad[64 * root + 19] = 0x80;  // negative count
    save("_Storage", bad);
    EXPECT_EQ(find(3, "20"), -2);
    bad = storage;
    bad[64 * root + 22] = 11;  // key type unlike the slot's
    save("_Storage", bad);
    EXPECT_EQ(find(3, "20"), -2);
    for (uint32_t size : {0u, 7u, 0x7FFFFFFFu}) {
        bad = storage;
        put_u32(bad, 0, size);  // block size
        save("_Storage", bad);
        EXPECT_EQ(find(3, "20"), -2) << size;
    }
    bad = storage;
    bad.resize(64 * root + 40);  // root block cut short
    save("_Storage", bad);
    EXPECT_EQ(find(3, "20"), -2);
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
