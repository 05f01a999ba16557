#include "shadercode/listing_preprocessor.h"

#include <cctype>
#include <map>

namespace shadercode {
namespace {

constexpr size_t kMaxText = 4u << 20;
constexpr size_t kMaxDefinitions = 1024;
constexpr size_t kMaxDepth = 8;
constexpr size_t kMaxParameters = 8;

struct Macro {
    bool function_like = false;
    std::vector<std::string> parameters;
    std::string body;
};

struct Failure {
    std::string message;
};

bool word_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool word_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

// Where the comment of a line starts ("//" or ";"), or its length.
size_t comment_start(std::string_view line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ';') return i;
        if (line[i] == '/' && i + 1 < line.size() && line[i + 1] == '/') return i;
    }
    return line.size();
}

class Expander {
  public:
    Expander(const IncludeReader& read, ExpandedListing& out) : read_(read), out_(out) {}

    void run(std::string_view text, const std::string& name) {
        if (stack_.size() >= kMaxDepth) throw Failure{"includes nested more than 8 deep"};
        for (const std::string& open : stack_)
            if (open == name) throw Failure{"\"" + name + "\" includes itself"};
        stack_.push_back(name);
        size_t number = 0, pos = 0;
        while (pos <= text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++number;
            where_ = (stack_.size() == 1 ? "line " : name + ":") + std::to_string(number);
            if (!(end == text.size() && line.empty())) take_line(line);
            pos = end + 1;
        }
        stack_.pop_back();
    }

  private:
    void emit(const std::string& line) {
        if (out_.text.size() + line.size() + 1 > kMaxText)
            throw Failure{"the expanded listing exceeds 4 MiB"};
        out_.text += line;
        out_.text += '\n';
        out_.origins.push_back(where_);
    }

    void take_line(std::string_view line) {
        const size_t cut = comment_start(line);
        const std::string code = trim(line.substr(0, cut));
        if (code.empty()) {
            emit(std::string(line));
            return;
        }
        if (code.rfind("include", 0) == 0 && code.size() > 7 &&
            (std::isspace(static_cast<unsigned char>(code[7])) || code[7] == '"')) {
            include(trim(std::string_view(code).substr(7)));
            return;
        }
        if (code[0] == '#') {
            directive(code);
            return;
        }
        const std::string expanded = substitute(code, {});
        const std::string comment(line.substr(cut));
        // A macro's "\n" separates instructions.
        size_t indent = 0;
        while (indent < line.size() && (line[indent] == ' ' || line[indent] == '\t')) ++indent;
        const std::string lead(line.substr(0, indent));
        size_t pos = 0;
        for (;;) {
            size_t next = expanded.find("\\n", pos);
            std::string part = trim(std::string_view(expanded).substr(
                pos, next == std::string::npos ? std::string::npos : next - pos));
            if (next == std::string::npos) {
                emit(lead + part + (comment.empty() ? "" : "  " + comment));
                break;
            }
            if (!part.empty()) emit(lead + part);
            pos = next + 2;
        }
    }

