// Compiles the expressions of cached lines and evaluates them; see
// compiled_expr.h. Every step of the evaluator answers to one of the
// expression parser's (expr_parser.cpp): a change there must be made here
// too, and the differential test (every script run with and without the
// line cache) compares the two.
#include "core/compiled_expr.h"

#include "core/machine.h"
#include "core/operator_levels.h"
#include "core/operators.h"
#include "core/selection.h"
#include "messages/core.h"

#include <array>
#include <string>
#include <vector>

namespace palavrino::core {

namespace compiled {

    enum class NodeKind : uint8_t { Integer, String, Variable, Call, Unary, Size, Paren, List };

    // An operator between two operands of a chain. E and OU written as
    // words (`word`) are operators only after a truth value.
    struct ChainOp {
        OpCode op { OpCode::None };
        bool word { false };
        int32_t token { 0 };
    };

    // operand op operand op ... operand, as one level of the parser reads it.
    struct Chain {
        std::vector<int32_t> operands; // nodes
        std::vector<ChainOp> ops; // ops[k] stands after operands[k]
        int32_t end_token { 0 }; // the token after the last operand
    };

    struct SelectorRec {
        bool dot { false };
        std::string key; // ".word": the word as written
        std::vector<int32_t> items; // "[...]": chains read from level 0
        // "[...]" of one item that is one plain operand (an integer, a
        // string or a variable without subscripts): that operand's node.
        int32_t plain_item { -1 };
        // The key as a value, for a dot and a plain string item. Only ever
        // read: selection never keeps its key.
        Value literal;
    };

    struct Node {
        NodeKind kind { NodeKind::Integer };
        OpCode op { OpCode::None }; // Unary
        int32_t int_value { 0 };
        std::string text; // a string's contents; a variable's or function's name
        // Variable and Call: the entry the name resolved to, and the symbol
        // table version that answer holds for.
        SymtbEntry* entry { nullptr };
        uint64_t version { ~uint64_t { 0 } };
        SymtbEntry* compiled_entry { nullptr }; // Call: the function compiled for
        // Call of a NATIVE_CONSTANT built-in without arguments: the value its
        // first successful call gave, once there was one.
        bool constant_known { false };
        Value constant;
        // String: whether the text is an integer text, and its value then.
        bool integer_text { false };
        int32_t text_value { 0 };
        int32_t operand { -1 }; // Unary: a node; Size and Paren: a chain
        std::vector<int32_t> items; // Call: arguments; List: items (chains)
        std::vector<int32_t> range_ends; // List: an item's upper bound, or -1
        std::vector<SelectorRec> selectors;
    };

} // namespace compiled

struct CompiledExpr {
    std::vector<compiled::Node> nodes;
    std::vector<compiled::Chain> chains;
    std::vector<int32_t> names; // the Variable and Call nodes
    int32_t top { 0 };
    // The scope the names were resolved in.
    int32_t slot { 0 };
    const SymtbEntry* owner { nullptr };
    // How many nesting levels the expression opens at its deepest.
    int depth { 0 };
    // The symbol table version at which every name was last seen to still be
    // of the kind it was compiled for.
    uint64_t checked_version { ~uint64_t { 0 } };
    CachedToken* tokens { nullptr };
    // Set when the whole expression is one operator between two plain
    // operands (integers, strings, variables without subscripts, and calls
    // of constant built-ins), the commonest shape of all, which is then
    // evaluated without climbing.
    bool plain_binary { false };
    bool plain_single { false }; // one plain operand and no operator
    bool single_integer { false }; // plain_single, an integer
    int32_t integer { 0 }; // single_integer: its value
    bool single_variable { false }; // plain_single, a variable
    // Set when the expression is plain and its operands are integers or
    // variables (no string): `int_nodes` are its one or two operands (the
    // second null when there is one; `nodes` never changes once compiled) and
    // `int_op` the operator between two. EvaluateIntegers reads only these.
    bool integer_form { false };
    std::array<const compiled::Node*, 2> int_nodes { nullptr, nullptr };
    OpCode int_op { OpCode::None };
};

void CompiledExprDeleter::operator()(CompiledExpr* x) const
{
    delete x;
}

namespace {

    using compiled::Chain;
    using compiled::ChainOp;
    using compiled::Node;
    using compiled::NodeKind;
    using compiled::SelectorRec;

    bool IsCallable(const SymtbEntry* e)
    {
        return e && (e->kind == SymbolKind::Native || e->kind == SymbolKind::UserFunction);
    }

    bool IsBooleanWord(const CachedToken& t)
    {
        return t.kind == TokenKind::Word && (t.text == "E" || t.text == "OU");
    }

