#pragma once
// The settings store on POSIX: the registry key's three values kept as a small text file,
// $XDG_CONFIG_HOME/Korvane/<picture>/settings (default ~/.config/...), one "NAME=value" line
// each for PATH, SPEED and DELAY. Numbers are read with the settings dialog's rules (so "-5"
// reads as 4294967291 and text without digits as 0) and written as unsigned decimals.
#include <cstdint>
#include <string>
#include <string_view>

#include "host/settings_model.h"

namespace host {

// The store's file name; empty when neither XDG_CONFIG_HOME nor a home folder is known.
std::string settings_file_path();

// The text form, both ways. Unknown lines are kept by a save and ignored by a read; the first
// line of a name counts. A PATH of 256 bytes or more does not read.
StoredSettings parse_settings_text(std::string_view text);
std::string settings_text_with(std::string_view old_text, uint32_t speed, uint32_t delay);

// An unreadable or missing file is a store that cannot be opened (the defaults).
StoredSettings read_settings_file(const std::string& path);
// Stores SPEED and DELAY, keeping the rest of the file; creates the folders. False when the
// file cannot be written, in which case nothing is stored.
bool write_settings_file(const std::string& path, uint32_t speed, uint32_t delay);

}  // namespace host
