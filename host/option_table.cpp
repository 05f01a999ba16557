#include "host/option_table.h"

#include <algorithm>

namespace host {

namespace {

std::optional<size_t> find(std::span<const OptionSpec> table, std::string_view name) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].name == name) return i;
    return std::nullopt;
}

}  // namespace

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
            } else if (i + 1 < argc) {
                parsed.value = argv[++i];
            } else {
                out.error = "option --" + std::string(option.name) + " needs " +
                            std::string(option.value_name);
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

std::string option_help(std::span<const OptionSpec> table) {
    size_t width = 0;
    for (const OptionSpec& o : table)
        width =
            std::max(width, o.name.size() + (o.value_name.empty() ? 0 : o.value_name.size() + 1));
    std::string text;
    for (const OptionSpec& o : table) {
        std::string left = "--" + std::string(o.name);
        if (!o.value_name.empty()) left.append(" ").append(o.value_name);
        text +=
            "  " + left + std::string(width + 4 - left.size(), ' ') + std::string(o.help) + "\n";
    }
    return text;
}

}  // namespace host
