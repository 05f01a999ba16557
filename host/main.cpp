// Brushwright on POSIX: an X11 screen saver that follows the conventions of xscreensaver's
// hacks and understands the saver command line of the Windows build ("/s", "/p ID", "/c:N").
// "--render" paints headless into files instead.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/command_line.h"
#include "host/data_folder.h"
#include "host/fps_overlay.h"
#include "host/headless_render.h"
#include "host/option_table.h"
#include "host/picture_engine.h"
#include "host/saver_options.h"
#include "host/saver_run.h"
#include "host/settings_file.h"
#include "host/settings_model.h"
#include "host/x11_saver.h"
#include "host/xscreensaver_list.h"

namespace {

constexpr int kExitUsage = 2;

void print_help() {
    std::printf(
        "usage: brushwright [options] [/s | /p ID | /c:N]\n"
        "Paints an oil painting that the graphics card repaints and crossfades without end.\n"
        "Without options it runs full screen until a key or a click.\n\n"
        "  /s               full screen (the same as no arguments)\n"
        "  /p ID            preview inside window ID (decimal)\n"
        "  /c:N             the settings (as --settings); a bare /c runs full screen\n"
        "%s\nSettings are kept in %s.\n",
        host::saver_option_help().c_str(), host::settings_file_path().c_str());
}

// A window id as xscreensaver writes one: "0x" and hex digits, or decimal digits. X window ids
// are 32-bit: a larger number is no window id (it is not cut to one).
std::optional<unsigned long> parse_window_id(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = text.c_str() + (hex ? 2 : 0);
    if (!*digits || *digits == '-' || *digits == '+' || *digits == ' ') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long id = std::strtoull(digits, &end, hex ? 16 : 10);
    if (*end || errno == ERANGE || id == 0 || id > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<unsigned long>(id);
}

// The stored settings, then this run's options.
picture::Settings settings_for_run(const host::ParsedOptions& parsed) {
    const host::StoredSettings stored = host::read_settings_file(host::settings_file_path());
    if (!stored.unreadable.empty())
        std::fprintf(stderr, "brushwright: %s; painting with the defaults\n",
                     stored.unreadable.c_str());
    picture::Settings s = host::settings_from_store(stored, host::sample_data_folder());
    if (s.data_folder.empty()) s.data_folder = host::sample_data_folder();
    return host::settings_for_run(parsed, s);
}

constexpr char kNotANumber[] = "is not a whole number from 0 to 4294967295";

// --speed or --delay for the settings: a whole number, as the settings file keeps one, or a
// usage error.
bool stored_number(const host::ParsedOptions& parsed, const char* name,
                   std::optional<uint32_t>& out) {
    const auto text = host::option_value(parsed, host::saver_options(), name);
    if (!text) return true;
    if (const auto value = host::whole_number(*text, 0, 0xFFFFFFFFu))
        out = static_cast<uint32_t>(*value);
    else
        std::fprintf(stderr, "brushwright: --%s \"%s\" %s\n", name, text->c_str(), kNotANumber);
    return out.has_value();
}

// Asks for one field until a number is typed; an empty line keeps `current`. Throws at the end
// of the input (the run is cancelled).
uint32_t ask(const char* label, uint32_t current) {
    for (;;) {
        std::printf("%s [%u]: ", label, current);
        std::fflush(stdout);
        std::string line;
        if (!std::getline(std::cin, line)) throw std::runtime_error("end of input");
        if (line.find_first_not_of(" \t") == std::string::npos) return current;
        if (const auto value = host::unsigned_number(line)) return *value;
        std::printf("  \"%s\" %s\n", line.c_str(), kNotANumber);
    }
}

// The settings on a terminal: shows SPEED and DELAY, takes new values from --speed and --delay
// or asks for them, and stores both. A field not given keeps its current value (the stored one,
// else the default). A file that exists but cannot be read is left alone.
int run_settings(const std::optional<uint32_t>& speed, const std::optional<uint32_t>& delay) {
    const std::string path = host::settings_file_path();
    const host::StoredSettings stored = host::read_settings_file(path);
    const picture::Settings defaults;
    const uint32_t current_speed = stored.speed.value_or(static_cast<uint32_t>(defaults.speed));
    const uint32_t current_delay = stored.delay.value_or(static_cast<uint32_t>(defaults.delay));
    auto shown = [](const std::optional<uint32_t>& value, uint32_t current) {
        return std::to_string(current) + (value ? "" : " (default)");
    };
    std::printf("Brushwright settings (%s)\n  Speed: %s\n  Delay (sec): %s\n",
                path.empty() ? "no settings file" : path.c_str(),
                shown(stored.speed, current_speed).c_str(),
                shown(stored.delay, current_delay).c_str());
    if (!stored.unreadable.empty()) {
        std::fprintf(stderr, "brushwright: %s; nothing can be stored\n", stored.unreadable.c_str());
        return host::kExitSettings;
    }
    uint32_t new_speed = speed.value_or(current_speed);
    uint32_t new_delay = delay.value_or(current_delay);
    bool save = speed || delay;
    if (!save && ::isatty(STDIN_FILENO)) {
        try {
            new_speed = ask("Speed", current_speed);
            new_delay = ask("Delay (sec)", current_delay);
            save = true;
        } catch (const std::exception&) {
            std::printf("\n");  // end of input: cancel
        }
    }
    if (save) {
        std::string error;
        if (host::write_settings_file(path, new_speed, new_delay, error))
            std::printf("stored SPEED %u, DELAY %u\n", new_speed, new_delay);
        else
            std::fprintf(stderr, "brushwright: %s; nothing stored\n", error.c_str());
    }
    return host::kExitSettings;
}

// The painting engine of a window run; with "Show frame rate" the rate is drawn over every
// frame after the painting.
struct WindowEngine : host::PictureEngine {
    host::FpsOverlay* overlay = nullptr;
    void show_frame_rate(host::FpsOverlay& shown) {
        overlay = &shown;
        over = [&shown](RenderDevice& device) { shown.frame(device, steady_ms()); };
    }
    void stop() {
        if (overlay) overlay->drop();
        host::PictureEngine::stop();
    }
    static int64_t steady_ms() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

// Adds "brushwright --root" to ~/.xscreensaver: the bare name when the program is in
// xscreensaver's own folder of hacks, else its full path.
int add_to_xscreensaver() {
    std::string exe(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    exe.resize(n > 0 ? static_cast<size_t>(n) : 0);
    const bool in_hack_folder = exe == "/usr/libexec/xscreensaver/brushwright";
    const std::string command = (in_hack_folder || exe.empty() ? "brushwright" : exe) + " --root";
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty()) {
        std::fprintf(stderr, "brushwright: no home folder (HOME is not set)\n");
        return 1;
    }
    if (::geteuid() == 0)
        std::fprintf(stderr, "brushwright: note: xscreensaver runs no hacks for root\n");
    return host::add_to_xscreensaver_file(home + "/.xscreensaver", command);
}

// The headless run paints what every other run paints unless --data names another data root:
// the stored PATH, else the sample picture wherever it is installed.
int render(const host::ParsedOptions& parsed) {
    std::string data_root;
    if (!host::has_option(parsed, host::saver_options(), "data")) {
        const host::StoredSettings stored = host::read_settings_file(host::settings_file_path());
        if (!stored.unreadable.empty())
            std::fprintf(stderr, "brushwright: %s; painting the sample picture\n",
                         stored.unreadable.c_str());
        data_root = host::settings_from_store(stored, host::sample_data_folder()).data_folder;
        if (data_root.empty()) data_root = host::sample_data_folder();
    }
    return host::run_headless_render(parsed, data_root);
}

}  // namespace

int main(int argc, char** argv) {
    const auto kOptions = host::saver_options();
    host::ParsedOptions parsed = host::parse_options(kOptions, argc, argv);
    if (parsed.error.empty() && host::has_option(parsed, kOptions, "render")) return render(parsed);
    host::check_run(parsed, kOptions, host::kWindowRuns);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "brushwright: %s\n", parsed.error.c_str());
        return kExitUsage;
    }
    auto value = [&](const char* name) { return host::option_value(parsed, kOptions, name); };
    auto given = [&](const char* name) { return host::has_option(parsed, kOptions, name); };
    if (given("help")) {
        print_help();
        return 0;
    }
    if (given("add-to-xscreensaver")) return add_to_xscreensaver();

