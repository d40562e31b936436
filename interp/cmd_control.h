// Handlers of the commands that steer execution: conditionals, loops, user
// functions, labels and jumps, script calls and TERMINA.
#pragma once

namespace palavrino::interp {

class Runtime;

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

} // namespace palavrino::interp
