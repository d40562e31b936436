// Values and containers: the integer-text rule, display, equality, deep copy,
// sharing, holes, the heap counters, cycles and very deep nesting, and the
// list, dictionary and text operations.
#include "core/value.h"
#include "tests/unit/core/value_builders.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>

namespace palavrino::core {
namespace {

    using namespace test_values;
    std::string Show(const Value& v)
    {
        return ValueToText(v);
    }

    // A list of `depth` lists, each holding the next; the innermost is empty.
    Value Nested(int depth)
    {
        Value inner = Value::NewList();
        for (int i = 1; i < depth; ++i) {
            Value outer = Value::NewList();
            outer.List().Append(std::move(inner));
            inner = std::move(outer);
        }
        return inner;
    }

    std::string Brackets(int depth, const std::string& middle = "")
    {
        return std::string(static_cast<size_t>(depth), '[') + middle
            + std::string(static_cast<size_t>(depth), ']');
    }

    TEST(Value, KindNamesAreTheOnesTheLanguageShows)
    {
        EXPECT_EQ(KindName(ValueKind::Invalid), "inv\xE1lido");
        EXPECT_EQ(KindName(ValueKind::Undefined), "indefinido");
        EXPECT_EQ(KindName(ValueKind::Integer), "inteiro");
        EXPECT_EQ(KindName(ValueKind::Range), "faixa");
        EXPECT_EQ(KindName(ValueKind::String), "cadeia");
        EXPECT_EQ(KindName(ValueKind::Dictionary), "dicion\xE1rio");
        EXPECT_EQ(KindName(ValueKind::List), "lista");
    }

