// An audio sink for tests that keeps every block it is asked to play.
#pragma once

#include "platform/audio_sink.h"

#include <cstdint>
#include <span>
#include <vector>

namespace palavrino::fakes {

class RecordingAudioSink final : public platform::AudioSink {
public:
    struct Block {
        platform::PcmFormat format;
        std::vector<std::uint8_t> samples;
    };

    platform::AudioStatus Play(
        const platform::PcmFormat& format, std::span<const std::uint8_t> samples) override
    {
        m_blocks.push_back(Block { format, { samples.begin(), samples.end() } });
        return platform::AudioStatus::Ok;
    }
    bool IsPlaying() override { return false; }
    void Stop() override { ++m_stops; }

    const std::vector<Block>& Blocks() const { return m_blocks; }
    void Clear() { m_blocks.clear(); }
    int Stops() const { return m_stops; }

private:
    std::vector<Block> m_blocks;
    int m_stops { 0 };
};

} // namespace palavrino::fakes
