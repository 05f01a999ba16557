#include "shadercode/assembler.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "shadercode/shader_names.h"
#include "shadercode/shader_validation.h"

namespace shadercode {
namespace {

// Thrown inside the assembler only, caught by assemble_shader.
struct SyntaxError {
    std::string message;
};

// Messages quote the text at fault; a huge bad token is shown by its start and end only.
constexpr size_t kLongestMessage = 200;

[[noreturn]] void error(std::string message) {
    if (message.size() > kLongestMessage) {
        const size_t tail = 40;
        message = message.substr(0, kLongestMessage - tail) + " ... (" +
                  std::to_string(message.size()) + " characters) ... " +
                  message.substr(message.size() - tail);
    }
    throw SyntaxError{std::move(message)};
}

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(sep, start);
        parts.push_back(trim(std::string_view(s).substr(start, at - start)));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool parse_version(const std::string& word, ShaderVersion& v) {
    if (word.size() != 6 || (word[2] != '_' && word[2] != '.') || word[4] != word[2]) return false;
    std::string stage = word.substr(0, 2);
    if (stage != "vs" && stage != "ps") return false;
    v.type = stage == "ps" ? ShaderType::Pixel : ShaderType::Vertex;
    std::string model = word.substr(3, 1) + word.substr(5, 1);
    if (model == "20") {
        v.major = 2, v.minor = 0;
    } else if (model == "2x") {
        v.major = 2, v.minor = 1;
    } else if (model == "30") {
        v.major = 3, v.minor = 0;
    } else {
        return false;
    }
    return true;
}

// ---- operands -------------------------------------------------------------------------------

// Whether `lower` (lower case) is `name` in any case.
bool same_name(const std::string& lower, const char* name) {
    size_t n = 0;
    for (; name[n] != '\0'; ++n)
        if (n >= lower.size() || lower[n] != std::tolower(static_cast<unsigned char>(name[n])))
            return false;
    return n == lower.size();
}

// A cursor over one lower-cased operand.
class OperandParser {
  public:
    OperandParser(const std::string& text, const ShaderVersion& v) : s_(text), v_(v) {}

