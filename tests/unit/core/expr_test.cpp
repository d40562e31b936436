// Expressions as scripts write them: precedence, the E/OU words, literals,
// selectors, calls of built-ins with their argument checks, the user-function
// call protocol and the limits that keep hostile input from crashing.
#include "test_machine.h"

#include <gtest/gtest.h>

using namespace palavrino::core;
using palavrino::testing::TestMachine;

namespace {

struct Case {
    const char* expr;
    const char* shown; // display form; strings in single quotes
};

void Check(TestMachine& m, const Case& c)
{
    SCOPED_TRACE(c.expr);
    EXPECT_EQ(m.Show(c.expr), c.shown);
}

} // namespace

TEST(Expressions, PrecedenceAndAssociativity)
{
    const Case cases[] = {
        { "2 + 3 * 4", "14" },
        { "(2 + 3) * 4", "20" },
        { "2 ^ 3 ^ 2", "64" },
        { "10 - 2 - 3", "5" },
        { "-2 ^ 2", "4" },
        { "7 / 2", "3" },
        { "-7 / 2", "-3" },
        { "-7 % 2", "-1" },
        { "1 < 2", "1" },
        { "'10' + 5", "15" },
        { "'10a' + 5", "'10a5'" },
        { "5 + 'x'", "'5x'" },
        { "'a' - 1", "inv\xE1lido" },
        { "'abc' < 'abd'", "1" },
        { "'10' < '9'", "0" },
        { "'B' < 'a'", "1" },
        { "INDEFINIDO() = INDEFINIDO()", "1" },
        { "INDEFINIDO() = 0", "0" },
        { "[1] < [2]", "inv\xE1lido" },
        { "[1, 2] = [1, 2]", "1" },
        { "'abcabc' *= 'abc'", "0" },
        { "'xabc' *= 'abc'", "1" },
        { "[1, 2, 3] *=* [2, 3]", "1" },
        { "[1, 2, 3] =* []", "1" },
        { "2 ^ 30", "1073741824" },
        { "(-2) ^ 31", "-2147483648" },
        { "5 ^ -1", "1" },
    };
    for (const Case& c : cases) {
        TestMachine m;
        Check(m, c);
        EXPECT_TRUE(m.errors.empty()) << c.expr << ": " << (m.errors.empty() ? "" : m.errors[0]);
    }
}

TEST(Expressions, DivisionByZeroAndMinIntNeverTrap)
{
    const Case cases[] = {
        { "5 / 0", "5" },
        { "5 % 0", "0" },
        { "-2147483648 / -1", "-2147483648" },
        { "-2147483648 % -1", "0" },
        { "2 ^ 31", "inv\xE1lido" },
        { "2 ^ 64", "inv\xE1lido" },
    };
    for (const Case& c : cases) {
        TestMachine m;
        Check(m, c);
    }
    TestMachine m;
    m.Show("5 / 0");
    ASSERT_EQ(m.errors.size(), 1u);
    EXPECT_EQ(m.errors[0], "7: Divis\xE3o por ZERO evitada");
    m.errors.clear();
    m.Show("2 ^ 31");
    EXPECT_EQ(m.errors.at(0), "7: Estouro durante potencia\xE7\xE3o");
}

TEST(Expressions, UnaryFormsAndBars)
{
    const Case cases[] = {
        { "-'abc'", "'cba'" },
        { "-[1, 2]", "[2, 1]" },
        { "-[]", "[]" },
        { "> [3, 9, 2]", "9" },
        { "< [3, 9, 2]", "2" },
        { "+ ['a', 'b']", "'ab'" },
        { " * ['a']", "inv\xE1lido" },
        { "+ [1, 'a']", "inv\xE1lido" },
        { " * [2, 3, 4]", "24" },
        { "|-5|", "5" },
        { "|'abc'|", "3" },
        { "|[1, [2, 3]]|", "2" },
        { "-(-2147483648)", "-2147483648" },
    };
    for (const Case& c : cases) {
        TestMachine m;
        Check(m, c);
    }
    TestMachine m;
    m.Show("|5");
    EXPECT_EQ(m.errors.at(0), "7: Faltou a barra vertical");
}

