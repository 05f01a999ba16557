#include "tools/kit_commands.h"

// Not built yet.
int kit::run_data(int, char**) { return kit::usage("data (not available in this build)"); }
