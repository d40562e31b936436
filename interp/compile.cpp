// The compile pass: one walk over a slot's lines that resolves each line's
// command word, defines labels and user functions, matches every block
// with its FIM and writes the jump links, so the run loop never searches for
// the end of a block. The first error stops the pass; the slot's current
// line tells the caller where.
#include "core/char_tables.h"
#include "interp/runtime.h"
#include "messages/interp.h"

#include <algorithm>

namespace palavrino::interp {

namespace {

    // Open blocks a script may nest; far beyond anything written by hand, it
    // only stops a generated script from growing the stack without bound.
    constexpr size_t MAX_OPEN_BLOCKS = 8196;

    struct StackRec {
        SymbolKind kind;
        std::string word;
        int32_t line;
    };

    class Compiler {
    public:
        Compiler(Runtime& runtime, int32_t slot_number)
            : rt(runtime)
            , slot(slot_number)
            , s(runtime.SlotAt(slot_number))
        {
        }
        bool Run();
        int32_t StoppedAt() const { return stopped_at; }

    private:
        bool Line(int32_t g);
        bool Fail(int32_t line, std::string_view message)
        {
            rt.ReportError(line, message);
            return false;
        }
        bool Import(int32_t g);
        bool IfLine(int32_t g);
        bool ElseLine(int32_t g);
        bool FunctionLine(int32_t g);
        bool EndLine(int32_t g);
        bool LinkToLoop(int32_t g, SymtbEntry* e);
        bool Push(SymbolKind kind, std::string word, int32_t line);
        CodeRec& Rec(int32_t g) { return s.lines[static_cast<size_t>(g)]; }
        bool Word(std::string_view w) const { return rt.lexer.TokenIsWord(w); }

        Runtime& rt;
        int32_t slot;
        ScriptRec& s;
        std::vector<StackRec> blocks;
        SymtbEntry* function { nullptr };
        int32_t stopped_at { 0 };
    };

    bool Compiler::Push(SymbolKind kind, std::string word, int32_t line)
    {
        if (blocks.size() >= MAX_OPEN_BLOCKS)
            return Fail(line, msg::TooManyOpenBlocks(static_cast<int32_t>(MAX_OPEN_BLOCKS)));
        blocks.push_back({ kind, std::move(word), line });
        return true;
    }

    bool Compiler::Run()
    {
        for (int32_t g = 1; g <= s.last_line; ++g) {
            stopped_at = g;
            if (!Line(g))
                return false;
        }
        if (!blocks.empty()) {
            stopped_at = s.last_line;
            const StackRec& top = blocks.back();
            return Fail(s.last_line, msg::UnfinishedCommand(top.word, top.line));
        }
        stopped_at = s.last_line;
        return true;
    }

    bool Compiler::Line(int32_t g)
    {
        CodeRec& rec = Rec(g);
        rt.lexer.StartLine(g, rec.text.data(), static_cast<size_t>(rec.length));
        rec.function = function;
        rec.next = g + 1;
        core::TokenRec& t = rt.lexer.tok;
        if (rt.lexer.NextToken() == core::TokenKind::EndOfLine)
            return true;
        if (t.kind == core::TokenKind::LabelWord) {
            if (!rt.DefineLabel(slot, function, t.text, g))
                return Fail(g, msg::LabelIgnored(t.text));
            rt.lexer.NextToken();
            if (t.kind == core::TokenKind::Colon)
                rt.lexer.NextToken();
        }
        if (t.kind != core::TokenKind::Word)
            return true;
        SymtbEntry* e = rt.symbols.FindCommand(t.text);
        if (!e)
            return true;
        rec.command = e;
        std::string word = t.text;
        switch (e->kind) {
        case SymbolKind::Command:
            if (word == "LOCAL") {
                if (!function)
                    return Fail(g, msg::MSG_LOCAL_OUTSIDE_FUNCTION);
                if (blocks.size() > 1)
                    return Fail(g, msg::MSG_LOCAL_IN_LOOP);
            } else if (word == "IMPORTA") {
                if (function)
                    return Fail(g, msg::MSG_IMPORTA_IN_FUNCTION);
                if (!blocks.empty())
                    return Fail(g, msg::MSG_IMPORTA_IN_LOOP);
                return Import(g);
            }
            return true;
        case SymbolKind::If:
            return IfLine(g);
        case SymbolKind::Else:
            return ElseLine(g);
        case SymbolKind::FunctionDef:
            return FunctionLine(g);
        case SymbolKind::Loop:
            return Push(SymbolKind::Loop, word, g);
        case SymbolKind::Break:
        case SymbolKind::Continue:
            return LinkToLoop(g, e);
        case SymbolKind::End:
            return EndLine(g);
        default:
            return true;
        }
    }

