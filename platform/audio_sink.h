// Where the speech layer's wave player sends PCM samples. Back ends (ALSA,
// a WAV file, nothing) implement it; the player's queueing, formats and
// stopping rules live in the speech layer, not here. A sink copies what it
// is given, so callers may reuse their buffers at once.
//
// Samples are little-endian; 8-bit samples are unsigned (silence is 128),
// 16-bit samples signed. Channels are interleaved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace palavrino::platform {

struct PcmFormat {
    int sample_rate_hz { 11025 };
    int bits_per_sample { 8 };
    int channels { 1 };
    bool operator==(const PcmFormat&) const = default;

    int FrameBytes() const { return channels * bits_per_sample / 8; }
    // What any sink accepts; anything else is refused with BadFormat.
    bool Valid() const
    {
        return sample_rate_hz >= 1000 && sample_rate_hz <= 192000
            && (bits_per_sample == 8 || bits_per_sample == 16) && (channels == 1 || channels == 2);
    }
};

enum class AudioStatus : std::uint8_t {
    Ok = 0,
    NoDevice = 1, // no output device: the sound is dropped
    BadFormat = 2, // the device cannot play this format
    DeviceError = 3,
};

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Queues the samples for playing and returns at once. A block in a new
    // format plays after everything queued before it.
    [[nodiscard]] virtual AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t> samples)
        = 0;
    // Something queued has not finished playing.
    virtual bool IsPlaying() = 0;
    // Drops everything queued at once (barge-in). A looping sound goes on.
    virtual void Stop() = 0;
    // How many blocks handed to Play have not finished playing; the wave
    // player keeps at most a fixed number in flight.
    virtual std::size_t QueuedBlocks() { return IsPlaying() ? 1 : 0; }
    // Plays the samples over and over, after whatever is queued, until
    // StopLoop (a continuous tone). A new loop replaces the old one.
    virtual AudioStatus PlayLoop(const PcmFormat&, std::span<const std::uint8_t>) { return AudioStatus::Ok; }
    virtual void StopLoop() { }
};

// For machines without sound: everything is accepted and is over at once.
class NullAudioSink final : public AudioSink {
public:
    AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t>) override
    {
        return format.Valid() ? AudioStatus::Ok : AudioStatus::BadFormat;
    }
    bool IsPlaying() override { return false; }
    void Stop() override { }
};

// A sink opened on first use: the sound card's library and configuration
// cost start-up time that a script which never makes a sound should not pay.
// Open() may be called early to learn whether the real sink came up; until
// then nothing is opened. A failed opener leaves silence.
class DeferredAudioSink final : public AudioSink {
public:
    using Opener = std::function<std::unique_ptr<AudioSink>()>;
    explicit DeferredAudioSink(Opener opener)
        : m_opener(std::move(opener))
    {
    }
    // Opens the real sink unless done already; false when it failed (the
    // sink is then silent).
    bool Open()
    {
        if (!m_sink) {
            m_sink = m_opener ? m_opener() : nullptr;
            m_opener = nullptr;
            m_failed = m_sink == nullptr;
            if (!m_sink)
                m_sink = std::make_unique<NullAudioSink>();
        }
        return !m_failed;
    }
    bool Opened() const { return m_sink != nullptr; }
    AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t> samples) override
    {
        Open();
        return m_sink->Play(format, samples);
    }
    // Nothing plays before the first Play: asking does not open the device.
    bool IsPlaying() override { return m_sink && m_sink->IsPlaying(); }
    void Stop() override
    {
        if (m_sink)
            m_sink->Stop();
    }
    std::size_t QueuedBlocks() override { return m_sink ? m_sink->QueuedBlocks() : 0; }
    AudioStatus PlayLoop(const PcmFormat& format, std::span<const std::uint8_t> samples) override
    {
        Open();
        return m_sink->PlayLoop(format, samples);
    }
    void StopLoop() override
    {
        if (m_sink)
            m_sink->StopLoop();
    }

private:
    Opener m_opener;
    std::unique_ptr<AudioSink> m_sink;
    bool m_failed { false };
};

// The sound card through ALSA: device is a PCM name ("default" when
// empty). Null when the device cannot be opened (no sound card).
std::unique_ptr<AudioSink> OpenAlsaSink(std::string_view device);

// Writes everything played into one WAV file, in the format of the first
// block; later blocks in other formats are converted to it, so durations
// stay true. Null when the file cannot be created.
std::unique_ptr<AudioSink> OpenWavFileSink(const std::string& path);

// The sink the user chose (configuration "TRADUTOR"/"SAIDADEAUDIO"):
// "nulo" for none, "arquivo:" followed by a path for a WAV file, or an
// ALSA device name (empty: the default device). Falls back to silence when
// the choice cannot be opened, so a machine without sound still runs;
// `fell_back` (when given) then says so, for the user to be told.
std::unique_ptr<AudioSink> OpenAudioSink(std::string_view choice, bool* fell_back = nullptr);
// Whether that choice is "nulo" or a WAV file rather than a sound card.
bool ChoosesFileOrSilence(std::string_view choice);

// A second output for music, beside `speech` (the sink opened for the same
// choice), so that notes and sound files neither wait behind speech nor
// are cut when a key silences it. On a sound card this is a stream of its
// own (the desktop's sound server or ALSA's mixer join the two); a WAV file
// or silence is shared, as is a card that takes only one stream. A shared
// sink is never stopped through this one: stopping music must not cut
// speech.
std::unique_ptr<AudioSink> OpenMusicSink(std::string_view choice, AudioSink& speech);

} // namespace palavrino::platform
