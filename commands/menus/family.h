// The menus family: MENU, POPUPMENU and FORM.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterMenuCommands(interp::CommandSet& set);

} // namespace palavrino::commands