    // Where a chain whose operators are all fixed stops when read from
    // level n: the number of its operators the parser takes.
    void ClimbFixed(const std::vector<ChainOp>& ops, size_t& k, int n)
    {
        int cap = PRIMARY_LEVEL - 1;
        for (;;) {
            if (k >= ops.size())
                return;
            int level = LevelOf(ops[k].op);
            if (level < n || level > cap)
                return;
            ++k;
            ClimbFixed(ops, k, level + 1);
            cap = CapAfter(level);
        }
    }

    class Compiler {
    public:
        Compiler(Machine& machine, CachedToken* begin, CachedToken* end, CompiledExpr& out)
            : m(machine)
            , tokens(begin)
            , count(static_cast<int32_t>(end - begin))
            , x(out)
        {
        }

        bool Expression(int32_t first, int n)
        {
            p = first;
            int32_t chain = 0;
            if (!ChainAt(n, true, chain))
                return false;
            x.top = chain;
            return true;
        }

    private:
        const CachedToken& T() const { return tokens[p < count ? p : count - 1]; }
        bool At(TokenKind k) const { return p < count && T().kind == k; }

        // A chain read from level n. Only the outermost chain may hold E and
        // OU (its end then depends on the values); a nested one must be read
        // whole, or the parser would stop inside brackets and complain.
        bool ChainAt(int n, bool outermost, int32_t& out)
        {
            Chain c;
            for (;;) {
                int32_t node = 0;
                if (!Primary(node))
                    return false;
                c.operands.push_back(node);
                const CachedToken& t = T();
                if (p < count && t.kind == TokenKind::Operator && LevelOf(t.op) >= n) {
                    c.ops.push_back({ t.op, false, p });
                    ++p;
                    continue;
                }
                if (p < count && IsBooleanWord(t)) {
                    if (!outermost)
                        return false;
                    c.ops.push_back({ t.text == "E" ? OpCode::And : OpCode::Or, true, p });
                    ++p;
                    continue;
                }
                c.end_token = p;
                break;
            }
            bool fixed = true;
            for (const ChainOp& o : c.ops)
                fixed = fixed && !o.word;
            if (fixed) {
                size_t k = 0;
                ClimbFixed(c.ops, k, n);
                if (k < c.ops.size()) {
                    if (!outermost)
                        return false;
                    c.end_token = c.ops[k].token;
                    c.ops.resize(k);
                    c.operands.resize(k + 1);
                }
            }
            x.chains.push_back(std::move(c));
            out = static_cast<int32_t>(x.chains.size() - 1);
            return true;
        }

        int32_t Add(Node&& node)
        {
            x.nodes.push_back(std::move(node));
            return static_cast<int32_t>(x.nodes.size() - 1);
        }

        // One more nesting level for the part being compiled.
        struct Deeper {
            explicit Deeper(Compiler& c)
                : compiler(c)
            {
                if (++compiler.depth > compiler.x.depth)
                    compiler.x.depth = compiler.depth;
            }
            ~Deeper() { --compiler.depth; }
            Deeper(const Deeper&) = delete;
            Deeper& operator=(const Deeper&) = delete;
            Compiler& compiler;
        };

        bool Primary(int32_t& out)
        {
            if (p >= count)
                return false;
            const CachedToken& t = T();
            Node node;
            switch (t.kind) {
            case TokenKind::Word:
                if (!Word(node))
                    return false;
                break;
            case TokenKind::Integer:
                node.kind = NodeKind::Integer;
                node.int_value = t.int_value;
                ++p;
                out = Add(std::move(node));
                return true; // an integer takes no selectors
            case TokenKind::String:
                node.kind = NodeKind::String;
                node.text = t.text;
                node.integer_text = IsIntegerText(node.text, &node.text_value);
                ++p;
                break;
            case TokenKind::Operator:
                if (t.op == OpCode::Greater || t.op == OpCode::Less || t.op == OpCode::Add
                    || t.op == OpCode::Multiply || t.op == OpCode::Subtract) {
                    Deeper deeper(*this);
                    node.kind = NodeKind::Unary;
                    node.op = t.op;
                    ++p;
                    if (!Primary(node.operand))
                        return false;
                } else if (t.op == OpCode::Bar) {
                    Deeper deeper(*this);
                    node.kind = NodeKind::Size;
                    ++p;
                    if (!ChainAt(1, false, node.operand))
                        return false;
                    if (!(At(TokenKind::Operator) && T().op == OpCode::Bar))
                        return false;
                    ++p;
                } else {
                    return false;
                }
                break;
            case TokenKind::LeftParen: {
                Deeper deeper(*this);
                node.kind = NodeKind::Paren;
                ++p;
                if (!ChainAt(1, false, node.operand) || !At(TokenKind::RightParen))
                    return false;
                ++p;
                break;
            }
            case TokenKind::LeftBracket: {
                Deeper deeper(*this);
                if (!ListItems(node))
                    return false;
                break;
            }
            default:
                return false;
            }
            if (!Selectors(node))
                return false;
            out = Add(std::move(node));
            return true;
        }

