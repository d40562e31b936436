// Compiled lines against the same lines read afresh: a script is run once
// with the line cache (and so with compiled lines) and once without, and
// everything it said, its result and its variables must agree.
#include "commands/standard.h"
#include "core/machine.h"
#include "interp/runtime.h"
#include "tests/support/memory_host_io.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace palavrino::interp;
using palavrino::testing::MemoryHostIo;

namespace {

struct Outcome {
    bool ok { false };
    std::vector<std::string> spoken;
    std::string x;
    bool compiled_some { false };
    std::vector<int32_t> compiled_lines;
};

Outcome RunScript(const std::vector<std::string>& lines, bool cache)
{
    MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    rt.lexer.use_cache = cache;
    Outcome out;
    int32_t slot = rt.LoadScriptList(lines);
    out.ok = rt.CompileSlot(slot) && rt.RunSlot(slot, 1);
    out.spoken = io.spoken;
    palavrino::core::SymtbEntry* e = rt.symbols.FindSymbol(slot, nullptr, "X");
    if (e && e->kind == SymbolKind::Variable)
        out.x = palavrino::core::ValueToText(rt.VariableCell(*e).value);
    const auto& lines_run = rt.SlotAt(slot).lines;
    for (size_t i = 0; i < lines_run.size(); ++i) {
        if (lines_run[i].code) {
            out.compiled_some = true;
            out.compiled_lines.push_back(static_cast<int32_t>(i));
        }
    }
    return out;
}

Outcome ExpectSameRun(const std::vector<std::string>& lines)
{
    Outcome fresh = RunScript(lines, false);
    Outcome compiled = RunScript(lines, true);
    EXPECT_TRUE(compiled.compiled_some) << "no line was compiled: the comparison shows nothing";
    EXPECT_EQ(compiled.ok, fresh.ok);
    EXPECT_EQ(compiled.spoken, fresh.spoken);
    EXPECT_EQ(compiled.x, fresh.x);
    return compiled;
}

bool Said(const Outcome& o, const std::string& text)
{
    return std::find(o.spoken.begin(), o.spoken.end(), text) != o.spoken.end();
}

} // namespace

// A recursion whose every level opens parentheses reaches the nesting bound
// part of the way down; the compiled lines leave the bound's reaction to
// the parser, so the message, the value and the unwinding are the same.
TEST(CompiledLines, ReachingTheNestingBoundInARecursionActsAsWhenRead)
{
    const std::string too_deep = "Express\xE3o aninhada demais";
    EXPECT_TRUE(Said(ExpectSameRun({
                         "FUNCAO F(n)",
                         "  SE n < 1 ENTAO RETORNA 0",
                         "  RETORNA ((((((F(n - 1) + 1))))))",
                         "FIM FUNCAO",
                         "x = F(600)",
                         "ESCREVE x",
                     }),
        too_deep));
    EXPECT_TRUE(Said(ExpectSameRun({
                         "FUNCAO G(n)",
                         "  SE n < 1 ENTAO RETORNA [0]",
                         "  y = [[[[[[G(n - 1)]]]]]]",
                         "  RETORNA y",
                         "FIM FUNCAO",
                         "x = TIPO(G(700))",
                     }),
        too_deep));
}

// A name a line read as a variable becomes a parameter of the function the
// line runs in; a variable made by the loop itself; one destroyed and
// made again: each pass finds what the name means then.
TEST(CompiledLines, NamesMeanWhatTheyMeanWhenTheLineRuns)
{
    ExpectSameRun({
        "x = 0",
        "REPETE i 5",
        "  SE i > 2 ENTAO SOMA x novo",
        "  novo = i * 10",
        "  SE i = 4 ENTAO DESTROI novo",
        "FIM REPETE",
        "ESCREVE x",
    });
    ExpectSameRun({
        "FUNCAO P(k)",
        "  RETORNA k + base",
        "FIM FUNCAO",
        "base = 1",
        "x = []",
        "REPETE i 4",
        "  x[] = P(i)",
        "  base = base * 3",
        "FIM REPETE",
    });
}

