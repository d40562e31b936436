// What the full-screen components (paragraph editor, list menus, form) work
// with: the screen model they draw on, the key stream they read, the speech
// layer, the line editor for editing in place, and the few services beyond
// those. The console hands out one of these; tests build their own.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace palavrino::console {

class Clipboard;
class Keyboard;
class LineEditor;
class ScreenModel;
class Speech;

struct ScreenParts {
    ScreenModel& screen;
    Keyboard& keys;
    Speech& speech;
    LineEditor& editor;
    Clipboard* clipboard { nullptr };
    // Screen review (Ctrl+Alt+F9 in the lists); empty: the key is ignored.
    std::function<void()> screen_review;
    // Waits; empty: the thread sleeps.
    std::function<void(int ms)> pause_ms;
    // A file chooser for reading a file into the editor; empty, or nothing
    // chosen, and the name is typed instead.
    std::function<std::optional<std::string>()> choose_file;
};

} // namespace palavrino::console
