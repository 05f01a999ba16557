#pragma once
// The saver window on X11, the Window of host/saver_run.h: a full-screen window that takes the
// keyboard and pointer, a preview child inside a given parent, an existing window or the root
// window painted for the program that owns it, or a window of its own. SIGINT and SIGTERM end
// every run through the same path as the window going away, then end the process by the signal.
#include <cstdint>
#include <string>

#include "gfx/platform.h"
#include "host/saver_run.h"

namespace host {

struct X11RunOptions {
    RunKind kind = RunKind::full_screen;
    // Embedded: the window to paint (0: the root window). Preview: the parent window.
    unsigned long target = 0;
    // What the run paints with.
    picture::Settings settings;
};

// Makes SIGINT and SIGTERM end the run cleanly (the device is destroyed, the cursor shown). A run
// that has not ended two seconds after the signal (a frame that does not finish), or a second
// signal, ends the process by that signal at once.
void install_stop_signals();
// After the clean end of a run that a stop signal ended: dies by that signal, as programs that
// another program stops are expected to (nothing happens when no signal came).
void end_by_stop_signal();

class X11Saver {
  public:
    explicit X11Saver(const X11RunOptions& options) : options_(options) {}
    ~X11Saver();
    X11Saver(const X11Saver&) = delete;
    X11Saver& operator=(const X11Saver&) = delete;

    // Opens the X display; false (with `error` set) when there is none.
    bool connect(std::string& error);

    // The Window members of run_saver().
    bool create();
    picture::Settings settings() const { return options_.settings; }
    bool wait_preview_second();
    int width() const { return width_; }
    int height() const { return height_; }
    gfx::WindowHandle handle() const { return painted_; }
    void hide_cursor();
    void show_cursor();
    void close() { closing_ = true; }

    template <class Engine>
    Pump pump(Engine& engine, int64_t wait_us) {
        Event event;
        switch (take_event(event, wait_us)) {
            case Taken::nothing:
                return Pump::idle;
            case Taken::quit:
                return Pump::quit;
            case Taken::event:
                on_event(*this, engine, options_.kind, event);
                return event.kind == Event::Kind::resize ? Pump::redraw : Pump::handled;
            case Taken::other:
                break;
        }
        return Pump::handled;
    }
    int64_t now_us() const { return steady_now_us(); }
    // The frame rate of --fps is counted where it is drawn, by the overlay.
    void frame_drawn() {}

  private:
    enum class Taken { nothing, event, other, quit };
    // Takes one event, waiting up to `wait_us` for one to come.
    Taken take_event(Event& event, int64_t wait_us);
    bool create_full_screen();
    bool create_preview();
    bool create_embedded();
    bool create_own_window();
    void grab_input();

    X11RunOptions options_;
    void* display_ = nullptr;    // Display*
    unsigned long painted_ = 0;  // the window the device draws into
    unsigned long own_ = 0;      // our own window, if we made one
    unsigned long cursor_ = 0;   // the blank cursor while it is hidden
    unsigned long delete_atom_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool closing_ = false;
    bool gone_ = false;  // the painted window was destroyed
};

}  // namespace host
