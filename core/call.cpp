// The call protocol shared by built-in and user functions. Arguments and a
// return record go on the execution stack; the callee reads argument k at
// frame base - k and leaves its result in the return record. The caller's
// lexer cursor is saved around the call, because a user function's body
// re-positions the one cursor on its own lines.
#include "core/invariants.h"
#include "core/machine.h"
#include "messages/core.h"

namespace palavrino::core {

namespace {

    // Counts a running user-function body for as long as it runs, however it
    // ends.
    class CallDepthGuard {
    public:
        explicit CallDepthGuard(Machine& m)
            : m_machine(m)
        {
            ++m.user_call_depth;
        }
        ~CallDepthGuard() { --m_machine.user_call_depth; }
        CallDepthGuard(const CallDepthGuard&) = delete;
        CallDepthGuard& operator=(const CallDepthGuard&) = delete;

    private:
        Machine& m_machine;
    };

    // Runs a user function's body. The outermost call ends the chain that a
    // stack overflow unwinds; the call's failure path then restores the
    // caller, as for any failed call. The switches a handler may have turned
    // while the chain ran come back as the caller had them.
    bool RunUserFunction(Machine& m, SymtbEntry& entry)
    {
        CallDepthGuard depth(m);
        if (m.user_call_depth > 1)
            return m.RunFunctionBody(entry);
        const bool reporting = m.error_reporting;
        const bool check_only = m.check_only;
        try {
            return m.RunFunctionBody(entry);
        } catch (const CallChainUnwind&) {
            m.error_reporting = reporting;
            m.check_only = check_only;
            return false;
        }
    }

} // namespace

bool Machine::CallFunction(std::string_view name, SymtbEntry* entry, Value& result, int argc, Value* args)
{
    ++steps_outside;
    result = Value::Undefined();
    if (check_only)
        return true;
    CheckStackDiscipline(*this);
    if (!entry) {
        ReportErrorHere(msg::FunctionUndefined(name));
        return false;
    }
    const int32_t t0 = stack_top;
    if (t0 + argc + 1 > EXEC_STACK_SIZE) {
        ReportErrorHere(msg::MSG_CALL_STACK_OVERFLOW);
        UnwindPendingCalls();
        return false;
    }
    const int32_t caller_slot = current_slot;
    SymtbEntry* const caller_function = current_function;
    const int32_t caller_frame = frame_base;
    const int32_t call_line = CurrentLine();

    for (int k = argc; k >= 1; --k) {
        ExecRec& r = stack[++stack_top];
        r = ExecRec {};
        r.kind = ExecKind::Argument;
        r.slot = caller_slot;
        r.var.value = std::move(args[k - 1]);
    }
    ExecRec& ret = stack[++stack_top];
    ret = ExecRec {};
    ret.kind = ExecKind::Return;
    ret.slot = caller_slot;
    ret.function = caller_function;
    ret.saved_frame_base = caller_frame;
    ret.saved_line = call_line;
    frame_base = stack_top;
    TokenRec saved_token = lexer.tok;

    if (entry->script >= 0 && entry->script < 128)
        current_slot = entry->script;
    current_function = entry;
    bool ok;
    if (entry->kind == SymbolKind::UserFunction)
        ok = RunUserFunction(*this, *entry);
    else
        ok = entry->native && entry->native(*this);

    if (ok) {
        PopTo(frame_base);
        ExecRec& r = stack[frame_base];
        if (frame_base < 1 || r.kind != ExecKind::Return) {
            ReportErrorHere(msg::MSG_STACK_NO_RET);
            ok = false;
        } else {
            current_slot = r.slot;
            current_function = r.function;
            frame_base = r.saved_frame_base;
            SetCurrentLine(r.saved_line);
            RestoreNextLine(r.saved_line);
            result = std::move(r.var.value);
            lexer.tok = std::move(saved_token);
            // Below the return record only the arguments may remain; they
            // go with it in one step.
            for (int32_t i = stack_top - 1; i > t0; --i) {
                if (stack[static_cast<size_t>(i)].kind != ExecKind::Argument)
                    ReportErrorHere(msg::MSG_STACK_CORRUPT);
            }
            PopTo(t0);
            PL_INVARIANT(stack_top == t0 && frame_base == caller_frame);
            CheckStackDiscipline(*this);
            CheckTokenCursor(lexer.tok);
            return true;
        }
    }
    PopTo(t0);
    current_slot = caller_slot;
    current_function = caller_function;
    frame_base = caller_frame;
    SetCurrentLine(call_line);
    RestoreNextLine(call_line);
    lexer.tok = std::move(saved_token);
    result = Value::Undefined();
    CheckStackDiscipline(*this);
    CheckTokenCursor(lexer.tok);
    return false;
}

} // namespace palavrino::core
