// SDL events to key bytes.
#include "platform/linux/sdl_keys.h"

#include "encoding/encoding.h"

#include <optional>

namespace palavrino::platform {

namespace {

    // Right Alt is AltGr on the keyboards Palavrino's users type on: it
    // makes characters, it is not the Alt of Alt combinations.
    std::uint8_t ModifiersOf(std::uint16_t mod)
    {
        std::uint8_t m = 0;
        if ((mod & KMOD_SHIFT) != 0)
            m |= MOD_SHIFT;
        if ((mod & KMOD_CTRL) != 0)
            m |= MOD_CTRL;
        if ((mod & KMOD_LALT) != 0)
            m |= MOD_ALT;
        return m;
    }

    std::optional<NamedKey> NamedOf(SDL_Keycode sym)
    {
        if (sym >= SDLK_F1 && sym <= SDLK_F12)
            return static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + (sym - SDLK_F1));
        switch (sym) {
        case SDLK_INSERT:
            return NamedKey::Insert;
        case SDLK_DELETE:
            return NamedKey::Delete;
        case SDLK_HOME:
            return NamedKey::Home;
        case SDLK_END:
            return NamedKey::End;
        case SDLK_PAGEUP:
            return NamedKey::PageUp;
        case SDLK_PAGEDOWN:
            return NamedKey::PageDown;
        case SDLK_UP:
            return NamedKey::Up;
        case SDLK_DOWN:
            return NamedKey::Down;
        case SDLK_LEFT:
            return NamedKey::Left;
        case SDLK_RIGHT:
            return NamedKey::Right;
        default:
            return std::nullopt;
        }
    }

    // The letter a key has on a US keyboard: braille chords go by where the
    // keys are, whatever the layout prints on them.
    std::uint8_t PlaceLetter(SDL_Scancode code)
    {
        if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z)
            return static_cast<std::uint8_t>('a' + (code - SDL_SCANCODE_A));
        if (code == SDL_SCANCODE_SPACE)
            return ' ';
        return 0;
    }

    bool IsLetterOrSpace(std::uint8_t c)
    {
        return c == ' ' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }

} // namespace

bool SdlKeyTranslator::IsBreakKey(const SDL_KeyboardEvent& key, bool ctrl_c_is_key)
{
    const std::uint16_t mod = key.keysym.mod;
    if ((mod & KMOD_CTRL) == 0 || (mod & KMOD_ALT) != 0)
        return false;
    if (key.keysym.sym == SDLK_F12)
        return true;
    return key.keysym.sym == SDLK_c && !ctrl_c_is_key;
}

bool SdlKeyTranslator::IsSilenceKey(const SDL_KeyboardEvent& key)
{
    const SDL_Keycode sym = key.keysym.sym;
    const std::uint16_t others = key.keysym.mod & (KMOD_SHIFT | KMOD_ALT | KMOD_GUI);
    if ((sym == SDLK_LCTRL || sym == SDLK_RCTRL) && others == 0 && key.repeat == 0)
        return true;
    return sym == SDLK_SPACE && (key.keysym.mod & KMOD_CTRL) != 0 && others == 0;
}

SdlKeyTranslator::KeyByte SdlKeyTranslator::TakeKey()
{
    const KeyByte k = m_keys.front();
    m_keys.pop_front();
    return k;
}

