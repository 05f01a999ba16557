// The command-line contract of brushwright-kit: bad arguments give a usage line and exit 2.
#include "tests/kit_run.h"

namespace {

int run_kit(const std::string& args) {
    return testkit::run_kit(args).status;
}

TEST(KitCli, NoSubcommandOrUnknownOneIsAUsageError) {
    EXPECT_EQ(run_kit(""), 2);
    EXPECT_EQ(run_kit("no-such-subcommand"), 2);
    EXPECT_EQ(run_kit("--help"), 0);
}

TEST(KitCli, EverySubcommandRefusesMissingArguments) {
    for (const char* sub :
         {"bank", "asm", "disasm", "bsf", "pass", "pack", "data", "image", "picture"})
        EXPECT_EQ(run_kit(sub), 2) << sub;
}

}  // namespace
