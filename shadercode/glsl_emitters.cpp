#include "shadercode/glsl_emitters.h"

namespace shadercode::glsl {
namespace {

using namespace emit;
using enum Opcode;

constexpr OpcodeEmitter kEmitters[] = {
    {Nop, nothing},
    {Mov, move},
    {Add, infix, "+"},
    {Sub, infix, "-"},
    {Mad, mad, nullptr, Helper::Mul},
    {Mul, binary, nullptr, Helper::Mul},
    {Rcp, scalar, nullptr, Helper::Rcp},
    {Rsq, scalar, nullptr, Helper::Rsq},
    {Dp3, dot, nullptr, Helper::Dp3},
    {Dp4, dot, nullptr, Helper::Dp4},
    {Min, binary, nullptr, Helper::Min},
    {Max, binary, nullptr, Helper::Max},
    {Slt, compare, "lessThan"},
    {Sge, compare, "greaterThanEqual"},
    {Exp, scalar, "exp2"},
    {Log, scalar, nullptr, Helper::Log},
    {Lit, unary, nullptr, Helper::Lit},
    {Dst, dst, nullptr, Helper::Mul1},
    {Lrp, lrp, nullptr, Helper::Mul},
    {Frc, frc},
    // The rows are the dot products of the vector with consecutive constant registers.
    {M4x4, matrix, nullptr, Helper::Dp4, kMaskX | kMaskY | kMaskZ | kMaskW},
    {M4x3, matrix, nullptr, Helper::Dp4, kMaskX | kMaskY | kMaskZ},
    {M3x4, matrix, nullptr, Helper::Dp3, kMaskX | kMaskY | kMaskZ | kMaskW},
    {M3x3, matrix, nullptr, Helper::Dp3, kMaskX | kMaskY | kMaskZ},
    {M3x2, matrix, nullptr, Helper::Dp3, kMaskX | kMaskY},
    {Call, call},
    {CallNz, call_bool},
    {Loop, loop_start},
    {Ret, ret},
    {EndLoop, loop_end},
    {Label, nothing},  // the analysis splits the functions at labels
    {Dcl, nothing},    // declarations, defs and comments were read by the analysis
    {Pow, scalar, nullptr, Helper::Pow},
    {Crs, binary, nullptr, Helper::Crs, kMaskX | kMaskY | kMaskZ},
    {Sgn, unary, nullptr, Helper::Sgn},
    {Abs, unary, "abs"},
    {Nrm, unary, nullptr, Helper::Nrm},
    {SinCos, sincos, nullptr, Helper::None, kMaskX | kMaskY},
    {Rep, loop_start},
    {EndRep, loop_end},
    {If, if_bool},
    {IfC, if_compare},
    {Else, else_block},
    {EndIf, endif},
    {Break, break_always},
    {BreakC, break_compare},
    {MovA, unary, nullptr, Helper::Mova, kMaskAll, StoreKind::Int},
    {DefB, nothing},
    {DefI, nothing},
    {TexKill, texkill},
    {Tex, sample},
    {ExpP, scalar, "exp2"},
    {LogP, scalar, nullptr, Helper::Log},
    {Def, nothing},
    {Cmp, cmp},
    {Dp2Add, dp2add, nullptr, Helper::Dp2},
    {Dsx, unary, "dFdx"},
    {Dsy, unary, "dFdy"},
    {TexLdd, sample},
    {SetP, setp, nullptr, Helper::None, kMaskAll, StoreKind::Bool},
    {TexLdl, sample},
    {BreakP, break_bool},
    {Comment, nothing},
};

constexpr bool in_opcode_order() {
    for (size_t i = 1; i < std::size(kEmitters); ++i)
        if (kEmitters[i - 1].opcode >= kEmitters[i].opcode) return false;
    return true;
}
static_assert(in_opcode_order());

}  // namespace

std::span<const OpcodeEmitter> emitter_table() {
    return kEmitters;
}

const OpcodeEmitter* find_emitter(Opcode op) {
    for (const OpcodeEmitter& e : kEmitters) {
        if (e.opcode == op) return &e;
        if (e.opcode > op) break;
    }
    return nullptr;
}

}  // namespace shadercode::glsl
