#include "gfx/shader_link_gl.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "shadercode/assembler.h"
#include "shadercode/glsl_translator.h"

namespace gfx::platform::gl {

namespace {

static_assert(shadercode::kVertexConstantBinding == kVertexConstantBinding);
static_assert(shadercode::kPixelConstantBinding == kPixelConstantBinding);

// Sampler uniforms found by name cover hand-written programs as well as translated ones.
constexpr char kPixelSamplerPrefix[] = "bw_ps_s";
constexpr char kVertexSamplerPrefix[] = "bw_vs_s";

// The first line of a shader's or program's info log ("no log" when it is empty).
template <typename GetParameter, typename GetLog>
std::string first_log_line(GLuint object, GetParameter get_parameter, GetLog get_log) {
    GLint length = 0;
    get_parameter(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    get_log(object, length, nullptr, log.data());
    std::string line(log.c_str());  // up to the log's terminating NUL
    line.resize(std::min(line.size(), line.find('\n')));
    return line.empty() ? std::string("no log") : line;
}

GLuint compile(GLenum kind, const std::string& source, std::string& error) {
    const GLuint shader = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        error =
            std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
            " GLSL does not compile: " + first_log_line(shader, glGetShaderiv, glGetShaderInfoLog);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

int sampler_unit(const char* name, const char* prefix, int base, int count) {
    const size_t n = std::strlen(prefix);
    if (std::strncmp(name, prefix, n) != 0) return -1;
    char* end = nullptr;
    const long index = std::strtol(name + n, &end, 10);
    if (end == name + n || (*end != '\0' && *end != '[') || index < 0 || index >= count) return -1;
    return base + static_cast<int>(index);
}

}  // namespace

bool link_program(const std::string& vertex_source, const std::string& fragment_source,
                  LinkedProgram& out, std::string& error) {
    const GLuint vs = compile(GL_VERTEX_SHADER, vertex_source, error);
    if (!vs) return false;
    const GLuint fs = compile(GL_FRAGMENT_SHADER, fragment_source, error);
    if (!fs) {
        glDeleteShader(vs);
        return false;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        error =
            "GLSL does not link: " + first_log_line(program, glGetProgramiv, glGetProgramInfoLog);
        glDeleteProgram(program);
        return false;
    }
    const GLuint vertex_block = glGetUniformBlockIndex(program, shadercode::kVertexConstantBlock);
    if (vertex_block != GL_INVALID_INDEX)
        glUniformBlockBinding(program, vertex_block, kVertexConstantBinding);
    const GLuint pixel_block = glGetUniformBlockIndex(program, shadercode::kPixelConstantBlock);
    if (pixel_block != GL_INVALID_INDEX)
        glUniformBlockBinding(program, pixel_block, kPixelConstantBinding);

    GLint previous = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
    glUseProgram(program);
    GLint uniforms = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &uniforms);
    for (GLint i = 0; i < uniforms; ++i) {
        char name[128] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type,
                           name);
        int unit = sampler_unit(name, kPixelSamplerPrefix, 0,
                                static_cast<int>(shadercode::kPixelSamplerCount));
        if (unit < 0)
            unit = sampler_unit(name, kVertexSamplerPrefix,
                                static_cast<int>(shadercode::kVertexSamplerUnitBase),
                                static_cast<int>(shadercode::kVertexSamplerCount));
        if (unit >= 0) glUniform1i(glGetUniformLocation(program, name), unit);
    }
    glUseProgram(static_cast<GLuint>(previous));
    out.program = program;
    out.position_fixup = glGetUniformLocation(program, shadercode::kPosFixupUniform);
    return true;
}

bool translate_and_link(const std::vector<uint32_t>& vertex_tokens, const uint32_t* pixel_tokens,
                        size_t pixel_count, LinkedProgram& out, std::string& error) {
    if (!pixel_tokens || pixel_count == 0) {
        error = "empty pixel shader";
        return false;
    }
    const std::vector<uint32_t> pixel(pixel_tokens, pixel_tokens + pixel_count);
    shadercode::GlslProgram program;
    if (!shadercode::translate_program(vertex_tokens, pixel, program, error)) return false;
    return link_program(program.vertex_source, program.fragment_source, out, error);
}

bool check_vertex_tokens(const uint32_t* tokens, size_t count, std::string& error) {
    if (!tokens || count == 0) {
        error = "empty vertex shader";
        return false;
    }
    const uint32_t version = tokens[0];
    if ((version & 0xFFFF0000u) != 0xFFFE0000u || ((version >> 8) & 0xFF) < 2 ||
        ((version >> 8) & 0xFF) > 3) {
        error = "not a vertex shader of model 2 or 3";
        return false;
    }
    return true;
}

bool translator_accepts_ps30() {
    // The smallest vs_3_0 / ps_3_0 pair: pass the position, write a constant colour.
    static const bool accepted = [] {
        std::vector<uint32_t> vs, ps;
        std::string error;
        const shadercode::AssembleOptions options;
        if (!shadercode::assemble_shader("vs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n",
                                         options, vs, error) ||
            !shadercode::assemble_shader("ps_3_0\nmov oC0, c0\n", options, ps, error))
            return false;
        shadercode::GlslProgram program;
        return shadercode::translate_program(vs, ps, program, error);
    }();
    return accepted;
}

void delete_program(LinkedProgram& program) {
    if (program.program) glDeleteProgram(program.program);
    program = LinkedProgram{};
}

}  // namespace gfx::platform::gl
