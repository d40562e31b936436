// The binary operators and the unary forms. A "number" is an integer or a
// string that is integer text; pairings the rules leave undefined give
// "inválido". All script arithmetic goes through int_math.h.
#include "core/operators.h"

#include "core/int_math.h"
#include "messages/core.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace palavrino::core {

namespace {

    bool AsNumber(const Value& v, int32_t* n)
    {
        if (v.is(ValueKind::Integer)) {
            *n = v.AsInt();
            return true;
        }
        return v.is(ValueKind::String) && IsIntegerText(v.Text(), n);
    }

    bool IsScalar(const Value& v)
    {
        return v.is(ValueKind::Integer) || v.is(ValueKind::String);
    }

    // Kinds that are definitely unequal to "indefinido" rather than incomparable.
    bool IsComparable(const Value& v)
    {
        return IsScalar(v) || v.is(ValueKind::Dictionary) || v.is(ValueKind::List);
    }

    // The text of an integer or a string; `buffer` holds an integer's digits.
    std::string_view ScalarText(const Value& v, char (&buffer)[12])
    {
        if (v.is(ValueKind::String))
            return v.Text();
        auto result = std::to_chars(buffer, buffer + sizeof buffer, v.AsInt());
        return std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
    }

    // Unsigned bytes from the left; a prefix is smaller than the longer text.
    int CompareBytes(std::string_view a, std::string_view b)
    {
        size_t common = std::min(a.size(), b.size());
        int c = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
        if (c != 0)
            return c < 0 ? -1 : 1;
        return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
    }

    // Integer and string pairs: as numbers when both are numbers, otherwise as
    // texts with the integer written in decimal.
    int CompareScalars(const Value& a, const Value& b)
    {
        if (a.is(ValueKind::String) && b.is(ValueKind::String))
            return CompareTexts(a.Text(), b.Text());
        int32_t x = 0;
        int32_t y = 0;
        if (AsNumber(a, &x) && AsNumber(b, &y))
            return x < y ? -1 : (x > y ? 1 : 0);
        char buffer_a[12];
        char buffer_b[12];
        return CompareBytes(ScalarText(a, buffer_a), ScalarText(b, buffer_b));
    }

    // 1, 0, or -1 for a pair that "=" does not define.
    int Equality(const Value& a, const Value& b)
    {
        bool a_undefined = a.is(ValueKind::Undefined);
        bool b_undefined = b.is(ValueKind::Undefined);
        if (a_undefined || b_undefined) {
            if (a_undefined && b_undefined)
                return 1;
            return IsComparable(a_undefined ? b : a) ? 0 : -1;
        }
        if (IsScalar(a) && IsScalar(b))
            return CompareScalars(a, b) == 0 ? 1 : 0;
        if (a.is(ValueKind::Dictionary) && b.is(ValueKind::Dictionary))
            return DictEqual(a.Dict(), b.Dict()) ? 1 : 0;
        if (a.is(ValueKind::List) && b.is(ValueKind::List))
            return ListEqual(a.List(), b.List()) ? 1 : 0;
        return -1;
    }

    int Ordering(OpCode op, const Value& a, const Value& b)
    {
        bool a_undefined = a.is(ValueKind::Undefined);
        bool b_undefined = b.is(ValueKind::Undefined);
        if (a_undefined || b_undefined) {
            if (a_undefined && b_undefined)
                return op == OpCode::GreaterEqual || op == OpCode::LessEqual ? 1 : 0;
            return IsComparable(a_undefined ? b : a) ? 0 : -1;
        }
        if (!IsScalar(a) || !IsScalar(b))
            return -1;
        int c = CompareScalars(a, b);
        switch (op) {
        case OpCode::Greater:
            return c > 0 ? 1 : 0;
        case OpCode::GreaterEqual:
            return c >= 0 ? 1 : 0;
        case OpCode::Less:
            return c < 0 ? 1 : 0;
        default:
            return c <= 0 ? 1 : 0;
        }
    }

    // "*=*" contains, "=*" begins with, "*=" ends with (the first occurrence).
    int Pattern(OpCode op, const Value& a, const Value& b)
    {
        if (a.is(ValueKind::String) && b.is(ValueKind::String)) {
            std::string_view hay = a.Text();
            std::string_view needle = b.Text();
            if (needle.empty())
                return 0; // an empty text never occurs
            size_t at = hay.find(needle);
            if (at == std::string_view::npos)
                return 0;
            if (op == OpCode::Contains)
                return 1;
            if (op == OpCode::BeginsWith)
                return at == 0 ? 1 : 0;
            return at == hay.size() - needle.size() ? 1 : 0;
        }
        if (a.is(ValueKind::List) && b.is(ValueKind::List)) {
            const ListObj& hay = a.List();
            const ListObj& needle = b.List();
            int32_t at = ListFindSub(needle, hay);
            if (op == OpCode::Contains)
                return at >= 0 ? 1 : 0;
            if (hay.Count() < needle.Count())
                return 0;
            if (op == OpCode::BeginsWith)
                return at == 0 ? 1 : 0;
            return at >= 0 && at == hay.Count() - needle.Count() ? 1 : 0;
        }
        return -1;
    }

