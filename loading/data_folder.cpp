#include "loading/data_folder.h"

#include <utility>

namespace {

std::string& folder_text() {
    static std::string folder = ".";
    return folder;
}

}  // namespace

const std::string& loading::data_folder() {
    return folder_text();
}

void loading::set_data_folder(std::string folder) {
    folder_text() = std::move(folder);
}
