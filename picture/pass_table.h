#pragma once
// The one description of a picture's passes: every program the picture loads, in load order,
// with the parameters and sampler slots its passes set on it and the passes that draw with it.
// The engine loads its program set from this table and checks each program against it; the kit
// checks a picture's programs against it. It names no device type, so any tool may read it.
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace picture {

struct PassProgram {
    const char* file;   // "paint.bsf"; "formgen" stands for the per-plan form generators
    int sampler_slots;  // sampler slots 0 .. sampler_slots - 1 ("texSampler<i>") are bound
    std::initializer_list<const char*> params;  // parameters the passes set
    bool core;                                  // the saver paints nothing without it
    const char* passes;                         // the passes that set and draw with it
};

// Every program in the order the picture loads them.
std::span<const PassProgram> pass_table();

// The form generators' entry ("formgen").
const PassProgram& form_generator_entry();

// The entry for the program file `file`, or null.
const PassProgram* find_pass_program(const std::string& file);

// The names `entry` sets that are missing from `declared_params` / `declared_samplers`, each
// preceded by a space; empty when every name is declared.
std::string undeclared_names(const PassProgram& entry,
                             const std::vector<std::string>& declared_params,
                             const std::vector<std::string>& declared_samplers);

}  // namespace picture
