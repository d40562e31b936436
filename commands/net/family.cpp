// The rows of the network family.
#include "commands/net/family.h"

#include "commands/net/cmd_net.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow NET_ROWS[] = {
        { "ACEITA", CmdAceita, K::Command },
        { "BAIXA", CmdBaixa, K::Command },
        { "CONECTA", CmdConecta, K::Command },
        { "INTERNET", CmdInternet, K::Command },
        { "IP", CmdIp, K::Command },
        { "SERVE", CmdServe, K::Command },
    };

} // namespace

void RegisterNetCommands(interp::CommandSet& set)
{
    set.Add(NET_ROWS);
}

} // namespace palavrino::commands
