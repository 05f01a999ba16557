#include "tools/picture_programs.h"

namespace kit {

const std::vector<const char*>& parameter_keys() {
    static const std::vector<const char*> keys = {
        "PLANS", "TEX",   "DIST",     "SILHOUETTE", "BUMP0",   "BUMP1", "BUMP2",
        "FLTR1", "FLTR2", "FLTRFORM", "FLTRSURF",   "FLTRCOL", "BLOOR", "BGCOLOR"};
    return keys;
}

}  // namespace kit
