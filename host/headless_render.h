#pragma once
// The headless run: `brushwright --render OUTDIR [--paintings N] [--size WxH] [--seed S]
// [--data DATAROOT] [--speed S] [--delay D] [--frames K]` paints on a device without a window,
// with the clocks fixed (a 60 Hz frame clock and the seed as tick count), and writes every
// finished painting as OUTDIR/painting-001.png ... (and every K-th screen frame as
// OUTDIR/frame-00001.png ...). The same options give the same files, byte for byte.

namespace host {

// argv[0] is the program; "--render" is one of the arguments. Gives the exit code.
int run_headless_render(int argc, char** argv);

}  // namespace host
