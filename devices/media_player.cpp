// The media player's feeding thread: while a file plays it keeps the sink
// a short lead ahead of the clock, in small blocks, so stopping, pausing
// and seeking are heard at once and a long file never sits in memory.
#include "devices/media_player.h"

#include <algorithm>
#include <span>
#include <vector>

namespace palavrino::devices {

namespace {

    constexpr int BLOCK_MS = 20;
    // How far the sink is fed ahead of the clock: a device never runs dry
    // between two blocks, and a stop drops little.
    constexpr int LEAD_MS = 120;
    constexpr int POLL_MS = 5;

} // namespace

MediaPlayer::MediaPlayer(std::unique_ptr<platform::MediaDecoder> decoder, platform::AudioSink& sink)
    : m_decoder(std::move(decoder))
    , m_sink(sink)
    , m_format(m_decoder->Format())
    , m_length(std::max<std::int64_t>(m_decoder->Frames(), 0))
{
    m_end = m_length;
    m_feeder = std::thread([this] { FeedLoop(); });
}

MediaPlayer::~MediaPlayer()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_mode == MediaMode::Playing)
            Halt(MediaMode::Stopped, m_place);
        m_quit = true;
    }
    m_wake.notify_all();
    m_feeder.join();
}

std::int64_t MediaPlayer::ClockPosition(Clock::time_point now) const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_started).count();
    return std::min(m_start + ms * m_format.sample_rate_hz / 1000, m_end);
}

void MediaPlayer::Halt(MediaMode mode, std::int64_t place)
{
    if (m_mode == MediaMode::Playing)
        m_sink.Stop();
    m_mode = mode;
    m_place = std::clamp<std::int64_t>(place, 0, m_length);
    ++m_generation;
}

void MediaPlayer::StartAt(std::int64_t place)
{
    m_start = m_fed = std::clamp<std::int64_t>(place, 0, m_length);
    m_started = Clock::now();
    m_mode = MediaMode::Playing;
    ++m_generation;
    if (!m_decoder->Seek(m_start))
        m_end = m_start; // a file that cannot seek there has nothing to play from it
    m_wake.notify_all();
}

void MediaPlayer::Play(std::int64_t from, std::int64_t to)
{
    std::lock_guard lock(m_mutex);
    std::int64_t place = m_mode == MediaMode::Playing ? ClockPosition(Clock::now()) : m_place;
    if (from >= 0)
        place = from;
    else if (place >= m_length)
        place = 0;
    if (m_mode == MediaMode::Playing)
        Halt(MediaMode::Stopped, place);
    m_end = to >= 0 ? std::clamp<std::int64_t>(to, 0, m_length) : m_length;
    StartAt(place);
}

void MediaPlayer::Stop()
{
    std::lock_guard lock(m_mutex);
    if (m_mode == MediaMode::Playing)
        Halt(MediaMode::Stopped, ClockPosition(Clock::now()));
    else
        m_mode = MediaMode::Stopped;
}

void MediaPlayer::Pause()
{
    std::lock_guard lock(m_mutex);
    if (m_mode == MediaMode::Playing)
        Halt(MediaMode::Paused, ClockPosition(Clock::now()));
}

void MediaPlayer::Resume()
{
    std::lock_guard lock(m_mutex);
    if (m_mode == MediaMode::Paused)
        StartAt(m_place);
}

void MediaPlayer::Seek(std::int64_t frame)
{
    std::lock_guard lock(m_mutex);
    Halt(MediaMode::Stopped, frame);
    m_end = m_length;
}

MediaMode MediaPlayer::Mode()
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

std::int64_t MediaPlayer::PositionFrames()
{
    std::lock_guard lock(m_mutex);
    return m_mode == MediaMode::Playing ? ClockPosition(Clock::now()) : m_place;
}

void MediaPlayer::FeedLoop()
{
    const int channels = m_format.channels;
    const auto block_frames = static_cast<std::size_t>(m_format.sample_rate_hz * BLOCK_MS / 1000);
    std::vector<std::int16_t> block(block_frames * static_cast<std::size_t>(channels));
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_mode != MediaMode::Playing) {
            m_wake.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (m_fed >= m_end && ClockPosition(now) >= m_end) {
            // Played to the end: the sink has had everything.
            m_mode = MediaMode::Stopped;
            m_place = m_end;
            ++m_generation;
            continue;
        }
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_started).count();
        const std::int64_t due = std::min(m_start + (ms + LEAD_MS) * m_format.sample_rate_hz / 1000, m_end);
        if (m_fed >= due) {
            m_wake.wait_for(lock, std::chrono::milliseconds(POLL_MS));
            continue;
        }
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(block_frames), m_end - m_fed));
        const std::size_t got = m_decoder->Read(
            std::span<std::int16_t>(block.data(), want * static_cast<std::size_t>(channels)));
        if (got == 0) {
            m_end = m_fed; // the file ended (or broke off) before its stated length
            continue;
        }
        m_fed += static_cast<std::int64_t>(got);
        const std::uint64_t generation = m_generation;
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(block.data()),
            got * static_cast<std::size_t>(channels) * sizeof(std::int16_t));
        lock.unlock();
        (void)m_sink.Play(m_format, bytes);
        lock.lock();
        // A stop that came while the block was handed over must also drop it.
        if (generation != m_generation && m_mode != MediaMode::Playing)
            m_sink.Stop();
    }
}

} // namespace palavrino::devices
