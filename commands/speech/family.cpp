// The rows of the speech family.
#include "commands/speech/family.h"

#include "commands/speech/cmd_speech.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "BIPA", interp::CmdBipa, K::Command },
        { "FALA", interp::CmdFala, K::Command },
        { "SOLETRA", interp::CmdSoletra, K::Command },
        { "TITULO", interp::CmdTitulo, K::Command },
    };

} // namespace

void RegisterSpeechCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
