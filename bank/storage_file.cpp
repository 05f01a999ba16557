#include "bank/storage_file.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "bank/os.h"

namespace bank {
namespace {

constexpr int64_t kAlign = 1024;
constexpr int kCacheBlocks = 1024;  // per file; each entry one block, allocated when used

}  // namespace

struct StorageFile::CachedBlock {
    int64_t start = -1;
    int64_t filled = 0;
    std::unique_ptr<uint8_t[]> bytes;
};

StorageFile::StorageFile(std::string path, int number) : path_(std::move(path)), number_(number) {}

StorageFile::~StorageFile() {
    if (fd_ >= 0) os::close_file(fd_);
}

bool StorageFile::ensure_open() {
    if (fd_ >= 0) return true;
    if (!path_is_readable(path_)) return false;
    int fd = os::open_read_only(path_);
    if (fd < 0) return false;
    fd_ = fd;
    length_ = os::file_size(fd_);
    if (length_ < 0) length_ = 0;
    window_start_ = -1;
    return true;
}

int64_t StorageFile::refresh_length() {
    if (fd_ >= 0) {
        int64_t size = os::file_size(fd_);
        if (size >= 0) length_ = size;
    }
    return length_;
}

void StorageFile::mark_empty() {
    window_start_ = -1;
    window_filled_ = 0;
    if (cache_)
        for (int i = 0; i < kCacheBlocks; ++i) cache_[i].start = -1;
}

void StorageFile::set_block_size(int32_t block_size) {
    if (block_size <= 0 || block_size == block_size_) return;
    block_size_ = block_size;
    cache_.reset();
}

void StorageFile::enable_block_cache(bool on) {
    cache_on_ = on;
    if (!on) cache_.reset();
}

bool StorageFile::fill(uint8_t* buffer, int64_t start, int64_t size, int64_t& filled) {
    int64_t got = os::read_at(fd_, buffer, size, start);
    if (got <= 0) {
        std::memset(buffer, 0, static_cast<size_t>(size));
        filled = 0;
        return false;
    }
    filled = got;
    return true;
}

const uint8_t* StorageFile::read_cached(int64_t offset, int64_t length) {
    const int64_t block = block_size_;
    const int64_t start = offset / block * block;
    if (offset + length > start + block) return nullptr;  // spans two blocks: use the window
    if (!cache_) cache_ = std::make_unique<CachedBlock[]>(kCacheBlocks);
    CachedBlock& c = cache_[static_cast<size_t>((start / block) % kCacheBlocks)];
    if (c.start != start) {
        if (!c.bytes) c.bytes = std::make_unique<uint8_t[]>(size_t(block));
        c.start = -1;
        if (!fill(c.bytes.get(), start, block, c.filled)) return nullptr;
        c.start = start;
    }
    if (offset + length > c.start + c.filled) return nullptr;
    return c.bytes.get() + (offset - c.start);
}

const uint8_t* StorageFile::read(int64_t offset, int64_t length) {
    if (offset < 0 || length < 0) return nullptr;
    if (!ensure_open()) return nullptr;
    if (offset > INT64_MAX / 2 || length > INT64_MAX / 2) return nullptr;
    // A range beyond the end of the file is refused before any allocation; the file may have
    // grown since its length was taken, so take it again first.
    if (offset + length > length_ && offset + length > refresh_length()) return nullptr;
    if (cache_on_ && length <= block_size_) {
        if (const uint8_t* p = read_cached(offset, length)) return p;
    }
    if (window_start_ < 0 || offset < window_start_ ||
        offset + length > window_start_ + window_filled_) {
        const int64_t start = offset / kAlign * kAlign;
        if (capacity_ < block_size_ || capacity_ < offset + length - start) {
            int64_t wanted = capacity_ < block_size_ ? block_size_ : capacity_;
            if (wanted < offset + length - start)
                wanted = ((offset + length - start) / kAlign + 1) * kAlign;
            window_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(wanted)]);
            capacity_ = window_ ? wanted : 0;
            if (!window_) {
                window_start_ = -1;
                return nullptr;
            }
        }
        window_start_ = start;
        if (!fill(window_.get(), start, capacity_, window_filled_)) {
            window_start_ = -1;
            return nullptr;
        }
        if (offset + length > window_start_ + window_filled_) return nullptr;
    }
    return window_.get() + (offset - window_start_);
}

}  // namespace bank
