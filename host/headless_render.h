#pragma once
// brushwright --render OUTDIR [options]: the picture painted headless into PNG files.

namespace host {

// argv as the program got it; returns the exit code.
int run_headless_render(int argc, char** argv);

}  // namespace host
