// brushwright-kit pass: draws one pass of a shader program on the headless device and writes
// the result as PNG, top row first.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "tools/image_io.h"
#include "tools/kit_commands.h"

namespace {

constexpr char kUsage[] =
    "pass FILE.bsf --size WxH [--texture SLOT=IMAGE]... [--param NAME=v[,v,v,v]]... "
    "[--filter SLOT=0|1] [--address SLOT=0|1|2] -o OUT.png";

bool parse_float(const std::string& text, float& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtof(text.c_str(), &end);
    return *end == '\0';
}

// "SLOT=VALUE" with SLOT 0..15.
bool split_slot(const char* arg, int& slot, std::string& value) {
    const std::string text(arg);
    const size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    value = text.substr(eq + 1);
    return kit::parse_int(text.substr(0, eq), 0, 15, slot) && !value.empty();
}

}  // namespace

int kit::run_pass(int argc, char** argv) {
    std::string program_path, out_path;
    int width = 0, height = 0;
    std::map<int, std::string> images;
    std::map<int, TextureFilter> filters;
    std::map<int, TextureAddress> addresses;
    std::vector<std::pair<std::string, std::vector<float>>> params;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        int slot = 0;
        std::string value;
        if (arg == "--size" && has_value) {
            const std::string size = argv[++i];
            const size_t x = size.find('x');
            if (x == std::string::npos || !kit::parse_int(size.substr(0, x), 1, 16384, width) ||
                !kit::parse_int(size.substr(x + 1), 1, 16384, height))
                return kit::usage(kUsage);
        } else if (arg == "--texture" && has_value) {
            if (!split_slot(argv[++i], slot, value)) return kit::usage(kUsage);
            images[slot] = value;
        } else if ((arg == "--filter" || arg == "--address") && has_value) {
            int kind = 0;
            if (!split_slot(argv[++i], slot, value) ||
                !kit::parse_int(value, 0, arg == "--filter" ? 1 : 2, kind))
                return kit::usage(kUsage);
            if (arg == "--filter")
                filters[slot] = static_cast<TextureFilter>(kind);  // checked 0 to 1 above
            else
                addresses[slot] = static_cast<TextureAddress>(kind);  // 0 to 2
        } else if (arg == "--param" && has_value) {
            const std::string text = argv[++i];
            const size_t eq = text.find('=');
            if (eq == std::string::npos || eq == 0) return kit::usage(kUsage);
            std::vector<float> values;
            size_t at = eq + 1;
            while (true) {
                const size_t comma = text.find(',', at);
                float v = 0;
                if (!parse_float(text.substr(at, comma - at), v)) return kit::usage(kUsage);
                values.push_back(v);
                if (comma == std::string::npos) break;
                at = comma + 1;
            }
            if (values.size() > 4) return kit::usage(kUsage);
            params.emplace_back(text.substr(0, eq), values);
        } else if (arg == "-o" && has_value) {
            out_path = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && program_path.empty()) {
            program_path = arg;
        } else {
            return kit::usage(kUsage);
        }
    }
    if (program_path.empty() || out_path.empty() || width == 0) return kit::usage(kUsage);

    RenderDevice device;
    if (device.create(0, width, height, 60, false) != RenderDevice::CreateResult::created) {
        std::fprintf(stderr, "pass: no graphics device\n");
        return 1;
    }
    device.set_work_size(width, height);
    Shader* shader = device.new_shader();
    if (!shader->load_file(program_path)) return 1;

    for (const auto& [slot, path] : images) {
        int w = 0, h = 0;
        const loading::PixelBuffer rgba = kit::read_image_file(path, w, h);
        if (!rgba) return 1;
        Texture* t = device.new_texture();
        const TextureFilter filter = filters.count(slot) ? filters[slot] : TextureFilter::linear;
        const TextureAddress address =
            addresses.count(slot) ? addresses[slot] : TextureAddress::clamp;
        if (!t->upload(rgba.get(), w, h, filter, address)) {
            std::fprintf(stderr, "pass: can't make a texture of \"%s\"\n", path.c_str());
            return 1;
        }
        shader->set_texture(slot, t);
    }
    for (const auto& [name, values] : params) {
        float block[4] = {0, 0, 0, 0};
        for (size_t k = 0; k < values.size(); ++k) block[k] = values[k];
        shader->set_param(name, block);
    }

    Texture* target = device.new_texture();
    if (!target->create(width, height, TextureFilter::point, TextureAddress::clamp) ||
        !device.set_target(target)) {
        std::fprintf(stderr, "pass: can't make a %dx%d target\n", width, height);
        return 1;
    }
    device.begin_frame();
    device.clear(0, 0, 0);
    device.set_shader(shader);
    device.draw_quad(-1, -1, 1, 1);
    device.end_frame();
    std::vector<uint8_t> rgba;
    if (!device.read_texture(*target, rgba)) {
        std::fprintf(stderr, "pass: can't read the target back\n");
        return 1;
    }
    return kit::write_rgba_png(out_path, rgba.data(), width, height) ? 0 : 1;
}
