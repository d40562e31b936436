// JSON reading: collecting the text of one value, rewriting JSON-only syntax
// into the language's literal forms, and parsing it with the expression
// parser on a lexer started at the collected text; see json.h.
#include "core/json.h"

#include "core/char_tables.h"
#include "core/machine.h"
#include "messages/core.h"
#include "messages/json.h"

#include <array>
#include <cstdint>
#include <new>

namespace palavrino::core {

namespace {

    // What null reads as: the built-in that gives "indefinido".
    constexpr std::string_view NULL_TEXT = "INDEFINIDO()";

    // The Windows-1252 byte of a code point, or "?" when it has none. Code 0
    // also gives "?": a zero byte ends input everywhere else in the program.
    char CodePointToByte(char32_t cp)
    {
        if ((cp >= 1 && cp < 0x80) || (cp >= 0xA0 && cp <= 0xFF))
            return static_cast<char>(cp);
        for (size_t i = 0; i < CP1252_HIGH_ROW.size(); ++i)
            if (CP1252_HIGH_ROW[i] == cp)
                return static_cast<char>(0x80 + i);
        return '?';
    }

    int HexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool IsDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    // The four hex digits of a \u escape starting at text[i] ("\u" at i), or -1.
    int32_t ReadHex4(std::string_view text, size_t i)
    {
        if (i + 6 > text.size() || text[i] != '\\' || text[i + 1] != 'u')
            return -1;
        int32_t value = 0;
        for (size_t k = i + 2; k < i + 6; ++k) {
            int d = HexDigit(text[k]);
            if (d < 0)
                return -1;
            value = value * 16 + d;
        }
        return value;
    }

    class JsonRewriter {
    public:
        JsonRewriter(std::string_view text, const CodeNamePredicate& names_code)
            : m_text(text)
            , m_names_code(names_code)
        {
            m_out.reserve(text.size() + text.size() / 8 + 16);
        }

        std::string Run();

    private:
        void DoubleQuoted();
        void Apostrophed();
        void Word();
        void Number(bool negative);
        size_t Escape(size_t i);
        void EmitQuoted(std::string_view content);
        bool InValuePosition() const;

        std::string_view m_text;
        const CodeNamePredicate& m_names_code;
        std::string m_out;
        size_t m_i { 0 };
        // The last character written outside strings that was not a blank.
        char m_last_significant { 0 };
    };

    std::string JsonRewriter::Run()
    {
        const size_t n = m_text.size();
        while (m_i < n) {
            char c = m_text[m_i];
            char cls = CharClass(static_cast<unsigned char>(c));
            if (c == '"') {
                DoubleQuoted();
                m_last_significant = '"';
            } else if (c == '\'') {
                Apostrophed();
                m_last_significant = '\'';
            } else if (IsWordStartClass(cls)) {
                Word();
                m_last_significant = 'A';
            } else if (IsDigit(c)) {
                Number(false);
                m_last_significant = '0';
            } else if (c == '-' && m_i + 1 < n && IsDigit(m_text[m_i + 1]) && InValuePosition()) {
                ++m_i;
                Number(true);
                m_last_significant = '0';
            } else {
                m_out += c;
                if (cls != ' ')
                    m_last_significant = c;
                ++m_i;
            }
        }
        return std::move(m_out);
    }

    // A minus sign belongs to the number after it where a value starts: at the
    // start, or after an opening bracket, a comma or a colon.
    bool JsonRewriter::InValuePosition() const
    {
        char c = m_last_significant;
        return c == 0 || c == '[' || c == '{' || c == ',' || c == ':';
    }

    void JsonRewriter::EmitQuoted(std::string_view content)
    {
        m_out += '"';
        for (char c : content) {
            if (c == '"')
                m_out += '"';
            m_out += c;
        }
        m_out += '"';
    }

