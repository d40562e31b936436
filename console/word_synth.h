// The built-in word synthesizer: the voice that needs no external engine.
// A word is respelled (letter replacements, an exception list, a stress
// mark found by scanning from its end), turned into a phonetic string by
// ordered context rules, cut into units and pieces, and each piece is
// looked up as a recorded diphone in the voice's sample file and joined
// into 8-bit, 11025 Hz mono sound. Recorded letter sounds fill in for
// single letters. The voice's files (rules, exceptions, diphone index and
// samples) are data; their formats are fixed here.
//
// The synthesizer does not play: it hands each full buffer to a
// VoiceOutput, which may say the user wants it to stop.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::console {

class VoiceOutput {
public:
    virtual ~VoiceOutput() = default;
    // Plays 8-bit, 11025 Hz mono samples to their end. False when the user
    // stopped speech: the synthesizer then gives up the rest.
    virtual bool PlayVoiceBuffer(std::span<const std::uint8_t> samples) = 0;
};

// Tuning of the joins, in samples at 11025 Hz.
struct WordSynthSettings {
    int cut_samples { 400 }; // taken off the end of unstressed diphones
    int floor_samples { 0 }; // no cut diphone gets shorter than this
    int word_gap_samples { 100 }; // silence after each word, in whole hundreds
};

// VoiceStart's results.
constexpr int VOICE_STARTED = 0;
constexpr int VOICE_FILES_MISSING = 1; // directories, index or samples
constexpr int VOICE_RULES_MISSING = 2; // rule or exception file

// Letter replacements and word separators: what the rules read.
std::string PrepareVoiceText(std::string_view text);

// Upper-cases the vowel that carries the stress of a lower-case word,
// unless the word's shape leaves none to mark.
std::string MarkStress(std::string word);

class WordSynth {
public:
    WordSynth();

    // Loads the voice; VOICE_STARTED or the reason it cannot speak. The
    // same voice already loaded is not read again.
    int VoiceStart(const std::filesystem::path& letters_dir, const std::filesystem::path& voice_dir,
        std::string_view voice_name);
    void VoiceEnd();
    bool Started() const { return m_started; }

    void SetSettings(const WordSynthSettings& settings) { m_settings = settings; }
    const WordSynthSettings& Settings() const { return m_settings; }

    // Speaks the words of the text.
    void VoiceSpeakWord(std::string_view text, VoiceOutput& out);

    // The phonetic strings the text's words become ("[...]" each).
    std::vector<std::string> PhoneticWords(std::string_view text) const;
    // Plays phonetic strings as PhoneticWords makes them: the units are
    // split and joined from recorded diphones.
    void SpeakPhonetic(const std::vector<std::string>& phonetic_words, VoiceOutput& out);

private:
    struct Rule {
        std::string left, focus, right, output;
    };
    struct Diphone {
        std::string name;
        std::uint16_t length { 0 };
        std::uint32_t offset { 0 };
    };

    bool LoadRules(const std::filesystem::path& file);
    bool LoadExceptions(const std::filesystem::path& file);
    bool LoadIndex(const std::filesystem::path& file);

    std::string Phonetic(std::string word) const;
    std::string ApplyRules(const std::string& word) const;
    std::string ApplyExceptions(const std::string& word) const;

    void Synthesize(const std::string& phonetic);
    void SplitUnit(const std::string& unit, double factor);
    void PlayMarkers(const std::string& unit, double factor);
    void PlayPiece(std::string piece, int mode, double factor);
    bool AppendRecording(const std::string& name);
    void AppendSamples(std::span<const std::uint8_t> samples);
    void AppendSilence(std::size_t count);
    void Flush();

    bool m_started { false };
    std::string m_loaded_key;
    std::filesystem::path m_letters_dir;
    WordSynthSettings m_settings;
    // One list per first focus character, 32 to 95, in file order.
    std::array<std::vector<Rule>, 64> m_rules;
    std::vector<std::pair<std::string, std::string>> m_exceptions; // sorted by word
    std::vector<Diphone> m_index; // sorted by name
    // Opened with the voice: a file stream sets up the C++ locale machinery,
    // which a script that never speaks should not wait for.
    std::unique_ptr<std::ifstream> m_samples;
    std::vector<std::uint8_t> m_buffer;
    std::minstd_rand m_noise;

    // State of one VoiceSpeakWord call.
    VoiceOutput* m_out { nullptr };
    bool m_stopped { false };
    int m_mode { 1 };
};

} // namespace palavrino::console
