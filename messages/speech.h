// The texts of the speech family (FALA, SOLETRA, BIPA, TITULO) as
// Windows-1252 bytes; see messages/core.h for the layout.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

constexpr std::string_view MSG_BAD_FALA_EXPRESSION = "Express\xE3o inv\xE1lida para o comando FALA";
constexpr std::string_view MSG_BAD_SOLETRA_EXPRESSION = "Express\xE3o inv\xE1lida para o comando SOLETRA";

} // namespace palavrino::msg
