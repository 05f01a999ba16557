#pragma once
// A host's command-line options as a table: name, whether it takes a value, help text. Options
// are spelled with one dash or two ("-root", "--root"); a value follows as the next word or
// after "=" ("--speed 30", "--speed=30").
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct OptionSpec {
    std::string_view name;
    std::string_view value_name;  // empty: the option takes no value
    std::string_view help;
};

struct ParsedOption {
    size_t index;  // into the table
    std::string value;
};

struct ParsedOptions {
    std::vector<ParsedOption> options;  // in command-line order
    std::vector<std::string> words;     // everything that is not an option ("/p", "12345", "/s")
    std::string error;                  // one line; empty when the words parsed
};

// Parses argv[1..]: a word starting with "-" is an option and must be in the table.
ParsedOptions parse_options(std::span<const OptionSpec> table, int argc, const char* const* argv);

// The table's last value for option `name`, if given.
std::optional<std::string> option_value(const ParsedOptions& parsed,
                                        std::span<const OptionSpec> table, std::string_view name);
bool has_option(const ParsedOptions& parsed, std::span<const OptionSpec> table,
                std::string_view name);

// One line per option: "  --name VALUE   help".
std::string option_help(std::span<const OptionSpec> table);

}  // namespace host
