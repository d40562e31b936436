// The binary operators and the unary forms, one case per line: operands,
// expected result (kind and display form) and the messages reported.
#include "core/operators.h"
#include "tests/unit/core/value_builders.h"

#include <gtest/gtest.h>

namespace palavrino::core {
namespace {

    using namespace test_values;

    const std::string DIVISION_BY_ZERO = "Divis\xE3o por ZERO evitada";
    const std::string POWER_OVERFLOW = "Estouro durante potencia\xE7\xE3o";

    struct BinaryCase {
        Value left;
        OpCode op;
        Value right;
        Value expected;
        std::string message; // the one message reported, or none
    };

    std::string Describe(const BinaryCase& c)
    {
        return ValueToText(c.left) + " op" + std::to_string(static_cast<int>(c.op)) + " "
            + ValueToText(c.right);
    }

    void RunCases(const std::vector<BinaryCase>& cases)
    {
        for (const BinaryCase& c : cases) {
            SCOPED_TRACE(Describe(c));
            RecordingSink sink;
            Value left = c.left;
            ApplyOperator(c.op, left, c.right, sink);
            EXPECT_EQ(KindName(left.kind()), KindName(c.expected.kind()));
            EXPECT_EQ(ValueToText(left), ValueToText(c.expected));
            if (c.message.empty())
                EXPECT_TRUE(sink.messages.empty());
            else
                EXPECT_EQ(sink.messages, std::vector<std::string> { c.message });
        }
    }

    TEST(Operators, Equality)
    {
        RunCases({
            { U(), OpCode::Equal, U(), I(1), "" },
            { U(), OpCode::NotEqual, U(), I(0), "" },
            { U(), OpCode::Equal, I(0), I(0), "" },
            { S("x"), OpCode::NotEqual, U(), I(1), "" },
            { U(), OpCode::Equal, L({}), I(0), "" },
            { D({}), OpCode::Equal, U(), I(0), "" },
            { U(), OpCode::Equal, R(1, 2), X(), "" },
            { U(), OpCode::Equal, X(), X(), "" },
            { I(3), OpCode::Equal, I(3), I(1), "" },
            { I(3), OpCode::NotEqual, I(4), I(1), "" },
            { I(5), OpCode::Equal, S("5"), I(1), "" },
            { S("05"), OpCode::Equal, I(5), I(1), "" },
            { I(5), OpCode::Equal, S("x"), I(0), "" },
            { I(5), OpCode::Equal, S("5 "), I(0), "" },
            { S("10"), OpCode::Equal, S("010"), I(1), "" },
            { S("$A"), OpCode::Equal, S("10"), I(1), "" },
            { S("a"), OpCode::Equal, S("A"), I(0), "" },
            { S("abc"), OpCode::Equal, S("abc"), I(1), "" },
            { L({ I(1), I(2) }), OpCode::Equal, L({ I(1), I(2) }), I(1), "" },
            { L({ I(1), I(2) }), OpCode::NotEqual, L({ I(1) }), I(1), "" },
            { D({ { "a", I(1) } }), OpCode::Equal, D({ { "a", I(1) } }), I(1), "" },
            { D({ { "r", R(1, 2) } }), OpCode::Equal, D({ { "r", R(1, 2) } }), I(0), "" },
            { D({}), OpCode::Equal, L({}), X(), "" },
            { R(1, 2), OpCode::Equal, R(1, 2), X(), "" },
            { R(1, 2), OpCode::NotEqual, I(1), X(), "" },
            { X(), OpCode::Equal, X(), X(), "" },
            { I(1), OpCode::Equal, L({ I(1) }), X(), "" },
        });
    }

