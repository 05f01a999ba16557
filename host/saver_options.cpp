#include "host/saver_options.h"

namespace host {

namespace {

// SPEED and DELAY are kept as unsigned 32-bit numbers; a run may take a fraction.
constexpr double kStoredMax = 4294967295.0;

constexpr OptionSpec kOptions[] = {
    {"root", "", "paint the root window, or the window named by XSCREENSAVER_WINDOW", kWindowRuns},
    {"window-id", "ID", "paint inside the existing window ID (hex 0x... or decimal)", kWindowRuns},
    {"window", "", "paint in a window of its own; q or Escape closes it", kWindowRuns},
    {"fps", "", "show the frame rate in a corner, and on standard error once a second",
     kWindowRuns},
    {"frame-rate", "N", "frames a second while the picture moves, 1 to 1000 (default 60)",
     kWindowRuns, ValueKind::whole, 1, 1000},
    {"data", "DIR", "data folder for this run (default: the stored PATH, else the sample)"},
    {"speed", "N", "painting speed for this run (stored value, else 20; --render: 20)", kEveryRun,
     ValueKind::decimal, 0, kStoredMax},
    {"delay", "N", "seconds each finished painting is held, for this run (else 7)", kEveryRun,
     ValueKind::decimal, 0, kStoredMax},
    {"settings", "", "show the stored speed and delay; store --speed and --delay if given",
     kWindowRuns},
    {"display", "NAME", "the X display (default: $DISPLAY)", kWindowRuns},
    {"render", "OUTDIR", "paint headless into PNG files, no display needed (--render . --help)"},
    {"add-to-xscreensaver", "", "add this saver to the programs list of ~/.xscreensaver",
     kWindowRuns},
    {"help", "", "list the options"},
    {"paintings", "N", "finished paintings to write, 1 to 100000 (default 4)", kRenderRun,
     ValueKind::whole, 1, 100000},
    {"size", "WxH", "the picture's size, each side 16 to 16384 (default 1280x720)", kRenderRun,
     ValueKind::size, 16, 16384},
    {"seed", "S", "the random seed, 0 to 4294967295 (default 1)", kRenderRun, ValueKind::whole, 0,
     kStoredMax},
    {"frames", "K", "also write every K-th screen frame, 1 to 1000000", kRenderRun,
     ValueKind::whole, 1, 1000000},
    {"rate", "R",
     "frames a second of the fixed clock, 1 to 1000 (default 60 with --frames, else 6)", kRenderRun,
     ValueKind::whole, 1, 1000},
};

}  // namespace

std::span<const OptionSpec> saver_options() {
    return kOptions;
}

std::string saver_option_help() {
    return option_help(kOptions, kWindowRuns) + "With --render:\n" +
           option_help(kOptions, kRenderRun, true);
}

std::string render_option_help() {
    return "usage: brushwright --render OUTDIR [options]\n" + option_help(kOptions, kRenderRun);
}

picture::Settings settings_for_run(const ParsedOptions& parsed, picture::Settings base) {
    if (auto data = option_value(parsed, kOptions, "data")) base.data_folder = *data;
    if (auto speed = decimal_option(parsed, kOptions, "speed")) base.speed = *speed;
    if (auto delay = decimal_option(parsed, kOptions, "delay")) base.delay = *delay;
    if (auto rate = whole_option(parsed, kOptions, "frame-rate"))
        base.frame_rate = static_cast<float>(*rate);
    return base;
}

}  // namespace host
