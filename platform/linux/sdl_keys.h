// Turns the window's SDL keyboard, text and mouse events into the console's
// key stream: named keys to extended codes, Ctrl and Alt combinations, text
// (AltGr, dead keys, input methods) from UTF-8 to Windows-1252, and key
// presses and releases to the braille chord keyboard through the console's
// WindowInput. It needs no display: tests feed it events they build.
#pragma once

#include "platform/terminal.h"

#include <SDL.h>
#include <cstdint>
#include <deque>

namespace palavrino::platform {

// One event as the window saw it, with what cannot be asked later: the
// modifier keys held and whether a mouse button was down.
struct WindowEvent {
    SDL_Event event {};
    std::uint16_t modifiers { 0 }; // SDL KMOD_* bits
    bool button_held { false };
};

class SdlKeyTranslator {
public:
    struct KeyByte {
        std::uint8_t byte { 0 };
        std::uint8_t modifiers { 0 }; // MOD_* bits
    };

    // `input` may be null: chords and mouse keys then do nothing.
    void Translate(const WindowEvent& event, WindowInput* input);
    bool HasKey() const { return !m_keys.empty(); }
    KeyByte TakeKey();
    void Clear() { m_keys.clear(); }

    // Keys the window acts on itself rather than queueing: the break key
    // (Ctrl+F12), and Ctrl+C unless it is wanted as a key.
    static bool IsBreakKey(const SDL_KeyboardEvent& key, bool ctrl_c_is_key);
    // Ctrl pressed alone, or Ctrl+Space: speech is silenced.
    static bool IsSilenceKey(const SDL_KeyboardEvent& key);

private:
    void KeyDown(const SDL_KeyboardEvent& key, WindowInput* input);
    void Text(const char* utf8, std::uint16_t modifiers, WindowInput* input);
    void Push(std::uint8_t byte, std::uint8_t modifiers) { m_keys.push_back(KeyByte { byte, modifiers }); }
    void PushExtended(std::uint8_t code, std::uint8_t modifiers)
    {
        Push(0, modifiers);
        Push(code, modifiers);
    }

    std::deque<KeyByte> m_keys;
};

} // namespace palavrino::platform
