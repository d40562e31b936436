// Handlers of the commands that steer execution: conditionals, loops, user
// functions, labels and jumps, script calls and TERMINA.
#pragma once

#include "core/machine.h"

#include <cstdint>

namespace palavrino::interp {

class Runtime;
using core::Value;

[[nodiscard]] bool CmdSe(Runtime& rt);
[[nodiscard]] bool CmdSeOneLine(Runtime& rt);
[[nodiscard]] bool CmdSenao(Runtime& rt);
[[nodiscard]] bool CmdEnquanto(Runtime& rt);
[[nodiscard]] bool CmdRepete(Runtime& rt);
[[nodiscard]] bool CmdPara(Runtime& rt);
[[nodiscard]] bool CmdQuebra(Runtime& rt);
[[nodiscard]] bool CmdContinua(Runtime& rt);
[[nodiscard]] bool CmdFim(Runtime& rt);
[[nodiscard]] bool CmdFuncao(Runtime& rt);
[[nodiscard]] bool CmdLocal(Runtime& rt);
[[nodiscard]] bool CmdRetorna(Runtime& rt);
[[nodiscard]] bool CmdDesvia(Runtime& rt);
[[nodiscard]] bool CmdChama(Runtime& rt);
[[nodiscard]] bool CmdTermina(Runtime& rt);
[[nodiscard]] bool CmdImporta(Runtime& rt);

// What the control commands do once their operands are read, shared with
// the compiled form of their lines (compiled_line.cpp).
// SE and SENAO SE: on to `jump` when the condition is false.
void BranchUnless(Runtime& rt, int32_t jump, bool truth);
// ENQUANTO at line `head`: past its FIM when the condition is false (inline:
// a loop that goes on does nothing here).
void LeaveLoop(Runtime& rt, int32_t head);
inline void LoopWhile(Runtime& rt, int32_t head, bool truth)
{
    if (!truth)
        LeaveLoop(rt, head);
}
// FIM ENQUANTO: back to the head.
[[nodiscard]] bool EndOfWhile(Runtime& rt);
// The simple command of a true one-line SE, with the cursor on its word.
[[nodiscard]] bool RunOneLineIfBody(Runtime& rt);
[[nodiscard]] bool StartRepete(Runtime& rt, int32_t head, core::TargetRec& t, const Value& limit);
[[nodiscard]] bool StepRepete(Runtime& rt, int32_t head, core::TargetRec& t, const Value& limit);
[[nodiscard]] bool StartPara(Runtime& rt, int32_t head, core::TargetRec& t, Value domain, bool downwards);
[[nodiscard]] bool StepPara(Runtime& rt, int32_t head, core::TargetRec& t);
[[nodiscard]] bool ReturnValue(Runtime& rt, Value result);

} // namespace palavrino::interp
