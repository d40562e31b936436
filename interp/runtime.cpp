// Building a Runtime, and the services the language core asks of it:
// the current line, running a function body, and reporting errors with the
// script's name and line, written and spoken.
#include "interp/runtime.h"

#include "core/value.h"
#include "messages/interp.h"

#include <cassert>

namespace palavrino::interp {

Runtime::Runtime(HostIo& host, const CommandSet& command_set)
    : io(host)
    , commands(command_set)
{
    assert(commands.Finished());
    for (size_t i = 0; i < natives.size(); ++i) {
        if (commands.Natives()[i])
            natives[i] = commands.Natives()[i];
    }
    symbols.Reset();
    EnterBuiltins();
    EnterCommands();
    ResetInterpreter();
}

Runtime::~Runtime()
{
    family_states.Clear();
    descriptors.CloseAll();
    for (ScriptRec& s : slots)
        s.lines.clear();
    symbols.Reset();
}

void Runtime::EnterCommands()
{
    for (const CommandRow& row : commands.Rows()) {
        SymtbEntry& e = symbols.EnterBuiltin(row.word, row.kind);
        e.command = &row;
        if (row.word == "RETORNA")
            return_entry = &e;
    }
    // The special entries live outside the hash table: no name finds them.
    auto special = [this](const CommandRow& row) {
        m_special_entries.emplace_back();
        SymtbEntry& e = m_special_entries.back();
        e.name = std::string(row.word);
        e.kind = row.kind;
        e.command = &row;
        return &e;
    };
    one_line_if_entry = special(OneLineIfRow());
    assignment_entry = special(AssignmentRow());
    expression_entry = special(ExpressionRow());
}

int32_t Runtime::CurrentLine() const
{
    return slots[static_cast<size_t>(current_slot)].current_line;
}

void Runtime::SetCurrentLine(int32_t line)
{
    Slot().current_line = line;
}

void Runtime::RestoreNextLine(int32_t line)
{
    ScriptRec& s = Slot();
    if (line > 0 && line < static_cast<int32_t>(s.lines.size()))
        s.next_line = s.lines[static_cast<size_t>(line)].next;
}

void Runtime::EmitError(int32_t line, std::string_view message)
{
    const ScriptRec& s = Slot();
    if (current_slot > 0 && line > 0) {
        if (!s.file_name.empty()) {
            WriteLineAndSpeak(msg::ErrorInScriptLine(s.file_name, line));
        } else {
            WriteAndSpeak(msg::ErrorInLine(line));
        }
    }
    WriteLineAndSpeak(message);
}

void Runtime::ConsoleLine(std::string_view text)
{
    WriteLineAndSpeak(text);
}

bool Runtime::ConditionIsTrue()
{
    Value v;
    ParseExpression(v);
    return Truth(v);
}

} // namespace palavrino::interp