    // Decodes the escape at m_text[i] (a backslash) into m_out; returns the
    // position after it. An escape JSON does not know is kept as written.
    size_t JsonRewriter::Escape(size_t i)
    {
        char e = m_text[i + 1];
        switch (e) {
        case '"':
            m_out += "\"\"";
            return i + 2;
        case '\\':
            m_out += '\\';
            return i + 2;
        case '/':
            m_out += '/';
            return i + 2;
        case 'b':
            m_out += '\b';
            return i + 2;
        case 'f':
            m_out += '\f';
            return i + 2;
        case 'n':
            m_out += '\n';
            return i + 2;
        case 'r':
            m_out += '\r';
            return i + 2;
        case 't':
            m_out += '\t';
            return i + 2;
        case 'u':
            break;
        default:
            m_out += '\\';
            return i + 1;
        }
        int32_t unit = ReadHex4(m_text, i);
        if (unit < 0) {
            m_out += '\\';
            return i + 1;
        }
        char32_t cp = static_cast<char32_t>(unit);
        size_t next = i + 6;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            // A character beyond the basic plane comes as two escapes; none of
            // them has a Windows-1252 byte, but the pair must give one "?".
            int32_t low = ReadHex4(m_text, next);
            if (low >= 0xDC00 && low <= 0xDFFF)
                next += 6;
            cp = 0x10000;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            cp = 0x10000;
        }
        char byte = CodePointToByte(cp);
        m_out += byte;
        if (byte == '"')
            m_out += '"';
        return next;
    }

    // A double-quoted string: JSON escapes are decoded; a doubled quote is the
    // language's own way of writing one and is kept. An unterminated string is
    // left unterminated for the lexer to report.
    void JsonRewriter::DoubleQuoted()
    {
        const size_t n = m_text.size();
        m_out += '"';
        size_t i = m_i + 1;
        while (i < n) {
            char c = m_text[i];
            if (c == '"') {
                if (i + 1 < n && m_text[i + 1] == '"') {
                    m_out += "\"\"";
                    i += 2;
                    continue;
                }
                m_out += '"';
                ++i;
                break;
            }
            if (c == '\\' && i + 1 < n) {
                i = Escape(i);
                continue;
            }
            m_out += c;
            ++i;
        }
        m_i = i;
    }

