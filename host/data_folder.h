#pragma once
// Where the sample picture's data is when the settings name no data folder: the build's own
// data root for a program run from the build folder, else the installed share/brushwright
// beside the program's prefix.
#include <string>

namespace host {

std::string sample_data_folder();

}  // namespace host
