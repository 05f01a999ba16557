#pragma once
// The settings store on POSIX: the registry key's three values kept as a small text file,
// $XDG_CONFIG_HOME/Korvane/<picture>/settings (default ~/.config/...), one "NAME=value" line
// each for PATH, SPEED and DELAY. Numbers are written and read as unsigned 32-bit decimals; a
// number that is not one (hand-edited "-5", "fast") reads as missing.
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

// A missing file is a store that cannot be opened (the defaults). One that exists but is no
// readable regular file of at most 64 KiB gives the defaults too, with `unreadable` saying why.
StoredSettings read_settings_file(const std::string& path);
// Stores SPEED and DELAY, keeping the rest of the file; creates the folders. A symbolic link
// stays: the file it leads to is replaced. False, with `error` set and nothing changed, when
// the file exists but cannot be read (saving would lose its PATH) or cannot be written.
bool write_settings_file(const std::string& path, uint32_t speed, uint32_t delay,
                         std::string& error);

}  // namespace host
