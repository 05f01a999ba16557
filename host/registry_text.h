#pragma once
// The data folder as the registry hands over "PATH": the bytes of a text value, read into a
// buffer of 256 bytes. A value may arrive without its terminating NUL, or be too long for the
// buffer; neither may leave the folder unterminated or read past the bytes received.
#include <cstddef>
#include <optional>
#include <string>

namespace host {

struct RegistryText {
    std::optional<std::string> text;  // the folder, when the value fits
    bool too_long = false;            // the value needs 256 bytes or more besides its NUL
};

// `bytes`/`size`: what the registry read into a buffer of `buffer_size` bytes (size may be
// buffer_size at most). `more_data`: the registry reported that the value did not fit. The text
// ends at the first NUL or at `size`; it must leave room for its terminator in the buffer.
RegistryText registry_text(const char* bytes, size_t size, size_t buffer_size, bool more_data);

}  // namespace host
