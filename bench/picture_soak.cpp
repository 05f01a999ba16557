// A long headless run of the sample picture: new paintings one after another (no hold, a fast
// transition), with the device's texture and program lists, the platform's live objects and the
// process's resident memory reported every tenth of the run. The lists must not grow, and
// memory should stay flat once the first tenth has warmed the caches up.
// usage: picture_soak [--data DIR] [--size WxH] [--paintings N]
// Exits 1 when a list or the live objects grew, 2 on bad arguments or a failed start.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/platform_testing.h"
#include "gfx/render_device.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"

namespace {

namespace pt = gfx::platform::testing;

uint32_t fixed_ticks() {
    return 2024;
}
uint32_t frame_ms = 0;
uint32_t frame_clock() {
    return frame_ms;
}

// Resident memory in KiB, from /proc/self/statm; 0 where it cannot be read.
long resident_kib() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0;
    long pages = 0, resident = 0;
    const int got = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return got == 2 ? resident * 4 : 0;
}

struct Sample {
    long paintings = 0;
    size_t textures = 0;
    size_t programs = 0;
    int live = 0;
    long rss_kib = 0;
};

Sample sample(const RenderDevice& device, long paintings) {
    const pt::LiveObjects live = pt::live_objects();
    return {paintings, device.textures().size(), device.shaders().size(),
            live.direct3d + live.devices + live.textures + live.shaders, resident_kib()};
}

}  // namespace

int main(int argc, char** argv) {
    std::string data = BRUSHWRIGHT_BUILD_DATA_ROOT;
    int width = 160, height = 120;
    long paintings = 200;
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--data") == 0 && has_value) {
            data = argv[++i];
        } else if (std::strcmp(argv[i], "--size") == 0 && has_value &&
                   std::sscanf(argv[i + 1], "%dx%d", &width, &height) == 2 && width > 0 &&
                   height > 0) {
            ++i;
        } else if (std::strcmp(argv[i], "--paintings") == 0 && has_value &&
                   (paintings = std::atol(argv[i + 1])) > 0) {
            ++i;
        } else {
            std::fprintf(stderr, "usage: picture_soak [--data DIR] [--size WxH] [--paintings N]\n");
            return 2;
        }
    }
    picture::Settings settings;
    settings.data_folder = data;
    settings.delay = 0;
    settings.speed = 2000;
    picture::StartedPicture started =
        picture::start_picture(settings, {fixed_ticks, frame_clock}, 0, width, height, false);
    if (started.result != picture::StartResult::started) {
        std::fprintf(stderr, "picture_soak: the picture did not start on \"%s\"\n", data.c_str());
        return 2;
    }
    std::printf("%ld new paintings at %dx%d on %s\n", paintings, width, height, data.c_str());
    std::printf("%10s %9s %9s %6s %10s\n", "paintings", "textures", "programs", "live", "rss KiB");
    Sample warm{}, last{}, most{};
    long done = 0, frames = 0;
    while (done < paintings) {
        frame_ms += 16;
        picture::draw_frame(*started.picture);
        ++frames;
        if (!started.picture->timeline.new_painting) continue;
        ++done;
        if (done % std::max(1L, paintings / 10) != 0 && done != 1) continue;
        last = sample(started.picture->device, done);
        if (done == 1 || done == std::max(1L, paintings / 10)) warm = last;
        most.textures = std::max(most.textures, last.textures);
        most.programs = std::max(most.programs, last.programs);
        most.live = std::max(most.live, last.live);
        std::printf("%10ld %9zu %9zu %6d %10ld\n", last.paintings, last.textures, last.programs,
                    last.live, last.rss_kib);
        std::fflush(stdout);
    }
    started.picture.reset();
    const bool grew =
        most.textures > warm.textures || most.programs > warm.programs || most.live > warm.live;
    std::printf(
        "%ld frames; resident memory %ld KiB after warm-up, %ld KiB at the end (%+ld KiB)"
        "; lists %s\n",
        frames, warm.rss_kib, last.rss_kib, last.rss_kib - warm.rss_kib, grew ? "GREW" : "flat");
    return grew ? 1 : 0;
}
