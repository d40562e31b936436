// Handlers of the commands that change variables: the assignment line and
// the expression statement, SEJA and DESTROI, arithmetic in place, string
// editing, list building and searching, sorting and text encodings. Each
// reads its target and operands from the current line.
#pragma once

#include "core/int_math.h"
#include "core/machine.h"

#include <cstdint>
#include <string_view>

namespace palavrino::interp {

class Runtime;

// A line that begins with a variable, a function or an unknown name.
[[nodiscard]] bool CmdAssignment(Runtime& rt);
// A line that begins with anything but a name.
[[nodiscard]] bool CmdExpression(Runtime& rt);
[[nodiscard]] bool CmdSeja(Runtime& rt);
[[nodiscard]] bool CmdDestroi(Runtime& rt);
[[nodiscard]] bool CmdSoma(Runtime& rt);
[[nodiscard]] bool CmdSubtrai(Runtime& rt);
[[nodiscard]] bool CmdMultiplica(Runtime& rt);
[[nodiscard]] bool CmdDivide(Runtime& rt);
[[nodiscard]] bool CmdAnexa(Runtime& rt);
[[nodiscard]] bool CmdProcura(Runtime& rt);
[[nodiscard]] bool CmdOrdena(Runtime& rt);

// SOMA, SUBTRAI, MULTIPLICA and DIVIDE.
enum class ArithOp : uint8_t {
    Add = 0,
    Subtract = 1,
    Multiply = 2,
    Divide = 3,
};

// SOMA and the others on two integers, wrapping as "+" does; a DIVIDE by 0
// is the caller's to report.
inline int32_t ArithOnIntegers(ArithOp op, int32_t a, int32_t b)
{
    switch (op) {
    case ArithOp::Add:
        return core::AddInt(a, b);
    case ArithOp::Subtract:
        return core::SubInt(a, b);
    case ArithOp::Multiply:
        return core::MulInt(a, b);
    case ArithOp::Divide:
        return core::DivInt(a, b);
    }
    return a;
}

// What the assignment and SOMA, SUBTRAI, MULTIPLICA and DIVIDE (`op`, named
// by `word`) do once their target and operands are read, shared with the
// compiled form of their lines (compiled_line.cpp).
[[nodiscard]] bool AssignValue(Runtime& rt, core::TargetRec& t, const core::Value& v);
[[nodiscard]] bool ApplyArithmetic(Runtime& rt, ArithOp op, std::string_view word, core::TargetRec& t,
    const core::Value& current, const core::Value& operand);

// String commands (cmd_text.cpp).
[[nodiscard]] bool CmdConcatena(Runtime& rt);
// What CONCATENA does once its target and its text are read (`current` is
// the target read as text before the operand), shared with the compiled form
// of its lines.
[[nodiscard]] bool AppendText(
    Runtime& rt, core::TargetRec& t, const core::Value& current, const core::Value& tail);
[[nodiscard]] bool CmdCopia(Runtime& rt);
[[nodiscard]] bool CmdSubstitui(Runtime& rt);
[[nodiscard]] bool CmdTroca(Runtime& rt);
[[nodiscard]] bool CmdSepara(Runtime& rt);
[[nodiscard]] bool CmdConverte(Runtime& rt);

} // namespace palavrino::interp
