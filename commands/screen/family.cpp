// The rows of the screen family.
#include "commands/screen/family.h"

#include "commands/screen/cmd_screen.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "COR", interp::CmdCor, K::Command },
        { "CURSOR", interp::CmdCursor, K::Command },
        { "FUNDO", interp::CmdFundo, K::Command },
        { "SINTSOM", interp::CmdSintsom, K::Command },
        { "TELA", interp::CmdTela, K::Command },
    };

} // namespace

void RegisterScreenCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
