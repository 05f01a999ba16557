// The bank's system calls on POSIX systems.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bank/os.h"
#include "bank/storage_file.h"

namespace bank {

bool path_is_readable(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ::access(path.c_str(), R_OK) == 0;
}

namespace {

// True when `path` is owned by the running user or by root and no one else may write to it.
bool owned_and_closed(const std::string& path, bool want_folder) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    if (want_folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) return false;
    if (st.st_uid != ::geteuid() && st.st_uid != 0) return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

namespace os {

int open_read_only(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

void close_file(int fd) {
    ::close(fd);
}

int64_t file_size(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t read_at(int fd, uint8_t* buffer, int64_t size, int64_t offset) {
    int64_t done = 0;
    while (done < size) {
        ssize_t got = ::pread(fd, buffer + done, static_cast<size_t>(size - done),
                              static_cast<off_t>(offset + done));
        if (got < 0) return done > 0 ? done : -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

void* load_library(const std::string& path) {
    return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* library_entry(void* library, const char* name) {
    return ::dlsym(library, name);
}

std::string make_exchange_name() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    std::string pattern = dir + "/mem." + std::to_string(::getpid()) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return {};
    ::close(fd);
    return name.data();
}

bool library_and_folder_closed(const std::string& dir, const std::string& path) {
    return owned_and_closed(path, false) && owned_and_closed(dir, true);
}

}  // namespace os
}  // namespace bank
