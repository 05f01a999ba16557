#include "tools/kit_commands.h"

// Not built yet.
int kit::run_pack(int, char**) { return kit::usage("pack (not available in this build)"); }
