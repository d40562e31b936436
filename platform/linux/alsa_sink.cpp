// The sound card through ALSA. A writer thread owns the PCM handle: it takes
// blocks from a queue, reconfigures the device when the format changes
// (after what was queued has played), and writes in short pieces so that a
// Stop is heard within a few milliseconds. Callers on the program's thread
// only touch the queue, so Play never blocks on the device.
#include "platform/audio_sink.h"
#include "platform/dynamic_library.h"
#include "platform/interrupt.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace palavrino::platform {

namespace {

    // The device's own buffer: long enough to ride over a busy moment of the
    // machine, short enough that stopping and starting feel immediate.
    constexpr unsigned DEVICE_LATENCY_US = 100000;
    // Each write hands the device at most this much, then looks for a Stop.
    constexpr int WRITE_PIECE_MS = 20;
    constexpr int PLAY_OUT_POLL_MS = 5;
    // How long Stop waits for the writer to have dropped the device's buffer.
    constexpr int STOP_ACK_TIMEOUT_MS = 300;

    // The library's functions, bound when the sound card is first opened.
    struct LibraryApi {
        decltype(&::snd_lib_error_set_handler) snd_lib_error_set_handler { nullptr };
        decltype(&::snd_pcm_close) snd_pcm_close { nullptr };
        decltype(&::snd_pcm_delay) snd_pcm_delay { nullptr };
        decltype(&::snd_pcm_drain) snd_pcm_drain { nullptr };
        decltype(&::snd_pcm_drop) snd_pcm_drop { nullptr };
        decltype(&::snd_pcm_open) snd_pcm_open { nullptr };
        decltype(&::snd_pcm_prepare) snd_pcm_prepare { nullptr };
        decltype(&::snd_pcm_recover) snd_pcm_recover { nullptr };
        decltype(&::snd_pcm_set_params) snd_pcm_set_params { nullptr };
        decltype(&::snd_pcm_state) snd_pcm_state { nullptr };
        decltype(&::snd_pcm_writei) snd_pcm_writei { nullptr };
    };

    // Null when libasound.so.2 cannot be loaded.
    const LibraryApi* Api()
    {
        static const LibraryApi* const api = []() -> const LibraryApi* {
            static LibraryApi table;
            void* library = OpenLibrary("libasound.so.2");
            bool ok = library != nullptr;
            ok = ok && PL_BIND(library, table, snd_lib_error_set_handler);
            ok = ok && PL_BIND(library, table, snd_pcm_close);
            ok = ok && PL_BIND(library, table, snd_pcm_delay);
            ok = ok && PL_BIND(library, table, snd_pcm_drain);
            ok = ok && PL_BIND(library, table, snd_pcm_drop);
            ok = ok && PL_BIND(library, table, snd_pcm_open);
            ok = ok && PL_BIND(library, table, snd_pcm_prepare);
            ok = ok && PL_BIND(library, table, snd_pcm_recover);
            ok = ok && PL_BIND(library, table, snd_pcm_set_params);
            ok = ok && PL_BIND(library, table, snd_pcm_state);
            ok = ok && PL_BIND(library, table, snd_pcm_writei);
            return ok ? &table : nullptr;
        }();
        return api;
    }

