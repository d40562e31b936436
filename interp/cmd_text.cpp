// The string commands CONCATENA, COPIA, SUBSTITUI, TROCA, SEPARA and
// CONVERTE, and the pure text operations and encodings behind them. The
// Windows-1252 table here is the one conversion this file needs; the
// console keeps its own for the terminal edge.
#include "core/char_tables.h"
#include "core/selection.h"
#include "interp/cmd_data.h"
#include "interp/command_helpers.h"
#include "interp/runtime.h"
#include "interp/text_ops.h"
#include "messages/interp.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>

namespace palavrino::interp {

namespace {

    using core::TargetRec;
    using core::TokenKind;

    // SUBSTITUI can multiply a text's length (an empty pattern inserts before
    // every character); past this size the result could not be held anyway, so
    // it ends the run as exhausted memory instead of thrashing first.
    constexpr size_t MAX_REPLACED_TEXT = size_t { 1 } << 30;

    Value ParseAs(Runtime& rt, ValueKind kind)
    {
        Value v;
        rt.ParseExpressionAs(v, kind);
        return v;
    }

    // ---- Windows-1252 and Unicode ----

    uint32_t CodePointOfByte(unsigned char b)
    {
        return b >= 0x80 && b <= 0x9F ? core::CP1252_HIGH_ROW[static_cast<size_t>(b - 0x80)] : b;
    }

    char ByteOfCodePoint(uint32_t cp)
    {
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
            return static_cast<char>(cp);
        for (size_t i = 0; i < core::CP1252_HIGH_ROW.size(); ++i) {
            if (core::CP1252_HIGH_ROW[i] == cp)
                return static_cast<char>(0x80 + i);
        }
        return '?';
    }

    void AppendUtf8(std::string& out, uint32_t cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            // Windows-1252 reaches no further than U+2122.
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    // The length of the well-formed UTF-8 sequence at text[i], and its code
    // point; 0 when the bytes there form none (overlong forms, surrogates,
    // values past U+10FFFF and truncated sequences included).
    size_t DecodeUtf8At(std::string_view text, size_t i, uint32_t* cp)
    {
        auto b = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        unsigned char low = 0x80; // bounds of the second byte
        unsigned char high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            *cp = b & 0x1Fu;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            *cp = b & 0x0Fu;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            *cp = b & 0x07u;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        }
        if (length == 0 || text.size() - i < length)
            return 0;
        for (size_t k = 1; k < length; ++k) {
            auto c = static_cast<unsigned char>(text[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF))
                return 0;
            *cp = (*cp << 6) | (c & 0x3Fu);
        }
        return length;
    }

    int HexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    }

    void AppendHexEscape(std::string& out, char escape, unsigned char b)
    {
        constexpr std::string_view HEX = "0123456789ABCDEF";
        out += escape;
        out += HEX[b >> 4];
        out += HEX[b & 0x0F];
    }

    constexpr std::string_view BASE64_ALPHABET
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

    int Base64Value(char c)
    {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    }

    bool UrlKeeps(unsigned char b)
    {
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'))
            return true;
        return b == 33 || b == 35 || b == 36 || (b >= 38 && b <= 47) || b == 58 || b == 59 || b == 61
            || b == 63 || b == 64;
    }

} // namespace

// ---- Pure text operations ----

std::string CopyRange(std::string_view text, int32_t from, int32_t to)
{
    const int64_t first = std::max<int64_t>(from, 1);
    const int64_t last = std::min<int64_t>(to, static_cast<int64_t>(text.size()));
    if (last < first)
        return {};
    return std::string(text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1)));
}