        // A name: a variable, or a call with its arguments in parentheses.
        bool Word(Node& node)
        {
            const CachedToken& t = T();
            SymtbEntry* e = m.symbols.FindSymbol(x.slot, x.owner, t.text);
            if (e && e->kind == SymbolKind::Module)
                return false;
            node.text = t.text;
            node.entry = e;
            node.version = m.symbols.Version();
            ++p;
            if (!IsCallable(e)) {
                // A name before "(" is a call or not depending on whether it
                // is a variable when the line runs.
                if (At(TokenKind::LeftParen))
                    return false;
                node.kind = NodeKind::Variable;
                return true;
            }
            const bool native = e->kind == SymbolKind::Native;
            const bool parens = At(TokenKind::LeftParen);
            if (!parens && (!native || (e->value2 & NATIVE_NEEDS_PARENS) != 0))
                return false;
            Deeper deeper(*this);
            node.kind = NodeKind::Call;
            node.compiled_entry = e;
            int32_t limit = std::min(native ? e->value1 : e->value2, MAX_CALL_ARGS);
            bool hash_allowed = native && (e->value2 & NATIVE_HASH_ALLOWED) != 0;
            if (parens)
                ++p;
            if (hash_allowed && At(TokenKind::Hash))
                ++p;
            if (!parens)
                return BareArguments(node, limit);
            for (;;) {
                if (At(TokenKind::RightParen)) {
                    ++p;
                    break;
                }
                if (!Argument(node))
                    return false;
                if (At(TokenKind::Comma))
                    ++p;
                else if (!At(TokenKind::RightParen))
                    return false;
            }
            return static_cast<int32_t>(node.items.size()) <= limit;
        }

        // One argument of a call, read whole.
        bool Argument(Node& node)
        {
            int32_t arg = 0;
            if (!ChainAt(1, false, arg))
                return false;
            node.items.push_back(arg);
            return true;
        }

        // A native called without parentheses reads as many arguments as it
        // takes, each a whole expression; one with fewer before the line's
        // end or a ")" is left to the parser.
        bool BareArguments(Node& node, int32_t limit)
        {
            while (static_cast<int32_t>(node.items.size()) < limit) {
                if (At(TokenKind::EndOfLine) || At(TokenKind::RightParen) || !Argument(node))
                    return false;
                if (At(TokenKind::Comma))
                    ++p;
            }
            return true;
        }

        bool ListItems(Node& node)
        {
            node.kind = NodeKind::List;
            ++p;
            if (At(TokenKind::RightBracket)) {
                ++p;
                return true;
            }
            for (;;) {
                int32_t item = 0;
                if (!ChainAt(1, false, item))
                    return false;
                int32_t upper = -1;
                if (At(TokenKind::Operator) && T().op == OpCode::Range) {
                    ++p;
                    if (!ChainAt(1, false, upper))
                        return false;
                }
                node.items.push_back(item);
                node.range_ends.push_back(upper);
                if (At(TokenKind::RightBracket)) {
                    ++p;
                    return true;
                }
                if (!At(TokenKind::Comma))
                    return false;
                ++p;
            }
        }

        bool Selectors(Node& node)
        {
            while (At(TokenKind::Dot) || At(TokenKind::LeftBracket)) {
                SelectorRec sel;
                if (At(TokenKind::Dot)) {
                    ++p;
                    if (!At(TokenKind::Word))
                        return false;
                    sel.dot = true;
                    sel.key = std::string(T().raw);
                    sel.literal = Value::String(sel.key);
                    ++p;
                    node.selectors.push_back(std::move(sel));
                    continue;
                }
                Deeper deeper(*this);
                ++p;
                if (At(TokenKind::RightBracket)) {
                    ++p;
                    node.selectors.push_back(std::move(sel));
                    continue;
                }
                for (;;) {
                    int32_t item = 0;
                    if (!ChainAt(0, false, item))
                        return false;
                    sel.items.push_back(item);
                    if (At(TokenKind::Comma)) {
                        ++p;
                        continue;
                    }
                    if (!At(TokenKind::RightBracket))
                        return false;
                    ++p;
                    break;
                }
                PlainItem(sel);
                node.selectors.push_back(std::move(sel));
            }
            return true;
        }

