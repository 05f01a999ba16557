#pragma once
// Adding the saver to the programs list of a person's ~/.xscreensaver, as a line of the same
// form as xscreensaver's own ("  GL:  brushwright --root  \n\"), leaving every other line as it
// was.
#include <string>
#include <string_view>

namespace host {

enum class ListEdit {
    added,           // `text` is the whole file with the line added
    already_listed,  // an entry (enabled or not) runs a program named brushwright
    no_programs,     // the file has no "programs:" resource
};

// Adds `command` ("brushwright --root", or a full path) as the first entry of the programs list
// in `file_text`. The saver counts as listed when any entry's program is named "brushwright",
// whatever its folder and options.
ListEdit add_to_programs(std::string_view file_text, std::string_view command, std::string& text);

// The whole command line option: edits `path` (backing the old file up to path +
// ".before-brushwright" first), prints what it did on stdout or why it did nothing on stderr.
// 0 when the saver is listed afterwards, 1 when not.
int add_to_xscreensaver_file(const std::string& path, const std::string& command);

}  // namespace host
