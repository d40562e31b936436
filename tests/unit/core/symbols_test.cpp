// Name resolution across slots, functions and superglobals, the label and
// local definitions with their messages, and the hash table's shape.
#include "test_machine.h"

#include <gtest/gtest.h>

using namespace palavrino::core;
using palavrino::testing::TestMachine;

TEST(Symbols, HashIsTheShiftXorOverBytesModuloTheBuckets)
{
    // h = (h << 1) ^ byte: "AB" = (65 << 1) ^ 66 = 192.
    EXPECT_EQ(SymbolTable::BucketOf("AB"), 192);
    EXPECT_EQ(SymbolTable::BucketOf(""), 0);
    // A long name drives h negative as a signed number; its magnitude is used.
    std::string long_name(80, 'Z');
    int b = SymbolTable::BucketOf(long_name);
    EXPECT_GE(b, 0);
    EXPECT_LT(b, SymbolTable::BUCKETS);
}

TEST(Symbols, BuiltinsAreVisibleFromEverySlot)
{
    TestMachine m;
    SymtbEntry* e = m.symbols.FindSymbol(42, nullptr, "TAMANHO");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, SymbolKind::Native);
    EXPECT_EQ(e->value1, 1);
    EXPECT_EQ(m.symbols.FindOrAddSymbol(5, nullptr, "TAMANHO", false), e);
}

TEST(Symbols, SuperglobalsCrossSlotsAndGlobalsDoNot)
{
    TestMachine m;
    SymtbEntry* super = m.symbols.FindOrAddSymbol(3, nullptr, "$X", true);
    EXPECT_EQ(super->script, -1);
    SymtbEntry* global = m.symbols.FindOrAddSymbol(3, nullptr, "X", true);
    EXPECT_EQ(global->script, 3);
    EXPECT_EQ(m.symbols.FindSymbol(9, nullptr, "$X"), super);
    EXPECT_EQ(m.symbols.FindSymbol(9, nullptr, "X"), nullptr);
    EXPECT_EQ(m.symbols.FindSymbol(3, nullptr, "X"), global);
}

TEST(Symbols, ParametersHideGlobalsOnlyInsideTheirFunction)
{
    TestMachine m;
    SymtbEntry* f = m.symbols.FindOrAddSymbol(1, nullptr, "F", true);
    f->kind = SymbolKind::UserFunction;
    SymtbEntry* g = m.symbols.FindOrAddSymbol(1, nullptr, "N", true);
    g->kind = SymbolKind::Variable;
    SymtbEntry* p = m.DefineLocal(1, f, "N", -1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(m.symbols.FindSymbol(1, f, "N"), p);
    EXPECT_EQ(m.symbols.FindSymbol(1, nullptr, "N"), g);
    // Another function sees the global, not F's parameter.
    SymtbEntry* h = m.symbols.FindOrAddSymbol(1, nullptr, "H", true);
    EXPECT_EQ(m.symbols.FindSymbol(1, h, "N"), g);
}

TEST(Symbols, CommandNamesCannotBeParameters)
{
    TestMachine m;
    m.symbols.EnterBuiltin("SOMA", SymbolKind::Command);
    SymtbEntry* f = m.symbols.FindOrAddSymbol(1, nullptr, "F", true);
    EXPECT_EQ(m.DefineLocal(1, f, "SOMA", -1), nullptr);
    ASSERT_EQ(m.console.size(), 1u);
    EXPECT_EQ(m.console[0],
        "Erro na linha 0: \"SOMA\" \xE9 identificador de comando, n\xE3o pode ser uma vari\xE1vel local ou "
        "par\xE2metro");
}

TEST(Symbols, LabelsDefinedTwiceAreRefusedWithTheFirstLine)
{
    TestMachine m;
    EXPECT_TRUE(m.DefineLabel(1, nullptr, "@FIM", 4));
    EXPECT_FALSE(m.DefineLabel(1, nullptr, "@FIM", 9));
    ASSERT_EQ(m.console.size(), 1u);
    EXPECT_EQ(m.console[0], "Erro na linha 0: R\xF3tulo \"@FIM\" j\xE1 foi definido na linha 4");
    // Lookup adds the "@" and folds the name.
    EXPECT_EQ(m.symbols.FindLabel(1, nullptr, "fim"), 4);
    EXPECT_EQ(m.symbols.FindLabel(1, nullptr, "@Fim"), 4);
    EXPECT_EQ(m.symbols.FindLabel(2, nullptr, "fim"), -1);
}

TEST(Symbols, FreeingASlotRemovesItsNamesButKeepsSuperglobals)
{
    TestMachine m;
    m.symbols.FindOrAddSymbol(2, nullptr, "A", true)->kind = SymbolKind::Variable;
    m.symbols.FindOrAddSymbol(2, nullptr, "$S", true)->kind = SymbolKind::Variable;
    m.DefineLabel(2, nullptr, "@L", 3);
    m.symbols.FindOrAddSymbol(5, nullptr, "A", true)->kind = SymbolKind::Variable;
    m.symbols.RemoveScriptSymbols(2);
    EXPECT_EQ(m.symbols.FindSymbol(2, nullptr, "A"), nullptr);
    EXPECT_EQ(m.symbols.FindLabel(2, nullptr, "L"), -1);
    EXPECT_NE(m.symbols.FindSymbol(2, nullptr, "$S"), nullptr);
    EXPECT_NE(m.symbols.FindSymbol(5, nullptr, "A"), nullptr);
    int listed = 0;
    for (SymtbEntry* e = m.symbols.FirstDefined(); e; e = SymbolTable::NextDefined(e))
        ++listed;
    EXPECT_EQ(listed, 2);
}

TEST(Symbols, LongestChainCountsCollisions)
{
    TestMachine m;
    int before = m.symbols.LongestChain();
    // "AB" and the names that hash to the same bucket pile up in one chain.
    std::vector<std::string> same;
    for (int i = 0; i < 5000 && same.size() < 6; ++i) {
        std::string n = "V" + std::to_string(i);
        if (SymbolTable::BucketOf(n) == SymbolTable::BucketOf("V0"))
            same.push_back(n);
    }
    for (const std::string& n : same)
        m.symbols.FindOrAddSymbol(1, nullptr, n, true);
    EXPECT_GE(m.symbols.LongestChain(), static_cast<int>(same.size()));
    EXPECT_GE(m.symbols.LongestChain(), before);
}