void SdlKeyTranslator::Translate(const WindowEvent& e, WindowInput* input)
{
    switch (e.event.type) {
    case SDL_KEYDOWN:
        KeyDown(e.event.key, input);
        break;
    case SDL_KEYUP:
        if (input && input->ChordsActive()) {
            const std::uint8_t letter = PlaceLetter(e.event.key.keysym.scancode);
            const bool ctrl = (e.event.key.keysym.mod & KMOD_CTRL) != 0;
            if (const std::optional<std::uint8_t> c = input->ChordKeyUp(letter, ctrl))
                Push(*c, 0);
        }
        break;
    case SDL_TEXTINPUT:
        Text(e.event.text.text, e.modifiers, input);
        break;
    case SDL_MOUSEBUTTONDOWN: {
        std::optional<MouseAction> action;
        if (e.event.button.button == SDL_BUTTON_LEFT)
            action = MouseAction::LeftPress;
        else if (e.event.button.button == SDL_BUTTON_RIGHT)
            action = MouseAction::RightPress;
        else if (e.event.button.button == SDL_BUTTON_MIDDLE)
            action = MouseAction::MiddlePress;
        if (action && input)
            if (const std::optional<KeyStroke> k = input->MouseKey(*action))
                k->extended ? PushExtended(k->code, 0) : Push(k->code, 0);
        break;
    }
    case SDL_MOUSEWHEEL: {
        int y = e.event.wheel.y;
        if (e.event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            y = -y;
        if (y != 0 && input)
            if (const std::optional<KeyStroke> k
                = input->MouseKey(y > 0 ? MouseAction::WheelAway : MouseAction::WheelTowards))
                k->extended ? PushExtended(k->code, 0) : Push(k->code, 0);
        break;
    }
    case SDL_WINDOWEVENT:
        if (input && e.event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            input->FocusChanged(true, e.button_held);
        else if (input && e.event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            input->FocusChanged(false, false);
        break;
    default:
        break;
    }
}

void SdlKeyTranslator::KeyDown(const SDL_KeyboardEvent& key, WindowInput* input)
{
    const SDL_Keycode sym = key.keysym.sym;
    const std::uint8_t mods = ModifiersOf(key.keysym.mod);
    const bool ctrl = (mods & MOD_CTRL) != 0;
    const bool alt = (mods & MOD_ALT) != 0;
    if (ctrl && alt && (sym == SDLK_F11 || sym == SDLK_F12)) {
        if (input)
            input->BrailleModeKey(sym == SDLK_F11);
        return;
    }
    const std::uint8_t place = PlaceLetter(key.keysym.scancode);
    if (!ctrl && !alt && place != 0 && input && input->ChordsActive() && input->ChordKeyDown(place))
        return;
    if (const std::optional<NamedKey> named = NamedOf(sym)) {
        PushExtended(ExtendedCodeOf(*named, mods), mods);
        return;
    }
    switch (sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        Push(ctrl ? 10 : 13, mods);
        return;
    case SDLK_BACKSPACE:
        Push(ctrl ? 127 : 8, mods);
        return;
    case SDLK_TAB:
        if ((mods & MOD_SHIFT) != 0)
            PushExtended(static_cast<std::uint8_t>(ExtendedKey::ShiftTab), mods);
        else
            Push(9, mods);
        return;
    case SDLK_ESCAPE:
        Push(27, mods);
        return;
    default:
        break;
    }
    if (alt && !ctrl && sym >= 0 && sym < 128) {
        if (const std::optional<std::uint8_t> code = AltCodeOf(static_cast<std::uint8_t>(sym)))
            PushExtended(*code, mods);
        return;
    }
    if (ctrl && !alt && (key.keysym.mod & KMOD_RALT) == 0) {
        if (sym >= SDLK_a && sym <= SDLK_z)
            Push(static_cast<std::uint8_t>(sym - SDLK_a + 1), mods);
        else if (sym == SDLK_LEFTBRACKET)
            Push(27, mods);
        else if (sym == SDLK_BACKSLASH)
            Push(28, mods);
        else if (sym == SDLK_RIGHTBRACKET)
            Push(29, mods);
    }
    // Everything else that types a character comes as text.
}

void SdlKeyTranslator::Text(const char* utf8, std::uint16_t modifiers, WindowInput* input)
{
    // Ctrl and Alt combinations were taken as keys when they went down.
    const bool altgr = (modifiers & (KMOD_RALT | KMOD_MODE)) != 0;
    if (!altgr && (modifiers & (KMOD_CTRL | KMOD_LALT)) != 0)
        return;
    const bool chords = input && input->ChordsActive();
    const std::uint8_t mods = (modifiers & KMOD_SHIFT) != 0 ? MOD_SHIFT : 0;
    for (const char ch : encoding::Utf8ToCp1252(utf8)) {
        const auto c = static_cast<std::uint8_t>(ch);
        if (c < 32 || (chords && IsLetterOrSpace(c)))
            continue;
        Push(c, mods);
    }
}

} // namespace palavrino::platform
