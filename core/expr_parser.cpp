// The expression parser: a recursive descent over the current line's tokens
// that evaluates as it goes. Each level applies its operator as soon as both
// operands are known; there is no tree and nothing is cached between runs of
// a line. Errors are reported and parsing goes on; the command that asked
// for the expression decides whether its line fails.
#include "core/char_tables.h"
#include "core/compiled_expr.h"
#include "core/int_math.h"
#include "core/machine.h"
#include "core/operator_levels.h"
#include "core/operators.h"
#include "core/selection.h"
#include "messages/core.h"

#include <array>

namespace palavrino::core {

namespace {

    class Parser {
    public:
        explicit Parser(Machine& machine)
            : m(machine)
            , lx(machine.lexer)
            , t(machine.lexer.tok)
        {
        }

        void ParseLevel(Value& v, int n);
        void Primary(Value& v);
        Value Selector();
        void ApplySelectors(Value& v);
        SymtbEntry* ResolveName(
            std::string_view& name, std::string& storage, bool& ok, int32_t* slot_out = nullptr);
        SymtbEntry* Lookup(int32_t slot, const SymtbEntry* owner, std::string_view name);
        void CallArguments(std::string_view name, SymtbEntry* entry, Value& result);

    private:
        void ListLiteral(Value& v);
        void DictLiteral(Value& v);
        void SkipTo(TokenKind closer);
        bool Progressed(const char* start) const
        {
            return t.token_start != start || t.kind == TokenKind::EndOfLine;
        }

        Machine& m;
        Lexer& lx;
        TokenRec& t;
    };

    // level(n) -> level(n+1) { op(n) level(n+1) }
    // Evaluated by precedence climbing, which gives the same result as one
    // function per level but recurses only where an operand does: after an
    // operator of level L, the operand is parsed from level L + 1, and what
    // follows may use level L again (or only lower levels, where L does not
    // repeat).
    void Parser::ParseLevel(Value& v, int n)
    {
        Primary(v);
        int cap = PRIMARY_LEVEL - 1;
        for (;;) {
            OpCode op = m.OperatorOf(v);
            int level = LevelOf(op);
            if (level < n || level > cap)
                return;
            lx.NextToken();
            Value w;
            ParseLevel(w, level + 1);
            if (!m.check_only)
                ApplyOperator(op, v, std::move(w), m);
            cap = CapAfter(level);
        }
    }

    void Parser::SkipTo(TokenKind closer)
    {
        while (t.kind != closer && t.kind != TokenKind::EndOfLine)
            lx.NextToken();
        if (t.kind == closer)
            lx.NextToken();
    }

    // selector -> "[" [ range { "," range } ] "]" | "." word
    Value Parser::Selector()
    {
        Value sel = Value::NewList();
        if (t.kind == TokenKind::Dot) {
            lx.NextToken();
            if (t.kind != TokenKind::Word) {
                m.ReportErrorHere(msg::MSG_EXPECTED_ID_AFTER_SELECTOR_DOT);
                return sel;
            }
            sel.List().Append(Value::StringOf(t.raw));
            lx.NextToken();
            return sel;
        }
        NestingGuard guard(m);
        lx.NextToken();
        if (!guard.ok())
            return sel;
        if (t.kind == TokenKind::RightBracket) {
            lx.NextToken();
            return sel;
        }
        for (;;) {
            Value item;
            Parser(m).ParseLevel(item, 0);
            if (!item.is(ValueKind::Invalid))
                sel.List().Append(std::move(item));
            if (t.kind == TokenKind::Comma) {
                lx.NextToken();
                continue;
            }
            if (t.kind == TokenKind::RightBracket) {
                lx.NextToken();
                return sel;
            }
            m.ReportPlain(std::string(t.raw) + std::string(msg::MSG_NOT_EXPECTED_SUFFIX));
            SkipTo(TokenKind::RightBracket);
            return sel;
        }
    }

