// Messages of the console, keyboard and speech layer, as Windows-1252 bytes.
#pragma once

#include <string_view>

namespace palavrino::msg {

// Standard output refused what the program wrote (a full disk, a closed
// pipe): the run ends, as with any run-time error.
constexpr std::string_view MSG_OUTPUT_WRITE_ERROR = "Erro de escrita na sa\xED"
                                                    "da padr\xE3o";

} // namespace palavrino::msg
