#pragma once
// Data files named by their relative path ("data/shaders/oil3.jpg"): read from the program bank
// "<data folder>/data/Base3" of `root` and descrambled, or, when the path's record is present but
// empty, from the plain file "<data folder>/<path>".
#include <cstdint>
#include <string>

#include "loading/pixel_buffer.h"

namespace loading {

class DataRoot;

// The file's bytes (no terminator added) and their count in `size`, or null. A path that is not
// a key of the program bank (or no program bank at all) writes
// "Shader::Shader(): can't open "<path>" file" and gives null; the plain file is not tried then.
// A missing plain file gives null without a message. A path that could lead outside the data
// folder (absolute, with "..", "." or empty parts, a backslash or a colon) reads no plain file,
// with a one-line message; neither does one that is not a regular file (a folder, a named pipe).
ByteBuffer load_data_file(DataRoot& root, const std::string& path, int32_t& size);

// Whether `path` stays inside the data folder: relative, with no empty, "." or ".." parts, no
// backslash or drive colon, no NUL. Only such paths are read as plain files.
bool stays_inside_data_folder(const std::string& path);
ByteBuffer load_data_file(DataRoot& root, const std::string& path);

}  // namespace loading
