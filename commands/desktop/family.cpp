// The rows of the desktop family.
#include "commands/desktop/family.h"

#include "commands/desktop/cmd_desktop.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    // FIXME: CAPTURA and JANELA (cmd_desktop.cpp) are written but wait to be
    // registered until their tests under Xvfb run reliably: the window
    // manager there sometimes dies and the tests hang. Until then they keep
    // the "não está disponível" answer.
    constexpr interp::CommandRow ROWS[] = {
        { "CMD", interp::CmdCmd, K::Command },
        { "ESPERA", interp::CmdEspera, K::Command },
        { "EXECUTA", interp::CmdExecuta, K::Command },
    };

} // namespace

void RegisterDesktopCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
