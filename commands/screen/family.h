// The screen family: COR, FUNDO, TELA, CURSOR and SINTSOM.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterScreenCommands(interp::CommandSet& set);

} // namespace palavrino::commands
