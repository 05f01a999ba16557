// brushwright: the screen saver.
#include <cstdio>
#include <cstring>

#include "host/headless_render.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--render") == 0) return host::run_headless_render(argc, argv);
    std::fprintf(stderr,
                 "brushwright: only the headless run is built so far: use --render OUTDIR\n");
    return 1;
}
