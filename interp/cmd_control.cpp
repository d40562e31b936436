// Conditionals, loops, user functions, jumps, script calls and TERMINA. The
// handlers only set the slot's next line; the jump links they follow were
// written by the compile pass. A loop keeps no state of its own: PARA and
// REPETE keep it in their control variable, and each FIM re-reads the head
// line to find it.
#include "interp/cmd_control.h"

#include "interp/command_helpers.h"
#include "interp/runtime.h"
#include "interp/script_search.h"
#include "messages/interp.h"

#include <optional>

namespace palavrino::interp {

namespace {

    CodeRec& LineRec(Runtime& rt, int32_t line)
    {
        return rt.Slot().lines[static_cast<size_t>(line)];
    }
    CodeRec& CurrentRec(Runtime& rt)
    {
        return LineRec(rt, rt.Slot().current_line);
    }

    bool ValidLine(Runtime& rt, int32_t line)
    {
        return line > 0 && line <= rt.Slot().last_line;
    }

    // Continue at the line after the FIM that closes the block opened at `head`.
    void ContinueAfterEnd(Runtime& rt, int32_t head)
    {
        int32_t end = LineRec(rt, head).jump;
        rt.Slot().next_line = ValidLine(rt, end) ? LineRec(rt, end).next : rt.Slot().last_line + 1;
    }

    void SkipWord(Runtime& rt, std::string_view word)
    {
        if (rt.lexer.TokenIsWord(word))
            rt.lexer.NextToken();
    }

    // Number of passes a PARA domain gives.
    int64_t DomainCount(const Value& domain)
    {
        switch (domain.kind()) {
        case ValueKind::Range: {
            int64_t a = domain.RangeFirst();
            int64_t b = domain.RangeSecond();
            return (a > b ? a - b : b - a) + 1;
        }
        case ValueKind::String:
            return static_cast<int64_t>(domain.Text().size());
        case ValueKind::List:
            return domain.List().Count();
        default:
            return 0;
        }
    }

    // Re-reads a PARA head line and resets its control variable, so it is
    // undefined after the loop however the loop was left.
    void ResetIterator(Runtime& rt, int32_t head)
    {
        const core::TokenRec saved = rt.lexer.tok;
        rt.PointAtLine(head);
        bool reporting = rt.error_reporting;
        rt.error_reporting = false;
        core::TargetRec t;
        if (core::ParseTarget(rt, t, false) && core::TargetIsPlain(t)) {
            core::VarCell& cell = rt.VariableCell(*t.entry);
            cell.iterator = -1;
            cell.value = Value::Undefined();
        }
        rt.error_reporting = reporting;
        rt.lexer.tok = saved;
    }

    bool IsHeadOf(Runtime& rt, int32_t head, std::string_view word)
    {
        const CodeRec& rec = LineRec(rt, head);
        return rec.command && rec.command->name == word;
    }

    // The FIM of a PARA loop: step the iterator or leave the loop.
    bool EndOfPara(Runtime& rt, int32_t head)
    {
        rt.PointAtLine(head);
        core::TargetRec t;
        if (!core::ParseTarget(rt, t, false))
            return false;
        rt.lexer.SkipRestOfLine();
        return StepPara(rt, head, t);
    }

    // The FIM of a REPETE loop: count up to the limit, evaluated again.
    bool EndOfRepete(Runtime& rt, int32_t head)
    {
        rt.PointAtLine(head);
        core::TargetRec t;
        if (!core::ParseTarget(rt, t, false))
            return false;
        Value limit;
        rt.ParseExpressionAs(limit, ValueKind::Integer);
        rt.lexer.SkipRestOfLine();
        return StepRepete(rt, head, t, limit);
    }

