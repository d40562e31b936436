// Reading variables, read selection and stores through selectors, with the
// exact messages of failed stores.
#include "core/selection.h"
#include "tests/unit/core/value_builders.h"

#include <gtest/gtest.h>

namespace palavrino::core {
namespace {

    using namespace test_values;
    // A selector as the parser builds it: "[a, b]" is L({a, b}), ".nome" is
    // L({S("nome")}).
    using Selectors = std::vector<Value>;

    void ExpectValue(const Value& actual, const Value& expected)
    {
        EXPECT_EQ(KindName(actual.kind()), KindName(expected.kind()));
        EXPECT_EQ(ValueToText(actual), ValueToText(expected));
    }

    TEST(Selection, ReadVariableHonoursIterators)
    {
        Value holes = L({ I(1), I(2) });
        holes.List().InsertHoles(1, 1);
        struct Case {
            int32_t iterator;
            Value over;
            Value expected;
        };
        const Case cases[] = {
            { -1, L({ I(1) }), L({ I(1) }) },
            { -1, Value(), X() },
            { 2, R(10, 20), I(12) },
            { 2, R(20, 10), I(18) },
            { 0, R(5, 5), I(5) },
            { 1, S("abc"), S("b") },
            { 3, S("abc"), U() },
            { 0, L({ I(7), I(8) }), I(7) },
            { 2, L({ I(7), I(8) }), U() },
            { 1, holes, U() },
            { 0, D({ { "a", I(1) } }), U() },
            { 0, I(5), U() },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.iterator) + " " + ValueToText(c.over));
            VarCell cell;
            cell.iterator = c.iterator;
            cell.value = c.over;
            ExpectValue(ReadVariable(cell), c.expected);
        }
        VarCell shared;
        shared.value = L({ I(1) });
        EXPECT_EQ(ReadVariable(shared).object(), shared.value.object());
    }

    struct SelectCase {
        Value from;
        Value selector;
        Value expected;
    };

    void RunSelectCases(const std::vector<SelectCase>& cases)
    {
        for (const SelectCase& c : cases) {
            SCOPED_TRACE(ValueToText(c.from) + ValueToText(c.selector));
            ExpectValue(Select(c.from, c.selector), c.expected);
        }
    }

    TEST(Selection, FromAString)
    {
        Value abc = S("abc");
        RunSelectCases({
            { abc, L({ I(1) }), S("a") },
            { abc, L({ I(0) }), S("") },
            { abc, L({ I(9) }), S("") },
            { abc, L({ I(-1) }), S("") },
            { abc, L({ R(3, 1) }), S("cba") },
            { abc, L({ R(2, 9) }), S("bc") },
            { abc, L({ R(-5, 2) }), S("ab") },
            { abc, L({ R(9, 0) }), S("cba") },
            { abc, L({ R(INT32_MIN, INT32_MAX) }), S("abc") },
            { abc, L({ R(4, 9) }), S("") },
            { S("abcd"), L({ S("c") }), S("3") },
            { S("abcd"), L({ S("cd") }), S("3") },
            { abc, L({ S("2") }), S("b") },
            { abc, L({ S("9") }), S("0") },
            { abc, L({ S("z") }), S("0") },
            { abc, L({ S("") }), S("0") },
            { abc, L({}), S("c") },
            { S(""), L({}), S("") },
            { abc, L({ I(3), I(1), S("b") }), S("ca2") },
            { abc, L({ L({ I(1), I(2) }), D({ { "x", I(3) } }) }), S("abc") },
            { abc, L({ L({}) }), S("c") },
            { abc, L({ U(), X(), I(2) }), S("b") },
            { abc, I(2), S("b") },
        });
    }

    TEST(Selection, FromAList)
    {
        Value l = L({ I(10), I(20), I(30) });
        Value holes = L({ I(1), I(2) });
        holes.List().InsertHoles(1, 1);
        RunSelectCases({
            { l, L({ I(0) }), I(10) },
            { l, L({ I(5) }), U() },
            { l, L({ I(-1) }), U() },
            { l, L({ R(1, 9) }), L({ I(20), I(30) }) },
            { l, L({ R(2, 0) }), L({ I(30), I(20), I(10) }) },
            { l, L({ R(9, -9) }), L({ I(30), I(20), I(10) }) },
            { l, L({ R(5, 9) }), L({}) },
            { l, L({ R(1, 1) }), I(20) },
            { l, L({}), I(30) },
            { L({}), L({}), U() },
            { l, L({ I(0), I(2) }), L({ I(10), I(30) }) },
            { l, L({ S("1") }), I(20) },
            { l, L({ S("x") }), U() },
            { l, L({ I(0), I(7) }), L({ I(10), U() }) },
            { l, L({ L({ I(0), I(1) }), L({ I(2) }) }), L({ I(10), I(20), I(30) }) },
            { l, L({ D({ { "k", I(1) } }) }), I(20) },
            { l, L({ I(0), U() }), X() },
            { l, L({ U() }), X() },
            { l, L({ R(0, 1), I(2) }), L({ I(10), I(20), I(30) }) },
            { L({ L({ I(1) }), I(2) }), L({ I(0), I(1) }), L({ I(1), I(2) }) },
            { holes, L({ I(1) }), U() },
            { holes, L({ R(0, 2) }), L({ I(1), U(), I(2) }) },
            { l, L({ D({}) }), L({}) },
        });
    }

    TEST(Selection, FromADictionary)
    {
        Value d = D({ { "a", I(1) }, { "b", I(2) }, { "1", S("um") }, { "2", S("dois") } });
        RunSelectCases({
            { d, L({ S("a") }), I(1) },
            { d, L({ S("a"), S("b") }), D({ { "a", I(1) }, { "b", I(2) } }) },
            { d, L({ S("c") }), U() },
            { d, L({ S("A") }), U() },
            { d, L({ I(1) }), S("um") },
            { d, L({ R(1, 3) }), D({ { "1", S("um") }, { "2", S("dois") }, { "3", U() } }) },
            { d, L({ R(2, 1) }), D({ { "2", S("dois") }, { "1", S("um") } }) },
            { d, L({ R(2, 2) }), S("dois") },
            { d, L({}), U() },
            { d, L({ D({ { "x", S("b") } }) }), I(2) },
            { d, L({ S("a"), S("zz") }), D({ { "a", I(1) }, { "zz", U() } }) },
            { d, L({ S("a"), U() }), X() },
            { d, L({ L({ S("a") }), S("b") }), D({ { "a", I(1) }, { "b", I(2) } }) },
            { d, L({ R(1, 2), S("a") }), D({ { "1", S("um") }, { "2", S("dois") }, { "a", I(1) } }) },
            { d, L({ U() }), X() },
            { d, L({ D({}) }), D({}) },
        });
    }

    TEST(Selection, FromValuesThatCannotBeSelected)
    {
        RunSelectCases({
            { I(5), L({ I(0) }), X() },
            { R(1, 3), L({ I(0) }), X() },
            { U(), L({ I(0) }), X() },
            { X(), L({}), X() },
        });
    }

    TEST(Selection, SelectionSharesTheSelectedObject)
    {
        Value inner = L({ I(1) });
        Value outer = L({ inner });
        Value got = Select(outer, L({ I(0) }));
        EXPECT_EQ(got.object(), inner.object());
    }

    TEST(Selection, SelectorHoldingItselfEnds)
    {
        Value selector = L({ I(1), I(2) });
        ListAppend(selector.List(), selector);
        Value l = L({ I(10), I(20) });
        EXPECT_TRUE(Select(l, selector).is(ValueKind::Invalid));
        EXPECT_EQ(ValueToText(Select(S("abc"), selector)), "ab");
        EXPECT_TRUE(Select(D({ { "0", I(1) } }), selector).is(ValueKind::Invalid));
        selector.List().MutableAt(2) = Value();
    }

    TEST(Selection, TargetTextShowsSelectorsAsLists)
    {
        Selectors selectors = { L({ I(1) }), L({ S("nome") }), L({ R(1, 2), I(3) }) };
        EXPECT_EQ(TargetText("L", selectors, 0), "L");
        EXPECT_EQ(TargetText("L", selectors, 2), "L[1][nome]");
        EXPECT_EQ(TargetText("L", selectors, 3), "L[1][nome][[1:2], 3]");
        EXPECT_EQ(TargetText("L", selectors, 9), "L[1][nome][[1:2], 3]");
    }

    // ---- Stores ----------------------------------------------------------------

    const std::string ITERATOR = "Tentativa de modificar o iterador ";
    const std::string STRING_VALUE = "Valor a ser atribu\xED"
                                     "do \xE9 incompat\xEDvel com uma cadeia";
    const std::string NOT_A_LIST = "Algo muito podre acontece aqui, sob seus olhos";

    std::string BadIndex(const std::string& selector, const std::string& target)
    {
        return "\xCDndice inv\xE1lido: \"" + selector + "\" para \"" + target + "\"";
    }

    std::string NotIndexable(const std::string& target, const std::string& kind)
    {
        return "\"" + target + "\" \xE9 do tipo \"" + kind + "\", n\xE3o \xE9 index\xE1vel";
    }

    struct StoreCase {
        Value start; // deep-copied before each store
        Selectors selectors;
        Value value;
        std::string shown; // the variable afterwards
        std::string message; // the one message reported, or none
    };

    void RunStoreCases(const char* name, const std::vector<StoreCase>& cases)
    {
        for (const StoreCase& c : cases) {
            VarCell cell;
            cell.value = DeepCopy(c.start);
            std::string trace = ValueToText(c.start);
            for (const Value& s : c.selectors)
                trace += ValueToText(s);
            SCOPED_TRACE(trace + " = " + ValueToText(c.value));
            RecordingSink sink;
            bool stored = AssignThrough(cell, name, c.selectors, c.value, sink);
            EXPECT_EQ(ValueToText(cell.value), c.shown);
            EXPECT_EQ(stored, c.message.empty());
            if (c.message.empty())
                EXPECT_TRUE(sink.messages.empty());
            else
                EXPECT_EQ(sink.messages, std::vector<std::string> { c.message });
        }
    }

    TEST(Store, IntoAList)
    {
        Value l3 = L({ I(1), I(2), I(3) });
        RunStoreCases("L",
            {
                { l3, {}, S("x"), "x", "" },
                { l3, { L({ I(1) }) }, I(9), "[1, 9, 3]", "" },
                { l3, { L({ I(7) }) }, I(4), "[1, 2, 3, 4]", "" },
                { l3, { L({}) }, I(5), "[1, 2, 3, 5]", "" },
                { l3, { L({ I(-1) }) }, I(0), "[1, 2, 3]", BadIndex("[-1]", "L") },
                { l3, { L({ S("2") }) }, I(0), "[1, 2, 0]", "" },
                { l3, { L({ S("x") }) }, I(0), "[1, 2, 3]", BadIndex("[x]", "L") },
                { l3, { L({ I(0), I(2) }) }, I(7), "[7, 2, 7]", "" },
                { l3, { L({ I(0), I(9), I(-1), I(1) }) }, I(7), "[7, 2, 3, 7]",
                    BadIndex("[0, 9, -1, 1]", "L") },
                { l3, { L({ R(0, 1) }) }, I(0), "[0, 0, 3]", "" },
                { L({ I(0) }), { L({ R(5, 7) }) }, I(1), "[0, 1, 1, 1]", "" },
                { l3, { L({ L({ I(0), L({ I(2) }) }) }) }, I(8), "[8, 2, 8]", "" },
                { l3, { L({ D({ { "a", I(1) } }) }) }, I(8), "[1, 8, 3]", "" },
                { l3, { L({ U() }) }, I(8), "[1, 2, 3]", BadIndex("[indefinido]", "L") },
                { l3, { L({ I(0) }) }, L({ I(5) }), "[[5], 2, 3]", "" },
                { l3, { L({ I(0) }) }, U(), "[indefinido, 2, 3]", "" },
                { L({}), { L({ I(0) }) }, I(1), "[1]", "" },
            });
    }

    TEST(Store, SlicesOfAList)
    {
        Value l5 = L({ I(0), I(1), I(2), I(3), I(4) });
        Value abc = L({ S("a"), S("b"), S("c") });
        RunStoreCases("L",
            {
                { l5, { L({ R(1, 2) }) }, abc, "[0, a, b, c, 3, 4]", "" },
                { l5, { L({ R(1, 3) }) }, L({}), "[0, 4]", "" },
                { l5, { L({ R(3, 1) }) }, L({ S("x"), S("y"), S("z") }), "[0, z, y, x, 4]", "" },
                { l5, { L({ R(1, 2) }) }, L({ I(5), I(6), I(7), I(8), I(9) }), "[0, 5, 6, 7, 8, 9, 3, 4]",
                    "" },
                { l5, { L({ R(3, 9) }) }, L({ I(7) }), "[0, 1, 2, 7]", "" },
                { l5, { L({ R(-1, 2) }) }, abc, "[0, 1, 2, 3, 4]", BadIndex("[[-1:2]]", "L") },
                { l5, { L({ R(5, 6) }) }, abc, "[0, 1, 2, 3, 4]", BadIndex("[[5:6]]", "L") },
                { l5, { L({ R(0, 4) }) }, L({ I(1) }), "[1]", "" },
                { l5, { L({ R(2, 2) }) }, abc, "[0, 1, a, b, c, 3, 4]", "" },
            });
    }

    TEST(Store, SliceFromTheListItselfAndHolesInTheValue)
    {
        RecordingSink sink;
        VarCell cell;
        cell.value = L({ I(0), I(1), I(2) });
        Value self = cell.value;
        ASSERT_TRUE(AssignThrough(cell, "L", { L({ R(1, 1) }) }, self, sink));
        EXPECT_EQ(ValueToText(cell.value), "[0, 0, 1, 2, 2]");

        Value with_hole = L({ I(8), I(9) });
        with_hole.List().InsertHoles(1, 1);
        ASSERT_TRUE(AssignThrough(cell, "L", { L({ R(0, 0) }) }, with_hole, sink));
        EXPECT_EQ(ValueToText(cell.value), "[8, indefinido, 9, 0, 1, 2, 2]");
        for (int32_t i = 0; i < cell.value.List().Count(); ++i)
            EXPECT_FALSE(cell.value.List().IsHole(i));
        EXPECT_TRUE(sink.messages.empty());
    }

    TEST(Store, IntoAHoleFails)
    {
        RecordingSink sink;
        VarCell cell;
        cell.value = L({ I(1), I(2) });
        cell.value.List().InsertHoles(1, 1);
        EXPECT_FALSE(AssignThrough(cell, "L", { L({ I(1) }) }, I(5), sink));
        EXPECT_EQ(sink.messages, std::vector<std::string> { BadIndex("[1]", "L") });
        EXPECT_EQ(ValueToText(cell.value), "[1, ?, 2]");
    }

    TEST(Store, IntoAString)
    {
        Value abc = S("abc");
        RunStoreCases("S",
            {
                { abc, { L({ I(2) }) }, S("XY"), "aXYc", "" },
                { abc, { L({ I(2) }) }, S(""), "ac", "" },
                { abc, { L({ I(1) }) }, I(65), "Abc", "" },
                { abc, { L({ I(1) }) }, I(256), " bc", "" },
                { abc, { L({ I(1) }) }, I(-1), " bc", "" },
                { abc, { L({ R(1, 2) }) }, I(42), "**c", "" },
                { abc, { L({ R(2, 3) }) }, I(1000), "a  ", "" },
                { abc, { L({ R(1, 2) }) }, S("xyz"), "xyzc", "" },
                { abc, { L({ R(3, 1) }) }, S("xyz"), "zyx", "" },
                { abc, { L({}) }, I(33), "abc!", "" },
                { abc, { L({}) }, I(300), "abc ", "" },
                { abc, { L({}) }, S("de"), "abcde", "" },
                { abc, { L({ L({}) }) }, S("d"), "abcd", "" },
                { abc, { L({ I(1), I(3) }) }, S("_"), "_b_", "" },
                { abc, { L({ I(0) }) }, S("x"), "abc", BadIndex("[0]", "S") },
                { abc, { L({ I(4) }) }, S("x"), "abc", BadIndex("[4]", "S") },
                { abc, { L({ R(0, 2) }) }, S("x"), "abc", BadIndex("[[0:2]]", "S") },
                { abc, { L({ R(2, 4) }) }, S("x"), "abc", BadIndex("[[2:4]]", "S") },
                { abc, { L({ S("1") }) }, S("x"), "abc", BadIndex("[1]", "S") },
                { abc, { L({ I(1), I(9) }) }, S("x"), "xbc", BadIndex("[1, 9]", "S") },
                { abc, { L({ I(1) }), L({ I(1) }) }, S("x"), "abc", BadIndex("[1]", "S") },
                { abc, { L({ I(1) }) }, L({ I(1) }), "abc", STRING_VALUE },
                { abc, { L({ I(1) }) }, U(), "abc", STRING_VALUE },
            });
    }

    TEST(Store, IntoADictionary)
    {
        Value ab = D({ { "a", I(1) }, { "b", I(2) } });
        RunStoreCases("D",
            {
                { ab, { L({ S("a") }) }, I(9), "{\"a\" : 9, \"b\" : 2}", "" },
                { ab, { L({ S("c") }) }, I(3), "{\"a\" : 1, \"b\" : 2, \"c\" : 3}", "" },
                { ab, { L({ I(7) }) }, I(3), "{\"a\" : 1, \"b\" : 2, \"7\" : 3}", "" },
                { ab, { L({ R(2, 1) }) }, I(0), "{\"a\" : 1, \"b\" : 2, \"1\" : 0, \"2\" : 0}", "" },
                { ab, { L({ S("a"), S("z") }) }, I(0), "{\"a\" : 0, \"b\" : 2, \"z\" : 0}", "" },
                { ab, { L({ L({ S("a"), S("b") }) }) }, I(5), "{\"a\" : 5, \"b\" : 5}", "" },
                { ab, { L({}) }, I(5), "{\"a\" : 1, \"b\" : 2}", "" },
                { ab, { L({ U() }) }, I(5), "{\"a\" : 1, \"b\" : 2}", BadIndex("[indefinido]", "D") },
                { ab, { L({ S("x") }), L({ S("y") }) }, I(1), "{\"a\" : 1, \"b\" : 2}",
                    BadIndex("[x]", "D") },
                { ab, { L({ S("a") }), L({ I(1) }) }, I(5), "{\"a\" : 1, \"b\" : 2}",
                    NotIndexable("D[a]", "inteiro") },
                { D({}), { L({ S("x") }) }, D({}), "{\"x\" : {}}", "" },
                { D({ { "x", D({}) } }), { L({ S("x") }), L({ S("y") }) }, I(1), "{\"x\" : {\"y\" : 1}}",
                    "" },
                { D({ { "x", L({ I(1) }) } }), { L({ S("x") }), L({ I(0) }) }, I(5), "{\"x\" : [5]}", "" },
            });
    }

    TEST(Store, MessagesForSlotsThatCannotBeIndexed)
    {
        RunStoreCases("X",
            {
                { I(5), { L({ I(1) }) }, I(2), "5", NotIndexable("X", "inteiro") },
                { Value(), { L({ I(1) }) }, I(2), "inv\xE1lido", NotIndexable("X", "inv\xE1lido") },
                { U(), { L({}) }, I(2), "indefinido", NotIndexable("X", "indefinido") },
                { R(1, 2), { L({ I(0) }) }, I(2), "[1:2]", NotIndexable("X", "faixa") },
                { L({ I(5) }), { L({ I(0) }), L({ I(1) }) }, I(2), "[5]", NotIndexable("X[0]", "inteiro") },
                { L({ L({ I(5) }) }), { L({ I(0) }), L({ I(3) }), L({ I(0) }) }, I(2), "[[5]]",
                    BadIndex("[3]", "X[0]") },
                { L({ I(5) }), { I(0) }, I(2), "[5]", NOT_A_LIST },
            });
    }

    TEST(Store, IteratorsCannotBeAssigned)
    {
        RecordingSink sink;
        VarCell cell;
        cell.iterator = 0;
        cell.value = L({ I(1), I(2) });
        EXPECT_FALSE(AssignThrough(cell, "I", {}, I(3), sink));
        EXPECT_EQ(sink.messages, std::vector<std::string> { ITERATOR + "I" });
        EXPECT_EQ(ValueToText(cell.value), "[1, 2]");
    }

    TEST(Store, MissingIntermediateKeyFailsUntilItExists)
    {
        RecordingSink sink;
        VarCell d;
        d.value = D({});
        const Selectors xy = { L({ S("x") }), L({ S("y") }) };
        EXPECT_FALSE(AssignThrough(d, "D", xy, I(1), sink));
        EXPECT_EQ(sink.messages, std::vector<std::string> { BadIndex("[x]", "D") });
        EXPECT_TRUE(AssignThrough(d, "D", { L({ S("x") }) }, D({}), sink));
        EXPECT_TRUE(AssignThrough(d, "D", xy, I(1), sink));
        EXPECT_EQ(ValueToText(d.value), "{\"x\" : {\"y\" : 1}}");
        EXPECT_EQ(sink.messages.size(), 1u);
    }

    TEST(Store, EveryOwnerSeesTheChange)
    {
        RecordingSink sink;
        VarCell a;
        a.value = L({ I(1) });
        VarCell b;
        b.value = a.value;
        ASSERT_TRUE(AssignThrough(b, "B", { L({ I(0) }) }, I(5), sink));
        EXPECT_EQ(ValueToText(a.value), "[5]");

        VarCell s;
        s.value = S("abc");
        VarCell t;
        t.value = s.value;
        ASSERT_TRUE(AssignThrough(t, "T", { L({ I(1) }) }, S("X"), sink));
        EXPECT_EQ(s.value.Text(), "Xbc");

        // A plain store replaces the variable's value without touching the old one.
        ASSERT_TRUE(AssignThrough(t, "T", {}, I(1), sink));
        EXPECT_EQ(s.value.Text(), "Xbc");
    }

    TEST(Store, ThroughAListThatHoldsItself)
    {
        RecordingSink sink;
        VarCell cell;
        cell.value = L({ I(0) });
        Value self = cell.value;
        ASSERT_TRUE(AssignThrough(cell, "L", { L({ I(0) }) }, self, sink));
        EXPECT_EQ(ValueToText(cell.value), "[[...]]");
        // L[0][5, 6] = 1 appends twice to L itself while walking through it.
        ASSERT_TRUE(AssignThrough(cell, "L", { L({ I(0) }), L({ I(5), I(6) }) }, I(1), sink));
        EXPECT_EQ(ValueToText(cell.value), "[[...], 1, 1]");
        ASSERT_TRUE(AssignThrough(cell, "L", { L({ I(0) }), L({ R(0, 0) }) }, L({ I(7), I(8), I(9) }), sink));
        EXPECT_EQ(ValueToText(cell.value), "[7, 8, 9, 1, 1]");
        EXPECT_TRUE(sink.messages.empty());
    }

    TEST(Store, SelectorThatChangesWhileUsedIsWalkedOnce)
    {
        RecordingSink sink;
        VarCell cell;
        cell.value = L({ I(9) });
        Value selector = cell.value; // L[L] = 9 appends through its own selector
        ASSERT_TRUE(AssignThrough(cell, "L", { L({ selector }) }, I(9), sink));
        EXPECT_EQ(ValueToText(cell.value), "[9, 9]");
    }

    TEST(Store, SelectorHoldingItselfIsRefused)
    {
        RecordingSink sink;
        VarCell cell;
        cell.value = L({ I(0), I(0) });
        Value element = L({ I(1) });
        ListAppend(element.List(), element);
        EXPECT_FALSE(AssignThrough(cell, "L", { L({ element }) }, I(5), sink));
        EXPECT_EQ(ValueToText(cell.value), "[0, 5]");
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].substr(0, 9), "\xCDndice in");
        element.List().MutableAt(1) = Value();
    }

} // namespace
} // namespace palavrino::core
