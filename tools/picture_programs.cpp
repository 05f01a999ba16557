#include "tools/picture_programs.h"

namespace kit {

const std::vector<PictureProgram>& picture_programs() {
    static const std::vector<PictureProgram> programs = {
        {"paint.bsf", 5, {"alpha", "beta", "gamma", "param", "atr1", "patr1", "time"}, true},
        {"formgen", 3, {"atr1", "f1", "f2", "f3", "f4", "layer"}, true},
        {"formgen_out.bsf", 8, {"atr1", "patr1", "alpha", "layer", "time", "dev", "beta"}, false},
        {"background.bsf", 3, {"f1", "f2", "f3", "f4", "atr1", "alpha"}, false},
        {"filter.bsf", 2, {"_pass", "alpha", "delta", "scale", "mask"}, false},
        {"color.bsf", 0, {}, false},
        {"visual.bsf", 2, {"alpha", "beta"}, true},
        {"color_out.bsf",
         8,
         {"atr1", "alpha", "shift", "bump", "surface", "fg_color", "bg_color", "a"},
         false},
        {"surface_out.bsf", 8, {"atr1", "alpha", "bump1", "bump2"}, false},
        {"colorgen.bsf",
         7,
         {"atr1", "alpha", "shift", "fon", "facture", "surface", "layer", "fg_color", "bg_color"},
         false},
        {"silhouette.bsf", 1, {"s", "layer", "atr1"}, false},
        {"deriv.bsf", 2, {"s", "m"}, false},
    };
    return programs;
}

const PictureProgram& form_generator_program() {
    return picture_programs()[1];
}

const std::vector<const char*>& parameter_keys() {
    static const std::vector<const char*> keys = {
        "PLANS", "TEX",   "DIST",     "SILHOUETTE", "BUMP0",   "BUMP1", "BUMP2",
        "FLTR1", "FLTR2", "FLTRFORM", "FLTRSURF",   "FLTRCOL", "BLOOR", "BGCOLOR"};
    return keys;
}

}  // namespace kit
