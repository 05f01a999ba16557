// The settings: defaults, the unsigned conversions, the dialog's field rules and the POSIX file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/settings_file.h"
#include "host/settings_model.h"
#include "tests/ordinary_user.h"

namespace {

TEST(Settings, MissingStoreOrValuesGiveTheDefaults) {
    const picture::Settings none = host::settings_from_store({});
    EXPECT_EQ(none.data_folder, ".");
    EXPECT_EQ(none.speed, 20.0f);
    EXPECT_EQ(none.delay, 7.0f);
    host::StoredSettings empty;
    empty.opened = true;
    EXPECT_EQ(host::settings_from_store(empty, "/sample").data_folder, "/sample");
    // The dialog: no store gives empty fields, a store without numbers the in-memory ones.
    EXPECT_EQ(host::dialog_fields({}, {}).speed, "");
    EXPECT_EQ(host::dialog_fields(empty, {}).speed, "20");
    EXPECT_EQ(host::dialog_fields(empty, {}).delay, "7");
    picture::Settings huge;
    huge.speed = 2147483648.0f;  // past the 32-bit range: saturated like every larger value
    EXPECT_EQ(host::dialog_fields(empty, huge).speed, "2147483647");
}

TEST(Settings, FieldTextIsStoredAsIts32BitPatternAndReadBackUnsigned) {
    const struct {
        const char* field;
        uint32_t stored;
        float read_back;
        const char* shown;  // as the dialog shows the stored number
    } cases[] = {
        {"30", 30, 30.0f, "30"},
        {"  -5", 4294967291u, 4294967291.0f, "-5"},
        {"fast", 0, 0.0f, "0"},
        {"", 0, 0.0f, "0"},
        {"12abc", 12, 12.0f, "12"},
        // At most 19 characters are read: the 20th digit is not.
        {"0000000000000000009"
         "9",
         9, 9.0f, "9"},
    };
    for (const auto& c : cases) {
        const uint32_t stored = host::field_value(c.field);
        EXPECT_EQ(stored, c.stored) << c.field;
        host::StoredSettings s;
        s.opened = true;
        s.speed = stored;
        EXPECT_EQ(host::settings_from_store(s).speed, c.read_back) << c.field;
        EXPECT_EQ(host::dialog_fields(s, {}).speed, c.shown) << c.field;
    }
}

TEST(SettingsFile, ReadsNumbersUnsignedAsTheyAreWritten) {
    const host::StoredSettings s =
        host::parse_settings_text("# comment\r\nSPEED=-5\r\nDELAY=none\nPATH=/data\r\nSPEED=3\n");
    EXPECT_FALSE(s.speed);  // not an unsigned number: missing (and the first line counts)
    EXPECT_FALSE(s.delay);
    EXPECT_EQ(s.path, "/data");
    const std::string written = host::settings_text_with("", 4294967291u, 4294967295u);
    EXPECT_EQ(host::parse_settings_text(written).speed, 4294967291u);
    EXPECT_EQ(host::parse_settings_text(written).delay, 4294967295u);
    EXPECT_FALSE(host::parse_settings_text("SPEED=4294967296").speed);
    EXPECT_EQ(host::unsigned_number(" 30 "), 30u);
    for (const char* bad : {"", " ", "-3", "+3", "1e3", "3x", "99999999999"})
        EXPECT_FALSE(host::unsigned_number(bad)) << bad;
    const host::StoredSettings long_path =
        host::parse_settings_text("PATH=" + std::string(host::kPathBufferSize, 'x'));
    EXPECT_FALSE(long_path.path);
    EXPECT_TRUE(long_path.path_too_long);
    EXPECT_EQ(host::parse_settings_text("PATH=" + std::string(255, 'x')).path->size(), 255u);
}

class SettingsFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir_template[] = "/tmp/brushwright-settings-XXXXXX";
        ASSERT_NE(mkdtemp(dir_template), nullptr);
        dir_ = dir_template;
    }
    void TearDown() override {
        const int cleaned = std::system(("chmod -R u+w " + dir_ + "; rm -rf " + dir_).c_str());
        (void)cleaned;  // nothing to do when the cleaning fails
    }
    std::string dir_;
    std::string error_;
};

TEST_F(SettingsFileOnDisk, MissingFileIsDefaultsAndSavingKeepsThePath) {
    const std::string path = dir_ + "/Korvane/Farmeadow/settings";
    EXPECT_FALSE(host::read_settings_file(path).opened);
    ASSERT_TRUE(host::write_settings_file(path, 4294967291u, 9, error_));
    { std::ofstream(path, std::ios::app) << "PATH=/pictures\n"; }
    ASSERT_TRUE(host::write_settings_file(path, 25, 0, error_));
    const host::StoredSettings s = host::read_settings_file(path);
    EXPECT_TRUE(s.opened);
    EXPECT_EQ(s.speed, 25u);
    EXPECT_EQ(s.delay, 0u);
    EXPECT_EQ(s.path, "/pictures");
}

