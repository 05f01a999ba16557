#pragma once
// One stage of a translation: what a shader declares and uses, and the GLSL of its functions.
// The opcode emitters (glsl_emitters.h) write through the expression and statement builders
// below.
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "shadercode/glsl_helpers.h"
#include "shadercode/shader_model.h"

namespace shadercode::glsl {

inline constexpr const char* kLaneNames = "xyzw";

// Register counts of one stage.
inline constexpr uint32_t kVsInputCount = 16;
inline constexpr uint32_t kPsInputCount = 10;
inline constexpr uint32_t kVsOutputCount = 12;
inline constexpr uint32_t kTempCount = 32;
inline constexpr uint32_t kLabelCount = 2048;

// ".xyz" without the dot for a write mask.
std::string mask_string(uint8_t mask);

// A vs_3_0 output or ps_3_0 input declaration.
struct Semantic {
    uint32_t reg = 0;
    uint8_t mask = kMaskAll;
    uint32_t usage = 0;
    uint32_t index = 0;
    bool centroid = false;
};

// One function of the emitted program: main's body (label -1) or a subroutine.
struct Function {
    int label = -1;
    size_t begin = 0;  // instruction range
    size_t end = 0;
};

// What a store writes: a vec4 (most registers), an ivec4 (a0) or a bvec4 (p0).
enum class StoreKind : uint8_t { Float, Int, Bool };

// The flow-control blocks open in the function being emitted.
enum class Block : uint8_t { If, Else, Rep, Loop };

class StageTranslator {
  public:
    StageTranslator(const ShaderProgram& program, const char* stage_name)
        : p_(program), stage_name_(stage_name) {}

    const ShaderVersion& version() const { return p_.version; }
    bool vertex() const { return p_.version.is_vertex(); }
    bool sm3() const { return p_.version.is_3_0(); }
    const std::string& error() const { return error_; }

    bool analyse();
    bool emit_body(std::string& code);

    // Analysis results used by the program assembly.
    std::set<uint32_t> temps;
    std::map<uint32_t, std::array<uint32_t, 4>> float_defs;
    std::map<uint32_t, std::array<uint32_t, 4>> int_defs;
    std::map<uint32_t, uint32_t> bool_defs;
    std::set<uint32_t> int_used;  // i#/b# read by flow control
    std::set<uint32_t> bool_used;
    std::map<uint32_t, SamplerType> samplers;
    std::vector<Semantic> inputs;   // vs: attributes; ps_3_0: varyings
    std::vector<Semantic> outputs;  // vs_3_0 declared outputs
    std::set<uint32_t> ps2_colors;  // ps_2_x v# read or declared
    std::set<uint32_t> ps2_texcoords;
    std::set<uint32_t> ps2_centroid_colors;  // declared _centroid
    std::set<uint32_t> ps2_centroid_texcoords;
    std::set<uint32_t> colour_outputs;
    bool relative_const = false;
    bool relative_input = false;
    bool relative_output = false;
    bool uses_vpos = false;
    bool uses_vface = false;
    bool uses_depth = false;
    bool uses_kill = false;
    // The helper functions the emitted code calls.
    HelperSet helpers;

    // ---- for the emitters ----
    // Records the first failure, naming the instruction and its token offset.
    void fail(const Instruction& ins, const std::string& what);
    bool ok() const { return error_.empty(); }
    const char* helper(Helper h) { return helpers.use(h); }

    // Expressions.
    std::string index_expression(const Instruction& ins, const RelativeAddress& rel,
                                 uint32_t number);
    std::string register_value(const Instruction& ins, RegisterType type, uint32_t number,
                               bool relative, const RelativeAddress& rel);
    // Source i as a vec4 with its swizzle and modifier; `offset` adds to the register number
    // (the rows of m#x#).
    std::string src(const Instruction& ins, size_t i, uint32_t offset = 0);
    // One lane of source i as a float: the component its swizzle reads at `position`.
    std::string src_lane(const Instruction& ins, size_t i, unsigned position);
    std::string bool_condition(const Instruction& ins, const SourceOperand& s);
    std::string compare_scalar(const Instruction& ins);

    // Statements.
    void line(const std::string& s);
    // Computes `value` into a scratch variable, then stores the lanes of the write mask
    // (limited to `allowed`), saturated when asked, and only where the predicate holds.
    void store(const Instruction& ins, const std::string& value, StoreKind kind,
               uint8_t allowed = kMaskAll);

    // Flow-control blocks: open one (and indent), look at the innermost, close it.
    void open_block(Block b) {
        blocks_.push_back(b);
        ++indent_;
    }
    bool innermost_is(Block b) const { return !blocks_.empty() && blocks_.back() == b; }
    bool inside_loop() const;
    void retag_innermost(Block b) { blocks_.back() = b; }
    void close_block() {
        blocks_.pop_back();
        --indent_;
    }
    void indent(int delta) { indent_ += delta; }
    // A fresh number for the names of one block's variables.
    std::string next_block_number() { return std::to_string(++counter_); }
    std::vector<std::string> loop_saved;  // suffix of each open loop's saved aL

  private:
    void fail_text(const std::string& what) {
        if (error_.empty()) error_ = what;
    }
    void note_operand_register(RegisterType type, uint32_t number);
    std::string apply_modifier(const Instruction& ins, const std::string& e, SourceModifier m);
    bool check_calls();
    void emit_instruction(const Instruction& ins);
    void emit_function(const Function& f);

    const ShaderProgram& p_;
    const char* stage_name_;
    std::string error_;
    std::string* out_ = nullptr;
    int indent_ = 1;
    int counter_ = 0;
    std::vector<Function> functions_;
    std::map<uint32_t, size_t> label_function_;  // label -> index in functions_
    std::vector<Block> blocks_;
};

}  // namespace shadercode::glsl
