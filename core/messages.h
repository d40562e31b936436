// Every fixed text the user reads and hears, in one place, as Windows-1252
// bytes. Messages built from pieces keep their fixed pieces here; the code
// that reports them joins the variable parts.
#pragma once

#include <string_view>

namespace palavrino::core {

// Lexer
constexpr std::string_view MSG_UNTERMINATED_STRING = "Faltou delimitar o fim da cadeia";
// Symbols
constexpr std::string_view MSG_OUT_OF_MEMORY = "Mem\xF3ria insuficiente";
constexpr std::string_view MSG_EXPECTED_ID_AFTER_DOT = "Esperava um identificador ap\xF3s o ponto";
// Expressions
constexpr std::string_view MSG_EXPECTED_ID_AFTER_SELECTOR_DOT
    = "Esperava um identificador ap\xF3s o seletor \".\"";
constexpr std::string_view MSG_MISSING_BAR = "Faltou a barra vertical";
constexpr std::string_view MSG_MISSING_PAREN = "Faltou fechar par\xEAnteses";
constexpr std::string_view MSG_RANGE_LIST_ELEMENTS = "Esperava uma faixa de inteiros como elementos da lista";
constexpr std::string_view MSG_NOT_EXPECTED_SUFFIX = " n\xE3o era esperado";
constexpr std::string_view MSG_INVALID_TOKEN_SUFFIX = " \xE9 um token inv\xE1lido neste contexto";
constexpr std::string_view MSG_EXPECTED_ID = "Esperava um identificador";
constexpr std::string_view MSG_NESTED_TOO_DEEP = "Express\xE3o aninhada demais";
// Evaluator and calls
constexpr std::string_view MSG_CALL_STACK_OVERFLOW = "Estouro na pilha de chamadas";
constexpr std::string_view MSG_EXEC_STACK_OVERFLOW = "Estouro na pilha de execu\xE7\xE3o";
constexpr std::string_view MSG_STACK_NO_RET = "Pilha Corrompida, RET n\xE3o achado";
constexpr std::string_view MSG_STACK_CORRUPT = "Pilha corrompida";
// Built-ins
constexpr std::string_view MSG_BAD_DIRETORIO_ARG = "Argumento inv\xE1lido para a fun\xE7\xE3o DIRET\xD3RIO: ";

} // namespace palavrino::core