// Lines whose words change meaning with the values: E and OU after a value
// that is not a truth value end the expression, and what follows is
// reported as the rest of the line.
TEST(CompiledLines, BooleanWordsEndALineWhereTheParserWould)
{
    ExpectSameRun({
        "x = 0",
        "REPETE i 5",
        "  x = i - 2 E 1",
        "  ENQUANTO i > 10 E i FACA",
        "  FIM ENQUANTO",
        "  SE i > 3",
        "    SE x OU i ENTAO ESCREVE \"sim\", i",
        "  FIM SE",
        "FIM REPETE",
    });
}

// Failing lines fail on the same pass with the same message, in a loop
// that is already compiled.
TEST(CompiledLines, ALineThatFailsLaterFailsTheSameWay)
{
    ExpectSameRun({
        "x = [1, 2, 3, 4]",
        "PARA v EM x",
        "  SE v > 3 ENTAO SOMA v 1",
        "  REPETE w 2",
        "  FIM REPETE",
        "FIM PARA",
    });
    ExpectSameRun({
        "FUNCAO F()",
        "  RETORNA 1",
        "FIM FUNCAO",
        "REPETE i 4",
        "  SE i = 3 ENTAO x = F",
        "  SE i = 4 ENTAO SOMA F 1",
        "  x = i",
        "FIM REPETE",
    });
}

// A store through one subscript goes straight into a dictionary or list
// cell when it can; every other case, and every failure, is the general
// store's.
TEST(CompiledLines, StoresThroughOneSubscriptActAsWhenRead)
{
    auto o = ExpectSameRun({
        "d = {}",
        "l = [10, 20, 30]",
        "s = \"abc\"",
        "REPETE i 4",
        "  d[\"k\" + i] = i",
        "  d[i] = i * 3",
        "  d[i - 1] = d",
        "  l[i] = i * 2",
        "  s[1] = \"z\" + i",
        "  l[0] = l[i]",
        "  d[\"l\"] = l[99]",
        "FIM REPETE",
        "REPETE i 4", // no cycle is left behind
        "  d[i - 1] = 0",
        "FIM REPETE",
        "x = TAMANHO(d) + \" \" + s + \" \" + d[\"k2\"] + \" \" + d[4] + \" \" + l[4] + \" \" + l[0]",
    });
    EXPECT_EQ(o.x, "10 z4321bc 2 12 8 8");
    // "[]" adds at the end of a list or a text and leaves a dictionary be.
    o = ExpectSameRun({
        "l = []",
        "s = \"\"",
        "d = {}",
        "REPETE i 4",
        "  l[] = i * 2",
        "  s[] = 64 + i",
        "  d[] = i",
        "  SE i = 2 ENTAO l[] = l",
        "FIM REPETE",
        "l[2] = 0 // no cycle is left behind",
        "x = s + TAMANHO(l) + TAMANHO(d) + l[4]",
    });
    EXPECT_EQ(o.x, "ABCD508");
    ExpectSameRun({
        "x = []",
        "REPETE i 4",
        "  SE i = 3 ENTAO x = 5",
        "  x[] = i",
        "FIM REPETE",
    });
    // Failures on a later pass: an integer, an iterator, a string position
    // past the end, and a value that is not one.
    ExpectSameRun({
        "x = [1]",
        "REPETE i 4",
        "  SE i = 3 ENTAO x = 5",
        "  x[0] = i",
        "FIM REPETE",
    });
    ExpectSameRun({
        "l = [1, 2]",
        "PARA v EM l",
        "  REPETE i 3",
        "    x = i",
        "  FIM REPETE",
        "  v[0] = 1",
        "FIM PARA",
    });
    ExpectSameRun({
        "x = \"abc\"",
        "REPETE i 5",
        "  x[i] = \"z\"",
        "FIM REPETE",
    });
    o = ExpectSameRun({
        "x = {}",
        "REPETE i 4",
        "  SE i > 2 ENTAO x[i] = )",
        "  x[i] = i",
        "FIM REPETE",
    });
    EXPECT_TRUE(Said(o, "Express\xE3o inv\xE1lida; a vari\xE1vel \"X[3]\" n\xE3o foi modificada"))
        << o.spoken.size();
}

