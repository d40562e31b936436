// The key stream every reader of the keyboard uses: one byte per key, or a
// zero byte followed by a PC-style extended code (function keys, arrows,
// Alt and Ctrl combinations). Keys wait in a 64-byte buffer, first in first
// out; the front end (platform::KeySource) feeds it only while it has room,
// so a fast producer such as a pipe loses nothing.
//
// The line editor that turns keys into a typed line is console/line_editor.h.
#pragma once

#include "platform/terminal.h"

#include <array>
#include <cstdint>
#include <utility>

namespace palavrino::console {

// Ordinary key bytes with a fixed meaning.
constexpr std::uint8_t KEY_CTRL_B = 2;
constexpr std::uint8_t KEY_BACKSPACE = 8;
constexpr std::uint8_t KEY_TAB = 9;
constexpr std::uint8_t KEY_CTRL_ENTER = 10;
constexpr std::uint8_t KEY_ENTER = 13;
constexpr std::uint8_t KEY_ESCAPE = 27;
constexpr std::uint8_t KEY_CTRL_BACKSPACE = 127;

// The code after a zero byte. Some codes have two names because two keys
// produce them (Ctrl+F11 and Alt+F1 both give 104).
enum class ExtendedKey : std::uint8_t {
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

// One whole key: an ordinary byte, or an extended code.
struct Key {
    std::uint8_t code { 0 };
    bool extended { false };

    static constexpr Key Byte(std::uint8_t b) { return Key { b, false }; }
    static constexpr Key Extended(ExtendedKey k) { return Key { static_cast<std::uint8_t>(k), true }; }
    bool Is(ExtendedKey k) const { return extended && code == static_cast<std::uint8_t>(k); }
    bool Is(std::uint8_t b) const { return !extended && code == b; }
    bool operator==(const Key&) const = default;
};

class KeyBuffer {
public:
    // Keys typed while nobody reads pile up to this many bytes; more are
    // dropped so a stuck key cannot grow memory without end.
    static constexpr std::size_t CAPACITY = 64;

    bool PushByte(std::uint8_t byte);
    // Both bytes or neither: an extended key is never split.
    bool PushExtended(std::uint8_t code);
    bool Empty() const { return m_count == 0; }
    std::size_t Size() const { return m_count; }
    std::uint8_t Pop();
    // The i-th byte from the front (0 when there is none).
    std::uint8_t Peek(std::size_t i) const;
    void Clear()
    {
        m_count = 0;
        m_head = 0;
    }

private:
    std::array<std::uint8_t, CAPACITY> m_bytes {};
    std::size_t m_head { 0 };
    std::size_t m_count { 0 };
};

class Keyboard {
public:
    explicit Keyboard(platform::KeySource& source);

    // A key the user typed is waiting. False at the end of input.
    bool KeyWaiting();
    // ReadKey would return at once: a key is waiting or the input has ended
    // (then Escape comes). Loops that poll for a key use this, so they end
    // when the input does.
    bool KeyPressed();
    // A key waiting should stop speech in progress. Only keys typed live do:
    // input prepared in advance is for the readers, not a barge-in.
    bool KeyInterruptsSpeech();

    // The next byte of the key stream, waiting for it.
    std::uint8_t ReadKey();
    // The next whole key (both bytes of an extended key).
    Key ReadWholeKey();
    // The first two waiting bytes without removing them (0 where none).
    std::pair<std::uint8_t, std::uint8_t> PeekKey();
    // Discards keys typed ahead. Prepared input is never thrown away.
    void FlushKeys();

    KeyBuffer& Buffer() { return m_buffer; }
    platform::KeySource& Source() { return m_source; }

private:
    // Moves keys from the front end into the buffer while there is room for
    // a whole key.
    void Pump();

    platform::KeySource& m_source;
    KeyBuffer m_buffer;
};

} // namespace palavrino::console
