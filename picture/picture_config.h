#pragma once
// The picture's numeric parameters, read from its parameter file
// "data/shaders/<picture>/<picture>.hdr": plain text in which each key is found at its first
// occurrence as "KEY=" followed by a number (blanks allowed after "=", not before it). Other
// text is ignored. Absent keys take their defaults; a key present with an unreadable value is 0.
#include <cstddef>
#include <cstdint>
#include <string>

namespace picture {

inline constexpr int kMaxPlans = 5;

struct PictureConfig {
    std::string name;
    float tex = 0.0f;
    float bump0 = 0.0f;
    float bloor = 0.0f;
    float fltr1 = 0.0f;
    float fltr2 = 0.0f;
    float fltrform = 0.0f;
    float fltrsurf = 0.0f;
    float fltrcol = 0.0f;
    int32_t plans = 0;
    int32_t bgcolor = 0;
    float silhouette = 0.0f;
    float dist = 0.0f;
    float bump1 = 0.0f;
    float bump2 = 0.0f;
};

// One key of the parameter file and the field it fills.
struct ConfigKey {
    const char* key;  // as written before "="
    bool integer;     // "%d" rather than "%f"
    float PictureConfig::*real;
    int32_t PictureConfig::*whole;
    double default_value;
};
// The keys in the order they are read.
const ConfigKey* config_keys(size_t& count);

// Parses the parameter text (`size` bytes, no terminator needed) for the picture `name`.
// PLANS above 5 is taken as 5.
PictureConfig parse_picture_config(const unsigned char* text, size_t size, const std::string& name);

// The parameter file's path for a picture.
std::string parameter_file_path(const std::string& name);

}  // namespace picture
