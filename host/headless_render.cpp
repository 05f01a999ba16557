#include "host/headless_render.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "gfx/render_device.h"
#include "gfx/texture.h"
#include "host/saver_options.h"
#include "loading/png_writer.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"

namespace {

struct RenderOptions {
    std::string out_dir;
    long paintings = 4;
    int width = 1280;
    int height = 720;
    uint32_t seed = 1;
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

// A render must end: no painting may take more frames than this to paint or to hold.
constexpr double kMaxFramesPerPainting = 1e6;

// Half a turn of the phase paints one painting; SPEED moves it SPEED x 0.02 radians a second
// (0 means the default step), DELAY holds each painting for DELAY seconds.
bool can_finish(const RenderOptions& o, const picture::Settings& s) {
    const double rate = static_cast<double>(effective_rate(o));
    const double step = s.speed != 0.0f ? std::fabs(static_cast<double>(s.speed)) * 0.02 : 0.4;
    const double paint_frames = 3.14159265358979 * rate / step;
    if (paint_frames > kMaxFramesPerPainting) {
        std::fprintf(stderr,
                     "brushwright: --speed %g is too slow to finish a painting (%.3g frames at %g "
                     "a second; at most %.0f): use %g or more\n",
                     static_cast<double>(s.speed), paint_frames, rate, kMaxFramesPerPainting,
                     3.14159265358979 * rate * 50.0 / kMaxFramesPerPainting * 1.0001);
        return false;
    }
    const double hold_frames = static_cast<double>(s.delay) * rate;
    if (hold_frames > kMaxFramesPerPainting) {
        std::fprintf(stderr,
                     "brushwright: --delay %g holds each painting for %.3g frames (at most %.0f at "
                     "%g a second)\n",
                     static_cast<double>(s.delay), hold_frames, kMaxFramesPerPainting, rate);
        return false;
    }
    return true;
}

// The render's own options; the picture's settings come from settings_for_run.
std::optional<RenderOptions> render_options(const host::ParsedOptions& parsed) {
    const auto table = host::saver_options();
    if (!parsed.words.empty()) {
        std::fprintf(stderr, "brushwright: \"%s\" is no option of --render\n",
                     parsed.words[0].c_str());
        return std::nullopt;
    }
    RenderOptions o;
    o.out_dir = host::option_value(parsed, table, "render").value_or("");
    if (o.out_dir.empty()) {
        std::fprintf(stderr, "brushwright: --render needs OUTDIR\n");
        return std::nullopt;
    }
    if (auto n = host::whole_option(parsed, table, "paintings"))
        o.paintings = static_cast<long>(*n);
    if (auto size = host::size_option(parsed, table, "size")) {
        o.width = size->width;
        o.height = size->height;
    }
    if (auto seed = host::whole_option(parsed, table, "seed"))
        o.seed = static_cast<uint32_t>(*seed);
    if (auto n = host::whole_option(parsed, table, "frames"))
        o.frames_every = static_cast<long>(*n);
    if (auto n = host::whole_option(parsed, table, "rate")) o.rate = static_cast<long>(*n);
    return o;
}

// The render's frame clock: it advances one frame at a time.
struct FrameClock {
    uint64_t frame = 0;
    uint64_t rate = 60;
    uint32_t ms() const { return static_cast<uint32_t>(frame * 1000 / rate); }
};

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

int host::run_headless_render(ParsedOptions parsed, const std::string& default_data_folder) {
    check_run(parsed, saver_options(), kRenderRun);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "brushwright: %s\n", parsed.error.c_str());
        return 2;
    }
    if (has_option(parsed, saver_options(), "help")) {
        std::fputs(render_option_help().c_str(), stdout);
        return 0;
    }
    const std::optional<RenderOptions> options = render_options(parsed);
    if (!options) return 2;
    const RenderOptions& o = *options;
    picture::Settings base;
    base.data_folder = default_data_folder;
    picture::Settings run = settings_for_run(parsed, base);
    run.frame_rate = static_cast<float>(effective_rate(o));
    if (!can_finish(o, run)) return 2;
    std::error_code made;
    std::filesystem::create_directories(o.out_dir, made);
    if (!std::filesystem::is_directory(o.out_dir, made)) {
        std::fprintf(stderr, "brushwright: can't make the folder \"%s\"\n", o.out_dir.c_str());
        return 1;
    }

    // The seed is the tick count.
    FrameClock clock{0, static_cast<uint64_t>(effective_rate(o))};
    const uint32_t seed = o.seed;
    picture::StartedPicture started =
        picture::start_picture(run, {[seed] { return seed; }, [&clock] { return clock.ms(); }}, 0,
                               o.width, o.height, false);
    switch (started.result) {
        case picture::StartResult::started:
            break;
        case picture::StartResult::no_device:
            return 1;
        case picture::StartResult::no_parameters:
            std::fprintf(stderr, "brushwright: no picture in \"%s\"\n", run.data_folder.c_str());
            return 255;
    }
    picture::Picture& picture = *started.picture;
    using Clock = std::chrono::steady_clock;
    Clock::time_point since = Clock::now();
    long written = 0;
    std::vector<uint8_t> rgba;
    int status = 0;
    // What the frame shows, read before it is presented: a finished painting, every
    // frames_every'th frame.
    const auto keep = [&](RenderDevice& device) {
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
        if (o.frames_every > 0 && clock.frame % static_cast<uint64_t>(o.frames_every) == 0) {
            int w = 0, h = 0;
            if (!device.read_target(rgba, w, h) ||
                !write_png(numbered(o.out_dir, "frame", clock.frame / o.frames_every, 5), rgba, w,
                           h))
                status = 1;
        }
    };
    while (written < o.paintings && status == 0) {
        ++clock.frame;
        picture::draw_frame(picture, keep);
    }
    return status;
}
