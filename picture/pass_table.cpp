#include "picture/pass_table.h"

#include <algorithm>
#include <cstring>

namespace {

using picture::PassProgram;

const PassProgram kPrograms[] = {
    {"paint.bsf",
     5,
     {"alpha", "beta", "gamma", "param", "atr1", "patr1", "time"},
     true,
     "brush strokes (finish.cpp)"},
    {"formgen",
     3,
     {"atr1", "f1", "f2", "f3", "f4", "layer"},
     true,
     "form of each plan (composition.cpp)"},
    {"formgen_out.bsf",
     8,
     {"atr1", "patr1", "alpha", "layer", "time", "dev", "beta"},
     false,
     "form output (composition.cpp)"},
    {"background.bsf",
     3,
     {"f1", "f2", "f3", "f4", "atr1", "alpha"},
     false,
     "background (composition.cpp)"},
    {"filter.bsf",
     2,
     {"_pass", "alpha", "delta", "scale", "mask"},
     false,
     "two-pass filter (composition.cpp)"},
    {"color.bsf", 0, {}, false, "loaded and held; no pass draws with it"},
    {"visual.bsf",
     2,
     {"alpha", "beta"},
     true,
     "copies to the screen (composition.cpp, finish.cpp)"},
    {"color_out.bsf",
     8,
     {"atr1", "alpha", "shift", "bump", "surface", "fg_color", "bg_color", "a"},
     false,
     "colour output (finish.cpp)"},
    {"surface_out.bsf",
     8,
     {"atr1", "alpha", "bump1", "bump2"},
     false,
     "surface output (finish.cpp)"},
    {"colorgen.bsf",
     7,
     {"atr1", "alpha", "shift", "fon", "facture", "surface", "layer", "fg_color", "bg_color"},
     false,
     "colour of each plan (composition.cpp)"},
    {"silhouette.bsf",
     1,
     {"s", "layer", "atr1"},
     false,
     "silhouette of each plan (composition.cpp)"},
    {"deriv.bsf", 2, {"s", "m"}, false, "derivative (composition.cpp)"},
};

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::span<const PassProgram> picture::pass_table() {
    return kPrograms;
}

const PassProgram* picture::find_pass_program(const std::string& file) {
    for (const PassProgram& entry : kPrograms)
        if (file == entry.file) return &entry;
    return nullptr;
}

const PassProgram& picture::form_generator_entry() {
    return *find_pass_program("formgen");
}

std::string picture::undeclared_names(const PassProgram& entry,
                                      const std::vector<std::string>& declared_params,
                                      const std::vector<std::string>& declared_samplers) {
    std::string missing;
    for (const char* name : entry.params)
        if (!contains(declared_params, name)) missing += std::string(" ") + name;
    for (int slot = 0; slot < entry.sampler_slots; ++slot) {
        const std::string name = "texSampler" + std::to_string(slot);
        if (!contains(declared_samplers, name)) missing += " " + name;
    }
    return missing;
}