// Natives called without parentheses take as many whole expressions as
// they have arguments; the lines with fewer, or with E and OU inside the
// argument, behave as when read.
TEST(CompiledLines, BareNativeCallsReadTheirArgumentsAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = \"\"",
        "s = \"um dois tres\"",
        "REPETE i 4",
        "  SE NAO i = 2",
        "    x = x + \"n\"",
        "  FIM SE",
        "  x = x + TAMANHO s + PALAVRA s, i - 1",
        "  y = NAO i > 2 E i < 4",
        "  u = INDEFINIDO",
        "  SE u = INDEFINIDO() ENTAO x = x + \"u\"",
        "  x = x + TAMANHO s, + \"|\"",
        "FIM REPETE",
    });
    EXPECT_EQ(o.x, "n0u12|0u12|n0u12|n0u12|");
    ExpectSameRun({
        "REPETE i 3",
        "  SE i = 3 ENTAO x = NAO",
        "  x = i",
        "FIM REPETE",
    });
}

// A loop's head runs once and its FIM on every pass: the FIM compiles the
// head it re-reads, whose limit or list may change under it.
TEST(CompiledLines, AHeadThatRanOnceIsCompiledForItsFim)
{
    auto o = ExpectSameRun({
        "n = 6",
        "x = 0",
        "REPETE i n",
        "  SOMA x i",
        "  SE i = 3 ENTAO n = 4",
        "FIM REPETE",
        "l = [1, 2, 3, 4]",
        "PARA v EM l",
        "  SOMA x v * 10",
        "  SE v = 2 ENTAO l[] = 100",
        "FIM PARA",
    });
    EXPECT_NE(std::find(o.compiled_lines.begin(), o.compiled_lines.end(), 3), o.compiled_lines.end());
    EXPECT_NE(std::find(o.compiled_lines.begin(), o.compiled_lines.end(), 8), o.compiled_lines.end());
    ExpectSameRun({
        "n = 5",
        "REPETE i n",
        "  x = i",
        "  SE i = 3 ENTAO n = \"nada\"",
        "FIM REPETE",
    });
}

// CONCATENA: plain and subscripted targets, numbers on either side, the
// variable added to itself, an operand that changes the variable, the LISTA
// form beside it, and failures on a later pass.
TEST(CompiledLines, ConcatenaActsAsWhenRead)
{
    auto o = ExpectSameRun({
        "FUNCAO MUDA()",
        "  x = \"<\"",
        "  RETORNA \"m\"",
        "FIM FUNCAO",
        "x = \"\"",
        "l = [\"a\", 5]",
        "n = 7",
        "REPETE i 4",
        "  CONCATENA x i",
        "  CONCATENA l[0] \"b\"",
        "  CONCATENA l[1] i",
        "  CONCATENA n 1",
        "  SE i = 2 ENTAO CONCATENA x x",
        "  SE i = 3 ENTAO CONCATENA x MUDA()",
        "  CONCATENA x LISTA l",
        "FIM REPETE",
        "CONCATENA x \"|\" + l[0] + \"|\" + l[1] + \"|\" + n",
    });
    EXPECT_EQ(o.x, "abbbb51234|abbbb|51234|71111");
    ExpectSameRun({
        "x = \"\"",
        "REPETE i 4",
        "  SE i = 3 ENTAO x = [1]",
        "  CONCATENA x \"a\"",
        "FIM REPETE",
    });
    ExpectSameRun({
        "x = \"\"",
        "y = \"a\"",
        "REPETE i 4",
        "  SE i = 3 ENTAO y = {}",
        "  CONCATENA x \"b\" + y",
        "FIM REPETE",
    });
    ExpectSameRun({
        "l = [\"a\", \"b\"]",
        "PARA v EM l",
        "  REPETE i 3",
        "    x = i",
        "  FIM REPETE",
        "  CONCATENA v \"c\"",
        "FIM PARA",
    });
}

