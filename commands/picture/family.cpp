// The rows of the picture family.
#include "commands/picture/family.h"

#include "commands/picture/cmd_picture.h"

namespace palavrino::commands {

namespace {

    using K = core::SymbolKind;

    constexpr interp::CommandRow ROWS[] = {
        { "IMAGEM", interp::CmdImagem, K::Command },
    };

} // namespace

void RegisterPictureCommands(interp::CommandSet& set)
{
    set.Add(ROWS);
}

} // namespace palavrino::commands