TEST(SettingsFile, UnwritableFolderOrUnreadableOrReadOnlyFileIsLeftAlone) {
    testuser::as_ordinary_user([] {
        char dir_template[] = "/tmp/brushwright-settings-XXXXXX";
        ASSERT_NE(mkdtemp(dir_template), nullptr);
        const std::string dir = dir_template, path = dir + "/settings";
        std::string error;
        ASSERT_TRUE(host::write_settings_file(path, 30, 8, error));
        { std::ofstream(path, std::ios::app) << "PATH=/pictures\n"; }
        ASSERT_EQ(chmod(dir.c_str(), 0500), 0);
        EXPECT_FALSE(host::write_settings_file(path, 1, 1, error));
        EXPECT_EQ(host::read_settings_file(path).speed, 30u);
        // Saving over a file that cannot be read would lose its PATH; a read-only one is kept.
        ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
        for (mode_t mode : {0200, 0400}) {
            ASSERT_EQ(chmod(path.c_str(), mode), 0);
            EXPECT_EQ(host::read_settings_file(path).opened, mode == 0400) << mode;
            EXPECT_FALSE(host::write_settings_file(path, 1, 1, error)) << mode;
        }
        ASSERT_EQ(chmod(path.c_str(), 0600), 0);
        const host::StoredSettings kept = host::read_settings_file(path);
        EXPECT_EQ(kept.speed, 30u);
        EXPECT_EQ(kept.path, "/pictures");
        std::filesystem::remove_all(dir);
    });
}

TEST_F(SettingsFileOnDisk, StoreInTheWayOfTheFolderStoresNothing) {
    // A plain file where the folder should be: as unwritable for root as for anyone.
    { std::ofstream(dir_ + "/Korvane") << "x"; }
    const std::string path = dir_ + "/Korvane/Farmeadow/settings";
    EXPECT_FALSE(host::write_settings_file(path, 1, 1, error_));
    EXPECT_FALSE(host::read_settings_file(path).opened);
}

// Only a regular file of at most 64 KiB is read; anything else in its place (a named pipe that
// nobody writes, a link to an endless device, a folder, a huge file) is neither read nor waited
// on, nor replaced by a save.
TEST_F(SettingsFileOnDisk, WhatIsNoReadableFileIsRefusedAndKept) {
    const std::string path = dir_ + "/settings";
    const auto kinds = {"fifo", "zero", "folder", "huge", "unreadable"};
    for (const std::string kind : kinds) {
        std::system(("rm -rf " + path).c_str());
        int made = 0;
        if (kind == "fifo") made = mkfifo(path.c_str(), 0644);
        if (kind == "zero") made = symlink("/dev/zero", path.c_str());
        if (kind == "folder") made = mkdir(path.c_str(), 0755);
        ASSERT_EQ(made, 0) << kind;
        if (kind == "huge") std::ofstream(path) << "PATH=/p\n" << std::string(65536, '#');
        if (kind == "unreadable") {
            if (geteuid() == 0) continue;  // root reads anything
            std::ofstream(path) << "PATH=/p\n";
            chmod(path.c_str(), 0);
        }
        const host::StoredSettings s = host::read_settings_file(path);
        EXPECT_FALSE(s.opened) << kind;
        EXPECT_NE(s.unreadable.find(path), std::string::npos) << kind;
        struct stat before = {}, after = {};
        lstat(path.c_str(), &before);
        error_.clear();
        EXPECT_FALSE(host::write_settings_file(path, 30, 10, error_)) << kind;
        EXPECT_NE(error_.find("cannot read"), std::string::npos) << kind << ": " << error_;
        lstat(path.c_str(), &after);
        EXPECT_EQ(before.st_ino, after.st_ino) << kind;
        EXPECT_EQ(before.st_size, after.st_size) << kind;
    }
}

// A settings file that is a link (kept with one's other configuration files, say) stays a link:
// the file it leads to gets the new values and keeps its PATH.
TEST_F(SettingsFileOnDisk, SavingThroughALinkKeepsTheLink) {
    const std::string target = dir_ + "/kept/settings", link = dir_ + "/settings";
    ASSERT_EQ(mkdir((dir_ + "/kept").c_str(), 0755), 0);
    std::ofstream(target) << "PATH=/pictures\nSPEED=5\n";
    ASSERT_EQ(symlink("kept/settings", link.c_str()), 0);
    ASSERT_TRUE(host::write_settings_file(link, 30, 10, error_)) << error_;
    struct stat st = {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    const host::StoredSettings s = host::read_settings_file(target);
    EXPECT_EQ(s.speed, 30u);
    EXPECT_EQ(s.path, "/pictures");
    // A link to a file not made yet makes it.
    ASSERT_EQ(symlink("kept/new", (dir_ + "/dangling").c_str()), 0);
    ASSERT_TRUE(host::write_settings_file(dir_ + "/dangling", 1, 2, error_)) << error_;
    EXPECT_EQ(host::read_settings_file(dir_ + "/kept/new").delay, 2u);
}

TEST(SettingsFile, FollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(host::settings_file_path(), "/xdg/Korvane/Farmeadow/settings");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(host::settings_file_path(), "/home/u/.config/Korvane/Farmeadow/settings");
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
