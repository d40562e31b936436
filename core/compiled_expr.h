// Expressions of cached lines, compiled the first time they are evaluated
// into a tree of the line's primaries and operators, so that later runs
// neither replay tokens nor look names up again. The evaluator takes exactly
// the parser's steps (the same order of evaluation, operators, messages and
// nesting bounds, the same place where the expression ends), which is what
// keeps the compiled form invisible. What it does not know how to take
// (module references, dictionaries, a line whose shape depends on values
// inside brackets) is simply not compiled and is parsed as always.
#pragma once

#include "core/lexer.h"
#include "core/value.h"

#include <cstdint>
#include <memory>
#include <string>

namespace palavrino::core {

class Machine;

// Compiles the expression that starts at token `first` of a cached line, as
// the parser would read it from level `n` (1: an expression; 0: one that may
// be a range) in the machine's current scope. Null when it has no compiled
// form.
CompiledExprPtr CompileExpression(
    Machine& m, CachedToken* begin, CachedToken* end, CachedToken* first, int n);

// The compiled form of the expression at `first`, made on the first request
// and kept in the token (null, and not tried again, when it has none).
CompiledExpr* CompiledAt(Machine& m, CachedToken* begin, CachedToken* end, CachedToken* first, int n);

// The token where `x` always ends, or null when that depends on the values
// (E and OU in its outermost chain).
CachedToken* FixedEnd(const CompiledExpr& x);

// How many nesting levels `x` opens at its deepest.
int NestingDepth(const CompiledExpr& x);

// Evaluates `x` as ParseLevel(v, n) would; returns the token at which the
// parser would have stopped, or null (nothing evaluated, nothing reported)
// when the compiled form does not apply in the current scope or state.
CachedToken* EvaluateCompiled(Machine& m, CompiledExpr& x, Value& v, int n);

// The value of `x` when it is one plain operand holding an integer, or one
// operator between two such operands that needs nothing reported (a
// comparison, "+", "-", "*", or "/" and "%" by a divisor other than 0):
// what EvaluateCompiled would give, without making a value. False, having
// done nothing but make a variable's cell, for anything else.
bool EvaluateIntegers(Machine& m, CompiledExpr& x, int32_t& r);

// The text of `x` when it is a string literal alone; null otherwise.
const std::string* LiteralText(const CompiledExpr& x);
// The value of `x` when it is an integer literal alone (true), which reading
// it as integers gives outside the check-only pass.
bool LiteralInteger(const CompiledExpr& x, int32_t& value);

// The whole step for the parser's entry points: when the cursor stands on a
// cached token at run time, evaluates the expression there (compiling it on
// first use) and moves the cursor where the parser would have left it.
// False when the parser must do it.
bool TryCompiledExpression(Machine& m, Value& v, int n);

} // namespace palavrino::core
