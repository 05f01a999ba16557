#include "picture/picture_config.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

using picture::ConfigKey;
using picture::PictureConfig;

constexpr ConfigKey kKeys[] = {
    {"PLANS", true, nullptr, &PictureConfig::plans, 0},
    {"TEX", false, &PictureConfig::tex, nullptr, 0},
    {"DIST", false, &PictureConfig::dist, nullptr, 0.2},
    {"SILHOUETTE", false, &PictureConfig::silhouette, nullptr, 0},
    {"BUMP0", false, &PictureConfig::bump0, nullptr, 0.1},
    {"BUMP1", false, &PictureConfig::bump1, nullptr, 0},
    {"BUMP2", false, &PictureConfig::bump2, nullptr, 0},
    {"FLTR1", false, &PictureConfig::fltr1, nullptr, 0},
    {"FLTR2", false, &PictureConfig::fltr2, nullptr, 0},
    {"FLTRFORM", false, &PictureConfig::fltrform, nullptr, 0},
    {"FLTRSURF", false, &PictureConfig::fltrsurf, nullptr, 0},
    {"FLTRCOL", false, &PictureConfig::fltrcol, nullptr, 0},
    {"BLOOR", false, &PictureConfig::bloor, nullptr, 0},
    {"BGCOLOR", true, nullptr, &PictureConfig::bgcolor, 1},
};

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The number that starts at `at` after optional blanks, as the scan formats read it: "%d" or
// "%f". The text is copied into a terminated buffer first, so no read goes past the file's
// bytes. False when no number starts there.
bool scan_number(std::string_view rest, bool integer, double& value) {
    size_t i = 0;
    while (i < rest.size() && is_blank(rest[i])) ++i;
    char buffer[128];
    const size_t n = std::min(rest.size() - i, sizeof buffer - 1);
    std::memcpy(buffer, rest.data() + i, n);
    buffer[n] = '\0';
    char* end = nullptr;
    if (integer) {
        const long long v = std::strtoll(buffer, &end, 10);
        if (end == buffer) return false;
        // "%d" stores the low 32 bits of what it read; keep it in range instead.
        value = static_cast<double>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
    } else {
        const float v = std::strtof(buffer, &end);
        if (end == buffer) return false;
        value = v;
    }
    return true;
}

}  // namespace

const ConfigKey* picture::config_keys(size_t& count) {
    count = std::size(kKeys);
    return kKeys;
}

PictureConfig picture::parse_picture_config(const unsigned char* text, size_t size,
                                            const std::string& name) {
    PictureConfig config;
    config.name = name;
    const std::string_view all(reinterpret_cast<const char*>(text), text ? size : 0);
    for (const ConfigKey& k : kKeys) {
        const std::string pattern = std::string(k.key) + "=";
        const size_t at = all.find(pattern);
        double value = k.default_value;
        if (at != std::string_view::npos &&
            !scan_number(all.substr(at + pattern.size()), k.integer, value))
            value = 0;  // present but unreadable
        if (k.integer)
            config.*k.whole = static_cast<int32_t>(value);
        else
            config.*k.real = static_cast<float>(value);
    }
    config.plans = std::min(config.plans, kMaxPlans);
    return config;
}

std::string picture::parameter_file_path(const std::string& name) {
    return "data/shaders/" + name + "/" + name + ".hdr";
}
