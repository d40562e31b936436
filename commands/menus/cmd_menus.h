// MENU, POPUPMENU and FORM: spoken text-mode interfaces for scripts, built
// on the console's list menu, pop-up list and form.
#pragma once

#include "interp/runtime.h"

namespace palavrino::interp {

[[nodiscard]] bool CmdMenu(Runtime& rt);
[[nodiscard]] bool CmdPopupmenu(Runtime& rt);
[[nodiscard]] bool CmdForm(Runtime& rt);

} // namespace palavrino::interp
