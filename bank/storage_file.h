#pragma once
// Windowed reading of one bank data file. Reads go through a window aligned to 1024 bytes and
// at least one block large, grown when a read needs more, so that nearby small reads (tree
// nodes, entry fields) cost no system call. The file is opened read-only on first use; a file
// that cannot be opened is tried again at the next read.
#include <cstdint>
#include <memory>
#include <string>

namespace bank {

class StorageFile {
  public:
    // `number`: -1 "Main", -2 "_Storage", n >= 0 "Bank.n"; other values for index files.
    StorageFile(std::string path, int number);
    ~StorageFile();
    StorageFile(const StorageFile&) = delete;
    StorageFile& operator=(const StorageFile&) = delete;

    // A pointer to `length` bytes of the file at `offset`, valid until the next call on this
    // file; null when the range is negative, lies beyond the end of the file, or the file cannot
    // be opened or read.
    const uint8_t* read(int64_t offset, int64_t length);

    // Opens the file if it is not open yet; false when it cannot be opened.
    bool ensure_open();
    bool is_open() const { return fd_ >= 0; }

    // The file's length as last taken from its status (refresh_length takes it again).
    int64_t length() const { return length_; }
    int64_t refresh_length();

    // Forgets the window's contents so that the next read sees the current file.
    void mark_empty();

    // The smallest window (one block); takes effect at the next refill.
    void set_block_size(int32_t block_size);

    // A small cache of recently read blocks serves reads that fit in one block, so that the
    // upper levels of an index tree stay in memory across lookups. Off unless enabled.
    void enable_block_cache(bool on);

    const std::string& path() const { return path_; }
    int number() const { return number_; }

    // Window state: start offset (-1 when nothing is buffered) and capacity.
    int64_t window_start() const { return window_start_; }
    int64_t window_capacity() const { return capacity_; }

  private:
    struct CachedBlock;
    const uint8_t* read_cached(int64_t offset, int64_t length);
    bool fill(uint8_t* buffer, int64_t start, int64_t size, int64_t& filled);

    std::string path_;
    int number_;
    int fd_ = -1;
    int64_t length_ = 0;
    int32_t block_size_ = 4096;
    int64_t capacity_ = 0;
    int64_t window_start_ = -1;
    int64_t window_filled_ = 0;
    std::unique_ptr<uint8_t[]> window_;
    bool cache_on_ = false;
    std::unique_ptr<CachedBlock[]> cache_;
};

// Whether `path` names a regular file (after links) that this process may read. Anything else
// (a folder, a device, a named pipe whose open would wait for a writer) is never opened.
bool path_is_readable(const std::string& path);

}  // namespace bank
