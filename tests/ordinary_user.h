#pragma once
// Permission and ownership cases need an ordinary user: root reads and writes anything. Run as
// root (as CI runs), `as_ordinary_user` runs a case in a child process that has given up root for
// the user named by BRUSHWRIGHT_TEST_USER ("nobody" when unset); run by an ordinary user, it runs
// the case in this process. The child prints "[ as user ]" so that the run's log shows it.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace testuser {

struct User {
    uid_t uid;
    gid_t gid;
};

// The user the cases run as.
inline User ordinary_user() {
    if (::geteuid() != 0) return {::geteuid(), ::getegid()};
    const char* name = std::getenv("BRUSHWRIGHT_TEST_USER");
    const passwd* pw = ::getpwnam(name && *name ? name : "nobody");
    if (pw == nullptr || pw->pw_uid == 0) return {0, 0};
    return {pw->pw_uid, pw->pw_gid};
}

inline void as_ordinary_user(const std::function<void()>& body) {
    if (::geteuid() != 0) return body();
    const User user = ordinary_user();
    ASSERT_NE(user.uid, 0u) << "no ordinary user to run as (BRUSHWRIGHT_TEST_USER)";
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0 ||
            ::setuid(0) == 0) {
            std::fprintf(stderr, "cannot give up root\n");
            std::_Exit(2);
        }
        std::printf("[ as user ] uid %u\n", static_cast<unsigned>(user.uid));
        body();
        std::fflush(nullptr);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the case failed as uid " << user.uid << " (status " << status << ")";
}

// Gives `path` to `uid`; as an ordinary user only root could, so the case is skipped.
#define GIVE_TO(path, uid)                                                                \
    do {                                                                                  \
        if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root"; \
        ASSERT_EQ(::chown((path).c_str(), (uid), static_cast<gid_t>(-1)), 0) << (path);   \
    } while (0)

}  // namespace testuser
