#include "host/option_table.h"

#include <algorithm>
#include <charconv>

namespace host {

namespace {

std::optional<size_t> find(std::span<const OptionSpec> table, std::string_view name) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].name == name) return i;
    return std::nullopt;
}

bool all_digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string whole(double value) {
    return std::to_string(static_cast<uint64_t>(value));
}

bool value_reads(const OptionSpec& o, std::string_view value) {
    const auto low = static_cast<uint64_t>(o.low), high = static_cast<uint64_t>(o.high);
    switch (o.kind) {
        case ValueKind::text:
            return true;
        case ValueKind::whole:
            return whole_number(value, low, high).has_value();
        case ValueKind::decimal:
            return decimal_number(value, o.low, o.high).has_value();
        case ValueKind::size:
            return size_value(value, static_cast<int>(low), static_cast<int>(high)).has_value();
    }
    return false;
}

// "--speed \"fast\" is not a number from 0 to 4294967295"
std::string refusal(const OptionSpec& o, std::string_view value) {
    const std::string range = " from " + whole(o.low) + " to " + whole(o.high);
    std::string what;
    switch (o.kind) {
        case ValueKind::whole:
            what = "a whole number" + range;
            break;
        case ValueKind::decimal:
            what = "a number" + range;
            break;
        default:
            what = "a size WxH, each side a whole number" + range;
            break;
    }
    return "--" + std::string(o.name) + " \"" + std::string(value) + "\" is not " + what;
}

}  // namespace

std::optional<uint64_t> whole_number(std::string_view text, uint64_t low, uint64_t high) {
    if (!all_digits(text)) return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<float> decimal_number(std::string_view text, double low, double high) {
    const size_t point = text.find('.');
    if (!all_digits(text.substr(0, point)) ||
        (point != std::string_view::npos && !all_digits(text.substr(point + 1))))
        return std::nullopt;
    // The range is checked on the exact value; the float is the nearest one to the text.
    double exact = 0;
    float value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (std::from_chars(first, last, exact).ec != std::errc() ||
        std::from_chars(first, last, value).ec != std::errc() || exact < low || exact > high)
        return std::nullopt;
    return value;
}

std::optional<WidthHeight> size_value(std::string_view text, int low, int high) {
    const size_t x = text.find('x');
    if (x == std::string_view::npos) return std::nullopt;
    const auto lo = static_cast<uint64_t>(low), hi = static_cast<uint64_t>(high);
    const auto w = whole_number(text.substr(0, x), lo, hi);
    const auto h = whole_number(text.substr(x + 1), lo, hi);
    if (!w || !h) return std::nullopt;
    return WidthHeight{static_cast<int>(*w), static_cast<int>(*h)};
}

// True when `word` is an option of the table ("--size", "-seed", "--seed=3").
static bool names_option(std::span<const OptionSpec> table, std::string_view word) {
    if (word.size() < 2 || word[0] != '-') return false;
    std::string_view name = word.substr(word[1] == '-' ? 2 : 1);
    name = name.substr(0, name.find('='));
    return find(table, name).has_value();
}

ParsedOptions parse_options(std::span<const OptionSpec> table, int argc, const char* const* argv) {
    ParsedOptions out;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word.size() < 2 || word[0] != '-') {
            out.words.emplace_back(word);
            continue;
        }
        std::string_view name = word.substr(word[1] == '-' ? 2 : 1);
        std::optional<std::string> inline_value;
        if (const size_t eq = name.find('='); eq != std::string_view::npos) {
            inline_value = std::string(name.substr(eq + 1));
            name = name.substr(0, eq);
        }
        const std::optional<size_t> index = find(table, name);
        if (!index) {
            out.error = "unknown option \"" + std::string(word) + "\" (--help lists the options)";
            return out;
        }
        const OptionSpec& option = table[*index];
        ParsedOption parsed{*index, {}};
        if (!option.value_name.empty()) {
            if (inline_value) {
                parsed.value = *inline_value;
            } else if (i + 1 < argc && !names_option(table, argv[i + 1])) {
                // An option after an option that wants a value ("--render --help") is not
                // that value: taken as one, it would name a folder "--help".
                parsed.value = argv[++i];
            } else {
                out.error = "option --" + std::string(option.name) + " needs " +
                            std::string(option.value_name);
                return out;
            }
            if (!value_reads(option, parsed.value)) {
                out.error = refusal(option, parsed.value);
                return out;
            }
        } else if (inline_value) {
            out.error = "option --" + std::string(option.name) + " takes no value";
            return out;
        }
        out.options.push_back(std::move(parsed));
    }
    return out;
}

void check_run(ParsedOptions& parsed, std::span<const OptionSpec> table, unsigned run) {
    if (!parsed.error.empty()) return;
    for (const ParsedOption& o : parsed.options) {
        const OptionSpec& option = table[o.index];
        if (option.runs & run) continue;
        parsed.error = "option --" + std::string(option.name) +
                       (run == kRenderRun ? " is not for --render" : " is only for --render");
        return;
    }
}

std::optional<std::string> option_value(const ParsedOptions& parsed,
                                        std::span<const OptionSpec> table, std::string_view name) {
    std::optional<std::string> value;
    for (const ParsedOption& o : parsed.options)
        if (table[o.index].name == name) value = o.value;
    return value;
}

bool has_option(const ParsedOptions& parsed, std::span<const OptionSpec> table,
                std::string_view name) {
    return std::any_of(parsed.options.begin(), parsed.options.end(),
                       [&](const ParsedOption& o) { return table[o.index].name == name; });
}

std::optional<uint64_t> whole_option(const ParsedOptions& parsed, std::span<const OptionSpec> table,
                                     std::string_view name) {
    const auto text = option_value(parsed, table, name);
    const auto index = find(table, name);
    if (!text || !index) return std::nullopt;
    return whole_number(*text, static_cast<uint64_t>(table[*index].low),
                        static_cast<uint64_t>(table[*index].high));
}

std::optional<float> decimal_option(const ParsedOptions& parsed, std::span<const OptionSpec> table,
                                    std::string_view name) {
    const auto text = option_value(parsed, table, name);
    const auto index = find(table, name);
    if (!text || !index) return std::nullopt;
    return decimal_number(*text, table[*index].low, table[*index].high);
}

std::optional<WidthHeight> size_option(const ParsedOptions& parsed,
                                       std::span<const OptionSpec> table, std::string_view name) {
    const auto text = option_value(parsed, table, name);
    const auto index = find(table, name);
    if (!text || !index) return std::nullopt;
    return size_value(*text, static_cast<int>(table[*index].low),
                      static_cast<int>(table[*index].high));
}

std::string option_help(std::span<const OptionSpec> table, unsigned runs, bool only) {
    auto listed = [&](const OptionSpec& o) { return only ? o.runs == runs : (o.runs & runs) != 0; };
    size_t width = 0;
    for (const OptionSpec& o : table)
        if (listed(o))
            width = std::max(width,
                             o.name.size() + (o.value_name.empty() ? 0 : o.value_name.size() + 1));
    std::string text;
    for (const OptionSpec& o : table) {
        if (!listed(o)) continue;
        std::string left = "--" + std::string(o.name);
        if (!o.value_name.empty()) left.append(" ").append(o.value_name);
        text +=
            "  " + left + std::string(width + 4 - left.size(), ' ') + std::string(o.help) + "\n";
    }
    return text;
}

}  // namespace host
