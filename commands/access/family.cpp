// The rows of the accessibility and sensor family.
#include "commands/access/family.h"

#include "commands/access/cmd_access.h"

namespace palavrino::commands {

namespace {

    constexpr interp::CommandRow ACCESS_ROWS[] = {
        { "MSAA", CmdMsaa, core::SymbolKind::Command },
        { "SENSOR", CmdSensor, core::SymbolKind::Command },
    };

} // namespace

void RegisterAccessCommands(interp::CommandSet& set)
{
    set.Add(ACCESS_ROWS);
}

} // namespace palavrino::commands
