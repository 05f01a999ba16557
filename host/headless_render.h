#pragma once
// The headless run: `brushwright --render OUTDIR [--paintings N] [--size WxH] [--seed S]
// [--data DATAROOT] [--speed S] [--delay D] [--frames K] [--rate R]` paints on a device without
// a window, with the clocks fixed (a 60 Hz frame clock and the seed as tick count), and writes
// every finished painting as OUTDIR/painting-001.png ... (and every K-th screen frame as
// OUTDIR/frame-00001.png ...). The same options give the same files, byte for byte.
#include <string>

#include "host/option_table.h"

namespace host {

// `parsed`: the saver's options (host/saver_options.h), "--render" among them. The picture is
// the one below `default_data_folder` unless --data names another. Gives the exit code.
int run_headless_render(ParsedOptions parsed, const std::string& default_data_folder);

}  // namespace host