        void PlainItem(SelectorRec& sel)
        {
            if (sel.items.size() != 1)
                return;
            const Chain& c = x.chains[static_cast<size_t>(sel.items[0])];
            if (!c.ops.empty())
                return;
            const Node& item = x.nodes[static_cast<size_t>(c.operands[0])];
            if (!item.selectors.empty())
                return;
            if (item.kind == NodeKind::String)
                sel.literal = Value::String(item.text);
            else if (item.kind != NodeKind::Integer && item.kind != NodeKind::Variable)
                return;
            sel.plain_item = c.operands[0];
        }

        Machine& m;
        CachedToken* tokens;
        int32_t count;
        CompiledExpr& x;
        int32_t p { 0 };
        int depth { 0 };
    };

    // A plain operand's integer, read without making a value: an integer,
    // or a variable holding one (its entry as last resolved). False for
    // anything else, having reported nothing.
    [[gnu::always_inline]] inline bool IntegerOperandOf(Machine& m, const Node& node, int32_t& out)
    {
        if (node.kind == NodeKind::Integer) {
            out = node.int_value;
            return true;
        }
        SymtbEntry* e = node.kind == NodeKind::Variable ? node.entry : nullptr;
        if (!e || e->kind != SymbolKind::Variable)
            return false;
        const VarCell& cell = m.VariableCell(*e);
        if (cell.iterator >= 0 || !cell.value.is(ValueKind::Integer))
            return false;
        out = cell.value.AsInt();
        return true;
    }

    // Evaluates a compiled expression with the parser's steps.
    class Evaluator {
    public:
        Evaluator(Machine& machine, CompiledExpr& expr)
            : m(machine)
            , x(expr)
        {
        }

        // ParseLevel(v, n) over a chain, from its operand k.
        void Level(const Chain& c, size_t& k, Value& v, int n)
        {
            Primary(x.nodes[static_cast<size_t>(c.operands[k])], v);
            int cap = PRIMARY_LEVEL - 1;
            for (;;) {
                if (k >= c.ops.size())
                    return;
                const ChainOp& o = c.ops[k];
                OpCode op = o.op;
                if (o.word && m.error_reporting) {
                    // As Machine::OperatorOf: E and OU join only truth values.
                    bool boolean_left = v.is(ValueKind::Integer) && (v.AsInt() == 0 || v.AsInt() == 1);
                    if (!boolean_left)
                        op = OpCode::None;
                }
                int level = LevelOf(op);
                if (level < n || level > cap)
                    return;
                ++k;
                Value w;
                Level(c, k, w, level + 1);
                int32_t r = 0;
                if (v.is(ValueKind::Integer) && w.is(ValueKind::Integer)
                    && IntegerResult(op, v.AsInt(), w.AsInt(), r))
                    v = Value::Int(r);
                else
                    ApplyOperator(op, v, std::move(w), m);
                cap = CapAfter(level);
            }
        }

        // A nested chain, which compiling made sure is read whole.
        void Whole(int32_t chain, Value& v, int n)
        {
            size_t k = 0;
            Level(x.chains[static_cast<size_t>(chain)], k, v, n);
        }

        // Machine::ParseExpression over a nested chain.
        void Expression(int32_t chain, Value& v)
        {
            v.Clear();
            const uint32_t overflows = m.expr_nesting_overflows;
            Whole(chain, v, 1);
            if (m.expr_nesting_overflows != overflows)
                v.Clear();
        }

        SymtbEntry* Resolve(Node& node)
        {
            uint64_t version = m.symbols.Version();
            if (node.version != version) {
                node.entry = m.symbols.FindSymbol(x.slot, x.owner, node.text);
                node.version = version;
            }
            return node.entry;
        }

        // A constant built-in's value, taken again where its call (to `e`,
        // what the name means now) would have succeeded: its frame fits on
        // the stack. Null otherwise.
        const Value* KeptConstant(const Node& node, const SymtbEntry* e) const
        {
            return node.constant_known && e == node.compiled_entry && m.stack_top + 1 <= EXEC_STACK_SIZE
                ? &node.constant
                : nullptr;
        }