    // Locals after FUNCAO's ":" or after LOCAL: name [= value], ...
    bool DeclareLocals(Runtime& rt, SymtbEntry& function, int32_t& count)
    {
        core::TokenRec& t = rt.lexer.tok;
        while (t.kind == core::TokenKind::Word) {
            std::string name = t.text;
            if (!rt.PushExec())
                return false;
            core::ExecRec& slot = rt.Top();
            slot.kind = core::ExecKind::Local;
            int32_t offset = rt.stack_top - rt.frame_base;
            if (!rt.DefineLocal(rt.current_slot, &function, name, offset))
                return false;
            rt.lexer.NextToken();
            Value initial = Value::Undefined();
            if (t.kind == core::TokenKind::Assign || rt.lexer.IsOperator(core::OpCode::Equal)) {
                rt.lexer.NextToken();
                rt.ParseExpression(initial);
            }
            rt.stack[static_cast<size_t>(rt.frame_base + offset)].var.value = std::move(initial);
            ++count;
            if (t.kind == core::TokenKind::Comma)
                rt.lexer.NextToken();
        }
        return true;
    }

    // Where DESVIA and CHAMA go: a slot and a line.
    struct JumpTarget {
        int32_t slot;
        int32_t line;
        bool other_script;
    };

    std::optional<JumpTarget> ParseJumpTarget(Runtime& rt)
    {
        JumpTarget target { rt.current_slot, -1, false };
        std::string script;
        core::TokenRec& t = rt.lexer.tok;
        if (rt.lexer.TokenIsWord("SCRIPT")) {
            rt.lexer.NextToken();
            Value name;
            rt.ParseExpressionAs(name, ValueKind::String);
            if (!name.is(ValueKind::String) || name.Text().empty()) {
                Fail(rt, msg::MSG_EXPECTED_A_SCRIPT_NAME);
                return std::nullopt;
            }
            script = name.Text();
        }
        std::string label;
        if (t.kind == core::TokenKind::LabelWord) {
            label = t.text;
            rt.lexer.NextToken();
        } else if (!rt.lexer.AtEnd()) {
            Value v;
            rt.ParseExpressionAs(v, ValueKind::String);
            if (!v.is(ValueKind::String) || v.Text().empty()) {
                Fail(rt, msg::MSG_EXPECTED_LABEL);
                return std::nullopt;
            }
            label = v.Text();
        } else if (script.empty()) {
            Fail(rt, msg::MSG_EXPECTED_LABEL);
            return std::nullopt;
        }
        if (!script.empty()) {
            int32_t slot = rt.LoadScriptFile(FindScriptFile(script, ""));
            if (slot < 0) {
                Fail(rt, msg::ScriptReadError(script));
                return std::nullopt;
            }
            if (!rt.CompileSlot(slot)) {
                rt.FreeSlot(slot);
                Fail(rt, msg::CalledScriptHasErrors(script));
                return std::nullopt;
            }
            target.slot = slot;
            target.other_script = slot != rt.current_slot;
        }
        ScriptRec& s = rt.SlotAt(target.slot);
        if (!label.empty()) {
            SymtbEntry* scope = target.slot == rt.current_slot ? rt.current_function : nullptr;
            target.line = rt.FindLabel(target.slot, scope, label);
            if (target.line < 0) {
                Fail(rt, msg::LabelNotDefined(label));
                return std::nullopt;
            }
        } else {
            target.line = 1;
            if (s.last_line >= 1 && s.lines[1].function) {
                Fail(rt, msg::MSG_REMOTE_JUMP_SCOPE);
                return std::nullopt;
            }
        }
        return target;
    }

    // Continues the run in another slot at a line, as if its run had begun there.
    void EnterSlot(Runtime& rt, int32_t slot, int32_t line)
    {
        rt.current_slot = slot;
        ScriptRec& s = rt.Slot();
        s.returned = false;
        s.stop = false;
        s.failed = false;
        s.next_line = line;
    }

    // The common start of DESVIA and CHAMA. In interactive mode only another
    // script may be named, and it runs here and now (Done).
    enum class JumpStart : uint8_t { Go = 0, Done = 1, Failed = 2 };

