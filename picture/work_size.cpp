#include "picture/work_size.h"

#include <algorithm>
#include <cstdint>

picture::WorkSize picture::work_size(int width, int height, int max_texture, int video_mb) {
    WorkSize size{std::min(width, max_texture), std::min(height, max_texture)};
    const uint64_t needed =
        (uint64_t(std::max(size.width, 0)) * uint64_t(std::max(size.height, 0)) * 24 +
         (uint64_t{16} << 20)) >>
        20;
    if (video_mb != 0 && uint64_t(std::max(video_mb, 0)) < needed) {
        size.width = std::min(size.width, 1024);
        size.height = std::min(size.height, 1024);
    }
    return size;
}
