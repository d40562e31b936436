// Synthetic keyboard and mouse input on the desktop (XTest on X11), for
// DIGITA, ACIONA, CLICA and MOUSE. Keys are named by the virtual-key codes
// scripts use (13 Enter, 38 Up, 112 F1...); characters are typed as
// themselves whatever the keyboard layout, binding a spare key for the
// ones the layout lacks. One object is one connection, opened per command.
#pragma once

#include "platform/desktop_x11.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace palavrino::platform {

// The virtual-key codes of the modifiers.
constexpr uint8_t VK_SHIFT = 16;
constexpr uint8_t VK_CONTROL = 17;
constexpr uint8_t VK_ALT = 18;
constexpr uint8_t VK_NUMLOCK = 144;

enum class MouseButton : uint8_t { Left = 1, Right = 3 };

class DesktopInput {
public:
    DesktopInput();
    // Restores the keyboard map where a spare key was bound (Finish).
    ~DesktopInput();
    DesktopInput(const DesktopInput&) = delete;
    DesktopInput& operator=(const DesktopInput&) = delete;

    // Connects to the display; NoDisplay without one, Failed when the
    // server lacks the XTest extension.
    [[nodiscard]] DesktopStatus Open();

    // A key by virtual-key code, down or up. Num Lock (144) is pressed
    // like any other key: on X11 the server keeps the lock state.
    [[nodiscard]] DesktopStatus Key(uint8_t vk, bool down);
    // Types one character (Unicode) with the modifiers its key needs, or on
    // a spare key bound to it when the layout has none.
    [[nodiscard]] DesktopStatus TypeCharacter(char32_t ch);
    // The key that carries a character, down or up, with no modifier
    // added (the "!" key of a US layout gives "1").
    [[nodiscard]] DesktopStatus CharacterKey(char32_t ch, bool down);

    [[nodiscard]] DesktopStatus MovePointer(int x, int y);
    [[nodiscard]] DesktopStatus Button(MouseButton button, bool down);
    [[nodiscard]] DesktopStatus PointerPosition(int& x, int& y);
    // The origin of window-relative coordinates: the focused window's
    // left edge inside its frame, and 4 pixels below its frame's top;
    // (0, 0) when no window has the focus.
    [[nodiscard]] DesktopStatus WindowOrigin(int& x, int& y);

    // Gives the receiving program time to read the last key against the
    // map it was typed with, then restores the keys bound for characters.
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// The X keysym a virtual-key code stands for; 0 for an unknown code.
uint32_t KeysymOfVirtualKey(uint8_t vk);
// The keysym that types a Unicode character.
uint32_t KeysymOfCharacter(char32_t ch);

} // namespace palavrino::platform
