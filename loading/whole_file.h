#pragma once
// Reading a whole file of the file system into one caller-owned buffer, bounded by the largest
// file anything here can use (kLargestDataFile).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "loading/pixel_buffer.h"

namespace loading {

// The file's bytes and their count in `size`; null when it is not a readable regular file (a
// folder, a device or a named pipe is never opened) or cannot be read. A file larger than
// `largest` bytes is not read: null, with a one-line message naming the path and both sizes.
ByteBuffer read_whole_file(const std::string& path, size_t& size,
                           uint64_t largest = kLargestDataFile);

// Reads `stream` (standard input, a pipe) to its end; null, with a one-line message naming
// `name`, when it gives more than `largest` bytes or a read fails.
ByteBuffer read_whole_stream(std::FILE* stream, const std::string& name, size_t& size,
                             uint64_t largest = kLargestDataFile);

}  // namespace loading
