#include "gfx/shader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "gfx/render_device.h"
#include "gfx/texture.h"
#include "shadercode/bsf_file.h"
#include "shadercode/shader_validation.h"

namespace p = gfx::platform;

namespace {

std::vector<Shader::Constant> constants_of(const std::vector<shadercode::BsfConstant>& records) {
    std::vector<Shader::Constant> out;
    out.reserve(records.size());
    for (const auto& r : records) {
        Shader::Constant c;
        c.name = r.name;
        c.last_component = r.last_component;
        c.register_index = r.register_index;
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<Shader::Sampler> samplers_of(const std::vector<shadercode::BsfSampler>& records) {
    std::vector<Shader::Sampler> out;
    out.reserve(records.size());
    for (const auto& r : records) out.push_back({r.name, r.register_index, nullptr});
    return out;
}

void store(std::vector<Shader::Constant>& table, std::string_view name, const float* values) {
    for (auto& c : table) {
        if (c.name != name) continue;
        // Never more than the four floats a register holds, whatever the table says.
        const uint32_t count = std::min<uint32_t>(c.last_component, 3) + 1;
        std::copy(values, values + count, c.value.begin());
        return;
    }
}

std::string label(std::string_view name) {
    return name.empty() ? std::string("<memory>") : std::string(name);
}

}  // namespace

bool gfx::read_program_file(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

Shader::~Shader() {
    destroy();
}

void Shader::release_objects() {
    if (pixel_shader_) {
        p::release(pixel_shader_);
        pixel_shader_ = nullptr;
    }
    if (vertex_shader_) {
        p::release(vertex_shader_);
        vertex_shader_ = nullptr;
    }
}

bool Shader::load(const std::vector<uint8_t>& bytes, std::string_view name) {
    return load(bytes.data(), bytes.size(), name);
}

bool Shader::load_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!gfx::read_program_file(path, bytes)) {
        std::fprintf(stderr, "Shader::load(): can't open \"%s\" file\n", path.c_str());
        return false;
    }
    return load(bytes, path);
}

bool Shader::load(const uint8_t* data, size_t size, std::string_view name) {
    if (!data) return false;
    if (!device_ || !device_->platform_device()) return false;
    shadercode::BsfFile file;
    std::string error;
    if (size > shadercode::kMaxProgramFileBytes) {
        std::fprintf(stderr, "Shader::load(): \"%s\": %s bytes, more than any program can be\n",
                     label(name).c_str(), std::to_string(size).c_str());
        return false;
    }
    if (!shadercode::read_bsf(data, size, file, error) ||
        // A program is used only within its shader model's limits (instruction slots,
        // nesting, operand kinds), as the kit validates it: a file made without that
        // validation, or damaged, could otherwise cost the translator and the device without
        // bound.
        !shadercode::validate_stream(file.vertex_tokens, false, error) ||
        !shadercode::validate_stream(file.pixel_tokens, true, error)) {
        std::fprintf(stderr, "Shader::load(): \"%s\": %s\n", label(name).c_str(), error.c_str());
        return false;
    }
    release_objects();
    vertex_constants_ = constants_of(file.vertex_constants);
    vertex_samplers_ = samplers_of(file.vertex_samplers);
    p::Device* device = device_->platform_device();
    if (p::failed(p::create_vertex_shader(device, file.vertex_tokens.data(),
                                          file.vertex_tokens.size(), &vertex_shader_, error))) {
        vertex_shader_ = nullptr;
        std::fprintf(stderr, "Shader::load(): \"%s\": vertex shader refused: %s\n",
                     label(name).c_str(), error.c_str());
        return false;
    }
    pixel_constants_ = constants_of(file.pixel_constants);
    pixel_samplers_ = samplers_of(file.pixel_samplers);
    if (p::failed(p::create_pixel_shader(device, file.pixel_tokens.data(), file.pixel_tokens.size(),
                                         vertex_shader_, &pixel_shader_, error))) {
        pixel_shader_ = nullptr;
        std::fprintf(stderr, "Shader::load(): \"%s\": %s\n", label(name).c_str(), error.c_str());
        return false;
    }
    return true;
}

void Shader::set_param(std::string_view name, const float* values) {
    if (!values) return;
    store(vertex_constants_, name, values);
    store(pixel_constants_, name, values);
}

void Shader::set_param(std::string_view name, float x, float y, float z, float w) {
    const float values[4] = {x, y, z, w};
    set_param(name, values);
}

void Shader::set_texture(int slot, Texture* texture) {
    const std::string name = "texSampler" + std::to_string(slot);
    for (auto& s : pixel_samplers_) {
        if (s.name == name) {
            s.texture = texture;
            return;
        }
    }
}

void Shader::apply() {
    if (!device_ || !device_->platform_device()) return;
    p::Device* device = device_->platform_device();
    p::set_vertex_shader(device, vertex_shader_);
    p::set_pixel_shader(device, pixel_shader_);
    for (const auto& c : vertex_constants_)
        p::set_vertex_shader_constant(device, c.register_index, c.value.data(), 1);
    for (const auto& c : pixel_constants_)
        p::set_pixel_shader_constant(device, c.register_index, c.value.data(), 1);
    for (const auto& s : pixel_samplers_) {
        const uint32_t stage = s.register_index;
        if (!s.texture) {
            p::set_texture(device, stage, nullptr);
            continue;
        }
        const Texture& t = *s.texture;
        p::set_texture(device, stage, t.handle());
        using Filter = p::SamplerFilter;
        if (t.filter_kind() == TextureFilter::point) {
            p::set_sampler_state(device, stage, p::SamplerState::mag_filter, Filter::point);
            p::set_sampler_state(device, stage, p::SamplerState::min_filter, Filter::point);
            p::set_sampler_state(device, stage, p::SamplerState::mip_filter, Filter::point);
        } else {
            const bool work_size =
                t.width() == device_->work_width() && t.height() == device_->work_height();
            p::set_sampler_state(device, stage, p::SamplerState::mag_filter,
                                 work_size ? Filter::point : Filter::linear);
            p::set_sampler_state(device, stage, p::SamplerState::min_filter, Filter::linear);
            p::set_sampler_state(device, stage, p::SamplerState::mip_filter, Filter::point);
        }
        p::SamplerAddress address = p::SamplerAddress::clamp;
        switch (t.address_kind()) {
            case TextureAddress::wrap:
                address = p::SamplerAddress::wrap;
                break;
            case TextureAddress::clamp:
                address = p::SamplerAddress::clamp;
                break;
            case TextureAddress::mirror:
                address = p::SamplerAddress::mirror;
                break;
        }
        p::set_sampler_state(device, stage, p::SamplerState::address_u, address);
        p::set_sampler_state(device, stage, p::SamplerState::address_v, address);
        p::set_sampler_state(device, stage, p::SamplerState::address_w, address);
    }
}

void Shader::unbind_textures() {
    if (!device_ || !device_->platform_device()) return;
    for (uint32_t stage = 0; stage < p::kTextureStages; ++stage)
        p::set_texture(device_->platform_device(), stage, nullptr);
}

void Shader::destroy() {
    release_objects();
    vertex_constants_.clear();
    vertex_samplers_.clear();
    pixel_constants_.clear();
    pixel_samplers_.clear();
    if (device_) device_->forget(this);
}