        void Primary(Node& node, Value& v)
        {
            v.Clear();
            switch (node.kind) {
            case NodeKind::Integer:
                v = Value::Int(node.int_value);
                return;
            case NodeKind::String:
                v = Value::String(node.text);
                break;
            case NodeKind::Variable: {
                SymtbEntry* e = Resolve(node);
                if (e && e->kind == SymbolKind::Variable) {
                    const VarCell& cell = m.VariableCell(*e);
                    // The first subscript of a variable, when its key is
                    // plain, selects from the cell without copying it.
                    if (cell.iterator < 0 && !node.selectors.empty()) {
                        Value temp;
                        if (const Value* key = PlainKey(node.selectors[0], temp)) {
                            v = SelectOne(cell.value, *key);
                            for (size_t i = 1; i < node.selectors.size(); ++i)
                                ApplySelector(node.selectors[i], v);
                            return;
                        }
                    }
                    v = ReadVariable(cell);
                } else if (e)
                    m.ReportErrorHere(msg::NotAVariableName(node.text, SymbolKindName(e->kind)));
                else
                    m.ReportErrorHere(msg::VariableNotInitialised(node.text));
                break;
            }
            case NodeKind::Call: {
                SymtbEntry* e = Resolve(node);
                NestingGuard guard(m);
                if (!guard.ok())
                    return;
                if (const Value* kept = KeptConstant(node, e)) {
                    v = *kept;
                    break;
                }
                const bool called = Call(node, IsCallable(e) ? e : nullptr, v);
                if (called && e == node.compiled_entry && e->kind == SymbolKind::Native
                    && (e->value2 & NATIVE_CONSTANT) != 0 && node.items.empty() && !v.IsObject()) {
                    node.constant = v;
                    node.constant_known = true;
                }
                break;
            }
            case NodeKind::Unary: {
                NestingGuard guard(m);
                if (!guard.ok())
                    return;
                Primary(x.nodes[static_cast<size_t>(node.operand)], v);
                ApplyUnary(node.op, v);
                break;
            }
            case NodeKind::Size: {
                NestingGuard guard(m);
                if (!guard.ok())
                    return;
                Whole(node.operand, v, 1);
                v = SizeOf(v);
                break;
            }
            case NodeKind::Paren: {
                NestingGuard guard(m);
                if (!guard.ok())
                    return;
                Whole(node.operand, v, 1);
                break;
            }
            case NodeKind::List: {
                NestingGuard guard(m);
                if (!guard.ok())
                    return;
                List(node, v);
                break;
            }
            }
            for (const SelectorRec& sel : node.selectors)
                ApplySelector(sel, v);
        }

        // The key of a dot, or of a subscript whose one item is plain, read
        // without climbing (which could neither call nor pass the nesting
        // bound, checked before evaluating) when it is an integer or a text;
        // null otherwise, having reported nothing.
        const Value* PlainKey(const SelectorRec& sel, Value& temp)
        {
            if (sel.dot)
                return &sel.literal;
            if (sel.plain_item < 0)
                return nullptr;
            Node& item = x.nodes[static_cast<size_t>(sel.plain_item)];
            switch (item.kind) {
            case NodeKind::Integer:
                temp = Value::Int(item.int_value);
                return &temp;
            case NodeKind::String:
                return &sel.literal;
            case NodeKind::Variable: {
                SymtbEntry* e = Resolve(item);
                if (!e || e->kind != SymbolKind::Variable)
                    return nullptr;
                const VarCell& cell = m.VariableCell(*e);
                const Value* key = PeekVariable(cell);
                if (!key) {
                    temp = ReadIterator(cell);
                    key = &temp;
                }
                return key->is(ValueKind::Integer) || key->is(ValueKind::String) ? key : nullptr;
            }
            default:
                return nullptr;
            }
        }

        void ApplySelector(const SelectorRec& sel, Value& v)
        {
            {
                Value temp;
                if (const Value* key = PlainKey(sel, temp)) {
                    v = SelectOne(v, *key);
                    return;
                }
            }
            if (sel.items.size() != 1) {
                v = Select(v, Selector(sel));
                return;
            }
            // One item: the commonest subscript, selected without making the
            // one-item selector list.
            Value item;
            {
                NestingGuard guard(m);
                if (!guard.ok()) {
                    v = Select(v, Value::NewList());
                    return;
                }
                Whole(sel.items[0], item, 0);
            }
            if (item.is(ValueKind::Integer) || item.is(ValueKind::String)) {
                v = SelectOne(v, item);
                return;
            }
            Value list = Value::NewList();
            if (!item.is(ValueKind::Invalid))
                list.List().Append(std::move(item));
            v = Select(v, list);
        }

    private:
        Value Selector(const SelectorRec& sel)
        {
            Value out = Value::NewList();
            if (sel.dot) {
                out.List().Append(Value::String(sel.key));
                return out;
            }
            NestingGuard guard(m);
            if (!guard.ok())
                return out;
            for (int32_t chain : sel.items) {
                Value item;
                Whole(chain, item, 0);
                if (!item.is(ValueKind::Invalid))
                    out.List().Append(std::move(item));
            }
            return out;
        }

        // What CallFunction answers.
        bool Call(const Node& node, SymtbEntry* e, Value& result)
        {
            int limit = MAX_CALL_ARGS;
            if (e)
                limit = std::min(e->kind == SymbolKind::Native ? e->value1 : e->value2, MAX_CALL_ARGS);
            // Most calls pass a few arguments: their frame is made small.
            const int given = std::max(static_cast<int>(node.items.size()), limit);
            if (given <= 1)
                return CallWith<1>(node, e, limit, result);
            if (given <= SMALL_CALL)
                return CallWith<SMALL_CALL>(node, e, limit, result);
            return CallWith<MAX_CALL_ARGS>(node, e, limit, result);
        }