    TEST(Operators, Ordering)
    {
        RunCases({
            { S("abc"), OpCode::Less, S("abd"), I(1), "" },
            { S("10"), OpCode::Less, S("9"), I(0), "" },
            { S("B"), OpCode::Less, S("a"), I(1), "" },
            { S("ab"), OpCode::Less, S("abc"), I(1), "" },
            { S("abc"), OpCode::Greater, S("ab"), I(1), "" },
            { S("\xE9"), OpCode::Greater, S("z"), I(1), "" },
            { I(10), OpCode::Less, S("a"), I(1), "" },
            { S("a"), OpCode::Less, I(10), I(0), "" },
            { I(10), OpCode::Greater, S("9"), I(1), "" },
            { I(-1), OpCode::Less, I(0), I(1), "" },
            { I(INT32_MIN), OpCode::Less, I(INT32_MAX), I(1), "" },
            { I(2), OpCode::GreaterEqual, I(2), I(1), "" },
            { I(2), OpCode::LessEqual, I(1), I(0), "" },
            { U(), OpCode::GreaterEqual, U(), I(1), "" },
            { U(), OpCode::LessEqual, U(), I(1), "" },
            { U(), OpCode::Greater, U(), I(0), "" },
            { U(), OpCode::Less, U(), I(0), "" },
            { U(), OpCode::Less, I(5), I(0), "" },
            { U(), OpCode::GreaterEqual, I(5), I(0), "" },
            { S("x"), OpCode::LessEqual, U(), I(0), "" },
            { L({}), OpCode::Less, U(), I(0), "" },
            { U(), OpCode::Less, R(1, 1), X(), "" },
            { L({ I(1) }), OpCode::Less, L({ I(2) }), X(), "" },
            { D({}), OpCode::Greater, D({}), X(), "" },
            { R(1, 2), OpCode::Less, R(3, 4), X(), "" },
            { X(), OpCode::Less, I(1), X(), "" },
        });
    }

    TEST(Operators, PatternOperators)
    {
        RunCases({
            { S("abcabc"), OpCode::EndsWith, S("abc"), I(0), "" },
            { S("xabc"), OpCode::EndsWith, S("abc"), I(1), "" },
            { S("abc"), OpCode::EndsWith, S("abcd"), I(0), "" },
            { S("abc"), OpCode::BeginsWith, S(""), I(0), "" },
            { S("abc"), OpCode::Contains, S(""), I(0), "" },
            { S("abc"), OpCode::EndsWith, S(""), I(0), "" },
            { S("abc"), OpCode::BeginsWith, S("ab"), I(1), "" },
            { S("xab"), OpCode::BeginsWith, S("ab"), I(0), "" },
            { S("abc"), OpCode::Contains, S("bc"), I(1), "" },
            { S("abc"), OpCode::Contains, S("B"), I(0), "" },
            { L({ I(1), I(2), I(3) }), OpCode::Contains, L({ I(2), I(3) }), I(1), "" },
            { L({ I(1), I(2), I(3) }), OpCode::BeginsWith, L({}), I(1), "" },
            { L({ I(1), I(2), I(3) }), OpCode::Contains, L({}), I(1), "" },
            { L({ I(1), I(2), I(3) }), OpCode::EndsWith, L({}), I(0), "" },
            { L({}), OpCode::EndsWith, L({}), I(1), "" },
            { L({ I(1), I(2), I(3) }), OpCode::BeginsWith, L({ I(1), I(2) }), I(1), "" },
            { L({ I(1), I(2), I(3) }), OpCode::BeginsWith, L({ I(2) }), I(0), "" },
            { L({ I(1), I(2), I(3) }), OpCode::EndsWith, L({ I(2), I(3) }), I(1), "" },
            { L({ I(2), I(3), I(2), I(3) }), OpCode::EndsWith, L({ I(2), I(3) }), I(0), "" },
            { L({ I(1) }), OpCode::BeginsWith, L({ I(1), I(2) }), I(0), "" },
            { L({ I(1), I(2) }), OpCode::Contains, L({ I(3) }), I(0), "" },
            { I(123), OpCode::Contains, I(2), X(), "" },
            { S("123"), OpCode::Contains, I(2), X(), "" },
            { S("abc"), OpCode::Contains, L({}), X(), "" },
        });
    }

