// Messages of the JSON reader.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

// Followed by the limit in megabytes and MSG_JSON_TOO_LONG_UNIT.
constexpr std::string_view MSG_JSON_TOO_LONG = "Texto JSON grande demais; o limite \xE9 de ";
constexpr std::string_view MSG_JSON_TOO_LONG_UNIT = " megabytes";

// Said around a JSON text typed at the keyboard.
constexpr std::string_view MSG_JSON_START = "Leitura de JSON. Termine com uma linha em branco.";
constexpr std::string_view MSG_JSON_END = "Fim da leitura de JSON.";

// "Caractere ] inesperado": a closing bracket with nothing open.
inline std::string JsonUnexpectedChar(char c)
{
    return Join("Caractere ", std::string_view(&c, 1), " inesperado");
}

// "Esperava ] em vez de }": a closing bracket of the wrong kind.
inline std::string JsonExpectedCloser(char expected, char got)
{
    return Join("Esperava ", std::string_view(&expected, 1), " em vez de ", std::string_view(&got, 1));
}

} // namespace palavrino::msg
