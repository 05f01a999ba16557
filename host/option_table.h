#pragma once
// A host's command-line options as a table: name, whether it takes a value and how that value
// is read, which runs take it, help text. Options are spelled with one dash or two ("-root",
// "--root"); a value follows as the next word or after "=" ("--speed 30", "--speed=30").
//
// Numbers are read one way in every run: a whole number is decimal digits only, a decimal
// number digits with an optional fraction ("2.5"); no sign, blanks, exponent or hex. A value
// that is malformed or out of its option's range is refused with one line naming the range.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// The runs an option belongs to (bits).
inline constexpr unsigned kWindowRuns = 1;  // the saver's windows and its terminal settings
inline constexpr unsigned kRenderRun = 2;   // --render
inline constexpr unsigned kEveryRun = kWindowRuns | kRenderRun;

// How an option's value is read.
enum class ValueKind { text, whole, decimal, size };

struct OptionSpec {
    std::string_view name;
    std::string_view value_name;  // empty: the option takes no value
    std::string_view help;
    unsigned runs = kEveryRun;
    ValueKind kind = ValueKind::text;
    // The range of a number, and of each side of a size.
    double low = 0;
    double high = 0;
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

// Parses argv[1..]: a word starting with "-" is an option and must be in the table; a number's
// value is checked as it is read.
ParsedOptions parse_options(std::span<const OptionSpec> table, int argc, const char* const* argv);
// Refuses (in `parsed.error`) an option that the run `run` (one bit) does not take.
void check_run(ParsedOptions& parsed, std::span<const OptionSpec> table, unsigned run);

// The table's last value for option `name`, if given.
std::optional<std::string> option_value(const ParsedOptions& parsed,
                                        std::span<const OptionSpec> table, std::string_view name);
bool has_option(const ParsedOptions& parsed, std::span<const OptionSpec> table,
                std::string_view name);

// The readers, one for each kind of number: nothing for a malformed value or one outside
// [low, high].
std::optional<uint64_t> whole_number(std::string_view text, uint64_t low, uint64_t high);
std::optional<float> decimal_number(std::string_view text, double low, double high);
struct WidthHeight {
    int width = 0;
    int height = 0;
};
std::optional<WidthHeight> size_value(std::string_view text, int low, int high);

// An option's last value read by its kind and range (parse_options has checked it).
std::optional<uint64_t> whole_option(const ParsedOptions& parsed, std::span<const OptionSpec> table,
                                     std::string_view name);
std::optional<float> decimal_option(const ParsedOptions& parsed, std::span<const OptionSpec> table,
                                    std::string_view name);
std::optional<WidthHeight> size_option(const ParsedOptions& parsed,
                                       std::span<const OptionSpec> table, std::string_view name);

// One line per option that a run in `runs` takes (`only`: the options that no other run takes):
// "  --name VALUE   help".
std::string option_help(std::span<const OptionSpec> table, unsigned runs = kEveryRun,
                        bool only = false);

}  // namespace host
