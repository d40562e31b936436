// Scans one token at a time from the current line; see lexer.h. Errors are
// reported and scanning goes on: the lexer never stops a run by itself.
#include "core/lexer.h"

#include "core/char_tables.h"
#include "core/invariants.h"
#include "core/value.h"
#include "messages/core.h"

using namespace palavrino::msg; // FIXME: qualify the messages (msg::) and drop this

namespace palavrino::core {

void Lexer::StartLine(int32_t line_number, const char* text, size_t length)
{
    PL_INVARIANT(text[length] == '\n');
    tok.line_number = line_number;
    tok.line_start = text;
    tok.position = text;
    tok.line_end = text + length;
    tok.mark = nullptr;
    tok.token_start = nullptr;
    // A line that opens with one of these is a comment or a continuation
    // marker and reads as empty; blanks before it make it an ordinary line.
    if (length > 0 && (text[0] == '&' || text[0] == '*' || text[0] == '/' || text[0] == ';'))
        tok.position = tok.line_end;
}

void Lexer::RescanFromMark()
{
    if (!tok.mark)
        return;
    tok.position = tok.mark;
    NextToken();
}

void Lexer::SkipRestOfLine()
{
    tok.position = tok.line_end;
    tok.token_start = tok.line_end;
    tok.kind = TokenKind::EndOfLine;
    tok.op = OpCode::None;
    tok.raw = {};
}

void Lexer::LexError(std::string_view message)
{
    std::string line = "Erro na linha ";
    line += IntToText(tok.line_number);
    line += ": ";
    line += message;
    m_reporter->LexMessage(line);
}

void Lexer::ScanString(char delimiter)
{
    const char* p = tok.position;
    for (;;) {
        ++p;
        if (p >= tok.line_end) {
            LexError(MSG_UNTERMINATED_STRING);
            // Finish on the last character so stepping past it lands on the
            // line end.
            p = tok.line_end - 1;
            break;
        }
        if (*p == delimiter) {
            if (p + 1 >= tok.line_end || p[1] != delimiter)
                break;
            tok.text += delimiter;
            ++p;
            continue;
        }
        tok.text += *p;
    }
    tok.position = p + 1;
    tok.kind = TokenKind::String;
}

TokenKind Lexer::NextToken()
{
    tok.kind = TokenKind::EndOfLine;
    tok.op = OpCode::None;
    const auto& table = CharClassTable();
    const char* p = tok.position;
    char c;
    for (;;) {
        c = table[static_cast<unsigned char>(*p)];
        if (c == ' ') {
            ++p;
            continue;
        }
        if (c == INVALID_CLASS) {
            tok.position = p;
            std::string msg = "Caractere inv\xE1lido (#";
            msg += IntToText(static_cast<unsigned char>(*p));
            msg += ")";
            LexError(msg);
            ++p;
            continue;
        }
        break;
    }
    tok.token_start = p;
    tok.text.clear();
    tok.raw = {};
    auto op = [&](OpCode code, int length) {
        tok.kind = TokenKind::Operator;
        tok.op = code;
        p += length;
    };
    auto simple = [&](TokenKind kind, int length) {
        tok.kind = kind;
        p += length;
    };
    switch (c) {
    case '\n':
        tok.raw = "EOL";
        tok.position = p;
        return tok.kind;
    case '"':
    case '\'':
        tok.position = p;
        ScanString(*p);
        p = tok.position;
        break;
    case ';':
        p = tok.line_end;
        tok.raw = ";";
        break;
    case '/':
        if (p[1] == '/') {
            p = tok.line_end;
            tok.raw = "//";
        } else {
            op(OpCode::Divide, 1);
        }
        break;
    case ':':
        if (p[1] == '=')
            simple(TokenKind::Assign, 2);
        else
            simple(TokenKind::Colon, 1);
        break;
    case '=':
        if (p[1] == '*')
            op(OpCode::BeginsWith, 2);
        else
            op(OpCode::Equal, 1);
        break;
    case '<':
        if (p[1] == '=')
            op(OpCode::LessEqual, 2);
        else if (p[1] == '>')
            op(OpCode::NotEqual, 2);
        else
            op(OpCode::Less, 1);
        break;
    case '>':
        if (p[1] == '=')
            op(OpCode::GreaterEqual, 2);
        else
            op(OpCode::Greater, 1);
        break;
    case '*':
        if (p[1] == '=' && p[2] == '*')
            op(OpCode::Contains, 3);
        else if (p[1] == '=')
            op(OpCode::EndsWith, 2);
        else
            op(OpCode::Multiply, 1);
        break;
    case '.':
        if (p[1] == '.')
            op(OpCode::Range, 2);
        else
            simple(TokenKind::Dot, 1);
        break;
    case '+':
        op(OpCode::Add, 1);
        break;
    case '-':
        op(OpCode::Subtract, 1);
        break;
    case '%':
        op(OpCode::Modulo, 1);
        break;
    case '^':
        op(OpCode::Power, 1);
        break;
    case '|':
        op(OpCode::Bar, 1);
        break;
    case ',':
        simple(TokenKind::Comma, 1);
        break;
    case '(':
        simple(TokenKind::LeftParen, 1);
        break;
    case ')':
        simple(TokenKind::RightParen, 1);
        break;
    case '[':
        simple(TokenKind::LeftBracket, 1);
        break;
    case ']':
        simple(TokenKind::RightBracket, 1);
        break;
    case '{':
        simple(TokenKind::LeftBrace, 1);
        break;
    case '}':
        simple(TokenKind::RightBrace, 1);
        break;
    case '#':
        simple(TokenKind::Hash, 1);
        break;
    case '&':
        simple(TokenKind::Ampersand, 1);
        break;
    default:
        if (IsDigitClass(c)) {
            uint32_t value = 0; // wraps silently, as written numbers always have
            while (*p >= '0' && *p <= '9')
                value = value * 10u + static_cast<uint32_t>(*p++ - '0');
            tok.int_value = static_cast<int32_t>(value);
            tok.kind = TokenKind::Integer;
        } else if (IsWordStartClass(c)) {
            // Find the word's end first, then fold it in one pass: words are
            // scanned on every run of every line.
            const char* start = p++;
            while (IsWordClass(table[static_cast<unsigned char>(*p)]))
                ++p;
            tok.text.assign(start, p);
            for (char& ch : tok.text)
                ch = table[static_cast<unsigned char>(ch)];
            tok.kind = c == '@' ? TokenKind::LabelWord : TokenKind::Word;
        }
        // Any other visible character starts no token: the line reads as
        // ended there, and the position stays put.
        break;
    }
    if (tok.raw.empty())
        tok.raw = std::string_view(tok.token_start, static_cast<size_t>(p - tok.token_start));
    tok.position = p;
    return tok.kind;
}

} // namespace palavrino::core
