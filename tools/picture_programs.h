#pragma once
// The programs of a picture and the names the painting passes set on them: which sampler slots
// each pass binds ("texSampler0", "texSampler1" ...) and which parameters it sets. The kit's
// commands check a picture's programs against this table.
#include <string>
#include <vector>

namespace kit {

struct PictureProgram {
    const char* file;                 // "paint.bsf"; "formgen" stands for the form generators
    int sampler_slots;                // slots 0 .. sampler_slots - 1 are bound
    std::vector<const char*> params;  // parameters set
    bool core;                        // the saver paints nothing without it
};

// Every program in the order the picture loads them ("formgen" in the form generators' place).
const std::vector<PictureProgram>& picture_programs();

// The form generators' entry of the table.
const PictureProgram& form_generator_program();

// The keys of the parameter file, in the order they are read.
const std::vector<const char*>& parameter_keys();

}  // namespace kit
