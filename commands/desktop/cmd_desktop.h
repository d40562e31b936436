// Handlers of the desktop family: waiting (ESPERA), starting programs
// (EXECUTA), running a line held in a string (CMD), and the windows of the
// X11 desktop (CAPTURA, JANELA).
#pragma once

#include "interp/runtime.h"

#include <string>
#include <string_view>
#include <vector>

namespace palavrino::interp {

bool CmdEspera(Runtime& rt);
bool CmdExecuta(Runtime& rt);
bool CmdCmd(Runtime& rt);
bool CmdCaptura(Runtime& rt);
bool CmdJanela(Runtime& rt);

// ESPERA's second form (cmd_windows.cpp).
bool WaitForTitle(Runtime& rt, int32_t seconds, const std::string& text);
// JANELA's title pattern, matched in capitals: "*" at its start means the
// title begins with the rest, at its end that it ends with it; otherwise
// the rest may stand anywhere.
bool TitleMatches(std::string_view title, std::string_view pattern);

// EXECUTA's command line as program words: a leading double-quoted program
// (which may hold blanks), or the text before the first blank; the
// parameters are split at blanks, double quotes grouping. Exposed for tests.
std::vector<std::string> SplitCommandLine(std::string_view line);

} // namespace palavrino::interp
