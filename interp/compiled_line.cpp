// Compiles lines of the shapes listed in compiled_line.h and runs them. Each
// runner below answers to a handler (cmd_control.cpp, cmd_data.cpp) and to
// the run loop's checks around it (run_loop.cpp): they read their operands
// in the same order, call the same shared steps, and report what is left
// on the line as the run loop would. An expression whose compiled form does
// not apply when it runs is parsed at its own token, as the handler would.
#include "interp/compiled_line.h"

#include "core/compiled_expr.h"
#include "core/selection.h"
#include "interp/cmd_control.h"
#include "interp/cmd_data.h"
#include "interp/command_helpers.h"
#include "interp/runtime.h"
#include "messages/core.h"
#include "messages/interp.h"

#include <string>
#include <vector>

namespace palavrino::interp {

namespace {

    using core::CachedToken;
    using core::TokenKind;

    enum class Shape : uint8_t {
        Assign,
        Arith,
        Concat, // CONCATENA without LISTA
        If, // SE on its own line, and SENAO SE
        Else,
        OneLineIf,
        While,
        EndIf,
        EndWhile,
        EndRepeat,
        EndFor,
        Repeat,
        For,
        Return,
        Jump, // QUEBRA, CONTINUA
        FunctionHead,
    };

    struct SelectorCode {
        bool dot { false };
        std::string key;
        std::vector<CachedToken*> items; // each an expression read from level 0
    };

    // A target as ParseTarget reads it: a name and its selectors.
    struct TargetCode {
        CachedToken* word { nullptr };
        std::string name;
        std::vector<SelectorCode> selectors;
        CachedToken* after { nullptr }; // the token after the target
        SymtbEntry* entry { nullptr };
        uint64_t version { ~uint64_t { 0 } };
    };

    struct ParamCode {
        std::string name;
        SymtbEntry* entry { nullptr };
        uint64_t version { ~uint64_t { 0 } };
    };

    struct Statement {
        Shape shape { Shape::Assign };
        SymtbEntry* command { nullptr }; // what the run loop calls the current command
        TargetCode target;
        CachedToken* expr { nullptr }; // the expression's first token
        int level { 1 }; // 0: read as a range may be
        std::string_view trailing; // a word the handler skips after the expression
        std::string word; // SOMA, SUBTRAI...
        ArithOp arith { ArithOp::Add };
        // OneLineIf: the command after the condition (null: none), its
        // compiled form (null: run by the handler), and whether it was
        // taken for an assignment.
        CachedToken* body_first { nullptr };
        std::unique_ptr<Statement> body;
        bool body_is_assignment { false };
        SymtbEntry* body_entry { nullptr };
        uint64_t body_version { ~uint64_t { 0 } };
        bool (*jump)(Runtime&) { nullptr };
        std::vector<ParamCode> params;
        // The expression, when it may be taken as integers
        // (core::EvaluateIntegers) and nothing can be left after it on the
        // line but `trailing`: then there is nothing to complain of either.
        core::CompiledExpr* integers { nullptr };
        // CONCATENA: the operand's text, when it is a string literal alone
        // and nothing can follow it on the line.
        const std::string* literal { nullptr };
        // SOMA and the others: the operand, when it is an integer literal
        // alone and nothing can follow it on the line.
        bool literal_operand { false };
        int32_t operand { 0 };
    };

    bool IsWord(const CachedToken* t, std::string_view word)
    {
        return t->kind == TokenKind::Word && t->text == word;
    }

    bool IsCallable(const SymtbEntry* e)
    {
        return e && (e->kind == SymbolKind::Native || e->kind == SymbolKind::UserFunction);
    }

} // namespace

namespace {

    // A compiled line: what the run loop reads (LineCode), then the rest.
    struct CompiledLine : LineCode {
        Statement st;
        int32_t line { 0 };
        CachedToken* eol { nullptr }; // the line's last token
    };

} // namespace

void LineCodeDeleter::operator()(LineCode* code) const
{
    delete static_cast<CompiledLine*>(code);
}

namespace {

    class LineCompiler {
    public:
        LineCompiler(Runtime& runtime, CompiledLine& code, CachedToken* begin, CachedToken* end)
            : rt(runtime)
            , c(code)
            , b(begin)
            , past(end)
        {
        }

        bool Line(CachedToken* p, SymtbEntry* command) { return Statement(p, command, c.st); }

    private:
        // An expression at `t`, compiled when it can be.
        core::CompiledExpr* Expr(CachedToken* t, int level)
        {
            core::CompiledExpr* x = core::CompiledAt(rt, b, past, t, level);
            if (x && core::NestingDepth(*x) + 1 > c.depth)
                c.depth = core::NestingDepth(*x) + 1;
            return x;
        }

