// The pure text operations behind the string commands, apart from the
// handlers that read their operands: clipped copies and replacements
// (COPIA, TROCA, SUBSTITUI), trimming for SEPARA, and the encodings of
// CONVERTE (UTF-8, percent-encoding, Base64, quoted-printable). All text is
// Windows-1252 bytes except the UTF-8 side of the UTF-8 conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace palavrino::interp {

// Characters `from` to `to` (1-based, inclusive) of text, with the range
// clipped to the text; an empty or inverted range gives "".
std::string CopyRange(std::string_view text, int32_t from, int32_t to);

// Every occurrence of `old_text` replaced by `new_text`, scanning from the
// right; text formed by a replacement with what lies to its left can match
// again ("aab", "ab" -> "b" gives "b"). An empty `old_text` puts `new_text`
// before every character and at the end.
std::string ReplaceLeftward(std::string_view text, std::string_view old_text, std::string_view new_text);

// Deletes characters `from` to `to` of text (clipped; nothing when the range
// starts outside the text or is empty) and inserts `new_text` at `from`
// (at the start when from < 1, at the end when past it).
std::string ReplaceRange(std::string_view text, std::string_view new_text, int32_t from, int32_t to);

// Takes blanks and tabs off both ends.
std::string_view TrimBlanks(std::string_view text);

// ---- Encodings of CONVERTE ----

enum class TextCode : uint8_t {
    Utf8 = 0,
    Url = 1,
    Mime = 2,
    QuotedPrintable = 3,
};

// The code named by a folded word (UTF, UTF8, URL, MIME, QP); false for any
// other word.
bool TextCodeOf(std::string_view word, TextCode* out);
std::string EncodeText(TextCode code, std::string_view text);
std::string DecodeText(TextCode code, std::string_view text);

// Windows-1252 to UTF-8; every byte has a character (the five unassigned
// bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D stand for U+0081 and so on).
std::string Cp1252ToUtf8(std::string_view text);
// Strict UTF-8 to Windows-1252: each byte of an ill-formed sequence becomes
// "?", as does each character Windows-1252 cannot hold. A byte-order mark at
// the start is dropped.
std::string Utf8ToCp1252(std::string_view text);

// Percent-encoding: control bytes, blank, the quote, "%", "<", ">", "[" to
// "`" and "{" to 255 become "%" and two upper-case hexadecimal digits.
std::string UrlEncode(std::string_view text);
// Quoted-printable without soft line breaks: control bytes, "=" and 127 to
// 255 become "=" and two upper-case hexadecimal digits.
std::string QpEncode(std::string_view text);
// Undoes "%XX" or "=XX" escapes; an escape before a line break is a soft
// line break and vanishes; an escape with fewer than two characters after it
// ends the text; any other escape character stays as it is.
std::string EscapeDecode(std::string_view text, char escape);

std::string Base64Encode(std::string_view bytes);
// Skips every character outside the alphabet ("=" and line breaks
// included); a lone character left at the end is dropped.
std::string Base64Decode(std::string_view text);

} // namespace palavrino::interp
