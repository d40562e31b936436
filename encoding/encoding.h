// Conversion between the program's Windows-1252 text and UTF-8 at the edges
// (terminal, standard output, script and text files, transcripts). Every
// direction goes through one 256-entry codepage table, so a byte survives a
// round trip unchanged: the five bytes Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 code points of the same value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace palavrino::encoding {

// The Unicode code point a Windows-1252 byte stands for.
char32_t Cp1252ToCodePoint(std::uint8_t byte);

// The Windows-1252 byte of a code point, or nothing when it has none.
std::optional<std::uint8_t> CodePointToCp1252(char32_t code_point);

std::string Cp1252ToUtf8(std::string_view text);

// Characters without a Windows-1252 byte become "?", and so does each byte
// that is not part of a well-formed UTF-8 sequence.
std::string Utf8ToCp1252(std::string_view text);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// How text from files is read: a line that is valid UTF-8 and holds any
// non-ASCII byte is converted; anything else is already Windows-1252 bytes.
std::string DecodeTextLine(std::string_view line);

// Decodes one well-formed UTF-8 sequence at the start of text. Gives the code
// point and the number of bytes used, or nothing when the bytes there are not
// a complete, well-formed sequence (a lone byte, a truncated tail...).
struct Utf8Char {
    char32_t code_point { 0 };
    std::size_t length { 0 };
};
std::optional<Utf8Char> DecodeUtf8Char(std::string_view text);

// How many bytes the UTF-8 sequence introduced by this lead byte has (1 for
// ASCII), or 0 when the byte cannot start a sequence.
std::size_t Utf8SequenceLength(std::uint8_t lead);

} // namespace palavrino::encoding
