// Error reporting, symbol definitions with their messages, variable cells and
// the execution stack; see machine.h.
#include "core/machine.h"

#include "core/char_tables.h"
#include "core/invariants.h"
#include "messages/core.h"

#include <memory>

namespace palavrino::core {

ExecStack::ExecStack()
    : m_entries(std::allocator<ExecRec>().allocate(EXEC_STACK_SIZE + 1))
{
}

ExecStack::~ExecStack()
{
    clear();
    std::allocator<ExecRec>().deallocate(m_entries, EXEC_STACK_SIZE + 1);
}

void ExecStack::BuildUpTo(size_t i) const
{
    PL_INVARIANT(i <= static_cast<size_t>(EXEC_STACK_SIZE));
    for (; m_built <= i; ++m_built)
        std::construct_at(m_entries + m_built);
}

void ExecStack::clear()
{
    std::destroy_n(m_entries, m_built);
    m_built = 0;
}

Machine::Machine()
    : natives(CoreBuiltinHandlers())
{
}

Machine::~Machine()
{
    // Values on the stack and in global cells are charged to this machine.
    HeapStatsScope scope(heap);
    stack.clear();
}

void Machine::ReportError(int32_t line, std::string_view message)
{
    ++reports_made;
    if (!error_reporting || expr_nesting_overflow)
        return;
    EmitError(line, message);
}

void Machine::LexMessage(std::string_view line)
{
    ++reports_made;
    ConsoleLine(line);
}

void Machine::EnterBuiltins()
{
    const auto& table = BuiltinTable();
    for (size_t i = 0; i < table.size(); ++i) {
        SymtbEntry& e = symbols.EnterBuiltin(table[i].name, SymbolKind::Native);
        e.native = natives[i];
        e.value1 = table[i].arg_count;
        e.value2 = table[i].flags;
    }
}

SymtbEntry* Machine::DefineLocal(int32_t script, SymtbEntry* function, std::string_view name, int32_t slot)
{
    SymtbEntry* e = symbols.FindOrAddSymbol(script, function, name, true);
    if (e->kind == SymbolKind::Undefined || e->kind == SymbolKind::Variable) {
        e->kind = SymbolKind::Variable;
        e->value1 = slot;
        return e;
    }
    lexer.LexError(msg::NotALocal(name, SymbolKindName(e->kind)));
    return nullptr;
}

bool Machine::DefineLabel(int32_t script, SymtbEntry* owner, std::string_view name, int32_t line)
{
    SymtbEntry* e = symbols.FindOrAddSymbol(script, owner, name, true);
    if (e->kind == SymbolKind::Undefined) {
        e->kind = SymbolKind::Label;
        e->line = line;
        return true;
    }
    if (e->kind == SymbolKind::Label) {
        lexer.LexError(msg::LabelRedefined(name, e->line));
    }
    return false;
}

// VariableCell's rarer cases: a global's first use, or a local whose index
// is outside the frame.
VarCell& Machine::NewVariableCell(SymtbEntry& entry)
{
    if (entry.owner) {
        // A parameter or local is only found while its function runs, so the
        // index is inside the frame; the check guards against a damaged
        // frame rather than trusting it.
        m_scratch_cell = VarCell {};
        return m_scratch_cell;
    }
    entry.cell = std::make_unique<VarCell>();
    return *entry.cell;
}

bool Machine::PushExec()
{
    if (stack_top >= EXEC_STACK_SIZE) {
        ReportErrorHere(msg::MSG_EXEC_STACK_OVERFLOW);
        UnwindPendingCalls();
        return false;
    }
    ++stack_top;
    stack[stack_top] = ExecRec {};
    return true;
}

void Machine::UnwindPendingCalls()
{
    if (user_call_depth > 0)
        throw CallChainUnwind(std::string(msg::MSG_CALL_STACK_OVERFLOW));
}

void Machine::PopTo(int32_t top)
{
    while (stack_top > top) {
        // As ExecRec {}, without a temporary to move from.
        ExecRec& r = stack[stack_top];
        r.kind = ExecKind::Return;
        r.slot = 0;
        r.function = nullptr;
        r.var.iterator = -1;
        r.var.value.Clear();
        r.saved_frame_base = 0;
        r.saved_line = 0;
        --stack_top;
    }
}

void Machine::ResetRunState()
{
    PopTo(0);
    frame_base = 0;
    current_slot = 0;
    current_function = nullptr;
    error_reporting = true;
    check_only = false;
    expr_nesting = 0;
    expr_nesting_overflow = false;
    user_call_depth = 0;
    heap = HeapStats {};
}

void Machine::TakeStartTime()
{
    m_start_instant = SystemInstant();
    m_start_pending = true;
}

void Machine::SettleStartTime()
{
    if (!m_start_pending)
        return;
    m_start_pending = false;
    const ClockReading c = LocalClockAt(m_start_instant);
    start_time = c.hour * 360000 + c.minute * 6000 + c.second * 100 + c.hundredths;
    start_weekday = c.weekday;
}

void NestingGuard::ReportTooDeep()
{
    Machine& m = m_machine;
    m.ReportErrorHere(msg::MSG_NESTED_TOO_DEEP);
    // Everything the unwinding levels would add is a consequence of this
    // one error; stay quiet until the outermost level returns.
    m.expr_nesting_overflow = true;
    ++m.expr_nesting_overflows;
    m.lexer.SkipRestOfLine();
}

} // namespace palavrino::core
