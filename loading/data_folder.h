#pragma once
// The data folder below which every data file and bank is read. The host sets it from the
// saver's settings at start-up; until it does, it is ".".
#include <string>

namespace loading {

const std::string& data_folder();
void set_data_folder(std::string folder);

}  // namespace loading
