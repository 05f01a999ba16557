#pragma once
// The keys of a picture's parameter file. The programs and the names their passes set are in
// picture/pass_table.h.
#include <vector>

namespace kit {

// The keys of the parameter file, in the order they are read.
const std::vector<const char*>& parameter_keys();

}  // namespace kit
