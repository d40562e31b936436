// The JSON reader: real JSON (escapes, \u, fractions, true/false/null), the
// language's own display forms read back, mismatched brackets, limits, and
// data that names code never running it.
#include "core/json.h"
#include "tests/unit/core/test_machine.h"

#include <gtest/gtest.h>

using namespace palavrino::core;
using palavrino::testing::TestMachine;

namespace {

// A structural picture of a value: strings quoted, so "1" and 1 differ.
std::string Dump(const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Invalid:
        return "inval";
    case ValueKind::Undefined:
        return "indef";
    case ValueKind::Integer:
        return std::to_string(v.AsInt());
    case ValueKind::Range:
        return std::to_string(v.RangeFirst()) + ".." + std::to_string(v.RangeSecond());
    case ValueKind::String:
        return "'" + v.Text() + "'";
    case ValueKind::List: {
        std::string s = "[";
        for (int32_t i = 0; i < v.List().Count(); ++i)
            s += (i ? "," : "") + Dump(v.List().At(i));
        return s + "]";
    }
    case ValueKind::Dictionary: {
        std::string s = "{";
        bool first = true;
        for (const DictEntry& e : v.Dict().Entries()) {
            s += (first ? "" : ",") + e.key + ":" + Dump(e.value);
            first = false;
        }
        return s + "}";
    }
    }
    return "?";
}

CharSource FromText(const std::string& text)
{
    auto pos = std::make_shared<size_t>(0);
    return [text, pos] { return *pos < text.size() ? static_cast<unsigned char>(text[(*pos)++]) : -1; };
}

Value Read(TestMachine& m, const std::string& text)
{
    HeapStatsScope scope(m.heap);
    Value v;
    ReadJsonValue(m, FromText(text), false, v);
    return v;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "|";
    return s;
}

} // namespace

TEST(JsonPrepare, RewritesOnlyWhatIsJsonsOwn)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        { "{\"a\": true, \"b\": false}", "{\"a\": 1, \"b\": 0}" },
        { "[null]", "[INDEFINIDO()]" },
        { "\"a\\\"b\"", "\"a\"\"b\"" },
        { "[1.5, -2.5e3]", "[\"1.5\", \"-2.5e3\"]" },
        { "[3, -4]", "[3, -4]" },
        { "[1..3]", "[1..3]" },
        { "'a\\\"b'", "'a\\\"b'" },
        { "\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\"" },
        { "[\"true\", untrue, true_x, null2]", "[\"true\", untrue, true_x, null2]" },
        { "[x1e5, $1E5]", "[x1e5, $1E5]" },
        { "\"unterminated \\\" end", "\"unterminated \"\" end" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(PrepareJsonText(c.in), c.out);
    }
}

TEST(JsonPrepare, WordsNamingCodeBecomeTheirText)
{
    auto names_code = [](std::string_view w) { return w == "Apaga"; };
    EXPECT_EQ(PrepareJsonText("[Apaga, apagar, \"Apaga\"]", names_code), "[\"Apaga\", apagar, \"Apaga\"]");
}

