// Adding the saver to ~/.xscreensaver's programs list: first entry, everything else kept byte
// for byte, nothing added twice (also when the entry is disabled or names another folder).
#include <gtest/gtest.h>

#include <string>

#include "host/xscreensaver_list.h"

namespace {

using host::add_to_programs;
using host::ListEdit;

const std::string kFile =
    "# XScreenSaver Preferences File\n"
    "timeout:\t0:10:00\n"
    "mode:\t\trandom\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "-\t\t\t\tattraction --root\t\t\t    \\n\n"
    "\n"
    "pointerHysteresis:\t10\n";

TEST(XscreensaverList, AddsOnceAsTheFirstEntryAndKeepsTheRest) {
    std::string text;
    ASSERT_EQ(add_to_programs(kFile, "brushwright --root", text), ListEdit::added);
    const std::string line = "  GL:\t\t\t\tbrushwright --root\t\t\t    \\n\\\n";
    const size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.substr(0, at), kFile.substr(0, kFile.find("\t\t\t\tmaze")));
    EXPECT_EQ(text.substr(at + line.size()), kFile.substr(kFile.find("\t\t\t\tmaze")));

    std::string again;
    EXPECT_EQ(add_to_programs(text, "brushwright --root", again), ListEdit::already_listed);
    const std::string disabled =
        "programs: \\\n- GL: /opt/bw/brushwright --root --data d \\n\\\n"
        "\"Maze\" maze --root \\n\n";
    EXPECT_EQ(add_to_programs(disabled, "brushwright --root", again), ListEdit::already_listed);
}

TEST(XscreensaverList, EntryOnTheHeaderLineAndNoList) {
    std::string text;
    ASSERT_EQ(add_to_programs("mode: one\nprograms: maze --root\n", "/opt/bw --root", text),
              ListEdit::added);
    EXPECT_EQ(text,
              "mode: one\nprograms:\t\t\t\t\t\t\t\t      \\\n  GL:\t\t\t\t/opt/bw --root\t\t\t    "
              "\\n\\\n\t\t\t\tmaze --root\n");
    // "brushwright-kit" or a display name is not the saver.
    EXPECT_EQ(add_to_programs("programs: \"brushwright\" brushwright-kit \\n\n", "b --root", text),
              ListEdit::added);
    EXPECT_EQ(add_to_programs("mode: one\n", "brushwright --root", text), ListEdit::no_programs);
}

}  // namespace
