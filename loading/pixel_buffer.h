#pragma once
// Buffers handed out by the readers and decoders: blocks allocated with std::malloc that belong
// to the caller and are released with std::free (the deleter does that).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace loading {

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

// Bytes of one data file or record.
using ByteBuffer = std::unique_ptr<unsigned char[], FreeDeleter>;

// Decoded image: width x height pixels of 4 bytes (red, green, blue, alpha), rows from the top.
using PixelBuffer = std::unique_ptr<unsigned char[], FreeDeleter>;

// The largest decoded image, in bytes: sizes are signed 32-bit numbers wherever images travel.
inline constexpr uint64_t kMaxImageBytes = INT32_MAX;

// The longest image side decoded when nothing else is known (the kit, the fuzzers). A larger
// JPEG or PNG is decoded smaller; any other larger image is refused.
inline constexpr int kLargestImageSide = 4096;
// The saver draws its images into targets of the working size at most, so it decodes sides up
// to the working size, but never below the first nor above the second of these.
inline constexpr int kSmallestWorkImageSide = 1024;
inline constexpr int kLargestWorkImageSide = 8192;

// The longest image side worth decoding for a device whose largest texture side is
// `max_texture` (0: unknown) and whose working size is `work_width` x `work_height`.
inline int image_side_limit(int max_texture, int work_width, int work_height) {
    int side = work_width > work_height ? work_width : work_height;
    if (side < kSmallestWorkImageSide) side = kSmallestWorkImageSide;
    if (side > kLargestWorkImageSide) side = kLargestWorkImageSide;
    if (max_texture > 0 && max_texture < side) side = max_texture;
    return side;
}

// The largest file or record read whole: the largest image ever decoded, stored uncompressed
// at 4 bytes a pixel, with room for its header. A larger file cannot hold anything usable.
inline constexpr uint64_t kLargestDataFile =
    uint64_t{kLargestWorkImageSide} * kLargestWorkImageSide * 4 + (uint64_t{1} << 20);

// The byte count of a width x height image of `bytes_per_pixel`, or 0 when either side is not
// positive or the count would exceed kMaxImageBytes. Computed without overflow.
inline size_t image_byte_count(int64_t width, int64_t height, int bytes_per_pixel) {
    if (width <= 0 || height <= 0 || bytes_per_pixel <= 0) return 0;
    if (static_cast<uint64_t>(width) > kMaxImageBytes / static_cast<uint64_t>(height)) return 0;
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (pixels > kMaxImageBytes / static_cast<uint64_t>(bytes_per_pixel)) return 0;
    return static_cast<size_t>(pixels * static_cast<uint64_t>(bytes_per_pixel));
}

// A new uninitialised block of `size` bytes (at least one), or null when out of memory.
inline ByteBuffer allocate_bytes(size_t size) {
    return ByteBuffer(static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size)));
}

// Exchanges row i and row height - 1 - i for every i below height / 2; rows are width x 4 bytes.
void flip_rows(unsigned char* pixels, int width, int height);

}  // namespace loading