    TEST(Operators, Addition)
    {
        RunCases({
            { I(2), OpCode::Add, I(3), I(5), "" },
            { I(INT32_MAX), OpCode::Add, I(1), I(INT32_MIN), "" },
            { S("10"), OpCode::Add, I(5), I(15), "" },
            { S("10a"), OpCode::Add, I(5), S("10a5"), "" },
            { I(5), OpCode::Add, S("x"), S("5x"), "" },
            { I(-5), OpCode::Add, S(""), S("-5"), "" },
            { S("10"), OpCode::Add, S("5"), I(15), "" },
            { S("10"), OpCode::Add, S("a"), S("10a"), "" },
            { S("a"), OpCode::Add, S("b"), S("ab"), "" },
            { S("$10"), OpCode::Add, S(" 1"), I(17), "" },
            { L({ I(1) }), OpCode::Add, L({ I(2), I(3) }), L({ I(1), I(2), I(3) }), "" },
            { D({ { "a", I(1) }, { "b", I(2) } }), OpCode::Add, D({ { "b", I(3) }, { "c", I(4) } }),
                D({ { "a", I(1) }, { "b", I(3) }, { "c", I(4) } }), "" },
            { L({}), OpCode::Add, D({}), X(), "" },
            { I(1), OpCode::Add, U(), X(), "" },
            { I(1), OpCode::Add, R(1, 2), X(), "" },
            { X(), OpCode::Add, I(1), X(), "" },
            { S("a"), OpCode::Add, L({}), X(), "" },
        });
    }

    TEST(Operators, SubtractionAndMultiplication)
    {
        RunCases({
            { I(10), OpCode::Subtract, I(2), I(8), "" },
            { I(INT32_MIN), OpCode::Subtract, I(1), I(INT32_MAX), "" },
            { S("a"), OpCode::Subtract, I(1), X(), "" },
            { S("7"), OpCode::Subtract, S("2"), I(5), "" },
            { I(6), OpCode::Multiply, S("-7"), I(-42), "" },
            { I(65536), OpCode::Multiply, I(65536), I(0), "" },
            { S("x"), OpCode::Multiply, S("y"), X(), "" },
            { L({ I(1), I(2), I(2), I(3) }), OpCode::Subtract, L({ I(2) }), L({ I(1), I(3) }), "" },
            { L({ I(1), I(2), I(2), I(3) }), OpCode::Multiply, L({ I(2), I(3) }), L({ I(2), I(2), I(3) }),
                "" },
            { D({ { "a", I(1) }, { "b", I(2) } }), OpCode::Subtract, D({ { "a", I(1) } }),
                D({ { "b", I(2) } }), "" },
            { D({ { "a", I(1) }, { "b", I(2) } }), OpCode::Multiply, D({ { "a", I(1) } }),
                D({ { "a", I(1) } }), "" },
            { L({}), OpCode::Subtract, D({}), X(), "" },
            { U(), OpCode::Multiply, I(2), X(), "" },
        });
    }

    TEST(Operators, DivisionAndRemainder)
    {
        RunCases({
            { I(7), OpCode::Divide, I(2), I(3), "" },
            { I(-7), OpCode::Divide, I(2), I(-3), "" },
            { I(7), OpCode::Modulo, I(2), I(1), "" },
            { I(-7), OpCode::Modulo, I(2), I(-1), "" },
            { I(7), OpCode::Modulo, I(-2), I(1), "" },
            { I(5), OpCode::Divide, I(0), I(5), DIVISION_BY_ZERO },
            { I(5), OpCode::Modulo, I(0), I(0), DIVISION_BY_ZERO },
            { S("5"), OpCode::Divide, S("0"), I(5), DIVISION_BY_ZERO },
            { S("a"), OpCode::Divide, I(0), X(), "" },
            { I(INT32_MIN), OpCode::Divide, I(-1), I(INT32_MIN), "" },
            { I(INT32_MIN), OpCode::Modulo, I(-1), I(0), "" },
            { S("12"), OpCode::Divide, I(4), I(3), "" },
            { S("12"), OpCode::Divide, S("x"), X(), "" },
            { L({}), OpCode::Divide, L({}), X(), "" },
            { D({}), OpCode::Modulo, D({}), X(), "" },
        });
    }

