#include "tools/kit_commands.h"

// Not built yet.
int kit::run_bank(int, char**) { return kit::usage("bank (not available in this build)"); }
