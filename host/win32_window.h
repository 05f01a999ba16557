#pragma once
// The saver window on Windows, the Window of host/saver_run.h: its class (small icon 163,
// arrow cursor, no background brush), a pop-up of the screen's size for the full-screen run or
// a child of the preview parent, and the window procedure that turns messages into the shared
// run's events (keys and clicks, size, paint) and drives the preview's one-second wait.
#include <string>

#include "gfx/win32_api.h"

#include "gfx/platform.h"
#include "host/picture_engine.h"
#include "host/saver_run.h"

namespace host {

struct Win32Strings {
    std::string title;         // string 103
    std::string window_class;  // string 109
};
// Loads strings 103 and 109 (up to 100 characters each).
Win32Strings load_strings(HINSTANCE instance);

// Registers the saver's window class under `class_name`.
void register_window_class(HINSTANCE instance, const std::string& class_name);

class Win32Window {
  public:
    // `preview_parent`: null for the full-screen run.
    Win32Window(HINSTANCE instance, int show_command, const Win32Strings& strings,
                HWND preview_parent, PictureEngine& engine);

    // The Window members of run_saver().
    bool create();
    picture::Settings settings();  // read from the registry; then the window shows
    bool wait_preview_second();
    int width() const { return width_; }
    int height() const { return height_; }
    gfx::WindowHandle handle() const { return reinterpret_cast<gfx::WindowHandle>(window_); }
    void hide_cursor() { ShowCursor(FALSE); }
    void show_cursor() { ShowCursor(TRUE); }
    void close() { PostMessageA(window_, WM_CLOSE, 0, 0); }
    template <class Engine>
    Pump pump(Engine&, int64_t wait_us) {
        return pump_message(wait_us);
    }
    int64_t now_us() const { return steady_now_us(); }
    void frame_drawn() {}

    RunKind kind() const { return preview_parent_ ? RunKind::preview : RunKind::full_screen; }

    // The class's window procedure.
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  private:
    // Takes one message, waiting up to `wait_us` for one to come.
    Pump pump_message(int64_t wait_us);
    LRESULT on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    HINSTANCE instance_;
    int show_command_;
    Win32Strings strings_;
    HWND preview_parent_;
    PictureEngine& engine_;
    HWND window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool preview_wait_ = false;
};

}  // namespace host
