// Commands about the interpreter itself: VERSAO, DEBUG, RANDOMIZA and
// SIMBOLOS.
#pragma once

namespace palavrino::interp {

class Runtime;

[[nodiscard]] bool CmdVersao(Runtime& rt);
[[nodiscard]] bool CmdDebug(Runtime& rt);
[[nodiscard]] bool CmdRandomiza(Runtime& rt);
[[nodiscard]] bool CmdSimbolos(Runtime& rt);

}  // namespace palavrino::interp
