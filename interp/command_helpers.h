// Small helpers shared by command handlers: failing with one message (the
// rest of the line is then not looked at, so the user hears only the
// cause), and storing into a target.
#pragma once

#include "interp/runtime.h"

#include <string_view>

namespace palavrino::interp {

inline bool FailQuietly(Runtime& rt)
{
    rt.lexer.SkipRestOfLine();
    return false;
}

inline bool Fail(Runtime& rt, std::string_view message)
{
    rt.ReportErrorHere(message);
    return FailQuietly(rt);
}

// The store reports its own failures (an iterator, an unindexable value).
inline bool AssignOrFail(Runtime& rt, core::TargetRec& t, const Value& v)
{
    return core::AssignTarget(rt, t, v) || FailQuietly(rt);
}

} // namespace palavrino::interp
