// The rows of the files family and the built-ins whose work is reading files.
#include "commands/files/family.h"

#include "commands/files/cmd_fs.h"
#include "commands/files/cmd_io.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow FILE_ROWS[] = {
        { "ABRE", devices::CmdAbre, K::Command },
        { "BUSCA", devices::CmdBusca, K::Command },
        { "CHECA", devices::CmdCheca, K::Command },
        { "DIR", devices::CmdDir, K::Command },
        { "ESCREVE", devices::CmdEscreve, K::Command },
        { "FECHA", devices::CmdFecha, K::Command },
        { "LE", devices::CmdLe, K::Command },
        { "OBSERVA", devices::CmdObserva, K::Command },
        { "REMOVE", devices::CmdRemove, K::Command },
        { "RENOMEIA", devices::CmdRenomeia, K::Command },
        { "REPLICA", devices::CmdReplica, K::Command },
    };

} // namespace

void RegisterFileCommands(interp::CommandSet& set)
{
    set.Add(FILE_ROWS);
    set.SetNative(core::BuiltinId::Abrearq, devices::FnAbrearq);
    set.SetNative(core::BuiltinId::Fimarq, devices::FnFimarq);
    set.SetNative(core::BuiltinId::Fda, devices::FnFimarq);
    set.SetNative(core::BuiltinId::Conteudo, devices::FnConteudo);
    set.SetNative(core::BuiltinId::Diretorio, devices::FnDiretorio);
}

} // namespace palavrino::commands
