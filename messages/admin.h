// The texts of the admin family (AJUDA, VERSAO, DEBUG, SIMBOLOS) as
// Windows-1252 bytes; see messages/core.h for the layout.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

// AJUDA
constexpr std::string_view MSG_EXPECTED_COMMAND_NAME = "Esperava o nome de um comando";
constexpr std::string_view MSG_MANUAL_NOT_FOUND = "Manual n\xE3o encontrado";
constexpr std::string_view MSG_CHOOSE_HELP_TOPIC = "Escolha o item para obter ajuda:";

// "Ajuda não encontrada para o comando XYZ"
inline std::string HelpNotFound(std::string_view topic)
{
    return Join("Ajuda n\xE3o encontrada para o comando ", topic);
}

// VERSAO
constexpr std::string_view MSG_EXPECTED_VERSION_STRING = "Esperava uma cadeia com o n\xFAmero da vers\xE3o";

// "abc não é um número válido de versão"
inline std::string BadVersionNumber(std::string_view text)
{
    return Join(text, " n\xE3o \xE9 um n\xFAmero v\xE1lido de vers\xE3o");
}

// "Cuidado: a versão corrente deste interpretador é 6.3"
inline std::string NewerVersionWanted(std::string_view current)
{
    return Join("Cuidado: a vers\xE3o corrente deste interpretador \xE9 ", current);
}

// DEBUG
constexpr std::string_view MSG_DEBUG_OFF = "Depura\xE7\xE3o desligada";
constexpr std::string_view MSG_DEBUG_ON = "Depura\xE7\xE3o ligada";

// SIMBOLOS: the heading, the words of the scope and kind columns, and the
// counters, each label padded so that the numbers after it line up.
constexpr std::string_view MSG_SYMBOLS_HEADING = "   IDENTIFICADOR      TIPO   SCRIPT      ESCOPO      VALOR";
constexpr std::string_view MSG_SCOPE_GLOBAL = "GLOBAL";
constexpr std::string_view MSG_SCOPE_SUPERGLOBAL = "SUPERGLOBAL";
constexpr std::string_view MSG_KIND_MODULE_SHORT = "MOD";
constexpr std::string_view MSG_COUNTERS = "Contadores:";
constexpr std::string_view MSG_COUNTER_DICT_NODES = "   N\xF3s de dicion\xE1rio:         ";
constexpr std::string_view MSG_COUNTER_LIST_CELLS = "   N\xF3s de Listas:             ";
constexpr std::string_view MSG_COUNTER_OBJECTS = "   N\xF3s de Objetos:            ";
constexpr std::string_view MSG_COUNTER_NEW_COMMANDS = "   Comandos Novos:            0";
constexpr std::string_view MSG_COUNTER_SIZES = "   sizeof Operand, ObjRec:    12, 20";
constexpr std::string_view MSG_COUNTER_LONGEST_CHAIN = "   Maior Lista de Colis\xF5"
                                                       "es:   ";

} // namespace palavrino::msg
