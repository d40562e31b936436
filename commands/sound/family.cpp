// The rows of the sound family.
#include "commands/sound/family.h"

#include "commands/sound/cmd_sound.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "MCI", interp::CmdMci, K::Command },
        { "MIDI", interp::CmdMidi, K::Command },
        { "TOCA", interp::CmdToca, K::Command },
    };

} // namespace

void RegisterSoundCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
