#include "tools/kit_commands.h"

// Not built yet.
int kit::run_bsf(int, char**) { return kit::usage("bsf (not available in this build)"); }
