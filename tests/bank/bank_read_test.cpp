// Reading slot values: every storage place (entry field, Bank.0, Bank.n, block store), byte
// strings with and without their NUL, groups and arrays as text, and the buffer contract.
#include <cstring>

#include "tests/bank/bank_fixture.h"

namespace {

using bank::Value;
using banktest::read_text;
using banktest::slot;
using banktest::TempFolder;

TEST(BankRead, ByteStringsFromEveryPlace) {
    TempFolder dir;
    std::string big(1000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 13);
    bank::BankWriter w({slot(11, 4, 0, "name"), slot(12, 4, 0, "blob"), slot(1, 8, 0, "fixed"),
                        slot(13, 2, 2, "short"), slot(14, 4), slot(15, 4), slot(16, 4),
                        slot(1, 5, 0x10, "apart"), slot(11, 4, 0x80, "stored")});
    w.add({Value::text("first"), Value::text(big), Value::text("abc"), Value::text("thirteen"),
           Value::text("14"), Value::text("fifteen"), Value::text("16"), Value::text("apart"),
           Value::text("kept in a block")});
    w.add({Value::text("second"), Value::text(""), Value::text("12345678"), Value::none(),
           Value::none(), Value::none(), Value::none(), Value::text("ab"), Value::none()});
    auto b = banktest::write_and_open(w, dir / "b");

    int n = 0;
    EXPECT_EQ(read_text(*b, 1, 1, &n), "first");
    EXPECT_EQ(n, 5);
    EXPECT_EQ(read_text(*b, 1, 2, &n), big);  // type 12: exactly the bytes
    EXPECT_EQ(n, 1000);
    EXPECT_EQ(read_text(*b, 1, 3, &n), std::string("abc\0\0\0\0\0", 8));  // the whole width
    EXPECT_EQ(read_text(*b, 1, 4), "thirteen");
    EXPECT_EQ(read_text(*b, 1, 5), "14");
    EXPECT_EQ(read_text(*b, 1, 6), "fifteen");
    EXPECT_EQ(read_text(*b, 1, 7), "16");
    EXPECT_EQ(read_text(*b, 1, 8, &n), std::string("apart", 5));
    EXPECT_EQ(read_text(*b, 2, 8, &n), std::string("ab\0\0\0", 5));
    EXPECT_EQ(read_text(*b, 1, 9, &n), "kept in a block");
    EXPECT_EQ(n, 15);

    // Text types carry a NUL after the counted bytes.
    char* p = nullptr;
    ASSERT_EQ(b->read_slot(1, 1, &p), 5);
    EXPECT_EQ(p[5], '\0');
    // The same pointer again: the first buffer is released (the sanitizer build checks it).
    ASSERT_EQ(b->read_slot(1, 4, &p), 8);
    EXPECT_STREQ(p, "thirteen");
    std::free(p);

    EXPECT_EQ(read_text(*b, 2, 2, &n), "");  // present but empty
    EXPECT_EQ(n, 0);
    EXPECT_EQ(read_text(*b, 2, 4, &n), "");  // no value
    EXPECT_EQ(n, -1);
    EXPECT_EQ(read_text(*b, 2, 9, &n), "");
    EXPECT_EQ(n, -1);

    // Values longer than the reader's limit are not read.
    b->set_largest_value(999);
    EXPECT_EQ(read_text(*b, 1, 2, &n), "");
    EXPECT_EQ(n, -1);
    EXPECT_EQ(read_text(*b, 1, 1), "first");
}

TEST(BankRead, MissingCadrsGiveMinusOneAndAnEmptyString) {
    TempFolder dir;
    bank::BankWriter w({slot(11, 4, 0, "name")});
    w.add({Value::text("only")});
    auto b = banktest::write_and_open(w, dir / "b");
    for (int cadr : {2, 0, -5}) {
        char* p = nullptr;
        EXPECT_EQ(b->read_slot(cadr, 1, &p), -1) << cadr;
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(p, "");
        std::free(p);
    }
    // A cadr appended after opening is seen.
    w.add({Value::text("later")});
    std::string error;
    ASSERT_TRUE(w.write(dir / "b", error));
    EXPECT_EQ(read_text(*b, 2, 1), "later");
    EXPECT_EQ(b->record_count(), 2);
}

TEST(BankRead, GroupsAndArraysReadAsText) {
    TempFolder dir;
    bank::SlotLayout group = slot(10, 0, 0, "group");
    group.children = {slot(1, 4, 0, "code"), slot(11, 4, 0, "label"), slot(1, 2, 0, "tag")};
    bank::BankWriter w({slot(11, 4, 0, "name"), group, slot(1, 3, 0x20, "codes")});
    Value arr;
    arr.bytes = {'a', 'b', 'c', 'd', 'e', 0, 'x', 0, 0};
    w.add({Value::text("one"),
           Value::group({Value::text("ABCD"), Value::text("hello"), Value::text("t")}), arr});
    auto b = banktest::write_and_open(w, dir / "b");

    EXPECT_EQ(read_text(*b, 1, 2), "{ABCD;hello;t}");
    EXPECT_EQ(read_text(*b, 1, 3), "[abc][de][x]");

    bank::SlotPath path = bank::SlotPath::of(2);
    path.pairs[1].slot = 2;
    char* p = nullptr;
    EXPECT_EQ(b->read_slot(1, path, &p), 5);
    EXPECT_STREQ(p, "hello");
    path.pairs[1].slot = 4;  // no such child
    EXPECT_EQ(b->read_slot(1, path, &p), -1);

    EXPECT_EQ(b->read_slot(1, bank::SlotPath::of(3, 2), &p), 3);
    EXPECT_EQ(std::string(p, 3), std::string("de\0", 3));
    EXPECT_EQ(b->read_slot(1, bank::SlotPath::of(3, 4), &p), -1);
    EXPECT_EQ(b->read_slot(1, bank::SlotPath::of(3, -1), &p), 2);  // computed: the count
    EXPECT_STREQ(p, "3.");
    EXPECT_EQ(b->read_slot(1, bank::SlotPath::of(1, -1), &p), -1);
    std::free(p);
}

TEST(BankRead, PathsFollowReferencesToOtherCadrs) {
    TempFolder dir;
    bank::BankWriter w({slot(11, 4, 0, "name"), slot(4, 4, 0, "parent")});
    w.add({Value::text("root"), Value::number(0, 4)});
    w.add({Value::text("child"), Value::number(1, 4)});
    w.add({Value::text("grandchild"), Value::number(2, 4)});
    auto b = banktest::write_and_open(w, dir / "b");
    bank::SlotPath path = bank::SlotPath::of(2);
    path.pairs[1].slot = 2;
    path.pairs[2].slot = 1;  // grandchild -> child -> root's name
    char* p = nullptr;
    EXPECT_EQ(b->read_slot(3, path, &p), 4);
    EXPECT_STREQ(p, "root");
    EXPECT_EQ(b->read_slot(1, path, &p), -1);  // the root refers to no cadr
    path.pairs[2].slot = 3;                    // no such slot
    EXPECT_EQ(b->read_slot(3, path, &p), -1);
    std::free(p);
}

TEST(BankRead, NumbersReadThroughTheirTextForms) {
    if (!banktest::text_forms_available()) GTEST_SKIP() << "value text forms not linked";
    TempFolder dir;
    bank::SlotLayout group = slot(10, 0, 0, "group");
    group.children = {slot(7, 2, 0, "n"), slot(4, 4, 0, "ref")};
    bank::BankWriter w({slot(7, 4, 0, "n"), slot(6, 4, 2, "fixed"), slot(4, 4, 0, "ref"),
                        slot(7, 4, 0x10, "apart"), slot(7, 2, 0x20, "arr"), group});
    Value arr;
    arr.bytes = {1, 0, 2, 0};
    w.add({Value::number(12345, 4), Value::number(uint64_t(-5), 4), Value::number(7, 4),
           Value::number(99, 4), arr, Value::group({Value::number(3, 2), Value::number(4, 4)})});
    auto b = banktest::write_and_open(w, dir / "b");
    EXPECT_EQ(read_text(*b, 1, 1), "12345");
    EXPECT_EQ(read_text(*b, 1, 2), "-.05");
    EXPECT_EQ(read_text(*b, 1, 3), "#7");
    EXPECT_EQ(read_text(*b, 1, 4), "99");
    EXPECT_EQ(read_text(*b, 1, 5), "[1][2]");
    EXPECT_EQ(read_text(*b, 1, 6), "{3;#4}");
}

}  // namespace
