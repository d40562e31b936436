// The rows of the desktop family.
#include "commands/desktop/family.h"

#include "commands/desktop/cmd_desktop.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "CAPTURA", interp::CmdCaptura, K::Command },
        { "CMD", interp::CmdCmd, K::Command },
        { "ESPERA", interp::CmdEspera, K::Command },
        { "EXECUTA", interp::CmdExecuta, K::Command },
        { "JANELA", interp::CmdJanela, K::Command },
    };

} // namespace

void RegisterDesktopCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
