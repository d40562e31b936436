// The roles of objects on the desktop as scripts know them: MSAA CODIGO
// gives the role's number (the numbering scripts written for Windows'
// accessibility rely on: push button 43, check box 44, editable text 42...)
// and MSAA TIPO its name in Portuguese. The bus names roles in English
// ("push button"); one table maps each to its number.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace palavrino::commands {

struct RoleRow {
    std::string_view bus_role; // the accessibility bus's role name
    int32_t code;
};

// The role a script sees. Code 0 (no role) has an empty text.
struct ScriptRole {
    int32_t code { 0 };
    std::string_view text;
};

// A role the table lacks is a generic client area (10); no role, an
// invalid one or "unknown" is 0.
constexpr int32_t ROLE_CLIENT = 10;

ScriptRole RoleForBusRole(std::string_view bus_role);
// The Portuguese name of a role number; empty for numbers without one.
std::string_view RoleText(int32_t code);
std::span<const RoleRow> RoleTable();

} // namespace palavrino::commands
