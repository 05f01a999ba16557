#include "host/settings_model.h"

#include <cmath>

#include "host/command_line.h"

namespace host {

picture::Settings settings_from_store(const StoredSettings& stored,
                                      std::string_view default_folder) {
    picture::Settings s;
    s.data_folder = std::string(default_folder);
    if (!stored.opened) return s;
    if (stored.path) s.data_folder = *stored.path;
    if (stored.speed) s.speed = static_cast<float>(*stored.speed);
    if (stored.delay) s.delay = static_cast<float>(*stored.delay);
    return s;
}

namespace {

// The in-memory value as the dialog's "%d" of a truncating conversion; values outside the
// 32-bit range (any float read from a large unsigned value) saturate rather than overflow.
std::string truncated_text(float value) {
    if (std::isnan(value)) return "0";
    if (value >= 2147483647.0f) return "2147483647";
    if (value <= -2147483648.0f) return "-2147483648";
    return std::to_string(static_cast<int32_t>(value));
}

std::string field_text(const std::optional<uint32_t>& stored, float in_memory) {
    if (stored) return std::to_string(static_cast<int32_t>(*stored));
    return truncated_text(in_memory);
}

}  // namespace

SettingsFields dialog_fields(const StoredSettings& stored, const picture::Settings& in_memory) {
    if (!stored.opened) return {};
    return {field_text(stored.speed, in_memory.speed), field_text(stored.delay, in_memory.delay)};
}

uint32_t field_value(std::string_view text) {
    return static_cast<uint32_t>(read_decimal(text.substr(0, kFieldCharacters)));
}

std::optional<uint32_t> unsigned_number(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace host
