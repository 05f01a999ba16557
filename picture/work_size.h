#pragma once
// The picture's working size: the window's size, capped by the largest texture the card takes,
// and by video memory: when the card reports less than the picture's images need (24 bytes a
// pixel plus 16 MiB), each side above 1024 becomes 1024.

namespace picture {

struct WorkSize {
    int width;
    int height;
};

// `max_texture` is the card's largest texture side; `video_mb` its memory in MiB (0: unknown).
WorkSize work_size(int width, int height, int max_texture, int video_mb);

}  // namespace picture
