// Where the speech layer's wave player sends PCM samples. Back ends (ALSA,
// a WAV file, nothing) implement it; the player's queueing, formats and
// stopping rules live in the speech layer, not here.
#pragma once

#include <cstdint>
#include <span>

namespace palavrino::platform {

struct PcmFormat {
    int sample_rate_hz { 11025 };
    int bits_per_sample { 8 };
    int channels { 1 };
    bool operator==(const PcmFormat&) const = default;
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
    // Queues the samples for playing and returns at once.
    [[nodiscard]] virtual AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t> samples)
        = 0;
    // Something queued has not finished playing.
    virtual bool IsPlaying() = 0;
    // Drops everything queued at once (barge-in).
    virtual void Stop() = 0;
};

// For machines without sound: everything is accepted and is over at once.
class NullAudioSink final : public AudioSink {
public:
    AudioStatus Play(const PcmFormat&, std::span<const std::uint8_t>) override { return AudioStatus::Ok; }
    bool IsPlaying() override { return false; }
    void Stop() override { }
};

} // namespace palavrino::platform
