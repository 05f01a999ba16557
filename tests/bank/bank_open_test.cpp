// Opening banks: path joining, kinds, raised codes, cadr counts and entry layout.
#include <sys/stat.h>
#include <unistd.h>

#include "bank/bank_format.h"
#include "tests/bank/bank_fixture.h"
#include "tests/ordinary_user.h"

namespace {

namespace fs = std::filesystem;
using banktest::open_code;
using banktest::slot;
using banktest::TempFolder;

bank::BankWriter names_bank(std::vector<std::string> names) {
    bank::BankWriter w({slot(11, 4, 0, "name"), slot(7, 4, 0, "size")});
    int i = 0;
    for (const auto& n : names)
        w.add({bank::Value::text(n), bank::Value::number(uint64_t(++i), 4)});
    return w;
}

TEST(JoinPath, FollowsTheJoiningRule) {
    using bank::join_path;
    EXPECT_EQ(join_path("", "b"), "b");
    EXPECT_EQ(join_path("a", ""), "a");
    EXPECT_EQ(join_path("data/Base3", "data/Base3"), "data/Base3/Base3");
    EXPECT_EQ(join_path("Base3", "Base3"), "Base3/Base3");
    EXPECT_EQ(join_path("/a/b", "/a/b"), "/a/b/b");  // absolute folders too
    EXPECT_EQ(join_path("/usr/share/brushwright", "/usr/share/brushwright"),
              "/usr/share/brushwright/brushwright");
    EXPECT_EQ(join_path("data", "Main"), "data/Main");
    EXPECT_EQ(join_path("data/", "Main"), "data/Main");
    EXPECT_EQ(join_path("data\nrest", "Main\nmore"), "data/Main");
    EXPECT_EQ(join_path("data", "/abs/Main"), "/abs/Main");
}

TEST(BankOpen, RaisesItsCodes) {
    TempFolder dir;
    EXPECT_EQ(open_code(dir / "none"), bank::OpenFailure::NotABank);  // no header file
    fs::create_directory(dir / "other");
    banktest::write_file(dir / "other/other", {'J', 'U', 'N', 'K', 0, 0, 0, 0});
    EXPECT_EQ(open_code(dir / "other"), bank::OpenFailure::NotABank);  // unknown magic at the probe
    fs::create_directory(dir / "old");
    std::vector<uint8_t> old(32, 0);
    banktest::put_u32(old, 0, bank::kMagicKind4);
    banktest::write_file(dir / "old/old", old);
    EXPECT_EQ(open_code(dir / "old"), bank::OpenFailure::UnknownMagic);  // older kinds are refused
    fs::create_directory(dir / "short");
    banktest::write_file(dir / "short/short", {0x75, 0xCE, 0x5A, 0xE1, 1, 0});
    EXPECT_EQ(open_code(dir / "short"), bank::OpenFailure::HeaderUnreadable);
    testuser::as_ordinary_user([] {
        TempFolder mine;
        std::string error;
        ASSERT_TRUE(names_bank({"a"}).write(mine / "locked", error));
        ::chmod((mine / "locked/locked").c_str(), 0);
        EXPECT_EQ(open_code(mine / "locked"), bank::OpenFailure::NotABank);  // probe cannot read it
    });
    EXPECT_EQ(open_code(""), bank::OpenFailure::NotABank);
}

TEST(BankOpen, ProbesKindsWithoutOpening) {
    TempFolder dir;
    std::string error;
    ASSERT_TRUE(names_bank({"a"}).write(dir / "Base3", error)) << error;
    EXPECT_EQ(Bank::probe_kind(dir.path(), "Base3"), 5);
    EXPECT_EQ(Bank::probe_kind(".", dir / "Base3"), 5);
    EXPECT_EQ(Bank::probe_kind("", dir / "Base3"), 5);
    EXPECT_EQ(Bank::probe_kind(dir.path(), ""), 0);
    EXPECT_EQ(Bank::probe_kind(dir.path(), "_LogDB"), 0);
    for (auto [magic, kind] : {std::pair{bank::kMagicKind4, 4},
                               {bank::kMagicKind3b, 3},
                               {bank::kMagicKind3c, 3},
                               {0x12345678u, 0}}) {
        std::vector<uint8_t> header(16, 0);
        banktest::put_u32(header, 0, magic);
        banktest::write_file(dir / "Base3/Base3", header);
        EXPECT_EQ(Bank::probe_kind(dir.path(), "Base3"), kind) << std::hex << magic;
    }
}

TEST(BankOpen, CountsWholeEntriesOfMain) {
    TempFolder dir;
    auto b = banktest::write_and_open(names_bank({"a", "b", "c"}), dir / "bank");
    EXPECT_EQ(b->record_count(), 3);
    EXPECT_EQ(b->slot_count(), 2);
    const int width = 8 + 4 + 4;  // prefix, reference of the text, number
    EXPECT_EQ(fs::file_size(dir / "bank/Main"), 32u + 3 * width);

    fs::resize_file(dir / "bank/Main", 32 + 2 * width + width / 2);
    EXPECT_EQ(b->record_count(), 2);
    fs::resize_file(dir / "bank/Main", 32);
    EXPECT_EQ(b->record_count(), 0);
    fs::remove(dir / "bank/Main");
    EXPECT_EQ(b->record_count(), 0);

    auto empty = banktest::write_and_open(names_bank({}), dir / "empty");
    EXPECT_EQ(empty->record_count(), 0);
    EXPECT_EQ(BankReader(*empty, 1).find(1, "a", 0), -1);
}

TEST(BankOpen, BlockStoreFirstSlotUsesTwoBytePrefix) {
    TempFolder dir;
    bank::BankWriter w({slot(11, 4, 0x80, "name"), slot(7, 4, 0, "size")});
    w.add({bank::Value::text("x"), bank::Value::number(5, 4)});
    w.add({bank::Value::text("y"), bank::Value::number(6, 4)});
    auto b = banktest::write_and_open(w, dir / "bank");
    EXPECT_EQ(fs::file_size(dir / "bank/Main"), 32u + 2 * (2 + 4 + 4));
    EXPECT_EQ(b->record_count(), 2);
    EXPECT_EQ(banktest::read_text(*b, 2, 1), "y");
    EXPECT_EQ(BankReader(*b, 1).find(1, "Y", 0), 2);
}

TEST(BankOpen, ReadOnlyBankOpensAndReads) {
    TempFolder dir;
    auto w = names_bank({"alpha", "beta"});
    std::string error;
    ASSERT_TRUE(w.write(dir / "ro", error));
    for (const auto& e : fs::directory_iterator(dir / "ro"))
        fs::permissions(e.path(), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    auto b = Bank::open(dir / "ro");
    EXPECT_EQ(BankReader(*b, 1).find(1, "beta", 0), 2);
    EXPECT_EQ(banktest::read_text(*b, 1, 1), "alpha");
    fs::permissions(dir / "ro", fs::perms::owner_all);
}

}  // namespace