        static constexpr int SMALL_CALL = 4;

        template <int N> bool CallWith(const Node& node, SymtbEntry* e, int limit, Value& result)
        {
            std::array<Value, N> args;
            int given = 0;
            for (int32_t chain : node.items) {
                Value arg;
                Expression(chain, arg);
                if (given < N)
                    args[static_cast<size_t>(given)]
                        = arg.is(ValueKind::Invalid) ? Value::Undefined() : std::move(arg);
                ++given;
            }
            if (given > limit)
                m.ReportErrorHere(msg::TooManyArguments(node.text, limit));
            int argc = std::min(std::max(given, limit), N);
            for (int i = given; i < argc; ++i)
                args[static_cast<size_t>(i)] = Value::Undefined();
            return m.CallFunction(node.text, e, result, argc, args.data());
        }

        void List(const Node& node, Value& v)
        {
            v = Value::NewList();
            ListObj& list = v.List();
            for (size_t i = 0; i < node.items.size(); ++i) {
                Value a;
                Whole(node.items[i], a, 1);
                if (node.range_ends[i] < 0) {
                    list.Append(std::move(a));
                    continue;
                }
                Value b;
                Whole(node.range_ends[i], b, 1);
                if (!a.is(ValueKind::Integer) || !b.is(ValueKind::Integer)) {
                    m.ReportErrorHere(msg::MSG_RANGE_LIST_ELEMENTS);
                    continue;
                }
                int64_t lo = a.AsInt();
                int64_t hi = b.AsInt();
                int64_t n = (hi >= lo ? hi - lo : lo - hi) + 1;
                if (n > MAX_RANGE_ELEMENTS) {
                    m.ReportErrorHere(msg::MSG_OUT_OF_MEMORY);
                    continue;
                }
                list.Reserve(static_cast<size_t>(list.Count() + n));
                int64_t step = hi >= lo ? 1 : -1;
                for (int64_t j = lo;; j += step) {
                    list.Append(Value::Int(static_cast<int32_t>(j)));
                    if (j == hi)
                        break;
                }
            }
        }

        Machine& m;
        CompiledExpr& x;
    };

    // Every name still of the kind it was compiled for: a variable (or no
    // symbol) where a variable was read, the same function where one was
    // called.
    bool NamesStillHold(Machine& m, CompiledExpr& x)
    {
        Evaluator check(m, x);
        for (int32_t i : x.names) {
            Node& node = x.nodes[static_cast<size_t>(i)];
            SymtbEntry* e = check.Resolve(node);
            if (node.kind == NodeKind::Call ? e != node.compiled_entry
                                            : (IsCallable(e) || (e && e->kind == SymbolKind::Module)))
                return false;
        }
        x.checked_version = m.symbols.Version();
        return true;
    }

} // namespace

CompiledExprPtr CompileExpression(Machine& m, CachedToken* begin, CachedToken* end, CachedToken* first, int n)
{
    if (first < begin || first >= end)
        return nullptr;
    CompiledExprPtr x(new CompiledExpr);
    x->slot = m.current_slot;
    x->owner = m.current_function;
    x->tokens = begin;
    Compiler compiler(m, begin, end, *x);
    if (!compiler.Expression(static_cast<int32_t>(first - begin), n))
        return nullptr;
    for (size_t i = 0; i < x->nodes.size(); ++i) {
        NodeKind k = x->nodes[i].kind;
        if (k == NodeKind::Variable || k == NodeKind::Call)
            x->names.push_back(static_cast<int32_t>(i));
    }
    x->checked_version = m.symbols.Version();
    const Chain& top = x->chains[static_cast<size_t>(x->top)];
    // A call of a constant built-in without arguments counts as plain: it
    // opens one nesting level, which the bound check before evaluating
    // covers, and calls nothing after its first call.
    auto plain = [&](int32_t i) {
        const Node& node = x->nodes[static_cast<size_t>(i)];
        const SymtbEntry* e = node.compiled_entry;
        const bool constant_call = node.kind == NodeKind::Call && node.items.empty() && e
            && e->kind == SymbolKind::Native && (e->value2 & NATIVE_CONSTANT) != 0;
        return (node.kind == NodeKind::Integer || node.kind == NodeKind::String
                   || node.kind == NodeKind::Variable || constant_call)
            && node.selectors.empty();
    };
    x->plain_binary
        = top.ops.size() == 1 && !top.ops[0].word && plain(top.operands[0]) && plain(top.operands[1]);
    x->plain_single = top.ops.empty() && plain(top.operands[0]);
    x->single_integer
        = x->plain_single && x->nodes[static_cast<size_t>(top.operands[0])].kind == NodeKind::Integer;
    if (x->single_integer)
        x->integer = x->nodes[static_cast<size_t>(top.operands[0])].int_value;
    x->single_variable
        = x->plain_single && x->nodes[static_cast<size_t>(top.operands[0])].kind == NodeKind::Variable;
    auto numeric = [&](int32_t i) {
        const NodeKind k = x->nodes[static_cast<size_t>(i)].kind;
        return k == NodeKind::Integer || k == NodeKind::Variable;
    };
    if (x->plain_binary && numeric(top.operands[0]) && numeric(top.operands[1])) {
        x->integer_form = true;
        x->int_nodes = { &x->nodes[static_cast<size_t>(top.operands[0])],
            &x->nodes[static_cast<size_t>(top.operands[1])] };
        x->int_op = top.ops[0].op;
    } else if (x->plain_single && numeric(top.operands[0])) {
        x->integer_form = true;
        x->int_nodes = { &x->nodes[static_cast<size_t>(top.operands[0])], nullptr };
    }
    return x;
}

namespace {

