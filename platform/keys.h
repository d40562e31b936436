// The key codes shared by the console and its front ends: the extended
// codes that follow a zero byte in the key stream (function keys, arrows,
// Alt and Ctrl combinations), the table that gives them for each named key,
// and the modifier bits held with a key.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace palavrino::platform {

// Modifier keys held with a key, as bits. The key stream itself carries no
// Shift state; readers that care (selection in the line editor) ask.
constexpr std::uint8_t MOD_SHIFT = 1;
constexpr std::uint8_t MOD_ALT = 2;
constexpr std::uint8_t MOD_CTRL = 4;

// The code after a zero byte. Some codes have two names because two keys
// produce them (Ctrl+F11 and Alt+F1 both give 104).
enum class ExtendedKey : std::uint8_t {
    ShiftTab = 15,
    AltQ = 16,
    AltW = 17,
    AltE = 18,
    AltR = 19,
    AltT = 20,
    AltY = 21,
    AltU = 22,
    AltI = 23,
    AltO = 24,
    AltP = 25,
    AltA = 30,
    AltS = 31,
    AltD = 32,
    AltF = 33,
    AltG = 34,
    AltH = 35,
    AltJ = 36,
    AltK = 37,
    AltL = 38,
    AltZ = 44,
    AltX = 45,
    AltC = 46,
    AltV = 47,
    AltB = 48,
    AltN = 49,
    AltM = 50,
    F1 = 59,
    F2 = 60,
    F3 = 61,
    F4 = 62,
    F5 = 63,
    F6 = 64,
    F7 = 65,
    F8 = 66,
    F9 = 67,
    F10 = 68,
    F11 = 69,
    F12 = 70,
    Home = 71,
    Up = 72,
    PageUp = 73,
    Left = 75,
    Right = 77,
    End = 79,
    Down = 80,
    PageDown = 81,
    Insert = 82,
    Delete = 83,
    CtrlF1 = 94,
    CtrlF2 = 95,
    CtrlF3 = 96,
    CtrlF4 = 97,
    CtrlF5 = 98,
    CtrlF6 = 99,
    CtrlF7 = 100,
    CtrlF8 = 101,
    CtrlF9 = 102,
    CtrlF10 = 103,
    CtrlF11 = 104,
    AltF1 = 104,
    CtrlF12 = 105,
    CtrlUp = 113,
    CtrlDown = 114,
    CtrlLeft = 115,
    CtrlRight = 116,
    CtrlEnd = 117,
    CtrlPageDown = 118,
    CtrlHome = 119,
    Alt1 = 120,
    Alt2 = 121,
    Alt3 = 122,
    Alt4 = 123,
    Alt5 = 124,
    Alt6 = 125,
    Alt7 = 126,
    Alt8 = 127,
    Alt9 = 128,
    Alt0 = 129,
    CtrlPageUp = 132,
    ShiftInsert = 254,
    CtrlInsert = 255,
};

// The keys of the extended-key table: each gives one code alone and another
// with Ctrl held.
enum class NamedKey : std::uint8_t {
    F1 = 0,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    Insert,
    Delete,
    Home,
    End,
    PageUp,
    PageDown,
    Up,
    Down,
    Left,
    Right,
};

// The code after the zero byte for a key of the table: the Ctrl code with
// Ctrl held; Insert also has its own codes for Shift (paste) and Ctrl (copy).
constexpr std::uint8_t ExtendedCodeOf(NamedKey key, std::uint8_t modifiers)
{
    struct Row {
        std::uint8_t plain;
        std::uint8_t with_ctrl;
    };
    constexpr std::array<Row, 22> TABLE = { {
        { 59, 94 }, { 60, 95 }, { 61, 96 }, { 62, 97 }, { 63, 98 }, { 64, 99 }, { 65, 100 }, { 66, 101 },
        { 67, 102 }, { 68, 103 }, { 69, 104 }, { 70, 105 }, // F1 ... F12
        { 82, 255 }, // Insert
        { 83, 83 }, // Delete
        { 71, 119 }, // Home
        { 79, 117 }, // End
        { 73, 132 }, // Page Up
        { 81, 118 }, // Page Down
        { 72, 113 }, // Up
        { 80, 114 }, // Down
        { 75, 115 }, // Left
        { 77, 116 }, // Right
    } };
    static_assert(TABLE.size() == static_cast<std::size_t>(NamedKey::Right) + 1);
    const Row row = TABLE[static_cast<std::size_t>(key)];
    if ((modifiers & MOD_CTRL) != 0)
        return row.with_ctrl;
    if (key == NamedKey::Insert && (modifiers & MOD_SHIFT) != 0)
        return static_cast<std::uint8_t>(ExtendedKey::ShiftInsert);
    return row.plain;
}

// The code a letter or digit gives with Alt held (the PC scan code of the
// letter; 120 ... 129 for the digits 1 ... 9 and 0). Nothing for other keys.
constexpr std::optional<std::uint8_t> AltCodeOf(std::uint8_t c)
{
    constexpr std::array<std::uint8_t, 26> LETTERS = { 30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50, 49,
        24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44 };
    if (c >= 'a' && c <= 'z')
        c = static_cast<std::uint8_t>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return LETTERS[static_cast<std::size_t>(c - 'A')];
    if (c >= '1' && c <= '9')
        return static_cast<std::uint8_t>(120 + (c - '1'));
    if (c == '0')
        return static_cast<std::uint8_t>(129);
    return std::nullopt;
}

} // namespace palavrino::platform
