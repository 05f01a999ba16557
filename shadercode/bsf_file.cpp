#include "shadercode/bsf_file.h"

#include <algorithm>
#include <cstring>

#include "shadercode/shader_model.h"

namespace shadercode {
namespace {

constexpr uint8_t kMagic[4] = {'K', 'V', 'S', '1'};
constexpr size_t kConstantRecord = kBsfNameBytes + 8;
constexpr size_t kSamplerRecord = kBsfNameBytes + 4;

// A bounds-checked cursor over the file image.
class Cursor {
  public:
    Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t offset() const { return pos_; }
    size_t left() const { return size_ - pos_; }

    bool u32(uint32_t& v) {
        if (left() < 4) return false;
        v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
            uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return true;
    }
    bool name(std::string& s) {
        if (left() < kBsfNameBytes) return false;
        const char* p = reinterpret_cast<const char*>(data_ + pos_);
        s.assign(p, strnlen(p, kBsfNameBytes - 1));
        pos_ += kBsfNameBytes;
        return true;
    }
    bool tokens(size_t bytes, std::vector<uint32_t>& out) {
        if (bytes % 4 != 0 || left() < bytes) return false;
        out.resize(bytes / 4);
        for (uint32_t& t : out) u32(t);
        return true;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool fail(std::string& error, const char* what, size_t offset) {
    error = std::string(what) + " at byte " + std::to_string(offset);
    return false;
}

bool fail_stream(std::string& error, const char* stage, const std::string& why) {
    error = std::string("bad ") + stage + " shader: " + why;
    return false;
}

bool read_constants(Cursor& in, std::vector<BsfConstant>& out, std::string& error,
                    const char* stage) {
    uint32_t count = 0;
    size_t at = in.offset();
    if (!in.u32(count)) return fail(error, "file ends before the constant count", at);
    if (count > in.left() / kConstantRecord)
        return fail(error, (std::string(stage) + " constant count runs past the end").c_str(), at);
    out.resize(count);
    for (BsfConstant& c : out) {
        in.name(c.name);
        in.u32(c.last_component);
        in.u32(c.register_index);
        if (c.last_component > 3)
            return fail(error, "constant with more than 4 components", in.offset() - 8);
    }
    return true;
}

bool read_samplers(Cursor& in, std::vector<BsfSampler>& out, std::string& error,
                   const char* stage) {
    uint32_t count = 0;
    size_t at = in.offset();
    if (!in.u32(count)) return fail(error, "file ends before the sampler count", at);
    if (count > in.left() / kSamplerRecord)
        return fail(error, (std::string(stage) + " sampler count runs past the end").c_str(), at);
    out.resize(count);
    for (BsfSampler& s : out) {
        in.name(s.name);
        in.u32(s.register_index);
    }
    return true;
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void put_name(std::vector<uint8_t>& out, const std::string& name) {
    size_t n = std::min(name.size(), kBsfNameBytes - 1);
    out.insert(out.end(), name.begin(), name.begin() + long(n));
    out.insert(out.end(), kBsfNameBytes - n, 0);
}

void put_tables(std::vector<uint8_t>& out, const std::vector<BsfConstant>& constants,
                const std::vector<BsfSampler>& samplers) {
    put_u32(out, uint32_t(constants.size()));
    for (const BsfConstant& c : constants) {
        put_name(out, c.name);
        put_u32(out, c.last_component);
        put_u32(out, c.register_index);
    }
    put_u32(out, uint32_t(samplers.size()));
    for (const BsfSampler& s : samplers) {
        put_name(out, s.name);
        put_u32(out, s.register_index);
    }
}

}  // namespace

bool read_bsf(const uint8_t* data, size_t size, BsfFile& out, std::string& error) {
    out = BsfFile{};
    if (data == nullptr || size < 4 || std::memcmp(data, kMagic, 4) != 0)
        return fail(error, "not a shader program file (no \"KVS1\" magic)", 0);
    Cursor in(data + 4, size - 4);
    if (!read_constants(in, out.vertex_constants, error, "vertex") ||
        !read_samplers(in, out.vertex_samplers, error, "vertex"))
        return false;
    uint32_t vsize = 0;
    size_t at = in.offset() + 4;
    if (!in.u32(vsize)) return fail(error, "file ends before the vertex shader size", at);
    if (!in.tokens(vsize, out.vertex_tokens))
        return fail(error, "vertex shader size is not whole tokens inside the file", at);
    if (!read_constants(in, out.pixel_constants, error, "pixel") ||
        !read_samplers(in, out.pixel_samplers, error, "pixel"))
        return false;
    uint32_t psize = 0;
    at = in.offset() + 4;
    if (!in.u32(psize)) return fail(error, "file ends before the pixel shader size", at);
    // The pixel stream is the rest of the file, whatever PSIZE says.
    if (!in.tokens(in.left(), out.pixel_tokens))
        return fail(error, "pixel shader is not whole tokens", at + 4);
    if (out.vertex_tokens.empty() || out.pixel_tokens.empty())
        return fail(error, "empty shader token stream", at);
    ShaderProgram program;
    std::string why;
    if (!decode_shader(out.vertex_tokens.data(), out.vertex_tokens.size(), program, why))
        return fail_stream(error, "vertex", why);
    if (!program.version.is_vertex()) return fail_stream(error, "vertex", "not a vertex shader");
    if (!decode_shader(out.pixel_tokens.data(), out.pixel_tokens.size(), program, why))
        return fail_stream(error, "pixel", why);
    if (!program.version.is_pixel()) return fail_stream(error, "pixel", "not a pixel shader");
    return true;
}

std::vector<uint8_t> write_bsf(const BsfFile& file) {
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    put_tables(out, file.vertex_constants, file.vertex_samplers);
    put_u32(out, uint32_t(file.vertex_tokens.size() * 4));
    for (uint32_t t : file.vertex_tokens) put_u32(out, t);
    put_tables(out, file.pixel_constants, file.pixel_samplers);
    put_u32(out, uint32_t(file.pixel_tokens.size() * 4));
    for (uint32_t t : file.pixel_tokens) put_u32(out, t);
    return out;
}

}  // namespace shadercode
