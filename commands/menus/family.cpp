// The rows of the menus family.
#include "commands/menus/family.h"

#include "commands/menus/cmd_menus.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "FORM", interp::CmdForm, K::Command },
        { "MENU", interp::CmdMenu, K::Command },
        { "POPUPMENU", interp::CmdPopupmenu, K::Command },
    };

} // namespace

void RegisterMenuCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
