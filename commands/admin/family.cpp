// The rows of the admin family.
#include "commands/admin/family.h"

#include "commands/admin/cmd_admin.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "AJUDA", interp::CmdAjuda, K::Command },
        { "DEBUG", interp::CmdDebug, K::Command },
        { "HELP", interp::CmdAjuda, K::Command },
        { "RANDOMIZA", interp::CmdRandomiza, K::Command },
        { "SIMBOLOS", interp::CmdSimbolos, K::Command },
        { "VERSAO", interp::CmdVersao, K::Command },
    };

} // namespace

void RegisterAdminCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