    TEST(Value, IntegerTextRule)
    {
        struct Case {
            const char* text;
            bool integer;
            int32_t value;
        };
        const Case cases[] = {
            { " 42", true, 42 },
            { "42", true, 42 },
            { "42 ", false, 0 },
            { "", false, 0 },
            { "   ", false, 0 },
            { "$1F", true, 31 },
            { "$FFFFFFFF", true, -1 },
            { "$ffffffff", true, -1 },
            { "$123456789", false, 0 },
            { "$", false, 0 },
            { "x1f", true, 31 },
            { "X10", true, 16 },
            { "0x10", true, 16 },
            { "0X7FFFFFFF", true, INT32_MAX },
            { "0x", false, 0 },
            { "x", false, 0 },
            { "-$1", false, 0 },
            { "$1G", false, 0 },
            { "+5", true, 5 },
            { "-5", true, -5 },
            { "+", false, 0 },
            { "-", false, 0 },
            { "- 5", false, 0 },
            { "007", true, 7 },
            { "00000000000000000001", true, 1 },
            { "2147483647", true, INT32_MAX },
            { "2147483648", false, 0 },
            { "-2147483648", true, INT32_MIN },
            { "-2147483649", false, 0 },
            { "99999999999999999999", false, 0 },
            { "12a", false, 0 },
            { "1.5", false, 0 },
            { "\t5", false, 0 },
            { "  -12", true, -12 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            int32_t n = 12345;
            EXPECT_EQ(IsIntegerText(c.text, &n), c.integer);
            if (c.integer) {
                EXPECT_EQ(n, c.value);
            }
            EXPECT_EQ(IsIntegerText(c.text), c.integer);
        }
    }

    TEST(Value, IntToTextWritesDecimal)
    {
        EXPECT_EQ(IntToText(0), "0");
        EXPECT_EQ(IntToText(-17), "-17");
        EXPECT_EQ(IntToText(INT32_MIN), "-2147483648");
        EXPECT_EQ(IntToText(INT32_MAX), "2147483647");
    }

    TEST(Value, DisplayForms)
    {
        Value holes = L({ I(1), I(2) });
        holes.List().InsertHoles(1, 2);
        struct Case {
            Value v;
            std::string shown;
        };
        const Case cases[] = {
            { Value(), "inv\xE1lido" },
            { U(), "indefinido" },
            { I(-42), "-42" },
            { R(3, -1), "[3:-1]" },
            { S("texto \"x\""), "texto \"x\"" },
            { L({}), "[]" },
            { D({}), "{}" },
            { L({ S("a"), S("b"), I(3) }), "[a, b, 3]" },
            { D({ { "k", S("diz \"oi\"") } }), "{\"k\" : \"diz \"\"oi\"\"\"}" },
            { D({ { "a", I(1) }, { "b", U() }, { "c", R(1, 2) } }),
                "{\"a\" : 1, \"b\" : indefinido, \"c\" : [1:2]}" },
            { L({ D({ { "s", S("x") } }), L({ S("y") }) }), "[{\"s\" : \"x\"}, [y]]" },
            { D({ { "l", L({ S("y"), I(2) }) } }), "{\"l\" : [y, 2]}" },
            { holes, "[1, ?, ?, 2]" },
            { L({ Value(), U() }), "[inv\xE1lido, indefinido]" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.shown);
            EXPECT_EQ(Show(c.v), c.shown);
        }
    }

    TEST(Value, TruthAndMeasure)
    {
        struct Case {
            Value v;
            bool truth;
            Value size;
        };
        const Case cases[] = {
            { Value(), false, Value() },
            { U(), false, Value() },
            { I(0), false, I(0) },
            { I(-7), true, I(7) },
            { I(INT32_MIN), true, I(INT32_MIN) },
            { R(0, 0), true, Value() },
            { S(""), false, I(0) },
            { S("a\xE7\xE3o"), true, I(4) },
            { L({}), false, I(0) },
            { L({ I(1), L({ I(2), I(3) }) }), true, I(2) },
            { D({}), false, I(0) },
            { D({ { "a", I(1) } }), true, I(1) },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(Show(c.v));
            EXPECT_EQ(IsTrue(c.v), c.truth);
            Value size = SizeOf(c.v);
            EXPECT_EQ(size.kind(), c.size.kind());
            EXPECT_EQ(Show(size), Show(c.size));
        }
        Value holes = L({ I(1) });
        holes.List().InsertHoles(0, 3);
        EXPECT_EQ(SizeOf(holes).AsInt(), 4); // holes are counted
    }

    TEST(Value, ElementEquality)
    {
        Value shared = L({ I(1) });
        struct Case {
            Value a;
            Value b;
            bool equal;
        };
        const Case cases[] = {
            { L({ I(1), I(2) }), L({ I(1), I(2) }), true },
            { L({ I(1), I(2) }), L({ I(2), I(1) }), false },
            { L({ I(1) }), L({ I(1), I(1) }), false },
            { Value(), Value(), false },
            { U(), U(), true },
            { I(1), S("1"), false },
            { S("1"), S("01"), false },
            { S("a"), S("A"), false },
            { R(1, 2), R(1, 2), true },
            { R(1, 2), R(2, 1), false },
            { L({ Value() }), L({ Value() }), false },
            { L({ U() }), L({ U() }), true },
            { shared, shared, true },
            { D({ { "a", I(1) }, { "b", S("x") } }), D({ { "b", S("x") }, { "a", I(1) } }), true },
            { D({ { "a", I(1) } }), D({ { "a", S("1") } }), false },
            { D({ { "a", I(1) } }), D({ { "b", I(1) } }), false },
            { D({ { "a", L({ I(1) }) } }), D({ { "a", L({ I(1) }) } }), true },
            { D({ { "a", U() } }), D({ { "a", U() } }), false },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(Show(c.a) + " / " + Show(c.b));
            EXPECT_EQ(ValuesEqual(c.a, c.b), c.equal);
        }
        // A dictionary that holds a range is not equal even to itself.
        Value with_range = D({ { "r", R(1, 2) } });
        EXPECT_FALSE(ValuesEqual(with_range, with_range));
        EXPECT_FALSE(DictEqual(with_range.Dict(), with_range.Dict()));
    }

    TEST(Value, HolesMatchOnlyHoles)
    {
        Value a = L({ I(1), I(2) });
        a.List().InsertHoles(1, 1);
        Value b = L({ I(1), I(2) });
        b.List().InsertHoles(1, 1);
        Value c = L({ I(1), Value(), I(2) });
        EXPECT_TRUE(ListEqual(a.List(), b.List()));
        EXPECT_FALSE(ListEqual(a.List(), c.List()));
    }

    TEST(Value, CopiesShareAndDeepCopyBreaksSharing)
    {
        Value a = L({ I(1) });
        Value b = a;
        EXPECT_EQ(a.object()->refs(), 2u);
        ListAppend(b.List(), I(2));
        EXPECT_EQ(Show(a), "[1, 2]");

        Value c = DeepCopy(a);
        ListAppend(c.List(), I(3));
        EXPECT_EQ(Show(a), "[1, 2]");
        EXPECT_EQ(Show(c), "[1, 2, 3]");

        Value s = S("abc");
        Value t = s;
        t.MutableText()[0] = 'X';
        EXPECT_EQ(s.Text(), "Xbc");
        Value u = DeepCopy(s);
        EXPECT_NE(u.object(), s.object());
        EXPECT_EQ(u.Text(), "Xbc");

        b.Clear();
        EXPECT_EQ(a.object()->refs(), 1u);
    }

    TEST(Value, DeepCopyDropsHolesAndInvalidEntries)
    {
        Value inner = L({ I(9) });
        Value l = L({ I(1), inner, I(2) });
        l.List().InsertHoles(1, 2);
        Value copy = DeepCopy(l);
        EXPECT_EQ(Show(copy), "[1, [9], 2]");
        EXPECT_NE(copy.List().At(1).object(), inner.object());

        Value d = D({ { "a", I(1) }, { "b", Value() }, { "c", R(1, 2) } });
        EXPECT_EQ(Show(DeepCopy(d)), "{\"a\" : 1, \"c\" : [1:2]}");

        EXPECT_EQ(Show(DeepCopy(I(5))), "5");
        EXPECT_TRUE(DeepCopy(U()).is(ValueKind::Undefined));
    }

    TEST(Value, DeepCopyCopiesEveryOccurrenceOfSharedParts)
    {
        Value x = L({ I(1) });
        Value y = L({ x, x });
        Value copy = DeepCopy(y);
        EXPECT_NE(copy.List().At(0).object(), copy.List().At(1).object());
        EXPECT_NE(copy.List().At(0).object(), x.object());
    }

    TEST(Value, Conversions)
    {
        Value v = S(" 12");
        EXPECT_EQ(ToInteger(v), ValueKind::Integer);
        EXPECT_EQ(v.AsInt(), 12);
        v = S("12a");
        EXPECT_EQ(ToInteger(v), ValueKind::Invalid);
        v = L({});
        EXPECT_EQ(ToInteger(v), ValueKind::List);
        v = U();
        EXPECT_EQ(ToInteger(v), ValueKind::Undefined);

        v = I(-3);
        EXPECT_EQ(ToText(v), ValueKind::String);
        EXPECT_EQ(v.Text(), "-3");
        v = U();
        EXPECT_EQ(ToText(v), ValueKind::String);
        EXPECT_EQ(v.Text(), "indefinido");
        v = L({ S("a"), I(1) });
        EXPECT_EQ(ToText(v), ValueKind::String);
        EXPECT_EQ(v.Text(), "[a, 1]");
        v = R(1, 5);
        ToText(v);
        EXPECT_EQ(v.Text(), "[1:5]");
        v = Value();
        EXPECT_EQ(ToText(v), ValueKind::Invalid);
    }

    TEST(Value, UpperTextRaisesAsciiAndTheHighLetters)
    {
        EXPECT_EQ(UpperText("abc XYZ 1!"), "ABC XYZ 1!");
        EXPECT_EQ(UpperText("a\xE7\xE3o \xE0\xFF"), "A\xC7\xC3O \xC0\xDF");
        EXPECT_EQ(UpperText("\xC7\xB5\xDF"), "\xC7\xB5\xDF");
    }

    TEST(Value, HeapCountersFollowAllocationAndRelease)
    {
        HeapStats stats;
        {
            HeapStatsScope scope(stats);
            {
                Value l = L({ I(1), I(2), S("x") });
                Value d = D({ { "a", I(1) }, { "b", I(2) } });
                EXPECT_EQ(stats.objects, 3);
                EXPECT_EQ(stats.list_cells, 3);
                EXPECT_EQ(stats.dict_nodes, 2);
                l.List().InsertHoles(0, 5);
                EXPECT_EQ(stats.list_cells, 3); // holes are not cells
                l.List().MutableAt(0) = I(7);
                EXPECT_EQ(stats.list_cells, 4);
                l.List().Erase(0, 3);
                EXPECT_EQ(stats.list_cells, 3);
                Value taken = l.List().Take(0); // a hole
                EXPECT_EQ(stats.list_cells, 3);
                taken = l.List().Take(2);
                EXPECT_EQ(stats.list_cells, 2);
                taken = DictRemove(d.Dict(), S("a"));
                EXPECT_EQ(stats.dict_nodes, 1);
            }
            EXPECT_EQ(stats.objects, 0);
            EXPECT_EQ(stats.list_cells, 0);
            EXPECT_EQ(stats.dict_nodes, 0);

            HeapStats inner;
            {
                HeapStatsScope nested(inner);
                Value s = S("y");
                EXPECT_EQ(&ActiveHeapStats(), &inner);
                EXPECT_EQ(inner.objects, 1);
            }
            EXPECT_EQ(&ActiveHeapStats(), &stats);
            EXPECT_EQ(inner.objects, 0);
            EXPECT_EQ(stats.objects, 0);
        }
        EXPECT_NE(&ActiveHeapStats(), &stats);
    }

    TEST(Value, HolesReadAsInvalidAndGetAsUndefined)
    {
        Value l = L({ I(1), I(2) });
        l.List().InsertHoles(1, 1);
        EXPECT_TRUE(l.List().IsHole(1));
        EXPECT_FALSE(l.List().IsHole(0));
        EXPECT_FALSE(l.List().IsHole(99));
        EXPECT_TRUE(l.List().At(1).is(ValueKind::Invalid));
        EXPECT_TRUE(ListGet(l.List(), 1).is(ValueKind::Undefined));
        l.List().Swap(0, 1);
        EXPECT_EQ(Show(l), "[?, 1, 2]");
        ListPut(l.List(), 0, I(5));
        EXPECT_EQ(Show(l), "[5, 1, 2]");
        EXPECT_FALSE(l.List().IsHole(0));
    }

    TEST(Value, ReleaseOfTheLastOwnerFreesTheWholeTree)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        {
            Value root = L({ L({ S("a"), D({ { "k", L({ I(1) }) } }) }), S("b") });
            EXPECT_EQ(stats.objects, 6);
        }
        EXPECT_EQ(stats.objects, 0);
        EXPECT_EQ(stats.list_cells, 0);
        EXPECT_EQ(stats.dict_nodes, 0);
    }

