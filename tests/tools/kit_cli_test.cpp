// The command-line contract of brushwright-kit: bad arguments give a usage line and exit 2.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace {

int run_kit(const std::string& args) {
    const char* kit = std::getenv("BRUSHWRIGHT_KIT");
    if (kit == nullptr) return -1;
    int status = std::system((std::string(kit) + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