    // A plain operand's value as Primary gives it, taken straight from where
    // it is held: a variable's cell, or a constant built-in's kept value.
    // Anything else, a failing name included, is left to Primary.
    inline void PlainOperand(Machine& m, Evaluator& eval, Node& node, Value& v)
    {
        if (node.kind == NodeKind::Variable) {
            SymtbEntry* e = eval.Resolve(node);
            if (e && e->kind == SymbolKind::Variable) {
                v = ReadVariable(m.VariableCell(*e));
                return;
            }
        } else if (node.kind == NodeKind::Call && node.constant_known) {
            if (const Value* kept = eval.KeptConstant(node, eval.Resolve(node))) {
                v = *kept;
                return;
            }
        }
        eval.Primary(node, v);
    }

    // One operator between two plain operands: what climbing does for it,
    // the left operand, the right one, then the operator (compiling made
    // sure the operator is taken). The bound check before evaluating covers
    // the one level a constant built-in's call opens, so the nesting bound
    // is never passed here.
    [[gnu::noinline]] CachedToken* EvaluatePlainBinary(Machine& m, CompiledExpr& x, Value& v)
    {
        Evaluator eval(m, x);
        const Chain& top = x.chains[static_cast<size_t>(x.top)];
        Node& left = x.nodes[static_cast<size_t>(top.operands[0])];
        Node& right = x.nodes[static_cast<size_t>(top.operands[1])];
        // Two integers were taken before coming here whenever they could be
        // (EvaluateCompiled's integer form).
        int32_t r = 0;
        const OpCode op = top.ops[0].op;
        if (right.kind == NodeKind::String && IsComparison(op) && left.kind == NodeKind::Variable
            && eval.Resolve(left) && left.entry->kind == SymbolKind::Variable) {
            // A variable's text compared with a literal, read where it is
            // held.
            const Value* held = PeekVariable(m.VariableCell(*left.entry));
            if (held && held->is(ValueKind::String)) {
                IntegerResult(op,
                    CompareTextWith(held->Text(), right.text, right.integer_text, right.text_value), 0, r);
                v = Value::Int(r);
                return x.tokens + top.end_token;
            }
        }
        PlainOperand(m, eval, left, v);
        if (right.kind == NodeKind::String && IsComparison(op) && v.is(ValueKind::String)) {
            // A text compared with a literal: ApplyOperator's answer for
            // the pair, without making the literal's value.
            IntegerResult(
                op, CompareTextWith(v.Text(), right.text, right.integer_text, right.text_value), 0, r);
            v = Value::Int(r);
            return x.tokens + top.end_token;
        }
        Value w;
        PlainOperand(m, eval, right, w);
        ApplyOperator(op, v, std::move(w), m);
        return x.tokens + top.end_token;
    }

    [[gnu::noinline]] CachedToken* EvaluateClimbing(Machine& m, CompiledExpr& x, Value& v, int n)
    {
        Evaluator eval(m, x);
        const Chain& top = x.chains[static_cast<size_t>(x.top)];
        if (x.plain_single) {
            eval.Primary(x.nodes[static_cast<size_t>(top.operands[0])], v);
            return x.tokens + top.end_token;
        }
        v.Clear();
        const uint32_t overflows = m.expr_nesting_overflows;
        size_t k = 0;
        eval.Level(top, k, v, n);
        if (m.expr_nesting_overflows != overflows)
            v.Clear();
        return x.tokens + (k < top.ops.size() ? top.ops[k].token : top.end_token);
    }

} // namespace

namespace {

