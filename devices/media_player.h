// The media player behind TOCA and MCI: one decoded sound file played into
// an AudioSink by a thread of its own, in step with the clock, a little
// ahead of it. The clock, not the sink, says where playing stands, so the
// position and the mode are the same on a sound card, into a WAV file or
// into silence, and the caller's thread (and with it the speech layer) is
// never held up by the sound.
#pragma once

#include "platform/audio_sink.h"
#include "platform/media_file.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace palavrino::devices {

enum class MediaMode : std::uint8_t {
    Stopped = 0,
    Playing = 1,
    Paused = 2,
};

class MediaPlayer {
public:
    // The sink must outlive the player.
    MediaPlayer(std::unique_ptr<platform::MediaDecoder> decoder, platform::AudioSink& sink);
    ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    std::int64_t LengthFrames() const { return m_length; }
    int SampleRate() const { return m_format.sample_rate_hz; }

    // Plays from `from` (or from where it stands, when negative; from the
    // start when it stands at the end) up to `to` (the end when negative).
    void Play(std::int64_t from = -1, std::int64_t to = -1);
    // Stopping and pausing keep the place; Resume goes on from it.
    void Stop();
    void Pause();
    void Resume();
    // Moves the place (clamped to the file) and stops.
    void Seek(std::int64_t frame);

    MediaMode Mode();
    std::int64_t PositionFrames();

private:
    using Clock = std::chrono::steady_clock;

    void FeedLoop();
    // With the lock held: the place the clock has reached while playing.
    std::int64_t ClockPosition(Clock::time_point now) const;
    // With the lock held: ends playing at `place`, dropping what the sink
    // holds ahead of it.
    void Halt(MediaMode mode, std::int64_t place);
    // With the lock held: starts feeding from `place`.
    void StartAt(std::int64_t place);

    std::unique_ptr<platform::MediaDecoder> m_decoder;
    platform::AudioSink& m_sink;
    platform::PcmFormat m_format;
    std::int64_t m_length;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_feeder;
    bool m_quit { false };
    MediaMode m_mode { MediaMode::Stopped };
    std::int64_t m_place { 0 }; // where a stopped or paused file stands
    std::int64_t m_start { 0 }; // the frame playing started from
    std::int64_t m_end { 0 }; // where playing stops
    std::int64_t m_fed { 0 }; // the next frame to hand to the sink
    Clock::time_point m_started {};
    std::uint64_t m_generation { 0 }; // changes whenever playing is restarted or halted
};

} // namespace palavrino::devices
