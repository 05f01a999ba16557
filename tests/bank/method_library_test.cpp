// Virtual slots served by a bank's method library.
#include <unistd.h>

#include "tests/bank/bank_fixture.h"
#include "tests/ordinary_user.h"

namespace {

namespace fs = std::filesystem;
using banktest::read_text;
using banktest::slot;
using banktest::TempFolder;

void make_bank(const std::string& folder, bool with_library,
               const char* library = TEST_METHODS_LIBRARY) {
    bank::BankWriter w({slot(11, 4, 0, "name")});
    w.add({bank::Value::text("one")});
    w.add({bank::Value::text("two")});
    std::string error;
    ASSERT_TRUE(w.write(folder, error)) << error;
    // The library is trusted only when no one else may write it or its folder.
    fs::permissions(folder, fs::perms(0755));
    if (!with_library) return;
    fs::copy_file(library, folder + "/Methods.dll");
    fs::permissions(folder + "/Methods.dll", fs::perms(0755));
}

TEST(MethodLibrary, VirtualSlotsComeFromTheLibrary) {
    TempFolder dir;
    make_bank(dir / "b", true);
    auto b = Bank::open(dir / "b");
    int n = 0;
    EXPECT_EQ(read_text(*b, 1, 2, &n), std::string("abc\0", 4));  // the NUL is counted
    EXPECT_EQ(n, 4);
    EXPECT_EQ(read_text(*b, 2, 5, &n), std::string("c2:5\0", 5));
    // A text without its NUL is cut to the area less one byte.
    EXPECT_EQ(read_text(*b, 99, 2, &n).size(), 256u);
    EXPECT_EQ(n, 256);
    // Ordinary slots are untouched.
    EXPECT_EQ(read_text(*b, 2, 1), "two");

    // Each bank is served by its own library, also after another bank loaded a different one.
    make_bank(dir / "other", true, TEST_OTHER_METHODS_LIBRARY);
    auto other = Bank::open(dir / "other");
    EXPECT_EQ(read_text(*other, 1, 2), std::string("xyz\0", 4));
    EXPECT_EQ(read_text(*b, 1, 2), std::string("abc\0", 4));
}

TEST(MethodLibrary, ExchangeAreaNameIsReservedInTheTemporaryFolder) {
    TempFolder dir;
    make_bank(dir / "b", true);
    auto b = Bank::open(dir / "b");
    std::string name = read_text(*b, 7, 2);
    name.pop_back();  // the counted NUL
    const std::string prefix = (fs::temp_directory_path() / "mem.").string();
    EXPECT_EQ(name.rfind(prefix + std::to_string(::getpid()) + ".", 0), 0u) << name;
    EXPECT_TRUE(fs::exists(name));
    auto other = Bank::open(dir / "b");
    std::string other_name = read_text(*other, 7, 2);
    other_name.pop_back();
    EXPECT_NE(other_name, name);
    b.reset();
    EXPECT_FALSE(fs::exists(name));
}

TEST(MethodLibrary, MissingOrRefusingLibraryIsNotTriedAgain) {
    TempFolder dir;
    make_bank(dir / "b", false);
    auto b = Bank::open(dir / "b");
    int n = 0;
    char* p = nullptr;
    EXPECT_EQ(b->read_slot(1, 2, &p), -1);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "");
    std::free(p);
    fs::copy_file(TEST_METHODS_LIBRARY, dir / "b/Methods.dll");
    EXPECT_EQ(read_text(*b, 1, 2, &n), "");
    EXPECT_EQ(n, -1);  // the failed state stays

    make_bank(dir / "refuse", true);
    auto refused = Bank::open(dir / "refuse");
    EXPECT_EQ(read_text(*refused, 1, 2, &n), "");
    EXPECT_EQ(n, -1);
}

TEST(MethodLibrary, LibraryOthersMayWriteIsNotLoaded) {
    struct Case {
        const char* what;
        fs::perms library;
        fs::perms folder;
    };
    const Case cases[] = {
        {"group may write the library", fs::perms(0775), fs::perms(0755)},
        {"anyone may write the library", fs::perms(0757), fs::perms(0755)},
        {"group may write the folder", fs::perms(0755), fs::perms(0775)},
        {"anyone may write the folder", fs::perms(0755), fs::perms(0757)},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        make_bank(dir / "b", true);
        fs::permissions(dir / "b/Methods.dll", c.library);
        fs::permissions(dir / "b", c.folder);
        auto b = Bank::open(dir / "b");
        int n = 0;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(read_text(*b, 1, 2, &n), "") << c.what;
        const std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(n, -1) << c.what;
        EXPECT_NE(message.find("Methods.dll\" is not loaded"), std::string::npos) << message;
        EXPECT_EQ(read_text(*b, 1, 1), "one") << c.what;  // the bank stays usable
    }
}

TEST(MethodLibrary, LibraryOrFolderOfAnotherUserIsNotLoaded) {
    const testuser::User user = testuser::ordinary_user();
    const uid_t other = user.uid == 4242 ? 4243 : 4242;  // neither root nor the user
    struct Case {
        const char* what;
        uid_t library, folder;
        bool loads;
    };
    const Case cases[] = {
        {"the user's own", user.uid, user.uid, true},
        {"root's", 0, 0, true},
        {"another user's library", other, user.uid, false},
        {"another user's folder", user.uid, other, false},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        fs::permissions(dir.path(), fs::perms(0755));
        make_bank(dir / "b", true);
        GIVE_TO(dir / "b/Methods.dll", c.library);
        GIVE_TO(dir / "b", c.folder);
        testuser::as_ordinary_user([&] {
            auto b = Bank::open(dir / "b");
            ::testing::internal::CaptureStderr();
            EXPECT_EQ(read_text(*b, 1, 2), c.loads ? std::string("abc\0", 4) : "") << c.what;
            const std::string message = ::testing::internal::GetCapturedStderr();
            EXPECT_EQ(message.find("is not loaded") == std::string::npos, c.loads) << message;
        });
    }
}

}  // namespace
