// Handlers of the desktop family: waiting (ESPERA), starting programs
// (EXECUTA), running a line held in a string (CMD), the windows of the X11
// desktop (CAPTURA, JANELA), synthetic keys and mouse (DIGITA, ACIONA,
// CLICA, MOUSE) and the clipboard (TRANSFERE).
#pragma once

#include "interp/runtime.h"
#include "platform/desktop_x11.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::interp {

bool CmdEspera(Runtime& rt);
bool CmdExecuta(Runtime& rt);
bool CmdCmd(Runtime& rt);
bool CmdCaptura(Runtime& rt);
bool CmdJanela(Runtime& rt);
bool CmdDigita(Runtime& rt);
bool CmdAciona(Runtime& rt);
bool CmdClica(Runtime& rt);
bool CmdMouse(Runtime& rt);
bool CmdTransfere(Runtime& rt);

// Tells the user, written and spoken, that the desktop could not be
// reached or refused; the I/O status becomes 1 and the script goes on
// (the handler returns this function's true).
bool ReportDesktop(Runtime& rt, platform::DesktopStatus status);

// A key to press with its modifiers: a virtual-key code, or, when
// `character` is set, the key that carries that character.
struct KeyChord {
    uint8_t vk { 0 };
    bool shift { false };
    bool ctrl { false };
    bool alt { false };
    char32_t character { 0 };
};
// ACIONA's key name: "CTRL+", "SHIFT+", "ALT+" in that order, then a name
// of the key table, "F1".."F12", "#" and a code, or one character.
// Nothing for a name that is none of these.
std::optional<KeyChord> ParseKeyName(std::string_view text);

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
