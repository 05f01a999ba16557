#pragma once
// The run of the saver window, written once for every platform: start-up order, the preview
// wait, the frame loop, what input ends a run, paint and resize handling, the shutdown order
// and the exit code. The platform supplies a window and the engine as plain types with the
// members used below (no virtual calls):
//
//   Window: bool create(); picture::Settings settings() (what this run paints with, asked for
//           once the window exists); bool wait_preview_second() (false: the window went away
//           meanwhile); int width(), height(); gfx::WindowHandle handle();
//           void hide_cursor(); void show_cursor(); void close();
//           Pump pump(Engine&, int64_t wait_us) (waits up to wait_us for an event, takes at
//           most one and hands it to on_event); int64_t now_us() (a steady clock);
//           void frame_drawn();
//   Engine: picture::StartResult start(settings, handle, width, height, full_screen);
//           void draw_frame() (one whole frame; nothing before start); Device* device() (null
//           before start); void stop(); uint32_t still_ms() (how long the picture stays as the
//           last frame showed it); float frame_rate() (the rate the frames that move are paced
//           to);
//   Device: resize(w, h).
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "picture/picture.h"

namespace host {

// How the saver window was asked for. Windows knows full_screen and preview; embedded (a window
// or the root window that another program owns) and own_window are POSIX runs.
enum class RunKind { full_screen, preview, embedded, own_window };

// Input that may end a run. quit_key is q or Escape.
enum class Input { key, quit_key, left_button, right_button, middle_button, wheel, motion };

// Keys and left or right clicks close a full-screen run; a preview or an embedded run never
// closes on input (its owner ends it); a run in its own window closes on q or Escape. Motion,
// the middle button and the wheel never close anything.
bool input_closes(Input input, RunKind kind);

// A preview draws a 1024 x 1024 picture whatever its window's size.
inline constexpr int kPreviewPictureSize = 1024;
// A preview window inside a parent with an empty rectangle.
inline constexpr int kEmptyParentWindowSize = 512;

struct Size {
    int width = 0;
    int height = 0;
};
// The preview window takes its parent's size, or 512 x 512 when that is empty either way.
inline Size preview_window_size(int parent_width, int parent_height) {
    if (parent_width <= 0 || parent_height <= 0)
        return {kEmptyParentWindowSize, kEmptyParentWindowSize};
    return {parent_width, parent_height};
}

// One window event as the shared rules see it.
struct Event {
    enum class Kind { input, resize, paint };
    Kind kind = Kind::paint;
    Input input = Input::key;
    int width = 0;  // resize
    int height = 0;
};

// What one turn of the platform's event pump found.
enum class Pump {
    idle,     // nothing came within the wait: a frame may be due
    handled,  // one event was taken and handled
    redraw,   // the window changed size: draw a frame now
    quit,     // the window is gone (or the process was asked to end): leave the loop
};

// Microseconds of a steady clock, for pacing the frames.
inline int64_t steady_now_us() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The time between two moving frames at `frame_rate` frames a second, kept within 1 to 1000.
inline int64_t frame_period_us(float frame_rate) {
    if (!(frame_rate >= 1.0f)) return 1000000 / (frame_rate > 0.0f ? 1 : 60);
    return static_cast<int64_t>(1e6 / std::min(frame_rate, 1000.0f));
}

// The window procedure's rules. A paint request draws a whole extra frame (the picture's clock
// advances with it); size changes reach the device once it exists.
template <class Window, class Engine>
void on_event(Window& window, Engine& engine, RunKind kind, const Event& event) {
    switch (event.kind) {
        case Event::Kind::input:
            if (input_closes(event.input, kind)) window.close();
            break;
        case Event::Kind::resize:
            if (auto* device = engine.device()) device->resize(event.width, event.height);
            break;
        case Event::Kind::paint:
            engine.draw_frame();
            break;
    }
}

// The frame loop, until the window goes. Frames that move (painting, fading, crossfading) are
// paced by the clock to the engine's frame rate; while the picture is still, the loop draws
// nothing and waits for the window's events or the end of the stillness. A paint request
// redraws the frame, a size change repaints it.
template <class Window, class Engine>
void run_frames(Window& window, Engine& engine) {
    const int64_t period = frame_period_us(engine.frame_rate());
    int64_t due = window.now_us();  // when the next frame is to be drawn
    for (;;) {
        const Pump turn = window.pump(engine, std::max<int64_t>(0, due - window.now_us()));
        if (turn == Pump::quit) break;
        if (turn == Pump::redraw) {
            engine.draw_frame();
            window.frame_drawn();
        }
        if (turn != Pump::idle) continue;
        const int64_t now = window.now_us();
        if (now < due) continue;  // woke before its time: wait on
        if (const uint32_t still = engine.still_ms(); still > 0) {
            due = now + int64_t{1000} * still;
            continue;
        }
        engine.draw_frame();
        window.frame_drawn();
        // On time: the next period; late (a painting frame, a slow machine): at once.
        due = std::max(due + period, now);
        if (const uint32_t still = engine.still_ms(); still > 0)
            due = window.now_us() + int64_t{1000} * still;
    }
}

// The exit codes of a window run.
inline constexpr int kExitNormal = 0;         // after a run, or when nothing could start
inline constexpr int kExitNoParameters = -1;  // the picture's parameter file is missing
inline constexpr int kExitSettings = 1;       // after the settings dialog

// Everything after the run mode is chosen: window and settings, the preview's one-second wait,
// picture start-up, the frame loop until the window goes, then cursor, device and exit code.
template <class Window, class Engine>
int run_saver(Window& window, Engine& engine, RunKind kind) {
    if (!window.create()) return kExitNormal;
    const picture::Settings settings = window.settings();
    // The picture starts about one second after the preview window shows; a window destroyed
    // during that second ends the run before anything starts.
    if (kind == RunKind::preview && !window.wait_preview_second()) return kExitNormal;

    const bool full_screen = kind == RunKind::full_screen;
    int width = window.width();
    int height = window.height();
    if (kind == RunKind::preview) width = height = kPreviewPictureSize;
    // The device always runs windowed, also in the full-screen run: the window itself covers
    // the screen. An exclusive device would switch the display mode (a refused mode ends the
    // run) and be lost whenever another window takes the focus.
    const picture::StartResult started =
        engine.start(settings, window.handle(), width, height, false);

    int code = kExitNormal;
    if (started == picture::StartResult::started) {
        if (full_screen) window.hide_cursor();
        run_frames(window, engine);
        window.show_cursor();
    } else if (started == picture::StartResult::no_parameters) {
        code = kExitNoParameters;
    }
    engine.stop();  // destroys the device, if one was made
    return code;
}

}  // namespace host