    TEST(Operators, Power)
    {
        RunCases({
            { I(2), OpCode::Power, I(30), I(1073741824), "" },
            { I(2), OpCode::Power, I(31), X(), POWER_OVERFLOW },
            { I(-2), OpCode::Power, I(31), I(INT32_MIN), "" },
            { I(-2), OpCode::Power, I(32), X(), POWER_OVERFLOW },
            { I(2), OpCode::Power, I(64), X(), POWER_OVERFLOW },
            { I(3), OpCode::Power, I(20), X(), POWER_OVERFLOW },
            { I(5), OpCode::Power, I(-1), I(1), "" },
            { I(0), OpCode::Power, I(0), I(1), "" },
            { I(7), OpCode::Power, I(1), I(7), "" },
            { S("2"), OpCode::Power, S("10"), I(1024), "" },
            { S("a"), OpCode::Power, I(2), X(), "" },
            // Bases whose powers never overflow answer at once, however large
            // the exponent.
            { I(0), OpCode::Power, I(INT32_MAX), I(0), "" },
            { I(1), OpCode::Power, I(INT32_MAX), I(1), "" },
            { I(-1), OpCode::Power, I(INT32_MAX), I(-1), "" },
            { I(-1), OpCode::Power, I(2000000000), I(1), "" },
            { I(2), OpCode::Power, I(INT32_MAX), X(), POWER_OVERFLOW },
        });
    }

    TEST(Operators, LogicAndRange)
    {
        RunCases({
            { I(1), OpCode::And, I(2), I(1), "" },
            { I(1), OpCode::And, I(0), I(0), "" },
            { I(0), OpCode::Or, I(3), I(1), "" },
            { I(0), OpCode::Or, S(""), I(0), "" },
            { R(0, 0), OpCode::And, S("x"), I(1), "" },
            { L({}), OpCode::Or, D({}), I(0), "" },
            { L({ I(0) }), OpCode::And, D({ { "a", I(0) } }), I(1), "" },
            { U(), OpCode::Or, I(1), I(1), "" },
            { U(), OpCode::And, I(1), I(0), "" },
            { X(), OpCode::Or, I(1), X(), "" },
            { I(1), OpCode::And, X(), X(), "" },
            { I(1), OpCode::Range, I(3), R(1, 3), "" },
            { I(3), OpCode::Range, I(-1), R(3, -1), "" },
            { S("1"), OpCode::Range, I(3), X(), "" },
            { I(1), OpCode::Range, U(), X(), "" },
        });
    }

    TEST(Operators, OperatorsWithoutBinaryMeaningLeaveTheLeftOperand)
    {
        RunCases({
            { I(4), OpCode::Bar, I(1), I(4), "" },
            { S("x"), OpCode::None, I(1), S("x"), "" },
        });
    }

    TEST(Operators, ConcatenationNeverChangesASharedString)
    {
        RecordingSink sink;
        Value a = S("x");
        Value left = a;
        ApplyOperator(OpCode::Add, left, S("y"), sink);
        EXPECT_EQ(a.Text(), "x");
        EXPECT_EQ(left.Text(), "xy");
        ApplyOperator(OpCode::Add, left, I(1), sink); // sole owner: may grow in place
        EXPECT_EQ(left.Text(), "xy1");
        Value self = S("ab");
        Value right = self;
        ApplyOperator(OpCode::Add, self, right, sink);
        EXPECT_EQ(self.Text(), "abab");
        EXPECT_EQ(right.Text(), "ab");
    }