TEST(Expressions, ListAndDictionaryLiterals)
{
    const Case cases[] = {
        { "[1..3, 7]", "[1, 2, 3, 7]" },
        { "[3..1]", "[3, 2, 1]" },
        { "[]", "[]" },
        { "{'a', 'b'}", "{\"0\" : \"a\", \"1\" : \"b\"}" },
        { "{5: 'x', 'y'}", "{\"5\" : \"x\", \"6\" : \"y\"}" },
        { "{[1, 2]: 0}", "{\"1\" : 0, \"2\" : 0}" },
        { "{}", "{}" },
        { "['a', 'b', 3]", "[a, b, 3]" },
        { "{'k': 'say \"hi\"'}", "{\"k\" : \"say \"\"hi\"\"\"}" },
    };
    for (const Case& c : cases) {
        TestMachine m;
        Check(m, c);
    }
    TestMachine m;
    m.Show("[1..'a']");
    EXPECT_EQ(m.errors.at(0), "7: Esperava uma faixa de inteiros como elementos da lista");
    m.errors.clear();
    m.Show("[1 2]");
    EXPECT_EQ(m.errors.at(0), "0: 2 n\xE3o era esperado");
    m.errors.clear();
    m.Show("{'a': 1");
    EXPECT_EQ(m.errors.at(0), "0: EOL \xE9 um token inv\xE1lido neste contexto");
}

TEST(Expressions, Selectors)
{
    TestMachine m;
    m.Set("D", "{'a': 1, 'b': 2}");
    m.Set("L", "[10, 20, 30]");
    const Case cases[] = {
        { "'abc'[1]", "'a'" },
        { "'abc'[0]", "''" },
        { "'abc'[3..1]", "'cba'" },
        { "'abcd'['c']", "'3'" },
        { "'abc'['2']", "'b'" },
        { "'abc'[]", "'c'" },
        { "L[0]", "10" },
        { "L[5]", "indefinido" },
        { "L[1..9]", "[20, 30]" },
        { "L[2..0]", "[30, 20, 10]" },
        { "L[]", "30" },
        { "L[0, 2]", "[10, 30]" },
        { "D.a", "1" },
        { "D['a', 'b']", "{\"a\" : 1, \"b\" : 2}" },
        { "D.c", "indefinido" },
        { "D.A", "indefinido" },
        { "[[1, 2], [3]][0][1]", "2" },
    };
    for (const Case& c : cases)
        Check(m, c);
    EXPECT_TRUE(m.errors.empty());
    // An integer literal takes no selectors: the bracket is left for the caller.
    m.Start("5[0]");
    Value v;
    m.ParseExpression(v);
    EXPECT_EQ(v.AsInt(), 5);
    EXPECT_EQ(m.lexer.tok.kind, TokenKind::LeftBracket);
}

TEST(Expressions, TheWordsEAndOuAreOperatorsOnlyAfterTruthValues)
{
    TestMachine m;
    m.Set("X", "1");
    m.Set("Y", "2");
    EXPECT_EQ(m.Show("X = 1 E Y = 2"), "1");
    EXPECT_EQ(m.Show("X = 2 OU Y = 2"), "1");
    EXPECT_EQ(m.Show("0 E 1"), "0");
    m.Set("S", "'s'");
    m.Start("S E 1");
    Value v;
    m.ParseExpression(v);
    EXPECT_EQ(ValueToText(v), "s");
    EXPECT_TRUE(m.lexer.TokenIsWord("E")); // left for the caller
}

