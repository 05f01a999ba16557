#pragma once
// The GLSL emitter of every opcode, in one table keyed by opcode. Opcodes of one shape share
// an emitter and differ by the entry's data (the function or operator applied, the helper,
// the result's lanes, what it stores).
#include <span>

#include "shadercode/glsl_stage.h"

namespace shadercode::glsl {

struct OpcodeEmitter;
using EmitFn = void (*)(StageTranslator&, const Instruction&, const OpcodeEmitter&);

struct OpcodeEmitter {
    Opcode opcode;
    EmitFn emit;                   // null: the opcode is refused with `refusal`
    const char* glsl = nullptr;    // the GLSL function or operator the shape applies
    Helper helper = Helper::None;  // or the helper it calls
    uint8_t lanes = kMaskAll;      // lanes the result has (crs xyz, m3x2 xy, ...)
    StoreKind kind = StoreKind::Float;
    const char* refusal = nullptr;  // why a refused opcode cannot be translated
};

// Every opcode the decoder accepts, in opcode order.
std::span<const OpcodeEmitter> emitter_table();
// The entry of `op`, or null.
const OpcodeEmitter* find_emitter(Opcode op);

// The shapes (glsl_arithmetic.cpp, glsl_texture.cpp, glsl_flow.cpp).
namespace emit {
void nothing(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void move(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void unary(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void binary(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void infix(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void compare(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void scalar(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void dot(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void matrix(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void mad(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void lrp(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void frc(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void dst(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void dp2add(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void sincos(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void cmp(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void setp(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void sample(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void texkill(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void if_bool(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void if_compare(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void else_block(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void endif(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void loop_start(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void loop_end(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void break_always(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void break_compare(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void break_bool(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void call(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void call_bool(StageTranslator&, const Instruction&, const OpcodeEmitter&);
void ret(StageTranslator&, const Instruction&, const OpcodeEmitter&);
}  // namespace emit

}  // namespace shadercode::glsl