    void Parser::ApplySelectors(Value& v)
    {
        while (t.kind == TokenKind::Dot || t.kind == TokenKind::LeftBracket) {
            Value sel = Selector();
            v = Select(v, sel);
        }
    }

    // FindSymbol for the current word, answered from the token's cache when
    // the same lookup was made before and no symbol has come or gone since.
    SymtbEntry* Parser::Lookup(int32_t slot, const SymtbEntry* owner, std::string_view name)
    {
        CachedToken* c = t.cached;
        uint64_t version = m.symbols.Version();
        if (c && c->version == version && c->slot == slot && c->owner == owner)
            return c->entry;
        SymtbEntry* e = m.symbols.FindSymbol(slot, owner, name);
        if (c) {
            c->entry = e;
            c->owner = owner;
            c->slot = slot;
            c->version = version;
        }
        return e;
    }

    // The current word's canonical text, valid until the line is left: a
    // replayed token's own text (a cached line is never rebuilt while it
    // runs), otherwise a copy in `storage`, as the cursor's text changes
    // with the next token.
    std::string_view WordText(const TokenRec& t, std::string& storage)
    {
        if (t.cached)
            return t.cached->text;
        storage = t.text;
        return storage;
    }

    // Resolves the current word, following module references ("M.X"). Leaves the
    // lexer on the last word of the name; `name` is its canonical text (see
    // WordText) and `slot_out` the slot it was looked up in.
    SymtbEntry* Parser::ResolveName(std::string_view& name, std::string& storage, bool& ok, int32_t* slot_out)
    {
        ok = true;
        name = WordText(t, storage);
        int32_t slot = m.current_slot;
        SymtbEntry* e = Lookup(slot, m.current_function, name);
        while (e && e->kind == SymbolKind::Module) {
            slot = e->value1;
            lx.NextToken();
            if (t.kind == TokenKind::Dot)
                lx.NextToken();
            if (t.kind != TokenKind::Word) {
                m.ReportErrorHere(msg::MSG_EXPECTED_ID_AFTER_DOT);
                ok = false;
                return nullptr;
            }
            name = WordText(t, storage);
            e = Lookup(slot, nullptr, name);
        }
        if (slot_out)
            *slot_out = slot;
        return e;
    }

    // list -> "[" [ expr [ ".." expr ] { "," expr [ ".." expr ] } ] "]"
    void Parser::ListLiteral(Value& v)
    {
        v = Value::NewList();
        ListObj& list = v.List();
        lx.NextToken();
        if (t.kind == TokenKind::RightBracket) {
            lx.NextToken();
            return;
        }
        for (;;) {
            Value a;
            ParseLevel(a, 1);
            if (lx.IsOperator(OpCode::Range)) {
                lx.NextToken();
                Value b;
                ParseLevel(b, 1);
                if (a.is(ValueKind::Integer) && b.is(ValueKind::Integer)) {
                    int64_t lo = a.AsInt();
                    int64_t hi = b.AsInt();
                    int64_t count = (hi >= lo ? hi - lo : lo - hi) + 1;
                    if (count > MAX_RANGE_ELEMENTS) {
                        m.ReportErrorHere(msg::MSG_OUT_OF_MEMORY);
                    } else {
                        list.Reserve(static_cast<size_t>(list.Count() + count));
                        int64_t step = hi >= lo ? 1 : -1;
                        for (int64_t i = lo;; i += step) {
                            list.Append(Value::Int(static_cast<int32_t>(i)));
                            if (i == hi)
                                break;
                        }
                    }
                } else {
                    m.ReportErrorHere(msg::MSG_RANGE_LIST_ELEMENTS);
                }
            } else {
                list.Append(std::move(a));
            }
            if (t.kind == TokenKind::RightBracket) {
                lx.NextToken();
                return;
            }
            if (t.kind == TokenKind::Comma) {
                lx.NextToken();
                continue;
            }
            m.ReportPlain(std::string(t.raw) + std::string(msg::MSG_NOT_EXPECTED_SUFFIX));
            SkipTo(TokenKind::RightBracket);
            return;
        }
    }