    bool Compiler::LinkToLoop(int32_t g, SymtbEntry* e)
    {
        for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
            if (it->kind == SymbolKind::Loop) {
                Rec(g).jump = it->line;
                return true;
            }
        }
        return Fail(g, msg::OutsideLoop(e->name));
    }

    bool Compiler::IfLine(int32_t g)
    {
        rt.lexer.NextToken();
        rt.SkipExpression();
        if (Word("ENTAO"))
            rt.lexer.NextToken();
        if (rt.lexer.AtEnd())
            return Push(SymbolKind::If, "SE", g);
        Rec(g).command = rt.one_line_if_entry;
        core::TokenRec& t = rt.lexer.tok;
        SymtbEntry* e = t.kind == core::TokenKind::Word ? rt.symbols.FindCommand(t.text) : nullptr;
        if (!e)
            return true; // an assignment
        if (e->name == "LOCAL")
            return Fail(g, msg::MSG_LOCAL_ON_IF_LINE);
        if (e->name == "IMPORTA")
            return Fail(g, msg::MSG_IMPORTA_ON_IF_LINE);
        if (e->kind == SymbolKind::Break || e->kind == SymbolKind::Continue)
            return LinkToLoop(g, e);
        if (e->kind == SymbolKind::Command)
            return true;
        return Fail(g, msg::MSG_EXPECTED_SIMPLE_COMMAND_ON_IF_LINE);
    }

    bool Compiler::ElseLine(int32_t g)
    {
        if (blocks.empty()
            || (blocks.back().kind != SymbolKind::If && blocks.back().kind != SymbolKind::ElseIf))
            return Fail(g, msg::MSG_STRAY_SENAO);
        if (!Push(SymbolKind::Else, "SEN\xC3O", g))
            return false;
        rt.lexer.NextToken();
        if (rt.lexer.AtEnd())
            return true;
        if (!Word("SE"))
            return false; // the pass stops here without a message of its own
        rt.lexer.NextToken();
        rt.SkipExpression();
        if (Word("ENTAO"))
            rt.lexer.NextToken();
        if (!rt.lexer.AtEnd())
            return Fail(g, msg::MSG_ONE_LINE_IF_AFTER_SENAO);
        blocks.back() = { SymbolKind::ElseIf, "SEN\xC3O SE", g };
        return true;
    }

    bool Compiler::FunctionLine(int32_t g)
    {
        if (function || !blocks.empty())
            return Fail(g, msg::MSG_NESTED_FUNCTION);
        core::TokenRec& t = rt.lexer.tok;
        if (rt.lexer.NextToken() != core::TokenKind::Word)
            return Fail(g, msg::MSG_EXPECTED_FUNCTION_NAME);
        SymtbEntry* existing = rt.symbols.FindOrAddSymbol(slot, nullptr, t.text, false);
        if (existing)
            return Fail(g, msg::FunctionNameTaken(t.text, core::SymbolKindName(existing->kind)));
        SymtbEntry* f = rt.symbols.FindOrAddSymbol(slot, nullptr, t.text, true);
        f->kind = SymbolKind::UserFunction;
        f->line = g;
        f->value3 = 0;
        function = f;
        Rec(g).function = f;
        if (!Push(SymbolKind::FunctionDef, "FUNCAO", g))
            return false;
        int32_t params = 0;
        if (rt.lexer.NextToken() == core::TokenKind::LeftParen) {
            while (rt.lexer.NextToken() != core::TokenKind::EndOfLine && t.kind != core::TokenKind::RightParen
                && t.kind != core::TokenKind::Colon) {
                if (t.kind == core::TokenKind::Word)
                    ++params;
            }
        }
        f->value2 = params;
        return true;
    }

