// The Windows-1252 codepage table and the UTF-8 coder built on it. Only the
// 0x80-0x9F row differs from Latin-1; the rest of the table is the identity.
#include "encoding/encoding.h"

#include <array>

namespace palavrino::encoding {

namespace {

    // Code points of bytes 0x80-0x9F. The undefined bytes keep their own value
    // (U+0081...) so that arbitrary bytes round-trip through UTF-8.
    constexpr std::array<char32_t, 32> HIGH_CONTROL_ROW = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
    };
    static_assert(HIGH_CONTROL_ROW.size() == 0xA0 - 0x80);

    void AppendUtf8(std::string& out, char32_t cp)
    {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }

} // namespace

char32_t Cp1252ToCodePoint(std::uint8_t byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return HIGH_CONTROL_ROW[byte - 0x80];
    return byte;
}

std::optional<std::uint8_t> CodePointToCp1252(char32_t code_point)
{
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF))
        return static_cast<std::uint8_t>(code_point);
    for (std::size_t i = 0; i < HIGH_CONTROL_ROW.size(); ++i) {
        if (HIGH_CONTROL_ROW[i] == code_point)
            return static_cast<std::uint8_t>(0x80 + i);
    }
    return std::nullopt;
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text)
        AppendUtf8(out, Cp1252ToCodePoint(static_cast<std::uint8_t>(c)));
    return out;
}

std::size_t Utf8SequenceLength(std::uint8_t lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

std::optional<Utf8Char> DecodeUtf8Char(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    const auto lead = static_cast<std::uint8_t>(text[0]);
    const std::size_t length = Utf8SequenceLength(lead);
    if (length == 0 || text.size() < length)
        return std::nullopt;
    if (length == 1)
        return Utf8Char { lead, 1 };

    char32_t cp = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if ((b & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (b & 0x3F);
    }
    // The lead byte ranges already exclude overlong two-byte forms; these
    // catch the longer overlongs, the surrogates and the values past Unicode.
    if ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000))
        return std::nullopt;
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return std::nullopt;
    return Utf8Char { cp, length };
}

bool IsValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const auto decoded = DecodeUtf8Char(text);
        if (!decoded)
            return false;
        text.remove_prefix(decoded->length);
    }
    return true;
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto decoded = DecodeUtf8Char(text);
        if (!decoded) {
            out.push_back('?');
            text.remove_prefix(1);
            continue;
        }
        const auto byte = CodePointToCp1252(decoded->code_point);
        out.push_back(byte ? static_cast<char>(*byte) : '?');
        text.remove_prefix(decoded->length);
    }
    return out;
}

std::string DecodeTextLine(std::string_view line)
{
    bool has_non_ascii = false;
    for (char c : line) {
        if (static_cast<std::uint8_t>(c) >= 0x80) {
            has_non_ascii = true;
            break;
        }
    }
    if (has_non_ascii && IsValidUtf8(line))
        return Utf8ToCp1252(line);
    return std::string(line);
}

} // namespace palavrino::encoding