        bool Target(CachedToken*& p, TargetCode& tc, bool allow_selectors)
        {
            if (p->kind != TokenKind::Word)
                return false;
            SymtbEntry* found = rt.symbols.FindSymbol(rt.current_slot, rt.current_function, p->text);
            if (IsCallable(found) || (found && found->kind == SymbolKind::Module))
                return false;
            tc.word = p;
            tc.name = p->text;
            ++p;
            while (p->kind == TokenKind::Dot || p->kind == TokenKind::LeftBracket) {
                if (!allow_selectors)
                    return false;
                SelectorCode sel;
                if (p->kind == TokenKind::Dot) {
                    ++p;
                    if (p->kind != TokenKind::Word)
                        return false;
                    sel.dot = true;
                    sel.key = std::string(p->raw);
                    ++p;
                    tc.selectors.push_back(std::move(sel));
                    continue;
                }
                ++p;
                if (p->kind == TokenKind::RightBracket) {
                    ++p;
                    tc.selectors.push_back(std::move(sel));
                    continue;
                }
                for (;;) {
                    core::CompiledExpr* x = Expr(p, 0);
                    CachedToken* end = x ? core::FixedEnd(*x) : nullptr;
                    if (!end)
                        return false;
                    sel.items.push_back(p);
                    p = end;
                    if (p->kind == TokenKind::Comma) {
                        ++p;
                        continue;
                    }
                    if (p->kind != TokenKind::RightBracket)
                        return false;
                    ++p;
                    break;
                }
                tc.selectors.push_back(std::move(sel));
            }
            tc.after = p;
            return true;
        }

        bool AtEnd(const CachedToken* p) const { return p->kind == TokenKind::EndOfLine; }

        // The expression at `t` (level 1) when nothing but `trailing` can
        // follow it on the line.
        core::CompiledExpr* EndsTheLine(CachedToken* t, std::string_view trailing = {})
        {
            core::CompiledExpr* x = Expr(t, 1);
            CachedToken* end = x ? core::FixedEnd(*x) : nullptr;
            if (end && !trailing.empty() && IsWord(end, trailing))
                ++end;
            return end && AtEnd(end) ? x : nullptr;
        }

        bool Statement(CachedToken* p, SymtbEntry* command, interp::Statement& st)
        {
            if (p->kind != TokenKind::Word || !command)
                return false;
            st.command = command;
            if (command == rt.assignment_entry) {
                st.shape = Shape::Assign;
                if (!Target(p, st.target, true))
                    return false;
                if (!(p->kind == TokenKind::Assign
                        || (p->kind == TokenKind::Operator && p->op == core::OpCode::Equal)))
                    return false;
                ++p;
                st.expr = p;
                Expr(p, 1);
                return true;
            }
            if (command == rt.one_line_if_entry)
                return OneLineIf(p + 1, st);
            if (command == rt.return_entry) {
                st.shape = Shape::Return;
                ++p;
                if (IsWord(p, "FUNCAO"))
                    return AtEnd(p + 1);
                if (!AtEnd(p)) {
                    st.expr = p;
                    Expr(p, 1);
                }
                return true;
            }
            const std::string& name = command->name;
            if (name == "SOMA" || name == "SUBTRAI" || name == "MULTIPLICA" || name == "DIVIDE") {
                st.shape = Shape::Arith;
                st.word = name;
                st.arith = name == "SOMA"  ? ArithOp::Add
                    : name == "SUBTRAI"    ? ArithOp::Subtract
                    : name == "MULTIPLICA" ? ArithOp::Multiply
                                           : ArithOp::Divide;
                ++p;
                if (!Target(p, st.target, true))
                    return false;
                st.expr = p;
                st.integers = EndsTheLine(p);
                st.literal_operand = st.integers && core::LiteralInteger(*st.integers, st.operand);
                return true;
            }
            if (name == "CONCATENA") {
                st.shape = Shape::Concat;
                ++p;
                if (!Target(p, st.target, true) || IsWord(p, "LISTA"))
                    return false;
                st.expr = p;
                if (core::CompiledExpr* x = EndsTheLine(p))
                    st.literal = core::LiteralText(*x);
                return true;
            }
            if (name == "SE" || name == "ENQUANTO") {
                st.shape = name == "SE" ? Shape::If : Shape::While;
                st.trailing = name == "SE" ? "ENTAO" : "FACA";
                st.expr = p + 1;
                st.integers = EndsTheLine(p + 1, st.trailing);
                return true;
            }
            if (name == "SEN\xC3O" || name == "SENAO") {
                ++p;
                if (AtEnd(p)) {
                    st.shape = Shape::Else;
                    return true;
                }
                if (!IsWord(p, "SE"))
                    return false;
                st.shape = Shape::If;
                st.trailing = "ENTAO";
                st.expr = p + 1;
                st.integers = EndsTheLine(p + 1, st.trailing);
                return true;
            }
            if (name == "FIM")
                return End(p + 1, st);
            if (name == "REPETE") {
                st.shape = Shape::Repeat;
                ++p;
                if (!Target(p, st.target, true))
                    return false;
                st.expr = p;
                st.integers = EndsTheLine(p);
                return true;
            }
            if (name == "PARA") {
                st.shape = Shape::For;
                ++p;
                if (!Target(p, st.target, false) || !IsWord(p, "EM"))
                    return false;
                st.expr = p + 1;
                st.level = 0;
                st.trailing = "FACA";
                Expr(p + 1, 0);
                return true;
            }
            if (name == "QUEBRA" || name == "CONTINUA") {
                st.shape = Shape::Jump;
                st.jump = name == "QUEBRA" ? CmdQuebra : CmdContinua;
                return AtEnd(p + 1);
            }
            if (name == "FUNCAO")
                return FunctionHead(p + 1, st);
            return false;
        }

