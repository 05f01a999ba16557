#pragma once
// The picture's shader programs: the named programs, taken from the picture's own folder
// "data/shaders/<picture>/" before the common folder "data/shaders/", and one form generator per
// plan ("formgen.<i>.bsf" in the picture's folder; a missing one shares the previous plan's, and
// plan 0 falls back to "formgen.bsf"). A program that loads nowhere is null and the passes that
// draw with it skip their work.
#include <string>

#include "picture/picture_config.h"

class RenderDevice;
class Shader;
namespace loading {
class DataRoot;
}

namespace picture {

struct ProgramSet {
    Shader* paint = nullptr;
    Shader* formgen[kMaxPlans] = {};  // slots may share one program
    Shader* formgen_out = nullptr;
    Shader* background = nullptr;
    Shader* filter = nullptr;
    Shader* color = nullptr;  // loaded and held; no pass draws with it
    Shader* visual = nullptr;
    Shader* color_out = nullptr;
    Shader* surface_out = nullptr;
    Shader* colorgen = nullptr;
    Shader* silhouette = nullptr;
    Shader* deriv = nullptr;
};

// Loads every program of the set for `config` (its name and plan count), in the set's order,
// after destroying what `set` held. Slot 0 of the form generators always holds a program object,
// loaded or not.
void load_program_set(RenderDevice& device, loading::DataRoot& root, const PictureConfig& config,
                      ProgramSet& set);
void destroy_program_set(ProgramSet& set);

// A named program from the picture's folder below `root`, else the common folder; null when neither
// loads.
Shader* load_named_program(RenderDevice& device, loading::DataRoot& root,
                           const std::string& picture_name, const std::string& file_name);

// A program that exists and loaded, so a pass may draw with it.
bool usable(const Shader* program);

}  // namespace picture
