// The meaning of the binary operators and of the unary forms. The parser
// applies them as soon as both operands are known; each operator consumes
// both operands and leaves its result in the left one.
#pragma once

#include "core/report.h"
#include "core/tokens.h"
#include "core/value.h"

namespace palavrino::core {

// left := left op right, for op 1-18. An undefined pairing gives "inválido".
// Division by zero and power overflow are reported through `sink`.
void ApplyOperator(OpCode op, Value& left, Value right, ErrorSink& sink);

// Unary forms written before a primary: Subtract negates (integer, reversed
// string, reversed deep copy of a list); Greater, Less, Add and Multiply
// reduce a list to its maximum, minimum, sum or product and leave any other
// value unchanged.
void ApplyUnary(OpCode op, Value& v);

} // namespace palavrino::core