    bool done() const { return i_ >= s_.size(); }
    char peek() const { return done() ? '\0' : s_[i_]; }
    bool take(char c) {
        skip_space();
        if (peek() != c) return false;
        ++i_;
        return true;
    }
    bool take_word(const char* w) {
        size_t n = std::strlen(w);
        if (s_.compare(i_, n, w) != 0) return false;
        i_ += n;
        return true;
    }
    void skip_space() {
        while (!done() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    void expect_end() {
        skip_space();
        if (!done()) error("unexpected \"" + s_.substr(i_) + "\" in operand \"" + s_ + "\"");
    }

    void parse_register(RegisterType& type, uint32_t& number, bool& relative,
                        RelativeAddress& rel) {
        skip_space();
        size_t start = i_;
        while (!done() && std::isalpha(static_cast<unsigned char>(peek()))) ++i_;
        std::string name = s_.substr(start, i_ - start);
        const RegisterSpelling* spelling = nullptr;
        for (const RegisterSpelling& r : register_spellings())
            if (same_name(name, r.name)) spelling = &r;
        if (spelling == nullptr) error("unknown register \"" + s_.substr(start) + "\"");
        check_stage(name);
        type = spelling->type;
        relative = false;
        if (spelling->fixed_number >= 0) {
            number = uint32_t(spelling->fixed_number);
        } else {
            number = 0;
            bool digits = parse_number(number);
            if (!digits && peek() != '[') error("register \"" + name + "\" needs a number");
        }
        if (peek() == '[') {
            ++i_;
            parse_index(number, rel);
            relative = true;
        }
    }

    // .xyzw / .rgba; returns the write mask.
    uint8_t parse_mask() {
        if (peek() != '.') return kMaskAll;
        std::string letters = parse_letters();
        uint8_t mask = 0;
        int last = -1;
        for (char c : letters) {
            int lane = component(c, letters);
            if (lane <= last) error("bad write mask \"." + letters + "\"");
            last = lane;
            mask = uint8_t(mask | 1u << lane);
        }
        return mask;
    }

    uint8_t parse_swizzle() {
        if (peek() != '.') return kSwizzleIdentity;
        std::string letters = parse_letters();
        uint8_t swizzle = 0;
        for (unsigned lane = 0; lane < 4; ++lane) {
            char c = letters[lane < letters.size() ? lane : letters.size() - 1];
            swizzle = uint8_t(swizzle | component(c, letters) << (2 * lane));
        }
        return swizzle;
    }

  private:
    void check_stage(const std::string& name) {
        bool vs2 = v_.is_vertex() && !v_.is_3_0();
        if (name == "a" && !v_.is_vertex()) error("a0 exists only in vertex shaders");
        if (name == "t" && !v_.is_pixel()) error("t# registers exist only in pixel shaders");
        if ((name == "opos" || name == "ofog" || name == "opts" || name == "od" || name == "ot") &&
            !vs2)
            error("oPos, oFog, oPts, oD# and oT# exist only in vs_2_0 and vs_2_x");
        if (name == "o" && !(v_.is_vertex() && v_.is_3_0()))
            error("o# registers exist only in vs_3_0");
    }

    bool parse_number(uint32_t& number) {
        size_t start = i_;
        uint32_t n = 0;
        while (!done() && std::isdigit(static_cast<unsigned char>(peek()))) {
            n = n * 10 + uint32_t(peek() - '0');
            if (n > 2047) error("register number too large in \"" + s_ + "\"");
            ++i_;
        }
        number = n;
        return i_ > start;
    }

    // "[a0.x + 12]", "[12 + a0.x]", "[aL]" after the register; adds the offset to `number`.
    void parse_index(uint32_t& number, RelativeAddress& rel) {
        size_t close = s_.find(']', i_);
        if (close == std::string::npos) error("missing ] in \"" + s_ + "\"");
        std::vector<std::string> terms = split(s_.substr(i_, close - i_), '+');
        i_ = close + 1;
        bool have_register = false;
        for (const std::string& term : terms) {
            if (!term.empty() && std::isdigit(static_cast<unsigned char>(term[0]))) {
                char* end = nullptr;
                unsigned long n = std::strtoul(term.c_str(), &end, 10);
                if (*end != '\0') error("relative offset must be an integer in \"" + s_ + "\"");
                if (n + number > 2047) error("relative offset too large in \"" + s_ + "\"");
                number += uint32_t(n);
            } else if (term == "al" || term.rfind("a0", 0) == 0) {
                if (have_register) error("more than one index register in \"" + s_ + "\"");
                have_register = true;
                if (term == "al") {
                    rel = {RegisterType::Loop, 0};
                } else if (term == "a0") {
                    // A bare a0 keeps the default swizzle; the device reads its x.
                    rel = {RegisterType::Addr, 0, kSwizzleIdentity};
                } else if (term.size() >= 4 && term.size() <= 7 && term[2] == '.') {
                    // Encoded as written (the last lane repeats); validation wants one lane.
                    uint8_t swizzle = 0;
                    for (size_t lane = 0; lane < 4; ++lane)
                        swizzle |=
                            uint8_t(component(term[std::min(3 + lane, term.size() - 1)], term)
                                    << (2 * lane));
                    const uint8_t first = swizzle & 3;
                    rel = {RegisterType::Addr, first,
                           uint8_t(swizzle == replicate_swizzle(first) ? 0 : swizzle)};
                } else {
                    error("bad a0 index in \"" + s_ + "\"");
                }
            } else if (term.rfind("al", 0) == 0) {
                error("aL is a scalar and takes no swizzle in \"" + s_ + "\"");
            } else {
                error("only a0.<component> or aL plus an integer offset can index a register (\"" +
                      s_ + "\")");
            }
        }
        if (!have_register) error("relative index without a0 or aL in \"" + s_ + "\"");
    }

    std::string parse_letters() {
        ++i_;  // the '.'
        size_t start = i_;
        while (!done() && std::isalpha(static_cast<unsigned char>(peek()))) ++i_;
        std::string letters = s_.substr(start, i_ - start);
        if (letters.empty() || letters.size() > 4) error("bad component list in \"" + s_ + "\"");
        if (letters.find_first_not_of("xyzwrgba") != std::string::npos)
            error("bad component list \"." + letters + "\"");
        return letters;
    }

    static int component(char c, const std::string& context) {
        switch (c) {
            case 'x':
            case 'r':
                return 0;
            case 'y':
            case 'g':
                return 1;
            case 'z':
            case 'b':
                return 2;
            case 'w':
            case 'a':
                return 3;
            default:
                error("bad component '" + std::string(1, c) + "' in \"" + context + "\"");
        }
    }

    const std::string& s_;
    const ShaderVersion& v_;
    size_t i_ = 0;
};

SourceOperand parse_source(const std::string& text, const ShaderVersion& v) {
    OperandParser p(text, v);
    SourceOperand s;
    bool negate = p.take('-');
    bool logical_not = !negate && p.take('!');
    p.parse_register(s.type, s.number, s.relative, s.relative_address);
    bool abs = p.take_word("_abs");
    s.swizzle = p.parse_swizzle();
    if (!abs) abs = p.take_word("_abs");
    p.expect_end();
    if (logical_not && abs) error("! and _abs cannot be combined in \"" + text + "\"");
    s.modifier = abs           ? (negate ? SourceModifier::AbsNegate : SourceModifier::Abs)
                 : negate      ? SourceModifier::Negate
                 : logical_not ? SourceModifier::Not
                               : SourceModifier::None;
    if (s.type == RegisterType::Loop && s.swizzle != kSwizzleIdentity)
        error("aL is a scalar and takes no swizzle");
    return s;
}

DestinationOperand parse_destination(const std::string& text, const ShaderVersion& v) {
    OperandParser p(text, v);
    DestinationOperand d;
    if (p.peek() == '-' || p.peek() == '!') error("a destination takes no source modifier");
    p.parse_register(d.type, d.number, d.relative, d.relative_address);
    d.write_mask = p.parse_mask();
    p.expect_end();
    return d;
}

// ---- literals -------------------------------------------------------------------------------

bool parse_hex(const std::string& s, uint32_t& bits) {
    if (s.size() < 3 || s.compare(0, 2, "0x") != 0) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(s.c_str() + 2, &end, 16);
    if (*end != '\0' || errno != 0 || v > 0xFFFFFFFFull || !std::isxdigit((unsigned char)s[2]))
        error("bad hex number \"" + s + "\"");
    bits = uint32_t(v);
    return true;
}

uint32_t parse_float(const std::string& text) {
    uint32_t bits;
    if (parse_hex(text, bits)) return bits;
    std::string s = text;
    if (!s.empty() && s.back() == 'f') s.pop_back();
    size_t digit = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (digit >= s.size() || !(std::isdigit((unsigned char)s[digit]) || s[digit] == '.'))
        error("bad number \"" + text + "\"");
    char* end = nullptr;
    float f = std::strtof(s.c_str(), &end);
    if (*end != '\0') error("bad number \"" + text + "\"");
    if (!std::isfinite(f)) error("number out of range \"" + text + "\"");
    std::memcpy(&bits, &f, 4);
    return bits;
}

uint32_t parse_integer(const std::string& s) {
    uint32_t bits;
    if (parse_hex(s, bits)) return bits;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || errno != 0) error("bad integer \"" + s + "\"");
    if (v < INT32_MIN || v > INT32_MAX) error("integer out of range \"" + s + "\"");
    return uint32_t(int32_t(v));
}

uint32_t parse_bool(const std::string& s) {
    if (s == "true") return 1;
    if (s == "false") return 0;
    return parse_integer(s);
}

// ---- instructions ---------------------------------------------------------------------------

void parse_name(const std::string& word, Instruction& ins, const ShaderVersion& v) {
    std::vector<std::string> parts = split(word, '_');
    const std::string& base = parts[0];
    bool found = false;
    if (base == "texldp" || base == "texldb") {
        ins.opcode = Opcode::Tex;
        ins.texld = base == "texldp" ? TexldVariant::Project : TexldVariant::Bias;
        found = true;
    }
    for (const OpcodeInfo& info : opcode_table()) {
        if (!found && base == info.name) {  // the first of if/ifc and break/breakc
            ins.opcode = info.opcode;
            found = true;
        }
    }
    if (!found) error("unknown instruction \"" + word + "\"");
    DestinationOperand& d = ins.destination;
    bool usage_seen = false;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        bool compares =
            ins.opcode == Opcode::If || ins.opcode == Opcode::Break || ins.opcode == Opcode::SetP;
        int cmp = 0;
        for (int c = 1; c < 7; ++c)
            if (p == kComparisonNames[c]) cmp = c;
        if (compares && cmp != 0 && ins.comparison == Comparison::None) {
            ins.comparison = Comparison(cmp);
            continue;
        }
        if (p == "sat" && !d.saturate) {
            d.saturate = true;
            continue;
        }
        if (p == "pp" && !d.partial_precision) {
            d.partial_precision = true;
            continue;
        }
        if (p == "centroid" && !d.centroid) {
            d.centroid = true;
            continue;
        }
        if (ins.opcode == Opcode::Dcl && !usage_seen) {
            usage_seen = true;
            if (p == "2d" || p == "cube" || p == "volume") {
                ins.declaration.sampler_type = p == "2d"     ? SamplerType::Tex2D
                                               : p == "cube" ? SamplerType::Cube
                                                             : SamplerType::Volume;
                continue;
            }
            size_t letters = p.find_first_of("0123456789");
            std::string usage = p.substr(0, letters);
            int u = -1;
            for (int k = 0; k < kUsageCount; ++k)
                if (usage == kUsageNames[k]) u = k;
            if (u >= 0) {
                ins.declaration.usage = Usage(u);
                if (letters != std::string::npos) {
                    std::string index = p.substr(letters);
                    if (index.size() > 2 ||
                        index.find_first_not_of("0123456789") != std::string::npos ||
                        std::stoi(index) > 15)
                        error("bad dcl usage index in \"" + word + "\"");
                    ins.declaration.usage_index = uint8_t(std::stoi(index));
                }
                continue;
            }
        }
        if (p.size() == 2 && p[0] == 'x' && std::isdigit((unsigned char)p[1]))
            error("result shift _" + p + " is not available in " + v.name());
        error("unknown instruction modifier \"_" + p + "\" in \"" + word + "\"");
    }
    if (ins.opcode == Opcode::If && ins.comparison != Comparison::None) ins.opcode = Opcode::IfC;
    if (ins.opcode == Opcode::Break && ins.comparison != Comparison::None)
        ins.opcode = Opcode::BreakC;
    if (ins.opcode == Opcode::SetP && ins.comparison == Comparison::None)
        error("setp needs a comparison (setp_gt, setp_lt, ...)");
    if ((d.saturate || d.partial_precision || d.centroid) &&
        !find_opcode_info(ins.opcode)->has_destination)
        error(base + " takes no result modifier");
}

Instruction parse_instruction(const std::string& line, const ShaderVersion& v) {
    Instruction ins;
    std::string rest = line;
    if (rest[0] == '+') error("co-issue is not available in " + v.name());
    if (rest[0] == '(') {
        size_t close = rest.find(')');
        if (close == std::string::npos) error("missing ) after the predicate");
        ins.predicated = true;
        ins.predicate = parse_source(rest.substr(1, close - 1), v);
        if (ins.predicate.type != RegisterType::Predicate) error("the predicate must be p0 or !p0");
        rest = trim(std::string_view(rest).substr(close + 1));
        if (rest.empty()) error("predicate without an instruction");
    }
    size_t space = rest.find_first_of(" \t");
    std::string word = rest.substr(0, space);
    std::string operand_text = space == std::string::npos ? "" : trim(rest.substr(space));
    parse_name(word, ins, v);
    const OpcodeInfo* info = find_opcode_info(ins.opcode);
    if (!(info->models & v.model_bit()))
        error(std::string(info->name) + " is not available in " + v.name());
    std::vector<std::string> operands;
    if (!operand_text.empty()) operands = split(operand_text, ',');
    for (const std::string& o : operands)
        if (o.empty()) error("missing operand");

    if (ins.opcode == Opcode::Comment) {
        for (const std::string& o : operands) {
            uint32_t bits;
            if (!parse_hex(o, bits)) error("comment dwords are hex numbers (0x...)");
            ins.comment.push_back(bits);
        }
        if (ins.comment.size() > 0x7FFF) error("comment too long");
        return ins;
    }
    unsigned sources = opcode_source_count(ins.opcode, v);
    unsigned literals = opcode_literal_count(ins.opcode);
    unsigned expected = (info->has_destination ? 1 : 0) + sources + literals;
    if (operands.size() != expected)
        error(word + " takes " + std::to_string(expected) + " operand" +
              (expected == 1 ? "" : "s") + " in " + v.name() + ", not " +
              std::to_string(operands.size()));
    size_t k = 0;
    ins.has_destination = info->has_destination;
    if (ins.has_destination) {
        DestinationOperand parsed = parse_destination(operands[k++], v);
        parsed.saturate = ins.destination.saturate;
        parsed.partial_precision = ins.destination.partial_precision;
        parsed.centroid = ins.destination.centroid;
        ins.destination = parsed;
    }
    for (unsigned i = 0; i < sources; ++i) ins.sources.push_back(parse_source(operands[k++], v));
    for (unsigned i = 0; i < literals; ++i, ++k) {
        std::string literal = operands[k];  // "- 1" is -1
        if (literal.size() > 1 && (literal[0] == '-' || literal[0] == '+'))
            literal = literal[0] + trim(std::string_view(literal).substr(1));
        ins.literal[i] = ins.opcode == Opcode::Def    ? parse_float(literal)
                         : ins.opcode == Opcode::DefI ? parse_integer(literal)
                                                      : parse_bool(literal);
    }
    return ins;
}

}  // namespace

bool assemble_shader(std::string_view text, const AssembleOptions& options, ShaderProgram& program,
                     std::string& error_text) {
    program = ShaderProgram{};
    std::vector<size_t> lines;  // source line of each instruction
    bool have_version = false;
    size_t line_number = 0;
    size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;  // a UTF-8 byte order mark
    try {
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view raw = text.substr(start, end - start);
            start = end + 1;
            ++line_number;
            size_t cut = std::min(raw.find("//"), raw.find(';'));
            std::string line = lower(trim(raw.substr(0, std::min(cut, raw.size()))));
            if (line.empty()) continue;
            if (!have_version) {
                if (!parse_version(line, program.version))
                    error(
                        "expected a version line (vs_2_0, vs_2_x, vs_3_0, ps_2_0, ps_2_x, "
                        "ps_3_0) before \"" +
                        line + "\"");
                have_version = true;
                continue;
            }
            ShaderVersion again;
            if (parse_version(line, again)) error("a second version line");
            Instruction ins = parse_instruction(line, program.version);
            std::string why;
            if (!check_instruction(program.version, ins, why)) error(why);
            program.instructions.push_back(std::move(ins));
            lines.push_back(line_number);
        }
        if (!have_version) error("no version line");
    } catch (const SyntaxError& e) {
        error_text = "line " + std::to_string(line_number) + ": " + e.message;
        return false;
    }
    if (options.validate) {
        std::string why;
        size_t where = 0;
        if (!validate_shader(program, why, where)) {
            size_t line = where < lines.size() ? lines[where] : line_number;
            error_text = "line " + std::to_string(line) + ": " + why;
            return false;
        }
    }
    return true;
}

bool assemble_shader(std::string_view text, const AssembleOptions& options,
                     std::vector<uint32_t>& tokens, std::string& error_text) {
    ShaderProgram program;
    tokens.clear();
    if (!assemble_shader(text, options, program, error_text)) return false;
    tokens = encode_shader(program);
    return true;
}

}  // namespace shadercode