    // ---- Cycles ----------------------------------------------------------------

    TEST(ValueCycles, ListHoldingItselfDisplaysComparesAndCopies)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        Value a = L({ I(1) });
        ListAppend(a.List(), a);
        EXPECT_EQ(Show(a), "[1, [...]]");
        EXPECT_TRUE(ValuesEqual(a, a));

        Value b = L({ I(1) });
        ListAppend(b.List(), b);
        EXPECT_TRUE(ValuesEqual(a, b)); // the same infinite shape
        Value c = L({ I(2) });
        ListAppend(c.List(), c);
        EXPECT_FALSE(ValuesEqual(a, c));

        Value copy = DeepCopy(a);
        EXPECT_NE(copy.object(), a.object());
        EXPECT_EQ(copy.List().At(1).object(), copy.object());
        EXPECT_EQ(Show(copy), "[1, [...]]");

        // Release leaks a cycle: dropping every outside owner frees nothing.
        Value keep = a;
        int64_t objects = stats.objects;
        a.Clear();
        EXPECT_EQ(stats.objects, objects);
        EXPECT_EQ(keep.object()->refs(), 2u);
        // Break the cycles so the test itself does not leak.
        for (Value* v : { &keep, &b, &c, &copy })
            v->List().MutableAt(1) = Value();
    }

