// The run loop: takes a slot's lines in order, runs each through its compiled
// form or hands it to its command's handler, and follows the next-line links
// they set. The user's interrupt is polled before every line that follows one
// that may have waited or written; lines that only compute are polled every
// sixteen, which is as if the break had come those few lines later.
#include "core/invariants.h"
#include "interp/runtime.h"
#include "messages/core.h"
#include "messages/interp.h"

#include <cassert>

namespace palavrino::interp {

// The slot a line runs in is the current one and holds a script whose line
// records keep the lexer's line-end contract.
void Runtime::CheckRunningSlot([[maybe_unused]] int32_t slot, [[maybe_unused]] const CodeRec& rec) const
{
    PL_INVARIANT(slot == current_slot && slot >= 0 && slot < MAX_SLOTS);
    PL_INVARIANT(!slots[static_cast<size_t>(slot)].free);
    PL_INVARIANT(slots[static_cast<size_t>(slot)].lines.size()
        == static_cast<size_t>(slots[static_cast<size_t>(slot)].last_line) + 1);
    PL_INVARIANT(rec.length >= 0 && rec.text.size() == static_cast<size_t>(rec.length) + 1);
    PL_INVARIANT(rec.text.back() == '\n');
}

bool Runtime::RunLine(int32_t slot, int32_t line)
{
    ScriptRec& s = SlotAt(slot);
    if (line < 0 || line > s.last_line || static_cast<size_t>(line) >= s.lines.size()) {
        s.failed = true;
        return false;
    }
    CodeRec& rec = s.lines[static_cast<size_t>(line)];
    CheckRunningSlot(slot, rec);
    lexer.StartLine(line, rec.text.data(), static_cast<size_t>(rec.length), line > 0 ? &rec.tokens : nullptr);
    if (line > 0)
        s.next_line = rec.next;
    if (s.trace)
        WriteLineAndSpeak(std::string_view(rec.text.data(), static_cast<size_t>(rec.length)));
    core::TokenRec& t = lexer.tok;
    lexer.NextToken();
    if (t.kind == core::TokenKind::LabelWord) {
        lexer.NextToken();
        if (t.kind == core::TokenKind::Colon)
            lexer.NextToken();
        // A second label where the command belongs ("@A @B") is no command.
        if (t.kind == core::TokenKind::LabelWord) {
            ReportError(line, msg::MSG_EXPECTED_COMMAND);
            s.failed = true;
            return false;
        }
    }
    if (t.kind == core::TokenKind::EndOfLine)
        return true;
    SymtbEntry* entry = nullptr;
    if (t.kind == core::TokenKind::Word) {
        entry = line > 0 ? rec.command : nullptr;
        if (!entry)
            entry = symbols.FindOrAddSymbol(current_slot, current_function, t.text, false);
        if (!entry || entry->kind >= SymbolKind::Variable) {
            entry = assignment_entry;
            if (line > 0)
                rec.command = entry;
        }
    } else {
        entry = expression_entry;
    }
    if (entry->kind == SymbolKind::Undefined || entry->kind == SymbolKind::Label) {
        ReportError(line, msg::MSG_EXPECTED_COMMAND);
        s.failed = true;
        return false;
    }
    if (slot == 0 && entry->kind != SymbolKind::Command && entry->kind != SymbolKind::If
        && entry->kind != SymbolKind::IfOneLine) {
        ReportError(line, msg::NotInteractive(entry->name));
        s.failed = true;
        return false;
    }
    lexer.MarkToken();
    lexer.NextToken();
    current_command = entry;
    [[maybe_unused]] const uint32_t reports_before = reports_made;
    bool ok = RowOf(*entry).handler(*this);
    // A command that fails has told the user why, or left the reason in the
    // I/O status for CHECA: it never fails silently. A line that is only an
    // expression or a bare name (often a misspelt command) is the exception:
    // the driver names it with "Erro de execução na linha N" and its text.
    // So is such a name after a one-line SE, whose handler then ran.
    assert(ok || reports_made != reports_before || s.io_status != 0 || entry == expression_entry
        || entry == assignment_entry || current_command == assignment_entry);
    core::CheckStackDiscipline(*this);
    core::CheckTokenCursor(lexer.tok);
    if (!lexer.AtEnd())
        ReportErrorHere(msg::LineShouldEnd(t.raw));
    s.failed = !ok;
    return ok;
}

// The compiled form of a line of the current slot, made on the line's first
// run after its tokens are cached. False when the line has none, or it does
// not apply now: nothing has been done then, and RunLine runs the line.
bool Runtime::RunCompiled(ScriptRec& s, int32_t line, bool& ok)
{
    // The run loop has checked that the line is not past the script's end.
    if (line <= 0 || s.trace || !lexer.use_cache)
        return false;
    CodeRec& rec = s.lines[static_cast<size_t>(line)];
    LineCode* code = rec.code.get();
    if (!code) {
        if (rec.code_tried)
            return false;
        code = CodeOf(*this, line);
        if (!code)
            return false;
    }
    if (!code->any_scope && (code->slot != current_slot || code->function != current_function))
        return false;
    // Every nesting level the line opens stays within the bound, so the
    // bound's own reaction is left to the handlers.
    if (expr_nesting_overflow || expr_nesting + code->depth > core::MAX_EXPR_NESTING)
        return false;
    CheckRunningSlot(current_slot, rec);
    s.next_line = rec.next;
    const LineRun run = code->run(*this, *code, line);
    if (run == LineRun::Ordinary)
        return false;
    ok = run == LineRun::Ok;
    core::CheckStackDiscipline(*this);
    s.failed = !ok;
    return true;
}

bool Runtime::InterruptRequested()
{
    return io.TakeInterrupt();
}

namespace {

