// The saver's option table: which runs take which options, and numbers read one way in all.
#include <gtest/gtest.h>

#include "host/saver_options.h"

namespace {

host::ParsedOptions parse(std::vector<const char*> args, unsigned run) {
    args.insert(args.begin(), "brushwright");
    host::ParsedOptions p =
        host::parse_options(host::saver_options(), static_cast<int>(args.size()), args.data());
    host::check_run(p, host::saver_options(), run);
    return p;
}

TEST(SaverOptions, EachRunTakesItsOwnOptionsAndNumbersReadTheSameWay) {
    EXPECT_EQ(parse({"--render", "o", "--seed=3", "-size", "64x48"}, host::kRenderRun).error, "");
    EXPECT_NE(parse({"--render", "o", "--fps"}, host::kRenderRun).error, "");
    EXPECT_NE(parse({"--seed", "3"}, host::kWindowRuns).error, "");
    // An option is never taken for the value of the one before it.
    EXPECT_EQ(parse({"--render", "--help"}, host::kRenderRun).error,
              "option --render needs OUTDIR");
    for (const unsigned run : {host::kWindowRuns, host::kRenderRun}) {
        const host::ParsedOptions p = parse({"--speed", "2.5", "--delay", "0"}, run);
        const picture::Settings s = host::settings_for_run(p, {});
        EXPECT_EQ(s.speed, 2.5f);
        EXPECT_EQ(s.delay, 0.0f);
        for (const char* bad : {"-5", "1e3", " 5", "+5", "inf", "4294967296", ""})
            EXPECT_NE(parse({"--speed", bad}, run).error, "") << bad;
    }
    EXPECT_EQ(host::whole_number("4294967295", 0, 4294967295u), 4294967295u);
    EXPECT_FALSE(host::whole_number("2.5", 0, 10));
    EXPECT_FALSE(host::size_value("15x100", 16, 16384));
}

}  // namespace