    TEST(ValueCycles, DictionaryHoldingItselfAndMutualCycles)
    {
        Value d = D({ { "a", I(1) } });
        DictSet(d.Dict(), "eu", d);
        EXPECT_EQ(Show(d), "{\"a\" : 1, \"eu\" : {...}}");
        EXPECT_TRUE(ValuesEqual(d, d));
        Value copy = DeepCopy(d);
        EXPECT_EQ(copy.Dict().Find("eu", false)->object(), copy.object());

        Value x = L({ S("x") });
        Value y = D({ { "x", x } });
        ListAppend(x.List(), y);
        EXPECT_EQ(Show(x), "[x, {\"x\" : [...]}]");
        EXPECT_EQ(Show(y), "{\"x\" : [x, {...}]}");
        EXPECT_TRUE(ValuesEqual(x, x));
        Value x2 = DeepCopy(x);
        const Value& y2 = x2.List().At(1);
        EXPECT_EQ(y2.Dict().Find("x", false)->object(), x2.object());

        *d.Dict().Find("eu", false) = Value();
        *copy.Dict().Find("eu", false) = Value();
        x.List().MutableAt(1) = Value();
        x2.List().MutableAt(1) = Value();
    }

    // ---- Depth limits ----------------------------------------------------------

    TEST(ValueDepth, DisplayAtTheLimitAndJustPastIt)
    {
        EXPECT_EQ(Show(Nested(MAX_VALUE_DEPTH)), Brackets(MAX_VALUE_DEPTH));
        EXPECT_EQ(Show(Nested(MAX_VALUE_DEPTH + 1)), Brackets(MAX_VALUE_DEPTH, "[...]"));
    }

    TEST(ValueDepth, EqualityAtTheLimitAndJustPastIt)
    {
        EXPECT_TRUE(ValuesEqual(Nested(MAX_VALUE_DEPTH), Nested(MAX_VALUE_DEPTH)));
        EXPECT_FALSE(ValuesEqual(Nested(MAX_VALUE_DEPTH + 1), Nested(MAX_VALUE_DEPTH + 1)));
    }