        bool End(CachedToken* p, interp::Statement& st)
        {
            if (IsWord(p, "SE"))
                st.shape = Shape::EndIf;
            else if (IsWord(p, "ENQUANTO"))
                st.shape = Shape::EndWhile;
            else if (IsWord(p, "REPETE"))
                st.shape = Shape::EndRepeat;
            else if (IsWord(p, "PARA"))
                st.shape = Shape::EndFor;
            else
                return false;
            return AtEnd(p + 1);
        }

        bool OneLineIf(CachedToken* p, interp::Statement& st)
        {
            st.shape = Shape::OneLineIf;
            st.expr = p;
            core::CompiledExpr* x = Expr(p, 1);
            CachedToken* body = x ? core::FixedEnd(*x) : nullptr;
            if (!body)
                return false;
            st.integers = x; // where the command starts is fixed
            if (IsWord(body, "ENTAO"))
                ++body;
            if (AtEnd(body))
                return true;
            if (body->kind != TokenKind::Word)
                return false;
            st.body_first = body;
            SymtbEntry* e = rt.symbols.FindOrAddSymbol(rt.current_slot, nullptr, body->text, false);
            st.body_entry = e;
            st.body_version = rt.symbols.Version();
            st.body_is_assignment = !e || e->kind >= SymbolKind::Variable;
            if (!st.body_is_assignment && e->kind != SymbolKind::Command && e->kind != SymbolKind::Break
                && e->kind != SymbolKind::Continue)
                return false;
            // Commands without a compiled form are left to the handler.
            auto inner = std::make_unique<interp::Statement>();
            if (Statement(body, st.body_is_assignment ? rt.assignment_entry : e, *inner))
                st.body = std::move(inner);
            return true;
        }

        bool FunctionHead(CachedToken* p, interp::Statement& st)
        {
            st.shape = Shape::FunctionHead;
            ++p; // the function's name
            if (AtEnd(p))
                return true;
            if (p->kind != TokenKind::LeftParen)
                return false;
            for (++p; !AtEnd(p) && p->kind != TokenKind::RightParen; ++p) {
                if (p->kind == TokenKind::Colon)
                    return false;
                if (p->kind == TokenKind::Word)
                    st.params.push_back({ p->text, nullptr, ~uint64_t { 0 } });
            }
            return p->kind == TokenKind::RightParen && AtEnd(p + 1);
        }

        Runtime& rt;
        CompiledLine& c;
        CachedToken* b;
        CachedToken* past;
    };

    // ---- Running ----

    enum class TargetRun : uint8_t { Ok, Failed, Ordinary };

    // A store's one subscript: its item, or none for "[]" (append).
    struct OneSelector {
        Value key;
        bool append { false };
    };

    class LineRunner {
    public:
        LineRunner(Runtime& runtime, int32_t line)
            : rt(runtime)
            , line_number(line)
        {
        }

        // False: run the line the ordinary way (only before anything was done).
        bool Run(CompiledLine& code, Statement& st, bool& ok);

        // What runs a statement of each shape.
        using Step = bool (LineRunner::*)(CompiledLine& code, Statement& st, bool& ok);
        static Step StepFor(Shape shape);

        bool Assign(CompiledLine& code, Statement& st, bool& ok)
        {
            return AssignToVariable(code, st, ok) || Store(code, st, ok);
        }
        bool Arith(CompiledLine& code, Statement& st, bool& ok)
        {
            return ArithOnVariable(code, st, ok) || Store(code, st, ok);
        }
        bool Concat(CompiledLine& code, Statement& st, bool& ok)
        {
            return ConcatOnVariable(st, ok) || Store(code, st, ok);
        }
        bool Nothing(CompiledLine&, Statement&, bool& ok)
        {
            ok = true;
            return true;
        }
        bool EndOfWhileLoop(CompiledLine&, Statement&, bool& ok) { return EndWhile(ok); }
        bool EndOfLoop(CompiledLine&, Statement& st, bool& ok) { return LoopEnd(st, ok); }
        bool Jump(CompiledLine&, Statement& st, bool& ok)
        {
            ok = st.jump(rt);
            return true;
        }
        bool EnterFunction(CompiledLine&, Statement& st, bool& ok) { return FunctionHead(st, ok); }
        bool Condition(CompiledLine& code, Statement& st, bool& ok);
        bool Return(CompiledLine& code, Statement& st, bool& ok);
        bool LoopHead(CompiledLine& code, Statement& st, bool& ok);
        bool OneLineIf(CompiledLine& code, Statement& st, bool& ok);

