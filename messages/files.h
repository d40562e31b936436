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

// Descriptors and their commands (ABRE, FECHA, ESCREVE, LE, OBSERVA)
constexpr std::string_view MSG_EXPECTED_DESCRIPTOR = "Esperava um descritor de arquivo";
constexpr std::string_view MSG_INVALID_DESCRIPTOR = "Descritor de arquivo inv\xE1lido";
constexpr std::string_view MSG_EXPECTED_FILE_NAME = "Esperava um nome de arquivo";
constexpr std::string_view MSG_OPEN_FAILED = "Erro na abertura do arquivo ";
constexpr std::string_view MSG_CLOSE_FAILED = "Erro no fechamento do arquivo #";
constexpr std::string_view MSG_PROCESSING_FAILED = "Erro no processamento do arquivo #";
constexpr std::string_view MSG_EXPECTED_LIST = "Esperava uma lista para ser escrita";
constexpr std::string_view MSG_EXPECTED_SEPARATOR = "Esperava uma cadeia como separador";
constexpr std::string_view MSG_NOT_OPEN = "N\xE3o h\xE1 arquivo aberto associado ao descritor #";
constexpr std::string_view MSG_MISSING_VARIABLE = "Faltou a vari\xE1vel para leitura";
constexpr std::string_view MSG_KEYBOARD_ONLY
    = "Os modificadores MUDO, SENHA ou EDITA s\xF3 se aplicam \xE0 leitura do teclado";
constexpr std::string_view MSG_EXPECTED_TERMINATOR = "Esperava uma cadeia como terminador da lista";
constexpr std::string_view MSG_LIST_START = "Leitura de lista pelo teclado. ";
constexpr std::string_view MSG_LIST_EMPTY_END = "Termine com uma linha vazia.";
constexpr std::string_view MSG_LIST_TERMINATOR_END = "Termine com uma linha contendo ";
constexpr std::string_view MSG_LIST_END = "Fim da leitura da lista";

// "Não há arquivo aberto associado ao descritor #3"
inline std::string NotOpen(int32_t n)
{
    return Join(MSG_NOT_OPEN, Num(n));
}

// "Erro no processamento do arquivo #3"
inline std::string ProcessingFailed(int32_t n)
{
    return Join(MSG_PROCESSING_FAILED, Num(n));
}

// "Erro no fechamento do arquivo #3"
inline std::string CloseFailed(int32_t n)
{
    return Join(MSG_CLOSE_FAILED, Num(n));
}

// "Modificadores INTEIRO e LISTA conflitantes para o comando Lê"
inline std::string ConflictingLeModifiers(std::string_view which)
{
    return Join("Modificadores ", which, " conflitantes para o comando L\xEA");
}

// "Erro de leitura; a variável \"x\" não foi alterada"
inline std::string ReadErrorUnchanged(std::string_view name)
{
    return Join("Erro de leitura; a vari\xE1vel \"", name, "\" n\xE3o foi alterada");
}

// The file system commands (BUSCA, RENOMEIA, REPLICA, APAGA, DIRETORIO);
// the texts ending in a space are followed by a file or folder name.
constexpr std::string_view MSG_BAD_PROXIMO = "Uso indevido do modificador PR\xD3XIMO";
constexpr std::string_view MSG_EXPECTED_SEARCH_PATTERN = "Esperava cadeia com padr\xE3o de busca";
constexpr std::string_view MSG_RENOMEIA_NAMES = "Esperava dois nomes de arquivos para o comando RENOMEIA";
constexpr std::string_view MSG_RENAME_FAILED = "Erro na renomea\xE7\xE3o do arquivo ";
constexpr std::string_view MSG_REPLICA_NAMES = "Esperava nomes de arquivos para o comando REPLICA";
constexpr std::string_view MSG_SAME_FILE = "Origem e destino s\xE3o o mesmo arquivo: ";
constexpr std::string_view MSG_READ_FAILED = "Erro na leitura do arquivo ";
constexpr std::string_view MSG_WRITE_FAILED = "Erro na escrita do arquivo ";
constexpr std::string_view MSG_DELETE_FAILED = "Erro no apagamento do arquivo ";
constexpr std::string_view MSG_EXPECTED_DIR_ACTION = "Esperava CRIA, REMOVE ou TROCA";
constexpr std::string_view MSG_EXPECTED_NAME = "Esperava um nome";
constexpr std::string_view MSG_DIRECTORY_FAILED = "Erro no processamento do diret\xF3rio ";

} // namespace palavrino::msg
