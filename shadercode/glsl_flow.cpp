// Emitters of flow control: if/else/endif, rep and loop blocks, breaks, calls and returns.
#include "shadercode/glsl_emitters.h"

namespace shadercode::glsl::emit {

void if_bool(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (ins.sources.empty()) return st.fail(ins, "missing operand");
    st.line("if (" + st.bool_condition(ins, ins.sources[0]) + ") {");
    st.open_block(Block::If);
}

void if_compare(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    st.line("if (" + st.compare_scalar(ins) + ") {");
    st.open_block(Block::If);
}

void else_block(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (!st.innermost_is(Block::If)) return st.fail(ins, "else without if");
    st.retag_innermost(Block::Else);
    st.indent(-1);
    st.line("} else {");
    st.indent(1);
}

void endif(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (!st.innermost_is(Block::If) && !st.innermost_is(Block::Else))
        return st.fail(ins, "endif without if");
    st.close_block();
    st.line("}");
}

// rep i# and loop aL, i#: a counted for loop; loop also steps aL, saved around the block.
void loop_start(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    bool loop = ins.opcode == Opcode::Loop;
    const SourceOperand* count = nullptr;
    for (const SourceOperand& o : ins.sources)
        if (o.type == RegisterType::ConstInt) count = &o;
    if (!count || count->number >= 16) return st.fail(ins, "loop count must be i#");
    const std::string i = std::string("i").append(std::to_string(count->number));
    std::string k = st.next_block_number();
    st.line("{");
    st.indent(1);
    if (loop) {
        st.line("int bw_saved" + k + " = aL;");
        st.line("aL = " + i + ".y;");
    }
    // Legal counts are 0 to 255; clamping keeps bad constants from hanging the GPU.
    st.line("int bw_n" + k + " = clamp(" + i + ".x, 0, 255);");
    st.line("for (int bw_j" + k + " = 0; bw_j" + k + " < bw_n" + k + "; ++bw_j" + k +
            (loop ? ", aL += " + i + ".z" : std::string()) + ") {");
    st.open_block(loop ? Block::Loop : Block::Rep);
    if (loop) st.loop_saved.push_back(k);
}

void loop_end(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    bool loop = ins.opcode == Opcode::EndLoop;
    if (!st.innermost_is(loop ? Block::Loop : Block::Rep))
        return st.fail(ins, loop ? "endloop without loop" : "endrep without rep");
    st.close_block();
    st.line("}");
    if (loop) {
        st.line("aL = bw_saved" + st.loop_saved.back() + ";");
        st.loop_saved.pop_back();
    }
    st.indent(-1);
    st.line("}");
}

void break_always(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (!st.inside_loop()) return st.fail(ins, "break outside a loop");
    st.line("break;");
}

void break_compare(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (!st.inside_loop()) return st.fail(ins, "break outside a loop");
    st.line("if (" + st.compare_scalar(ins) + ") break;");
}

void break_bool(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (!st.inside_loop()) return st.fail(ins, "break outside a loop");
    if (ins.sources.empty()) return st.fail(ins, "missing operand");
    st.line("if (" + st.bool_condition(ins, ins.sources[0]) + ") break;");
}

// The analysis checked that every call names a defined label.
void call(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    st.line("bw_l" + std::to_string(ins.sources[0].number) + "();");
}

void call_bool(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (ins.sources.size() < 2) return st.fail(ins, "missing operand");
    st.line("if (" + st.bool_condition(ins, ins.sources[1]) + ") bw_l" +
            std::to_string(ins.sources[0].number) + "();");
}

void ret(StageTranslator& st, const Instruction&, const OpcodeEmitter&) {
    st.line("return;");
}

}  // namespace shadercode::glsl::emit