    private:
        // Puts the lexer on token `t` of line `line`, as the handler's
        // cursor would stand there.
        void PlaceLexer(int32_t line, CachedToken* t)
        {
            CodeRec& rec = rt.Slot().lines[static_cast<size_t>(line)];
            rt.lexer.StartLine(line, rec.text.data(), static_cast<size_t>(rec.length), &rec.tokens);
            rt.lexer.JumpToCached(t);
        }

        // The expression at `t` of `code`'s line, as ParseExpression (level
        // 1) or ParseRangeExpression (level 0); the token where it ended.
        CachedToken* Evaluate(const CompiledLine& code, CachedToken* t, int level, Value& v)
        {
            core::CompiledExpr* x = t->compiled[level].get();
            if (x) {
                if (CachedToken* stop = core::EvaluateCompiled(rt, *x, v, level))
                    return stop;
            }
            PlaceLexer(code.line, t);
            if (level == 1)
                rt.ParseExpression(v);
            else
                rt.ParseRangeExpression(v);
            return rt.lexer.tok.cached && !rt.lexer.AtEnd() ? rt.lexer.tok.cached : code.eol;
        }

        // What the run loop says of a line not read to its end. Most lines
        // are read to the end, which is told here without a call.
        [[gnu::always_inline]] void LineShouldEnd(CachedToken* stop, std::string_view trailing = {})
        {
            if (stop->kind != TokenKind::EndOfLine)
                LineNotEnded(stop, trailing);
        }
        [[gnu::noinline]] void LineNotEnded(CachedToken* stop, std::string_view trailing)
        {
            if (!trailing.empty() && IsWord(stop, trailing))
                ++stop;
            if (stop->kind != TokenKind::EndOfLine)
                rt.ReportErrorHere(msg::LineShouldEnd(stop->raw));
        }

        Value Selector(const CompiledLine& code, const SelectorCode& sel)
        {
            Value out = Value::NewList();
            if (sel.dot) {
                out.List().Append(Value::String(sel.key));
                return out;
            }
            core::NestingGuard guard(rt);
            if (!guard.ok())
                return out;
            for (CachedToken* t : sel.items) {
                Value item;
                Evaluate(code, t, 0, item);
                if (!item.is(ValueKind::Invalid))
                    out.List().Append(std::move(item));
            }
            return out;
        }

        // ParseTarget over a compiled target. `failed_at` is where the
        // handler's cursor stands after a failure.
        // With `one`, a target of one subscript of at most one item leaves
        // it there instead of in t.selectors, when the item has a value.
        TargetRun Target(const CompiledLine& code, TargetCode& tc, bool allow_function, core::TargetRec& t,
            CachedToken*& failed_at, OneSelector* one = nullptr)
        {
            uint64_t version = rt.symbols.Version();
            if (tc.version != version) {
                tc.entry = rt.symbols.FindSymbol(rt.current_slot, rt.current_function, tc.name);
                tc.version = version;
            }
            SymtbEntry* e = tc.entry;
            if ((e && e->kind == SymbolKind::Module) || (allow_function && IsCallable(e)))
                return TargetRun::Ordinary;
            if (!e)
                e = rt.symbols.FindOrAddSymbol(rt.current_slot, nullptr, tc.name, true);
            if (e->kind == SymbolKind::Undefined) {
                e->kind = SymbolKind::Variable;
                rt.VariableCell(*e).value.Clear();
            }
            failed_at = tc.word;
            if (e->kind != SymbolKind::Variable) {
                rt.ReportErrorHere(msg::NotAVariableName(tc.name, core::SymbolKindName(e->kind)));
                return TargetRun::Failed;
            }
            t.entry = e;
            t.selectors.clear();
            const uint32_t overflows = rt.expr_nesting_overflows;
            if (one && tc.selectors.size() == 1 && !tc.selectors[0].dot
                && tc.selectors[0].items.size() <= 1) {
                const bool append = tc.selectors[0].items.empty();
                {
                    core::NestingGuard guard(rt);
                    if (guard.ok() && !append)
                        Evaluate(code, tc.selectors[0].items[0], 0, one->key);
                }
                if (rt.expr_nesting_overflows == overflows && (append || !one->key.is(ValueKind::Invalid))) {
                    one->append = append;
                    return TargetRun::Ok;
                }
                // What Selector makes of it: an empty list for "inválido".
                t.selectors.push_back(Value::NewList());
                if (!one->key.is(ValueKind::Invalid))
                    t.selectors.back().List().Append(std::move(one->key));
                one->key.Clear();
            } else {
                for (const SelectorCode& sel : tc.selectors)
                    t.selectors.push_back(Selector(code, sel));
            }
            if (rt.expr_nesting_overflows != overflows) {
                t.entry = nullptr;
                t.selectors.clear();
                failed_at = tc.after;
                return TargetRun::Failed;
            }
            return TargetRun::Ok;
        }

