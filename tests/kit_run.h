#pragma once
// Runs brushwright-kit, which CTest names in BRUSHWRIGHT_KIT for every test, and reads files
// back: shared by the tests of each subsystem's kit commands.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testkit {

// The file's bytes; empty when it cannot be read.
inline std::string read_text(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

struct KitRun {
    int status = -1;  // the exit code; -1 when the tool did not exit normally
    std::string out, err;
};

// `args` as a shell splits them.
inline KitRun run_kit(const std::string& args) {
    const char* kit = std::getenv("BRUSHWRIGHT_KIT");
    if (kit == nullptr || *kit == '\0') {
        ADD_FAILURE() << "BRUSHWRIGHT_KIT is not set";
        return {};
    }
    char dir[] = "/tmp/brushwright-kit-XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        ADD_FAILURE() << "no temporary folder";
        return {};
    }
    const std::string out = std::string(dir) + "/out", err = std::string(dir) + "/err";
    const int status =
        std::system((std::string(kit) + " " + args + " >" + out + " 2>" + err).c_str());
    KitRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_text(out), read_text(err)};
    std::filesystem::remove_all(dir);
    return run;
}

}  // namespace testkit
