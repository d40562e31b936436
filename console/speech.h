// The speech layer: everything the program says goes through here. It has
// two voices: the built-in one (recorded letters and number words, and the
// word synthesizer for words, when the user has its data), and optionally
// an external engine (console/synthesizer.h) that speaks whole texts.
// Recorded sounds (letters, clicks, beeps, message files) are always played
// by the layer's own wave player on a platform::AudioSink. A key the user
// presses stops speech and stays in the key buffer for its reader.
//
// Without the built-in voice's data the external engine (espeak-ng unless
// configured otherwise) is used; with no engine at all the program runs on
// silently. Writing never speaks by itself: WriteAndSpeak and
// WriteLineAndSpeak are the calls for what the user must see and hear.
#pragma once

#include "console/speak_text.h"
#include "console/synthesizer.h"
#include "console/wave_player.h"
#include "console/word_synth.h"
#include "platform/audio_sink.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::console {

class ConfigFile;
class Keyboard;
class ScreenModel;

// The built-in voice's settings for one speed level.
struct VoiceSettings {
    int speed { 3 }; // 1-5
    int full_stop_pause_ms { 250 };
    int comma_pause_ms { 150 };
    int colon_pause_ms { 200 };
    std::string voice_name; // the diphone voice, at most 8 characters
    WordSynthSettings joins;
    bool compress { false }; // drop every other pitch period
    bool fast { false }; // play half as fast again
};

// The machine's power supply, as the battery report needs it.
struct PowerStatus {
    bool has_battery { false };
    int percent { 0 };
    bool on_mains { true };
};

// Reads the supplies under root (normally /sys/class/power_supply).
PowerStatus ReadPowerStatus(const std::filesystem::path& root);

