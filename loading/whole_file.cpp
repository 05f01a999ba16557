#include "loading/whole_file.h"

#include <cstdint>
#include <cstdio>

#include "bank/storage_file.h"

loading::ByteBuffer loading::read_whole_file(const std::string& path, size_t& size) {
    if (!bank::path_is_readable(path)) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    ByteBuffer bytes;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length >= 0 && length <= INT32_MAX && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes = allocate_bytes(static_cast<size_t>(length));
        if (bytes) {
            size = std::fread(bytes.get(), 1, static_cast<size_t>(length), file);
            if (std::ferror(file) != 0) bytes.reset();
        }
    }
    std::fclose(file);
    return bytes;
}
