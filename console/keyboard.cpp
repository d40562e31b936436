// The key buffer and the key stream readers.
#include "console/keyboard.h"

#include "platform/interrupt.h"

namespace palavrino::console {

bool KeyBuffer::PushByte(std::uint8_t byte, std::uint8_t modifiers)
{
    if (m_count >= CAPACITY)
        return false;
    m_bytes[(m_head + m_count) % CAPACITY] = byte;
    m_modifiers[(m_head + m_count) % CAPACITY] = modifiers;
    ++m_count;
    return true;
}

bool KeyBuffer::PushExtended(std::uint8_t code, std::uint8_t modifiers)
{
    if (m_count + 2 > CAPACITY)
        return false;
    PushByte(0, modifiers);
    PushByte(code, modifiers);
    return true;
}

bool KeyBuffer::PushFront(std::uint8_t byte, std::uint8_t modifiers)
{
    if (m_count >= CAPACITY)
        return false;
    m_head = (m_head + CAPACITY - 1) % CAPACITY;
    m_bytes[m_head] = byte;
    m_modifiers[m_head] = modifiers;
    ++m_count;
    return true;
}

std::uint8_t KeyBuffer::Pop()
{
    if (m_count == 0)
        return 0;
    const std::uint8_t byte = m_bytes[m_head];
    m_last_modifiers = m_modifiers[m_head];
    m_head = (m_head + 1) % CAPACITY;
    --m_count;
    return byte;
}

std::uint8_t KeyBuffer::Peek(std::size_t i) const
{
    return i < m_count ? m_bytes[(m_head + i) % CAPACITY] : 0;
}

Keyboard::Keyboard(platform::KeySource& source)
    : m_source(source)
{
}

void Keyboard::Pump()
{
    // Room for two bytes keeps an extended key whole; a key left at the
    // front end waits there instead of being dropped.
    while (m_buffer.Size() + 2 <= KeyBuffer::CAPACITY && m_source.KeyWaiting()) {
        const std::uint8_t byte = m_source.ReadKeyByte();
        if (byte == 0) {
            const std::uint8_t code = m_source.ReadKeyByte();
            m_buffer.PushExtended(code, m_source.LastKeyModifiers());
        } else {
            m_buffer.PushByte(byte, m_source.LastKeyModifiers());
        }
    }
}

bool Keyboard::KeyWaiting()
{
    Pump();
    return !m_buffer.Empty();
}

bool Keyboard::KeyPressed()
{
    return KeyWaiting() || m_source.InputEnded();
}

bool Keyboard::KeyInterruptsSpeech()
{
    // The break request silences speech as a key does, whatever the input;
    // so does the silence key, which is no key for the readers.
    if (platform::InterruptPending())
        return true;
    const bool key_waiting = m_source.IsLive() && KeyWaiting();
    return m_source.TakeSilenceRequest() || key_waiting;
}

std::uint8_t Keyboard::ReadKey()
{
    Pump();
    if (!m_buffer.Empty()) {
        const std::uint8_t byte = m_buffer.Pop();
        m_last_modifiers = m_buffer.LastModifiers();
        return byte;
    }
    const std::uint8_t byte = m_source.ReadKeyByte();
    m_last_modifiers = m_source.LastKeyModifiers();
    return byte;
}

Key Keyboard::ReadWholeKey()
{
    const std::uint8_t first = ReadKey();
    if (first != 0)
        return Key { first, false, m_last_modifiers };
    const std::uint8_t code = ReadKey();
    return Key { code, true, m_last_modifiers };
}

std::pair<std::uint8_t, std::uint8_t> Keyboard::PeekKey()
{
    Pump();
    return { m_buffer.Peek(0), m_buffer.Peek(1) };
}

void Keyboard::UnreadKey(const Key& key)
{
    // A key just read left room for itself in the buffer.
    if (key.extended) {
        (void)m_buffer.PushFront(key.code, key.modifiers);
        (void)m_buffer.PushFront(0, key.modifiers);
    } else {
        (void)m_buffer.PushFront(key.code, key.modifiers);
    }
}

void Keyboard::FlushKeys()
{
    if (!m_source.IsLive())
        return;
    while (KeyWaiting())
        m_buffer.Clear();
}

} // namespace palavrino::console

namespace palavrino::console {

namespace {

