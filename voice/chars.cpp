// The character classes of the Orvan voice over Windows-1252 bytes.
#include "voice/chars.h"

namespace palavrino::voice {

namespace {

    constexpr std::string_view ACCENTED_CAPITALS
        = "\xC0\xC1\xC2\xC3\xC7\xC9\xCA\xCC\xCD\xD1\xD3\xD4\xD5\xD9\xDA\xDC";
    constexpr std::string_view ACCENTED_VOWEL_CAPITALS
        = "\xC0\xC1\xC2\xC3\xC9\xCA\xCC\xCD\xD3\xD4\xD5\xD9\xDA\xDC";
    constexpr std::string_view CONSONANT_CAPITALS = "BCDFGHJKLMNPQRSTVWXYZ\xC7\xD1";

    bool Contains(std::string_view set, char c)
    {
        return set.find(c) != std::string_view::npos;
    }

} // namespace

char UpperChar(char c)
{
    const std::uint8_t b = Byte(c);
    // 0xE0..0xFE are the small forms of 0xC0..0xDE, except 0xF7 (division).
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
        return static_cast<char>(b - 0x20);
    return c;
}

char LowerChar(char c)
{
    const std::uint8_t b = Byte(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
        return static_cast<char>(b + 0x20);
    return c;
}

std::string UpperText(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = UpperChar(c);
    return result;
}

std::string LowerText(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = LowerChar(c);
    return result;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    const char u = UpperChar(c);
    return (u >= 'A' && u <= 'Z') || Contains(ACCENTED_CAPITALS, u);
}

bool IsConsonant(char c)
{
    return Contains(CONSONANT_CAPITALS, UpperChar(c));
}

bool IsVowel(char c)
{
    const char u = UpperChar(c);
    return Contains("AEIOU", u) || Contains(ACCENTED_VOWEL_CAPITALS, u);
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace palavrino::voice
