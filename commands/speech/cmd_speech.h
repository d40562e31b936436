// The commands that speak and sound: FALA, SOLETRA, BIPA, and TITULO.
#pragma once

namespace palavrino::interp {

class Runtime;

[[nodiscard]] bool CmdFala(Runtime& rt);
[[nodiscard]] bool CmdSoletra(Runtime& rt);
[[nodiscard]] bool CmdBipa(Runtime& rt);
[[nodiscard]] bool CmdTitulo(Runtime& rt);

} // namespace palavrino::interp