    // An expression in integer form read as integers, once the checks before
    // evaluating have passed: false when an operand holds no integer or the
    // operator has no integer answer (a zero divisor), having done nothing.
    [[gnu::noinline]] bool IntegerFormOf(Machine& m, const CompiledExpr& x, int32_t& r)
    {
        int32_t a = 0;
        if (!IntegerOperandOf(m, *x.int_nodes[0], a))
            return false;
        if (!x.int_nodes[1]) {
            r = a;
            return true;
        }
        int32_t b = 0;
        return IntegerOperandOf(m, *x.int_nodes[1], b) && IntegerResult(x.int_op, a, b, r);
    }

} // namespace

const std::string* LiteralText(const CompiledExpr& x)
{
    if (!x.plain_single)
        return nullptr;
    const Node& node = x.nodes[static_cast<size_t>(x.chains[static_cast<size_t>(x.top)].operands[0])];
    return node.kind == NodeKind::String ? &node.text : nullptr;
}

bool LiteralInteger(const CompiledExpr& x, int32_t& value)
{
    value = x.integer;
    return x.single_integer;
}

bool EvaluateIntegers(Machine& m, CompiledExpr& x, int32_t& r)
{
    // An integer alone names nothing and opens no level.
    if (x.single_integer && !m.check_only) {
        r = x.integer;
        return true;
    }
    if (!x.integer_form || x.slot != m.current_slot || x.owner != m.current_function || m.check_only
        || m.expr_nesting + x.depth > MAX_EXPR_NESTING)
        return false;
    // Every name's entry is the one it resolves to now once this holds.
    if (x.checked_version != m.symbols.Version() && !NamesStillHold(m, x))
        return false;
    return IntegerFormOf(m, x, r);
}

// The checks and the commonest shapes are kept small here; the work is
// done out of line, so that this entry saves few registers.
CachedToken* EvaluateCompiled(Machine& m, CompiledExpr& x, Value& v, int n)
{
    if (x.slot != m.current_slot || x.owner != m.current_function || m.check_only)
        return nullptr;
    // Within the bound, no level of this expression can pass it: the
    // parser's reaction to passing it is left to the parser.
    if (m.expr_nesting + x.depth > MAX_EXPR_NESTING)
        return nullptr;
    if (x.checked_version != m.symbols.Version() && !NamesStillHold(m, x))
        return nullptr;
    if (x.single_integer) {
        const Chain& top = x.chains[static_cast<size_t>(x.top)];
        v = Value::Int(x.nodes[static_cast<size_t>(top.operands[0])].int_value);
        return x.tokens + top.end_token;
    }
    if (x.single_variable) {
        // The entry is the name's under this symbol table (checked above);
        // anything but a variable is left to Primary to report.
        const Chain& top = x.chains[static_cast<size_t>(x.top)];
        SymtbEntry* e = x.nodes[static_cast<size_t>(top.operands[0])].entry;
        if (e && e->kind == SymbolKind::Variable) {
            v = ReadVariable(m.VariableCell(*e));
            return x.tokens + top.end_token;
        }
    }
    if (x.integer_form) {
        int32_t r = 0;
        if (IntegerFormOf(m, x, r)) {
            v = Value::Int(r);
            return x.tokens + x.chains[static_cast<size_t>(x.top)].end_token;
        }
    }
    if (x.plain_binary)
        return EvaluatePlainBinary(m, x, v);
    return EvaluateClimbing(m, x, v, n);
}

CompiledExpr* CompiledAt(Machine& m, CachedToken* begin, CachedToken* end, CachedToken* first, int n)
{
    CompiledExprPtr& slot = first->compiled[n];
    if (!slot) {
        const auto bit = static_cast<uint8_t>(1u << n);
        if (first->compile_tried & bit)
            return nullptr;
        first->compile_tried |= bit;
        slot = CompileExpression(m, begin, end, first, n);
    }
    return slot.get();
}

int NestingDepth(const CompiledExpr& x)
{
    return x.depth;
}

CachedToken* FixedEnd(const CompiledExpr& x)
{
    const Chain& top = x.chains[static_cast<size_t>(x.top)];
    for (const ChainOp& o : top.ops)
        if (o.word)
            return nullptr;
    return x.tokens + top.end_token;
}

bool TryCompiledExpression(Machine& m, Value& v, int n)
{
    TokenRec& t = m.lexer.tok;
    CachedToken* c = t.cached;
    if (!c || !t.cache_begin || m.check_only)
        return false;
    CompiledExpr* x = CompiledAt(m, t.cache_begin, t.cache_end, c, n);
    if (!x)
        return false;
    CachedToken* stop = EvaluateCompiled(m, *x, v, n);
    if (!stop)
        return false;
    m.lexer.JumpToCached(stop);
    return true;
}

} // namespace palavrino::core