    JumpStart StartJump(Runtime& rt, std::string_view interactive_refusal, JumpTarget& target)
    {
        if (rt.current_slot == 0 && !rt.lexer.TokenIsWord("SCRIPT")) {
            Fail(rt, interactive_refusal);
            return JumpStart::Failed;
        }
        std::optional<JumpTarget> parsed = ParseJumpTarget(rt);
        if (!parsed)
            return JumpStart::Failed;
        if (rt.current_slot == 0) {
            rt.RunSlot(parsed->slot, parsed->line);
            rt.current_slot = 0;
            return JumpStart::Done;
        }
        target = *parsed;
        return JumpStart::Go;
    }

} // namespace

bool StepPara(Runtime& rt, int32_t head, core::TargetRec& t)
{
    if (!core::TargetIsPlain(t) || rt.VariableCell(*t.entry).iterator < 0)
        return Fail(rt, msg::NotAnIterator(t.entry->name));
    core::VarCell& cell = rt.VariableCell(*t.entry);
    if (cell.iterator < DomainCount(cell.value) - 1) {
        ++cell.iterator;
        rt.Slot().next_line = LineRec(rt, head).next;
    } else {
        cell.iterator = -1;
        cell.value = Value::Undefined();
    }
    return true;
}

bool StepRepete(Runtime& rt, int32_t head, core::TargetRec& t, const Value& limit)
{
    if (!limit.is(ValueKind::Integer))
        return Fail(rt, msg::MSG_REPETE_LIMIT);
    Value current = core::ReadTargetAs(rt, t, ValueKind::Integer);
    if (!current.is(ValueKind::Integer))
        return Fail(rt, msg::MSG_REPETE_COUNTER_NOT_INTEGER);
    if (current.AsInt() < limit.AsInt()) {
        if (!core::AssignTarget(rt, t, Value::Int(current.AsInt() + 1)))
            return false;
        rt.Slot().next_line = LineRec(rt, head).next;
    }
    return true;
}

void BranchUnless(Runtime& rt, int32_t jump, bool truth)
{
    if (!truth)
        rt.Slot().next_line = jump;
}

void LeaveLoop(Runtime& rt, int32_t head)
{
    ContinueAfterEnd(rt, head);
}

bool EndOfWhile(Runtime& rt)
{
    int32_t head = CurrentRec(rt).jump;
    if (!ValidLine(rt, head))
        return Fail(rt, msg::MSG_EXPECTED_FIM_WORD);
    rt.Slot().next_line = head;
    return true;
}

bool CmdSe(Runtime& rt)
{
    if (rt.current_slot == 0)
        return CmdSeOneLine(rt);
    int32_t jump = CurrentRec(rt).jump;
    BranchUnless(rt, jump, rt.ConditionIsTrue());
    SkipWord(rt, "ENTAO");
    return true;
}

bool CmdSeOneLine(Runtime& rt)
{
    bool truth = rt.ConditionIsTrue();
    SkipWord(rt, "ENTAO");
    rt.lexer.MarkToken();
    if (!truth) {
        rt.lexer.SkipRestOfLine();
        return true;
    }
    return RunOneLineIfBody(rt);
}

bool RunOneLineIfBody(Runtime& rt)
{
    core::TokenRec& t = rt.lexer.tok;
    if (t.kind == core::TokenKind::EndOfLine)
        return true;
    if (t.kind != core::TokenKind::Word)
        return Fail(rt, msg::MSG_EXPECTED_SIMPLE_COMMAND_ON_IF_LINE);
    SymtbEntry* e = rt.symbols.FindOrAddSymbol(rt.current_slot, nullptr, t.text, false);
    rt.lexer.NextToken();
    if (!e || e->kind >= SymbolKind::Variable) {
        rt.current_command = rt.assignment_entry;
        return Runtime::RowOf(*rt.assignment_entry).handler(rt);
    }
    if (e->kind == SymbolKind::Command || e->kind == SymbolKind::Break || e->kind == SymbolKind::Continue) {
        rt.current_command = e;
        return Runtime::RowOf(*e).handler(rt);
    }
    return Fail(rt, msg::MSG_EXPECTED_SIMPLE_COMMAND_ON_IF_LINE);
}

bool CmdSenao(Runtime& rt)
{
    if (!rt.lexer.TokenIsWord("SE"))
        return true;
    rt.lexer.NextToken();
    int32_t jump = CurrentRec(rt).jump;
    BranchUnless(rt, jump, rt.ConditionIsTrue());
    SkipWord(rt, "ENTAO");
    return true;
}

bool CmdEnquanto(Runtime& rt)
{
    int32_t head = rt.Slot().current_line;
    LoopWhile(rt, head, rt.ConditionIsTrue());
    SkipWord(rt, "FACA");
    return true;
}

bool CmdRepete(Runtime& rt)
{
    int32_t head = rt.Slot().current_line;
    core::TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return false;
    Value limit;
    rt.ParseExpressionAs(limit, ValueKind::Integer);
    return StartRepete(rt, head, t, limit);
}

bool StartRepete(Runtime& rt, int32_t head, core::TargetRec& t, const Value& limit)
{
    if (!limit.is(ValueKind::Integer))
        return Fail(rt, msg::MSG_REPETE_LIMIT);
    if (!core::AssignTarget(rt, t, Value::Int(1)))
        return false;
    if (limit.AsInt() <= 0)
        ContinueAfterEnd(rt, head);
    return true;
}

bool CmdPara(Runtime& rt)
{
    int32_t head = rt.Slot().current_line;
    core::TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return false;
    if (!core::TargetIsPlain(t))
        return Fail(rt, msg::MSG_ITERATOR_WITH_INDICES);
    Value domain;
    bool downwards = false;
    if (rt.lexer.TokenIsWord("EM")) {
        rt.lexer.NextToken();
        rt.ParseExpressionAs(domain, ValueKind::Range);
        if (domain.is(ValueKind::Range))
            downwards = domain.RangeSecond() < domain.RangeFirst();
    } else {
        SkipWord(rt, "DE");
        Value first;
        rt.ParseExpressionAs(first, ValueKind::Integer);
        if (rt.lexer.TokenIsWord("ATE") || rt.lexer.TokenIsWord("A")
            || rt.lexer.IsOperator(core::OpCode::Range))
            rt.lexer.NextToken();
        Value second;
        rt.ParseExpressionAs(second, ValueKind::Integer);
        if (!first.is(ValueKind::Integer) || !second.is(ValueKind::Integer))
            return Fail(rt, msg::MSG_LOOP_LIMITS_NOT_INTEGER);
        if (rt.lexer.TokenIsWord("DECRESCENDO")) {
            downwards = true;
            rt.lexer.NextToken();
        } else {
            SkipWord(rt, "CRESCENDO");
        }
        domain = Value::Range(first.AsInt(), second.AsInt());
    }
    SkipWord(rt, "FACA");
    return StartPara(rt, head, t, std::move(domain), downwards);
}

bool StartPara(Runtime& rt, int32_t head, core::TargetRec& t, Value domain, bool downwards)
{
    int64_t count = 0;
    switch (domain.kind()) {
    case ValueKind::Integer:
        domain = Value::Range(domain.AsInt(), domain.AsInt());
        count = 1;
        break;
    case ValueKind::Range: {
        int64_t a = domain.RangeFirst();
        int64_t b = domain.RangeSecond();
        count = downwards ? (a >= b ? a - b + 1 : 0) : (b >= a ? b - a + 1 : 0);
        break;
    }
    case ValueKind::Dictionary:
        domain = core::DictKeys(domain.Dict());
        count = domain.List().Count();
        break;
    case ValueKind::String:
    case ValueKind::List:
        count = DomainCount(domain);
        break;
    default:
        rt.ReportErrorHere(msg::MSG_BAD_ITERATOR_DOMAIN);
        break;
    }
    core::VarCell& cell = rt.VariableCell(*t.entry);
    if (count > 0) {
        cell.iterator = 0;
        cell.value = std::move(domain);
    } else {
        cell.iterator = -1;
        cell.value = Value::Undefined();
        ContinueAfterEnd(rt, head);
    }
    return true;
}

bool CmdQuebra(Runtime& rt)
{
    int32_t head = CurrentRec(rt).jump;
    if (!ValidLine(rt, head))
        return Fail(rt, msg::OutsideLoop("QUEBRA"));
    if (IsHeadOf(rt, head, "PARA"))
        ResetIterator(rt, head);
    ContinueAfterEnd(rt, head);
    return true;
}

bool CmdContinua(Runtime& rt)
{
    int32_t head = CurrentRec(rt).jump;
    if (!ValidLine(rt, head))
        return Fail(rt, msg::OutsideLoop("CONTINUA"));
    rt.Slot().next_line = LineRec(rt, head).jump;
    return true;
}

bool CmdFim(Runtime& rt)
{
    core::TokenRec& t = rt.lexer.tok;
    std::string word = t.kind == core::TokenKind::Word ? t.text : std::string();
    rt.lexer.NextToken();
    int32_t head = CurrentRec(rt).jump;
    if (word == "SE")
        return true;
    if (!ValidLine(rt, head))
        return Fail(rt, msg::MSG_EXPECTED_FIM_WORD);
    if (word == "ENQUANTO")
        return EndOfWhile(rt);
    if (word == "PARA")
        return EndOfPara(rt, head);
    if (word == "REPETE")
        return EndOfRepete(rt, head);
    return Fail(rt, msg::MSG_EXPECTED_FIM_WORD);
}

bool CmdFuncao(Runtime& rt)
{
    CodeRec& rec = CurrentRec(rt);
    SymtbEntry* f = rec.function;
    if (!f || rt.entering_function != f) {
        // Reached by ordinary flow: the definition is skipped.
        ContinueAfterEnd(rt, rt.Slot().current_line);
        rt.lexer.SkipRestOfLine();
        return true;
    }
    rt.entering_function = nullptr;
    rt.current_function = f;
    core::TokenRec& t = rt.lexer.tok;
    rt.lexer.NextToken(); // past the function's name
    if (t.kind == core::TokenKind::LeftParen) {
        int32_t offset = -1;
        rt.lexer.NextToken();
        while (t.kind != core::TokenKind::EndOfLine && t.kind != core::TokenKind::RightParen
            && t.kind != core::TokenKind::Colon) {
            if (t.kind == core::TokenKind::Word && !rt.DefineLocal(rt.current_slot, f, t.text, offset--)) {
                rt.lexer.SkipRestOfLine();
                return false;
            }
            rt.lexer.NextToken();
        }
        if (t.kind != core::TokenKind::RightParen)
            return Fail(rt, msg::MSG_CLOSE_THE_PAREN);
        rt.lexer.NextToken();
    }
    int32_t locals = 0;
    if (t.kind == core::TokenKind::Colon) {
        rt.lexer.NextToken();
        if (!DeclareLocals(rt, *f, locals)) {
            rt.lexer.SkipRestOfLine();
            return false;
        }
    }
    f->value3 = locals;
    return true;
}

bool CmdLocal(Runtime& rt)
{
    SymtbEntry* f = rt.current_function;
    if (!f || f->kind != SymbolKind::UserFunction) {
        rt.WriteLineAndSpeak(msg::MSG_LOCAL_OUTSIDE_FUNCTION);
        rt.lexer.SkipRestOfLine();
        return false;
    }
    int32_t added = 0;
    bool ok = DeclareLocals(rt, *f, added);
    f->value3 += added;
    if (!ok)
        rt.lexer.SkipRestOfLine();
    return ok;
}

bool CmdRetorna(Runtime& rt)
{
    Value result = Value::Undefined();
    if (rt.lexer.TokenIsWord("FUNCAO"))
        rt.lexer.NextToken();
    else if (!rt.lexer.AtEnd())
        rt.ParseExpression(result);
    return ReturnValue(rt, std::move(result));
}

bool ReturnValue(Runtime& rt, Value result)
{
    if (rt.current_function && rt.current_function->kind == SymbolKind::UserFunction) {
        core::ExecRec& ret = rt.stack[static_cast<size_t>(rt.frame_base)];
        if (rt.frame_base < 1 || ret.kind != core::ExecKind::Return)
            return Fail(rt, msg::MSG_STACK_NO_RET_FOUND);
        ret.var.value = std::move(result);
        rt.Slot().returned = true;
        return true;
    }
    while (rt.stack_top > 0 && rt.Top().kind != core::ExecKind::Return)
        rt.PopTo(rt.stack_top - 1);
    if (rt.stack_top > 0) {
        core::ExecRec& ret = rt.Top();
        int32_t slot = ret.slot;
        int32_t line = ret.saved_line;
        rt.PopTo(rt.stack_top - 1);
        rt.current_slot = slot;
        rt.Slot().current_line = line;
        rt.RestoreNextLine(line);
        return true;
    }
    rt.Slot().stop = true;
    rt.Slot().mute = true;
    return true;
}

bool CmdDesvia(Runtime& rt)
{
    JumpTarget target {};
    switch (StartJump(rt, msg::MSG_DESVIA_INTERACTIVE, target)) {
    case JumpStart::Failed:
        return false;
    case JumpStart::Done:
        return true;
    case JumpStart::Go:
        break;
    }
    if (target.slot == rt.current_slot) {
        rt.Slot().next_line = target.line;
        return true;
    }
    // The other script takes over; the caller does not resume. Running it in
    // this same loop (not a nested run) keeps scripts that jump back and
    // forth from growing the native stack.
    EnterSlot(rt, target.slot, target.line);
    return true;
}

bool CmdChama(Runtime& rt)
{
    if (rt.lexer.TokenIsWord("REMOTO")) {
        rt.lexer.NextToken();
        Value request;
        rt.ParseExpressionAs(request, ValueKind::String);
        std::string answer;
        if (rt.Slot().hook)
            answer = rt.Slot().hook(request.is(ValueKind::String) ? request.Text() : std::string());
        else
            rt.ReportErrorHere(msg::MSG_EXTERNAL_ROUTINE_UNDEFINED);
        if (rt.lexer.tok.kind == core::TokenKind::Word) {
            core::TargetRec t;
            if (!core::ParseTarget(rt, t, false) || !core::AssignTarget(rt, t, Value::String(answer)))
                return false;
        }
        return true;
    }
    JumpTarget target {};
    switch (StartJump(rt, msg::MSG_CHAMA_INTERACTIVE, target)) {
    case JumpStart::Failed:
        return false;
    case JumpStart::Done:
        return true;
    case JumpStart::Go:
        break;
    }
    int32_t calling_slot = rt.current_slot;
    int32_t call_line = rt.Slot().current_line;
    if (!rt.PushExec())
        return false;
    core::ExecRec& ret = rt.Top();
    ret.kind = core::ExecKind::Return;
    ret.slot = calling_slot;
    ret.function = rt.current_function;
    ret.saved_frame_base = rt.frame_base;
    ret.saved_line = call_line;
    if (target.slot == calling_slot)
        rt.Slot().next_line = target.line;
    else
        EnterSlot(rt, target.slot, target.line);
    return true;
}

bool CmdTermina(Runtime& rt)
{
    ScriptRec& s = rt.Slot();
    s.stop = true;
    s.mute = true;
    if (rt.lexer.TokenIsWord("MUDO")) {
        rt.lexer.NextToken();
    } else {
        bool pause = rt.lexer.TokenIsWord("PAUSA");
        if (pause)
            rt.lexer.NextToken();
        if (!rt.lexer.AtEnd()) {
            Value message;
            rt.ParseExpressionAs(message, ValueKind::String);
            if (message.is(ValueKind::String))
                rt.WriteLineAndSpeak(message.Text());
        }
        if (pause) {
            rt.WriteLineAndSpeak(msg::MSG_PRESS_ENTER_TO_END);
            rt.io.ReadLine(255);
        }
    }
    if (rt.current_function && rt.current_function->kind == SymbolKind::UserFunction)
        throw core::TerminateAbort(msg::EndedInFunction(rt.current_function->name));
    return true;
}

bool CmdImporta(Runtime& rt)
{
    // Modules are imported when the script is compiled.
    rt.lexer.SkipRestOfLine();
    return true;
}

} // namespace palavrino::interp
