#include "tests/shadercode/gl_harness.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cstdlib>

#include "gfx/shader_link_gl.h"
#include "shadercode/assembler.h"
#include "shadercode/glsl_translator.h"

namespace gltest {

namespace {

GLenum texture_target(TextureKind k) {
    return k == TextureKind::cube     ? GL_TEXTURE_CUBE_MAP
           : k == TextureKind::volume ? GL_TEXTURE_3D
                                      : GL_TEXTURE_2D;
}

GLuint make_texture(const TextureData& t) {
    GLuint id = 0;
    glGenTextures(1, &id);
    GLenum target = texture_target(t.kind);
    glActiveTexture(GL_TEXTURE0 + t.unit);
    glBindTexture(target, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    int levels = 0;
    if (t.kind == TextureKind::cube) {
        for (size_t face = 0; face < t.levels.size() && face < 6; ++face)
            glTexImage2D(GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face), 0, GL_RGBA32F, t.width,
                         t.height, 0, GL_RGBA, GL_FLOAT, t.levels[face].data());
        levels = 1;
    } else {
        int w = t.width, h = t.height, d = t.depth;
        for (const auto& level : t.levels) {
            if (t.kind == TextureKind::volume)
                glTexImage3D(GL_TEXTURE_3D, levels, GL_RGBA32F, w, h, d, 0, GL_RGBA, GL_FLOAT,
                             level.data());
            else
                glTexImage2D(GL_TEXTURE_2D, levels, GL_RGBA32F, w, h, 0, GL_RGBA, GL_FLOAT,
                             level.data());
            ++levels;
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
            d = d > 1 ? d / 2 : 1;
        }
    }
    glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, levels - 1);
    GLint mag = t.linear ? GL_LINEAR : GL_NEAREST;
    GLint min =
        t.mipmapped ? (t.linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST) : mag;
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, mag);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, min);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    return id;
}

GLuint make_constants(const std::map<uint32_t, Vec4>& values, uint32_t count, GLuint binding) {
    std::vector<float> data(size_t(count) * 4, 0.0f);
    for (const auto& [reg, v] : values)
        if (reg < count)
            for (int i = 0; i < 4; ++i) data[reg * 4 + size_t(i)] = v[size_t(i)];
    GLuint ubo = 0;
    glGenBuffers(1, &ubo);
    glBindBuffer(GL_UNIFORM_BUFFER, ubo);
    glBufferData(GL_UNIFORM_BUFFER, GLsizeiptr(data.size() * sizeof(float)), data.data(),
                 GL_STATIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, binding, ubo);
    return ubo;
}

}  // namespace

bool no_gpu_allowed() {
    return std::getenv("BRUSHWRIGHT_ALLOW_NO_GPU") != nullptr;
}

GlHarness* GlHarness::instance(std::string& why) {
    static GlHarness* harness = nullptr;
    static std::string failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        auto* h = new GlHarness();
        if (h->context_.open_headless(failure))
            harness = h;
        else
            delete h;
    }
    why = failure;
    return harness;
}

bool GlHarness::translate(const std::string& vs, const std::string& ps, std::string& vertex_glsl,
                          std::string& fragment_glsl, std::string& error) {
    std::vector<uint32_t> vt, pt;
    std::string why;
    if (!shadercode::assemble_shader(vs, {}, vt, why)) {
        error = "vertex assembly: " + why;
        return false;
    }
    if (!shadercode::assemble_shader(ps, {}, pt, why)) {
        error = "pixel assembly: " + why;
        return false;
    }
    shadercode::GlslProgram program;
    if (!shadercode::translate_program(vt, pt, program, error)) return false;
    vertex_glsl = program.vertex_source;
    fragment_glsl = program.fragment_source;
    return true;
}

bool GlHarness::draw(const DrawRequest& request, Image& out, std::string& error) {
    std::vector<uint32_t> vt, pt;
    std::string why;
    shadercode::AssembleOptions options;
    options.validate = request.validate;
    if (!shadercode::assemble_shader(request.vs, options, vt, why)) {
        error = "vertex assembly: " + why;
        return false;
    }
    if (!shadercode::assemble_shader(request.ps, options, pt, why)) {
        error = "pixel assembly: " + why;
        return false;
    }
    shadercode::GlslProgram program;
    if (!shadercode::translate_program(vt, pt, program, error)) return false;

    // Linked, its constant blocks and samplers bound, as the device links its programs.
    gfx::platform::gl::LinkedProgram linked;
    if (!gfx::platform::gl::link_program(program.vertex_source, program.fragment_source, linked,
                                         error))
        return false;
    const GLuint prog = linked.program;
    glUseProgram(prog);
    // f = -1: storage row 0 is the Direct3D top row.
    const float f = -1.0f;
    glUniform4f(glGetUniformLocation(prog, shadercode::kPosFixupUniform),
                (63.0f / 64.0f) / float(request.width),
                -f * (63.0f / 64.0f) / float(request.height), f, 0.0f);
    GLuint vubo = make_constants(request.vs_constants, shadercode::kVertexConstantCount,
                                 shadercode::kVertexConstantBinding);
    GLuint pubo = make_constants(request.ps_constants, shadercode::kPixelConstantCount,
                                 shadercode::kPixelConstantBinding);
    std::vector<GLuint> textures;
    for (const TextureData& t : request.textures) textures.push_back(make_texture(t));

    GLuint colour = 0, fbo = 0;
    glGenTextures(1, &colour);
    glActiveTexture(GL_TEXTURE31);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, request.width, request.height, 0, GL_RGBA, GL_FLOAT,
                 nullptr);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;

    std::vector<Vertex> strip = request.strip;
    if (strip.empty())
        strip = {{-1.0f, 1.0f, 0.0f, 0.0f},
                 {1.0f, 1.0f, 1.0f, 0.0f},
                 {-1.0f, -1.0f, 0.0f, 1.0f},
                 {1.0f, -1.0f, 1.0f, 1.0f}};
    GLuint vao = 0, vbo = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(strip.size() * sizeof(Vertex)), strip.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(2 * sizeof(float)));

    glViewport(0, 0, request.width, request.height);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glFrontFace(GL_CCW);
    glClearColor(request.clear[0], request.clear[1], request.clear[2], request.clear[3]);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, GLsizei(strip.size()));
    out.width = request.width;
    out.height = request.height;
    out.rgba.assign(size_t(request.width) * size_t(request.height) * 4, 0.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, request.width, request.height, GL_RGBA, GL_FLOAT, out.rgba.data());
    GLenum gl_error = glGetError();

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &colour);
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
    for (GLuint t : textures) glDeleteTextures(1, &t);
    glDeleteBuffers(1, &vubo);
    glDeleteBuffers(1, &pubo);
    glUseProgram(0);
    glDeleteProgram(prog);
    if (!complete) {
        error = "framebuffer incomplete";
        return false;
    }
    if (gl_error != GL_NO_ERROR) {
        error = "GL error " + std::to_string(gl_error);
        return false;
    }
    return true;
}

}  // namespace gltest
