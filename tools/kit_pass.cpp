#include "tools/kit_commands.h"

// Not built yet.
int kit::run_pass(int, char**) { return kit::usage("pass (not available in this build)"); }
