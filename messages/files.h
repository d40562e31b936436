// The texts of the files family (descriptors, text files, the file system and
// the functions that read them) as Windows-1252 bytes; see messages/core.h
// for the layout.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

constexpr std::string_view MSG_BAD_DIRETORIO_ARG = "Argumento inv\xE1lido para a fun\xE7\xE3o DIRET\xD3RIO: ";

// "O descritor #3 já está aberto"
inline std::string DescriptorAlreadyOpen(int32_t n)
{
    return Join("O descritor #", Num(n), " j\xE1 est\xE1 aberto");
}

// Followed by the file's name: writes to it failed and the script never
// read the failure (CHECA) before the file was closed.
constexpr std::string_view MSG_FILE_WRITE_FAILED = "Erro de escrita no arquivo ";

} // namespace palavrino::msg
