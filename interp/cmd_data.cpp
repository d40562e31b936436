// The assignment line, the expression statement, SEJA and DESTROI, the
// arithmetic commands, and the list commands ANEXA, PROCURA and ORDENA.
// Each handler parses its target, evaluates its operands in the order they
// are written and stores the result through the target; the string commands
// live in cmd_text.cpp. A handler that fails skips the rest of its line, so
// the user hears the one message that explains the failure.
#include "interp/cmd_data.h"

#include "core/int_math.h"
#include "core/selection.h"
#include "interp/command_helpers.h"
#include "interp/data_ops.h"
#include "interp/runtime.h"
#include "messages/interp.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace palavrino::interp {

namespace {

    using core::TargetRec;
    using core::TokenKind;

    std::string Quoted(std::string_view text)
    {
        return "\"" + std::string(text) + "\"";
    }

    std::string TargetName(const TargetRec& t)
    {
        return core::TargetText(t.entry->name, t.selectors, t.selectors.size());
    }

    bool AtAssignSign(Runtime& rt)
    {
        return rt.lexer.Is(TokenKind::Assign) || rt.lexer.IsOperator(core::OpCode::Equal);
    }

    void Echo(Runtime& rt, const Value& v)
    {
        rt.WriteLineAndSpeak(core::ValueToText(v));
    }

    // Interactive mode shows the value of a line that is not a command.
    bool EchoWholeLine(Runtime& rt)
    {
        rt.lexer.RescanFromMark();
        Value v;
        rt.ParseExpression(v);
        Echo(rt, v);
        return true;
    }

    // call-line -> function-call, with nothing after it
    bool RunCallLine(Runtime& rt, const SymtbEntry& function)
    {
        rt.lexer.RescanFromMark();
        Value result;
        rt.ParseExpression(result);
        if (!rt.lexer.AtEnd()) {
            return Fail(
                rt, msg::NotUsableAsVariable(Quoted(function.name), core::SymbolKindName(function.kind)));
        }
        if (result.is(ValueKind::Invalid))
            return Fail(rt, msg::BadFunctionCall(function.name));
        if (rt.current_slot == 0 && !result.is(ValueKind::Undefined))
            Echo(rt, result);
        return true;
    }

    // SEJA x[v] stores v into x and SEJA d[k, v] stores v into d[k]: the last
    // item of the last subscript is the value, and a subscript left empty by
    // taking it is dropped. False when there is no item to take.
    bool TakeLastSubscriptItem(TargetRec& t, Value& value)
    {
        if (t.selectors.empty() || !t.selectors.back().is(ValueKind::List))
            return false;
        core::ListObj& last = t.selectors.back().List();
        if (last.Count() == 0)
            return false;
        value = last.Take(last.Count() - 1);
        if (last.Count() == 0)
            t.selectors.pop_back();
        return true;
    }

    int32_t ApplyArith(Runtime& rt, ArithOp op, int32_t a, int32_t b)
    {
        if (op == ArithOp::Divide && b == 0) {
            // Reported, but the script goes on: the divisor counts as 1.
            rt.ReportErrorHere(msg::MSG_DIVISION_BY_ZERO_AVOIDED);
            b = 1;
        }
        return ArithOnIntegers(op, a, b);
    }

    bool ArithmeticStep(Runtime& rt, ArithOp op, std::string_view word, TargetRec& t, const Value& current,
        const Value& operand)
    {
        if (!operand.is(ValueKind::Integer))
            return Fail(rt, msg::SecondOperandNotInteger(word));
        int32_t base = 0;
        if (current.is(ValueKind::Integer))
            base = current.AsInt();
        if (current.is(ValueKind::Integer)
            || (current.is(ValueKind::String) && core::IsIntegerText(current.Text(), &base)))
            return AssignOrFail(rt, t, Value::Int(ApplyArith(rt, op, base, operand.AsInt())));
        if (current.is(ValueKind::String) && (op == ArithOp::Add || op == ArithOp::Subtract)) {
            std::string text = current.Text();
            AddToTrailingDigits(text, operand.AsInt(), op == ArithOp::Subtract);
            return AssignOrFail(rt, t, Value::String(std::move(text)));
        }
        return Fail(rt, msg::FirstOperandNotInteger(word));
    }

    // arith-command -> target integer
    bool ArithmeticCommand(Runtime& rt, ArithOp op, std::string_view word)
    {
        TargetRec t;
        if (!core::ParseTarget(rt, t, false))
            return FailQuietly(rt);
        Value current = core::ReadTarget(rt, t);
        Value operand;
        rt.ParseExpressionAs(operand, ValueKind::Integer);
        return ArithmeticStep(rt, op, word, t, current, operand);
    }

