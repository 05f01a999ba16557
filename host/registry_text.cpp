#include "host/registry_text.h"

#include <cstring>

host::RegistryText host::registry_text(const char* bytes, size_t size, size_t buffer_size,
                                       bool more_data) {
    RegistryText out;
    if (more_data || size > buffer_size) {
        out.too_long = true;
        return out;
    }
    if (!bytes) return out;
    const void* nul = std::memchr(bytes, '\0', size);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : size;
    if (length + 1 > buffer_size) {  // no room left for the terminator
        out.too_long = true;
        return out;
    }
    out.text = std::string(bytes, length);
    return out;
}
