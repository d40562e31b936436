// Scans one token at a time from the current line; see lexer.h. Errors are
// reported and scanning goes on: the lexer never stops a run by itself.
#include "core/lexer.h"

#include "core/char_tables.h"
#include "core/invariants.h"
#include "core/value.h"
#include "messages/core.h"

namespace palavrino::core {

void Lexer::StartLine(int32_t line_number, const char* text, size_t length, LineTokens* cache)
{
    PL_INVARIANT(text[length] == '\n');
    tok.cache_begin = tok.cache_end = tok.cached = nullptr;
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
    if (!cache || !use_cache)
        return;
    if (cache->state == LineTokens::State::Unbuilt) {
        cache->state = LineTokens::State::RanOnce;
        return;
    }
    if (cache->state == LineTokens::State::RanOnce || cache->text != text)
        BuildCache(*cache);
    if (cache->state == LineTokens::State::Cached && !cache->tokens.empty()) {
        tok.cache_begin = cache->tokens.data();
        tok.cache_end = tok.cache_begin + cache->tokens.size();
    }
}

// Scans the whole line once, recording every token; the cursor's token
// fields are left as they were.
void Lexer::BuildCache(LineTokens& cache)
{
    cache.tokens.clear();
    cache.text = tok.line_start;
    TokenRec saved = tok;
    m_probing = true;
    m_probe_complaints = 0;
    for (;;) {
        const char* from = tok.position;
        ScanToken();
        CachedToken c;
        c.from = from;
        c.start = tok.token_start;
        c.end = tok.position;
        c.kind = tok.kind;
        c.op = tok.op;
        c.int_value = tok.int_value;
        c.text = tok.text;
        c.raw = tok.raw;
        bool at_end = tok.kind == TokenKind::EndOfLine && tok.position == from;
        cache.tokens.push_back(std::move(c));
        if (at_end || m_probe_complaints > 0)
            break;
        // A visible character that starts no token leaves the position put:
        // the line reads as ended there.
        if (tok.position == from)
            break;
    }
    m_probing = false;
    cache.state = m_probe_complaints > 0 ? LineTokens::State::Uncacheable : LineTokens::State::Cached;
    if (cache.state == LineTokens::State::Uncacheable)
        cache.tokens.clear();
    tok = std::move(saved);
}

// Takes the token that scanning from the current position would give out of
// the cache; false when the position is not one the cache knows (a handler
// moved it into the middle of a token), and the caller scans instead.
bool Lexer::Replay()
{
    const char* p = tok.position;
    CachedToken* c = tok.cached ? tok.cached + 1 : tok.cache_begin;
    if (c >= tok.cache_end || p < c->from || p > c->start) {
        c = tok.cache_begin;
        while (c < tok.cache_end && c->start < p)
            ++c;
        if (c == tok.cache_end || p < c->from)
            return false;
    }
    JumpToCached(c);
    return true;
}

void Lexer::JumpToCached(CachedToken* c)
{
    tok.cached = c;
    tok.kind = c->kind;
    tok.op = c->op;
    // Scanning sets the integer value for integers only; the cursor keeps
    // the last one otherwise, and so must the replay.
    if (c->kind == TokenKind::Integer)
        tok.int_value = c->int_value;
    tok.token_start = c->start;
    tok.text = c->text; // within the cursor's capacity: a plain copy, no allocation
    tok.raw = c->raw;
    tok.position = c->end;
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
    tok.cached = nullptr;
    tok.position = tok.line_end;
    tok.token_start = tok.line_end;
    tok.kind = TokenKind::EndOfLine;
    tok.op = OpCode::None;
    tok.raw = {};
}

void Lexer::LexError(std::string_view message)
{
    std::string line = msg::ErrorOnLine(tok.line_number, message);
    if (m_probing) {
        ++m_probe_complaints;
        return;
    }
    m_reporter->LexMessage(line);
}

void Lexer::ScanString(char delimiter)
{
    const char* p = tok.position;
    for (;;) {
        ++p;
        if (p >= tok.line_end) {
            LexError(msg::MSG_UNTERMINATED_STRING);
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

TokenKind Lexer::ScanToken()
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
            LexError(msg::InvalidCharacter(static_cast<unsigned char>(*p)));
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