    // Apostrophes are the language's own delimiter, not JSON's: copied as they
    // are, doubled apostrophes included.
    void JsonRewriter::Apostrophed()
    {
        const size_t n = m_text.size();
        size_t i = m_i + 1;
        while (i < n) {
            if (m_text[i] == '\'') {
                if (i + 1 < n && m_text[i + 1] == '\'') {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
        m_out.append(m_text.substr(m_i, i - m_i));
        m_i = i;
    }

    void JsonRewriter::Word()
    {
        const size_t n = m_text.size();
        size_t i = m_i + 1;
        while (i < n && IsWordClass(CharClass(static_cast<unsigned char>(m_text[i]))))
            ++i;
        std::string_view word = m_text.substr(m_i, i - m_i);
        m_i = i;
        if (word == "true")
            m_out += '1';
        else if (word == "false")
            m_out += '0';
        else if (word == "null")
            m_out += NULL_TEXT;
        else if (m_names_code && m_names_code(word))
            EmitQuoted(word);
        else
            m_out.append(word);
    }

    // number -> digits [ "." digits ] [ ("e"|"E") ["+"|"-"] digits ]
    // m_i is at the first digit; a minus sign before it was already taken.
    void JsonRewriter::Number(bool negative)
    {
        const size_t n = m_text.size();
        size_t start = m_i;
        size_t i = m_i;
        while (i < n && IsDigit(m_text[i]))
            ++i;
        size_t digits_end = i;
        bool whole = true;
        // ".." is the language's range operator, not a fraction.
        if (i + 1 < n && m_text[i] == '.' && IsDigit(m_text[i + 1])) {
            whole = false;
            i += 2;
            while (i < n && IsDigit(m_text[i]))
                ++i;
        }
        if (i < n && (m_text[i] == 'e' || m_text[i] == 'E')) {
            size_t k = i + 1;
            if (k < n && (m_text[k] == '+' || m_text[k] == '-'))
                ++k;
            if (k < n && IsDigit(m_text[k])) {
                whole = false;
                i = k;
                while (i < n && IsDigit(m_text[i]))
                    ++i;
            }
        }
        m_i = i;
        std::string_view digits = m_text.substr(start, i - start);
        if (whole) {
            // A whole number the 32-bit integers hold is read as an integer.
            std::string_view magnitude = m_text.substr(start, digits_end - start);
            while (magnitude.size() > 1 && magnitude[0] == '0')
                magnitude.remove_prefix(1);
            uint64_t value = 0;
            bool fits = magnitude.size() <= 10;
            if (fits) {
                for (char c : magnitude)
                    value = value * 10 + static_cast<uint64_t>(c - '0');
                fits = value <= (negative ? 2147483648ull : 2147483647ull);
            }
            if (fits) {
                if (negative)
                    m_out += '-';
                m_out.append(digits);
                return;
            }
        }
        std::string text;
        if (negative)
            text += '-';
        text.append(digits);
        EmitQuoted(text);
    }

    // Restores the lexer cursor of the asking command whatever way parsing ends.
    class TokenGuard {
    public:
        explicit TokenGuard(Lexer& lexer)
            : m_lexer(lexer)
            , m_saved(lexer.tok)
        {
        }
        ~TokenGuard() { m_lexer.tok = m_saved; }
        TokenGuard(const TokenGuard&) = delete;
        TokenGuard& operator=(const TokenGuard&) = delete;

    private:
        Lexer& m_lexer;
        TokenRec m_saved;
    };

    // Collects the text of one value into `buffer`, line feeds turned into
    // blanks, ending with the line feed the lexer needs. False when the text
    // outgrew what can be held or nested too deep (already reported).
    bool CollectJsonText(Machine& m, const CharSource& next_char, std::string& buffer)
    {
        char quote = 0;
        bool escaped = false;
        std::string closers;
        try {
            buffer.reserve(1024);
            for (;;) {
                int code = next_char();
                if (code <= 0)
                    break;
                if (buffer.size() >= MAX_JSON_TEXT) {
                    // Not a lack of memory: the reader's own limit, named so
                    // the user knows what to change.
                    m.ConsoleLine(std::string(msg::MSG_JSON_TOO_LONG)
                        + IntToText(static_cast<int32_t>(MAX_JSON_TEXT / (1024u * 1024u)))
                        + std::string(msg::MSG_JSON_TOO_LONG_UNIT));
                    return false;
                }
                char c = code == '\n' ? ' ' : static_cast<char>(code);
                if (quote == 0) {
                    if (c == '"' || c == '\'') {
                        quote = c;
                    } else if (c == '[' || c == '{') {
                        if (closers.size() >= MAX_JSON_DEPTH) {
                            m.ConsoleLine(msg::MSG_NESTED_TOO_DEEP);
                            return false;
                        }
                        closers += c == '[' ? ']' : '}';
                    } else if (c == ']' || c == '}') {
                        if (closers.empty()) {
                            m.ConsoleLine(msg::JsonUnexpectedChar(c));
                            break;
                        }
                        if (closers.back() != c) {
                            m.ConsoleLine(msg::JsonExpectedCloser(closers.back(), c));
                            break;
                        }
                        closers.pop_back();
                    }
                } else if (escaped) {
                    escaped = false;
                } else if (quote == '"' && c == '\\') {
                    // A JSON escape: the character after it never ends the string.
                    escaped = true;
                } else if (c == quote) {
                    quote = 0;
                }
                buffer += c;
            }
            buffer += '\n';
        } catch (const std::bad_alloc&) {
            buffer.clear();
            buffer.shrink_to_fit();
            m.ConsoleLine(msg::MSG_OUT_OF_MEMORY);
            return false;
        }
        return true;
    }

} // namespace

std::string PrepareJsonText(std::string_view text, const CodeNamePredicate& names_code)
{
    return JsonRewriter(text, names_code).Run();
}

void ReadJsonValue(Machine& m, const CharSource& next_char, bool from_console, Value& result)
{
    result.Clear();
    if (from_console)
        m.ConsoleLine(msg::MSG_JSON_START);
    std::string buffer;
    bool collected = CollectJsonText(m, next_char, buffer);
    if (from_console)
        m.ConsoleLine(msg::MSG_JSON_END);
    if (!collected || buffer.size() <= 1)
        return;
    // Built-ins without arguments (INDEFINIDO, VERDADEIRO, DATA...) only give
    // a value and read as before; anything else that would run is data.
    CodeNamePredicate names_code = [&m](std::string_view word) {
        const SymtbEntry* e = m.symbols.FindSymbol(m.current_slot, m.current_function, FoldName(word));
        if (!e)
            return false;
        if (e->kind == SymbolKind::Native)
            return e->value1 != 0;
        return e->kind == SymbolKind::UserFunction || e->kind == SymbolKind::Module;
    };
    std::string text = PrepareJsonText(std::string_view(buffer).substr(0, buffer.size() - 1), names_code);
    buffer = std::string();
    text += '\n';
    TokenGuard guard(m.lexer);
    m.lexer.StartLine(0, text.data(), text.size() - 1);
    m.lexer.NextToken();
    m.ParseExpression(result);
}

} // namespace palavrino::core
