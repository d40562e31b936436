// Messages of files and descriptors that the commands and the driver share.
#pragma once

#include <string_view>

namespace palavrino::msg {

// Followed by the file's name: writes to it failed and the script never
// read the failure (CHECA) before the file was closed.
constexpr std::string_view MSG_FILE_WRITE_FAILED = "Erro de escrita no arquivo ";

} // namespace palavrino::msg
