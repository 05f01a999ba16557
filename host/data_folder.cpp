#include "host/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace host {

namespace {

std::string program_folder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool is_folder(const std::string& path) {
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string sample_data_folder() {
    const std::string folder = program_folder();
    if (!folder.empty()) {
        if (folder == BRUSHWRIGHT_BUILD_DIR) return BRUSHWRIGHT_BUILD_DATA_ROOT;
        // A package may install below another prefix than the build was configured with.
        const std::string beside = folder + "/" + BRUSHWRIGHT_DATA_FROM_PROGRAM;
        if (is_folder(beside)) return beside;
    }
    return BRUSHWRIGHT_INSTALLED_DATA;
}

}  // namespace host
