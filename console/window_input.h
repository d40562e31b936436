// The console's side of a graphical window's keyboard and mouse: key
// presses and releases go to the braille chord keyboard, Ctrl+Alt+F11/F12
// change its mode (announced by tones), and mouse buttons and the wheel
// become keys. A text front end never calls it.
#pragma once

#include "console/keyboard.h"
#include "platform/terminal.h"

#include <functional>

namespace palavrino::console {

class WindowKeyInput final : public platform::WindowInput {
public:
    // `set_mode` switches the braille mode and plays its tones.
    WindowKeyInput(BrailleKeyboard& braille, std::function<void(int)> set_mode)
        : m_braille(braille)
        , m_set_mode(std::move(set_mode))
    {
    }

    bool ChordsActive() const override { return m_braille.Mode() != 0; }
    bool ChordKeyDown(std::uint8_t key) override { return m_braille.KeyDown(key); }
    std::optional<std::uint8_t> ChordKeyUp(std::uint8_t key, bool ctrl_held) override
    {
        return m_braille.KeyUp(key, ctrl_held);
    }
    void BrailleModeKey(bool next) override { m_set_mode(next ? m_braille.NextMode() : 0); }
    std::optional<platform::KeyStroke> MouseKey(platform::MouseAction action) override;
    void FocusChanged(bool gained, bool button_held) override;

private:
    BrailleKeyboard& m_braille;
    std::function<void(int)> m_set_mode;
    MouseKeys m_mouse;
};

} // namespace palavrino::console