    TEST(Operators, ContainerResultsAreNewObjects)
    {
        RecordingSink sink;
        Value a = L({ I(1) });
        Value left = a;
        ApplyOperator(OpCode::Add, left, L({ I(2) }), sink);
        EXPECT_NE(left.object(), a.object());
        EXPECT_EQ(ValueToText(a), "[1]");
    }

    struct UnaryCase {
        OpCode op;
        Value operand;
        Value expected;
    };

    TEST(Operators, UnaryForms)
    {
        Value holes = L({ I(1), I(2) });
        holes.List().InsertHoles(1, 1);
        const UnaryCase cases[] = {
            { OpCode::Subtract, I(5), I(-5) },
            { OpCode::Subtract, I(INT32_MIN), I(INT32_MIN) },
            { OpCode::Subtract, S("abc"), S("cba") },
            { OpCode::Subtract, S(""), S("") },
            { OpCode::Subtract, L({ I(1), I(2) }), L({ I(2), I(1) }) },
            { OpCode::Subtract, L({}), L({}) },
            { OpCode::Subtract, holes, L({ I(2), I(1) }) },
            { OpCode::Subtract, U(), X() },
            { OpCode::Subtract, R(1, 2), X() },
            { OpCode::Subtract, D({}), X() },
            { OpCode::Greater, L({ I(3), I(9), I(2) }), I(9) },
            { OpCode::Less, L({ I(3), I(9), I(2) }), I(2) },
            { OpCode::Greater, L({ S("b"), S("c"), S("a") }), S("c") },
            { OpCode::Less, L({ S("b"), S("B"), S("\xE9") }), S("B") },
            { OpCode::Add, L({ S("a"), S("b") }), S("ab") },
            { OpCode::Add, L({ I(1), I(2), I(3) }), I(6) },
            { OpCode::Add, L({ I(INT32_MAX), I(1) }), I(INT32_MIN) },
            { OpCode::Multiply, L({ I(2), I(3), I(4) }), I(24) },
            { OpCode::Multiply, L({ S("a") }), X() },
            { OpCode::Add, L({ I(1), S("a") }), X() },
            { OpCode::Add, L({}), X() },
            { OpCode::Greater, L({ L({ I(1) }) }), X() },
            { OpCode::Greater, L({ S("10"), I(9) }), X() },
            { OpCode::Add, holes, X() },
            { OpCode::Greater, I(5), I(5) },
            { OpCode::Add, S("abc"), S("abc") },
            { OpCode::Multiply, U(), U() },
            { OpCode::Less, D({ { "a", I(1) } }), D({ { "a", I(1) } }) },
        };
        for (const UnaryCase& c : cases) {
            SCOPED_TRACE(std::to_string(static_cast<int>(c.op)) + " " + ValueToText(c.operand));
            Value v = c.operand;
            ApplyUnary(c.op, v);
            EXPECT_EQ(KindName(v.kind()), KindName(c.expected.kind()));
            EXPECT_EQ(ValueToText(v), ValueToText(c.expected));
        }
    }

    TEST(Operators, NegationLeavesTheOperandUnchanged)
    {
        Value inner = L({ I(7) });
        Value list = L({ I(1), inner });
        Value v = list;
        ApplyUnary(OpCode::Subtract, v);
        EXPECT_EQ(ValueToText(v), "[[7], 1]");
        EXPECT_EQ(ValueToText(list), "[1, [7]]");
        EXPECT_NE(v.List().At(0).object(), inner.object()); // a deep copy

        Value s = S("abc");
        Value t = s;
        ApplyUnary(OpCode::Subtract, t);
        EXPECT_EQ(s.Text(), "abc");
        EXPECT_EQ(t.Text(), "cba");
    }

    TEST(Operators, MaximumKeepsTheFirstOfEqualCells)
    {
        Value a = S("x");
        Value b = S("x");
        Value v = L({ a, b });
        ApplyUnary(OpCode::Greater, v);
        EXPECT_EQ(v.object(), a.object());
    }

} // namespace
} // namespace palavrino::core
