#include "tools/kit_commands.h"

// Not built yet.
int kit::run_image(int, char**) { return kit::usage("image (not available in this build)"); }
