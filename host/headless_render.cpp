#include "host/headless_render.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "gfx/render_device.h"
#include "gfx/texture.h"
#include "loading/png_writer.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"

#ifndef BRUSHWRIGHT_DEFAULT_DATA_ROOT
#define BRUSHWRIGHT_DEFAULT_DATA_ROOT "."
#endif

namespace {

constexpr char kUsage[] =
    "usage: brushwright --render OUTDIR [--paintings N] [--size WxH] [--seed S] [--data DATAROOT]"
    " [--speed S] [--delay D] [--frames K] [--rate R]\n";

struct RenderOptions {
    std::string out_dir;
    long paintings = 4;
    int width = 1280;
    int height = 720;
    unsigned long seed = 1;
    std::string data_root = BRUSHWRIGHT_DEFAULT_DATA_ROOT;
    float speed = 20.0f;
    float delay = 7.0f;
    long frames_every = 0;
    long rate = 0;  // frames a second of the virtual clock; 0: see effective_rate
};

// Frames written as a sequence are timed like the screen's; without them, only the finished
// paintings are kept, and a coarse clock spends few frames on the crossfades and holds between
// them (the paintings differ only in where a turn of the crossfade falls).
long effective_rate(const RenderOptions& o) {
    if (o.rate > 0) return o.rate;
    return o.frames_every > 0 ? 60 : 6;
}

// 64 bits wide everywhere (a long has 32 on Windows), so a seed may take any 32-bit value.
bool parse_long(const char* text, long long low, long long high, long long& out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}

bool parse_long(const char* text, long low, long high, long& out) {
    long long v = 0;
    if (!parse_long(text, static_cast<long long>(low), static_cast<long long>(high), v))
        return false;
    out = static_cast<long>(v);
    return true;
}

bool parse_float(const char* text, float& out) {
    char* end = nullptr;
    out = std::strtof(text, &end);
    return end != text && *end == '\0' && std::isfinite(out);
}

// A render must end: no painting may take more frames than this to paint or to hold.
constexpr double kMaxFramesPerPainting = 1e6;

// Half a turn of the phase paints one painting; SPEED moves it SPEED x 0.02 radians a second
// (0 means the default step), DELAY holds each painting for DELAY seconds.
bool can_finish(const RenderOptions& o) {
    const double rate = static_cast<double>(effective_rate(o));
    const double step = o.speed != 0.0f ? std::fabs(static_cast<double>(o.speed)) * 0.02 : 0.4;
    const double paint_frames = 3.14159265358979 * rate / step;
    if (paint_frames > kMaxFramesPerPainting) {
        std::fprintf(stderr,
                     "brushwright: --speed %g is too slow to finish a painting (%.3g frames at %g "
                     "a second; at most %.0f): use %g or more\n",
                     static_cast<double>(o.speed), paint_frames, rate, kMaxFramesPerPainting,
                     3.14159265358979 * rate * 50.0 / kMaxFramesPerPainting * 1.0001);
        return false;
    }
    const double hold_frames = static_cast<double>(o.delay) * rate;
    if (hold_frames > kMaxFramesPerPainting) {
        std::fprintf(stderr,
                     "brushwright: --delay %g holds each painting for %.3g frames (at most %.0f at "
                     "%g a second)\n",
                     static_cast<double>(o.delay), hold_frames, kMaxFramesPerPainting, rate);
        return false;
    }
    return true;
}

bool parse_size(const char* text, int& width, int& height) {
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    long w = 0, h = 0;
    if (!parse_long(std::string(text, x).c_str(), 16, 16384, w) || !parse_long(x + 1, 16, 16384, h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parse_options(int argc, char** argv, RenderOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long long n = 0;
        bool ok = value != nullptr;
        if (arg == "--render") {
            if (ok) o.out_dir = value;
        } else if (arg == "--paintings") {
            ok = ok && parse_long(value, 1, 100000, o.paintings);
        } else if (arg == "--size") {
            ok = ok && parse_size(value, o.width, o.height);
        } else if (arg == "--seed") {
            ok = ok && parse_long(value, 0, 0xFFFFFFFFLL, n);
            o.seed = static_cast<unsigned long>(n);
        } else if (arg == "--data") {
            if (ok) o.data_root = value;
        } else if (arg == "--speed") {
            ok = ok && parse_float(value, o.speed);
        } else if (arg == "--delay") {
            ok = ok && parse_float(value, o.delay);
        } else if (arg == "--frames") {
            ok = ok && parse_long(value, 1, 1000000, o.frames_every);
        } else if (arg == "--rate") {
            ok = ok && parse_long(value, 1, 1000, o.rate);
        } else {
            std::fprintf(stderr, "brushwright: unknown option \"%s\"\n", arg.c_str());
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "brushwright: %s needs a valid value\n", arg.c_str());
            return false;
        }
        ++i;
    }
    return !o.out_dir.empty();
}

// The fixed clocks: the seed is the tick count; the frame clock advances one frame at a time.
uint32_t render_seed = 1;
uint64_t render_frame = 0;
uint64_t render_rate = 60;
uint32_t fixed_tick_count() {
    return render_seed;
}
uint32_t frame_clock() {
    return static_cast<uint32_t>(render_frame * 1000 / render_rate);
}

// Written under a temporary name and renamed into place: whatever was at `path` (an older
// painting, or a link planted there) is replaced, never written through.
bool write_png(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
    const std::string part = path + ".part";
    std::error_code ec;
    std::filesystem::remove(part, ec);  // a link there is removed, not followed
    std::string error;
    if (loading::write_png_file(part, rgba.data(), width, height, error)) {
        std::filesystem::rename(part, path, ec);
        if (!ec) return true;
        error = ec.message();
    }
    std::filesystem::remove(part, ec);
    std::fprintf(stderr, "brushwright: can't write \"%s\": %s\n", path.c_str(), error.c_str());
    return false;
}

std::string numbered(const std::string& dir, const char* stem, uint64_t n, int digits) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%0*llu.png", stem, digits,
                  static_cast<unsigned long long>(n));
    return dir + "/" + name;
}

}  // namespace

