// The commands that colour and place text on the console and play recorded
// sounds: COR, FUNDO, TELA, CURSOR and SINTSOM.
#pragma once

namespace palavrino::interp {

class Runtime;

[[nodiscard]] bool CmdCor(Runtime& rt);
[[nodiscard]] bool CmdFundo(Runtime& rt);
[[nodiscard]] bool CmdTela(Runtime& rt);
[[nodiscard]] bool CmdCursor(Runtime& rt);
[[nodiscard]] bool CmdSintsom(Runtime& rt);

} // namespace palavrino::interp
