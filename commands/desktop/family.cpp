// The rows of the desktop family.
#include "commands/desktop/family.h"

#include "commands/desktop/cmd_desktop.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "ACIONA", interp::CmdAciona, K::Command },
        { "CAPTURA", interp::CmdCaptura, K::Command },
        { "CLICA", interp::CmdClica, K::Command },
        { "CMD", interp::CmdCmd, K::Command },
        { "DIGITA", interp::CmdDigita, K::Command },
        { "ESPERA", interp::CmdEspera, K::Command },
        { "EXECUTA", interp::CmdExecuta, K::Command },
        { "JANELA", interp::CmdJanela, K::Command },
        { "MOUSE", interp::CmdMouse, K::Command },
        { "RATO", interp::CmdMouse, K::Command },
        { "TRANSFERE", interp::CmdTransfere, K::Command },
    };

} // namespace

void RegisterDesktopCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
