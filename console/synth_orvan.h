// The Orvan voice as the speech layer's engine (TIPOSAPI 3): our own
// Portuguese front end (voice/) makes the phoneme lines, the mbrola program
// (platform/mbrola.h) makes the samples, and the speech layer's wave player
// plays them, so barge-in and the chosen sound output apply as to any voice.
#pragma once

#include "console/synthesizer.h"
#include "voice/orvan_voice.h"
#include "voice/wav_file.h"

#include <memory>
#include <string>
#include <vector>

namespace palavrino::console {

class ConfigFile;

// Section "ORVANTTS" of the configuration.
struct OrvanSettings {
    std::string program; // "MBROLA": the mbrola program; empty: found on PATH
    std::string database; // "MBROLA_DB": a database name, or a path when it holds "/"
    std::string data_dir; // "DIR": where the voice's files are, with a trailing "/"
    std::string base_name; // "BASE": their name without extension
};

OrvanSettings ReadOrvanSettings(const ConfigFile& config);
// Reads the five voice files (UTF-8 or Windows-1252). False with the
// user's message in error when one cannot be read.
bool ReadVoiceFiles(const OrvanSettings& settings, voice::VoiceFiles& files, std::string& error);

// Says the text with the Orvan voice into a WAV file (16-bit mono at the
// database's rate) instead of the sound card. False with the user's message
// in error when the voice cannot start or the file cannot be written.
bool WriteOrvanWav(
    const OrvanSettings& settings, std::string_view text, const std::string& path, std::string& error);

class OrvanSynthesizer final : public Synthesizer {
public:
    OrvanSynthesizer(SynthAudio& audio, OrvanSettings settings);

    // Fails when mbrola, its database or a voice file is missing, or a file
    // is wrong; Failure() then says why, in the user's words.
    bool Start(int voice, int rate, int pitch) override;
    void Speak(std::string_view text) override;
    void SpeakCharacter(std::uint8_t c) override;
    // Synthesis ends inside Speak; what still sounds is the player's.
    // Only the fallback voice speaks after Speak has returned.
    bool IsSpeaking() override { return m_fallback && m_fallback->IsSpeaking(); }
    void Stop() override
    {
        m_stop = true;
        if (m_fallback)
            m_fallback->Stop();
    }
    void End() override;

    const std::string& Failure() const { return m_failure; }
    // What the voice read with a default (a wrong duration): worth saying once.
    const std::vector<std::string>& Warnings() const { return m_voice.Warnings(); }
    // False after a run of mbrola failed; LastError says why.
    bool LastRunOk() const { return m_last_run_ok; }
    const std::string& LastError() const { return m_last_error; }
    // Speaks instead when mbrola fails on a text, so that nothing goes
    // unsaid; the first failure also says why.
    void SetFallback(std::unique_ptr<Synthesizer> fallback) { m_fallback = std::move(fallback); }

private:
    void SpeakInstead(std::string_view text);

    SynthAudio& m_audio;
    OrvanSettings m_settings;
    voice::OrvanVoice m_voice;
    std::string m_program, m_database;
    std::string m_failure;
    std::string m_last_error;
    bool m_started { false };
    bool m_stop { false };
    bool m_last_run_ok { true };
    bool m_failure_told { false };
    std::unique_ptr<Synthesizer> m_fallback;
};

} // namespace palavrino::console