// SOMA and the others, and operators between two integers, taken without
// making values: wrapping at the 32-bit bounds, division by zero (reported,
// and the script goes on), a variable that stops holding an integer part
// of the way, text that reads as a number, and an operand that changes the
// target while it is read.
TEST(CompiledLines, IntegerArithmeticActsAsWhenRead)
{
    auto o = ExpectSameRun({
        "FUNCAO MEXE()",
        "  a = \"q7\"",
        "  RETORNA 2",
        "FIM FUNCAO",
        "a = 2147483640",
        "b = 10",
        "x = \"\"",
        "REPETE i 6",
        "  SOMA a 3",
        "  MULTIPLICA b 1000",
        "  DIVIDE b i - 3",
        "  SUBTRAI b -5",
        "  SE i = 4 ENTAO a = \"t9\"",
        "  SE i = 5 ENTAO SOMA a MEXE()",
        "  c = b / (i - 3) + (b % (i - 2))",
        "  d = i * 7 - 40 >= b",
        "  CONCATENA x a + \",\" + b + \",\" + c + \",\" + d + \";\"",
        "FIM REPETE",
    });
    EXPECT_EQ(o.x,
        "2147483643,-4995,2497,1;2147483646,4995005,-4995005,0;-2147483647,700037709,700037709,0;"
        "t9,-41960243,-41960244,1;t4,494714985,247357492,0;t7,264581991,88194000,0;");
    EXPECT_TRUE(Said(o, "Divis\xE3o por zero evitada"));
    EXPECT_TRUE(Said(o, "Divis\xE3o por ZERO evitada"));
    ExpectSameRun({
        "x = 1",
        "REPETE i 6",
        "  SE i = 4 ENTAO x = [1]",
        "  SOMA x 1",
        "FIM REPETE",
    });
    // A zero divisor met once the line has long run compiled, as a literal
    // and as an expression.
    auto zero = ExpectSameRun({
        "x = 1000",
        "y = 5",
        "REPETE i 8",
        "  DIVIDE x 7 - i",
        "  DIVIDE y 0",
        "  SOMA y 1",
        "FIM REPETE",
    });
    EXPECT_EQ(std::count(zero.spoken.begin(), zero.spoken.end(), "Divis\xE3o por zero evitada"), 9);
    ExpectSameRun({
        "x = 1",
        "y = 2",
        "REPETE i 6",
        "  SE i = 4 ENTAO y = \"z\"",
        "  SOMA x y",
        "  x = x < y",
        "FIM REPETE",
    });
}

// FIM ENQUANTO makes its head's test itself when the condition compares two
// integers: the loop must end, go on, and fail exactly where running the
// head line would, including when the variable stops being an integer or
// is destroyed, when the head carries FACA or something the line should not
// have, and around QUEBRA and CONTINUA.
TEST(CompiledLines, WhileLoopsTestTheirHeadAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = \"\"",
        "n = 0",
        "ENQUANTO n < 12 FACA",
        "  SOMA n 1",
        "  SE n = 3 ENTAO CONTINUA",
        "  k = 0",
        "  ENQUANTO k <= n",
        "    SOMA k 4",
        "    SE k > 9 ENTAO QUEBRA",
        "  FIM ENQUANTO",
        "  CONCATENA x n + \":\" + k + \" \"",
        "  SE n = 8 ENTAO n = \"8\"",
        "FIM ENQUANTO",
    });
    EXPECT_EQ(o.x, "1:4 2:4 4:8 5:8 6:8 7:8 8:12 9:12 10:12 11:12 12:12 ");
    ExpectSameRun({
        "n = 0",
        "ENQUANTO n < 9",
        "  SOMA n 1",
        "  SE n = 5 ENTAO DESTROI n",
        "FIM ENQUANTO",
    });
    ExpectSameRun({
        "n = 0",
        "x = 0",
        "ENQUANTO n < 6 x",
        "  SOMA n 1",
        "  SOMA x 1",
        "FIM ENQUANTO",
    });
    ExpectSameRun({
        "n = 0",
        "x = 0",
        "ENQUANTO n < 6",
        "  SOMA n 1",
        "  SE n = 4 ENTAO n = [1]",
        "  SOMA x 1",
        "FIM ENQUANTO",
    });
}

