// Emitters of the arithmetic opcodes. Sources are read left to right, so that the first
// fault of an instruction is the one reported.
#include "shadercode/glsl_emitters.h"

namespace shadercode::glsl::emit {
namespace {

// The function an entry applies: its helper, else its GLSL function.
std::string function(StageTranslator& st, const OpcodeEmitter& e) {
    return e.helper != Helper::None ? st.helper(e.helper) : e.glsl;
}

const char* comparison_function(Comparison c) {
    switch (c) {
        case Comparison::Gt:
            return "greaterThan";
        case Comparison::Eq:
            return "equal";
        case Comparison::Ge:
            return "greaterThanEqual";
        case Comparison::Lt:
            return "lessThan";
        case Comparison::Ne:
            return "notEqual";
        case Comparison::Le:
            return "lessThanEqual";
        default:
            return nullptr;
    }
}

}  // namespace

void nothing(StageTranslator&, const Instruction&, const OpcodeEmitter&) {}

void move(StageTranslator& st, const Instruction& ins, const OpcodeEmitter&) {
    if (ins.destination.type == RegisterType::Addr && st.vertex())
        return st.fail(ins, "a0 is written by mova only");
    st.store(ins, st.src(ins, 0), StoreKind::Float);
}

// f(a): abs, sgn, nrm, lit, dsx, dsy, mova.
void unary(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    st.store(ins, function(st, e) + "(" + a + ")", e.kind, e.lanes);
}

// f(a, b): mul, min, max, crs.
void binary(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    st.store(ins, function(st, e) + "(" + a + ", " + b + ")", e.kind, e.lanes);
}

// a op b: add, sub.
void infix(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    st.store(ins, a + " " + e.glsl + " " + b, e.kind, e.lanes);
}

// 1.0 where the comparison holds, else 0.0: slt, sge.
void compare(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    st.store(ins, std::string("vec4(") + e.glsl + "(" + a + ", " + b + "))", e.kind, e.lanes);
}

// f of the sources' first lanes, replicated: rcp, rsq, exp, log, pow. Scalar instructions
// read one lane: the one a replicate swizzle names, x without one.
void scalar(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string args = st.src_lane(ins, 0, 0);
    if (ins.opcode == Opcode::Pow) args += ", " + st.src_lane(ins, 1, 0);
    st.store(ins, "vec4(" + function(st, e) + "(" + args + "))", e.kind, e.lanes);
}

// dp3, dp4, replicated.
void dot(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    st.store(ins, "vec4(" + function(st, e) + "(" + a + ", " + b + "))", e.kind, e.lanes);
}

// m#x#: one dot product per row the entry's lanes name, with consecutive registers.
void matrix(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string v = "vec4(";
    std::string a = st.src(ins, 0);
    const std::string dp = function(st, e);
    for (uint32_t row = 0; row < 4; ++row) {
        if (row) v += ", ";
        v += (e.lanes >> row & 1u) ? dp + "(" + a + ", " + st.src(ins, 1, row) + ")" : "0.0";
    }
    v += ")";
    st.store(ins, v, e.kind, e.lanes);
}

void mad(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    std::string c = st.src(ins, 2);
    st.store(ins, function(st, e) + "(" + a + ", " + b + ") + " + c, e.kind, e.lanes);
}

void lrp(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    std::string c = st.src(ins, 2);
    st.store(ins, function(st, e) + "(" + a + ", " + b + " - " + c + ") + " + c, e.kind, e.lanes);
}

void frc(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    st.store(ins, a + " - floor(" + a + ")", e.kind, e.lanes);
}

void dst(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    st.store(ins,
             "vec4(1.0, " + function(st, e) + "((" + a + ").y, (" + b + ").y), (" + a + ").z, (" +
                 b + ").w)",
             e.kind, e.lanes);
}

void dp2add(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    std::string c = st.src_lane(ins, 2, 0);
    st.store(ins, "vec4(" + function(st, e) + "(" + a + ", " + b + ") + " + c + ")", e.kind,
             e.lanes);
}

void sincos(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src_lane(ins, 0, 0);
    st.store(ins, "vec4(cos(" + a + "), sin(" + a + "), 0.0, 0.0)", e.kind, e.lanes);
}

// src1 where src0 >= 0, else src2.
void cmp(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    std::string c = st.src(ins, 2);
    st.store(ins, "mix(" + c + ", " + b + ", greaterThanEqual(" + a + ", vec4(0.0)))", e.kind,
             e.lanes);
}

void setp(StageTranslator& st, const Instruction& ins, const OpcodeEmitter& e) {
    const char* f = comparison_function(ins.comparison);
    if (!f) return st.fail(ins, "bad comparison");
    std::string a = st.src(ins, 0);
    std::string b = st.src(ins, 1);
    st.store(ins, std::string(f) + "(" + a + ", " + b + ")", e.kind, e.lanes);
}

}  // namespace shadercode::glsl::emit
