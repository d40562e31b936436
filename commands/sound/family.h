// The sound family: MIDI, TOCA and MCI.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterSoundCommands(interp::CommandSet& set);

} // namespace palavrino::commands