int host::run_headless_render(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    RenderOptions o;
    if (!parse_options(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!can_finish(o)) return 2;
    std::error_code made;
    std::filesystem::create_directories(o.out_dir, made);
    if (!std::filesystem::is_directory(o.out_dir, made)) {
        std::fprintf(stderr, "brushwright: can't make the folder \"%s\"\n", o.out_dir.c_str());
        return 1;
    }

    picture::Settings& settings = picture::settings();
    settings.data_folder = o.data_root;
    settings.speed = o.speed;
    settings.delay = o.delay;
    settings.frame_rate = static_cast<float>(effective_rate(o));
    render_seed = static_cast<uint32_t>(o.seed);
    render_frame = 0;
    render_rate = static_cast<uint64_t>(effective_rate(o));
    picture::clocks() = {fixed_tick_count, frame_clock};

    switch (picture::start_picture(0, o.width, o.height, false)) {
        case picture::StartResult::started:
            break;
        case picture::StartResult::no_device:
            return 1;
        case picture::StartResult::no_parameters:
            std::fprintf(stderr, "brushwright: no picture in \"%s\"\n", o.data_root.c_str());
            return 255;
    }
    RenderDevice& device = *picture::picture_device();
    picture::Picture& picture = picture::the_picture();
    using Clock = std::chrono::steady_clock;
    Clock::time_point since = Clock::now();
    long written = 0;
    std::vector<uint8_t> rgba;
    int status = 0;
    while (written < o.paintings && status == 0) {
        ++render_frame;
        device.begin_frame();
        device.clear(0.0f, 0.0f, 0.0f);
        picture::picture_step();
        if (picture.timeline.new_painting) {
            // The painting just kept is the output image the toggle has moved away from.
            Texture* kept = picture.output_toggle ? picture.output_a : picture.output_b;
            const std::string path = numbered(o.out_dir, "painting", ++written, 3);
            if (!device.read_texture(*kept, rgba) ||
                !write_png(path, rgba, kept->width(), kept->height())) {
                status = 1;
            } else {
                const double seconds = std::chrono::duration<double>(Clock::now() - since).count();
                std::printf("painting %ld: %.2f s -> %s\n", written, seconds, path.c_str());
                std::fflush(stdout);
            }
            since = Clock::now();
        }
        if (o.frames_every > 0 && render_frame % static_cast<uint64_t>(o.frames_every) == 0) {
            int w = 0, h = 0;
            if (!device.read_target(rgba, w, h) ||
                !write_png(numbered(o.out_dir, "frame", render_frame / o.frames_every, 5), rgba, w,
                           h))
                status = 1;
        }
        device.end_frame();
        device.present();
    }
    picture::stop_picture();
    picture::restore_system_clocks();
    return status;
}