TEST(JsonRead, RealJsonReadsAsTheSameValue)
{
    struct Case {
        std::string in;
        std::string dump;
    };
    const Case cases[] = {
        { "{\"a\": [1, 2], \"b\": \"x\"}", "{a:[1,2],b:'x'}" },
        { "[1, -2, 0]", "[1,-2,0]" },
        { "  42  ", "42" },
        { "{}", "{}" },
        { "[]", "[]" },
        { "{\"a\": {\"b\": {\"c\": [1, {\"d\": \"e\"}]}}}", "{a:{b:{c:[1,{d:'e'}]}}}" },
        { "{\"a\": 1, \"b\": 2, \"a\": 3}", "{a:3,b:2}" },
        { "{\"t\": true, \"f\": false, \"n\": null}", "{t:1,f:0,n:indef}" },
        { "[true, false, null]", "[1,0,indef]" },
        { "[\"true\", \"null\"]", "['true','null']" },
        { "\"a\\\"b\"", "'a\"b'" },
        { "\"a\\\\b\"", "'a\\b'" },
        { "\"\\/\\b\\f\\n\\r\\t\"", "'/\b\f\n\r\t'" },
        { "{\"k\\\"ey\": \"\\\"q\\\"\"}", "{k\"ey:'\"q\"'}" },
        { "\"caf\\u00e9 \\u00C7\"", "'caf\xE9 \xC7'" },
        { "\"\\u20AC\\u2014\\u0178\"", "'\x80\x97\x9F'" },
        { "\"\\u4e2d\\ud83d\\ude00x\\udc00\"", "'??x?'" },
        { "\"\\u0000\\u0022\"", "'?\"'" },
        { "\"\\u00g1 \\q C:\\dados\"", "'\\u00g1 \\q C:\\dados'" },
        { "[1.5, -0.25, 2e10, 1E+3, 6.02e-23]", "['1.5','-0.25','2e10','1E+3','6.02e-23']" },
        { "[2147483647, -2147483648, 2147483648, -2147483649]",
            "[2147483647,-2147483648,'2147483648','-2147483649']" },
        { "[12345678901234567890, 007]", "['12345678901234567890',7]" },
        { "{\"price\": 9.99}", "{price:'9.99'}" },
        { "[1, 2]\njunk\n", "[1,2]" },
        { "{\r\n  \"a\": 1,\r\n  \"b\": [\r\n    \"x\"\r\n  ]\r\n}\r\n", "{a:1,b:['x']}" },
        { "[1..3]", "[1,2,3]" },
    };
    TestMachine m;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        m.errors.clear();
        m.console.clear();
        EXPECT_EQ(Dump(Read(m, c.in)), c.dump);
        EXPECT_EQ(Joined(m.errors), "");
        EXPECT_EQ(Joined(m.console), "");
    }
}

TEST(JsonRead, DisplayFormsOfTheLanguageReadBack)
{
    const char* literals[] = {
        "{\"a\" : 1, \"b\" : \"x\"}",
        "{\"q\" : 'say \"hi\"', \"r\" : \"\"\"\"}",
        "{\"n\" : {\"m\" : -5, \"z\" : {}}, \"s\" : \"it's\"}",
        "{1 : \"one\", \"k\" : \"a\xE7\xE3o \x80\"}",
        "{\"l\" : [1, 2, 3], \"e\" : \"\"}",
        "{\"p\" : \"C:\\pasta\\dados\"}",
    };
    TestMachine m;
    for (const char* lit : literals) {
        SCOPED_TRACE(lit);
        Value original = m.Eval(lit);
        ASSERT_TRUE(original.is(ValueKind::Dictionary));
        std::string written = ValueToText(original);
        Value back = Read(m, written);
        EXPECT_EQ(Dump(back), Dump(original)) << written;
        EXPECT_TRUE(ValuesEqual(back, original));
        EXPECT_EQ(Joined(m.errors), "");
    }
    // Apostrophe-delimited strings, with their doubled apostrophes, as the
    // language writes them by hand.
    EXPECT_EQ(Dump(Read(m, "['it''s', 'a\"b']")), "['it's','a\"b']");
}

TEST(JsonRead, MismatchesStopReadingWithTheirMessage)
{
    struct Case {
        std::string in;
        std::string dump;
        std::string console;
        std::string errors;
    };
    const Case cases[] = {
        { "{\"a\": 1]", "{a:1}", "Esperava } em vez de ]|",
            "0: EOL \xE9 um token inv\xE1lido neste contexto|" },
        { "[1}", "[1]", "Esperava ] em vez de }|", "0: EOL n\xE3o era esperado|" },
        { "]", "inval", "Caractere ] inesperado|", "" },
        { "[1] }", "[1]", "Caractere } inesperado|", "" },
        { "[\"]\", '}', \"\\\"]\"]", "[']','}','\"]']", "", "" },
        { "[\"\\\"}\", 2]", "['\"}',2]", "", "" },
        { "", "inval", "", "" },
        { "  \n \n", "inval", "", "" },
        { "\"open", "'open'", "Erro na linha 0: Faltou delimitar o fim da cadeia|", "" },
        { "{\"x\": TRUE}", "{}", "", "7: A vari\xE1vel \"TRUE\" n\xE3o foi inicializada|" },
    };
    TestMachine m;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        m.errors.clear();
        m.console.clear();
        EXPECT_EQ(Dump(Read(m, c.in)), c.dump);
        EXPECT_EQ(Joined(m.console), c.console);
        EXPECT_EQ(Joined(m.errors), c.errors);
    }
}

TEST(JsonRead, AZeroByteEndsTheInput)
{
    TestMachine m;
    EXPECT_EQ(Dump(Read(m, std::string("[1, 2]\0[3]", 10))), "[1,2]");
}

