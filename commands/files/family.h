// The files family: descriptors (ABRE, FECHA, ESCREVE, LE, OBSERVA, CHECA and
// the ABREARQ, FIMARQ/FDA built-ins) and the file-system commands (BUSCA,
// RENOMEIA, REPLICA, REMOVE, DIR and the CONTEUDO, DIRETORIO built-ins).
#pragma once

#include "interp/command_set.h"

namespace palavrino::commands {

void RegisterFileCommands(interp::CommandSet& set);

} // namespace palavrino::commands