// A text compared with a string literal is compared without making the
// literal's value: integer texts still compare as numbers, others byte by
// byte, and anything but a text on the left takes the general way.
TEST(CompiledLines, ComparisonsWithALiteralActAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = \"\"",
        "PARA v EM [\"007\", \"7\", \"10\", \"9\", \"\", \"abc\", \"ab\", 7, \"\xE9\"]",
        "  CONCATENA x \"|\" + (v = \"7\") + \",\" + (v <> \"\") + \",\" + (v > \"9\") + \",\""
        " + (v >= \"ab\") + \",\" + (v < \"abc\") + \",\" + (v <= \"\")",
        "  SE v = \"abc\" ENTAO CONCATENA x \"!\"",
        "FIM PARA",
    });
    EXPECT_EQ(o.x,
        "|1,1,0,0,1,0|1,1,0,0,1,0|0,1,1,0,1,0|0,1,0,0,1,0|0,0,0,0,1,1|0,1,1,1,0,0!|0,1,1,1,1,0"
        "|1,1,0,0,1,0|0,1,1,1,0,0");
}

// INDEFINIDO(), VERDADEIRO() and FALSO() give the same value on every call,
// so a compiled call keeps the first one; too many arguments are still
// reported, and a recursion that fills the stack stops where it did.
TEST(CompiledLines, ConstantBuiltInsActAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = \"\"",
        "d = {}",
        "d[\"a\"] = 1",
        "PARA k EM [\"a\", \"b\", \"a\"]",
        "  SE d[k] = INDEFINIDO() ENTAO CONCATENA x \"-\" SENAO CONCATENA x d[k]",
        "  CONCATENA x VERDADEIRO() + FALSO() + \",\"",
        "  SE INDEFINIDO(1) = INDEFINIDO() ENTAO CONCATENA x \"u\"",
        "FIM PARA",
    });
    EXPECT_EQ(o.x, "1,u-1,u1,u");
    EXPECT_EQ(std::count(o.spoken.begin(), o.spoken.end(),
                  "A fun\xE7\xE3o \"INDEFINIDO\" n\xE3o requer par\xE2metros"),
        3);
    for (const char* params : { "(n)", "(n, m)" }) {
        ExpectSameRun({
            std::string("FUNCAO F") + params,
            "  y = INDEFINIDO()",
            "  SE n > 5000 ENTAO RETORNA 0",
            "  RETORNA F(n + 1, 0) + 1",
            "FIM FUNCAO",
            "x = F(1, 0)",
        });
    }
}

