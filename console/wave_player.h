// The wave player: plays wave files, waves held in memory and raw PCM
// through a platform::AudioSink, with a fixed set of buffers in rotation,
// at most BUFFER_COUNT of them in flight. It owns the two playback tricks
// of the built-in voice: "fast" playback (the sample rate raised by half)
// and compression (every other pitch period of 8-bit mono speech dropped).
//
// Waiting is the caller's business: the player asks its PlaybackControl
// whether the user wants the sound stopped and how to pass a few
// milliseconds, so a key press cuts any sound at once.
#pragma once

#include "platform/audio_sink.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace palavrino::console {

enum class WaveStatus : std::uint8_t {
    Played = 0,
    Interrupted = 1, // a key was pressed
    CannotOpen = 2,
    NotWave = 3, // not a RIFF/WAVE file with PCM data
};

class PlaybackControl {
public:
    virtual ~PlaybackControl() = default;
    // True when the sound must stop now (a key was pressed); the control
    // has then already stopped speech.
    virtual bool StopRequested() = 0;
    // Passes about that many milliseconds, returning early for a key.
    virtual void WaitMs(int ms) = 0;
};

// A parsed RIFF/WAVE image: the format and where its samples are.
struct WaveInfo {
    platform::PcmFormat format;
    std::size_t data_offset { 0 };
    std::size_t data_bytes { 0 }; // clipped to what the image holds
};

// Reads the header of a RIFF/WAVE image: "fmt " must come before "data";
// only plain PCM of 8 or 16 bits, one or two channels. False otherwise.
bool ParseWave(std::span<const std::uint8_t> image, WaveInfo& info);

// A canonical 44-byte header followed by the samples.
std::vector<std::uint8_t> MakeWave(const platform::PcmFormat& format, std::span<const std::uint8_t> samples);

// The size of each next block when data is cut for the player: whole
// buffers, except that a remainder just over one buffer is split so that
// no block is shorter than 256 bytes.
std::size_t NextBlockBytes(std::size_t remaining);

// Shortens a block of 8-bit mono speech by dropping every other pitch
// period; blocks under 1000 samples come back unchanged.
std::vector<std::uint8_t> CompressSpeech(std::span<const std::uint8_t> samples, int sample_rate_hz);

class WavePlayer {
public:
    static constexpr std::size_t BUFFER_COUNT = 16;
    static constexpr std::size_t BUFFER_BYTES = 8192;

    WavePlayer(platform::AudioSink& sink, PlaybackControl& control);

    // compress: the "CORTAFALA" setting; fast: "RAPIDINHO".
    void SetPlayback(bool compress, bool fast)
    {
        m_compress = compress;
        m_fast = fast;
    }

    // Plays a wave file and waits for its end. With compression on, a file
    // of the same name in the "rapido" subdirectory beside it (already
    // shortened) is played instead, as it is.
    WaveStatus PlayFile(const std::filesystem::path& path);
    // The same for a RIFF/WAVE image in memory.
    WaveStatus PlayMemory(std::span<const std::uint8_t> image);
    // Plays raw samples and waits for their end.
    WaveStatus PlayPcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples);

    bool IsPlaying() { return m_sink.IsPlaying(); }
    // Waits until everything queued has played, or a key stops it.
    WaveStatus WaitDone();
    // Drops everything queued (barge-in).
    void Reset();

    platform::AudioSink& Sink() { return m_sink; }

private:
    WaveStatus PlayData(const platform::PcmFormat& format, std::span<const std::uint8_t> data, bool compress);
    // One block through the buffers: fast rate, compression, padding.
    WaveStatus PlayBlock(platform::PcmFormat format, std::span<const std::uint8_t> block, bool compress);
    // Waits for a free buffer. False when none frees up in time.
    bool WaitForBuffer(WaveStatus& status);

    platform::AudioSink& m_sink;
    PlaybackControl& m_control;
    bool m_compress { false };
    bool m_fast { false };
    // 128 KB, made at the first sound played: a script that never speaks
    // does not pay for zeroing them at start-up.
    std::unique_ptr<std::array<std::array<std::uint8_t, BUFFER_BYTES>, BUFFER_COUNT>> m_buffers;
    std::size_t m_next_buffer { 0 };
};

} // namespace palavrino::console