TEST(Expressions, NameErrors)
{
    struct ErrCase {
        const char* expr;
        const char* error;
    };
    const ErrCase cases[] = {
        { "nada", "7: A vari\xE1vel \"NADA\" n\xE3o foi inicializada" },
        { "nada(1)", "7: A fun\xE7\xE3o \"NADA\" n\xE3o foi definida" },
        { "TAMANHO(1, 2)", "7: A fun\xE7\xE3o \"TAMANHO\" requer um par\xE2metro apenas" },
        { "FALSO(1)", "7: A fun\xE7\xE3o \"FALSO\" n\xE3o requer par\xE2metros" },
        { "POS(1, 2, 3)", "7: A fun\xE7\xE3o \"POS\" requer 2 par\xE2metros apenas" },
        { "CONTEUDO", "7: A fun\xE7\xE3o \"CONTEUDO\" deve ser invocada com ()" },
        { "(1 + 2", "7: Faltou fechar par\xEAnteses" },
        { "= 3", "7: Operador = inesperado" },
    };
    for (const ErrCase& c : cases) {
        SCOPED_TRACE(c.expr);
        TestMachine m;
        m.Show(c.expr);
        ASSERT_FALSE(m.errors.empty());
        EXPECT_EQ(m.errors[0], c.error);
    }
    TestMachine m;
    m.Show("TAMANHO(1, 2");
    EXPECT_EQ(m.errors.at(0), "7: Faltou fechar par\xEAnteses na chamada da fun\xE7\xE3o \"TAMANHO\"");
}

TEST(Expressions, BuiltinsWithAndWithoutParentheses)
{
    const Case cases[] = {
        { "TAMANHO 'ab' + 'c'", "3" },
        { "TAMANHO('a\xE7\xE3o')", "4" },
        { "TAMANHO(-7)", "7" },
        { "TIPO(INDEFINIDO())", "'indefinido'" },
        { "TIPO('5')", "'cadeia'" },
        { "TIPO 5", "'inteiro'" },
        { "VERDADEIRO + FALSO", "1" },
        { "NAO(0)", "1" },
        { "NAO('x')", "indefinido" },
        { "INTEIRO('12')", "12" },
        { "INTEIRO('12a')", "indefinido" },
        { "INTEIRO(' 12')", "12" },
        { "POS('b', 'abc')", "2" },
        { "POS('z', 'abc')", "0" },
        { "POS(2, [1, 2])", "1" },
        { "POS(5, [1, 2])", "-1" },
        { "PALAVRA(2, '  um dois  tres')", "'dois'" },
        { "PALAVRA(4, 'a b')", "indefinido" },
        { "MAP('tamanho', ['ab', 'c'])", "[2, 1]" },
        { "MAP('pos', ['ab'])", "indefinido" },
        { "CHR(321)", "'A'" },
        { "ORD('A')", "65" },
        { "ORD(65)", "indefinido" },
        { "MAIUSC('a\xE7\xE3o')", "'A\xC7\xC3O'" },
        { "TRIM('  x ')", "'x'" },
        { "CHAVES({'a': 1})", "[a]" },
        { "DUPLICA(5)", "indefinido" },
    };
    for (const Case& c : cases) {
        TestMachine m;
        Check(m, c);
    }
}

TEST(Expressions, InsereAndRetiraChangeTheSharedContainer)
{
    TestMachine m;
    m.Set("L", "[1, 2]");
    m.Set("M", "L");
    EXPECT_EQ(m.Show("INSERE(M, 99, 'x')"), "1");
    EXPECT_EQ(m.Show("INSERE(L, -5, 'y')"), "1");
    EXPECT_EQ(m.Show("L"), "[y, 1, 2, x]");
    EXPECT_EQ(m.Show("RETIRA(L, 0)"), "'y'");
    m.Set("D", "{'a': 1}");
    EXPECT_EQ(m.Show("RETIRA(D, 'k')"), "indefinido");
    EXPECT_EQ(m.Show("D"), "{\"a\" : 1}");
    EXPECT_EQ(m.Show("DUPLICA(L) = L"), "1");
}

TEST(Expressions, UserFunctionCallsGoThroughTheStack)
{
    TestMachine m;
    SymtbEntry* f = m.symbols.FindOrAddSymbol(0, nullptr, "SOMA2", true);
    f->kind = SymbolKind::UserFunction;
    f->value2 = 2;
    // The body adds its two arguments, read at frame base - 1 and - 2.
    m.body = [&m](SymtbEntry&) {
        m.Result() = Value::Int(m.Arg(1).AsInt() + m.Arg(2).AsInt());
        return true;
    };
    EXPECT_EQ(m.Show("SOMA2(2, 3) * 10"), "50");
    EXPECT_EQ(m.stack_top, 0);
    EXPECT_EQ(m.frame_base, 0);
    m.Show("SOMA2 2, 3"); // parentheses are required: the call gets no arguments
    EXPECT_EQ(m.errors.at(0), "7: A fun\xE7\xE3o \"SOMA2\" deve ser invocada com ()");
    // A failing body gives "indefinido" and leaves the caller's state intact.
    m.body = [](SymtbEntry&) { return false; };
    m.errors.clear();
    EXPECT_EQ(m.Show("SOMA2(1, 2)"), "indefinido");
    EXPECT_EQ(m.stack_top, 0);
    EXPECT_EQ(m.current_function, nullptr);
}

