// The built-ins that need only values and the clock: the clock readings on a
// fixed clock, RAND's range, spread and repeatability, and the edges of the
// list, text and conversion functions that a careless routine gets wrong.
#include "test_machine.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace palavrino::core;
using palavrino::testing::TestMachine;

namespace {

class ClockMachine : public TestMachine {
public:
    ClockReading now { 2024, 3, 7, 9, 5, 3, 42, 4 };
    ClockReading ReadClock() const override { return now; }
};

struct Case {
    const char* expr;
    const char* shown; // display form; strings in single quotes
};

void CheckAll(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        TestMachine m;
        m.Set("L", "[1, 2, 3]");
        m.Set("D", "{'a': 1, 'b': 2}");
        SymtbEntry* r = m.symbols.FindOrAddSymbol(0, nullptr, "R", true);
        r->kind = SymbolKind::Variable;
        m.VariableCell(*r).value = Value::Range(1, 5);
        EXPECT_EQ(m.Show(c.expr), c.shown);
    }
}

} // namespace

TEST(ClockBuiltins, DateTimeAndWeekdayArePaddedAndNamed)
{
    struct ClockCase {
        ClockReading at;
        const char* data;
        const char* hora;
        const char* dia;
    };
    const ClockCase cases[] = {
        { { 2024, 3, 7, 9, 5, 3, 0, 4 }, "'07/03/2024'", "'09:05:03'", "'Quinta'" },
        { { 1999, 12, 31, 23, 59, 59, 99, 5 }, "'31/12/1999'", "'23:59:59'", "'Sexta'" },
        { { 2025, 1, 5, 0, 0, 0, 0, 0 }, "'05/01/2025'", "'00:00:00'", "'Domingo'" },
        { { 2025, 1, 7, 12, 30, 0, 0, 2 }, "'07/01/2025'", "'12:30:00'",
            "'Ter\xE7"
            "a'" },
        { { 2025, 1, 11, 12, 30, 0, 0, 6 }, "'11/01/2025'", "'12:30:00'",
            "'S\xE1"
            "bado'" },
        { { 12345, 10, 10, 10, 10, 10, 0, 1 }, "'10/10/12345'", "'10:10:10'", "'Segunda'" },
    };
    for (const ClockCase& c : cases) {
        SCOPED_TRACE(c.data);
        ClockMachine m;
        m.now = c.at;
        EXPECT_EQ(m.Show("DATA"), c.data);
        EXPECT_EQ(m.Show("HORA()"), c.hora);
        EXPECT_EQ(m.Show("DIA"), c.dia);
    }
}