    // Exact search for an empty needle: an empty element equals it, though no
    // text contains the empty one for the partial search.
    int32_t FindEmptyText(const core::ListObj& list, int32_t start)
    {
        for (int32_t i = std::max(start, 0); i < list.Count(); ++i) {
            if (!list.IsHole(i) && list.At(i).is(ValueKind::String) && list.At(i).Text().empty())
                return i;
        }
        return -1;
    }

    int32_t FindInList(
        const core::ListObj& list, int32_t start, const Value& needle, bool partial, bool upper)
    {
        if (needle.is(ValueKind::Integer))
            return core::ListFind(list, start, needle);
        const std::string& text = needle.Text();
        int32_t found = text.empty() && !partial ? FindEmptyText(list, start)
                                                 : core::ListFindText(list, start, text, upper, partial);
        int32_t number = 0;
        if (found < 0 && core::IsIntegerText(text, &number))
            found = core::ListFind(list, start, Value::Int(number));
        return found;
    }

    // ---- Comparison for ORDENA ----

    int Sign(int64_t d)
    {
        return d < 0 ? -1 : (d > 0 ? 1 : 0);
    }

    // Byte by byte as unsigned values; a prefix comes first.
    int CompareOrdinal(std::string_view a, std::string_view b)
    {
        size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            auto x = static_cast<unsigned char>(a[i]);
            auto y = static_cast<unsigned char>(b[i]);
            if (x != y)
                return x < y ? -1 : 1;
        }
        return Sign(static_cast<int64_t>(a.size()) - static_cast<int64_t>(b.size()));
    }

    // The number an integer or integer text stands for, when it stands for one
    // and numbers are to be compared as such.
    bool NumberOf(const Value& v, bool numeric_texts, int32_t* out)
    {
        if (v.is(ValueKind::Integer)) {
            *out = v.AsInt();
            return true;
        }
        return numeric_texts && core::IsIntegerText(v.Text(), out);
    }

    std::string TextOf(const Value& v)
    {
        return v.is(ValueKind::Integer) ? core::IntToText(v.AsInt()) : v.Text();
    }

} // namespace

// ---- Pure operations ----

void AddToTrailingDigits(std::string& text, int32_t operand, bool subtract)
{
    // The magnitude of INT32_MIN does not fit an int32_t.
    uint32_t rest = operand < 0 ? 0u - static_cast<uint32_t>(operand) : static_cast<uint32_t>(operand);
    const int sign = (operand < 0) != subtract ? -1 : 1;
    int carry = 0;
    for (size_t i = text.size();
         i > 0 && text[i - 1] >= '0' && text[i - 1] <= '9' && (rest != 0 || carry != 0); --i) {
        int digit = sign * (static_cast<int>(rest % 10) + carry) + (text[i - 1] - '0');
        carry = 0;
        if (digit > 9) {
            digit -= 10;
            carry = 1;
        } else if (digit < 0) {
            digit += 10;
            carry = 1;
        }
        text[i - 1] = static_cast<char>('0' + digit);
        rest /= 10;
    }
}

int CompareForSort(const Value& a, const Value& b, const SortOptions& options)
{
    // Two integers, the commonest pair, as the numeric comparison below.
    if (a.is(ValueKind::Integer) && b.is(ValueKind::Integer)) {
        const int result = a.AsInt() < b.AsInt() ? -1 : (a.AsInt() > b.AsInt() ? 1 : 0);
        return options.descending ? -result : result;
    }
    const bool a_plain = a.is(ValueKind::Integer) || a.is(ValueKind::String);
    const bool b_plain = b.is(ValueKind::Integer) || b.is(ValueKind::String);
    if (!a_plain || !b_plain)
        return a.kind() == b.kind() ? 0 : -1;
    int result = 0;
    int32_t x = 0;
    int32_t y = 0;
    if (NumberOf(a, options.numeric, &x) && NumberOf(b, options.numeric, &y)) {
        // Compared, not subtracted: the difference of two int32 can overflow.
        result = Sign(static_cast<int64_t>(x) - static_cast<int64_t>(y));
    } else if (options.upper) {
        result = CompareOrdinal(core::UpperText(TextOf(a)), core::UpperText(TextOf(b)));
    } else if (a.is(ValueKind::String) && b.is(ValueKind::String)) {
        result = CompareOrdinal(a.Text(), b.Text());
    } else {
        result = CompareOrdinal(TextOf(a), TextOf(b));
    }
    return options.descending ? -result : result;
}