TEST(Expressions, CallStackLimitAndItsMessage)
{
    TestMachine m;
    SymtbEntry* f = m.symbols.FindOrAddSymbol(0, nullptr, "F", true);
    f->kind = SymbolKind::UserFunction;
    f->value2 = 1;
    m.body = [&m](SymtbEntry&) {
        m.Result() = Value::Int(1);
        return true;
    };
    // Two entries a call (argument and return record): the last that fits.
    m.stack_top = EXEC_STACK_SIZE - 2;
    EXPECT_EQ(m.Show("F(1)"), "1");
    EXPECT_EQ(m.stack_top, EXEC_STACK_SIZE - 2);
    m.stack_top = EXEC_STACK_SIZE - 1;
    EXPECT_EQ(m.Show("F(1)"), "indefinido");
    EXPECT_EQ(m.errors.at(0), "7: Estouro na pilha de chamadas");
    EXPECT_EQ(m.stack_top, EXEC_STACK_SIZE - 1);
    m.stack_top = 0;
}

// The stack's entries are made as the stack first reaches them; those
// below never move, since variables of running functions point into them.
TEST(Expressions, ExecutionStackEntriesAreMadeEmptyAndStayPut)
{
    TestMachine m;
    ASSERT_TRUE(m.PushExec());
    m.Top().var.value = Value::Int(5);
    const VarCell* first = &m.Top().var;
    const ExecRec& far = m.stack[EXEC_STACK_SIZE];
    EXPECT_EQ(far.kind, ExecKind::Return);
    EXPECT_EQ(far.var.iterator, -1);
    EXPECT_TRUE(far.var.value.is(ValueKind::Invalid));
    EXPECT_EQ(&m.stack[1].var, first);
    EXPECT_EQ(m.stack[1].var.value.AsInt(), 5);
    while (m.stack_top < EXEC_STACK_SIZE)
        ASSERT_TRUE(m.PushExec());
    EXPECT_EQ(&m.stack[1].var, first);
    EXPECT_FALSE(m.PushExec());
    EXPECT_EQ(m.errors.at(0), "7: Estouro na pilha de execu\xE7\xE3o");
    m.PopTo(0);
    EXPECT_TRUE(m.stack[1].var.value.is(ValueKind::Invalid));
}

TEST(Expressions, DeepNestingIsAnErrorNotACrash)
{
    for (const char* open : { "(", "[", "{", "-", "|" }) {
        SCOPED_TRACE(open);
        TestMachine m;
        std::string expr;
        for (int i = 0; i < 100000; ++i)
            expr += open;
        expr += "1";
        m.Show(expr);
        ASSERT_EQ(m.errors.size(), 1u);
        EXPECT_EQ(m.errors[0], "7: Express\xE3o aninhada demais");
        EXPECT_EQ(m.expr_nesting, 0);
    }
    // Nesting within the limit still works.
    TestMachine m;
    std::string expr(200, '(');
    expr += "1";
    expr += std::string(200, ')');
    EXPECT_EQ(m.Show(expr), "1");
    EXPECT_TRUE(m.errors.empty());
}

TEST(Expressions, CheckOnlyModeCallsNothingAndAppliesNothing)
{
    TestMachine m;
    int calls = 0;
    SymtbEntry* f = m.symbols.FindOrAddSymbol(0, nullptr, "F", true);
    f->kind = SymbolKind::UserFunction;
    m.body = [&calls](SymtbEntry&) {
        ++calls;
        return true;
    };
    m.check_only = true;
    EXPECT_EQ(m.Show("F() + 5 / 0"), "indefinido");
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(m.errors.empty());
    m.check_only = false;
}
