#include "tools/kit_commands.h"

// Not built yet.
int kit::run_asm(int, char**) { return kit::usage("asm (not available in this build)"); }