namespace {

    // Past this many partition passes on one path the pivots are known to be
    // poor (an up-then-down list splits off one cell per pass), and the range is
    // finished by heapsort instead of in quadratic time. Lists that never come
    // near it, which is every list of up to 64 cells, are ordered exactly as the
    // quicksort alone orders them.
    constexpr int32_t EXTRA_PARTITION_PASSES = 64;

    int32_t PartitionBudget(int32_t count)
    {
        int32_t log2 = 0;
        while ((count >>= 1) != 0)
            ++log2;
        return EXTRA_PARTITION_PASSES + 2 * log2;
    }

    // Heap of `count` cells starting at `lo`, largest first.
    void SiftDown(core::ListObj& list, int32_t lo, int64_t root, int64_t count, const SortOptions& options)
    {
        for (;;) {
            int64_t child = 2 * root + 1;
            if (child >= count)
                return;
            auto at = [&](int64_t k) -> const Value& { return list.At(static_cast<int32_t>(lo + k)); };
            if (child + 1 < count && CompareForSort(at(child), at(child + 1), options) < 0)
                ++child;
            if (CompareForSort(at(root), at(child), options) >= 0)
                return;
            list.Swap(static_cast<int32_t>(lo + root), static_cast<int32_t>(lo + child));
            root = child;
        }
    }

    void HeapSort(core::ListObj& list, int32_t lo, int32_t hi, const SortOptions& options)
    {
        const int64_t count = static_cast<int64_t>(hi) - lo + 1;
        for (int64_t i = count / 2 - 1; i >= 0; --i)
            SiftDown(list, lo, i, count, options);
        for (int64_t end = count - 1; end > 0; --end) {
            list.Swap(lo, static_cast<int32_t>(lo + end));
            SiftDown(list, lo, 0, end, options);
        }
    }

