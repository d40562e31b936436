// Mouse events of the window as the console's mouse keys.
#include "console/window_input.h"

namespace palavrino::console {

std::optional<platform::KeyStroke> WindowKeyInput::MouseKey(platform::MouseAction action)
{
    MouseEvent event = MouseEvent::LeftPress;
    switch (action) {
    case platform::MouseAction::LeftPress:
        event = MouseEvent::LeftPress;
        break;
    case platform::MouseAction::RightPress:
        event = MouseEvent::RightPress;
        break;
    case platform::MouseAction::MiddlePress:
        event = MouseEvent::MiddlePress;
        break;
    case platform::MouseAction::WheelAway:
        event = MouseEvent::WheelAway;
        break;
    case platform::MouseAction::WheelTowards:
        event = MouseEvent::WheelTowards;
        break;
    }
    const std::optional<Key> key = m_mouse.Translate(event);
    if (!key)
        return std::nullopt;
    return platform::KeyStroke { key->code, key->extended };
}

void WindowKeyInput::FocusChanged(bool gained, bool button_held)
{
    if (gained)
        m_mouse.FocusGained(button_held);
    else
        m_mouse.FocusLost();
}

} // namespace palavrino::console
