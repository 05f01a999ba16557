// Brushwright on Windows: the screen saver as the display settings start it. "/c:N" shows the
// settings dialog, "/p HWND" (or the preview host's name) paints inside a preview window,
// anything else paints full screen. "--render OUTDIR ..." paints headless into files with the
// clocks fixed, as the POSIX program does, so that the two platforms' paintings can be compared.
#include "gfx/win32_api.h"

#include <mmsystem.h>  // timeGetTime

#include <cstdlib>
#include <cstring>
#include <string>

#include "host/command_line.h"
#include "host/headless_render.h"
#include "host/picture_engine.h"
#include "host/saver_options.h"
#include "host/saver_run.h"
#include "host/win32_settings.h"
#include "host/win32_window.h"
#include "picture/clock.h"
#include "winres/resource.h"

namespace {

constexpr char kPreviewHost[] = "Scrprev";
constexpr DWORD kPreviewHostIdleMs = 2000;

// The preview host program's first child window, starting the program when its window is not
// there yet; null when it cannot be had.
HWND launch_preview_host() {
    HWND host = FindWindowA(kPreviewHost, nullptr);
    if (!host) {
        char command[] = "Scrprev";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE,
                            CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                            &startup, &process))
            return nullptr;
        const DWORD idle = WaitForInputIdle(process.hProcess, kPreviewHostIdleMs);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (idle != 0) return nullptr;
        host = FindWindowA(kPreviewHost, nullptr);
        if (!host) return nullptr;
    }
    SetForegroundWindow(host);
    return GetWindow(host, GW_CHILD);
}

// The picture's clocks are the system's: the tick count seeds the random generator, the
// multimedia time drives the picture clock.
uint32_t tick_count() {
    return GetTickCount();
}
uint32_t multimedia_time() {
    return timeGetTime();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show_command) {
    // "--render" takes the saver's option table; the picture is the one in the current folder
    // unless --data names another, as in the window runs without a stored PATH.
    for (int i = 1; i < __argc; ++i)
        if (std::strcmp(__argv[i], "--render") == 0)
            return host::run_headless_render(
                host::parse_options(host::saver_options(), __argc, __argv), ".");
    const host::Win32Strings strings = host::load_strings(instance);
    host::register_window_class(instance, strings.window_class);
    const host::RunChoice choice =
        host::choose_run_mode(host::split_command_line(command_line ? command_line : ""));

    if (choice.mode == host::RunMode::settings) {
        ShowCursor(TRUE);
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS),
                        reinterpret_cast<HWND>(choice.owner), host::settings_dialog_proc, 0);
        return host::kExitSettings;
    }
    HWND parent = nullptr;
    if (choice.mode == host::RunMode::preview)
        parent = choice.launch_preview_host ? launch_preview_host()
                                            : reinterpret_cast<HWND>(choice.preview_parent);

    host::PictureEngine engine({tick_count, multimedia_time});
    host::Win32Window window(instance, show_command, strings, parent, engine);
    // Waits between paced frames are whole milliseconds: make the system's timer that fine.
    timeBeginPeriod(1);
    const int code = host::run_saver(window, engine, window.kind());
    timeEndPeriod(1);
    return code;
}
