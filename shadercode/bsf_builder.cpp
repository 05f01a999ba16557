#include "shadercode/bsf_builder.h"

#include <cctype>
#include <map>
#include <sstream>

namespace shadercode {
namespace {

struct LineError {
    std::string message;
};

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// Components of a parameter type: 1..4 for float/half scalars and vectors, 0 for samplers.
int type_components(const std::string& type, const std::string& name) {
    if (starts_with(type, "sampler") || starts_with(type, "texture")) return 0;
    for (const char* base : {"float", "half"}) {
        if (!starts_with(type, base)) continue;
        std::string rest = type.substr(std::string(base).size());
        if (rest.empty()) return 1;
        if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') return rest[0] - '0';
        if (rest.size() == 3 && rest[1] == 'x')
            throw LineError{"matrix parameter \"" + name + "\" cannot be packed"};
    }
    throw LineError{"parameter \"" + name + "\" of type \"" + type + "\" cannot be packed"};
}

uint32_t register_number(const std::string& reg) {
    if (reg.size() < 2 || reg.size() > 4) throw LineError{"bad register \"" + reg + "\""};
    uint32_t n = 0;
    for (size_t i = 1; i < reg.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(reg[i])))
            throw LineError{"bad register \"" + reg + "\""};
        n = n * 10 + uint32_t(reg[i] - '0');
    }
    return n;
}

}  // namespace

bool read_listing_tables(std::string_view listing, ListingTables& out, std::string& error) {
    out = ListingTables{};
    enum class Block { None, Parameters, Registers } block = Block::None;
    std::map<std::string, int> components;  // declared parameters
    std::istringstream in{std::string(listing)};
    std::string raw;
    size_t line = 0;
    try {
        while (std::getline(in, raw)) {
            ++line;
            std::vector<std::string> w = words(raw);
            if (w.empty()) continue;
            if (!starts_with(w[0], "//")) {
                if (starts_with(w[0], ";")) continue;
                break;  // the first instruction ends the header
            }
            if (w[0] != "//")
                w[0] = w[0].substr(2);
            else
                w.erase(w.begin());
            if (w.empty()) continue;
            if (w.size() == 1 && w[0] == "Parameters:") {
                block = Block::Parameters;
                continue;
            }
            if (w.size() == 1 && w[0] == "Registers:") {
                block = Block::Registers;
                continue;
            }
            if (block == Block::Parameters) {
                std::string last = w.back();
                if (last.back() != ';') continue;  // not a declaration
                last.pop_back();
                if (last.empty())
                    w.pop_back(), last = w.empty() ? "" : w.back();
                else
                    w.back() = last;
                size_t first = 0;
                while (first < w.size() && (w[first] == "uniform" || w[first] == "const" ||
                                            w[first] == "row_major" || w[first] == "column_major"))
                    ++first;
                if (w.size() - first != 2) throw LineError{"bad parameter declaration"};
                const std::string& name = w[first + 1];
                if (name.find('[') != std::string::npos)
                    throw LineError{"array parameter \"" + name + "\" cannot be packed"};
                components[name] = type_components(w[first], name);
            } else if (block == Block::Registers) {
                if (w[0] == "Name" || w[0].find_first_not_of('-') == std::string::npos) continue;
                if (w.size() != 3) throw LineError{"a register row is: Name Reg Size"};
                const std::string &name = w[0], &reg = w[1];
                if (name.size() >= kBsfNameBytes) throw LineError{"name \"" + name + "\" too long"};
                auto declared = components.find(name);
                if (declared == components.end())
                    throw LineError{"\"" + name + "\" has no declaration under Parameters"};
                if (w[2] != "1")
                    throw LineError{"\"" + name + "\" uses " + w[2] +
                                    " registers; only 1 can be packed"};
                uint32_t number = register_number(reg);
                if (reg[0] == 'c' && declared->second > 0) {
                    out.constants.push_back({name, uint32_t(declared->second - 1), number});
                } else if (reg[0] == 's' && declared->second == 0) {
                    out.samplers.push_back({name, number});
                } else {
                    throw LineError{
                        "\"" + name + "\" in " + reg +
                        ": only float constants in c# and samplers in s# can be packed"};
                }
            }
        }
    } catch (const LineError& e) {
        error = "line " + std::to_string(line) + ": " + e.message;
        return false;
    }
    return true;
}

bool build_bsf(std::string_view vertex_listing, std::string_view pixel_listing,
               const AssembleOptions& options, BsfFile& out, std::string& error) {
    out = BsfFile{};
    struct Stage {
        std::string_view text;
        const char* name;
        bool pixel;
        std::vector<BsfConstant>& constants;
        std::vector<BsfSampler>& samplers;
        std::vector<uint32_t>& tokens;
    };
    Stage stages[] = {
        {vertex_listing, "vertex", false, out.vertex_constants, out.vertex_samplers,
         out.vertex_tokens},
        {pixel_listing, "pixel", true, out.pixel_constants, out.pixel_samplers, out.pixel_tokens},
    };
    for (Stage& s : stages) {
        ShaderProgram program;
        ListingTables tables;
        std::string why;
        if (!assemble_shader(s.text, options, program, why) ||
            !read_listing_tables(s.text, tables, why)) {
            error = std::string(s.name) + " shader: " + why;
            return false;
        }
        if (program.version.is_pixel() != s.pixel) {
            error = std::string(s.name) + " shader: the listing is a " + program.version.name() +
                    " program";
            return false;
        }
        s.constants = std::move(tables.constants);
        s.samplers = std::move(tables.samplers);
        s.tokens = encode_shader(program);
    }
    return true;
}

}  // namespace shadercode
