#include "host/settings_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "picture/picture.h"

namespace host {

namespace {

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// "NAME=value" with NAME one of the three; anything else is not a setting.
bool split_setting(std::string_view line, std::string_view& name, std::string_view& value) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    name = line.substr(0, eq);
    value = line.substr(eq + 1);
    return name == "PATH" || name == "SPEED" || name == "DELAY";
}

bool make_folders(const std::string& file) {
    for (size_t slash = file.find('/', 1); slash != std::string::npos;
         slash = file.find('/', slash + 1)) {
        const std::string folder = file.substr(0, slash);
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

std::string settings_file_path() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !home[0]) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || !home[0]) return {};
        base = std::string(home) + "/.config";
    }
    return base + "/Korvane/" + picture::kPictureName + "/settings";
}

StoredSettings parse_settings_text(std::string_view text) {
    StoredSettings s;
    s.opened = true;
    bool seen_path = false;
    for (std::string_view line : lines_of(text)) {
        std::string_view name, value;
        if (!split_setting(line, name, value)) continue;
        if (name == "PATH") {
            if (seen_path) continue;
            seen_path = true;
            if (value.size() < kPathBufferSize)
                s.path = std::string(value);
            else
                s.path_too_long = true;
        } else if (name == "SPEED") {
            if (!s.speed) s.speed = field_value(value);
        } else if (!s.delay) {
            s.delay = field_value(value);
        }
    }
    return s;
}

std::string settings_text_with(std::string_view old_text, uint32_t speed, uint32_t delay) {
    std::string out;
    bool wrote_speed = false, wrote_delay = false;
    for (std::string_view line : lines_of(old_text)) {
        std::string_view name, value;
        if (split_setting(line, name, value) && name != "PATH") {
            bool& wrote = name == "SPEED" ? wrote_speed : wrote_delay;
            if (!wrote)
                out += std::string(name) + "=" + std::to_string(name == "SPEED" ? speed : delay) +
                       "\n";
            wrote = true;
            continue;
        }
        out += std::string(line) + "\n";
    }
    if (!wrote_speed) out += "SPEED=" + std::to_string(speed) + "\n";
    if (!wrote_delay) out += "DELAY=" + std::to_string(delay) + "\n";
    return out;
}

StoredSettings read_settings_file(const std::string& path) {
    if (path.empty()) return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return {};
    StoredSettings s = parse_settings_text(text.str());
    if (s.path_too_long)
        std::fprintf(stderr, "brushwright: the PATH in %s is %zu bytes or longer; ignored\n",
                     path.c_str(), kPathBufferSize);
    return s;
}

bool write_settings_file(const std::string& path, uint32_t speed, uint32_t delay) {
    if (path.empty() || !make_folders(path)) return false;
    // A file that cannot be read would lose its PATH when replaced; a read-only one is kept.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), R_OK | W_OK) != 0) return false;
    std::string old_text;
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::ostringstream text;
            text << in.rdbuf();
            old_text = text.str();
        }
    }
    // Write beside the file and rename, so that a failed write leaves the old settings whole.
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << settings_text_with(old_text, speed, delay);
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace host
