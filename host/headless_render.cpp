#include "host/headless_render.h"

#include <cstdio>

namespace host {

int run_headless_render(int, char**) {
    std::fprintf(stderr, "brushwright: --render is not built yet\n");
    return 1;
}

}  // namespace host
