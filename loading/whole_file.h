#pragma once
// Reading a whole file of the file system into one caller-owned buffer.
#include <cstddef>
#include <string>

#include "loading/pixel_buffer.h"

namespace loading {

// The file's bytes and their count in `size`; null when it is not a readable regular file (a
// folder, a device or a named pipe is never opened), cannot be read, or is larger than 2 GiB.
ByteBuffer read_whole_file(const std::string& path, size_t& size);

}  // namespace loading
