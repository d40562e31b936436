// The picture family: IMAGEM.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterPictureCommands(interp::CommandSet& set);

} // namespace palavrino::commands
