#include "tools/kit_commands.h"

// Not built yet.
int kit::run_disasm(int, char**) { return kit::usage("disasm (not available in this build)"); }
