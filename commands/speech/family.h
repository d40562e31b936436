// The speech family: FALA, SOLETRA, BIPA and TITULO.
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterSpeechCommands(interp::CommandSet& set);

} // namespace palavrino::commands
