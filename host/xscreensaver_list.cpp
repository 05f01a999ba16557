#include "host/xscreensaver_list.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace host {

namespace {

// ~/.xscreensaver is a few tens of kilobytes; anything far larger is not one.
constexpr std::streamoff kMaxFileSize = 4 << 20;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// The lines of `text`, each without its newline.
std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool continues(std::string_view line) {
    line = trim(line);
    return !line.empty() && line.back() == '\\';
}

// The program of one entry: "- "Name" GL:  /path/brushwright --root" gives "/path/brushwright".
std::string_view entry_program(std::string_view entry) {
    entry = trim(entry);
    if (!entry.empty() && entry.front() == '-') entry = trim(entry.substr(1));
    if (!entry.empty() && entry.front() == '"') {
        const size_t close = entry.find('"', 1);
        entry =
            close == std::string_view::npos ? std::string_view() : trim(entry.substr(close + 1));
    }
    size_t end = 0;
    while (end < entry.size() && !is_blank(entry[end])) ++end;
    const std::string_view first = entry.substr(0, end);
    // A visual ("GL:", "default:") comes before the command.
    if (!first.empty() && first.back() == ':' && first.find('/') == std::string_view::npos) {
        entry = trim(entry.substr(end));
        end = 0;
        while (end < entry.size() && !is_blank(entry[end])) ++end;
    }
    return entry.substr(0, end);
}

bool names_brushwright(std::string_view program) {
    const size_t slash = program.rfind('/');
    return program.substr(slash == std::string_view::npos ? 0 : slash + 1) == "brushwright";
}

}  // namespace

ListEdit add_to_programs(std::string_view file_text, std::string_view command, std::string& text) {
    const std::vector<std::string_view> lines = split_lines(file_text);
    size_t header = lines.size();
    size_t value_at = 0;  // where the value starts on the header line
    for (size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
        const std::string_view line = lines[i];
        size_t lead = 0;
        while (lead < line.size() && is_blank(line[lead])) ++lead;
        std::string_view rest = line.substr(lead);
        if (!rest.empty() && rest.front() == '*') rest.remove_prefix(1);
        if (rest.substr(0, 9) == "programs:") {
            header = i;
            value_at = line.size() - rest.size() + 9;
        }
    }
    if (header == lines.size()) return ListEdit::no_programs;

    // The value runs on while a line ends with a backslash; "\n" separates its entries.
    std::string value;
    size_t last = header;
    for (size_t i = header;; ++i) {
        std::string_view part = trim(i == header ? lines[i].substr(value_at) : lines[i]);
        last = i;
        const bool more = continues(part) && i + 1 < lines.size();
        if (!part.empty() && part.back() == '\\') part.remove_suffix(1);
        value += part;
        value += ' ';
        if (!more) break;
    }
    for (size_t start = 0; start <= value.size();) {
        size_t end = value.find("\\n", start);
        if (end == std::string::npos) end = value.size();
        if (names_brushwright(entry_program(std::string_view(value).substr(start, end - start))))
            return ListEdit::already_listed;
        start = end + 2;
    }

    // The new entry goes first. An entry on the header line moves to a line of its own.
    const std::string_view on_header = trim(lines[header].substr(value_at));
    std::string_view header_entry = on_header;
    if (!header_entry.empty() && header_entry.back() == '\\')
        header_entry = trim(header_entry.substr(0, header_entry.size() - 1));
    const bool list_continues = !header_entry.empty() || last > header;
    text.clear();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i != header) {
            text += lines[i];
        } else {
            text += lines[i].substr(0, value_at);
            text += "\t\t\t\t\t\t\t\t      \\\n  GL:\t\t\t\t";
            text += command;
            text += list_continues ? "\t\t\t    \\n\\" : "\t\t\t    \\n";
            if (!header_entry.empty()) {
                text += "\n\t\t\t\t";
                text += on_header;
            }
        }
        if (i + 1 < lines.size() || (!file_text.empty() && file_text.back() == '\n')) text += '\n';
    }
    return ListEdit::added;
}

int add_to_xscreensaver_file(const std::string& path, const std::string& command) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr,
                     "brushwright: there is no %s yet; open xscreensaver-settings once (it "
                     "writes the file), then run this again\n",
                     path.c_str());
        return 1;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxFileSize) {
        std::fprintf(stderr,
                     "brushwright: %s is not an xscreensaver settings file; left as it is\n",
                     path.c_str());
        return 1;
    }
    in.seekg(0);
    std::ostringstream whole;
    whole << in.rdbuf();
    const std::string old_text = whole.str();
    in.close();

    std::string new_text;
    switch (add_to_programs(old_text, command, new_text)) {
        case ListEdit::already_listed:
            std::printf("brushwright: %s already lists brushwright; nothing changed\n",
                        path.c_str());
            return 0;
        case ListEdit::no_programs:
            std::fprintf(stderr,
                         "brushwright: %s has no programs list; open xscreensaver-settings and "
                         "press Save once, then run this again\n",
                         path.c_str());
            return 1;
        case ListEdit::added:
            break;
    }

    struct stat st = {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    const std::string backup = path + ".before-brushwright";
    const std::string fresh = path + ".brushwright-new";
    auto write = [](const std::string& to, const std::string& bytes) {
        std::ofstream out(to, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        return static_cast<bool>(out);
    };
    if (!write(backup, old_text)) {
        std::fprintf(stderr, "brushwright: cannot write the backup %s; %s left as it is\n",
                     backup.c_str(), path.c_str());
        return 1;
    }
    // The new file replaces the old one whole, so a reader never sees half of it.
    if (!write(fresh, new_text) || ::chmod(fresh.c_str(), mode) != 0 ||
        std::rename(fresh.c_str(), path.c_str()) != 0) {
        std::remove(fresh.c_str());
        std::fprintf(stderr, "brushwright: cannot write %s; left as it is\n", path.c_str());
        return 1;
    }
    std::printf(
        "brushwright: added \"GL: %s\" to the programs of %s (the old file is %s); choose "
        "Brushwright in xscreensaver-settings\n",
        command.c_str(), path.c_str(), backup.c_str());
    return 0;
}

}  // namespace host
