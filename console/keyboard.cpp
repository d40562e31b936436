// The key buffer and the key stream readers.
#include "console/keyboard.h"

namespace palavrino::console {

bool KeyBuffer::PushByte(std::uint8_t byte)
{
    if (m_count >= CAPACITY)
        return false;
    m_bytes[(m_head + m_count) % CAPACITY] = byte;
    ++m_count;
    return true;
}

bool KeyBuffer::PushExtended(std::uint8_t code)
{
    if (m_count + 2 > CAPACITY)
        return false;
    PushByte(0);
    PushByte(code);
    return true;
}

std::uint8_t KeyBuffer::Pop()
{
    if (m_count == 0)
        return 0;
    const std::uint8_t byte = m_bytes[m_head];
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
        if (byte == 0)
            m_buffer.PushExtended(m_source.ReadKeyByte());
        else
            m_buffer.PushByte(byte);
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
    return m_source.IsLive() && KeyWaiting();
}

std::uint8_t Keyboard::ReadKey()
{
    Pump();
    if (!m_buffer.Empty())
        return m_buffer.Pop();
    return m_source.ReadKeyByte();
}

Key Keyboard::ReadWholeKey()
{
    const std::uint8_t first = ReadKey();
    if (first != 0)
        return Key::Byte(first);
    return Key { ReadKey(), true };
}

std::pair<std::uint8_t, std::uint8_t> Keyboard::PeekKey()
{
    Pump();
    return { m_buffer.Peek(0), m_buffer.Peek(1) };
}

void Keyboard::FlushKeys()
{
    if (!m_source.IsLive())
        return;
    while (KeyWaiting())
        m_buffer.Clear();
}

} // namespace palavrino::console
