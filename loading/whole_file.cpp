#include "loading/whole_file.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>

#include "bank/storage_file.h"

namespace {

void say_too_large(const std::string& name, uint64_t length, uint64_t largest) {
    std::fprintf(
        stderr, "\"%s\" is %" PRIu64 " bytes or more; files above %" PRIu64 " bytes are not read\n",
        name.c_str(), length, largest);
}

}  // namespace

loading::ByteBuffer loading::read_whole_file(const std::string& path, size_t& size,
                                             uint64_t largest) {
    if (!bank::path_is_readable(path)) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    ByteBuffer bytes;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length >= 0 && static_cast<uint64_t>(length) > largest) {
        say_too_large(path, static_cast<uint64_t>(length), largest);
    } else if (length >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes = allocate_bytes(static_cast<size_t>(length));
        if (bytes) {
            size = std::fread(bytes.get(), 1, static_cast<size_t>(length), file);
            if (std::ferror(file) != 0) bytes.reset();
        }
    }
    std::fclose(file);
    return bytes;
}

loading::ByteBuffer loading::read_whole_stream(std::FILE* stream, const std::string& name,
                                               size_t& size, uint64_t largest) {
    // Grows by doubling with realloc, which moves large blocks by remapping them, up to one
    // byte past `largest`: a stream that fills that is too large.
    size_t capacity = 1 << 16, used = 0;
    ByteBuffer bytes = allocate_bytes(capacity);
    while (bytes) {
        if (used == capacity) {
            if (capacity > largest) {
                say_too_large(name, used, largest);
                return nullptr;
            }
            const size_t grown = static_cast<size_t>(std::min<uint64_t>(capacity * 2, largest + 1));
            void* moved = std::realloc(bytes.get(), grown);
            if (moved == nullptr) return nullptr;
            (void)bytes.release();
            bytes.reset(static_cast<unsigned char*>(moved));
            capacity = grown;
        }
        const size_t got = std::fread(bytes.get() + used, 1, capacity - used, stream);
        used += got;
        if (got == 0) break;
    }
    if (!bytes || std::ferror(stream) != 0) return nullptr;
    size = used;
    return bytes;
}
