// The checks of core/invariants.h. They cost a few comparisons; the run
// loop and the call protocol make them on every line and every call.
#include "core/invariants.h"

#include "core/machine.h"

#include <cstdio>
#include <cstdlib>

namespace palavrino::core {

void InvariantFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "palavrino: invariante interna violada: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

#if PL_INVARIANTS_ON

void CheckStackDiscipline(const Machine& m)
{
    PL_INVARIANT(m.stack_top >= 0 && m.stack_top <= EXEC_STACK_SIZE);
    PL_INVARIANT(m.frame_base >= 0 && m.frame_base <= m.stack_top);
    PL_INVARIANT(m.frame_base == 0 || m.stack[static_cast<size_t>(m.frame_base)].kind == ExecKind::Return);
    PL_INVARIANT(m.expr_nesting >= 0);
    PL_INVARIANT(m.user_call_depth >= 0);
}

void CheckTokenCursor(const TokenRec& t)
{
    if (!t.line_start)
        return;
    PL_INVARIANT(t.line_start <= t.position && t.position <= t.line_end);
    PL_INVARIANT(*t.line_end == '\n');
    PL_INVARIANT(!t.token_start || (t.line_start <= t.token_start && t.token_start <= t.position));
}

#endif

} // namespace palavrino::core
