// The speech layer: everything the program says goes through here. Texts
// go to the configured engine (console/synthesizer.h); recorded sounds
// (letters, clicks, beeps, message files) are played by the layer's own
// wave player on a platform::AudioSink. A key the user presses stops speech
// and stays in the key buffer for its reader.
//
// Writing never speaks by itself: WriteAndSpeak and WriteLineAndSpeak are
// the calls for what the user must both see and hear.
#pragma once

#include "console/synthesizer.h"
#include "platform/audio_sink.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

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
};

enum class WaveStatus : std::uint8_t {
    Played = 0,
    Interrupted = 1, // a key was pressed
    CannotOpen = 2,
    NotWave = 3, // not a RIFF/WAVE file with PCM data
};

class Speech {
public:
    Speech(ScreenModel& screen, Keyboard& keyboard, platform::AudioSink& audio);
    ~Speech();
    Speech(const Speech&) = delete;
    Speech& operator=(const Speech&) = delete;

    // (Re)starts the layer: speed level (0 = the configured one), the
    // directory of the program's own sounds, and the engine the
    // configuration names. May be called again at any time.
    void SpeechInit(ConfigFile& config, std::string_view sound_dir, int speed = 0);
    // Waits for the end of speech and shuts the engine down.
    void SpeechEnd();

    void Speak(std::string_view text);
    void Spell(std::string_view text);
    void SpeakChar(std::uint8_t c);

    // Plays name + ".wav": a name beginning with "_" from the letters
    // directory, any other from the sound directory.
    WaveStatus PlaySound(std::string_view name);
    bool SoundExists(std::string_view name) const;
    std::filesystem::path SoundPath(std::string_view name) const;
    WaveStatus PlayWaveFile(const std::filesystem::path& path);

    void Tick();
    void Beep();

    // A pressed key stops speech and makes this false.
    bool IsSpeaking();
    void WaitSpeech();
    void StopSpeech();

    // Writes the text, speaks it, and copies it to the screen transcript.
    void WriteAndSpeak(std::string_view text);
    void WriteLineAndSpeak(std::string_view text);

    // Replaces the engine (tests, and engines chosen outside the
    // configuration). The engine must already be started.
    void SetSynthesizer(std::unique_ptr<Synthesizer> synthesizer);
    bool EngineActive() const { return m_engine_active; }
    const VoiceSettings& Voice() const { return m_voice; }
    const std::string& SoundDir() const { return m_sound_dir; }
    const std::string& LettersDir() const { return m_letters_dir; }

private:
    // Plays PCM samples and waits for them to end, or for a key.
    WaveStatus PlayAndWait(const platform::PcmFormat& format, std::span<const std::uint8_t> samples);
    void StartEngine(ConfigFile& config);

    ScreenModel& m_screen;
    Keyboard& m_keyboard;
    platform::AudioSink& m_audio;
    std::unique_ptr<Synthesizer> m_synth;
    bool m_engine_active { false };
    VoiceSettings m_voice;
    std::string m_sound_dir; // with a trailing "/" unless empty
    std::string m_letters_dir; // with a trailing "/"
    std::string m_char_sounds_dir; // with a trailing "/" unless empty
    std::array<std::uint8_t, 64> m_tick_noise {};
    bool m_abort { false }; // set by StopSpeech; the built-in voice checks it
};

} // namespace palavrino::console
