#include "host/win32_window.h"

#include <algorithm>

#include "host/settings_model.h"
#include "host/win32_settings.h"
#include "winres/resource.h"

namespace {

// The one saver window of the process; its procedure reaches the run through this.
host::Win32Window* g_window = nullptr;

constexpr UINT_PTR kPreviewTimer = 1;
constexpr UINT kPreviewWaitMs = 1000;

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wparam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

std::string load_string(HINSTANCE instance, UINT id) {
    char text[101] = {};
    LoadStringA(instance, id, text, sizeof text);
    return text;
}

}  // namespace

host::Win32Strings host::load_strings(HINSTANCE instance) {
    return {load_string(instance, IDS_TITLE), load_string(instance, IDS_WINDOW_CLASS)};
}

void host::register_window_class(HINSTANCE instance, const std::string& class_name) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = Win32Window::window_proc;
    wc.hInstance = instance;
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = class_name.c_str();
    RegisterClassExA(&wc);
}

host::Win32Window::Win32Window(HINSTANCE instance, int show_command, const Win32Strings& strings,
                               HWND preview_parent, PictureEngine& engine)
    : instance_(instance),
      show_command_(show_command),
      strings_(strings),
      preview_parent_(preview_parent),
      engine_(engine) {
    g_window = this;
}

bool host::Win32Window::create() {
    int w = 0, h = 0;
    DWORD style = 0;
    if (preview_parent_) {
        RECT parent{};
        GetWindowRect(preview_parent_, &parent);
        const Size size =
            preview_window_size(parent.right - parent.left, parent.bottom - parent.top);
        w = size.width;
        h = size.height;
        style = WS_CHILD | WS_VISIBLE;
        width_ = height_ = kPreviewPictureSize;
    } else {
        w = GetSystemMetrics(SM_CXSCREEN);
        h = GetSystemMetrics(SM_CYSCREEN);
        style = WS_POPUP | WS_VISIBLE;
        width_ = w;
        height_ = h;
    }
    window_ = CreateWindowExA(0, strings_.window_class.c_str(), strings_.title.c_str(), style, 0, 0,
                              w, h, preview_parent_, nullptr, instance_, nullptr);
    return window_ != nullptr;
}

picture::Settings host::Win32Window::settings() {
    const picture::Settings settings = settings_from_store(read_registry_settings());
    ShowWindow(window_, show_command_);
    UpdateWindow(window_);
    return settings;
}

bool host::Win32Window::wait_preview_second() {
    preview_wait_ = true;
    PostMessageA(window_, WM_USER, 0, 0);
    while (preview_wait_) {
        MSG msg;
        const BOOL got = GetMessageA(&msg, window_, 0, 0);
        if (got == 0) {  // the quit message: leave it for the loop and stop waiting
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (got < 0) return false;  // the window is gone
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

host::Pump host::Win32Window::pump_message(int64_t wait_us) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (wait_us <= 0) return Pump::idle;
        // Sleeps until a message comes or the wait is over (rounded up to whole milliseconds),
        // at most 100 ms at a time: Wine does not always wake the wait when a preview parent in
        // another process destroys the window.
        const DWORD wait_ms = static_cast<DWORD>(std::min<int64_t>((wait_us + 999) / 1000, 100));
        if (MsgWaitForMultipleObjectsEx(0, nullptr, wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
            WAIT_OBJECT_0)
            return Pump::idle;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return Pump::idle;
    }
    if (msg.message == WM_QUIT) return Pump::quit;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return Pump::handled;
}

LRESULT CALLBACK host::Win32Window::window_proc(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam) {
    if (g_window) return g_window->on_message(window, message, wparam, lparam);
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT host::Win32Window::on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto input = [&](Input what) {
        on_event(*this, engine_, kind(), Event{Event::Kind::input, what, 0, 0});
        return 0;
    };
    switch (message) {
        case WM_DESTROY:
            // The device goes while its window still exists: released after it (a preview whose
            // parent went away), Wine's GL layer can die of an X error and end the run with 1.
            engine_.stop();
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            on_event(*this, engine_, kind(),
                     Event{Event::Kind::resize, Input::key, LOWORD(lparam), HIWORD(lparam)});
            return 0;
        case WM_PAINT:
            on_event(*this, engine_, kind(), Event{Event::Kind::paint, Input::key, 0, 0});
            break;  // the default procedure validates the window
        case WM_COMMAND:
            if (LOWORD(wparam) == IDM_ABOUT) {
                DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUT), window, about_dialog_proc,
                                0);
                return 0;
            }
            if (LOWORD(wparam) == IDM_EXIT) {
                DestroyWindow(window);
                return 0;
            }
            break;
        case WM_USER:
            SetTimer(window, kPreviewTimer, kPreviewWaitMs, nullptr);
            return 0;
        case WM_TIMER:
            preview_wait_ = false;
            KillTimer(window, kPreviewTimer);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return input(Input::key);
        case WM_LBUTTONDOWN:
            return input(Input::left_button);
        case WM_RBUTTONDOWN:
            return input(Input::right_button);
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
