// brushwright-kit bank, driven without a shell.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/bank/bank_fixture.h"

extern char** environ;

namespace {

using banktest::TempFolder;

struct KitRun {
    int status = -1;
    std::string out, err;
};

KitRun kit(std::vector<std::string> args) {
    KitRun r;
    const char* tool = std::getenv("BRUSHWRIGHT_KIT");
    if (tool == nullptr) return r;
    args.insert(args.begin(), tool);
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, tool, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned == 0) {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(out[0], buf, sizeof buf)) > 0) r.out.append(buf, size_t(n));
        while ((n = ::read(err[0], buf, sizeof buf)) > 0) r.err.append(buf, size_t(n));
        int status = 0;
        ::waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ::close(out[0]);
    ::close(err[0]);
    return r;
}

TEST(KitBank, CreatePutFindReadCountList) {
    TempFolder dir;
    const std::string f = dir / "Base3";
    ASSERT_EQ(kit({"bank", "create", f, "--slot", "11", "--slot", "12", "--slot", "7:4"}).status,
              0);
    banktest::write_file(dir / "payload", {'P', 0, 'Q'});
    EXPECT_EQ(
        kit({"bank", "put", f, "shaders/a.bsf", std::string("@").append(dir / "payload"), "7"}).out,
        "1\n");
    EXPECT_EQ(kit({"bank", "put", f, "Shaders/B.bsf", "bee", "0x10"}).out, "2\n");
    EXPECT_EQ(kit({"bank", "count", f}).out, "2\n");
    EXPECT_EQ(kit({"bank", "list", f}).out, "1\tshaders/a.bsf\n2\tShaders/B.bsf\n");
    EXPECT_EQ(kit({"bank", "find", f, "1", "SHADERS/b.BSF"}).out, "2\n");
    EXPECT_EQ(kit({"bank", "find", f, "1", "shaders/", "--mode", "1"}).out, "1\n");
    EXPECT_EQ(kit({"bank", "find", f, "1", "shaders/", "--mode", "1", "--direction", "-1"}).out,
              "2\n");
    EXPECT_EQ(kit({"bank", "find", f, "3", "16"}).out, "2\n");
    KitRun read = kit({"bank", "read", f, "1", "2"});
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out, std::string("P\0Q", 3));  // exactly the bytes, no NUL added

    KitRun missing = kit({"bank", "read", f, "3", "1"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "-1\n");
}

TEST(KitBank, BadFoldersAndArguments) {
    TempFolder dir;
    KitRun r = kit({"bank", "count", dir / "absent"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir / "absent"), std::string::npos);
    EXPECT_NE(r.err.find("code 1"), std::string::npos);
    EXPECT_EQ(kit({"bank", "find", dir / "absent", "x", "key"}).status, 2);
    EXPECT_EQ(kit({"bank", "read", dir / "absent", "1"}).status, 2);
    EXPECT_EQ(kit({"bank", "create", dir / "b", "--slot", "99"}).status, 2);
    EXPECT_EQ(kit({"bank", "frobnicate"}).status, 2);
}

}  // namespace
