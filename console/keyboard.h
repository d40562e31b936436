// The key stream every reader of the keyboard uses: one byte per key, or a
// zero byte followed by a PC-style extended code (function keys, arrows,
// Alt and Ctrl combinations). Keys wait in a 64-byte buffer, first in first
// out; the front end (platform::KeySource) feeds it only while it has room,
// so a fast producer such as a pipe loses nothing.
//
// The line editor that turns keys into a typed line is console/line_editor.h.
#pragma once

#include "platform/keys.h"
#include "platform/terminal.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace palavrino::console {

// Ordinary key bytes with a fixed meaning.
constexpr std::uint8_t KEY_CTRL_B = 2;
constexpr std::uint8_t KEY_CTRL_C = 3;
constexpr std::uint8_t KEY_CTRL_D = 4;
constexpr std::uint8_t KEY_CTRL_K = 11;
constexpr std::uint8_t KEY_CTRL_L = 12;
constexpr std::uint8_t KEY_CTRL_S = 19;
constexpr std::uint8_t KEY_CTRL_U = 21;
constexpr std::uint8_t KEY_CTRL_V = 22;
constexpr std::uint8_t KEY_CTRL_Y = 25;
constexpr std::uint8_t KEY_CTRL_Z = 26;
constexpr std::uint8_t KEY_CTRL_BACKSLASH = 28;
// Two bytes some keyboards give for keys of their own: the first asks the
// editor to read the whole text aloud, the second is ignored.
constexpr std::uint8_t KEY_READ_ALL = 222;
constexpr std::uint8_t KEY_IGNORED = 223;
constexpr std::uint8_t KEY_BACKSPACE = 8;
constexpr std::uint8_t KEY_TAB = 9;
constexpr std::uint8_t KEY_CTRL_ENTER = 10;
constexpr std::uint8_t KEY_ENTER = 13;
constexpr std::uint8_t KEY_ESCAPE = 27;
constexpr std::uint8_t KEY_CTRL_BACKSPACE = 127;

// The extended codes and their table live with the front ends that produce
// them.
using platform::AltCodeOf;
using platform::ExtendedCodeOf;
using platform::ExtendedKey;
using platform::NamedKey;

// One whole key: an ordinary byte, or an extended code, with the modifier
// keys (platform::MOD_* bits) that were held when it was typed.
struct Key {
    std::uint8_t code { 0 };
    bool extended { false };
    std::uint8_t modifiers { 0 };

    static constexpr Key Byte(std::uint8_t b) { return Key { b, false, 0 }; }
    static constexpr Key Extended(ExtendedKey k) { return Key { static_cast<std::uint8_t>(k), true, 0 }; }
    bool Is(ExtendedKey k) const { return extended && code == static_cast<std::uint8_t>(k); }
    bool Is(std::uint8_t b) const { return !extended && code == b; }
    bool Shift() const { return (modifiers & platform::MOD_SHIFT) != 0; }
    bool Alt() const { return (modifiers & platform::MOD_ALT) != 0; }
    bool Ctrl() const { return (modifiers & platform::MOD_CTRL) != 0; }
    // The same key whatever modifiers were held.
    bool operator==(const Key& other) const { return code == other.code && extended == other.extended; }
};

class KeyBuffer {
public:
    // Keys typed while nobody reads pile up to this many bytes; more are
    // dropped so a stuck key cannot grow memory without end.
    static constexpr std::size_t CAPACITY = 64;

    bool PushByte(std::uint8_t byte, std::uint8_t modifiers = 0);
    // Both bytes or neither: an extended key is never split.
    bool PushExtended(std::uint8_t code, std::uint8_t modifiers = 0);
    // Puts a key back in front of the waiting ones.
    bool PushFront(std::uint8_t byte, std::uint8_t modifiers = 0);
    bool Empty() const { return m_count == 0; }
    std::size_t Size() const { return m_count; }
    std::uint8_t Pop();
    // The modifiers held with the byte Pop returned last.
    std::uint8_t LastModifiers() const { return m_last_modifiers; }
    // The i-th byte from the front (0 when there is none).
    std::uint8_t Peek(std::size_t i) const;
    void Clear()
    {
        m_count = 0;
        m_head = 0;
    }

private:
    std::array<std::uint8_t, CAPACITY> m_bytes {};
    std::array<std::uint8_t, CAPACITY> m_modifiers {};
    std::size_t m_head { 0 };
    std::size_t m_count { 0 };
    std::uint8_t m_last_modifiers { 0 };
};

