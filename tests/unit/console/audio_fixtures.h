// Helpers for the sound tests: wave files built in memory, a sink that
// keeps blocks "playing" until the test lets them go, and a small test
// voice for the word synthesizer written into a directory.
#pragma once

#include "platform/audio_sink.h"
#include "tests/fakes/temp_dir.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace palavrino::fakes {

inline std::string LittleEndian(std::uint32_t value, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return s;
}

// A PCM wave file with an extra chunk before "fmt ", as real files have.
inline std::string WaveFile(const std::string& data, int rate = 11025, int bits = 8, int channels = 1)
{
    const auto byte_rate = static_cast<std::uint32_t>(rate * channels * bits / 8);
    const std::string fmt = LittleEndian(1, 2) + LittleEndian(static_cast<std::uint32_t>(channels), 2)
        + LittleEndian(static_cast<std::uint32_t>(rate), 4) + LittleEndian(byte_rate, 4)
        + LittleEndian(static_cast<std::uint32_t>(channels * bits / 8), 2)
        + LittleEndian(static_cast<std::uint32_t>(bits), 2);
    const std::string body = "WAVE" + std::string("LIST") + LittleEndian(3, 4) + "abc" + std::string(1, '\0')
        + "fmt " + LittleEndian(16, 4) + fmt + "data"
        + LittleEndian(static_cast<std::uint32_t>(data.size()), 4) + data;
    return "RIFF" + LittleEndian(static_cast<std::uint32_t>(body.size()), 4) + body;
}

// Blocks stay queued ("playing") until Release; Stop drops them. Safe to
// use from an engine's own thread while the test looks on.
class HoldingSink final : public platform::AudioSink {
public:
    struct Block {
        platform::PcmFormat format;
        std::vector<std::uint8_t> samples;
    };

    platform::AudioStatus Play(
        const platform::PcmFormat& format, std::span<const std::uint8_t> samples) override
    {
        std::size_t played;
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(Block { format, { samples.begin(), samples.end() } });
            m_played.push_back(m_queue.back());
            played = m_played.size();
        }
        if (on_play)
            on_play(played);
        return platform::AudioStatus::Ok;
    }
    bool IsPlaying() override { return QueuedBlocks() > 0; }
    std::size_t QueuedBlocks() override
    {
        std::lock_guard lock(m_mutex);
        return m_queue.size();
    }
    void Stop() override
    {
        std::lock_guard lock(m_mutex);
        m_dropped += m_queue.size();
        m_queue.clear();
        ++m_stops;
    }
    void Release(std::size_t count)
    {
        std::lock_guard lock(m_mutex);
        while (count-- > 0 && !m_queue.empty())
            m_queue.pop_front();
    }
    // Everything handed to Play, in order (read once the player is idle).
    const std::vector<Block>& Played() const { return m_played; }
    std::size_t PlayedCount() const
    {
        std::lock_guard lock(m_mutex);
        return m_played.size();
    }
    std::size_t Dropped() const
    {
        std::lock_guard lock(m_mutex);
        return m_dropped;
    }
    // Called after each block with the number of blocks played so far, on
    // the thread that played it.
    std::function<void(std::size_t)> on_play;
    int Stops() const
    {
        std::lock_guard lock(m_mutex);
        return m_stops;
    }

private:
    mutable std::mutex m_mutex;
    std::deque<Block> m_queue;
    std::vector<Block> m_played;
    std::size_t m_dropped { 0 };
    int m_stops { 0 };
};

// A diphone of the test voice: its name, length and the value all its
// samples hold, so that the output shows which diphones were joined.
struct TestDiphone {
    std::string name;
    std::uint16_t length;
    std::uint8_t value;
};

// Writes voice "TESTE" (TESTE.IND, TESTE.DIF, regras.rgr, portug.exc)
// into dir/voz, and letter recordings into dir/letras.
inline void WriteTestVoice(const TempDir& dir, const std::vector<TestDiphone>& diphones,
    const std::string& rules, const std::string& exceptions)
{
    std::string index;
    std::string samples;
    for (const TestDiphone& d : diphones) {
        std::string name = d.name.substr(0, 8);
        index += static_cast<char>(name.size());
        index += name + std::string(8 - name.size(), '\0');
        index += LittleEndian(d.length, 2);
        index += LittleEndian(static_cast<std::uint32_t>(samples.size()), 4);
        samples += std::string(d.length, static_cast<char>(d.value));
    }
    dir.Write("voz/TESTE.IND", index);
    dir.Write("voz/TESTE.DIF", samples);
    dir.Write("voz/regras.rgr", rules);
    dir.Write("voz/portug.exc", exceptions);
}

// Rules that read each letter as itself, with "c" before e and i as "s".
inline std::string PlainRules()
{
    std::string rules = "; one rule per letter\n(C)+=s|\n";
    for (char c = 'A'; c <= 'Z'; ++c)
        rules += std::string("(") + c + ")=" + static_cast<char>(c - 'A' + 'a') + "|\n";
    return rules;
}

} // namespace palavrino::fakes
