#pragma once
// Shared parts of shader listings, expanded before assembly:
//
//   include "strokes.inc.asm"     the whole of another listing, read through `read` (nested
//                                 up to 8 deep; a file that includes itself is refused)
//   #define CELL 0.017            from here on, the word CELL in code stands for "0.017"
//   #define LAY(a) mad a, c6.x, c22.x, c22.y   a macro of up to 8 parameters
//   #undef CELL
//
// A name is a word of letters, digits and '_' that does not start with a digit; it is replaced
// only as a whole word and only outside comments ("//" and ";"). Values are expanded when they
// are defined, so a definition may use earlier ones and never recurses. A macro's value may hold
// several instructions separated by " \n " (written as "\n" in the definition), which become
// separate lines. Comment lines are kept as they are, so a listing's tables read the same.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace shadercode {

struct ExpandedListing {
    std::string text;
    // Where each line of `text` came from: "line N" of the listing itself, "FILE:N" of an
    // included one.
    std::vector<std::string> origins;

    // "line N" of an assembler message turned into the line's origin; the message otherwise.
    std::string locate(const std::string& message) const;
};

// Reads an included file by the name written in the listing; false when it cannot be read.
using IncludeReader = std::function<bool(const std::string& name, std::string& text)>;

// On failure returns false with "line N: message" (or "FILE:N: message") in `error`. `name`
// names the listing itself when it includes itself. The expanded text is bounded
// (4 MiB) as are the definitions (1024) and the nesting.
bool expand_listing(std::string_view text, const std::string& name, const IncludeReader& read,
                    ExpandedListing& out, std::string& error);

}  // namespace shadercode
