// The software MIDI synthesizer: FluidSynth with a General MIDI sound font,
// rendered by a thread of its own in step with the clock and handed to an
// AudioSink in short blocks. Rendering runs only while a note is held or
// has just been let go (its sound dies away), so silence between tunes is
// not written into a WAV sink, and an idle synthesizer costs nothing.
#include "platform/midi.h"

#include <array>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fluidsynth.h>
#include <mutex>
#include <thread>
#include <vector>

namespace palavrino::platform {

namespace {

    using Clock = std::chrono::steady_clock;

    constexpr int SAMPLE_RATE_HZ = 44100;
    constexpr int BLOCK_MS = 20;
    constexpr int BLOCK_FRAMES = SAMPLE_RATE_HZ * BLOCK_MS / 1000;
    // How far rendering runs ahead of the clock: enough that a device's
    // buffer never runs dry between two blocks, little enough that a note
    // starts when it is asked for.
    constexpr int LEAD_MS = 80;
    // How long a released note is still rendered: the sound font's
    // instruments die away within this.
    constexpr int RELEASE_TAIL_MS = 1000;
    // FluidSynth's default gain is quiet beside speech; this keeps a chord
    // of a few notes below clipping.
    constexpr double GAIN = 0.8;

    void QuietFluid(int, const char*, void*) { }

    class SoftSynth final : public MidiOut {
    public:
        SoftSynth(AudioSink& sink, fluid_settings_t* settings, fluid_synth_t* synth)
            : m_sink(sink)
            , m_settings(settings)
            , m_synth(synth)
        {
            m_renderer = std::thread([this] { RenderLoop(); });
        }

        ~SoftSynth() override
        {
            {
                std::lock_guard lock(m_mutex);
                m_quit = true;
            }
            m_wake.notify_all();
            m_renderer.join();
            delete_fluid_synth(m_synth);
            delete_fluid_settings(m_settings);
        }

        void Send(std::uint32_t message) override
        {
            const int status = static_cast<int>(message & 0xFF);
            const int d1 = static_cast<int>((message >> 8) & 0xFF);
            const int d2 = static_cast<int>((message >> 16) & 0xFF);
            if (status < 0x80 || d1 > 127 || d2 > 127)
                return;
            const int channel = status & 0x0F;
            std::lock_guard lock(m_mutex);
            switch (status & 0xF0) {
            case 0x90:
                fluid_synth_noteon(m_synth, channel, d1, d2);
                m_held[static_cast<std::size_t>(channel)].set(static_cast<std::size_t>(d1), d2 > 0);
                break;
            case 0x80:
                fluid_synth_noteoff(m_synth, channel, d1);
                m_held[static_cast<std::size_t>(channel)].reset(static_cast<std::size_t>(d1));
                break;
            case 0xB0:
                fluid_synth_cc(m_synth, channel, d1, d2);
                if (d1 == 120 || d1 == 123) // all sound off, all notes off
                    m_held[static_cast<std::size_t>(channel)].reset();
                break;
            case 0xC0:
                fluid_synth_program_change(m_synth, channel, d1);
                return; // a program change makes no sound
            case 0xE0:
                fluid_synth_pitch_bend(m_synth, channel, d1 | (d2 << 7));
                break;
            default:
                return;
            }
            const Clock::time_point now = Clock::now();
            if (!m_active) {
                m_active = true;
                m_started = now;
                m_rendered_frames = 0;
            }
            m_active_until = now + std::chrono::milliseconds(RELEASE_TAIL_MS);
            m_wake.notify_all();
        }

    private:
        bool AnyHeld() const
        {
            for (const auto& notes : m_held) {
                if (notes.any())
                    return true;
            }
            return false;
        }

        void RenderLoop()
        {
            std::vector<std::int16_t> block(static_cast<std::size_t>(BLOCK_FRAMES) * 2);
            const std::span<const std::uint8_t> bytes(
                reinterpret_cast<const std::uint8_t*>(block.data()), block.size() * sizeof(std::int16_t));
            const PcmFormat format { SAMPLE_RATE_HZ, 16, 2 };
            std::unique_lock lock(m_mutex);
            while (!m_quit) {
                if (!m_active) {
                    m_wake.wait(lock);
                    continue;
                }
                const Clock::time_point now = Clock::now();
                const auto elapsed_ms
                    = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_started).count();
                const std::int64_t due = (elapsed_ms + LEAD_MS) * SAMPLE_RATE_HZ / 1000;
                if (m_rendered_frames >= due) {
                    if (!AnyHeld() && now >= m_active_until) {
                        m_active = false;
                        continue;
                    }
                    m_wake.wait_for(lock, std::chrono::milliseconds(BLOCK_MS / 2));
                    continue;
                }
                fluid_synth_write_s16(m_synth, BLOCK_FRAMES, block.data(), 0, 2, block.data(), 1, 2);
                m_rendered_frames += BLOCK_FRAMES;
                lock.unlock();
                (void)m_sink.Play(format, bytes);
                lock.lock();
            }
        }

        AudioSink& m_sink;
        fluid_settings_t* m_settings;
        fluid_synth_t* m_synth;
        std::thread m_renderer;
        std::mutex m_mutex;
        std::condition_variable m_wake;
        std::array<std::bitset<128>, 16> m_held {};
        bool m_active { false };
        bool m_quit { false };
        Clock::time_point m_started {};
        Clock::time_point m_active_until {};
        std::int64_t m_rendered_frames { 0 };
    };

} // namespace

std::vector<std::string> DefaultSoundFonts()
{
    return { "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/soundfonts/default.sf2" };
}

MidiStatus OpenSoftSynth(
    AudioSink& sink, const std::vector<std::string>& sound_fonts, std::unique_ptr<MidiOut>& out)
{
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, QuietFluid, nullptr);
    std::string font;
    for (const std::string& candidate : sound_fonts) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            font = candidate;
            break;
        }
    }
    if (font.empty())
        return MidiStatus::NoSoundFont;
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings)
        return MidiStatus::DeviceError;
    fluid_settings_setnum(settings, "synth.sample-rate", SAMPLE_RATE_HZ);
    fluid_settings_setnum(settings, "synth.gain", GAIN);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    // Only the instruments a script uses are read from the sound font:
    // reading all of a General MIDI font takes seconds.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth) {
        delete_fluid_settings(settings);
        return MidiStatus::DeviceError;
    }
    if (fluid_synth_sfload(synth, font.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return MidiStatus::NoSoundFont;
    }
    out = std::make_unique<SoftSynth>(sink, settings, synth);
    return MidiStatus::Ok;
}

} // namespace palavrino::platform