        // The head line of the loop a FIM closes, when it is compiled as
        // `shape`.
        CompiledLine* Head(int32_t head, Shape shape)
        {
            ScriptRec& s = rt.Slot();
            if (head <= 0 || head > s.last_line)
                return nullptr;
            // A loop's head runs once, its FIM every pass: the head is
            // compiled when its FIM first needs it.
            const CodeRec& rec = s.lines[static_cast<size_t>(head)];
            auto* code = static_cast<CompiledLine*>(rec.code ? rec.code.get() : CodeOf(rt, head));
            if (!code || code->st.shape != shape || code->slot != rt.current_slot
                || code->function != rt.current_function)
                return nullptr;
            return code;
        }

        bool Store(CompiledLine& code, Statement& st, bool& ok);
        bool AssignToVariable(CompiledLine& code, Statement& st, bool& ok);
        bool ArithOnVariable(CompiledLine& code, Statement& st, bool& ok);
        bool ConcatOnVariable(Statement& st, bool& ok);
        // The variable `tc` names, when it is one without subscripts known
        // under this symbol table.
        SymtbEntry* PlainVariable(const TargetCode& tc) const
        {
            SymtbEntry* e = tc.entry;
            if (!tc.selectors.empty() || tc.version != rt.symbols.Version() || !e
                || e->kind != SymbolKind::Variable)
                return nullptr;
            return e;
        }
        bool StepCounter(CompiledLine& head_code, int32_t head, bool& ok);
        bool EndWhile(bool& ok);
        bool LoopEnd(Statement& st, bool& ok);
        bool FunctionHead(Statement& st, bool& ok);

        Runtime& rt;
        int32_t line_number;
    };

    LineRunner::Step LineRunner::StepFor(Shape shape)
    {
        switch (shape) {
        case Shape::Assign:
            return &LineRunner::Assign;
        case Shape::Arith:
            return &LineRunner::Arith;
        case Shape::Concat:
            return &LineRunner::Concat;
        case Shape::If:
        case Shape::While:
            return &LineRunner::Condition;
        case Shape::Else:
        case Shape::EndIf:
            return &LineRunner::Nothing;
        case Shape::EndWhile:
            return &LineRunner::EndOfWhileLoop;
        case Shape::OneLineIf:
            return &LineRunner::OneLineIf;
        case Shape::Repeat:
        case Shape::For:
            return &LineRunner::LoopHead;
        case Shape::EndRepeat:
        case Shape::EndFor:
            return &LineRunner::EndOfLoop;
        case Shape::Return:
            return &LineRunner::Return;
        case Shape::Jump:
            return &LineRunner::Jump;
        case Shape::FunctionHead:
            return &LineRunner::EnterFunction;
        }
        return &LineRunner::Nothing;
    }

    bool LineRunner::Run(CompiledLine& code, Statement& st, bool& ok)
    {
        rt.current_command = st.command;
        return (this->*StepFor(st.shape))(code, st, ok);
    }

    // A whole line of one shape, as the run loop calls it: each shape has its
    // own, into which the shape's steps are inlined, so the run loop goes
    // straight to them.
    template <LineRunner::Step S> LineRun RunLineAs(Runtime& rt, LineCode& code, int32_t line)
    {
        CompiledLine& c = static_cast<CompiledLine&>(code);
        rt.current_command = c.st.command;
        LineRunner runner(rt, line);
        bool ok = false;
        if (!(runner.*S)(c, c.st, ok))
            return LineRun::Ordinary;
        return ok ? LineRun::Ok : LineRun::Failed;
    }

    LineCode::Runner RunnerFor(Shape shape)
    {
        switch (shape) {
        case Shape::Assign:
            return &RunLineAs<&LineRunner::Assign>;
        case Shape::Arith:
            return &RunLineAs<&LineRunner::Arith>;
        case Shape::Concat:
            return &RunLineAs<&LineRunner::Concat>;
        case Shape::If:
        case Shape::While:
            return &RunLineAs<&LineRunner::Condition>;
        case Shape::Else:
        case Shape::EndIf:
            return &RunLineAs<&LineRunner::Nothing>;
        case Shape::EndWhile:
            return &RunLineAs<&LineRunner::EndOfWhileLoop>;
        case Shape::OneLineIf:
            return &RunLineAs<&LineRunner::OneLineIf>;
        case Shape::Repeat:
        case Shape::For:
            return &RunLineAs<&LineRunner::LoopHead>;
        case Shape::EndRepeat:
        case Shape::EndFor:
            return &RunLineAs<&LineRunner::EndOfLoop>;
        case Shape::Return:
            return &RunLineAs<&LineRunner::Return>;
        case Shape::Jump:
            return &RunLineAs<&LineRunner::Jump>;
        case Shape::FunctionHead:
            return &RunLineAs<&LineRunner::EnterFunction>;
        }
        return nullptr;
    }