    // dict -> "{" [ item { "," item } ] "}"   item -> expr [ ":" expr ]
    void Parser::DictLiteral(Value& v)
    {
        v = Value::NewDict();
        lx.NextToken();
        if (t.kind == TokenKind::RightBrace) {
            lx.NextToken();
            return;
        }
        int32_t auto_index = 0;
        for (;;) {
            Value a;
            ParseLevel(a, 1);
            if (t.kind == TokenKind::Colon) {
                lx.NextToken();
                Value value;
                ParseLevel(value, 1);
                if (a.is(ValueKind::Integer))
                    auto_index = AddInt(a.AsInt(), 1);
                if (a.is(ValueKind::Range)
                    && RangeLength(a.RangeFirst(), a.RangeSecond()) > MAX_RANGE_ELEMENTS)
                    m.ReportErrorHere(msg::MSG_OUT_OF_MEMORY);
                DictSetByValue(v.Dict(), a, value);
            } else {
                DictSetByValue(v.Dict(), Value::Int(auto_index), a);
                // Wraps, as the language's integers do: {2147483647: "a", "b"}
                // gives "b" the key -2147483648.
                auto_index = AddInt(auto_index, 1);
            }
            if (t.kind == TokenKind::RightBrace) {
                lx.NextToken();
                return;
            }
            if (t.kind == TokenKind::Comma) {
                lx.NextToken();
                continue;
            }
            m.ReportPlain(std::string(t.raw) + std::string(msg::MSG_INVALID_TOKEN_SUFFIX));
            SkipTo(TokenKind::RightBrace);
            return;
        }
    }

    // args -> "(" { expr [","] } ")" | { expr [","] }   (the latter up to n)
    void Parser::CallArguments(std::string_view name, SymtbEntry* entry, Value& result)
    {
        int limit = MAX_CALL_ARGS;
        bool parens_required = true;
        bool hash_allowed = false;
        if (entry && entry->kind == SymbolKind::Native) {
            limit = std::min(entry->value1, static_cast<int32_t>(MAX_CALL_ARGS));
            parens_required = (entry->value2 & NATIVE_NEEDS_PARENS) != 0;
            hash_allowed = (entry->value2 & NATIVE_HASH_ALLOWED) != 0;
        } else if (entry) {
            limit = std::min(entry->value2, static_cast<int32_t>(MAX_CALL_ARGS));
        }
        std::array<Value, MAX_CALL_ARGS> args;
        int given = 0;
        bool parens = t.kind == TokenKind::LeftParen;
        if (parens) {
            lx.NextToken();
        } else if (parens_required) {
            m.ReportErrorHere(msg::CallNeedsParens(name));
            for (int i = 0; i < limit; ++i)
                args[static_cast<size_t>(i)] = Value::Undefined();
            m.CallFunction(name, entry, result, limit, args.data());
            return;
        }
        if (hash_allowed && t.kind == TokenKind::Hash)
            lx.NextToken();
        for (;;) {
            if (t.kind == TokenKind::EndOfLine || t.kind == TokenKind::RightParen)
                break;
            if (!parens && given >= limit)
                break;
            const char* start = t.token_start;
            Value arg;
            m.ParseExpression(arg);
            if (!Progressed(start))
                break; // a token that can start no argument ends the list
            if (!m.check_only) {
                if (given < MAX_CALL_ARGS)
                    args[static_cast<size_t>(given)]
                        = arg.is(ValueKind::Invalid) ? Value::Undefined() : std::move(arg);
                ++given;
            }
            if (t.kind == TokenKind::Comma)
                lx.NextToken();
        }
        if (parens) {
            if (t.kind == TokenKind::RightParen)
                lx.NextToken();
            else
                m.ReportErrorHere(msg::CallMissingParen(name));
        }
        if (given > limit) {
            m.ReportErrorHere(msg::TooManyArguments(name, limit));
        }
        int argc = std::min(std::max(given, limit), MAX_CALL_ARGS);
        for (int i = given; i < argc; ++i)
            args[static_cast<size_t>(i)] = Value::Undefined();
        m.CallFunction(name, entry, result, argc, args.data());
    }