// CONCATENA of a literal onto a plain text variable changes the text in
// place, which every owner of that text sees; FIM REPETE steps a plain
// integer counter itself. Both must act as when read when the variable
// holds something else, is shared, changes inside the loop or goes away.
TEST(CompiledLines, LiteralConcatenationAndCountersActAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = \"\"",
        "y = x",
        "n = 5",
        "REPETE i 6",
        "  CONCATENA x \"ab\"",
        "  CONCATENA n \"!\"",
        "  SE i = 3 ENTAO x = 7",
        "  SE i = 4 ENTAO i = 5",
        "FIM REPETE",
        "CONCATENA x \"|\" + y + \"|\" + n",
    });
    EXPECT_EQ(o.x, "7abab|ababab|5!!!!!");
    ExpectSameRun({
        "x = \"\"",
        "REPETE i 8",
        "  CONCATENA x i",
        "  SE i = 3 ENTAO i = \"5\"",
        "  SE i = 6 ENTAO DESTROI i",
        "FIM REPETE",
    });
    ExpectSameRun({
        "x = \"\"",
        "m = 4",
        "REPETE i m",
        "  CONCATENA x i",
        "  SE i = 3 ENTAO m = 2",
        "  SE i = 2 ENTAO m = 9",
        "  SE i = 5 ENTAO x = [1]",
        "FIM REPETE",
    });
    ExpectSameRun({
        "x = \"\"",
        "REPETE i 2147483647",
        "  SE i = 4 ENTAO i = 2147483646",
        "  CONCATENA x i + \" \"",
        "FIM REPETE",
    });
}

// A subscript whose item is one integer, string or variable is read without
// climbing, straight from the variable's cell; every other key, container
// and name must still be read as the parser reads it.
TEST(CompiledLines, PlainSubscriptsSelectAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = []",
        "d = {}",
        "d[\"a\"] = 1",
        "d[7] = \"sete\"",
        "d.campo = [10, 20, 30]",
        "l = [\"p\", \"q\", \"r\"]",
        "t = \"palavra\"",
        "f = [1..3]",
        "PARA k EM [\"a\", 7, \"7\", \"b\", 0, 2, -1, \"q\", \"av\", [1], f, \"1\", {\"a\": 1}]",
        "  x[] = d[k]",
        "  x[] = l[k]",
        "  x[] = t[k]",
        "  j = k",
        "  x[] = d[j]",
        "  x[] = l[j]",
        "  x[] = t[j]",
        "  x[] = d.campo[j]",
        "FIM PARA",
        "x[] = d[\"a\"]",
        "x[] = d[7]",
        "x[] = d.campo",
        "x[] = d.campo[1]",
        "x[] = l[0]",
        "x[] = l[\"r\"]",
        "x[] = t[2]",
        "x[] = t[\"la\"]",
        "PARA m EM [[5, 6], {\"a\": 8}, \"xy\"]",
        "  x[] = m[1]",
        "  x[] = m[\"a\"]",
        "FIM PARA",
        "e = {\"d\": d}",
        "x[] = e[\"d\"][\"a\"]",
        "x[] = e[\"d\"].campo[2]",
    });
    EXPECT_EQ(o.x,
        "[1, indefinido, 2, 1, indefinido, 2, indefinido, sete, indefinido, a, sete, indefinido, a,"
        " indefinido, sete, indefinido, a, sete, indefinido, a, indefinido, indefinido, indefinido,"
        " 0, indefinido, indefinido, 0, indefinido, indefinido, p, , indefinido, p, , 10, indefinid"
        "o, r, a, indefinido, r, a, 30, indefinido, indefinido, , indefinido, indefinido, , indefin"
        "ido, indefinido, indefinido, 0, indefinido, indefinido, 0, indefinido, indefinido, indefin"
        "ido, 4, indefinido, indefinido, 4, indefinido, indefinido, q, p, indefinido, q, p, 20, {\"1"
        "\" : indefinido, \"2\" : indefinido, \"3\" : indefinido}, [q, r, indefinido], pal, {\"1\" : indef"
        "inido, \"2\" : indefinido, \"3\" : indefinido}, [q, r, indefinido], pal, [20, 30, indefinido],"
        " indefinido, q, p, indefinido, q, p, 20, indefinido, q, p, indefinido, q, p, 20, 1, sete, "
        "[10, 20, 30], 20, p, indefinido, a, 3, 6, indefinido, indefinido, 8, x, 0, 1, 30]");
    // A key or a container destroyed after the line was compiled is
    // reported as when read.
    for (const char* gone : { "k", "d" }) {
        auto failed = ExpectSameRun({
            "d = {\"a\": 1}",
            "k = \"a\"",
            "PARA i EM 1..3",
            std::string("  SE i = 3 ENTAO DESTROI ") + gone,
            "  x = d[k]",
            "FIM PARA",
        });
        EXPECT_FALSE(failed.ok) << gone;
        EXPECT_EQ(failed.x, "1") << gone;
        EXPECT_FALSE(failed.spoken.empty()) << gone;
    }
}

