#include "host/command_line.h"

#include <limits>

namespace host {

namespace {

// Read as a signed 8-bit number, the byte is 32 or lower: blanks, controls and bytes >= 128.
bool separates(char c) {
    return static_cast<signed char>(c) <= 32;
}

bool is_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

uintptr_t handle_from(int32_t value) {
    return static_cast<uintptr_t>(static_cast<intptr_t>(value));
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size() && text[i] != '\0' && words.size() < kMaxWords) {
        while (i < text.size() && text[i] != '\0' && separates(text[i])) ++i;
        if (i == text.size() || text[i] == '\0') break;
        const size_t start = i;
        while (i < text.size() && !separates(text[i])) ++i;
        words.emplace_back(text.substr(start, i - start));
        if (i == text.size() || text[i] == '\0') break;
        ++i;  // the separator
    }
    return words;
}

int32_t read_decimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate as a negative number so that the most negative value fits.
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < kMin) value = kMin - 1;  // saturated; stays below the range
    }
    if (!negative) value = -value;
    if (value < kMin) return std::numeric_limits<int32_t>::min();
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

RunChoice choose_run_mode(const std::vector<std::string>& words) {
    RunChoice choice;
    if (words.empty()) return choice;
    const std::string& first = words[0];
    if (first == "/p") {
        const std::string second = words.size() > 1 ? words[1] : std::string();
        if (second == "scrprev" || second == "ScrPrev" || second == "SCRPREV") {
            choice.mode = RunMode::preview;
            choice.launch_preview_host = true;
        } else if (words.size() > 1) {
            choice.preview_parent = handle_from(read_decimal(second));
            if (choice.preview_parent != 0) choice.mode = RunMode::preview;
        }
    }
    if (first.compare(0, 3, "/c:") == 0) {
        choice.mode = RunMode::settings;
        choice.preview_parent = 0;
        choice.launch_preview_host = false;
        choice.owner = handle_from(read_decimal(std::string_view(first).substr(3)));
    }
    return choice;
}

}  // namespace host
