// Internal invariants, checked where they could first break, as Lua's
// lua_assert and Wren's ASSERT do: the discipline of the execution stack,
// the bounds of the lexer cursor, and (in the interpreter) the state of
// the running slot. A broken invariant is a fault of the interpreter, never
// of a script, so it aborts at once, naming itself, instead of showing up
// later as a wrong result. Debug builds check them, and so do fuzz builds
// (PL_CHECK_INVARIANTS); release builds compile them out.
#pragma once

#include "core/lexer.h"

#if defined(PL_CHECK_INVARIANTS) || !defined(NDEBUG)
#define PL_INVARIANT(condition)                                                                              \
    ((condition) ? static_cast<void>(0) : ::palavrino::core::InvariantFailed(#condition, __FILE__, __LINE__))
#define PL_INVARIANTS_ON 1
#else
#define PL_INVARIANT(condition) static_cast<void>(0)
#define PL_INVARIANTS_ON 0
#endif

namespace palavrino::core {

class Machine;

// Writes the broken condition and where it is checked to standard error,
// then aborts.
[[noreturn]] void InvariantFailed(const char* condition, const char* file, int line);

#if PL_INVARIANTS_ON
// The execution stack: its top and frame base inside it, the frame base at
// or below the top, a return record at the frame base while a function
// runs, and the nesting counters never below zero.
void CheckStackDiscipline(const Machine& m);

// The cursor stays inside its line, and the line ends with the line feed
// the scanner relies on to stop.
void CheckTokenCursor(const TokenRec& t);
#else
inline void CheckStackDiscipline(const Machine&) { }
inline void CheckTokenCursor(const TokenRec&) { }
#endif

} // namespace palavrino::core
