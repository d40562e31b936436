// The desktop family: ESPERA, EXECUTA, CMD, CAPTURA and JANELA.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterDesktopCommands(interp::CommandSet& set);

} // namespace palavrino::commands