    TEST(ValueDepth, DeepCopySharesPastTheLimit)
    {
        Value original = Nested(MAX_VALUE_DEPTH + 2);
        Value copy = DeepCopy(original);
        const Value* from = &original;
        const Value* to = &copy;
        for (int level = 1; level <= MAX_VALUE_DEPTH; ++level) {
            ASSERT_NE(from->object(), to->object()) << level;
            from = &from->List().At(0);
            to = &to->List().At(0);
        }
        EXPECT_EQ(from->object(), to->object());
    }

    TEST(ValueDepth, HundredThousandDeepNestingIsHandledWithoutRecursion)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        {
            Value deep = Nested(100000);
            Value other = Nested(100000);
            EXPECT_EQ(stats.objects, 200000);
            EXPECT_EQ(Show(deep), Brackets(MAX_VALUE_DEPTH, "[...]"));
            EXPECT_FALSE(ValuesEqual(deep, other));
            Value copy = DeepCopy(deep);
            EXPECT_EQ(stats.objects, 200000 + MAX_VALUE_DEPTH);
            EXPECT_EQ(Show(copy), Show(deep));
            Value d = Value::NewDict();
            DictSet(d.Dict(), "k", deep);
            EXPECT_EQ(Show(d).substr(0, 8), "{\"k\" : [");
        }
        EXPECT_EQ(stats.objects, 0);
    }

    TEST(ValueDepth, MillionDeepListIsReleasedWithoutOverflow)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        {
            Value deep = Nested(1000000);
            EXPECT_EQ(stats.objects, 1000000);
        }
        EXPECT_EQ(stats.objects, 0);
        EXPECT_EQ(stats.list_cells, 0);
    }

    // ---- Dictionaries ----------------------------------------------------------

    TEST(Dict, IntegerAndTextKeysAddressTheSameEntry)
    {
        Value d = Value::NewDict();
        DictSetByValue(d.Dict(), I(1), S("um"));
        EXPECT_EQ(Show(DictGet(d.Dict(), S("1"))), "um");
        DictSetByValue(d.Dict(), S("1"), S("outro"));
        EXPECT_EQ(d.Dict().Count(), 1);
        EXPECT_EQ(Show(DictGet(d.Dict(), I(1))), "outro");

        DictSetByValue(d.Dict(), S("a"), I(1));
        DictSetByValue(d.Dict(), S("A"), I(2));
        EXPECT_EQ(d.Dict().Count(), 3);
        EXPECT_TRUE(DictGet(d.Dict(), S("b")).is(ValueKind::Undefined));
        EXPECT_TRUE(DictGet(d.Dict(), R(1, 1)).is(ValueKind::Undefined));
        std::string key;
        EXPECT_TRUE(KeyText(I(-5), &key));
        EXPECT_EQ(key, "-5");
        EXPECT_FALSE(KeyText(U(), &key));
    }

    TEST(Dict, SetKeepsPositionAndIgnoresInvalid)
    {
        Value d = D({ { "a", I(1) }, { "b", I(2) } });
        DictSet(d.Dict(), "a", I(9));
        DictSet(d.Dict(), "c", Value());
        DictSet(d.Dict(), "b", Value());
        EXPECT_EQ(Show(d), "{\"a\" : 9, \"b\" : 2}");
    }

    TEST(Dict, SetByValueOfEachKeyKind)
    {
        struct Case {
            Value key;
            std::string shown;
        };
        const Case cases[] = {
            { I(7), "{\"7\" : 0}" },
            { S("k"), "{\"k\" : 0}" },
            { R(3, 1), "{\"1\" : 0, \"2\" : 0, \"3\" : 0}" },
            { L({ I(1), S("x"), R(5, 6), L({ I(9) }) }), "{\"1\" : 0, \"x\" : 0, \"5\" : 0, \"6\" : 0}" },
            { D({ { "p", S("q") }, { "r", I(4) } }), "{\"q\" : 0, \"4\" : 0}" },
            { U(), "{}" },
            { Value(), "{}" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.shown);
            Value d = Value::NewDict();
            DictSetByValue(d.Dict(), c.key, I(0));
            EXPECT_EQ(Show(d), c.shown);
        }
        Value d = Value::NewDict();
        DictSetByValue(d.Dict(), R(INT32_MAX - 1, INT32_MAX), I(0));
        EXPECT_EQ(d.Dict().Count(), 2);
    }

    TEST(Dict, RemovePopAndKeys)
    {
        Value d = D({ { "a", I(1) }, { "b", I(2) }, { "7", I(3) } });
        EXPECT_TRUE(DictRemove(d.Dict(), S("z")).is(ValueKind::Invalid));
        EXPECT_TRUE(DictRemove(d.Dict(), L({})).is(ValueKind::Invalid));
        EXPECT_EQ(DictRemove(d.Dict(), I(7)).AsInt(), 3);
        EXPECT_EQ(Show(DictKeys(d.Dict())), "[a, b]");
        EXPECT_EQ(DictPopLast(d.Dict()).AsInt(), 2);
        EXPECT_EQ(DictPopLast(d.Dict()).AsInt(), 1);
        EXPECT_TRUE(DictPopLast(d.Dict()).is(ValueKind::Invalid));
        EXPECT_EQ(Show(d), "{}");
    }

    TEST(Dict, UnionMinusIntersectMerge)
    {
        Value a = D({ { "x", I(1) }, { "y", I(2) }, { "z", I(3) } });
        Value b = D({ { "y", I(20) }, { "w", I(4) } });
        EXPECT_EQ(Show(DictUnion(a.Dict(), b.Dict())), "{\"x\" : 1, \"y\" : 20, \"z\" : 3, \"w\" : 4}");

        // For each entry of a, the first entry of b with an equal value decides:
        // same key removes it (minus) or keeps it (intersect).
        Value c = D({ { "p", I(1) }, { "x", I(1) }, { "y", I(2) }, { "q", I(9) } });
        EXPECT_EQ(Show(DictMinus(a.Dict(), c.Dict())), "{\"x\" : 1, \"z\" : 3}");
        EXPECT_EQ(Show(DictIntersect(a.Dict(), c.Dict())), "{\"y\" : 2}");

        DictMerge(a.Dict(), b.Dict());
        EXPECT_EQ(Show(a), "{\"x\" : 1, \"y\" : 20, \"z\" : 3, \"w\" : 4}");
        DictMerge(a.Dict(), a.Dict());
        EXPECT_EQ(a.Dict().Count(), 4);
    }

    TEST(Dict, LargeDictionaryIndexAgreesWithLinearScan)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        std::mt19937 random(7);
        Value d = Value::NewDict();
        std::vector<std::string> model;
        for (int round = 0; round < 6000; ++round) {
            // Phases of growth and of shrinking, so the index is built, used
            // with dead entries, squeezed, dropped and built again.
            const bool shrinking = (round / 1500) % 2 == 1;
            std::string key = "k" + std::to_string(random() % 300);
            SCOPED_TRACE(round);
            if (random() % 4 < (shrinking ? 3u : 1u)) {
                auto it = std::find(model.begin(), model.end(), key);
                Value removed = DictRemove(d.Dict(), S(key));
                EXPECT_EQ(removed.is(ValueKind::Invalid), it == model.end());
                if (it != model.end())
                    model.erase(it);
            } else {
                DictSet(d.Dict(), key, S(key));
                if (std::find(model.begin(), model.end(), key) == model.end())
                    model.push_back(key);
            }
            ASSERT_EQ(d.Dict().Count(), static_cast<int32_t>(model.size()));
            ASSERT_EQ(stats.dict_nodes, static_cast<int64_t>(model.size()));
            std::string probe = "k" + std::to_string(random() % 300);
            bool present = std::find(model.begin(), model.end(), probe) != model.end();
            ASSERT_EQ(ValueToText(DictGet(d.Dict(), S(probe))), present ? probe : "indefinido");
            if (round % 97 == 0 || model.size() < 12) {
                ASSERT_EQ(d.Dict().Count(), static_cast<int32_t>(model.size()));
                for (size_t i = 0; i < model.size(); ++i) {
                    ASSERT_EQ(d.Dict().Entries()[i].key, model[i]);
                    ASSERT_EQ(d.Dict().IndexOf(model[i]), static_cast<int32_t>(i));
                }
                ASSERT_EQ(d.Dict().IndexOf("absent"), -1);
            }
        }
        // Popping takes the last live entry even with dead ones behind it.
        for (int i = 0; i < 40; ++i)
            DictSet(d.Dict(), "p" + std::to_string(i), I(i));
        for (int i = 0; i < 40; i += 2)
            DictRemove(d.Dict(), S("p" + std::to_string(i)));
        for (int i = 39; i >= 0; i -= 2)
            EXPECT_EQ(DictPopLast(d.Dict()).AsInt(), i);
        while (d.Dict().Count() > 0)
            DictPopLast(d.Dict());
        EXPECT_EQ(d.Dict().IndexOf("k1"), -1);
        EXPECT_EQ(stats.dict_nodes, 0);
    }

    TEST(Dict, RemovalFromTheMiddleOfALargeDictionaryKeepsOrder)
    {
        Value d = Value::NewDict();
        for (int i = 0; i < 20; ++i)
            DictSetByValue(d.Dict(), I(i), I(i));
        for (int i = 0; i < 20; i += 3)
            EXPECT_EQ(DictRemove(d.Dict(), I(i)).AsInt(), i);
        EXPECT_TRUE(DictRemove(d.Dict(), I(3)).is(ValueKind::Invalid));
        DictSetByValue(d.Dict(), I(3), S("back"));
        EXPECT_EQ(ValueToText(DictKeys(d.Dict())), "[1, 2, 4, 5, 7, 8, 10, 11, 13, 14, 16, 17, 19, 3]");
        EXPECT_EQ(d.Dict().IndexOf("3"), 13);
        EXPECT_EQ(ValueToText(d.Dict().TakeAt(0)), "1");
        EXPECT_EQ(ValueToText(DictGet(d.Dict(), I(3))), "back");
        EXPECT_EQ(d.Dict().Count(), 13);
    }

    // ---- Lists -----------------------------------------------------------------

    TEST(List, GetPutInsertRemove)
    {
        Value l = L({ I(10), I(20), I(30) });
        EXPECT_EQ(ListGet(l.List(), 0).AsInt(), 10);
        EXPECT_TRUE(ListGet(l.List(), 3).is(ValueKind::Undefined));
        EXPECT_TRUE(ListGet(l.List(), -1).is(ValueKind::Undefined));
        EXPECT_EQ(ListGetByText(l.List(), " 2").AsInt(), 30);
        EXPECT_TRUE(ListGetByText(l.List(), "x").is(ValueKind::Undefined));

        ListPut(l.List(), -1, I(0));
        ListPut(l.List(), 1, I(21));
        ListPut(l.List(), 99, I(40));
        EXPECT_EQ(Show(l), "[10, 21, 30, 40]");
        ListInsert(l.List(), -5, I(1));
        ListInsert(l.List(), 99, I(2));
        ListInsert(l.List(), 2, I(3));
        EXPECT_EQ(Show(l), "[1, 10, 3, 21, 30, 40, 2]");
        EXPECT_EQ(ListRemove(l.List(), 2).AsInt(), 3);
        EXPECT_TRUE(ListRemove(l.List(), 6).is(ValueKind::Invalid));
        EXPECT_TRUE(ListRemove(l.List(), -1).is(ValueKind::Invalid));

        Value one = L({ S("x") });
        EXPECT_EQ(ListRemove(one.List(), 0).Text(), "x");
        EXPECT_EQ(Show(one), "[]");
    }

    TEST(List, FindAndFindSub)
    {
        Value l = L({ I(1), S("a"), I(1), L({ I(2) }) });
        l.List().InsertHoles(1, 1); // [1, ?, a, 1, [2]]
        EXPECT_EQ(ListFind(l.List(), -3, I(1)), 0);
        EXPECT_EQ(ListFind(l.List(), 1, I(1)), 3);
        EXPECT_EQ(ListFind(l.List(), 0, L({ I(2) })), 4);
        EXPECT_EQ(ListFind(l.List(), 0, Value()), -1);
        EXPECT_EQ(ListFind(l.List(), 9, I(1)), -1);

        Value hay = L({ I(1), I(2), I(3), I(2), I(3) });
        struct Case {
            Value needle;
            int32_t at;
        };
        const Case cases[] = {
            { L({ I(2), I(3) }), 1 },
            { L({}), 0 },
            { L({ I(3), I(4) }), -1 },
            { L({ I(1), I(2), I(3), I(2), I(3), I(4) }), -1 },
            { L({ I(3) }), 2 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(Show(c.needle));
            EXPECT_EQ(ListFindSub(c.needle.List(), hay.List()), c.at);
        }
        Value needle = L({ I(1) });
        needle.List().InsertHoles(1, 1);
        EXPECT_EQ(ListFindSub(needle.List(), l.List()), 0);
    }

    TEST(List, ConcatMinusIntersectAppendAll)
    {
        Value a = L({ I(1), I(2), I(2), I(3) });
        a.List().InsertHoles(0, 1);
        Value b = L({ I(2), I(4) });
        EXPECT_EQ(Show(ListConcat(a.List(), b.List())), "[1, 2, 2, 3, 2, 4]");
        EXPECT_EQ(Show(ListMinus(a.List(), b.List())), "[1, 3]");
        EXPECT_EQ(Show(ListIntersect(a.List(), b.List())), "[2, 2]");
        ListAppendAll(b.List(), b.List());
        EXPECT_EQ(Show(b), "[2, 4, 2, 4]");
    }

    TEST(List, FindText)
    {
        Value l = L({ I(1), S("Casa"), S("casamento"), S("\xE7\xE3o"), S("casa") });
        struct Case {
            int32_t start;
            const char* s;
            bool ignore_case;
            bool partial;
            int32_t at;
        };
        const Case cases[] = {
            { 0, "casa", false, false, 4 },
            { 0, "casa", true, false, 1 },
            { 0, "casa", false, true, 2 },
            { 0, "CASA", true, true, 1 },
            { 2, "CASA", true, false, 4 },
            { -4, "Casa", false, false, 1 },
            { 5, "casa", false, false, -1 },
            { 0, "\xC7\xC3O", true, false, 3 },
            { 0, "\xC7\xC3O", false, false, -1 },
            { 0, "1", false, false, -1 },
            { 0, "", false, true, -1 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.s);
            EXPECT_EQ(ListFindText(l.List(), c.start, c.s, c.ignore_case, c.partial), c.at);
        }
    }

    // ---- Text utilities --------------------------------------------------------

    TEST(Text, SplitJoinPad)
    {
        EXPECT_EQ(Show(SplitWords("  um dois\t\ttres ")), "[um, dois, tres]");
        EXPECT_EQ(Show(SplitWords("")), "[]");
        EXPECT_EQ(Show(SplitBy("a,,b,", ",")), "[a, , b, ]");
        EXPECT_EQ(SplitBy("a,,b,", ",").List().Count(), 4);
        EXPECT_EQ(Show(SplitBy("abc", ";")), "[abc]");
        EXPECT_EQ(Show(SplitBy("abc", "")), "[abc]");
        EXPECT_EQ(Show(SplitBy("a::b", "::")), "[a, b]");
        // Separators are found left to right without overlapping; any byte,
        // NUL included, may separate.
        EXPECT_EQ(SplitBy("aaaaa", "aa").List().Count(), 3);
        EXPECT_EQ(Show(SplitBy("xaaay", "aa")), "[x, ay]");
        EXPECT_EQ(Show(SplitBy(std::string_view("a\0b\0", 4), std::string_view("\0", 1))), "[a, b, ]");
        EXPECT_EQ(SplitBy("", ",").List().Count(), 1);

        Value l = L({ S("a"), I(1), L({ S("x") }) });
        EXPECT_EQ(JoinList(l.List(), "-"), "a-1-[x]");
        l.List().InsertHoles(1, 1);
        EXPECT_EQ(JoinList(l.List(), "-"), "a-1-[x]");
        l.List().InsertHoles(4, 1);
        EXPECT_EQ(JoinList(l.List(), "-"), "a-1-[x]-");
        EXPECT_EQ(JoinList(L({}).List(), "-"), "");

        EXPECT_EQ(PadText("ab", 4), "ab  ");
        EXPECT_EQ(PadText("ab", -4), "  ab");
        EXPECT_EQ(PadText("abcde", 4), "abcde");
        EXPECT_EQ(PadText("ab", 0), "ab");
        EXPECT_EQ(Show(ListFromLines({ "um", "", "tr\xEAs" })), "[um, , tr\xEAs]");
    }

    // Freed texts are kept by the thread that frees them and handed out
    // again; texts made in one thread and freed in another, and texts freed
    // after a thread ended, must stay whole and be counted.
    TEST(Value, TextsSurviveReuseOfTheirBlocksAcrossThreads)
    {
        HeapStats stats;
        HeapStatsScope scope(stats);
        auto make = [](int round, int n) {
            Value list = Value::NewList();
            for (int i = 0; i < n; ++i)
                list.List().Append(Value::StringOf(std::to_string(round) + ":" + std::to_string(i)));
            return list;
        };
        auto whole = [](const Value& list, int round) {
            for (int32_t i = 0; i < list.List().Count(); ++i)
                if (list.List().At(i).Text() != std::to_string(round) + ":" + std::to_string(i))
                    return false;
            return true;
        };
        Value from_thread;
        std::thread worker([&] {
            HeapStatsScope worker_scope(stats);
            for (int round = 0; round < 3; ++round) {
                Value list = make(round, 6000); // more than are kept
                EXPECT_TRUE(whole(list, round));
            }
            from_thread = make(7, 100);
        });
        worker.join();
        EXPECT_TRUE(whole(from_thread, 7));
        Value here = make(8, 5000);
        from_thread.Clear(); // freed here, made there
        Value again = make(9, 5000);
        EXPECT_TRUE(whole(here, 8));
        EXPECT_TRUE(whole(again, 9));
        EXPECT_EQ(stats.objects, 2 + 10000);
        here.Clear();
        again.Clear();
        EXPECT_EQ(stats.objects, 0);
    }

} // namespace
} // namespace palavrino::core
