// The run loop: takes a slot's lines in order, scans each afresh, hands it
// to its command's handler, and follows the next-line links the handlers
// set. The user's interrupt is polled before every line.
#include "core/messages.h"
#include "interp/runtime.h"

namespace palavrino::interp {

bool Runtime::RunLine(int32_t slot, int32_t line)
{
    ScriptRec& s = SlotAt(slot);
    if (line < 0 || line > s.last_line || static_cast<size_t>(line) >= s.lines.size()) {
        s.failed = true;
        return false;
    }
    CodeRec& rec = s.lines[static_cast<size_t>(line)];
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
        ReportError(line, "Esperava um comando");
        s.failed = true;
        return false;
    }
    if (slot == 0 && entry->kind != SymbolKind::Command && entry->kind != SymbolKind::If
        && entry->kind != SymbolKind::IfOneLine) {
        ReportError(line, "O comando \"" + entry->name + "\" n\xE3o \xE9 v\xE1lido no modo interativo");
        s.failed = true;
        return false;
    }
    lexer.MarkToken();
    lexer.NextToken();
    current_command = entry;
    bool ok = RowOf(*entry).handler(*this);
    if (!lexer.AtEnd())
        ReportErrorHere("A linha deveria terminar onde aparece \"" + std::string(t.raw) + "\"");
    s.failed = !ok;
    return ok;
}

bool Runtime::InterruptRequested()
{
    return io.TakeInterrupt();
}

namespace {

    [[noreturn]] void ThrowInterrupt(int32_t line)
    {
        throw core::InterruptAbort("Execu\xE7\xE3o interrompida na linha " + core::IntToText(line));
    }

} // namespace

// Runs lines of the current slot from its current line until the slot
// stops, its lines run out, a line fails, or (for a function body) the
// function `returning_from` returns.
bool Runtime::RunLines(SymtbEntry* returning_from)
{
    for (;;) {
        ScriptRec& s = Slot();
        if (s.stop || s.current_line > s.last_line)
            break;
        if (InterruptRequested())
            ThrowInterrupt(s.current_line);
        if (!RunLine(current_slot, s.current_line))
            break;
        ScriptRec& after = Slot(); // CHAMA and RETORNA switch slots
        if (returning_from && current_function == returning_from && after.returned) {
            after.returned = false;
            break;
        }
        after.current_line = after.next_line;
    }
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
