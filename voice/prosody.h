// The third stage of the Orvan voice: tokens with their class codes, an
// intonation code per token from the pattern rules, then durations and
// pitch points for every phoneme line, with the diphones the database lacks
// bridged. The result is MBROLA's .pho text, one line per phoneme.
//
// Intonation codes are three digits, each an index into TABHERTZ (percent
// of HERTZ): the pitch where a word starts, on its stressed phoneme, and at
// the end of the utterance.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::voice {

// Room for the function words of Portuguese and the patterns of a careful
// intonation model; more is refused with a message.
inline constexpr std::size_t MAX_KEYWORDS = 1000;
inline constexpr std::size_t MAX_PATTERNS = 300;
inline constexpr std::size_t CLASS_CODE_CHARS = 2;
inline constexpr std::size_t PATTERN_FIELD_CHARS = 3;

inline constexpr int DEFAULT_BASE_HZ = 230;
inline constexpr int NORMAL_FACTOR_PERCENT = 100;
// The stressed stretch of a word is this much longer than the rest.
inline constexpr int STRESSED_FACTOR_PERCENT = 145;
inline constexpr int DEFAULT_DURATION_MS = 100;
inline constexpr int BRIDGE_MS = 50;
// Durations beyond this are typing mistakes in the prosody file (a pause of
// ten seconds inside a sentence helps nobody).
inline constexpr int MAX_DURATION_MS = 10000;
inline constexpr std::string_view NEUTRAL_INTONATION = "555";

struct IntonationPattern {
    std::string previous, current, next; // empty: matches any code
    std::string value; // three digits, the first may be "?"
};

class Prosody {
public:
    // The prosody file's text: sections [DURAÇÃO], [CHAVES] and [PROSÓDIA].
    // False with error set when a section is missing, a line is wrong or a
    // table is full; warnings collect what was read with a default.
    bool LoadProsody(std::string_view text, std::string& error, std::vector<std::string>& warnings);
    // The diphones file: one pair of phoneme names per line.
    void LoadDiphones(std::string_view text);

    // "[code]text" per token, starting with the boundary "[--]".
    std::vector<std::string> Tokenise(std::string_view normalised) const;
    // "value|text" per token; boundaries get an empty text.
    std::vector<std::string> Intonate(const std::vector<std::string>& tokens) const;
    // The phonetised lines as MBROLA lines.
    std::vector<std::string> BuildLines(
        const std::vector<std::string>& phonetised, double pitch_ratio, double duration_ratio) const;

    std::string ClassOf(std::string_view word) const;
    bool HasDiphone(std::string_view first, std::string_view second) const;
    int DurationMs(std::string_view phoneme, int fallback) const;
    int BaseHz() const { return m_base_hz; }
    std::size_t KeywordCount() const { return m_keywords.size(); }
    std::size_t PatternCount() const { return m_patterns.size(); }
    std::size_t DiphoneCount() const { return m_diphones.size(); }

private:
    bool LoadDurations(std::string_view text, std::string& error, std::vector<std::string>& warnings);
    bool LoadKeywords(std::string_view text, std::string& error);
    bool LoadPatterns(std::string_view text, std::string& error);
    std::string PatternValue(
        std::string_view previous, std::string_view current, std::string_view next) const;
    std::string PitchPoint(int position_percent, char digit, double pitch_ratio) const;

    std::vector<std::pair<std::string, int>> m_durations_ms; // sorted by phoneme
    std::vector<std::pair<std::string, std::string>> m_keywords; // sorted by word
    std::vector<IntonationPattern> m_patterns;
    int m_base_hz { DEFAULT_BASE_HZ };
    std::array<int, 10> m_pitch_percent { 0, 70, 78, 85, 92, 100, 108, 116, 125, 135 };
    std::vector<std::string> m_diphones; // "A-B", upper-cased, sorted
};

} // namespace palavrino::voice
