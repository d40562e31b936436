// The second stage of the Orvan voice: each word of a normalised utterance
// becomes phoneme lines. An exception list may respell the word first, the
// stress finder marks its stressed letter, and the rules file rewrites its
// letters in context. A last pass joins words (liaison): a final r or s
// before a vowel is said as it is inside a word.
//
// Phoneme lines: a name, optionally after ">" (the stressed phoneme) or the
// byte 0xA8 (the lengthened stretch ends here). A word is introduced by a
// comment line ";" + intonation code + "|" + word; "__" is the long pause.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::voice {

// A rule's three context fields and its focus hold this many characters;
// its phoneme string at most MAX_RULE_PHONEMES. Longer fields are refused
// with a message, never cut short silently.
inline constexpr std::size_t MAX_RULE_FIELD = 5;
inline constexpr std::size_t MAX_RULE_PHONEMES = 20;
inline constexpr std::size_t MAX_EXCEPTIONS = 15000;

inline constexpr char STRESS_MARK = '>';
inline constexpr char STRETCH_END_MARK = '\xA8';
inline constexpr std::string_view LONG_PAUSE = "__";

struct Rule {
    std::string left, focus, right, phonemes;
};

class LetterToSound {
public:
    // Reads the rules and exceptions files' texts. False, with error naming
    // the file and line, when a line cannot be read or a table is full.
    bool load_rules(std::string_view rules_text, std::string_view exceptions_text, std::string& error);

    // Tokens are intonation code + "|" + word; the result is every token's
    // comment line and phoneme lines, then "__", after liaison.
    std::vector<std::string> phonetise(const std::vector<std::string>& tokens) const;

    // The stages of one word, exposed for tests and the --orvan-pho view.
    std::string ApplyExceptions(std::string_view upper_word) const;
    std::vector<std::string> ApplyRules(std::string_view word, std::size_t stressed) const;
    std::vector<std::string> WordPhonemes(std::string_view word) const;
    std::size_t RuleCount() const;
    std::size_t ExceptionCount() const { return m_exceptions.size(); }

private:
    bool RuleFires(const Rule& rule, std::string_view word, std::size_t pos) const;

    std::array<std::vector<Rule>, 256> m_groups;
    std::vector<std::pair<std::string, std::string>> m_exceptions; // sorted by word
};

// The 1-based position of the stressed letter of a word, or 0 for none
// (no vowel, two letters or fewer, or a word said without stress).
std::size_t FindStress(std::string_view word);

// Changes r2 to r and s2 to z at the end of a word followed by a vowel.
void ApplyLiaison(std::vector<std::string>& lines);

} // namespace palavrino::voice
