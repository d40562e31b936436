// The Orvan voice's front end as one object: its five data files loaded,
// and the pipeline from a text to MBROLA's phoneme lines with every stage's
// output kept, so that users who fix the data files can see what changed.
// Sound is made elsewhere: the caller hands the lines to an mbrola process
// (platform/mbrola.h) and plays or writes the samples.
#pragma once

#include "voice/letter_to_sound.h"
#include "voice/normalise.h"
#include "voice/prosody.h"

#include <string>
#include <string_view>
#include <vector>

namespace palavrino::voice {

// The texts of the voice's files, as read (Windows-1252).
struct VoiceFiles {
    std::string rules; // .nrl
    std::string exceptions; // .exc
    std::string abbreviations; // .abr
    std::string prosody; // .pro
    std::string diphones; // .dfn
};

struct Utterance {
    std::string normalised;
    std::vector<std::string> tokens; // "[code]text"
    std::vector<std::string> intonated; // "value|text"
    std::vector<std::string> phonemes; // letter-to-sound output
    std::vector<std::string> lines; // MBROLA's .pho lines
};

// The ratios users may set, and how far: beyond these MBROLA is unusable.
inline constexpr double MIN_RATIO = 0.25;
inline constexpr double MAX_RATIO = 4.0;

class OrvanVoice {
public:
    // Loads every table. False with error set to what the user is told
    // ("Erro na base de dados de português: ..." and the like).
    bool open_voice(const VoiceFiles& files, std::string& error);
    bool IsOpen() const { return m_open; }
    // Read with a default; worth telling the user once.
    const std::vector<std::string>& Warnings() const { return m_warnings; }

    void set_voice_ratios(double pitch_ratio, double duration_ratio);
    double PitchRatio() const { return m_pitch_ratio; }
    double DurationRatio() const { return m_duration_ratio; }

    Utterance Analyse(std::string_view text) const;
    // The sum of the durations of the lines, as MBROLA will make them.
    static long TotalMs(const std::vector<std::string>& lines);

    const Normaliser& Normalisation() const { return m_normaliser; }
    const LetterToSound& Rules() const { return m_rules; }
    const Prosody& ProsodyTables() const { return m_prosody; }

private:
    Normaliser m_normaliser;
    LetterToSound m_rules;
    Prosody m_prosody;
    std::vector<std::string> m_warnings;
    double m_pitch_ratio { 1.0 };
    double m_duration_ratio { 1.0 };
    bool m_open { false };
};

} // namespace palavrino::voice