    // SE, SENAO SE and ENQUANTO.
    bool LineRunner::Condition(CompiledLine& code, Statement& st, bool& ok)
    {
        const int32_t jump = rt.Slot().lines[static_cast<size_t>(line_number)].jump;
        int32_t integer = 0;
        const bool integers = st.integers && core::EvaluateIntegers(rt, *st.integers, integer);
        Value v;
        CachedToken* stop = code.eol;
        if (!integers)
            stop = Evaluate(code, st.expr, 1, v);
        const bool truth = integers ? integer != 0 : Runtime::Truth(v);
        if (st.shape == Shape::If)
            BranchUnless(rt, jump, truth);
        else
            LoopWhile(rt, line_number, truth);
        ok = true;
        LineShouldEnd(stop, st.trailing);
        return true;
    }

    // FIM ENQUANTO goes back to its head. When the head is compiled and its
    // condition is two integers compared, which can neither fail, call nor
    // report, and nothing follows the condition but FACA, the head's test is
    // made here: the loop goes on where running the head line next would
    // have taken it, without a second trip through the run loop.
    bool LineRunner::EndWhile(bool& ok)
    {
        ScriptRec& s = rt.Slot();
        const int32_t head = s.lines[static_cast<size_t>(line_number)].jump;
        CompiledLine* head_code = Head(head, Shape::While); // null for a head out of range
        int32_t truth = 0;
        if (head_code && head_code->st.integers
            && core::EvaluateIntegers(rt, *head_code->st.integers, truth)) {
            ok = true;
            s.next_line = s.lines[static_cast<size_t>(head)].next;
            LoopWhile(rt, head, truth != 0);
            return true;
        }
        ok = EndOfWhile(rt);
        return true;
    }

    bool LineRunner::Return(CompiledLine& code, Statement& st, bool& ok)
    {
        Value result = Value::Undefined();
        CachedToken* stop = code.eol;
        if (st.expr)
            stop = Evaluate(code, st.expr, 1, result);
        ok = ReturnValue(rt, std::move(result));
        if (ok)
            LineShouldEnd(stop);
        return true;
    }

    // SOMA and the others on a variable without subscripts that already
    // holds an integer and is known under this symbol table: what Target
    // and ReadTarget would find, read straight from the cell. False (with
    // nothing done) for any other case.
    bool LineRunner::ArithOnVariable(CompiledLine& code, Statement& st, bool& ok)
    {
        SymtbEntry* e = PlainVariable(st.target);
        if (!e)
            return false;
        core::VarCell& cell = rt.VariableCell(*e);
        if (cell.iterator >= 0 || !cell.value.is(ValueKind::Integer))
            return false;
        const int32_t base = cell.value.AsInt();
        int32_t operand = st.operand;
        const bool integer = (st.literal_operand && !rt.check_only)
            || (st.integers && core::EvaluateIntegers(rt, *st.integers, operand));
        if (integer && !(st.arith == ArithOp::Divide && operand == 0)) {
            // Reading integers made nothing and called nothing: the cell
            // (which never moves) is still the target's, and nothing is left
            // on the line.
            cell.value = Value::Int(ArithOnIntegers(st.arith, base, operand));
            ok = true;
            return true;
        }
        // Any other operand: the handler's shared step, with the target as
        // read before the operand.
        Value v;
        CachedToken* stop = Evaluate(code, st.expr, 1, v);
        core::ConvertExpressionValue(v, ValueKind::Integer);
        core::TargetRec t;
        t.entry = e;
        ok = ApplyArithmetic(rt, st.arith, st.word, t, Value::Int(base), v);
        if (ok)
            LineShouldEnd(stop);
        return true;
    }

    // An assignment to a variable without subscripts known under this symbol
    // table: what Target would find for it (neither a function nor a
    // module), without the general target walk. False (with nothing done)
    // for any other target.
    bool LineRunner::AssignToVariable(CompiledLine& code, Statement& st, bool& ok)
    {
        SymtbEntry* e = PlainVariable(st.target);
        if (!e)
            return false;
        Value v;
        CachedToken* stop = Evaluate(code, st.expr, 1, v);
        core::TargetRec t;
        t.entry = e;
        ok = AssignValue(rt, t, v);
        if (ok)
            LineShouldEnd(stop);
        return true;
    }

    // CONCATENA of a string literal onto a variable without subscripts that
    // holds a text: AppendText's change in place, without reading the
    // target or making the literal's value first. False (with nothing done)
    // for any other case.
    bool LineRunner::ConcatOnVariable(Statement& st, bool& ok)
    {
        SymtbEntry* e = st.literal && !rt.check_only ? PlainVariable(st.target) : nullptr;
        if (!e)
            return false;
        core::VarCell& cell = rt.VariableCell(*e);
        if (cell.iterator >= 0 || !cell.value.is(ValueKind::String))
            return false;
        cell.value.MutableText() += *st.literal;
        ok = true;
        return true;
    }

