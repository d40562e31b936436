// The accessibility and sensor family: MSAA and SENSOR.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterAccessCommands(interp::CommandSet& set);

} // namespace palavrino::commands
