// The first stage of the Orvan voice: a line of written Portuguese becomes a
// line of words the letter-to-sound stage can say. Numbers become words,
// ordinals take gender and number, symbols get their names, consonant-only
// words are spelled and abbreviations are expanded from the user's file.
// The output is still text, with the punctuation that marks pauses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::voice {

// Room for every abbreviation a user may want; more is refused with a
// message rather than silently dropped.
inline constexpr std::size_t MAX_ABBREVIATIONS = 2000;

class Normaliser {
public:
    // Reads the abbreviations file's text: "abbreviation = expansion" per
    // line, ";" comments. False, with error set, when the table overflows.
    bool load_abbreviations(std::string_view text, std::string& error);
    std::string normalise_text(std::string_view text) const;
    // The expansion of a word (any case), or null.
    const std::string* FindAbbreviation(std::string_view word) const;
    std::size_t AbbreviationCount() const { return m_abbreviations.size(); }

private:
    std::size_t AppendNumber(std::string_view text, std::size_t pos, std::string& out) const;
    std::size_t AppendWord(std::string_view text, std::size_t pos, std::string& out) const;

    std::vector<std::pair<std::string, std::string>> m_abbreviations;
};

std::string read_cardinal(std::uint64_t value);
// gender 'm' or 'f'; values of 2000 and above read as cardinals.
std::string read_ordinal(char gender, std::uint64_t value);
// The spoken name of a Windows-1252 character, or empty.
std::string_view character_name(std::uint8_t code);

} // namespace palavrino::voice
