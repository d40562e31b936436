// The graphical console window (SDL2 with SDL2_ttf): the 80 x 25 screen in
// large letters of a chosen font, the console's colours, the caret while a
// key is awaited, a picture over the text, the magnified view of the line
// being edited, and the keyboard with key releases (braille chords) and the
// mouse. An optional part of the build: PL_WITH_WINDOW is defined where it
// was built.
#pragma once

#include "platform/terminal.h"

#include <functional>
#include <memory>
#include <string>

namespace palavrino::platform {

// The font the cells are drawn with: a fontconfig family name (the
// DejaVu Sans Mono family stands in when it is not installed), the cell
// size in pixels and the weight (400 normal, 700 bold).
struct WindowFont {
    std::string face;
    int width { 13 };
    int height { 28 };
    int weight { 700 };
};

struct WindowOptions {
    // Chooses the font once the desktop's usable area (pixels) is known,
    // since the default letter size grows with it.
    std::function<WindowFont(int work_width, int work_height)> choose_font;
    bool open_maximised { false };
    std::string title; // UTF-8
};

class ConsoleWindow : public Terminal {
public:
    // Draws everything the screen model changed so far and waits until it
    // is on the screen (for screenshots, and before the window closes).
    virtual void Flush() = 0;
    // The X11 window, for tests that look at it from outside (0 elsewhere).
    virtual unsigned long NativeId() const = 0;
    // The font file in use and the cell size (pixels) it was made for.
    virtual std::string FontFile() const = 0;
    virtual int CellWidth() const = 0;
    virtual int CellHeight() const = 0;
};

// Opens the window; nothing, with the reason in `reason` (in English, for
// logs), when there is no display or the window cannot be made.
std::unique_ptr<ConsoleWindow> OpenConsoleWindow(const WindowOptions& options, std::string& reason);

} // namespace palavrino::platform
