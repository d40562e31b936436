// The administrative family: VERSAO, DEBUG, RANDOMIZA, SIMBOLOS and AJUDA/HELP.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterAdminCommands(interp::CommandSet& set);

} // namespace palavrino::commands
