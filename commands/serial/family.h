// The serial-port family: SERIAL.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterSerialCommands(interp::CommandSet& set);

} // namespace palavrino::commands
