// The network family: INTERNET, CONECTA, SERVE, ACEITA, IP and BAIXA.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterNetCommands(interp::CommandSet& set);

} // namespace palavrino::commands
