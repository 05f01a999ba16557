// Brushwright on POSIX: an X11 screen saver that follows the conventions of xscreensaver's
// hacks and understands the saver command line of the Windows build ("/s", "/p ID", "/c:N").
// "--render" paints headless into files instead.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "host/command_line.h"
#include "host/data_folder.h"
#include "host/headless_render.h"
#include "host/option_table.h"
#include "host/picture_engine.h"
#include "host/saver_run.h"
#include "host/settings_file.h"
#include "host/settings_model.h"
#include "host/x11_saver.h"

namespace {

constexpr int kExitUsage = 2;

constexpr host::OptionSpec kOptions[] = {
    {"root", "", "paint the root window, or the window named by XSCREENSAVER_WINDOW"},
    {"window-id", "ID", "paint inside the existing window ID (hex 0x... or decimal)"},
    {"window", "", "paint in a window of its own; q or Escape closes it"},
    {"fps", "", "print the frame rate on standard error once a second"},
    {"frame-rate", "N", "frames a second while the picture moves, 1 to 1000 (default 60)"},
    {"data", "DIR", "data folder for this run (default: the stored PATH, else the sample)"},
    {"speed", "N", "painting speed for this run (stored value, else 20)"},
    {"delay", "N", "seconds each finished painting is held, for this run (else 7)"},
    {"settings", "", "show the stored speed and delay; store --speed and --delay if given"},
    {"display", "NAME", "the X display (default: $DISPLAY)"},
    {"render", "OUTDIR", "paint headless into PNG files, no display needed (--render . --help)"},
    {"help", "", "list the options"},
};

void print_help() {
    std::printf(
        "usage: brushwright [options] [/s | /p ID | /c:N]\n"
        "Paints an oil painting that the graphics card repaints and crossfades without end.\n"
        "Without options it runs full screen until a key or a click.\n\n"
        "  /s               full screen (the same as no arguments)\n"
        "  /p ID            preview inside window ID (decimal)\n"
        "  /c:N             the settings (as --settings); a bare /c runs full screen\n"
        "%s\nSettings are kept in %s.\n",
        host::option_help(kOptions).c_str(), host::settings_file_path().c_str());
}

// A window id as xscreensaver writes one: "0x" and hex digits, or decimal digits.
std::optional<unsigned long> parse_window_id(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = text.c_str() + (hex ? 2 : 0);
    if (!*digits || *digits == '-' || *digits == '+') return std::nullopt;
    char* end = nullptr;
    const unsigned long id = std::strtoul(digits, &end, hex ? 16 : 10);
    if (*end || id == 0) return std::nullopt;
    return id;
}

// What one run paints with: the stored settings, then this run's overrides.
struct RunSettings {
    std::optional<std::string> data, speed, delay;
    float frame_rate = 60.0f;
};

// --frame-rate: whole frames a second, 1 to 1000.
std::optional<float> parse_frame_rate(const std::string& text) {
    char* end = nullptr;
    const long rate = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || rate < 1 || rate > 1000) return std::nullopt;
    return static_cast<float>(rate);
}

void read_run_settings(const void* context) {
    const auto& run = *static_cast<const RunSettings*>(context);
    picture::Settings& s = picture::settings();
    s = host::settings_from_store(host::read_settings_file(host::settings_file_path()),
                                  host::sample_data_folder());
    if (s.data_folder.empty()) s.data_folder = host::sample_data_folder();
    if (run.data) s.data_folder = *run.data;
    if (run.speed) s.speed = static_cast<float>(host::field_value(*run.speed));
    if (run.delay) s.delay = static_cast<float>(host::field_value(*run.delay));
    s.frame_rate = run.frame_rate;
}

std::string ask(const char* label, const std::string& current) {
    std::printf("%s [%s]: ", label, current.c_str());
    std::fflush(stdout);
    std::string line;
    if (!std::getline(std::cin, line)) throw std::runtime_error("end of input");
    return line.empty() ? current : line;
}

// The settings dialog on a terminal: shows the fields as the dialog would open them, takes new
// values from --speed and --delay or asks for them, and stores both fields as "Save" does.
int run_settings(const std::optional<std::string>& speed, const std::optional<std::string>& delay) {
    const std::string path = host::settings_file_path();
    const host::StoredSettings stored = host::read_settings_file(path);
    host::SettingsFields fields = host::dialog_fields(stored, picture::Settings{});
    // No settings file opens the fields empty, as the dialog does without its key.
    auto shown = [](const std::string& field) { return field.empty() ? "(empty)" : field.c_str(); };
    std::printf("Brushwright settings (%s)\n  Speed: %s\n  Delay (sec): %s\n", path.c_str(),
                shown(fields.speed), shown(fields.delay));
    bool save = false;
    if (speed || delay) {
        if (speed) fields.speed = *speed;
        if (delay) fields.delay = *delay;
        save = true;
    } else if (::isatty(STDIN_FILENO)) {
        try {
            fields.speed = ask("Speed", fields.speed);
            fields.delay = ask("Delay (sec)", fields.delay);
            save = true;
        } catch (const std::exception&) {
            std::printf("\n");  // end of input: cancel
        }
    }
    if (save) {
        const uint32_t new_speed = host::field_value(fields.speed);
        const uint32_t new_delay = host::field_value(fields.delay);
        if (host::write_settings_file(path, new_speed, new_delay))
            std::printf("stored SPEED %u, DELAY %u\n", new_speed, new_delay);
        else
            std::fprintf(stderr, "brushwright: cannot write %s; nothing stored\n",
                         path.empty() ? "the settings file" : path.c_str());
    }
    return host::kExitSettings;
}

// The headless run paints the sample picture wherever it is installed unless --data names
// another data root.
int render(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    bool has_data = false;
    for (int i = 1; i < argc; ++i) has_data = has_data || std::strcmp(argv[i], "--data") == 0;
    std::string data_option = "--data", sample = host::sample_data_folder();
    if (!has_data) {
        args.push_back(data_option.data());
        args.push_back(sample.data());
    }
    return host::run_headless_render(static_cast<int>(args.size()), args.data());
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--render") == 0) return render(argc, argv);

    const host::ParsedOptions parsed = host::parse_options(kOptions, argc, argv);
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

    std::string saver_words;
    for (const std::string& w : parsed.words) saver_words += (saver_words.empty() ? "" : " ") + w;
    const host::RunChoice choice = host::choose_run_mode(host::split_command_line(saver_words));
    if (given("settings") || choice.mode == host::RunMode::settings)
        return run_settings(value("speed"), value("delay"));

    RunSettings run{value("data"), value("speed"), value("delay")};
    if (const auto rate = value("frame-rate")) {
        const auto parsed_rate = parse_frame_rate(*rate);
        if (!parsed_rate) {
            std::fprintf(stderr,
                         "brushwright: --frame-rate \"%s\" is not a whole number from 1 to 1000\n",
                         rate->c_str());
            return kExitUsage;
        }
        run.frame_rate = *parsed_rate;
    }
    host::X11RunOptions options;
    options.show_fps = given("fps");
    options.read_settings = read_run_settings;
    options.settings_context = &run;
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
        options.kind = host::RunKind::preview;
        options.target = static_cast<unsigned long>(choice.preview_parent);
    }

    if (const auto display = value("display")) ::setenv("DISPLAY", display->c_str(), 1);
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
    host::PictureEngine engine;
    return host::run_saver(saver, engine, options.kind);
}