    void SetTruth(Value& left, int truth)
    {
        if (truth < 0)
            left.Clear();
        else
            left = Value::Int(truth);
    }

    // left + right for an integer/string pair that is not a pair of numbers.
    void Concatenate(Value& left, const Value& right)
    {
        char buffer[12];
        std::string_view tail = ScalarText(right, buffer);
        if (left.is(ValueKind::String) && left.object()->refs() == 1) {
            left.MutableText().append(tail); // nobody else sees this string
            return;
        }
        char left_buffer[12];
        std::string_view head = ScalarText(left, left_buffer);
        std::string text;
        text.reserve(head.size() + tail.size());
        text.append(head).append(tail);
        left = Value::String(std::move(text));
    }

    void Add(Value& left, const Value& right)
    {
        if (IsScalar(left) && IsScalar(right)) {
            int32_t x = 0;
            int32_t y = 0;
            if (AsNumber(left, &x) && AsNumber(right, &y))
                left = Value::Int(AddInt(x, y));
            else
                Concatenate(left, right);
        } else if (left.is(ValueKind::Dictionary) && right.is(ValueKind::Dictionary)) {
            left = DictUnion(left.Dict(), right.Dict());
        } else if (left.is(ValueKind::List) && right.is(ValueKind::List)) {
            left = ListConcat(left.List(), right.List());
        } else {
            left.Clear();
        }
    }

    // The product is kept in 64 bits and checked after every multiplication.
    // Bases 0, 1 and -1 never leave 32 bits, so they are answered at once
    // rather than looping up to two billion times.
    bool Power(int32_t base, int32_t exponent, int32_t* out)
    {
        if (exponent <= 0 || base == 1) {
            *out = 1;
            return true;
        }
        if (base == 0 || base == -1) {
            *out = base == 0 ? 0 : ((exponent & 1) != 0 ? -1 : 1);
            return true;
        }
        int64_t product = 1;
        for (int32_t i = 0; i < exponent; ++i) {
            product *= base;
            if (product < INT32_MIN || product > INT32_MAX)
                return false;
        }
        *out = static_cast<int32_t>(product);
        return true;
    }

    // "-", "*", "/", "%" and "^" on a pair of numbers.
    void Arithmetic(OpCode op, Value& left, int32_t x, int32_t y, ErrorSink& sink)
    {
        if ((op == OpCode::Divide || op == OpCode::Modulo) && y == 0) {
            sink.ReportHere(msg::MSG_DIVISION_BY_ZERO);
            y = 1;
        }
        int32_t result = 0;
        switch (op) {
        case OpCode::Subtract:
            result = SubInt(x, y);
            break;
        case OpCode::Multiply:
            result = MulInt(x, y);
            break;
        case OpCode::Divide:
            result = DivInt(x, y);
            break;
        case OpCode::Modulo:
            result = ModInt(x, y);
            break;
        default:
            if (!Power(x, y, &result)) {
                sink.ReportHere(msg::MSG_POWER_OVERFLOW);
                left.Clear();
                return;
            }
            break;
        }
        left = Value::Int(result);
    }

    // "-" and "*" on two dictionaries or two lists.
    void ContainerArithmetic(OpCode op, Value& left, const Value& right)
    {
        bool minus = op == OpCode::Subtract;
        if (left.is(ValueKind::Dictionary) && right.is(ValueKind::Dictionary))
            left = minus ? DictMinus(left.Dict(), right.Dict()) : DictIntersect(left.Dict(), right.Dict());
        else if (left.is(ValueKind::List) && right.is(ValueKind::List))
            left = minus ? ListMinus(left.List(), right.List()) : ListIntersect(left.List(), right.List());
        else
            left.Clear();
    }

    // The common case of two integers, without the general dispatch. False
    // for operators that are not arithmetic or comparisons.
    bool IntegerOperator(OpCode op, Value& left, int32_t x, int32_t y, ErrorSink& sink)
    {
        int32_t r = 0;
        if (IntegerResult(op, x, y, r)) {
            left = Value::Int(r);
            return true;
        }
        switch (op) {
        case OpCode::Divide:
        case OpCode::Modulo:
        case OpCode::Power:
            Arithmetic(op, left, x, y, sink);
            return true;
        default:
            return false;
        }
    }

} // namespace

int CompareTexts(std::string_view a, std::string_view b)
{
    int32_t y = 0;
    const bool b_integer = IsIntegerText(b, &y);
    return CompareTextWith(a, b, b_integer, y);
}

int CompareTextWith(std::string_view a, std::string_view b, bool b_integer, int32_t b_value)
{
    int32_t x = 0;
    if (b_integer && IsIntegerText(a, &x))
        return x < b_value ? -1 : (x > b_value ? 1 : 0);
    return CompareBytes(a, b);
}