std::string ReplaceLeftward(std::string_view text, std::string_view old_text, std::string_view new_text)
{
    const size_t n = old_text.size();
    if (text.size() < n)
        return std::string(text);
    // The text from the scan position rightwards, kept reversed: the scan
    // moves left, so every match, replacement and newly reached character
    // is at the end of this buffer and costs no shifting.
    const std::string old_reversed(old_text.rbegin(), old_text.rend());
    const std::string new_reversed(new_text.rbegin(), new_text.rend());
    size_t position = text.size() - n;
    std::string right(text.rbegin(), text.rbegin() + static_cast<std::ptrdiff_t>(n));
    for (;;) {
        if (right.size() >= n && right.compare(right.size() - n, n, old_reversed) == 0) {
            right.resize(right.size() - n);
            if (right.size() + new_reversed.size() > MAX_REPLACED_TEXT)
                throw std::bad_alloc();
            right += new_reversed;
        }
        if (position == 0)
            break;
        --position;
        right += text[position];
    }
    std::reverse(right.begin(), right.end());
    return right;
}

std::string ReplaceRange(std::string_view text, std::string_view new_text, int32_t from, int32_t to)
{
    std::string out(text);
    const auto length = static_cast<int64_t>(out.size());
    const int64_t count = static_cast<int64_t>(to) - from + 1;
    if (from >= 1 && from <= length && count > 0) {
        out.erase(static_cast<size_t>(from - 1), static_cast<size_t>(std::min(count, length - from + 1)));
    }
    const int64_t at = std::clamp<int64_t>(from, 1, static_cast<int64_t>(out.size()) + 1) - 1;
    out.insert(static_cast<size_t>(at), new_text);
    return out;
}

std::string_view TrimBlanks(std::string_view text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool TextCodeOf(std::string_view word, TextCode* out)
{
    if (word == "UTF" || word == "UTF8")
        *out = TextCode::Utf8;
    else if (word == "URL")
        *out = TextCode::Url;
    else if (word == "MIME")
        *out = TextCode::Mime;
    else if (word == "QP")
        *out = TextCode::QuotedPrintable;
    else
        return false;
    return true;
}

std::string EncodeText(TextCode code, std::string_view text)
{
    switch (code) {
    case TextCode::Utf8:
        return Cp1252ToUtf8(text);
    case TextCode::Url:
        return UrlEncode(text);
    case TextCode::Mime:
        return Base64Encode(text);
    case TextCode::QuotedPrintable:
        return QpEncode(text);
    }
    return std::string(text);
}

std::string DecodeText(TextCode code, std::string_view text)
{
    switch (code) {
    case TextCode::Utf8:
        return Utf8ToCp1252(text);
    case TextCode::Url:
        return EscapeDecode(text, '%');
    case TextCode::Mime:
        return Base64Decode(text);
    case TextCode::QuotedPrintable:
        return EscapeDecode(text, '=');
    }
    return std::string(text);
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        AppendUtf8(out, CodePointOfByte(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (i < text.size()) {
        uint32_t cp = 0;
        size_t length = static_cast<unsigned char>(text[i]) < 0x80 ? 0 : DecodeUtf8At(text, i, &cp);
        if (length > 0) {
            out += ByteOfCodePoint(cp);
            i += length;
        } else {
            out += static_cast<unsigned char>(text[i]) < 0x80 ? text[i] : '?';
            ++i;
        }
    }
    return out;
}

std::string UrlEncode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (UrlKeeps(b))
            out += c;
        else
            AppendHexEscape(out, '%', b);
    }
    return out;
}

std::string QpEncode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (b < 32 || b == '=' || b >= 127)
            AppendHexEscape(out, '=', b);
        else
            out += c;
    }
    return out;
}