    // A REPETE counter that is a variable without subscripts holding an
    // integer, against a limit read as integers: StepRepete's steps on the
    // cell itself. False (with nothing done) for any other case.
    bool LineRunner::StepCounter(CompiledLine& head_code, int32_t head, bool& ok)
    {
        Statement& hs = head_code.st;
        SymtbEntry* e = hs.integers ? PlainVariable(hs.target) : nullptr;
        if (!e)
            return false;
        core::VarCell& cell = rt.VariableCell(*e);
        int32_t limit = 0;
        if (cell.iterator >= 0 || !cell.value.is(ValueKind::Integer)
            || !core::EvaluateIntegers(rt, *hs.integers, limit))
            return false;
        const int32_t current = cell.value.AsInt();
        if (current < limit) {
            cell.value = Value::Int(current + 1);
            ScriptRec& s = rt.Slot();
            s.next_line = s.lines[static_cast<size_t>(head)].next;
        }
        ok = true;
        return true;
    }

    // An assignment, SOMA and the others, or CONCATENA.
    bool LineRunner::Store(CompiledLine& code, Statement& st, bool& ok)
    {
        CachedToken* failed_at = nullptr;
        core::TargetRec t;
        const bool assign = st.shape == Shape::Assign;
        OneSelector one;
        TargetRun run = Target(code, st.target, assign, t, failed_at, assign ? &one : nullptr);
        if (run == TargetRun::Ordinary)
            return false;
        if (run == TargetRun::Failed) {
            ok = false;
            return true;
        }
        // SOMA, CONCATENA and the others read their target before the operand.
        const bool concat = st.shape == Shape::Concat;
        Value current = assign ? Value() : core::ReadTarget(rt, t);
        if (concat)
            core::ConvertExpressionValue(current, ValueKind::String);
        Value v;
        CachedToken* stop = Evaluate(code, st.expr, 1, v);
        if (one.append || !one.key.is(ValueKind::Invalid)) {
            if (!v.is(ValueKind::Invalid) && t.entry->kind == SymbolKind::Variable) {
                ok = core::AssignOne(
                         rt.VariableCell(*t.entry), t.entry->name, one.append ? nullptr : &one.key, v, rt)
                    || FailQuietly(rt);
                if (ok)
                    LineShouldEnd(stop);
                return true;
            }
            t.selectors.push_back(Value::NewList());
            if (!one.append)
                t.selectors.back().List().Append(std::move(one.key));
        }
        if (assign) {
            ok = AssignValue(rt, t, v);
        } else if (concat) {
            core::ConvertExpressionValue(v, ValueKind::String);
            ok = AppendText(rt, t, current, v);
        } else {
            core::ConvertExpressionValue(v, ValueKind::Integer);
            ok = ApplyArithmetic(rt, st.arith, st.word, t, current, v);
        }
        if (ok)
            LineShouldEnd(stop);
        return true;
    }

    // REPETE and PARA EM.
    bool LineRunner::LoopHead(CompiledLine& code, Statement& st, bool& ok)
    {
        CachedToken* failed_at = nullptr;
        core::TargetRec t;
        TargetRun run = Target(code, st.target, false, t, failed_at);
        if (run == TargetRun::Ordinary)
            return false;
        if (run == TargetRun::Failed) {
            ok = false;
            LineShouldEnd(failed_at);
            return true;
        }
        Value operand;
        CachedToken* stop = Evaluate(code, st.expr, st.level, operand);
        if (st.shape == Shape::Repeat) {
            core::ConvertExpressionValue(operand, ValueKind::Integer);
            ok = StartRepete(rt, line_number, t, operand);
        } else {
            bool downwards = operand.is(ValueKind::Range) && operand.RangeSecond() < operand.RangeFirst();
            ok = StartPara(rt, line_number, t, std::move(operand), downwards);
        }
        if (ok)
            LineShouldEnd(stop, st.trailing);
        return true;
    }

    // FIM REPETE and FIM PARA, through their head line's code.
    bool LineRunner::LoopEnd(Statement& st, bool& ok)
    {
        const int32_t head = rt.Slot().lines[static_cast<size_t>(line_number)].jump;
        CompiledLine* head_code = Head(head, st.shape == Shape::EndRepeat ? Shape::Repeat : Shape::For);
        if (!head_code)
            return false;
        if (st.shape == Shape::EndRepeat && StepCounter(*head_code, head, ok))
            return true;
        core::TargetRec t;
        if (st.shape == Shape::EndFor) {
            // A loop variable known under this symbol table is what Target
            // would find; StepPara checks that it still iterates.
            t.entry = PlainVariable(head_code->st.target);
            if (t.entry) {
                ok = StepPara(rt, head, t);
                return true;
            }
        }
        CachedToken* failed_at = nullptr;
        TargetRun run = Target(*head_code, head_code->st.target, false, t, failed_at);
        if (run == TargetRun::Ordinary)
            return false;
        if (run == TargetRun::Failed) {
            ok = false;
            LineShouldEnd(failed_at);
            return true;
        }
        if (st.shape == Shape::EndFor) {
            ok = StepPara(rt, head, t);
            return true;
        }
        Value limit;
        Evaluate(*head_code, head_code->st.expr, 1, limit);
        core::ConvertExpressionValue(limit, ValueKind::Integer);
        ok = StepRepete(rt, head, t, limit);
        return true;
    }

