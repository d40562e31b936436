// The desktop family: ESPERA, DIGITA, ACIONA, CLICA, MOUSE and RATO,
// TRANSFERE, JANELA, CAPTURA, EXECUTA and CMD.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterDesktopCommands(interp::CommandSet& set);

} // namespace palavrino::commands
