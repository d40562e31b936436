// The one lexer cursor. Lines are scanned afresh every time they run: the run
// loop places the cursor on a line, and every command handler, the
// expression parser and the JSON reader then advance it one token at a time,
// reading the current token straight out of the TokenRec. Callers that must
// scan other text in the middle of a line save a copy of the TokenRec and put
// it back afterwards.
//
// Line buffer contract: every line handed to StartLine has a line feed just
// after its last character, and `line_end` points at it. Scanning runs into
// that line feed and yields the end of line, so the scanner never tests the
// position against the end before reading.
#pragma once

#include "core/tokens.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace palavrino::core {

struct TokenRec {
    int32_t line_number { 0 };
    const char* line_start { nullptr };
    const char* mark { nullptr };
    const char* position { nullptr };
    const char* line_end { nullptr };
    TokenKind kind { TokenKind::EndOfLine };
    const char* token_start { nullptr };
    // A word folded to canonical capitals, or a string literal's contents
    // with doubled delimiters undone; empty otherwise.
    std::string text;
    // The token as written, or the fixed texts "EOL", "//" and ";". Points
    // into the line (or at a literal), so it is valid while the line is.
    std::string_view raw;
    int32_t int_value { 0 };
    OpCode op { OpCode::None };
};

// Receives the lexer's complaints, already formatted as a console line.
class LexReporter {
public:
    virtual ~LexReporter() = default;
    virtual void LexMessage(std::string_view line) = 0;
};

class Lexer {
public:
    explicit Lexer(LexReporter& reporter)
        : m_reporter(&reporter)
    {
    }

    TokenRec tok;

    void StartLine(int32_t line_number, const char* text, size_t length);
    TokenKind NextToken();
    void MarkToken() { tok.mark = tok.token_start; }
    void RescanFromMark();
    void SkipRestOfLine();
    bool TokenIsWord(std::string_view name) const { return tok.kind == TokenKind::Word && tok.text == name; }
    bool AtEnd() const { return tok.kind == TokenKind::EndOfLine; }
    bool Is(TokenKind k) const { return tok.kind == k; }
    bool IsOperator(OpCode op) const { return tok.kind == TokenKind::Operator && tok.op == op; }
    // "Erro na linha N: " + message, as one console line.
    void LexError(std::string_view message);

private:
    void ScanString(char delimiter);
    LexReporter* m_reporter;
};

} // namespace palavrino::core
