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

TEST(SettingsFile, ReadsTheTextWithTheDialogRules) {
    const host::StoredSettings s =
        host::parse_settings_text("# comment\r\nSPEED=-5\r\nDELAY=none\nPATH=/data\r\nSPEED=3\n");
    EXPECT_EQ(s.speed, 4294967291u);
    EXPECT_EQ(s.delay, 0u);
    EXPECT_EQ(s.path, "/data");
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
};

TEST_F(SettingsFileOnDisk, MissingFileIsDefaultsAndSavingKeepsThePath) {
    const std::string path = dir_ + "/Korvane/Farmeadow/settings";
    EXPECT_FALSE(host::read_settings_file(path).opened);
    ASSERT_TRUE(host::write_settings_file(path, 4294967291u, 9));
    { std::ofstream(path, std::ios::app) << "PATH=/pictures\n"; }
    ASSERT_TRUE(host::write_settings_file(path, 25, 0));
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
        ASSERT_TRUE(host::write_settings_file(path, 30, 8));
        { std::ofstream(path, std::ios::app) << "PATH=/pictures\n"; }
        ASSERT_EQ(chmod(dir.c_str(), 0500), 0);
        EXPECT_FALSE(host::write_settings_file(path, 1, 1));
        EXPECT_EQ(host::read_settings_file(path).speed, 30u);
        // Saving over a file that cannot be read would lose its PATH; a read-only one is kept.
        ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
        for (mode_t mode : {0200, 0400}) {
            ASSERT_EQ(chmod(path.c_str(), mode), 0);
            EXPECT_EQ(host::read_settings_file(path).opened, mode == 0400) << mode;
            EXPECT_FALSE(host::write_settings_file(path, 1, 1)) << mode;
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
    EXPECT_FALSE(host::write_settings_file(path, 1, 1));
    EXPECT_FALSE(host::read_settings_file(path).opened);
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