    bool Compiler::EndLine(int32_t g)
    {
        if (blocks.empty())
            return Fail(g, msg::MSG_STRAY_FIM);
        core::TokenRec& t = rt.lexer.tok;
        rt.lexer.NextToken();
        SymtbEntry* what = t.kind == core::TokenKind::Word ? rt.symbols.FindCommand(t.text) : nullptr;
        if (!what
            || (what->kind != SymbolKind::If && what->kind != SymbolKind::FunctionDef
                && what->kind != SymbolKind::Loop))
            return Fail(g, msg::MSG_EXPECTED_FIM_WORD);
        std::string word = t.text;
        auto mismatch
            = [&](const StackRec& top) { return Fail(g, msg::FimMismatch(word, top.word, top.line)); };
        if (what->kind == SymbolKind::If) {
            int32_t target = g;
            while (!blocks.empty()
                && (blocks.back().kind == SymbolKind::Else || blocks.back().kind == SymbolKind::ElseIf)) {
                int32_t line = blocks.back().line;
                Rec(line).jump = target;
                Rec(line - 1).next = g;
                target = line;
                blocks.pop_back();
            }
            if (blocks.empty() || blocks.back().kind != SymbolKind::If)
                return blocks.empty() ? Fail(g, msg::MSG_STRAY_FIM) : mismatch(blocks.back());
            Rec(blocks.back().line).jump = target;
            blocks.pop_back();
            Rec(g).jump = g + 1;
            return true;
        }
        const StackRec& top = blocks.back();
        if (what->kind == SymbolKind::FunctionDef) {
            if (top.kind != SymbolKind::FunctionDef)
                return mismatch(top);
            Rec(top.line).jump = g;
            Rec(g).command = rt.return_entry;
            blocks.pop_back();
            function->end_line = g;
            function = nullptr;
            return true;
        }
        if (top.kind != SymbolKind::Loop || top.word != word)
            return mismatch(top);
        Rec(top.line).jump = g;
        Rec(g).jump = top.line;
        blocks.pop_back();
        return true;
    }

    bool Compiler::Import(int32_t g)
    {
        core::TokenRec& t = rt.lexer.tok;
        rt.lexer.NextToken();
        if (t.kind != core::TokenKind::Word)
            return Fail(g, msg::MSG_EXPECTED_MODULE_NAME);
        std::string module = t.text;
        rt.lexer.NextToken();
        std::string script;
        if (t.kind == core::TokenKind::String || t.kind == core::TokenKind::Word)
            script = t.kind == core::TokenKind::String ? t.text : std::string(t.raw);
        if (script.empty())
            return Fail(g, msg::MSG_EXPECTED_SCRIPT_NAME);
        const core::TokenRec saved = t;
        int32_t imported = rt.LoadScriptFile(script);
        if (imported < 0)
            imported = rt.LoadScriptFile(script + ".pro");
        if (imported < 0) {
            rt.ReportError(g, msg::ScriptReadError(script));
        } else if (!rt.CompileSlot(imported)) {
            rt.ReportError(g, msg::ImportedScriptHasErrors(script));
        } else {
            SymtbEntry* m = rt.symbols.FindOrAddSymbol(slot, nullptr, module, true);
            if (m->kind == SymbolKind::Undefined || m->kind == SymbolKind::Module) {
                m->kind = SymbolKind::Module;
                m->value1 = imported;
            }
        }
        rt.lexer.tok = saved;
        return true;
    }

} // namespace

bool Runtime::CompileSlot(int32_t slot)
{
    if (slot < 0 || slot >= MAX_SLOTS)
        return false;
    ScriptRec& s = SlotAt(slot);
    if (s.compiled)
        return true;
    const core::TokenRec saved = lexer.tok;
    const bool saved_check = check_only;
    const bool saved_reporting = error_reporting;
    const int32_t saved_slot = current_slot;
    SymtbEntry* const saved_function = current_function;
    check_only = true;
    error_reporting = true;
    // Errors name the script being compiled and its line, not the script
    // that happens to be running (which may be none, or the caller).
    current_slot = slot;
    current_function = nullptr;
    Compiler compiler(*this, slot);
    bool ok = compiler.Run();
    s.current_line = std::max(compiler.StoppedAt(), 1);
    lexer.tok = saved;
    check_only = saved_check;
    error_reporting = saved_reporting;
    current_slot = saved_slot;
    current_function = saved_function;
    s.compiled = ok;
    return ok;
}

} // namespace palavrino::interp
