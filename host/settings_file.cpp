#include "host/settings_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

enum class Store { missing, read, unreadable };

// The settings file is read as the data files are: a regular file only (a named pipe or a
// device is never waited on or read), and at most kMaxSettingsBytes.
constexpr size_t kMaxSettingsBytes = 64 * 1024;

Store read_store(const std::string& path, std::string& text, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return Store::missing;
        why = std::strerror(errno);
        return Store::unreadable;
    }
    struct stat st = {};
    Store result = Store::read;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        result = Store::unreadable;
    } else if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        result = Store::unreadable;
    } else if (st.st_size > static_cast<off_t>(kMaxSettingsBytes)) {
        why = "larger than " + std::to_string(kMaxSettingsBytes / 1024) + " KiB";
        result = Store::unreadable;
    }
    text.clear();
    char buffer[4096];
    while (result == Store::read) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            result = Store::unreadable;
        } else if (n == 0) {
            break;
        } else if (text.size() + static_cast<size_t>(n) > kMaxSettingsBytes) {
            why = "larger than " + std::to_string(kMaxSettingsBytes / 1024) + " KiB";
            result = Store::unreadable;  // it grew while being read
        } else {
            text.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return result;
}

// Where a chain of symbolic links at `path` ends (a dangling link's missing target included);
// `path` itself when it is no link. Gives up after 40 links, as the system does.
std::string link_target(std::string path) {
    for (int links = 0; links < 40; ++links) {
        struct stat st = {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string to(static_cast<size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n <= 0 || static_cast<size_t>(n) >= to.size()) return path;
        to.resize(static_cast<size_t>(n));
        if (to[0] == '/')
            path = to;
        else
            path = path.substr(0, path.rfind('/') + 1) + to;
    }
    return path;
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
    bool seen_path = false, seen_speed = false, seen_delay = false;
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
        } else {
            // Written unsigned, read unsigned; a value that is no such number is not there.
            bool& seen = name == "SPEED" ? seen_speed : seen_delay;
            if (!seen) (name == "SPEED" ? s.speed : s.delay) = unsigned_number(value);
            seen = true;
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
    std::string text, why;
    switch (read_store(path, text, why)) {
        case Store::missing:
            return {};
        case Store::unreadable: {
            StoredSettings s;
            s.unreadable = "cannot read " + path + ": " + why;
            return s;
        }
        case Store::read:
            break;
    }
    StoredSettings s = parse_settings_text(text);
    if (s.path_too_long)
        std::fprintf(stderr, "brushwright: the PATH in %s is %zu bytes or longer; ignored\n",
                     path.c_str(), kPathBufferSize);
    return s;
}

bool write_settings_file(const std::string& path, uint32_t speed, uint32_t delay,
                         std::string& error) {
    if (path.empty()) {
        error = "no settings file: neither XDG_CONFIG_HOME nor a home folder is known";
        return false;
    }
    // A link stays a link: the file it leads to is the one replaced.
    const std::string target = link_target(path);
    if (!make_folders(target)) {
        error = "cannot make the folders of " + target + ": " + std::strerror(errno);
        return false;
    }
    std::string old_text, why;
    if (read_store(target, old_text, why) == Store::unreadable) {
        // Overwriting would lose what it holds (the PATH at least).
        error = "cannot read " + target + " (" + why + "), so it is left as it is";
        return false;
    }
    // A file made read-only is kept as it is, although its folder would let it be replaced.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        error = target + " is read-only, so it is left as it is";
        return false;
    }
    struct stat old = {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    // Write a new file beside it and rename: a failed write leaves the old settings whole, and
    // a name planted beside it is never followed.
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot write beside " + target + ": " + std::strerror(errno);
        return false;
    }
    const std::string text = settings_text_with(old_text, speed, delay);
    bool ok = ::fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace host
