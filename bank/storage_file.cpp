#include "bank/storage_file.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace bank {
namespace {

constexpr int64_t kAlign = 1024;
constexpr int kCacheBlocks = 1024;  // per file; each entry one block, allocated when used

int open_read_only(const std::string& path) {
#ifdef _WIN32
    return ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

void close_file(int fd) {
#ifdef _WIN32
    ::_close(fd);
#else
    ::close(fd);
#endif
}

int64_t file_size(int fd) {
#ifdef _WIN32
    struct _stat64 st;
    if (::_fstat64(fd, &st) != 0) return -1;
#else
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
#endif
    return static_cast<int64_t>(st.st_size);
}

// Reads up to `size` bytes at `offset`; the count read, or -1 on failure.
int64_t read_at(int fd, uint8_t* buffer, int64_t size, int64_t offset) {
    int64_t done = 0;
    while (done < size) {
#ifdef _WIN32
        if (::_lseeki64(fd, offset + done, SEEK_SET) != offset + done) return -1;
        int got = ::_read(fd, buffer + done, static_cast<unsigned>(size - done));
#else
        ssize_t got = ::pread(fd, buffer + done, static_cast<size_t>(size - done),
                              static_cast<off_t>(offset + done));
#endif
        if (got < 0) return done > 0 ? done : -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

}  // namespace

struct StorageFile::CachedBlock {
    int64_t start = -1;
    int64_t filled = 0;
    std::unique_ptr<uint8_t[]> bytes;
};

bool path_is_readable(const std::string& path) {
#ifdef _WIN32
    struct _stat64 st;
    if (::_stat64(path.c_str(), &st) != 0) return false;
    return (st.st_mode & _S_IFMT) == _S_IFREG && (st.st_mode & _S_IREAD) != 0;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ::access(path.c_str(), R_OK) == 0;
#endif
}

StorageFile::StorageFile(std::string path, int number) : path_(std::move(path)), number_(number) {}

StorageFile::~StorageFile() {
    if (fd_ >= 0) close_file(fd_);
}

bool StorageFile::ensure_open() {
    if (fd_ >= 0) return true;
    if (!path_is_readable(path_)) return false;
    int fd = open_read_only(path_);
    if (fd < 0) return false;
    fd_ = fd;
    length_ = file_size(fd_);
    if (length_ < 0) length_ = 0;
    window_start_ = -1;
    return true;
}

int64_t StorageFile::refresh_length() {
    if (fd_ >= 0) {
        int64_t size = file_size(fd_);
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
    int64_t got = read_at(fd_, buffer, size, start);
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