    bool LineRunner::OneLineIf(CompiledLine& code, Statement& st, bool& ok)
    {
        int32_t integer = 0;
        bool truth = false;
        if (st.integers && core::EvaluateIntegers(rt, *st.integers, integer)) {
            truth = integer != 0;
        } else {
            Value v;
            Evaluate(code, st.expr, 1, v);
            truth = Runtime::Truth(v);
        }
        ok = true;
        if (!truth || !st.body_first)
            return true;
        if (st.body) {
            uint64_t version = rt.symbols.Version();
            if (st.body_version != version) {
                st.body_entry
                    = rt.symbols.FindOrAddSymbol(rt.current_slot, nullptr, st.body_first->text, false);
                st.body_version = version;
            }
            const SymtbEntry* e = st.body_entry;
            bool assignment = !e || e->kind >= SymbolKind::Variable;
            if (assignment == st.body_is_assignment && Run(code, *st.body, ok))
                return true;
        }
        // The handler takes the command from its word on.
        ++rt.steps_outside;
        PlaceLexer(line_number, st.body_first);
        rt.lexer.MarkToken();
        ok = RunOneLineIfBody(rt);
        if (!rt.lexer.AtEnd())
            rt.ReportErrorHere(msg::LineShouldEnd(rt.lexer.tok.raw));
        return true;
    }

    bool LineRunner::FunctionHead(Statement& st, bool& ok)
    {
        CodeRec& rec = rt.Slot().lines[static_cast<size_t>(line_number)];
        SymtbEntry* f = rec.function;
        if (!f || rt.entering_function != f)
            return false; // the definition is jumped over: the handler does that
        rt.entering_function = nullptr;
        rt.current_function = f;
        int32_t offset = -1;
        for (ParamCode& param : st.params) {
            // While no symbol has come or gone, defining the parameter again
            // would find the same entry and leave it as it is.
            SymtbEntry* e = param.entry;
            if (!(e && param.version == rt.symbols.Version() && e->kind == SymbolKind::Variable
                    && e->value1 == offset)) {
                // A refusal is reported by the lexer, with its line number.
                PlaceLexer(
                    line_number, rt.Slot().lines[static_cast<size_t>(line_number)].tokens.tokens.data());
                e = rt.DefineLocal(rt.current_slot, f, param.name, offset);
                if (!e) {
                    ok = false;
                    return true;
                }
                param.entry = e;
                param.version = rt.symbols.Version();
            }
            --offset;
        }
        f->value3 = 0;
        ok = true;
        return true;
    }

} // namespace

LineCodePtr CompileLine(Runtime& rt, int32_t line)
{
    ScriptRec& s = rt.Slot();
    CodeRec& rec = s.lines[static_cast<size_t>(line)];
    core::LineTokens& cache = rec.tokens;
    if (cache.state != core::LineTokens::State::Cached || cache.text != rec.text.data()
        || cache.tokens.empty())
        return nullptr;
    CachedToken* begin = cache.tokens.data();
    CachedToken* end = begin + cache.tokens.size();
    if (end[-1].kind != TokenKind::EndOfLine)
        return nullptr;
    CachedToken* p = begin;
    if (p->kind == TokenKind::LabelWord) {
        ++p;
        if (p->kind == TokenKind::Colon)
            ++p;
    }
    auto code = std::make_unique<CompiledLine>();
    code->line = line;
    code->eol = end - 1;
    code->slot = rt.current_slot;
    code->function = rt.current_function;
    code->depth = 1;
    LineCompiler compiler(rt, *code, begin, end);
    if (!compiler.Line(p, rec.command))
        return nullptr;
    code->run = RunnerFor(code->st.shape);
    code->any_scope = code->st.shape == Shape::FunctionHead;
    return LineCodePtr(code.release());
}

LineCode* CodeOf(Runtime& rt, int32_t line)
{
    CodeRec& rec = rt.Slot().lines[static_cast<size_t>(line)];
    if (!rec.code) {
        if (rec.code_tried || rec.tokens.state != core::LineTokens::State::Cached)
            return nullptr;
        rec.code_tried = true;
        rec.code = CompileLine(rt, line);
    }
    return rec.code.get();
}

} // namespace palavrino::interp