std::string EscapeDecode(std::string_view text, char escape)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != escape) {
            out += c;
            ++i;
            continue;
        }
        if (text.size() - i < 3)
            break;
        const char c1 = text[i + 1];
        const char c2 = text[i + 2];
        if (c1 == '\r' || c1 == '\n') {
            // A soft line break: CR, LF, CR LF or LF CR.
            bool pair = (c1 == '\r' && c2 == '\n') || (c1 == '\n' && c2 == '\r');
            i += pair ? 3 : 2;
        } else if (HexValue(c1) >= 0 && HexValue(c2) >= 0) {
            out += static_cast<char>(HexValue(c1) * 16 + HexValue(c2));
            i += 3;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::string Base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16
            | static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8
            | static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            out += BASE64_ALPHABET[(group >> shift) & 0x3F];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2)
            group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += BASE64_ALPHABET[(group >> 18) & 0x3F];
        out += BASE64_ALPHABET[(group >> 12) & 0x3F];
        out += rest == 2 ? BASE64_ALPHABET[(group >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::string Base64Decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    uint32_t group = 0;
    int count = 0;
    for (char c : text) {
        int v = Base64Value(c);
        if (v < 0)
            continue;
        group = (group << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            out += static_cast<char>((group >> 16) & 0xFF);
            out += static_cast<char>((group >> 8) & 0xFF);
            out += static_cast<char>(group & 0xFF);
            group = 0;
            count = 0;
        }
    }
    if (count == 3) {
        out += static_cast<char>((group >> 10) & 0xFF);
        out += static_cast<char>((group >> 2) & 0xFF);
    } else if (count == 2) {
        out += static_cast<char>((group >> 4) & 0xFF);
    }
    return out;
}

// ---- Handlers ----

namespace {

    // CONCATENA target LISTA list [separator]
    bool ConcatenateList(Runtime& rt, TargetRec& t)
    {
        Value list;
        rt.ParseExpression(list);
        if (!list.is(ValueKind::List))
            return Fail(rt, msg::MSG_EXPECTED_LIST_TO_JOIN);
        std::string separator;
        if (!rt.lexer.AtEnd()) {
            Value sep = ParseAs(rt, ValueKind::String);
            if (!sep.is(ValueKind::String))
                return Fail(rt, msg::MSG_CONCATENA_STRINGS);
            separator = sep.Text();
        }
        return AssignOrFail(rt, t, Value::String(core::JoinList(list.List(), separator)));
    }

    // A plain variable holding a string is extended where it lies, so building
    // a long text a piece at a time stays linear; every owner of the string
    // sees the change, as with any change made through a variable.
    bool AppendInPlace(Runtime& rt, const TargetRec& t, const Value& tail)
    {
        if (!core::TargetIsPlain(t))
            return false;
        core::VarCell& cell = rt.VariableCell(*t.entry);
        if (cell.iterator >= 0 || !cell.value.is(ValueKind::String))
            return false;
        if (tail.object() == cell.value.object()) {
            std::string copy = tail.Text();
            cell.value.MutableText() += copy;
        } else {
            cell.value.MutableText() += tail.Text();
        }
        return true;
    }

} // namespace

// CONCATENA target text  |  CONCATENA target LISTA list [separator]
bool CmdConcatena(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    if (rt.lexer.TokenIsWord("LISTA")) {
        rt.lexer.NextToken();
        return ConcatenateList(rt, t);
    }
    Value current = core::ReadTargetAs(rt, t, ValueKind::String);
    Value tail = ParseAs(rt, ValueKind::String);
    return AppendText(rt, t, current, tail);
}

bool AppendText(Runtime& rt, TargetRec& t, const Value& current, const Value& tail)
{
    if (!tail.is(ValueKind::String))
        return Fail(rt, msg::MSG_CONCATENA_STRINGS);
    // The operand may have called a function that changed the variable, so
    // the in-place test looks at the variable as it is now.
    if (AppendInPlace(rt, t, tail))
        return true;
    if (!current.is(ValueKind::String))
        return Fail(rt, msg::MSG_CONCATENA_STRINGS);
    return AssignOrFail(rt, t, Value::String(current.Text() + tail.Text()));
}

// COPIA target text from to
bool CmdCopia(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    Value text = ParseAs(rt, ValueKind::String);
    Value from = ParseAs(rt, ValueKind::Integer);
    Value to = ParseAs(rt, ValueKind::Integer);
    if (!text.is(ValueKind::String) || !from.is(ValueKind::Integer) || !to.is(ValueKind::Integer))
        return Fail(rt, msg::MSG_BAD_COPIA_OPERANDS);
    return AssignOrFail(rt, t, Value::String(CopyRange(text.Text(), from.AsInt(), to.AsInt())));
}

// SUBSTITUI target old new
bool CmdSubstitui(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    Value text = core::ReadTargetAs(rt, t, ValueKind::String);
    Value old_text = ParseAs(rt, ValueKind::String);
    Value new_text = ParseAs(rt, ValueKind::String);
    if (!text.is(ValueKind::String) || !old_text.is(ValueKind::String) || !new_text.is(ValueKind::String))
        return Fail(rt, msg::MSG_SUBSTITUI_THREE_STRINGS);
    return AssignOrFail(rt, t, Value::String(ReplaceLeftward(text.Text(), old_text.Text(), new_text.Text())));
}

// TROCA target new from to
bool CmdTroca(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    Value text = core::ReadTargetAs(rt, t, ValueKind::String);
    if (!text.is(ValueKind::String))
        return Fail(rt, msg::MSG_NOT_A_STRING);
    Value new_text = ParseAs(rt, ValueKind::String);
    if (!new_text.is(ValueKind::String))
        return Fail(rt, msg::MSG_THIRD_ARG_NEW_STRING);
    Value from = ParseAs(rt, ValueKind::Integer);
    Value to = ParseAs(rt, ValueKind::Integer);
    if (!from.is(ValueKind::Integer) || !to.is(ValueKind::Integer))
        return Fail(rt, msg::MSG_FOURTH_FIFTH_ARGS_INTEGERS);
    return AssignOrFail(
        rt, t, Value::String(ReplaceRange(text.Text(), new_text.Text(), from.AsInt(), to.AsInt())));
}

// SEPARA target text separator ["&"]
bool CmdSepara(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    Value text = ParseAs(rt, ValueKind::String);
    Value separator = ParseAs(rt, ValueKind::String);
    bool trim = rt.lexer.Is(TokenKind::Ampersand);
    if (trim)
        rt.lexer.NextToken();
    // Only a failed operand (already explained by the evaluator) is not
    // text; splitting nothing would silently empty the variable.
    if (!text.is(ValueKind::String) || !separator.is(ValueKind::String))
        return Fail(rt, msg::MSG_SEPARA_ARGS);
    Value pieces = core::SplitBy(text.Text(), separator.Text());
    if (trim) {
        core::ListObj& list = pieces.List();
        for (int32_t i = 0; i < list.Count(); ++i) {
            Value& piece = list.MutableAt(i);
            piece = Value::StringOf(TrimBlanks(piece.Text()));
        }
    }
    return AssignOrFail(rt, t, pieces);
}

// CONVERTE target ( DE | PARA ) code
bool CmdConverte(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    bool encode = rt.lexer.TokenIsWord("PARA");
    if (!encode && !rt.lexer.TokenIsWord("DE"))
        return Fail(rt, msg::MSG_EXPECTED_DE_OR_PARA);
    rt.lexer.NextToken();
    if (!rt.lexer.Is(TokenKind::Word))
        return Fail(rt, msg::MSG_EXPECTED_CONVERSION_CODE);
    TextCode code = TextCode::Utf8;
    if (!TextCodeOf(rt.lexer.tok.text, &code))
        return Fail(rt, msg::UnknownConversionCode(rt.lexer.tok.raw));
    rt.lexer.NextToken();
    Value text = core::ReadTargetAs(rt, t, ValueKind::String);
    if (!text.is(ValueKind::String))
        return Fail(rt, msg::MSG_NOT_A_STRING);
    std::string converted = encode ? EncodeText(code, text.Text()) : DecodeText(code, text.Text());
    return AssignOrFail(rt, t, Value::String(std::move(converted)));
}

} // namespace palavrino::interp
