#pragma once
// What the bank needs from the operating system: reading files by descriptor, and loading a
// bank's method library only from a place no one else may write to. One implementation per
// platform: os_posix.cpp and os_win32.cpp.
#include <cstdint>
#include <string>

namespace bank::os {

// A read-only descriptor for `path`, or -1.
int open_read_only(const std::string& path);
void close_file(int fd);
// The file's size in bytes, or -1.
int64_t file_size(int fd);
// Reads up to `size` bytes at `offset`; the count read, or -1 on failure.
int64_t read_at(int fd, uint8_t* buffer, int64_t size, int64_t offset);
// (bank::path_is_readable, declared in storage_file.h, is defined beside these.)

// The loaded library at `path`, or null.
void* load_library(const std::string& path);
// The entry point `name` of `library`, or null.
void* library_entry(void* library, const char* name);
// A unique name for a method library's exchange area, reserved by creating the file
// exclusively so that no other process can take the same name between choosing and using it;
// empty when none can be had.
std::string make_exchange_name();
// True when the library file `path` and its folder `dir` are both owned by a trusted owner and
// no one else may write to them.
bool library_and_folder_closed(const std::string& dir, const std::string& path);

}  // namespace bank::os
