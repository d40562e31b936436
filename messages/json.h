// Messages of the JSON reader.
#pragma once

#include <string_view>

namespace palavrino::msg {

// Followed by the limit in megabytes and MSG_JSON_TOO_LONG_UNIT.
constexpr std::string_view MSG_JSON_TOO_LONG = "Texto JSON grande demais; o limite \xE9 de ";
constexpr std::string_view MSG_JSON_TOO_LONG_UNIT = " megabytes";

} // namespace palavrino::msg
