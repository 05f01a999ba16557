#pragma once
// The saver's three user settings as a store holds them (the data folder as text, SPEED and
// DELAY as unsigned 32-bit numbers), how a run reads them, and the settings dialog's rules for
// turning them into field text and field text back into stored numbers. The store itself is
// the platform's: the registry on Windows, a small text file on POSIX.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "picture/picture.h"

namespace host {

// "PATH" is read into a 256-byte buffer: a longer value does not read.
inline constexpr size_t kPathBufferSize = 256;
// The dialog reads at most 19 characters of a field.
inline constexpr size_t kFieldCharacters = 19;

struct StoredSettings {
    bool opened = false;              // the store exists and could be read
    std::optional<std::string> path;  // "PATH", when present and readable
    bool path_too_long = false;       // "PATH" is there but does not fit its buffer
    std::optional<uint32_t> speed;    // "SPEED"
    std::optional<uint32_t> delay;    // "DELAY"
    // Why a store that exists could not be read (empty when it was read or is missing). Such a
    // store gives the defaults to a run and must not be overwritten by a save.
    std::string unreadable;
};

// What a run paints with: the stored values where the store has them, else the data folder
// `default_folder` and SPEED 20, DELAY 7. The numbers are converted as unsigned, unchecked.
picture::Settings settings_from_store(const StoredSettings& stored,
                                      std::string_view default_folder = ".");

// The dialog's two edit fields.
struct SettingsFields {
    std::string speed;
    std::string delay;
};

// The fields as the dialog opens: empty when the store cannot be opened; otherwise each stored
// number in signed decimal, or the in-memory value truncated to an integer when it is missing.
SettingsFields dialog_fields(const StoredSettings& stored, const picture::Settings& in_memory);

// A field's text as the number "Save" stores: at most 19 characters, read as a decimal integer
// (0 when there are no digits), kept as its 32-bit pattern (-5 is stored as 4294967291).
uint32_t field_value(std::string_view text);

// A number as the POSIX store writes it and as a person types one on a terminal: decimal
// digits from 0 to 4294967295, blanks allowed around them; nothing for anything else ("-3",
// "fast", "", a value beyond 32 bits).
std::optional<uint32_t> unsigned_number(std::string_view text);

}  // namespace host