TEST(JsonRead, TheConsoleIsToldWhenReadingStartsAndEnds)
{
    TestMachine m;
    HeapStatsScope scope(m.heap);
    Value v;
    ReadJsonValue(m, FromText("[1"), true, v);
    EXPECT_EQ(
        Joined(m.console), "Leitura de JSON. Termine com uma linha em branco.|Fim da leitura de JSON.|");
}

TEST(JsonRead, DataThatNamesCodeNeverRunsIt)
{
    TestMachine m;
    int calls = 0;
    m.body = [&calls](SymtbEntry&) {
        ++calls;
        return true;
    };
    SymtbEntry* f = m.symbols.FindOrAddSymbol(0, nullptr, "APAGA", true);
    f->kind = SymbolKind::UserFunction;
    m.Set("X", "5");
    EXPECT_EQ(Dump(Read(m, "[Apaga, ABREARQ, X, indefinido, Verdadeiro]")), "['Apaga','ABREARQ',5,indef,1]");
    EXPECT_EQ(Dump(Read(m, "apaga(1)")), "'apaga'");
    EXPECT_EQ(Dump(Read(m, "tamanho \"abc\"")), "'tamanho'");
    EXPECT_EQ(calls, 0);
}

TEST(JsonRead, TheAskingLineResumesWhereItWas)
{
    TestMachine m;
    m.Start("LE JSON x resto");
    m.lexer.NextToken();
    m.lexer.NextToken();
    ASSERT_EQ(m.lexer.tok.text, "X");
    Value v = Read(m, "{\"a\": [1, \"b\"]}");
    EXPECT_EQ(Dump(v), "{a:[1,'b']}");
    EXPECT_EQ(m.lexer.tok.text, "X");
    m.lexer.NextToken();
    EXPECT_EQ(m.lexer.tok.text, "RESTO");
}

TEST(JsonRead, NestingIsAllowedToTheDepthOfValuesAndRefusedPastIt)
{
    TestMachine m;
    const size_t depth = MAX_JSON_DEPTH;
    Value v = Read(m, std::string(depth, '[') + std::string(depth, ']'));
    EXPECT_TRUE(v.is(ValueKind::List));
    EXPECT_EQ(Joined(m.console), "");
    for (const char* open : { "[", "{\"k\": " }) {
        SCOPED_TRACE(open);
        std::string text;
        for (size_t i = 0; i <= depth; ++i)
            text += open;
        v = Read(m, text + "1");
        EXPECT_TRUE(v.is(ValueKind::Invalid));
        EXPECT_EQ(Joined(m.console), "Express\xE3o aninhada demais|");
        m.console.clear();
    }
    EXPECT_EQ(Joined(m.errors), "");
}

TEST(JsonRead, ALargeDocumentReadsWhole)
{
    const int count = 4000;
    std::string doc = "[\n";
    for (int i = 0; i < count; ++i) {
        doc += "  {\"id\": " + std::to_string(i) + ", \"name\": \"item \\\"" + std::to_string(i)
            + "\\\"\", \"tags\": [\"a\", \"b\"], \"ok\": true, \"score\": 1.25, \"none\": null}";
        doc += i + 1 < count ? ",\n" : "\n";
    }
    doc += "]\n";
    ASSERT_GT(doc.size(), 300u * 1024u);
    TestMachine m;
    Value v = Read(m, doc);
    ASSERT_TRUE(v.is(ValueKind::List));
    ASSERT_EQ(v.List().Count(), count);
    EXPECT_EQ(Dump(v.List().At(count - 1)),
        "{id:3999,name:'item \"3999\"',tags:['a','b'],ok:1,score:'1.25',none:indef}");
    EXPECT_EQ(Joined(m.errors), "");
}

// The limit is the reader's own, not a lack of memory, and the message
// says which it is.
TEST(JsonRead, AnEndlessStreamStopsAtTheLimitWhichItsMessageNames)
{
    TestMachine m;
    size_t produced = 0;
    Value v;
    {
        HeapStatsScope scope(m.heap);
        ReadJsonValue(
            m, [&produced] { return ++produced > MAX_JSON_TEXT + 10 ? -1 : '1'; }, false, v);
    }
    EXPECT_TRUE(v.is(ValueKind::Invalid));
    EXPECT_EQ(Joined(m.console), "Texto JSON grande demais; o limite \xE9 de 16 megabytes|");
    EXPECT_LE(produced, MAX_JSON_TEXT + 1);
}
