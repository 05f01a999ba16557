// brushwright-kit picture check DATAROOT [--name PICTURE] [--strict]
// Reads a data root as the saver does and reports, one line each: the parameter values, each
// program's load result (validated as the saver validates it), the names it and the passes
// disagree on and whether its loops make it far too slow, each image's size and the bank counts.
// Exit 0 when the saver would paint (1 with --strict also on any warning).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "loading/bank_images.h"
#include "loading/data_file.h"
#include "loading/data_root.h"
#include "loading/image_files.h"
#include "loading/jpeg_decoder.h"
#include "picture/pass_table.h"
#include "shadercode/bsf_file.h"
#include "shadercode/shader_model.h"
#include "shadercode/shader_validation.h"
#include "tools/kit_commands.h"
#include "tools/picture_programs.h"

namespace {

constexpr const char* kUsage = "picture check DATAROOT [--name PICTURE] [--strict]";

struct Report {
    int warnings = 0;
    int errors = 0;
    void warn(const std::string& line) {
        std::printf("warning: %s\n", line.c_str());
        ++warnings;
    }
    void error(const std::string& line) {
        std::printf("error: %s\n", line.c_str());
        ++errors;
    }
};

// The parameter file read as the saver reads it: the first "KEY=" anywhere, then its number.
int check_parameters(loading::DataRoot& data, const std::string& name, Report& report) {
    const std::string path = "data/shaders/" + name + "/" + name + ".hdr";
    int32_t size = 0;
    const loading::ByteBuffer bytes = loading::load_data_file(data, path, size);
    if (!bytes || size < 0) {
        report.error("parameter file \"" + path + "\" can't be read");
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(bytes.get()), static_cast<size_t>(size));
    std::set<std::string> known;
    int plans = 0;
    for (const char* key : kit::parameter_keys()) {
        known.insert(key);
        const std::string marker = std::string(key) + "=";
        const size_t at = text.find(marker);
        if (at == std::string::npos) {
            std::printf("parameter %s absent (default)\n", key);
            continue;
        }
        const std::string rest = text.substr(at + marker.size());
        const bool integer = std::strcmp(key, "PLANS") == 0 || std::strcmp(key, "BGCOLOR") == 0;
        if (integer) {
            int v = 0;
            if (std::sscanf(rest.c_str(), "%d", &v) != 1) {
                report.warn(std::string("parameter ") + key + "= unreadable, taken as 0");
                continue;
            }
            std::printf("parameter %s=%d\n", key, v);
            if (std::strcmp(key, "PLANS") == 0) plans = v;
        } else {
            float v = 0;
            if (std::sscanf(rest.c_str(), "%f", &v) != 1) {
                report.warn(std::string("parameter ") + key + "= unreadable, taken as 0");
                continue;
            }
            std::printf("parameter %s=%g\n", key, static_cast<double>(v));
        }
    }
    // Other words written like keys: upper-case letters and digits directly before "=".
    for (size_t at = text.find('='); at != std::string::npos; at = text.find('=', at + 1)) {
        size_t begin = at;
        while (begin > 0 && (std::isupper(static_cast<unsigned char>(text[begin - 1])) ||
                             std::isdigit(static_cast<unsigned char>(text[begin - 1])) ||
                             text[begin - 1] == '_'))
            --begin;
        const std::string word = text.substr(begin, at - begin);
        if (!word.empty() && known.count(word) == 0)
            report.warn("parameter file: unknown key \"" + word + "=\"");
    }
    if (plans < 1) report.error("PLANS is below 1: the saver paints nothing");
    if (plans > 5) report.warn("PLANS above 5 is taken as 5");
    return plans > 5 ? 5 : plans;
}

bool read_program(loading::DataRoot& data, const std::string& path, shadercode::BsfFile& file,
                  std::string& error) {
    int32_t size = 0;
    const loading::ByteBuffer bytes = loading::load_data_file(data, path, size);
    if (!bytes || size < 0) {
        error = "not found";
        return false;
    }
    if (static_cast<size_t>(size) > shadercode::kMaxProgramFileBytes) {
        error = "the saver refuses it: " + std::to_string(size) +
                " bytes, more than any program can be";
        return false;
    }
    if (!shadercode::read_bsf(bytes.get(), static_cast<size_t>(size), file, error)) return false;
    // The saver loads only what validates.
    if (!shadercode::validate_stream(file.vertex_tokens, false, error) ||
        !shadercode::validate_stream(file.pixel_tokens, true, error)) {
        error = "the saver refuses it: " + error;
        return false;
    }
    return true;
}

// A program whose loops multiply out beyond what a shader model 3 run is guaranteed to execute
// (65535 instructions) takes far too long for a frame, or stalls the device.
void check_cost(const std::string& label, const shadercode::BsfFile& file, Report& report) {
    for (const auto* tokens : {&file.vertex_tokens, &file.pixel_tokens}) {
        shadercode::ShaderProgram program;
        std::string why;
        if (!shadercode::decode_shader(tokens->data(), tokens->size(), program, why)) continue;
        const double n = shadercode::executed_instructions(program);
        if (n > 65535)
            report.warn(label + ": its " + (tokens == &file.pixel_tokens ? "pixel" : "vertex") +
                        " program runs up to " + std::to_string(static_cast<long long>(n)) +
                        " instructions (loops multiplied out), more than the 65535 a run is "
                        "sure of: far too slow for a frame");
    }
}

// Compares what the passes set with what the program declares.
void compare_names(const std::string& label, const shadercode::BsfFile& file,
                   const picture::PassProgram& entry, Report& report) {
    std::set<std::string> declared_params, declared_samplers;
    for (const auto& c : file.vertex_constants) declared_params.insert(c.name);
    for (const auto& c : file.pixel_constants) declared_params.insert(c.name);
    for (const auto& s : file.pixel_samplers) declared_samplers.insert(s.name);
    std::set<std::string> set_params(entry.params.begin(), entry.params.end()), set_samplers;
    for (int slot = 0; slot < entry.sampler_slots; ++slot)
        set_samplers.insert("texSampler" + std::to_string(slot));
    std::string not_declared, not_set;
    for (const auto& n : set_params)
        if (!declared_params.count(n)) not_declared += " " + n;
    for (const auto& n : set_samplers)
        if (!declared_samplers.count(n)) not_declared += " " + n;
    for (const auto& n : declared_params)
        if (!set_params.count(n)) not_set += " " + n;
    for (const auto& n : declared_samplers)
        if (!set_samplers.count(n)) not_set += " " + n;
    if (!not_declared.empty())
        report.warn(label + ": set by its pass, not declared:" + not_declared);
    if (!not_set.empty()) report.warn(label + ": declared, set by no pass:" + not_set);
}

void check_programs(loading::DataRoot& data, const std::string& name, int plans, Report& report) {
    const std::string folder = "data/shaders/" + name + "/";
    for (const picture::PassProgram& entry : picture::pass_table()) {
        if (std::strcmp(entry.file, "formgen") == 0) {
            // One form generator per plan; a missing one shares the plan before it, plan 0
            // falls back to formgen.bsf.
            std::string previous;
            for (int i = 0; i < std::max(plans, 1); ++i) {
                std::string path = folder + "formgen." + std::to_string(i) + ".bsf";
                shadercode::BsfFile file;
                std::string error;
                if (!read_program(data, path, file, error)) {
                    if (i > 0 && !previous.empty()) {
                        std::printf("program formgen.%d.bsf: %s, plan %d uses %s\n", i,
                                    error.c_str(), i, previous.c_str());
                        continue;
                    }
                    const std::string fallback = folder + "formgen.bsf";
                    if (!read_program(data, fallback, file, error)) {
                        report.error("program " + fallback + ": " + error +
                                     ": plan 0 has no form generator");
                        continue;
                    }
                    path = fallback;
                }
                std::printf("program %s: loads (%zu constants, %zu samplers)\n", path.c_str(),
                            file.pixel_constants.size() + file.vertex_constants.size(),
                            file.pixel_samplers.size());
                compare_names(path, file, entry, report);
                check_cost(path, file, report);
                previous = path;
            }
            continue;
        }
        std::string path = folder + entry.file;
        shadercode::BsfFile file;
        std::string error;
        if (!read_program(data, path, file, error)) {
            std::string common_error;
            const std::string common = std::string("data/shaders/") + entry.file;
            if (!read_program(data, common, file, common_error)) {
                const std::string line = "program " + std::string(entry.file) + ": " + error +
                                         (entry.core ? "" : ": its passes are skipped");
                entry.core ? report.error(line) : report.warn(line);
                continue;
            }
            path = common;
        }
        std::printf("program %s: loads (%zu constants, %zu samplers)\n", path.c_str(),
                    file.pixel_constants.size() + file.vertex_constants.size(),
                    file.pixel_samplers.size());
        compare_names(path, file, entry, report);
        check_cost(path, file, report);
    }
}

// Warns of an image whose header claims more than the saver decodes: it is decoded smaller, or
// not at all. The saver's limit depends on the card and the working size; the smallest is used.
void check_claimed_size(const std::string& label, loading::ImageFormat format,
                        const unsigned char* bytes, size_t size, Report& report) {
    int width = 0, height = 0;
    if (!loading::claimed_image_size(format, bytes, size, width, height)) return;
    if (width <= loading::kLargestImageSide && height <= loading::kLargestImageSide) return;
    report.warn(label + ": " + std::to_string(width) + " x " + std::to_string(height) +
                " claimed, sides above " + std::to_string(loading::kLargestImageSide) +
                " are decoded smaller or refused");
}

void check_named_image(loading::DataRoot& data, const std::string& path, Report& report) {
    int width = 0, height = 0;
    size_t size = 0;
    const loading::ImageFormat format = loading::image_format_for_path(path);
    const loading::ByteBuffer bytes = loading::read_image_bytes(data, path, size);
    if (bytes) check_claimed_size("image " + path, format, bytes.get(), size, report);
    const loading::PixelBuffer pixels =
        bytes ? loading::decode_image(format, bytes.get(), size, path, width, height) : nullptr;
    if (!pixels) {
        report.warn("image " + path + ": can't be read or decoded");
        return;
    }
    std::printf("image %s: %d x %d\n", path.c_str(), width, height);
}

void check_bank(loading::DataRoot& data, const char* bank, int kind, bool needed, Report& report) {
    int count = 0;
    size_t size = 0;
    loading::load_bank_record(data, 1, kind, size, count);
    if (count <= 0) {
        if (needed)
            report.warn(std::string("bank data/") + bank + ": no images");
        else
            std::printf("bank data/%s: no images\n", bank);
        return;
    }
    std::map<std::string, int> sizes;
    for (int n = 1; n <= count; ++n) {
        int width = 0, height = 0, c = 0;
        const std::string label = std::string("bank data/") + bank + " image " + std::to_string(n);
        const loading::ByteBuffer bytes = loading::load_bank_record(data, n, kind, size, c);
        if (bytes)
            check_claimed_size(label, loading::ImageFormat::kJpeg, bytes.get(), size, report);
        if (!bytes || !loading::decode_jpeg(bytes.get(), size, width, height)) {
            report.warn(label + ": can't be decoded");
            continue;
        }
        ++sizes[std::to_string(width) + " x " + std::to_string(height)];
    }
    std::string summary;
    for (const auto& [text, n] : sizes)
        summary.append(" ").append(std::to_string(n)).append(" of ").append(text).append(",");
    if (!summary.empty()) summary.pop_back();
    std::printf("bank data/%s: %d images:%s\n", bank, count, summary.c_str());
}

}  // namespace

int kit::run_picture_check(int argc, char** argv) {
    std::string root, name = "Farmeadow";
    bool strict = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--name") == 0 && i + 1 < argc) {
            name = argv[++i];
        } else if (std::strcmp(argv[i], "--strict") == 0) {
            strict = true;
        } else if (argv[i][0] != '-' && root.empty()) {
            root = argv[i];
        } else {
            return kit::usage(kUsage);
        }
    }
    if (root.empty()) return kit::usage(kUsage);
    loading::DataRoot data(root);
    Report report;
    const int plans = check_parameters(data, name, report);
    check_programs(data, name, plans, report);
    check_named_image(data, "data/shaders/oil3.jpg", report);
    check_named_image(data, "data/shaders/sig3.tga", report);
    check_bank(data, "Base1", loading::kColourImages, true, report);
    check_bank(data, "Base2", loading::kFormImages, false, report);
    check_bank(data, "Base4", loading::kFactureImages, true, report);
    std::printf("picture check: %d errors, %d warnings: %s\n", report.errors, report.warnings,
                report.errors == 0 ? "the saver paints" : "the saver would not paint");
    if (report.errors > 0) return 1;
    return strict && report.warnings > 0 ? 1 : 0;
}
