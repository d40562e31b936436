// The command set of this build: the language's own commands and every
// command family, registered once and shared by all runtimes.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

const interp::CommandSet& StandardCommands();

} // namespace palavrino::commands
