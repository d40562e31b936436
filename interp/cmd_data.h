// Handlers of the commands that change variables: the assignment line and
// the expression statement, SEJA and DESTROI, arithmetic in place, string
// editing, list building and searching, sorting and text encodings. Each
// reads its target and operands from the current line.
#pragma once

#include "core/machine.h"

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

// What the assignment and SOMA, SUBTRAI, MULTIPLICA and DIVIDE (named by
// `word`) do once their target and operands are read, shared with the
// compiled form of their lines (compiled_line.cpp).
[[nodiscard]] bool AssignValue(Runtime& rt, core::TargetRec& t, const core::Value& v);
[[nodiscard]] bool ApplyArithmetic(Runtime& rt, std::string_view word, core::TargetRec& t,
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