    // Dot pattern (bit 0 = dot 1 ... bit 5 = dot 6) -> Windows-1252 character.
    constexpr std::array<std::uint8_t, 64> BRAILLE_TABLE = {
        ' ', 'a', ',', 'b', '\'', 'k', ';', 'l', // 0-7
        '^', 'c', 'i', 'f', 0xED, 'm', 's', 'p', // 8-15 (0xED: i acute)
        '~', 'e', ':', 'h', '*', 'o', '!', 'r', // 16-23
        0xAC, 'd', 'j', 'g', 0xE3, 'n', 't', 'q', // 24-31 (not sign, a tilde)
        0xFD, 0xE2, '?', 0xEA, '-', 'u', '"', 'v', // 32-39 (y acute, a circumflex, e circumflex)
        '{', 0xEE, 0xF5, 0xE0, 0xF3, 'x', 0xE8,
        0xE7, // 40-47 (i circ., o tilde, a grave, o acute, e grave, c cedilla)
        '$', 0xFB, 0xFF, 0xFC, '}', 'z', '=', 0xE1, // 48-55 (u circ., y diaeresis, u diaeresis, a acute)
        '_', 0xF4, 'w', 0xEF, '#', 'y', 0xFA, 0xE9, // 56-63 (o circ., i diaeresis, u acute, e acute)
    };
    constexpr std::uint8_t SPACE_BIT = 64;
    constexpr std::uint8_t DOTS_MASK = 63;

} // namespace

void BrailleKeyboard::SetMode(int mode)
{
    m_mode = mode > 2 ? 1 : (mode < 0 ? 0 : mode);
    m_chord = 0;
    m_held = 0;
}

std::uint8_t BrailleKeyboard::ChordBit(std::uint8_t key)
{
    switch (key) {
    case 'F':
    case 'f':
        return 1;
    case 'D':
    case 'd':
        return 2;
    case 'S':
    case 's':
        return 4;
    case 'J':
    case 'j':
        return 8;
    case 'K':
    case 'k':
        return 16;
    case 'L':
    case 'l':
        return 32;
    case ' ':
        return SPACE_BIT;
    default:
        return 0;
    }
}

std::uint8_t BrailleKeyboard::TableEntry(int dots)
{
    return BRAILLE_TABLE[static_cast<std::size_t>(dots & DOTS_MASK)];
}

bool BrailleKeyboard::KeyDown(std::uint8_t key)
{
    if (m_mode == 0)
        return false;
    const std::uint8_t bit = ChordBit(key);
    if (bit == 0)
        return false;
    m_chord |= bit;
    m_held |= bit;
    return true;
}

std::uint8_t BrailleKeyboard::Filter(std::uint8_t c)
{
    if (c == '\'')
        c = '.';
    else if (c == 0xFB)
        c = '@';
    if (m_number) {
        if (c >= 'a' && c <= 'i')
            c = static_cast<std::uint8_t>('1' + (c - 'a'));
        else if (c == 'j')
            c = '0';
        else if (c == '~')
            m_number = false;
    }
    if ((m_capital || m_caps_lock) && c >= 'a' && c <= 'z')
        c = static_cast<std::uint8_t>(c - 'a' + 'A');
    if (c == '#') {
        m_number = true;
        return NO_CHARACTER;
    }
    if (c == '{') {
        if (m_capital)
            m_caps_lock = true;
        m_capital = true;
        return NO_CHARACTER;
    }
    m_capital = false;
    return c;
}

std::optional<std::uint8_t> BrailleKeyboard::KeyUp(std::uint8_t key, bool ctrl_held)
{
    if (m_mode == 0)
        return std::nullopt;
    const std::uint8_t bit = ChordBit(key);
    const bool letter = (key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z');
    if (ctrl_held || (!letter && key != ' ')) {
        ClearFlags();
        return std::nullopt;
    }
    if (bit == 0)
        return std::nullopt;
    m_held = static_cast<std::uint8_t>(m_held & ~bit);
    if (m_held != 0)
        return std::nullopt;
    const std::uint8_t chord = m_chord;
    m_chord = 0;
    std::uint8_t c = 0;
    if ((chord & SPACE_BIT) == 0) {
        c = TableEntry(chord);
        if (m_mode == 2)
            c = Filter(c);
    } else {
        ClearFlags();
        const int dots = chord & DOTS_MASK;
        // Space with dots types a control character: Space+dot 1 is Ctrl+A.
        c = dots == 0 ? ' ' : static_cast<std::uint8_t>(TableEntry(dots) & 0x1F);
    }
    if (c == NO_CHARACTER)
        return std::nullopt;
    return c;
}

std::optional<Key> MouseKeys::Translate(MouseEvent event)
{
    if (m_ignore_next) {
        m_ignore_next = false;
        return std::nullopt;
    }
    switch (event) {
    case MouseEvent::LeftPress:
        return Key::Byte(KEY_ENTER);
    case MouseEvent::RightPress:
        return Key::Byte(KEY_ESCAPE);
    case MouseEvent::MiddlePress:
        return Key::Extended(ExtendedKey::F9);
    case MouseEvent::WheelAway:
        return Key::Extended(ExtendedKey::Up);
    case MouseEvent::WheelTowards:
        return Key::Extended(ExtendedKey::Down);
    }
    return std::nullopt;
}

} // namespace palavrino::console