    void include(const std::string& rest) {
        if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"' ||
            rest.find('"', 1) != rest.size() - 1)
            throw Failure{"include needs one name in quotes"};
        const std::string name = rest.substr(1, rest.size() - 2);
        if (name.empty()) throw Failure{"include needs one name in quotes"};
        std::string text;
        if (!read_(name, text)) throw Failure{"can't read included \"" + name + "\""};
        const std::string here = where_;
        run(text, name);
        where_ = here;
    }

    void directive(const std::string& code) {
        size_t p = 1;
        while (p < code.size() && word_char(code[p])) ++p;
        const std::string keyword = code.substr(1, p - 1);
        while (p < code.size() && std::isspace(static_cast<unsigned char>(code[p]))) ++p;
        size_t n = p;
        if (n < code.size() && word_start(code[n]))
            while (n < code.size() && word_char(code[n])) ++n;
        const std::string name = code.substr(p, n - p);
        if (keyword != "define" && keyword != "undef")
            throw Failure{"unknown directive \"#" + keyword + "\""};
        if (name.empty()) throw Failure{"#" + keyword + " needs a name"};
        if (keyword == "undef") {
            if (trim(std::string_view(code).substr(n)) != "")
                throw Failure{"#undef takes one name"};
            macros_.erase(name);
            return;
        }
        Macro macro;
        if (n < code.size() && code[n] == '(') {
            macro.function_like = true;
            size_t close = code.find(')', n);
            if (close == std::string::npos) throw Failure{"#define " + name + ": no ')'"};
            std::string list = code.substr(n + 1, close - n - 1);
            size_t q = 0;
            while (!trim(list).empty()) {
                size_t comma = list.find(',', q);
                std::string parameter = trim(std::string_view(list).substr(
                    q, comma == std::string::npos ? std::string::npos : comma - q));
                if (parameter.empty() || !word_start(parameter[0]))
                    throw Failure{"#define " + name + ": bad parameter list"};
                for (char c : parameter)
                    if (!word_char(c)) throw Failure{"#define " + name + ": bad parameter list"};
                macro.parameters.push_back(parameter);
                if (macro.parameters.size() > kMaxParameters)
                    throw Failure{"#define " + name + ": more than 8 parameters"};
                if (comma == std::string::npos) break;
                q = comma + 1;
            }
            n = close + 1;
        } else if (n < code.size() && !std::isspace(static_cast<unsigned char>(code[n]))) {
            throw Failure{"#define: bad name"};
        }
        macro.body = substitute(trim(std::string_view(code).substr(n)), macro.parameters);
        if (!macros_.count(name) && macros_.size() >= kMaxDefinitions)
            throw Failure{"more than 1024 definitions"};
        macros_[name] = std::move(macro);
    }

    // The arguments of a call whose '(' is at `open`; `end` is set past its ')'.
    std::vector<std::string> arguments(const std::string& code, size_t open, size_t& end,
                                       const std::string& name) {
        std::vector<std::string> args;
        int depth = 0;
        size_t start = open + 1;
        for (size_t i = open; i < code.size(); ++i) {
            char c = code[i];
            if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                args.push_back(trim(std::string_view(code).substr(start, i - start)));
                end = i + 1;
                if (args.size() == 1 && args[0].empty()) args.clear();
                return args;
            } else if (c == ',' && depth == 1) {
                args.push_back(trim(std::string_view(code).substr(start, i - start)));
                start = i + 1;
            }
        }
        throw Failure{name + ": no ')'"};
    }

    // Replaces defined words in `code`, leaving the words in `keep` (a macro's parameters).
    std::string substitute(const std::string& code, const std::vector<std::string>& keep) {
        std::string out;
        size_t i = 0;
        while (i < code.size()) {
            if (!word_start(code[i]) || (i > 0 && word_char(code[i - 1]))) {
                out += code[i++];
                continue;
            }
            size_t e = i;
            while (e < code.size() && word_char(code[e])) ++e;
            const std::string word = code.substr(i, e - i);
            bool kept = false;
            for (const std::string& k : keep) kept = kept || k == word;
            auto found = kept ? macros_.end() : macros_.find(word);
            if (found == macros_.end()) {
                out += word;
                i = e;
                continue;
            }
            const Macro& macro = found->second;
            if (!macro.function_like) {
                out += macro.body;
                i = e;
                continue;
            }
            size_t open = e;
            while (open < code.size() && code[open] == ' ') ++open;
            if (open >= code.size() || code[open] != '(')
                throw Failure{word + " needs its arguments"};
            std::vector<std::string> args = arguments(code, open, i, word);
            if (args.size() != macro.parameters.size())
                throw Failure{word + " takes " + std::to_string(macro.parameters.size()) +
                              " arguments, not " + std::to_string(args.size())};
            for (std::string& a : args) a = substitute(a, keep);
            out += bind(macro, args);
            if (out.size() > kMaxText) throw Failure{"the expanded listing exceeds 4 MiB"};
        }
        return out;
    }

    static std::string bind(const Macro& macro, const std::vector<std::string>& args) {
        std::string out;
        const std::string& body = macro.body;
        size_t i = 0;
        while (i < body.size()) {
            if (!word_start(body[i]) || (i > 0 && word_char(body[i - 1]))) {
                out += body[i++];
                continue;
            }
            size_t e = i;
            while (e < body.size() && word_char(body[e])) ++e;
            const std::string word = body.substr(i, e - i);
            size_t k = 0;
            while (k < macro.parameters.size() && macro.parameters[k] != word) ++k;
            out += k < args.size() ? args[k] : word;
            i = e;
        }
        return out;
    }

    const IncludeReader& read_;
    ExpandedListing& out_;
    std::map<std::string, Macro> macros_;
    std::vector<std::string> stack_;

  public:
    std::string where_;
};

}  // namespace

std::string ExpandedListing::locate(const std::string& message) const {
    size_t at = message.find("line ");
    if (at == std::string::npos) return message;
    size_t p = at + 5, e = p;
    while (e < message.size() && std::isdigit(static_cast<unsigned char>(message[e]))) ++e;
    if (e == p || e - p > 9) return message;
    size_t n = std::stoul(message.substr(p, e - p));
    if (n == 0 || n > origins.size()) return message;
    return message.substr(0, at) + origins[n - 1] + message.substr(e);
}

bool expand_listing(std::string_view text, const std::string& name, const IncludeReader& read,
                    ExpandedListing& out, std::string& error) {
    out = {};
    Expander expander(read, out);
    try {
        expander.run(text, name);
    } catch (const Failure& failure) {
        error = expander.where_ + ": " + failure.message;
        out = {};
        return false;
    }
    return true;
}

}  // namespace shadercode
