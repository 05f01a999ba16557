// The saver command line: word splitting and the run mode the words choose.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/command_line.h"

namespace {

using host::RunMode;

TEST(CommandLine, SplitsAtBlanksControlsAndHighBytesWithoutQuoting) {
    const struct {
        std::string text;
        std::vector<std::string> words;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"/p 12345", {"/p", "12345"}},
        {"/p\t\t 12345  ", {"/p", "12345"}},
        {"\"a b\" c", {"\"a", "b\"", "c"}},
        {"a\x01"
         "b\x7f"
         "c",
         {"a",
          "b\x7f"
          "c"}},                             // 127 is a word byte, 1 is not
        {"x\xc3\xa9y", {"x", "y"}},          // bytes of 128 and above separate
        {std::string("ab\0cd", 5), {"ab"}},  // the text ends at NUL
    };
    for (const auto& c : cases) EXPECT_EQ(host::split_command_line(c.text), c.words) << c.text;
}

TEST(CommandLine, KeepsOnlyTheFirst255Words) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += std::to_string(i) + " ";
    const std::vector<std::string> words = host::split_command_line(text);
    ASSERT_EQ(words.size(), 255u);
    EXPECT_EQ(words.back(), "254");
}

TEST(CommandLine, ReadsDecimalsAsTheRuntimeDoesAndSaturates) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"12345", 12345},
        {"  -5", -5},
        {"\t\n\v\f\r 42", 42},  // the C blanks
        {"\x01"
         "5",
         0},
        {"+7x", 7},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", INT32_MIN},
        {"-99999999999", INT32_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(host::read_decimal(c.text), c.value) << c.text;
}

TEST(CommandLine, ChoosesTheRunMode) {
    const struct {
        const char* text;
        RunMode mode;
        uintptr_t parent;
        bool launcher;
        uintptr_t owner;
    } cases[] = {
        {"", RunMode::full_screen, 0, false, 0},
        {"/s", RunMode::full_screen, 0, false, 0},
        {"/c", RunMode::full_screen, 0, false, 0},
        {"/p 12345", RunMode::preview, 12345, false, 0},
        {"/p 0", RunMode::full_screen, 0, false, 0},
        {"/p abc", RunMode::full_screen, 0, false, 0},
        {"/p", RunMode::full_screen, 0, false, 0},
        {"/P 12345", RunMode::full_screen, 0, false, 0},
        {"/p scrprev", RunMode::preview, 0, true, 0},
        {"/p ScrPrev", RunMode::preview, 0, true, 0},
        {"/p SCRPREV", RunMode::preview, 0, true, 0},
        {"/p Scrprev", RunMode::full_screen, 0, false, 0},
        {"/c:0", RunMode::settings, 0, false, 0},
        {"/c:4242", RunMode::settings, 0, false, 4242},
        {"/c:", RunMode::settings, 0, false, 0},
    };
    for (const auto& c : cases) {
        const host::RunChoice r = host::choose_run_mode(host::split_command_line(c.text));
        EXPECT_EQ(r.mode, c.mode) << c.text;
        EXPECT_EQ(r.preview_parent, c.parent) << c.text;
        EXPECT_EQ(r.launch_preview_host, c.launcher) << c.text;
        EXPECT_EQ(r.owner, c.owner) << c.text;
    }
}

}  // namespace
