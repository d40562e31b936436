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
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::core {

struct SymtbEntry;
struct CachedToken;
struct CompiledExpr;

// Frees a compiled expression (see compiled_expr.h, where the type is whole).
struct CompiledExprDeleter {
    void operator()(CompiledExpr* x) const;
};
using CompiledExprPtr = std::unique_ptr<CompiledExpr, CompiledExprDeleter>;

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
    // The cached tokens of the line (see LineTokens), and the cache record
    // of the current token when it came from there; null otherwise.
    CachedToken* cache_begin { nullptr };
    CachedToken* cache_end { nullptr };
    CachedToken* cached { nullptr };
};

// One token of a cached line exactly as scanning gave it: scanning from any
// position in [from, start] (the blanks before the token, or the token
// itself) yields it and leaves the position at `end`. It also remembers the
// symbol its word last resolved to, and in which scope.
struct CachedToken {
    const char* from { nullptr };
    const char* start { nullptr };
    const char* end { nullptr };
    TokenKind kind { TokenKind::EndOfLine };
    OpCode op { OpCode::None };
    int32_t int_value { 0 };
    std::string text;
    std::string_view raw;
    // Name resolution: valid while the symbol table's version is unchanged
    // and the lookup is asked in the same slot for the same function.
    SymtbEntry* entry { nullptr };
    const SymtbEntry* owner { nullptr };
    int32_t slot { -1 };
    uint64_t version { 0 }; // 0: nothing resolved yet
    // The expression that starts here, compiled on its first evaluation, as
    // read from level 0 (a range may stand) and level 1; `compile_tried`
    // has bit n set once level n was tried, compiled or not.
    CompiledExprPtr compiled[2];
    uint8_t compile_tried { 0 };
};

// What scanning a stored line gives, made when the line runs again and
// reused from then on: stored lines never change. A line whose scan complains
// (an invalid character, an unterminated string) is not cached, so that its
// complaints come exactly when they always did.
struct LineTokens {
    // A line is cached on its second run: most lines of a straight script
    // run once, and building costs a scan of its own.
    enum class State : uint8_t { Unbuilt, RanOnce, Cached, Uncacheable };
    State state { State::Unbuilt };
    const char* text { nullptr }; // the buffer the tokens point into
    std::vector<CachedToken> tokens;
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

    // With `cache`, the line's tokens are replayed from it (built on first
    // use) instead of being scanned again.
    void StartLine(int32_t line_number, const char* text, size_t length, LineTokens* cache = nullptr);
    TokenKind NextToken()
    {
        if (tok.cache_begin && Replay())
            return tok.kind;
        tok.cached = nullptr;
        return ScanToken();
    }
    void MarkToken() { tok.mark = tok.token_start; }
    // Makes `c`, a token of the current line's cache, the current token, as
    // replaying up to it would.
    void JumpToCached(CachedToken* c);
    void RescanFromMark();
    void SkipRestOfLine();
    bool TokenIsWord(std::string_view name) const { return tok.kind == TokenKind::Word && tok.text == name; }
    bool AtEnd() const { return tok.kind == TokenKind::EndOfLine; }
    bool Is(TokenKind k) const { return tok.kind == k; }
    bool IsOperator(OpCode op) const { return tok.kind == TokenKind::Operator && tok.op == op; }
    // "Erro na linha N: " + message, as one console line.
    void LexError(std::string_view message);

    // Off, every line is scanned afresh (the differential test compares).
    bool use_cache { true };

private:
    TokenKind ScanToken();
    bool Replay();
    void BuildCache(LineTokens& cache);
    void ScanString(char delimiter);
    LexReporter* m_reporter;
    // While a cache is built, complaints are counted instead of reported.
    bool m_probing { false };
    int m_probe_complaints { 0 };
};

} // namespace palavrino::core