// A text variable compared with a literal, or used as a key, is read where
// it is held: its cell, or the list cell its PARA stands on. PARA over a
// text or a range, a list that grows during the loop and a loop variable
// changed inside the loop must act as when read; FIM PARA steps a loop
// variable known under the symbol table itself.
TEST(CompiledLines, LoopVariablesReadWhereHeldActAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = \"\"",
        "d = {\"a\": 1, \"b\": 2, \"1\": \"um\"}",
        "l = [\"a\", \"\", \"b\", 7, \"7\", [\"a\"], \"c\"]",
        "PARA v EM l",
        "  SE v = \"\" ENTAO CONCATENA x \"vazio,\"",
        "  SE v < \"b\" ENTAO CONCATENA x \"<b,\"",
        "  SE v = \"7\" ENTAO CONCATENA x \"sete,\"",
        "  SE v = \"c\" ENTAO l[] = \"d\"",
        "  ESCREVE d[v]",
        "FIM PARA",
        "PARA c EM \"ab1\"",
        "  SE c = \"a\" ENTAO CONCATENA x \"A,\"",
        "  ESCREVE d[c]",
        "FIM PARA",
        "PARA n EM [1..3]",
        "  SE n = \"2\" ENTAO CONCATENA x \"dois,\"",
        "  ESCREVE d[n]",
        "FIM PARA",
        "ESCREVE x",
        "PARA v EM [\"a\", \"b\", \"c\"]",
        "  SE v = \"b\" ENTAO DESTROI v",
        "  ESCREVE v",
        "FIM PARA",
    });
    EXPECT_EQ(o.x, "<b,vazio,<b,<b,sete,<b,sete,A,dois,");
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(Said(o, "Tentativa de modificar o iterador V"));
}

// A constant built-in's kept value and a variable's value are taken where
// they are held when they meet another plain operand; a call that would not
// fit on the stack still reports the overflow where it did.
TEST(CompiledLines, PlainOperandsHeldElsewhereActAsWhenRead)
{
    auto o = ExpectSameRun({
        "x = \"\"",
        "PARA n EM [1, 0, \"\", \"a\", [1], {}, \"1\"]",
        "  SE n = INDEFINIDO() ENTAO CONCATENA x \"u\"",
        "  SE VERDADEIRO() = n ENTAO CONCATENA x \"v\"",
        "  SE n <> FALSO() ENTAO CONCATENA x \"f\"",
        "  m = n",
        "  SE m = INDEFINIDO() ENTAO CONCATENA x \"U\"",
        "  SE m + FALSO() = 1 ENTAO CONCATENA x \"1\"",
        "  CONCATENA x \",\"",
        "FIM PARA",
        "d = {}",
        "SE d[\"z\"] = INDEFINIDO() ENTAO CONCATENA x \"z\"",
    });
    EXPECT_EQ(o.x, "vf1,,f,f,,,vf1,z");
    // The stack fills up at the comparison's own call.
    auto deep = ExpectSameRun({
        "x = 0",
        "FUNCAO F(n)",
        "  SE n = INDEFINIDO() ENTAO RETORNA 0",
        "  x = n",
        "  RETORNA F(n + 1) + 1",
        "FIM FUNCAO",
        "y = F(1)",
    });
    EXPECT_EQ(deep.x, "1023");
}
