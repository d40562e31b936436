// The lexer against the cases that decide how every line reads.
#include "core/char_tables.h"
#include "test_machine.h"

#include <array>
#include <gtest/gtest.h>

using namespace palavrino::core;
using palavrino::testing::TestMachine;

namespace {

struct Tok {
    TokenKind kind;
    std::string text;
    std::string raw;
};

std::vector<Tok> Scan(TestMachine& m, const std::string& line)
{
    m.text = line + "\n";
    m.lexer.StartLine(3, m.text.data(), line.size());
    std::vector<Tok> out;
    for (int i = 0; i < 50; ++i) {
        TokenKind k = m.lexer.NextToken();
        out.push_back({ k, m.lexer.tok.text, std::string(m.lexer.tok.raw) });
        if (k == TokenKind::EndOfLine)
            break;
    }
    return out;
}

std::string Kinds(const std::vector<Tok>& toks)
{
    std::string s;
    for (const Tok& t : toks)
        s += std::to_string(static_cast<int>(t.kind)) + " ";
    return s;
}

} // namespace

TEST(Lexer, TokenKindsOfTypicalLines)
{
    struct Case {
        const char* line;
        const char* kinds;
    };
    const Case cases[] = {
        { "x := 10 // note", "1 8 3 0 " },
        { "*comment", "0 " },
        { "/ comment", "0 " },
        { "& continued", "0 " },
        { "; comment", "0 " },
        { " * 2", "5 3 0 " },
        { "a..b", "1 5 1 0 " },
        { "1.5", "3 6 3 0 " },
        { "FALA 1 ! 2", "1 3 0 " },
        { "@rotulo: x", "2 9 1 0 " },
        { "( ) [ ] { } # & , :", "10 11 12 13 14 15 16 17 7 9 0 " },
        { "x\ty\rz", "1 1 1 0 " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TestMachine m;
        EXPECT_EQ(Kinds(Scan(m, c.line)), c.kinds);
    }
}

TEST(Lexer, OperatorsTakeTheListedLongestMatchOnly)
{
    struct Case {
        const char* line;
        std::vector<OpCode> ops;
    };
    const Case cases[] = {
        { "=<", { OpCode::Equal, OpCode::Less } },
        { "<>=", { OpCode::NotEqual, OpCode::Equal } },
        { " **", { OpCode::Multiply, OpCode::Multiply } },
        { " *=* =* *= >= <= ..",
            { OpCode::Contains, OpCode::BeginsWith, OpCode::EndsWith, OpCode::GreaterEqual, OpCode::LessEqual,
                OpCode::Range } },
        { " + - % ^ | /",
            { OpCode::Add, OpCode::Subtract, OpCode::Modulo, OpCode::Power, OpCode::Bar, OpCode::Divide } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TestMachine m;
        m.text = std::string(c.line) + "\n";
        m.lexer.StartLine(1, m.text.data(), m.text.size() - 1);
        for (OpCode op : c.ops) {
            ASSERT_EQ(m.lexer.NextToken(), TokenKind::Operator);
            EXPECT_EQ(m.lexer.tok.op, op);
        }
        EXPECT_EQ(m.lexer.NextToken(), TokenKind::EndOfLine);
    }
}

TEST(Lexer, WordsFoldAccentsAndCaseButKeepRawText)
{
    TestMachine m;
    for (const char* w : { "\xC1RVORE", "\xE1rvore", "Arvore" }) {
        auto toks = Scan(m, w);
        EXPECT_EQ(toks[0].text, "ARVORE");
        EXPECT_EQ(toks[0].raw, w);
    }
    EXPECT_EQ(FoldName("a\xE7\xE3o"), "ACAO");
    EXPECT_EQ(FoldName("\xC6x"), std::string("\0X", 2)); // invalid classes become byte 0
}

TEST(Lexer, CommentAndEndOfLineRawTexts)
{
    TestMachine m;
    auto toks = Scan(m, "x := 10 // note");
    EXPECT_EQ(toks[0].text, "X");
    EXPECT_EQ(toks[0].raw, "x");
    EXPECT_EQ(toks[3].raw, "//");
    toks = Scan(m, "x ; note");
    EXPECT_EQ(toks[1].raw, ";");
    toks = Scan(m, "x");
    EXPECT_EQ(toks[1].raw, "EOL");
    // After the end of line, the end of line again.
    EXPECT_EQ(m.lexer.NextToken(), TokenKind::EndOfLine);
    EXPECT_EQ(m.lexer.NextToken(), TokenKind::EndOfLine);
}

TEST(Lexer, StringLiterals)
{
    struct Case {
        const char* line;
        const char* text;
        const char* raw;
    };
    const Case cases[] = {
        { "'it''s'", "it's", "'it''s'" },
        { "\"it's\"", "it's", "\"it's\"" },
        { "'say \"hi\"'", "say \"hi\"", "'say \"hi\"'" },
        { "\"a\"\"b\"", "a\"b", "\"a\"\"b\"" },
        { "'back\\slash'", "back\\slash", "'back\\slash'" },
        { "'\x80\xBF'", "\x80\xBF", "'\x80\xBF'" },
        { "''", "", "''" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TestMachine m;
        auto toks = Scan(m, c.line);
        EXPECT_EQ(toks[0].kind, TokenKind::String);
        EXPECT_EQ(toks[0].text, c.text);
        EXPECT_EQ(toks[0].raw, c.raw);
        EXPECT_TRUE(m.console.empty());
    }
}

TEST(Lexer, UnterminatedStringIsReportedAndStillAString)
{
    TestMachine m;
    auto toks = Scan(m, "\"abc");
    EXPECT_EQ(toks[0].kind, TokenKind::String);
    EXPECT_EQ(toks[0].text, "abc");
    EXPECT_EQ(toks[1].kind, TokenKind::EndOfLine);
    ASSERT_EQ(m.console.size(), 1u);
    EXPECT_EQ(m.console[0], "Erro na linha 3: Faltou delimitar o fim da cadeia");
}

TEST(Lexer, InvalidCharactersAreReportedAndSkipped)
{
    TestMachine m;
    auto toks = Scan(m, "a \x85 b");
    EXPECT_EQ(Kinds(toks), "1 1 0 ");
    ASSERT_EQ(m.console.size(), 1u);
    EXPECT_EQ(m.console[0], "Erro na linha 3: Caractere inv\xE1lido (#133)");
}

TEST(Lexer, IntegersWrapInThirtyTwoBits)
{
    TestMachine m;
    auto toks = Scan(m, "4294967297 2147483648");
    m.lexer.StartLine(1, m.text.data(), m.text.size() - 1);
    m.lexer.NextToken();
    EXPECT_EQ(m.lexer.tok.int_value, 1);
    m.lexer.NextToken();
    EXPECT_EQ(m.lexer.tok.int_value, INT32_MIN);
}

TEST(Lexer, MarkAndRescanReturnToTheMarkedToken)
{
    TestMachine m;
    m.text = "SEJA x = 1\n";
    m.lexer.StartLine(1, m.text.data(), m.text.size() - 1);
    m.lexer.NextToken();
    m.lexer.MarkToken();
    m.lexer.NextToken();
    m.lexer.NextToken();
    m.lexer.RescanFromMark();
    EXPECT_TRUE(m.lexer.TokenIsWord("SEJA"));
    m.lexer.SkipRestOfLine();
    EXPECT_TRUE(m.lexer.AtEnd());
    EXPECT_TRUE(m.lexer.tok.raw.empty());
}

namespace {

// Every field a caller can read after a token, as one comparable text.
std::string Snapshot(const Lexer& lx, const std::string& line)
{
    const TokenRec& t = lx.tok;
    return std::to_string(static_cast<int>(t.kind)) + "|" + t.text + "|" + std::string(t.raw) + "|"
        + std::to_string(t.int_value) + "|" + std::to_string(static_cast<int>(t.op)) + "|"
        + std::to_string(t.token_start - line.data()) + "|" + std::to_string(t.position - line.data());
}

// Reads the line three times through the cache (a first run, the run that
// builds it, a run that replays it) and once without, with a rescan from a
// mark and a jump into the middle of a token on the way, and returns the
// four transcripts.
std::array<std::string, 4> FourReadings(const std::string& line)
{
    std::array<std::string, 4> out;
    LineTokens cache;
    for (int pass = 0; pass < 4; ++pass) {
        TestMachine m;
        m.lexer.StartLine(4, line.data(), line.size() - 1, pass < 3 ? &cache : nullptr);
        std::string& s = out[static_cast<size_t>(pass)];
        for (int i = 0; i < 40; ++i) {
            m.lexer.NextToken();
            s += Snapshot(m.lexer, line) + "\n";
            if (i == 1)
                m.lexer.MarkToken();
            if (i == 3) {
                m.lexer.RescanFromMark();
                s += "rescan " + Snapshot(m.lexer, line) + "\n";
            }
            if (i == 4 && !m.lexer.AtEnd() && m.lexer.tok.raw.size() > 1) {
                m.lexer.tok.position = m.lexer.tok.token_start + 1; // as TELA's handler does
                m.lexer.NextToken();
                s += "inside " + Snapshot(m.lexer, line) + "\n";
            }
            if (m.lexer.AtEnd() && i > 6)
                break;
        }
        for (const std::string& c : m.console)
            s += c + "\n";
        s += "errors " + std::to_string(m.console.size()) + "\n";
    }
    return out;
}

} // namespace

TEST(LexerCache, ReplayGivesWhatScanningGives)
{
    for (const std::string line : {
             "x := 10 // note\n",
             "  SE a..b <> 'it''s' ENTAO ESCREVE \"d\" , [1] {2: 3} #4 & |y| ;fim\n",
             "FALA 1 ! 2\n",
             "*=* =* *= >= <= <> .. . : := ^ % - + / * abcdefg 4294967297\n",
             "&continua\n",
             "ESCREVE \"sem fim\n",
             "ESCREVE a \x01 b\n",
             "\xC1RVORE \xE1rvore Arvore @ROTULO: @\n",
         }) {
        std::array<std::string, 4> r = FourReadings(line);
        EXPECT_EQ(r[0], r[3]) << line;
        EXPECT_EQ(r[1], r[3]) << line;
        EXPECT_EQ(r[2], r[3]) << line;
    }
}

TEST(LexerCache, LinesThatComplainAreNotCachedAndComplainEveryTime)
{
    LineTokens bad;
    std::string line = "ESCREVE \"aberta\n";
    for (int run = 0; run < 3; ++run) {
        TestMachine m;
        m.lexer.StartLine(9, line.data(), line.size() - 1, &bad);
        while (m.lexer.NextToken() != TokenKind::EndOfLine) { }
        ASSERT_EQ(m.console.size(), 1u);
        EXPECT_EQ(m.console[0], "Erro na linha 9: Faltou delimitar o fim da cadeia");
    }
    EXPECT_EQ(bad.state, LineTokens::State::Uncacheable);
    LineTokens good;
    std::string ok = "SOMA n 1\n";
    TestMachine m;
    m.lexer.StartLine(2, ok.data(), ok.size() - 1, &good);
    EXPECT_EQ(good.state, LineTokens::State::RanOnce); // a line that runs once is not cached
    m.lexer.StartLine(2, ok.data(), ok.size() - 1, &good);
    EXPECT_EQ(good.state, LineTokens::State::Cached);
    EXPECT_EQ(good.tokens.size(), 4u);
    m.lexer.use_cache = false;
    m.lexer.StartLine(2, ok.data(), ok.size() - 1, &good);
    m.lexer.NextToken();
    EXPECT_EQ(m.lexer.tok.cached, nullptr);
}