class Speech final : private PlaybackControl,
                     private SpeakTextOutput,
                     private VoiceOutput,
                     private SynthAudio {
public:
    Speech(ScreenModel& screen, Keyboard& keyboard, platform::AudioSink& audio);
    ~Speech() override;
    Speech(const Speech&) = delete;
    Speech& operator=(const Speech&) = delete;

    // (Re)starts the layer: speed level (0 = the configured one), the
    // directory of the program's own sounds, the built-in voice and the
    // engine the configuration names. May be called again at any time; an
    // unchanged voice or engine is kept, not restarted.
    void SpeechInit(ConfigFile& config, std::string_view sound_dir, int speed = 0);
    // From now on the engine the configuration names (and the sound output,
    // through `open_audio`) starts only when something is first said or
    // played: a script that never speaks does not wait for it. `open_audio`
    // opens the sound output and gives the text to say when it failed
    // (empty when none).
    void DeferStart(std::function<std::string()> open_audio);
    // Starts what DeferStart held back, if it is still pending.
    void EnsureStarted()
    {
        if (m_start_pending)
            StartPending();
    }
    // Waits for the end of speech and shuts the voices down.
    void SpeechEnd();

    void Speak(std::string_view text);
    void Spell(std::string_view text);
    void SpeakChar(std::uint8_t c) override;
    // Plays one recorded file per number word ("duzentos e um").
    void SpeakNumberWords(std::string_view words, bool feminine) override;
    void SpeakTime();
    void SpeakTimeAt(int hour, int minute);
    void SpeakDate();
    void SpeakDateOf(int weekday, int day, int month, int year);
    void SpeakBattery();
    void SpeakBatteryStatus(const PowerStatus& status);

    // Plays name + ".wav": a name beginning with "_" from the letters
    // directory, any other from the sound directory.
    WaveStatus PlaySound(std::string_view name);
    bool SoundExists(std::string_view name) const;
    std::filesystem::path SoundPath(std::string_view name) const;
    WaveStatus PlayWaveFile(const std::filesystem::path& path);
    WaveStatus PlayWaveMemory(std::span<const std::uint8_t> image);

    void Tick() override;
    // The error beep: keys typed ahead are dropped and the beep is waited
    // for.
    void Beep();
    // The same sound for the bell byte a program writes: nothing else.
    void Bell();
    // A continuous square wave until ToneOff; a new tone replaces the old.
    void ToneOn(int frequency_hz);
    void ToneOff();

    // A pressed key stops speech and makes this false.
    bool IsSpeaking();
    void WaitSpeech() override;
    void StopSpeech();

    // Writes the text, speaks it, and copies it to the screen transcript.
    void WriteAndSpeak(std::string_view text);
    void WriteLineAndSpeak(std::string_view text);

    // Replaces the engine (tests, and engines chosen outside the
    // configuration). The engine must already be started.
    void SetSynthesizer(std::unique_ptr<Synthesizer> synthesizer);
    bool EngineActive()
    {
        EnsureStarted();
        return m_engine_active;
    }
    // 0 when the built-in voice is ready, else why not (1: its files, 2:
    // its rules), as the word synthesizer reports it.
    int BuiltinVoiceStatus() const { return m_builtin_status; }
    const VoiceSettings& Voice() const { return m_voice; }
    const std::string& SoundDir() const { return m_sound_dir; }
    // Both with a trailing "/". The default letters directory is looked
    // for on disk the first time it is needed, not at start: only recorded
    // sounds need it.
    const std::string& LettersDir() const;
    const std::string& CharSoundsDir() const;

private:
    // PlaybackControl and SpeakTextOutput.
    bool StopRequested() override;
    void WaitMs(int ms) override;
    // SpeakTextOutput.
    void PlayNamed(std::string_view name) override;
    void SpeakWord(std::string_view word) override;
    void PauseMs(int ms) override;
    // VoiceOutput.
    bool PlayVoiceBuffer(std::span<const std::uint8_t> samples) override;
    // SynthAudio.
    bool DeliverPcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples) override;
    bool QueuePcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples) override;
    std::size_t QueuedBlocks() override;

    void ReadVoiceSettings(ConfigFile& config, int speed);
    void StartEngine(ConfigFile& config);
    void StartPending();
    // Writes why the program cannot speak (or log its speech), with the
    // bell: the user must not be left with a mute program and no reason.
    void ReportStartProblem(std::string_view text);
    bool TryEngine(std::unique_ptr<Synthesizer> engine, int voice, int rate, int pitch);
    // TIPOSAPI 3: the Orvan voice, or espeak-ng and a message saying why not.
    void StartOrvan(ConfigFile& config, const std::string& key, int voice, int rate, int pitch);
    void EndEngine();
    // Plays recorded words joined without gaps; a missing recording is
    // synthesized from its text when an engine is active.
    void PlayRecordedWords(const std::vector<RecordedWord>& words);
    // Has the engine say a text that stands in for a missing recording, and
    // waits for it.
    void SynthesizeInstead(std::string_view text);

    ScreenModel& m_screen;
    Keyboard& m_keyboard;
    platform::AudioSink& m_audio;
    WavePlayer m_player;
    WordSynth m_word_synth;
    int m_builtin_status { VOICE_FILES_MISSING };
    std::unique_ptr<Synthesizer> m_synth;
    std::string m_reported_problem;
    bool m_engine_active { false };
    std::string m_engine_key; // what the running engine was started with
    VoiceSettings m_voice;
    std::string m_sound_dir; // with a trailing "/" unless empty
    mutable std::string m_letters_dir; // empty until LettersDir finds it
    std::string m_char_sounds_dir; // empty: the letters directory
    std::array<std::uint8_t, 64> m_tick_noise {};
    bool m_abort { false }; // set by StopSpeech; the built-in voice checks it
    bool m_tone_on { false };
    // Deferred start (see DeferStart).
    bool m_defer { false };
    bool m_start_pending { false };
    ConfigFile* m_pending_config { nullptr };
    std::function<std::string()> m_open_audio;
};

} // namespace palavrino::console
