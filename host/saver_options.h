#pragma once
// The saver's options, one table for every run (the windows, the terminal settings and
// --render), its help text, and the one place where the options given become the settings the
// picture paints with.
#include <span>
#include <string>

#include "host/option_table.h"
#include "picture/picture.h"

namespace host {

std::span<const OptionSpec> saver_options();

// The options of the window runs, then those only --render takes.
std::string saver_option_help();
// --render's options.
std::string render_option_help();

// `base` (the stored settings, or the defaults) with this run's --data, --speed, --delay and
// --frame-rate.
picture::Settings settings_for_run(const ParsedOptions& parsed, picture::Settings base);

}  // namespace host