    std::string saver_words;
    for (const std::string& w : parsed.words) saver_words += (saver_words.empty() ? "" : " ") + w;
    const std::vector<std::string> words = host::split_command_line(saver_words);
    const host::RunChoice choice = host::choose_run_mode(words);
    if (given("settings") || choice.mode == host::RunMode::settings) {
        std::optional<uint32_t> speed, delay;
        if (!stored_number(parsed, "speed", speed) || !stored_number(parsed, "delay", delay))
            return kExitUsage;
        return run_settings(speed, delay);
    }
    // A preview needs a window to paint in: "/p" with anything but a window id is refused
    // rather than taken for the full-screen run.
    if (!words.empty() && words[0] == "/p" && choice.mode != host::RunMode::preview) {
        const std::string id = words.size() > 1 ? words[1] : std::string();
        std::fprintf(stderr, "brushwright: /p \"%s\" is not a window id\n", id.c_str());
        return kExitUsage;
    }
    host::X11RunOptions options;
    if (given("root")) {
        options.kind = host::RunKind::embedded;
        if (const char* env = std::getenv("XSCREENSAVER_WINDOW"); env && *env) {
            const auto id = parse_window_id(env);
            if (!id) {
                std::fprintf(stderr, "brushwright: XSCREENSAVER_WINDOW \"%s\" is not a window id\n",
                             env);
                return kExitUsage;
            }
            options.target = *id;
        }
    } else if (const auto id_text = value("window-id")) {
        const auto id = parse_window_id(*id_text);
        if (!id) {
            std::fprintf(stderr, "brushwright: --window-id \"%s\" is not a window id\n",
                         id_text->c_str());
            return kExitUsage;
        }
        options.kind = host::RunKind::embedded;
        options.target = *id;
    } else if (given("window")) {
        options.kind = host::RunKind::own_window;
    } else if (choice.mode == host::RunMode::preview && !choice.launch_preview_host) {
        // No preview host program on POSIX: "/p scrprev" runs full screen.
        const auto id = parse_window_id(words[1]);
        if (!id) {
            std::fprintf(stderr, "brushwright: /p \"%s\" is not a window id\n", words[1].c_str());
            return kExitUsage;
        }
        options.kind = host::RunKind::preview;
        options.target = *id;
    }

    if (const auto display = value("display")) ::setenv("DISPLAY", display->c_str(), 1);
    int code = 0;
    {
        options.settings = settings_for_run(parsed);
        host::X11Saver saver(options);
        std::string error;
        if (!saver.connect(error)) {
            std::fprintf(stderr,
                         "brushwright: %s; without a display, paint into files with "
                         "\"brushwright --render OUTDIR\"\n",
                         error.c_str());
            return 1;
        }
        host::install_stop_signals();
        host::FpsOverlay overlay;
        WindowEngine engine;
        if (given("fps")) engine.show_frame_rate(overlay);
        code = host::run_saver(saver, engine, options.kind);
    }  // the window and the display are closed
    host::end_by_stop_signal();
    return code;
}
