// The console rig with the parts the full-screen components take, and small
// helpers for reading the screen back.
#pragma once

#include "console/screen_parts.h"
#include "tests/unit/console/console_rig.h"

#include <string>

namespace palavrino::console::testing {

inline ScreenParts PartsOf(ConsoleRig& rig)
{
    ScreenParts parts { rig.screen, rig.keyboard, rig.speech, rig.editor, &rig.clipboard,
        [&rig] { rig.heard.push_back("revisao"); },
        [&rig](int ms) { rig.heard.push_back("pausa " + std::to_string(ms)); }, {} };
    return parts;
}

// Columns first..last (1-based) of a screen row.
inline std::string Cells(const ScreenModel& screen, int row, int first, int last)
{
    std::string out;
    for (int c = first; c <= last; ++c)
        out.push_back(static_cast<char>(screen.CellChar(c - 1, row - 1)));
    return out;
}

inline int TextColourAt(const ScreenModel& screen, int column, int row)
{
    return screen.CellAttr(column - 1, row - 1) & 0x0F;
}

} // namespace palavrino::console::testing