void ApplyOperator(OpCode op, Value& left, Value right, ErrorSink& sink)
{
    if (left.is(ValueKind::Integer) && right.is(ValueKind::Integer)
        && IntegerOperator(op, left, left.AsInt(), right.AsInt(), sink))
        return;
    switch (op) {
    case OpCode::Equal:
    case OpCode::NotEqual: {
        int equal = Equality(left, right);
        SetTruth(left, equal < 0 || op == OpCode::Equal ? equal : 1 - equal);
        break;
    }
    case OpCode::Greater:
    case OpCode::GreaterEqual:
    case OpCode::Less:
    case OpCode::LessEqual:
        SetTruth(left, Ordering(op, left, right));
        break;
    case OpCode::Contains:
    case OpCode::BeginsWith:
    case OpCode::EndsWith:
        SetTruth(left, Pattern(op, left, right));
        break;
    case OpCode::Add:
        Add(left, right);
        break;
    case OpCode::Subtract:
    case OpCode::Multiply:
    case OpCode::Divide:
    case OpCode::Modulo:
    case OpCode::Power: {
        int32_t x = 0;
        int32_t y = 0;
        if (AsNumber(left, &x) && AsNumber(right, &y))
            Arithmetic(op, left, x, y, sink);
        else if (op == OpCode::Subtract || op == OpCode::Multiply)
            ContainerArithmetic(op, left, right);
        else
            left.Clear();
        break;
    }
    case OpCode::Or:
    case OpCode::And:
        if (left.is(ValueKind::Invalid) || right.is(ValueKind::Invalid))
            left.Clear();
        else if (op == OpCode::Or)
            left = Value::Int(IsTrue(left) || IsTrue(right) ? 1 : 0);
        else
            left = Value::Int(IsTrue(left) && IsTrue(right) ? 1 : 0);
        break;
    case OpCode::Range:
        if (left.is(ValueKind::Integer) && right.is(ValueKind::Integer))
            left = Value::Range(left.AsInt(), right.AsInt());
        else
            left.Clear();
        break;
    case OpCode::None:
    case OpCode::Bar:
        break; // no binary meaning: the left operand stays as it is
    }
}

// ---- Unary forms -----------------------------------------------------------

namespace {

    void Negate(Value& v)
    {
        switch (v.kind()) {
        case ValueKind::Integer:
            v = Value::Int(NegInt(v.AsInt())); // INT32_MIN stays itself
            break;
        case ValueKind::String:
            if (v.object()->refs() == 1) {
                std::reverse(v.MutableText().begin(), v.MutableText().end());
            } else {
                std::string text(v.Text().rbegin(), v.Text().rend());
                v = Value::String(std::move(text));
            }
            break;
        case ValueKind::List: {
            Value copy = DeepCopy(v);
            ListObj& list = copy.List();
            for (int32_t i = 0, j = list.Count() - 1; i < j; ++i, --j)
                list.Swap(i, j);
            v = std::move(copy);
            break;
        }
        default:
            v.Clear();
            break;
        }
    }

    // The greatest (Greater), smallest (Less), sum (Add) or product (Multiply)
    // of a non-empty list whose cells are all integers or all strings.
    void Reduce(OpCode op, Value& v)
    {
        const ListObj& list = v.List();
        const int32_t n = list.Count();
        if (n == 0 || list.IsHole(0) || !IsScalar(list.At(0))) {
            v.Clear();
            return;
        }
        const ValueKind kind = list.At(0).kind();
        for (int32_t i = 1; i < n; ++i) {
            if (list.IsHole(i) || !list.At(i).is(kind)) {
                v.Clear();
                return;
            }
        }
        const bool strings = kind == ValueKind::String;
        if (op == OpCode::Greater || op == OpCode::Less) {
            int32_t best = 0;
            for (int32_t i = 1; i < n; ++i) {
                const Value& a = list.At(i);
                const Value& b = list.At(best);
                int c = strings ? CompareBytes(a.Text(), b.Text())
                                : (a.AsInt() < b.AsInt() ? -1 : (a.AsInt() > b.AsInt() ? 1 : 0));
                if (op == OpCode::Greater ? c > 0 : c < 0)
                    best = i;
            }
            v = Value(list.At(best));
            return;
        }
        if (strings) {
            if (op == OpCode::Multiply) {
                v.Clear();
                return;
            }
            std::string text;
            for (int32_t i = 0; i < n; ++i)
                text += list.At(i).Text();
            v = Value::String(std::move(text));
            return;
        }
        int32_t total = op == OpCode::Add ? 0 : 1;
        for (int32_t i = 0; i < n; ++i)
            total = op == OpCode::Add ? AddInt(total, list.At(i).AsInt()) : MulInt(total, list.At(i).AsInt());
        v = Value::Int(total);
    }

} // namespace

void ApplyUnary(OpCode op, Value& v)
{
    switch (op) {
    case OpCode::Subtract:
        Negate(v);
        break;
    case OpCode::Greater:
    case OpCode::Less:
    case OpCode::Add:
    case OpCode::Multiply:
        if (v.is(ValueKind::List))
            Reduce(op, v);
        break;
    default:
        break;
    }
}

} // namespace palavrino::core
