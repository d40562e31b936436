// The ring that keeps accessibility events between the moment the desktop
// reports them and the moment a script takes them (MSAA CHECA): 100
// entries, oldest first. A full ring drops its oldest entry to make room,
// so a script that falls behind hears the most recent changes. Dropped and
// taken entries are destroyed at once: an entry that owns an object
// reference releases it exactly once, and nothing keeps pointing at it.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

namespace palavrino::platform {

constexpr std::size_t EVENT_RING_SIZE = 100;

template <typename T> class EventRing {
public:
    bool Empty() const { return m_count == 0; }
    std::size_t Size() const { return m_count; }
    // How many entries were dropped unread because the ring was full.
    std::size_t Dropped() const { return m_dropped; }

    void Push(T entry)
    {
        if (m_count == EVENT_RING_SIZE) {
            m_slots[m_read].reset();
            m_read = (m_read + 1) % EVENT_RING_SIZE;
            --m_count;
            ++m_dropped;
        }
        m_slots[m_write].emplace(std::move(entry));
        m_write = (m_write + 1) % EVENT_RING_SIZE;
        ++m_count;
    }

    // The oldest entry, moved out of the ring; empty when there is none.
    std::optional<T> Take()
    {
        if (m_count == 0)
            return std::nullopt;
        std::optional<T> out(std::move(m_slots[m_read]));
        m_slots[m_read].reset();
        m_read = (m_read + 1) % EVENT_RING_SIZE;
        --m_count;
        return out;
    }

    void Clear()
    {
        while (Take()) { }
    }

private:
    std::array<std::optional<T>, EVENT_RING_SIZE> m_slots;
    std::size_t m_read { 0 };
    std::size_t m_write { 0 };
    std::size_t m_count { 0 };
    std::size_t m_dropped { 0 };
};

} // namespace palavrino::platform