// The time zone for the life of the object.
class ZoneIs {
public:
    explicit ZoneIs(const char* zone)
    {
        if (const char* saved = std::getenv("TZ"))
            m_saved = saved;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneIs()
    {
        if (m_saved)
            ::setenv("TZ", m_saved->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ZoneIs(const ZoneIs&) = delete;
    ZoneIs& operator=(const ZoneIs&) = delete;

private:
    std::optional<std::string> m_saved;
};

TEST(ClockBuiltins, AnInstantIsReadInTheLocalZone)
{
    struct ZoneCase {
        const char* zone;
        ClockInstant at;
        ClockReading local;
    };
    const ZoneCase cases[] = {
        { "UTC0", { 0, 990'000'000 }, { 1970, 1, 1, 0, 0, 0, 99, 4 } },
        { "<-03>3", { 0, 5'000'000 }, { 1969, 12, 31, 21, 0, 0, 0, 3 } },
        // 2024-03-10 23:59:59.5 UTC, a Sunday; an hour later in +01.
        { "<+01>-1", { 1710115199, 500'000'000 }, { 2024, 3, 11, 0, 59, 59, 50, 1 } },
    };
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(c.zone);
        const ZoneIs zone(c.zone);
        const ClockReading r = LocalClockAt(c.at);
        EXPECT_EQ(
            std::vector<int>({ r.year, r.month, r.day, r.hour, r.minute, r.second, r.hundredths, r.weekday }),
            std::vector<int>({ c.local.year, c.local.month, c.local.day, c.local.hour, c.local.minute,
                c.local.second, c.local.hundredths, c.local.weekday }));
    }
}

// The start is read as local time only when TEMPO asks; it must still be
// read then, or TEMPO would count from whatever was there before.
TEST(ClockBuiltins, TempoCountsFromTheStartTakenAtReset)
{
    const ZoneIs zone("UTC0");
    TestMachine m;
    m.start_weekday = (SystemClock().weekday + 3) % 7;
    m.start_time = -50'000'000;
    m.TakeStartTime();
    const Value shown = m.Eval("INTEIRO(TEMPO)");
    ASSERT_TRUE(shown.is(ValueKind::Integer));
    EXPECT_GE(shown.AsInt(), 0);
    EXPECT_LT(shown.AsInt(), 360000); // within the hour, not days away
    EXPECT_GE(m.start_time, 0);
    EXPECT_LT(m.start_time, 24 * 360000);
}

TEST(ClockBuiltins, TempoCountsHundredthsAcrossMidnightAndTheWeek)
{
    struct TempoCase {
        int start_weekday;
        int32_t start_time;
        ClockReading now;
        const char* shown;
    };
    const TempoCase cases[] = {
        // Same day, 1.5 seconds later.
        { 4, 100, { 2024, 3, 7, 0, 0, 1, 50, 4 }, "'50'" },
        // Past midnight into the next day.
        { 4, 23 * 360000, { 2024, 3, 8, 0, 0, 0, 0, 5 }, "'360000'" },
        // From Saturday to Sunday the weekday goes down: the week wraps.
        { 6, 0, { 2024, 3, 10, 1, 0, 0, 0, 0 },
            "'"
            "9000000"
            "'" },
        { 2, 0, { 2024, 3, 5, 0, 1, 2, 3, 2 }, "'6203'" },
    };
    for (const TempoCase& c : cases) {
        SCOPED_TRACE(c.shown);
        ClockMachine m;
        m.start_weekday = c.start_weekday;
        m.start_time = c.start_time;
        m.now = c.now;
        EXPECT_EQ(m.Show("TEMPO"), c.shown);
    }
}

TEST(RandBuiltin, StaysInRangeForEveryLimitForm)
{
    const std::pair<const char*, int32_t> limits[] = {
        { "RAND(1)", 1 },
        { "RAND(7)", 7 },
        { "RAND(-7)", 7 },
        { "RAND('10')", 10 },
        { "RAND(2147483647)", 2147483647 },
        { "RAND(-2147483648)", 2147483647 },
    };
    for (const auto& [expr, bound] : limits) {
        SCOPED_TRACE(expr);
        TestMachine m;
        for (int i = 0; i < 200; ++i) {
            Value v = m.Eval(expr);
            ASSERT_TRUE(v.is(ValueKind::Integer));
            EXPECT_GE(v.AsInt(), 0);
            EXPECT_LE(v.AsInt(), bound == 2147483647 ? bound : bound - 1);
        }
    }
    TestMachine m;
    EXPECT_EQ(m.Show("RAND(0)"), "0");
    EXPECT_EQ(m.Show("RAND('x')"), "indefinido");
    EXPECT_EQ(m.Show("RAND([1])"), "indefinido");
    EXPECT_TRUE(m.errors.empty());
}

TEST(RandBuiltin, RepeatsUntilReseededAndIsNotBiased)
{
    TestMachine a;
    TestMachine b;
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(a.Show("RAND(1000)"), b.Show("RAND(1000)"));

    // A limit of 3 * 2^30 is where a modulus of a 32-bit draw favours the
    // low third twice over: then about half the draws, not a third, would
    // fall below 2^30.
    TestMachine m;
    m.random.seed(12345u);
    constexpr int DRAWS = 30000;
    int low = 0;
    for (int i = 0; i < DRAWS; ++i)
        if (m.RandomBelow(3221225472u) < 1073741824u)
            ++low;
    EXPECT_NEAR(static_cast<double>(low) / DRAWS, 1.0 / 3.0, 0.02);

    // Every value of a small range comes up about equally often.
    std::array<int, 6> counts {};
    for (int i = 0; i < 60000; ++i)
        ++counts[static_cast<size_t>(m.Eval("RAND(6)").AsInt())];
    for (int n : counts)
        EXPECT_NEAR(n, 10000, 600);
}

TEST(ListBuiltins, InsereRetiraAndChavesEdges)
{
    CheckAll({
        { "INSERE(L, 1, 'x')", "1" },
        { "INSERE(L, '2', 'x')", "1" },
        { "INSERE(L, 'k', 'x')", "indefinido" },
        { "INSERE(D, 'c', [1])", "1" },
        { "INSERE(D, 7, 'x')", "1" },
        { "INSERE(D, [1], 'x')", "indefinido" },
        { "INSERE(5, 0, 1)", "indefinido" },
        { "INSERE('abc', 0, 'x')", "indefinido" },
        { "RETIRA(L, 1)", "2" },
        { "RETIRA(L, 3)", "indefinido" },
        { "RETIRA(L, -1)", "indefinido" },
        { "RETIRA(L, 'x')", "indefinido" },
        { "RETIRA(D, 'b')", "2" },
        { "RETIRA(D, [1])", "indefinido" },
        { "RETIRA('abc', 0)", "indefinido" },
        { "CHAVES(D)", "[a, b]" },
        { "CHAVES({})", "[]" },
        { "CHAVES(L)", "indefinido" },
        { "CHAVES(INDEFINIDO)", "indefinido" },
    });
    TestMachine m;
    m.Set("D", "{'a': 1}");
    EXPECT_EQ(m.Show("INSERE(D, 7, 'x')"), "1");
    EXPECT_EQ(m.Show("D['7']"), "'x'");
    EXPECT_EQ(m.Show("INSERE(D, 'a', 9)"), "1");
    EXPECT_EQ(m.Show("D"), "{\"a\" : 9, \"7\" : \"x\"}");
    EXPECT_TRUE(m.errors.empty());
}

TEST(ListBuiltins, DuplicaBreaksSharingAllTheWayDown)
{
    TestMachine m;
    m.Set("L", "[1, [2, 3], {'k': [4]}]");
    m.Set("C", "DUPLICA(L)");
    m.Eval("INSERE(C[1], 0, 'novo')");
    m.Eval("INSERE(C[2]['k'], 0, 'novo')");
    EXPECT_EQ(m.Show("L"), "[1, [2, 3], {\"k\" : [4]}]");
    EXPECT_EQ(m.Show("C[1]"), "[novo, 2, 3]");
    const Case cases[] = {
        { "DUPLICA('abc')", "'abc'" },
        { "DUPLICA({})", "{}" },
        { "DUPLICA(5)", "indefinido" },
        { "DUPLICA(INDEFINIDO)", "indefinido" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(m.Show(c.expr), c.shown);
    }
}

TEST(ListBuiltins, MapSkipsNothingAndCallsOnlyOneArgumentBuiltins)
{
    TestMachine m;
    m.Set("H", "[1, 3]");
    SymtbEntry* h = m.symbols.FindOrAddSymbol(0, nullptr, "H", false);
    m.VariableCell(*h).value.List().InsertHoles(1, 1);
    SymtbEntry* f = m.symbols.FindOrAddSymbol(0, nullptr, "DOBRO", true);
    f->kind = SymbolKind::UserFunction;
    f->value2 = 1;
    const Case cases[] = {
        { "MAP('maiusc', ['a\xE7\xE3o', 'b'])", "[A\xC7\xC3O, B]" },
        { "MAP('TIPO', [1, 'x', [1]])", "[inteiro, cadeia, lista]" },
        { "MAP('Inteiro', ['1', 'x'])", "[1, indefinido]" },
        { "MAP('tamanho', [])", "[]" },
        { "MAP('dobro', [1])", "indefinido" },
        { "MAP('insere', [1])", "indefinido" },
        { "MAP('data', [1])", "indefinido" },
        { "MAP('nada', [1])", "indefinido" },
        { "MAP('tamanho', 'abc')", "indefinido" },
        { "MAP(5, [1])", "indefinido" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(m.Show(c.expr), c.shown);
    }
    Value holes = m.Eval("MAP('tipo', H)");
    ASSERT_TRUE(holes.is(ValueKind::List));
    ASSERT_EQ(holes.List().Count(), 3);
    EXPECT_TRUE(holes.List().At(1).is(ValueKind::Undefined));
    // The mapped cells are copies: a function cannot reach the source list.
    EXPECT_EQ(m.Show("H[0]"), "1");
    EXPECT_TRUE(m.errors.empty());
}

TEST(TextBuiltins, ConversionsAndTheirRefusals)
{
    CheckAll({
        { "CHR(0) = CHR(256)", "1" },
        { "ORD(CHR(-1))", "255" },
        { "CHR('66')", "'B'" },
        { "CHR('x')", "indefinido" },
        { "ORD('\xE9t')", "233" },
        { "ORD('')", "indefinido" },
        { "ORD(L)", "indefinido" },
        { "MAIUSC('\xE0\xFF\xF7z')", "'\xC0\xDF\xD7Z'" },
        { "MAIUSC(12)", "'12'" },
        { "MAIUSC('\xE7') = '\xC7'", "1" },
        { "TRIM(CHR(9) + ' a b ' + CHR(13))", "'a b'" },
        { "TRIM('   ')", "''" },
        { "TRIM(5)", "'5'" },
        { "INTEIRO('$10')", "16" },
        { "INTEIRO('-0')", "0" },
        { "INTEIRO('2147483648')", "indefinido" },
        { "INTEIRO(L)", "indefinido" },
        { "INTEIRO(INDEFINIDO)", "indefinido" },
        { "NAO(5)", "0" },
        { "NAO('0')", "1" },
        { "NAO(L)", "indefinido" },
        { "POS('', 'abc')", "0" },
        { "POS('bc', 'abcbc')", "2" },
        { "POS(1, 'x1')", "2" },
        { "POS('a', 5)", "indefinido" },
        { "POS('2', [1, '2'])", "1" },
        { "PALAVRA('2', 'a' + CHR(9) + 'b')", "'b'" },
        { "PALAVRA(0, 'a b')", "indefinido" },
        { "PALAVRA(-1, 'a b')", "indefinido" },
        { "PALAVRA(1, 5)", "indefinido" },
        { "PALAVRA(1, '')", "indefinido" },
    });
}

TEST(TextBuiltins, SizeAndKindOfEveryValueKind)
{
    CheckAll({
        { "TAMANHO('')", "0" },
        { "TAMANHO(-2147483647)", "2147483647" },
        { "TAMANHO(D)", "2" },
        { "TAMANHO({})", "0" },
        { "TAMANHO(INDEFINIDO)", "0" },
        { "TAMANHO(R)", "0" },
        { "TIPO(R)", "'faixa'" },
        { "TIPO(D)", "'dicion\xE1rio'" },
        { "TIPO(L)", "'lista'" },
        { "DUPLICA(R)", "indefinido" },
    });
}

TEST(Builtins, RefusedArgumentsNeverProduceAMessage)
{
    const char* refused[] = {
        "CHR('x')",
        "NAO([1])",
        "INSERE(5, 0, 1)",
        "RETIRA(5, 0)",
        "PALAVRA('x', 'a')",
        "POS('a', 5)",
        "MAP(1, 2)",
        "DUPLICA(1)",
        "INTEIRO('x')",
        "ORD(1)",
        "RAND('x')",
        "CHAVES(1)",
    };
    for (const char* expr : refused) {
        SCOPED_TRACE(expr);
        TestMachine m;
        m.Show(expr);
        EXPECT_TRUE(m.errors.empty()) << m.errors.at(0);
        EXPECT_TRUE(m.console.empty());
    }
}