// The six-key braille keyboard on the letter keys: F D S J K L are dots 1 to
// 6 and the space bar is a seventh bit. The keys pressed together form a
// chord, which is complete when the last of them is released. Mode 1 uses
// the plain table; mode 2 adds the Portuguese capital sign (dots 4-6) and
// number sign (dots 3-4-5-6). Only a front end with key-release events can
// feed it (the graphical window); a terminal cannot.
class BrailleKeyboard {
public:
    // The byte the table gives for "no character" (a sign that only sets a
    // flag).
    static constexpr std::uint8_t NO_CHARACTER = 254;

    int Mode() const { return m_mode; }
    // Stores the mode (above 2 counts as 1) and clears a chord in progress.
    void SetMode(int mode);
    // The mode Ctrl+Alt+F11 selects next: 0 -> 1 -> 2 -> 1.
    int NextMode() const { return m_mode == 1 ? 2 : 1; }

    // The bit of a chord key (F D S J K L or space, either case), 0 for others.
    static std::uint8_t ChordBit(std::uint8_t key);
    // The character of a dot pattern 0-63 in the plain table.
    static std::uint8_t TableEntry(int dots);

    // A chord key went down (Ctrl not held). True when the key belongs to a
    // chord and so must produce nothing else.
    bool KeyDown(std::uint8_t key);
    // A key went up. When it completes a chord, the character typed (never
    // NO_CHARACTER). Ctrl held or a key outside the chord keys clears the
    // capital, caps-lock and number flags.
    std::optional<std::uint8_t> KeyUp(std::uint8_t key, bool ctrl_held);

    bool Capital() const { return m_capital; }
    bool CapsLock() const { return m_caps_lock; }
    bool NumberMode() const { return m_number; }

private:
    std::uint8_t Filter(std::uint8_t c);
    void ClearFlags()
    {
        m_capital = false;
        m_caps_lock = false;
        m_number = false;
    }

    int m_mode { 0 };
    std::uint8_t m_chord { 0 };
    std::uint8_t m_held { 0 };
    bool m_capital { false };
    bool m_caps_lock { false };
    bool m_number { false };
};

// Mouse buttons and wheel as keys, always on in a graphical window: left is
// Enter, right is Escape, middle is F9, the wheel is Up or Down.
enum class MouseEvent : std::uint8_t {
    LeftPress = 0,
    RightPress = 1,
    MiddlePress = 2,
    WheelAway = 3, // away from the user
    WheelTowards = 4,
};

class MouseKeys {
public:
    // The window got the focus; a button still down means the click that
    // activated it, which must not count as a key.
    void FocusGained(bool button_held) { m_ignore_next = button_held; }
    void FocusLost() { m_ignore_next = false; }
    std::optional<Key> Translate(MouseEvent event);

private:
    bool m_ignore_next { false };
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
    // The next whole key (both bytes of an extended key), with the
    // modifiers held when it was typed.
    Key ReadWholeKey();
    // The modifiers held with the byte ReadKey returned last.
    std::uint8_t LastModifiers() const { return m_last_modifiers; }
    // The first two waiting bytes without removing them (0 where none).
    std::pair<std::uint8_t, std::uint8_t> PeekKey();
    // Discards keys typed ahead. Prepared input is never thrown away.
    void FlushKeys();
    // Gives a key just read back, to be read first: a screen that looks at
    // a key before handing it to the line editor.
    void UnreadKey(const Key& key);

    KeyBuffer& Buffer() { return m_buffer; }
    platform::KeySource& Source() { return m_source; }

private:
    // Moves keys from the front end into the buffer while there is room for
    // a whole key.
    void Pump();

    platform::KeySource& m_source;
    KeyBuffer m_buffer;
    std::uint8_t m_last_modifiers { 0 };
};

} // namespace palavrino::console