    // primary -> word [args] | integer | string | unary primary | "|" expr "|"
    //          | "(" expr ")" | list | dict, then { selector }
    void Parser::Primary(Value& v)
    {
        v.Clear();
        switch (t.kind) {
        case TokenKind::Word: {
            std::string storage;
            std::string_view name;
            bool ok;
            SymtbEntry* e = ResolveName(name, storage, ok);
            if (!ok)
                return;
            lx.NextToken();
            if (e && e->kind == SymbolKind::Variable) {
                v = ReadVariable(m.VariableCell(*e));
            } else if (e && (e->kind == SymbolKind::Native || e->kind == SymbolKind::UserFunction)) {
                NestingGuard guard(m);
                if (!guard.ok())
                    return;
                CallArguments(name, e, v);
            } else if (e) {
                m.ReportErrorHere(msg::NotAVariableName(name, SymbolKindName(e->kind)));
            } else if (t.kind == TokenKind::LeftParen) {
                NestingGuard guard(m);
                if (!guard.ok())
                    return;
                CallArguments(name, nullptr, v);
            } else {
                m.ReportErrorHere(msg::VariableNotInitialised(name));
            }
            break;
        }
        case TokenKind::Integer:
            v = Value::Int(t.int_value);
            lx.NextToken();
            return;
        case TokenKind::String:
            v = Value::String(t.text);
            lx.NextToken();
            break;
        case TokenKind::Operator: {
            OpCode op = t.op;
            if (op == OpCode::Greater || op == OpCode::Less || op == OpCode::Add || op == OpCode::Multiply
                || op == OpCode::Subtract) {
                NestingGuard guard(m);
                lx.NextToken();
                if (!guard.ok())
                    return;
                Primary(v);
                if (!m.check_only)
                    ApplyUnary(op, v);
            } else if (op == OpCode::Bar) {
                NestingGuard guard(m);
                lx.NextToken();
                if (!guard.ok())
                    return;
                ParseLevel(v, 1);
                if (lx.IsOperator(OpCode::Bar))
                    lx.NextToken();
                else
                    m.ReportErrorHere(msg::MSG_MISSING_BAR);
                v = SizeOf(v);
            } else {
                m.ReportErrorHere(msg::UnexpectedOperator(t.raw));
                return;
            }
            break;
        }
        case TokenKind::LeftParen: {
            NestingGuard guard(m);
            lx.NextToken();
            if (!guard.ok())
                return;
            ParseLevel(v, 1);
            if (t.kind == TokenKind::RightParen)
                lx.NextToken();
            else
                m.ReportErrorHere(msg::MSG_MISSING_PAREN);
            break;
        }
        case TokenKind::LeftBracket: {
            NestingGuard guard(m);
            if (!guard.ok())
                return;
            ListLiteral(v);
            break;
        }
        case TokenKind::LeftBrace: {
            NestingGuard guard(m);
            if (!guard.ok())
                return;
            DictLiteral(v);
            break;
        }
        default:
            return;
        }
        ApplySelectors(v);
    }

} // namespace

OpCode Machine::OperatorOf(const Value& v) const
{
    const TokenRec& t = lexer.tok;
    if (t.kind == TokenKind::Operator)
        return t.op;
    if (t.kind != TokenKind::Word)
        return OpCode::None;
    // E and OU are also ordinary words (a variable may be called E), so they
    // count as operators only after a truth value, or while nothing is
    // reported (the compile pass skipping a condition).
    bool boolean_left = v.is(ValueKind::Integer) && (v.AsInt() == 0 || v.AsInt() == 1);
    if (!error_reporting || boolean_left) {
        if (t.text == "E")
            return OpCode::And;
        if (t.text == "OU")
            return OpCode::Or;
    }
    return OpCode::None;
}

// An expression cut short by the nesting limit gives no value at all, as a
// too deep parenthesis does: a truncated list or dictionary, or a NAO that
// saw only part of its argument, must not be stored as if it were whole.
void Machine::ParseExpression(Value& v)
{
    if (TryCompiledExpression(*this, v, 1))
        return;
    v.Clear();
    const uint32_t overflows = expr_nesting_overflows;
    Parser(*this).ParseLevel(v, 1);
    if (expr_nesting_overflows != overflows)
        v.Clear();
}

void Machine::ParseRangeExpression(Value& v)
{
    if (TryCompiledExpression(*this, v, 0))
        return;
    v.Clear();
    const uint32_t overflows = expr_nesting_overflows;
    Parser(*this).ParseLevel(v, 0);
    if (expr_nesting_overflows != overflows)
        v.Clear();
}

void Machine::ParseExpressionAs(Value& v, ValueKind kind)
{
    if (kind == ValueKind::Range) {
        ParseRangeExpression(v);
        return;
    }
    ParseExpression(v);
    ConvertExpressionValue(v, kind);
}

void ConvertExpressionValue(Value& v, ValueKind kind)
{
    if (v.is(ValueKind::Invalid) || v.kind() == kind)
        return;
    if (kind == ValueKind::Integer)
        ToInteger(v);
    else if (kind == ValueKind::String)
        ToText(v);
}

void Machine::SkipExpression()
{
    bool saved = error_reporting;
    error_reporting = false;
    Value v;
    ParseExpression(v);
    error_reporting = saved;
}

// target -> word { selector }
bool ParseTarget(Machine& m, TargetRec& t, bool allow_function)
{
    t.entry = nullptr;
    t.selectors.clear();
    TokenRec& tok = m.lexer.tok;
    if (tok.kind != TokenKind::Word) {
        m.ReportErrorHere(msg::MSG_EXPECTED_ID);
        return false;
    }
    Parser parser(m);
    std::string storage;
    std::string_view name;
    bool ok;
    int32_t slot;
    SymtbEntry* e = parser.ResolveName(name, storage, ok, &slot);
    if (!ok)
        return false;
    if (!e)
        e = m.symbols.FindOrAddSymbol(slot, nullptr, name, true);
    if (e->kind == SymbolKind::Undefined) {
        e->kind = SymbolKind::Variable;
        m.VariableCell(*e).value.Clear();
    }
    if (allow_function && (e->kind == SymbolKind::Native || e->kind == SymbolKind::UserFunction)) {
        t.entry = e;
        return true;
    }
    if (e->kind != SymbolKind::Variable) {
        m.ReportErrorHere(msg::NotAVariableName(name, SymbolKindName(e->kind)));
        return false;
    }
    t.entry = e;
    m.lexer.NextToken();
    const uint32_t overflows = m.expr_nesting_overflows;
    while (tok.kind == TokenKind::Dot || tok.kind == TokenKind::LeftBracket)
        t.selectors.push_back(parser.Selector());
    if (m.expr_nesting_overflows != overflows) {
        // A selector cut short would name another element than the one written.
        t.entry = nullptr;
        t.selectors.clear();
        return false;
    }
    return true;
}

Value ReadTarget(Machine& m, const TargetRec& t)
{
    if (!t.entry || t.entry->kind != SymbolKind::Variable)
        return Value {};
    Value v = ReadVariable(m.VariableCell(*t.entry));
    for (const Value& sel : t.selectors)
        v = Select(v, sel);
    return v;
}

Value ReadTargetAs(Machine& m, const TargetRec& t, ValueKind kind)
{
    Value v = ReadTarget(m, t);
    ConvertExpressionValue(v, kind);
    return v;
}

bool AssignTargetThrough(Machine& m, TargetRec& t, const Value& v)
{
    if (!t.entry || t.entry->kind != SymbolKind::Variable)
        return false;
    return AssignThrough(m.VariableCell(*t.entry), t.entry->name, t.selectors, v, m);
}

} // namespace palavrino::core
