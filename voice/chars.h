// Windows-1252 character classes of the Orvan voice: letters, vowels and
// consonants as Portuguese spelling uses them, and case mapping. Our own
// tables, never <cctype> or the locale, so a byte means the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace palavrino::voice {

inline std::uint8_t Byte(char c)
{
    return static_cast<std::uint8_t>(c);
}

// Capitals for a-z and the accented small letters (à..þ except ÷); other
// bytes are returned as they are.
char UpperChar(char c);
char LowerChar(char c);
std::string UpperText(std::string_view text);
std::string LowerText(std::string_view text);

bool IsDigit(char c);
// A-Z, a-z and À Á Â Ã Ç É Ê Ì Í Ñ Ó Ô Õ Ù Ú Ü in both cases.
bool IsLetter(char c);
// B C D F G H J K L M N P Q R S T V W X Y Z, small forms, Ç Ñ ç ñ.
bool IsConsonant(char c);
// A E I O U and À Á Â Ã É Ê Ì Í Ó Ô Õ Ù Ú Ü in both cases.
bool IsVowel(char c);

std::string_view TrimBlanks(std::string_view text);

} // namespace palavrino::voice
