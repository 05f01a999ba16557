#pragma once
// The saver's command line as the operating system hands it over: one text, split into words,
// and the run mode those words choose. Shared by every platform's entry.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// The word table has 256 entries and entry 0 is never filled.
inline constexpr size_t kMaxWords = 255;

// Splits `text` into words. Every byte of value 32 or lower (blank, tab, control characters) and
// every byte of 128 or higher separates words; there is no quoting. Words past the 255th are
// ignored.
std::vector<std::string> split_command_line(std::string_view text);

// A decimal integer read as the C runtime reads one: optional leading white space, an optional
// sign, then digits; 0 when there are none. Values beyond the 32-bit range saturate.
int32_t read_decimal(std::string_view text);

enum class RunMode { settings, preview, full_screen };

struct RunChoice {
    RunMode mode = RunMode::full_screen;
    // Preview: the parent window's handle. When `launch_preview_host` is set the parent is the
    // preview host's first child window, which only the platform can find; without one the
    // run is full screen.
    uintptr_t preview_parent = 0;
    bool launch_preview_host = false;
    // Settings: the dialog's owner window (0: none).
    uintptr_t owner = 0;
};

// "/p" with a handle or the preview host's name gives a preview, "/c:" with an owner the
// settings dialog, everything else (also "", "/s", a bare "/c") the full-screen run.
RunChoice choose_run_mode(const std::vector<std::string>& words);

}  // namespace host
