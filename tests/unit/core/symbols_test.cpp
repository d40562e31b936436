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

// A million names in 4001 buckets: the bucket chains stay as they were (so
// LongestChain reports the same clustering), but adding takes constant time
// and a lookup examines only the entries of its own name. Before, every add
// walked the whole bucket, and a million names took tens of seconds.
TEST(Symbols, AMillionNamesLoadWithoutWalkingTheirBuckets)
{
    TestMachine m;
    constexpr int N = 1'000'000;
    std::vector<int> lengths(SymbolTable::BUCKETS, 0);
    int builtin_longest = m.symbols.LongestChain();
    uint64_t examined_before = m.symbols.EntriesExamined();
    for (int i = 0; i < N; ++i) {
        std::string name = "@R" + std::to_string(i);
        SymtbEntry* e = m.symbols.FindOrAddSymbol(1, nullptr, name, true);
        ASSERT_EQ(e->kind, SymbolKind::Undefined);
        e->kind = SymbolKind::Label;
        e->line = i;
        ++lengths[static_cast<size_t>(SymbolTable::BucketOf(name))];
    }
    // Each name was new: nothing of the same name was there to examine.
    EXPECT_EQ(m.symbols.EntriesExamined(), examined_before);
    int longest = 0;
    for (int n : lengths)
        longest = std::max(longest, n);
    EXPECT_GE(m.symbols.LongestChain(), longest);
    EXPECT_GE(m.symbols.LongestChain(), builtin_longest);
    for (int i = 0; i < N; i += 997)
        ASSERT_EQ(m.symbols.FindLabel(1, nullptr, "R" + std::to_string(i)), i);
    EXPECT_EQ(m.symbols.FindLabel(2, nullptr, "R5"), -1);
    // Every lookup above examined exactly one entry, whatever its bucket held.
    EXPECT_EQ(m.symbols.EntriesExamined(), examined_before + (N + 996) / 997 + 1);
    // Removing the slot empties the chains again, and the table still works.
    m.symbols.RemoveScriptSymbols(1);
    EXPECT_EQ(m.symbols.LongestChain(), builtin_longest);
    EXPECT_EQ(m.symbols.FindLabel(1, nullptr, "R7"), -1);
    EXPECT_NE(m.symbols.FindOrAddSymbol(1, nullptr, "@R7", true), nullptr);
}

// Entries of one name keep their bucket order: built-ins first, then script
// names in the order they were made, whatever else shares the bucket.
TEST(Symbols, SameNameEntriesKeepTheirOrderAcrossRemovals)
{
    TestMachine m;
    SymtbEntry* f1 = m.symbols.FindOrAddSymbol(1, nullptr, "F", true);
    f1->kind = SymbolKind::UserFunction;
    SymtbEntry* f2 = m.symbols.FindOrAddSymbol(2, nullptr, "F", true);
    f2->kind = SymbolKind::UserFunction;
    SymtbEntry* x1 = m.symbols.FindOrAddSymbol(1, nullptr, "X", true);
    SymtbEntry* px = m.symbols.FindOrAddSymbol(1, f1, "X", true);
    SymtbEntry* qx = m.symbols.FindOrAddSymbol(1, f2, "X", true);
    EXPECT_EQ(m.symbols.FindSymbol(1, f1, "X"), px);
    EXPECT_EQ(m.symbols.FindSymbol(1, f2, "X"), qx);
    EXPECT_EQ(m.symbols.FindSymbol(1, nullptr, "X"), x1);
    EXPECT_EQ(m.symbols.FindOrAddSymbol(1, f1, "X", false), px);
    m.symbols.RemoveScriptSymbols(1);
    EXPECT_EQ(m.symbols.FindSymbol(1, f1, "X"), nullptr);
    EXPECT_EQ(m.symbols.FindSymbol(2, nullptr, "F"), f2);
    // A script name equal to a built-in's never hides the built-in.
    EXPECT_TRUE(m.symbols.FindOrAddSymbol(3, nullptr, "TAMANHO", true)->kind == SymbolKind::Native);
    SymtbEntry* x3 = m.symbols.FindOrAddSymbol(3, nullptr, "X", true);
    EXPECT_NE(x3, x1);
    EXPECT_EQ(m.symbols.FindSymbol(3, nullptr, "X"), x3);
}