    // The quicksort of the list container: middle pivot, I and J closing in
    // until they cross, then the two parts. Only the smaller part recurses, so
    // the native stack stays shallow; the parts are disjoint, so the order in
    // which they are sorted does not change the result. I and J are also kept
    // inside the range, which the comparison's mixed-kind answers must never
    // be trusted to do.
    void SortRange(core::ListObj& list, int32_t lo, int32_t hi, const SortOptions& options, int32_t budget)
    {
        while (lo < hi) {
            if (budget-- == 0) {
                HeapSort(list, lo, hi, options);
                return;
            }
            int32_t i = lo;
            int32_t j = hi;
            const Value pivot = list.At(lo + (hi - lo) / 2);
            do {
                while (i <= hi && CompareForSort(list.At(i), pivot, options) < 0)
                    ++i;
                while (j >= lo && CompareForSort(list.At(j), pivot, options) > 0)
                    --j;
                if (i <= j) {
                    if (i != j)
                        list.Swap(i, j);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (j - lo < hi - i) {
                SortRange(list, lo, j, options, budget);
                lo = i;
            } else {
                SortRange(list, i, hi, options, budget);
                hi = j;
            }
        }
    }

} // namespace

void SortList(core::ListObj& list, const SortOptions& options)
{
    SortRange(list, 0, list.Count() - 1, options, PartitionBudget(list.Count()));
}

// An expression that failed leaves the variable as it was: storing the
// invalid value would silently erase what the variable held.
bool AssignValue(Runtime& rt, TargetRec& t, const Value& v)
{
    if (v.is(ValueKind::Invalid)) {
        return Fail(rt, msg::VariableNotModified(Quoted(TargetName(t))));
    }
    return AssignOrFail(rt, t, v);
}

bool ApplyArithmetic(
    Runtime& rt, ArithOp op, std::string_view word, TargetRec& t, const Value& current, const Value& operand)
{
    return ArithmeticStep(rt, op, word, t, current, operand);
}

// ---- Handlers ----

// assignment-line -> target ( ":=" | "=" ) expression | function-call
bool CmdAssignment(Runtime& rt)
{
    rt.lexer.RescanFromMark();
    TargetRec t;
    if (!core::ParseTarget(rt, t, true))
        return FailQuietly(rt);
    if (t.entry->kind == SymbolKind::Native || t.entry->kind == SymbolKind::UserFunction)
        return RunCallLine(rt, *t.entry);
    if (AtAssignSign(rt)) {
        rt.lexer.NextToken();
        Value v;
        rt.ParseExpression(v);
        return AssignValue(rt, t, v);
    }
    // In a script this is a misspelt command or a stray name; the driver
    // names the line, so there is nothing to add here.
    if (rt.current_slot != 0)
        return FailQuietly(rt);
    return EchoWholeLine(rt);
}

// expression-statement -> expression (interactive mode only)
bool CmdExpression(Runtime& rt)
{
    if (rt.current_slot != 0)
        return FailQuietly(rt);
    return EchoWholeLine(rt);
}

// SEJA target [ ":=" | "=" ] expression  |  SEJA target subscript
bool CmdSeja(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    Value v;
    if (!rt.lexer.AtEnd()) {
        if (AtAssignSign(rt))
            rt.lexer.NextToken();
        rt.ParseExpression(v);
    } else if (!TakeLastSubscriptItem(t, v)) {
        return Fail(rt, msg::ExpectedExpressionFor(Quoted(t.entry->name)));
    }
    return AssignValue(rt, t, v);
}

// DESTROI target
bool CmdDestroi(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    return AssignOrFail(rt, t, Value::Undefined());
}

bool CmdSoma(Runtime& rt)
{
    return ArithmeticCommand(rt, ArithOp::Add, "SOMA");
}
bool CmdSubtrai(Runtime& rt)
{
    return ArithmeticCommand(rt, ArithOp::Subtract, "SUBTRAI");
}
bool CmdMultiplica(Runtime& rt)
{
    return ArithmeticCommand(rt, ArithOp::Multiply, "MULTIPLICA");
}
bool CmdDivide(Runtime& rt)
{
    return ArithmeticCommand(rt, ArithOp::Divide, "DIVIDE");
}

// ANEXA target [","] list  |  ANEXA target subscript
bool CmdAnexa(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    if (rt.lexer.Is(TokenKind::Comma))
        rt.lexer.NextToken();
    Value operand;
    if (!rt.lexer.AtEnd()) {
        rt.ParseExpression(operand);
    } else if (!t.selectors.empty()) {
        // A subscript is itself a list: ANEXA l[4, 5] appends 4 and 5.
        operand = std::move(t.selectors.back());
        t.selectors.pop_back();
    }
    Value current = core::ReadTarget(rt, t);
    if (!current.is(ValueKind::List) || !operand.is(ValueKind::List))
        return Fail(rt, msg::MSG_ANEXA_NEEDS_LISTS);
    return AssignOrFail(rt, t, core::ListConcat(current.List(), operand.List()));
}

// PROCURA target list start needle [PARCIAL] [MAIUSC]
bool CmdProcura(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    Value list;
    rt.ParseExpression(list);
    if (!list.is(ValueKind::List))
        return Fail(rt, msg::MSG_SECOND_ARG_LIST);
    Value start;
    rt.ParseExpressionAs(start, ValueKind::Integer);
    if (!start.is(ValueKind::Integer))
        return Fail(rt, msg::MSG_THIRD_ARG_POSITION);
    Value needle;
    rt.ParseExpression(needle);
    if (!needle.is(ValueKind::Integer) && !needle.is(ValueKind::String))
        return Fail(rt, msg::MSG_PROCURA_KINDS);
    bool partial = false;
    bool upper = false;
    for (;; rt.lexer.NextToken()) {
        if (rt.lexer.TokenIsWord("PARCIAL"))
            partial = true;
        else if (rt.lexer.TokenIsWord("MAIUSC"))
            upper = true;
        else
            break;
    }
    if (needle.is(ValueKind::Integer) && (partial || upper)) {
        return Fail(rt, msg::MSG_PROCURA_MODIFIERS);
    }
    return AssignOrFail(rt, t, Value::Int(FindInList(list.List(), start.AsInt(), needle, partial, upper)));
}

// ORDENA target [DECRESCENTE] [NUMERICO] [MAIUSC]
bool CmdOrdena(Runtime& rt)
{
    TargetRec t;
    if (!core::ParseTarget(rt, t, false))
        return FailQuietly(rt);
    SortOptions options;
    for (;; rt.lexer.NextToken()) {
        if (rt.lexer.TokenIsWord("DECRESCENTE"))
            options.descending = true;
        else if (rt.lexer.TokenIsWord("NUMERICO"))
            options.numeric = true;
        else if (rt.lexer.TokenIsWord("MAIUSC"))
            options.upper = true;
        else
            break;
    }
    Value v = core::ReadTarget(rt, t);
    if (!v.is(ValueKind::List))
        return Fail(rt, msg::MSG_EXPECTED_LIST_TO_SORT);
    // The list is shared, so sorting it here sorts it for every owner.
    SortList(v.List(), options);
    return true;
}

} // namespace palavrino::interp
