// The meaning of the binary operators and of the unary forms. The parser
// applies them as soon as both operands are known; each operator consumes
// both operands and leaves its result in the left one.
#pragma once

#include "core/int_math.h"
#include "core/report.h"
#include "core/tokens.h"
#include "core/value.h"

#include <string_view>

namespace palavrino::core {

// left := left op right, for op 1-18. An undefined pairing gives "inválido".
// Division by zero and power overflow are reported through `sink`.
void ApplyOperator(OpCode op, Value& left, Value right, ErrorSink& sink);

// How the comparisons order two texts: as numbers when both are integer
// texts, otherwise byte by byte (-1, 0 or 1).
int CompareTexts(std::string_view a, std::string_view b);
// CompareTexts for a `b` looked at beforehand: `b_integer` says whether it is
// an integer text, and `b_value` is then its value.
int CompareTextWith(std::string_view a, std::string_view b, bool b_integer, int32_t b_value);

constexpr bool IsComparison(OpCode op)
{
    return op == OpCode::Equal || op == OpCode::NotEqual || op == OpCode::Greater
        || op == OpCode::GreaterEqual || op == OpCode::Less || op == OpCode::LessEqual;
}

// What ApplyOperator makes of two integers when nothing is to be reported:
// the comparisons, "+", "-", "*", and "/" and "%" by a divisor other than
// 0. False for any other operator or pair (ApplyOperator then decides).
// Inline, so that an evaluator can take integers without making values.
inline bool IntegerResult(OpCode op, int32_t x, int32_t y, int32_t& r)
{
    switch (op) {
    case OpCode::Equal:
        r = x == y ? 1 : 0;
        return true;
    case OpCode::NotEqual:
        r = x != y ? 1 : 0;
        return true;
    case OpCode::Greater:
        r = x > y ? 1 : 0;
        return true;
    case OpCode::GreaterEqual:
        r = x >= y ? 1 : 0;
        return true;
    case OpCode::Less:
        r = x < y ? 1 : 0;
        return true;
    case OpCode::LessEqual:
        r = x <= y ? 1 : 0;
        return true;
    case OpCode::Add:
        r = AddInt(x, y);
        return true;
    case OpCode::Subtract:
        r = SubInt(x, y);
        return true;
    case OpCode::Multiply:
        r = MulInt(x, y);
        return true;
    case OpCode::Divide:
        if (y == 0)
            return false;
        r = DivInt(x, y);
        return true;
    case OpCode::Modulo:
        if (y == 0)
            return false;
        r = ModInt(x, y);
        return true;
    default:
        return false;
    }
}

// Unary forms written before a primary: Subtract negates (integer, reversed
// string, reversed deep copy of a list); Greater, Less, Add and Multiply
// reduce a list to its maximum, minimum, sum or product and leave any other
// value unchanged.
void ApplyUnary(OpCode op, Value& v);

} // namespace palavrino::core