    // ALSA prints its complaints (a missing card, say) to stderr by default;
    // a missing device is an ordinary condition here, reported by the result.
    void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) { }

    snd_pcm_format_t AlsaFormat(const PcmFormat& format)
    {
        return format.bits_per_sample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    }

    class AlsaSink final : public AudioSink {
    public:
        explicit AlsaSink(snd_pcm_t* pcm)
            : m_pcm(pcm)
        {
            m_writer = std::thread([this] { WriterLoop(); });
        }

        ~AlsaSink() override
        {
            // What was queued at the end of the run is still heard: the
            // writer finishes the queue and the device plays out its buffer
            // (speech that had to stop was stopped already). The break
            // request cuts this wait short.
            bool drain = true;
            {
                std::unique_lock lock(m_mutex);
                m_loop.clear();
                m_stop.store(m_looping);
                m_wake.notify_all();
                while ((!m_queue.empty() || m_busy) && !InterruptPending())
                    m_wake.wait_for(lock, std::chrono::milliseconds(PLAY_OUT_POLL_MS));
                drain = !InterruptPending() && !m_failed.load();
                m_quit = true;
                m_queue.clear();
            }
            m_stop.store(true);
            m_wake.notify_all();
            m_writer.join();
            if (drain && Api()->snd_pcm_state(m_pcm) == SND_PCM_STATE_RUNNING)
                Api()->snd_pcm_drain(m_pcm);
            Api()->snd_pcm_drop(m_pcm);
            Api()->snd_pcm_close(m_pcm);
        }

        AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t> samples) override
        {
            if (!format.Valid())
                return AudioStatus::BadFormat;
            if (samples.size() < static_cast<std::size_t>(format.FrameBytes()))
                return AudioStatus::Ok;
            {
                std::lock_guard lock(m_mutex);
                m_queue.push_back(Block { format, { samples.begin(), samples.end() } });
            }
            m_wake.notify_all();
            return m_failed.load() ? AudioStatus::DeviceError : AudioStatus::Ok;
        }

        bool IsPlaying() override
        {
            std::lock_guard lock(m_mutex);
            return !m_queue.empty() || m_busy;
        }

        std::size_t QueuedBlocks() override
        {
            std::lock_guard lock(m_mutex);
            return m_queue.size() + (m_busy && !m_looping ? 1 : 0);
        }

        void Stop() override
        {
            std::unique_lock lock(m_mutex);
            m_queue.clear();
            if (!m_busy || m_looping)
                return;
            m_stop.store(true);
            m_wake.notify_all();
            m_wake.wait_for(lock, std::chrono::milliseconds(STOP_ACK_TIMEOUT_MS), [this] { return !m_busy; });
        }

        AudioStatus PlayLoop(const PcmFormat& format, std::span<const std::uint8_t> samples) override
        {
            if (!format.Valid())
                return AudioStatus::BadFormat;
            {
                std::lock_guard lock(m_mutex);
                m_loop.assign(samples.begin(), samples.end());
                m_loop_format = format;
                if (m_looping)
                    m_stop.store(true); // the old loop's sound ends now
            }
            m_wake.notify_all();
            return AudioStatus::Ok;
        }

        void StopLoop() override
        {
            std::unique_lock lock(m_mutex);
            m_loop.clear();
            if (!m_looping)
                return;
            m_stop.store(true);
            m_wake.notify_all();
            m_wake.wait_for(
                lock, std::chrono::milliseconds(STOP_ACK_TIMEOUT_MS), [this] { return !m_looping; });
        }

    private:
        struct Block {
            PcmFormat format;
            std::vector<std::uint8_t> data;
        };

        void WriterLoop()
        {
            std::unique_lock lock(m_mutex);
            while (!m_quit) {
                Block block;
                bool looping = false;
                if (!m_queue.empty()) {
                    block = std::move(m_queue.front());
                    m_queue.pop_front();
                } else if (!m_loop.empty()) {
                    block = Block { m_loop_format, m_loop };
                    looping = true;
                } else {
                    m_wake.wait(lock);
                    continue;
                }
                m_busy = true;
                m_looping = looping;
                m_stop.store(false);
                lock.unlock();
                const bool stopped = !WriteBlock(block) || m_stop.load();
                if (stopped)
                    Api()->snd_pcm_drop(m_pcm);
                else if (!looping)
                    PlayOut();
                lock.lock();
                if (stopped)
                    m_stop.store(false);
                m_busy = false;
                m_looping = false;
                m_wake.notify_all();
            }
        }

        bool Configure(const PcmFormat& format)
        {
            if (m_configured && format == m_current)
                return true;
            Api()->snd_pcm_drain(m_pcm);
            m_configured = Api()->snd_pcm_set_params(m_pcm, AlsaFormat(format), SND_PCM_ACCESS_RW_INTERLEAVED,
                               static_cast<unsigned>(format.channels),
                               static_cast<unsigned>(format.sample_rate_hz), 1, DEVICE_LATENCY_US)
                == 0;
            m_current = format;
            m_failed.store(!m_configured);
            return m_configured;
        }

        // False when the block could not be written (the rest is dropped).
        bool WriteBlock(const Block& block)
        {
            if (!Configure(block.format))
                return false;
            const auto frame_bytes = static_cast<std::size_t>(block.format.FrameBytes());
            const auto piece
                = static_cast<snd_pcm_uframes_t>(block.format.sample_rate_hz * WRITE_PIECE_MS / 1000);
            snd_pcm_uframes_t left = block.data.size() / frame_bytes;
            const std::uint8_t* at = block.data.data();
            while (left > 0 && !m_stop.load()) {
                const snd_pcm_state_t state = Api()->snd_pcm_state(m_pcm);
                if (state == SND_PCM_STATE_SETUP || state == SND_PCM_STATE_XRUN)
                    Api()->snd_pcm_prepare(m_pcm);
                snd_pcm_sframes_t written = Api()->snd_pcm_writei(m_pcm, at, std::min(left, piece));
                if (written < 0)
                    written = Api()->snd_pcm_recover(m_pcm, static_cast<int>(written), 1);
                if (written < 0) {
                    m_failed.store(true);
                    return false;
                }
                left -= static_cast<snd_pcm_uframes_t>(written);
                at += static_cast<std::size_t>(written) * frame_bytes;
            }
            m_failed.store(false);
            return true;
        }

        // Waits while the device still holds sound, unless more of the same
        // format is waiting: then the next block follows without a gap.
        void PlayOut()
        {
            while (!m_stop.load()) {
                {
                    std::lock_guard lock(m_mutex);
                    if (m_quit || (!m_queue.empty() && m_queue.front().format == m_current))
                        return;
                }
                snd_pcm_sframes_t delay = 0;
                if (Api()->snd_pcm_state(m_pcm) != SND_PCM_STATE_RUNNING
                    || Api()->snd_pcm_delay(m_pcm, &delay) < 0 || delay <= 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(PLAY_OUT_POLL_MS));
            }
            Api()->snd_pcm_drain(m_pcm);
        }

        snd_pcm_t* m_pcm;
        std::thread m_writer;
        std::mutex m_mutex;
        std::condition_variable m_wake;
        std::deque<Block> m_queue;
        std::vector<std::uint8_t> m_loop;
        PcmFormat m_loop_format {};
        bool m_busy { false };
        bool m_looping { false };
        bool m_quit { false };
        std::atomic<bool> m_stop { false };
        std::atomic<bool> m_failed { false };
        // Touched by the writer thread only.
        PcmFormat m_current {};
        bool m_configured { false };
    };

} // namespace

std::unique_ptr<AudioSink> OpenAlsaSink(std::string_view device)
{
    if (!Api())
        return nullptr;
    Api()->snd_lib_error_set_handler(QuietAlsaErrors);
    const std::string name = device.empty() ? std::string("default") : std::string(device);
    snd_pcm_t* pcm = nullptr;
    if (Api()->snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return nullptr;
    // A device that opens but takes no ordinary format is as good as none.
    if (Api()->snd_pcm_set_params(
            pcm, SND_PCM_FORMAT_U8, SND_PCM_ACCESS_RW_INTERLEAVED, 1, 11025, 1, DEVICE_LATENCY_US)
        < 0) {
        Api()->snd_pcm_close(pcm);
        return nullptr;
    }
    return std::make_unique<AlsaSink>(pcm);
}

} // namespace palavrino::platform