    [[noreturn]] void ThrowInterrupt(int32_t line)
    {
        throw core::InterruptAbort(msg::InterruptedOnLine(line));
    }

} // namespace

// Runs lines of the current slot from its current line until the slot
// stops, its lines run out, a line fails, or (for a function body) the
// function `returning_from` returns.
bool Runtime::RunLines(SymtbEntry* returning_from)
{
    // A compiled line that called nothing, handed nothing to a handler and
    // reported nothing has neither waited nor written: after such lines the
    // interrupt is polled every so many, after any other line at once.
    constexpr int QUIET_LINES_PER_POLL = 16;
    int quiet_lines = 0;
    int32_t unpolled_line = -1; // the last line run, when no poll followed it
    // A poll before the first line; after it, the check that follows each
    // line is also the one before the next: nothing runs in between.
    if (const ScriptRec& first = Slot();
        !first.stop && first.current_line <= first.last_line && InterruptRequested())
        ThrowInterrupt(first.current_line);
    for (;;) {
        ScriptRec& s = Slot();
        if (s.stop || s.current_line > s.last_line)
            break;
        const int32_t line = s.current_line;
        // Both counters only grow, so their sum is unchanged when neither
        // moved (short of 2^32 events in one line, which would only delay
        // the next poll by a few lines).
        const uint32_t events_before = steps_outside + reports_made;
        bool ok = false;
        const bool compiled = RunCompiled(s, line, ok);
        if (!compiled)
            ok = RunLine(current_slot, line);
        const bool quiet = compiled && steps_outside + reports_made == events_before;
        // A break that came while the line waited (LE, a key, a pause) ends
        // the run here, even when that line was the script's last.
        unpolled_line = line;
        if (!quiet || ++quiet_lines >= QUIET_LINES_PER_POLL) {
            quiet_lines = 0;
            unpolled_line = -1;
            if (InterruptRequested())
                ThrowInterrupt(line);
        }
        if (!ok)
            break;
        ScriptRec& after = Slot(); // CHAMA and RETORNA switch slots
        if (returning_from && current_function == returning_from && after.returned) {
            after.returned = false;
            break;
        }
        after.current_line = after.next_line;
    }
    if (unpolled_line >= 0 && InterruptRequested())
        ThrowInterrupt(unpolled_line);
    return !Slot().failed;
}

bool Runtime::RunSlot(int32_t slot, int32_t start_line)
{
    current_slot = slot;
    ScriptRec& s = Slot();
    s.returned = false;
    s.current_line = start_line;
    s.stop = false;
    return RunLines(nullptr);
}

bool Runtime::RunFunctionBody(SymtbEntry& function)
{
    ScriptRec& s = Slot();
    s.returned = false;
    s.current_line = function.line;
    entering_function = &function;
    bool ok = RunLines(&function);
    entering_function = nullptr;
    return ok;
}

bool Runtime::RunInteractiveLine(const std::string& text)
{
    current_slot = 0;
    ScriptRec& s = SlotAt(0);
    if (s.lines.empty())
        s.lines.emplace_back();
    CodeRec& rec = s.lines[0];
    rec = CodeRec {};
    rec.text = text.empty() ? std::string(" ") : text;
    rec.length = static_cast<int32_t>(rec.text.size());
    rec.text += '\n';
    s.last_line = 0;
    s.current_line = 0;
    s.free = false;
    return RunLine(0, 0);
}

void Runtime::PointAtLine(int32_t line)
{
    ScriptRec& s = Slot();
    CodeRec& rec = s.lines[static_cast<size_t>(line)];
    lexer.StartLine(line, rec.text.data(), static_cast<size_t>(rec.length), line > 0 ? &rec.tokens : nullptr);
    lexer.NextToken();
    if (lexer.tok.kind == core::TokenKind::LabelWord) {
        lexer.NextToken();
        if (lexer.tok.kind == core::TokenKind::Colon)
            lexer.NextToken();
    }
    lexer.NextToken(); // past the command word
}

void Runtime::RecoverFromAbort()
{
    PopTo(0);
    frame_base = 0;
    current_function = nullptr;
    entering_function = nullptr;
    error_reporting = true;
    check_only = false;
    expr_nesting = 0;
    expr_nesting_overflow = false;
}

void Runtime::ResetInterpreter()
{
    ResetRunState();
    entering_function = nullptr;
    descriptors.CloseAll();
    for (int32_t i = 0; i < MAX_SLOTS; ++i)
        if (!SlotAt(i).free || i == 0)
            FreeSlot(i);
    TakeStartTime();
}

} // namespace palavrino::interp
