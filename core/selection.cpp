// Reading variables and selections, and storing through selectors. Strings
// are indexed from 1, lists from 0 and dictionaries by key text; a selector
// list is taken element by element, nested containers element by element in
// turn (bounded by MAX_VALUE_DEPTH, a selector holding itself is refused).
// Stores change the shared object in place.
#include "core/selection.h"

#include "core/int_math.h"
#include "messages/core.h"

#include <algorithm>
#include <charconv>

namespace palavrino::core {

namespace {

    // The containers of a selector currently being taken apart, in a fixed
    // array so that selection never allocates for it. A container met again is
    // a selector that holds itself (only one with two owners can be).
    class SelectorPath {
    public:
        bool Enter(const Value& element)
        {
            const Obj* obj = element.object();
            if (m_size >= MAX_VALUE_DEPTH)
                return false;
            if (obj->refs() > 1 && std::find(m_objs, m_objs + m_size, obj) != m_objs + m_size)
                return false;
            m_objs[m_size++] = obj;
            return true;
        }
        void Leave() { --m_size; }

    private:
        const Obj* m_objs[MAX_VALUE_DEPTH];
        int m_size { 0 };
    };

    // Calls f on each entry value of a dictionary or each non-hole cell of a
    // list, until f returns false. The count is taken once and each element
    // copied, since f may change the very container being walked.
    template <typename F> bool ForEachElement(const Value& container, F&& f)
    {
        Value hold = container;
        if (hold.is(ValueKind::Dictionary)) {
            const DictObj& d = hold.Dict();
            const int32_t n = d.Count();
            for (int32_t i = 0; i < n && i < d.Count(); ++i) {
                Value element = d.Entries()[static_cast<size_t>(i)].value;
                if (!f(element))
                    return false;
            }
        } else {
            const ListObj& l = hold.List();
            const int32_t n = l.Count();
            for (int32_t i = 0; i < n && i < l.Count(); ++i) {
                if (l.IsHole(i))
                    continue;
                Value element = l.At(i);
                if (!f(element))
                    return false;
            }
        }
        return true;
    }

    bool IsContainer(const Value& v)
    {
        return v.is(ValueKind::Dictionary) || v.is(ValueKind::List);
    }

    // A container selector of exactly one element selects like that element.
    const Value* SingleElement(const Value& x)
    {
        if (x.is(ValueKind::Dictionary) && x.Dict().Count() == 1)
            return &x.Dict().Entries()[0].value;
        if (x.is(ValueKind::List) && x.List().Count() == 1)
            return &x.List().At(0);
        return nullptr;
    }

    // ---- Read selection --------------------------------------------------------

    class SelectWalk {
    public:
        // One piece of a string selection, appended to out.
        void StringPiece(const std::string& s, const Value& e, std::string& out)
        {
            const int64_t length = static_cast<int64_t>(s.size());
            switch (e.kind()) {
            case ValueKind::Integer:
                if (e.AsInt() >= 1 && e.AsInt() <= length)
                    out += s[static_cast<size_t>(e.AsInt() - 1)];
                break;
            case ValueKind::Range: {
                // Only positions inside 1..length, in the written direction.
                int64_t a = e.RangeFirst();
                int64_t b = e.RangeSecond();
                if (a <= b) {
                    for (int64_t k = std::max<int64_t>(a, 1); k <= std::min(b, length); ++k)
                        out += s[static_cast<size_t>(k - 1)];
                } else {
                    for (int64_t k = std::min(a, length); k >= std::max<int64_t>(b, 1); --k)
                        out += s[static_cast<size_t>(k - 1)];
                }
                break;
            }
            case ValueKind::String: {
                int32_t k = 0;
                if (IsIntegerText(e.Text(), &k) && k >= 1 && k <= length) {
                    out += s[static_cast<size_t>(k - 1)];
                } else {
                    size_t at = e.Text().empty() ? std::string::npos : s.find(e.Text());
                    out += at == std::string::npos ? std::string("0")
                                                   : IntToText(static_cast<int32_t>(at + 1));
                }
                break;
            }
            case ValueKind::List:
                if (e.List().Count() == 0) {
                    if (!s.empty())
                        out += s.back();
                    break;
                }
                [[fallthrough]];
            case ValueKind::Dictionary:
                if (m_path.Enter(e)) {
                    ForEachElement(e, [&](const Value& x) {
                        StringPiece(s, x, out);
                        return true;
                    });
                    m_path.Leave();
                }
                break;
            case ValueKind::Invalid:
            case ValueKind::Undefined:
                break;
            }
        }

        Value FromDict(const Value& dict, const Value& x)
        {
            const DictObj& d = dict.Dict();
            switch (x.kind()) {
            case ValueKind::Integer:
            case ValueKind::String:
                return DictGet(d, x);
            case ValueKind::Range: {
                if (x.RangeFirst() == x.RangeSecond())
                    return DictGet(d, Value::Int(x.RangeFirst()));
                if (RangeLength(x.RangeFirst(), x.RangeSecond()) > MAX_RANGE_ELEMENTS)
                    return Value();
                Value result = Value::NewDict();
                const int64_t step = x.RangeFirst() < x.RangeSecond() ? 1 : -1;
                for (int64_t k = x.RangeFirst();; k += step) {
                    Value key = Value::Int(static_cast<int32_t>(k));
                    DictSetByValue(result.Dict(), key, DictGet(d, key));
                    if (k == x.RangeSecond())
                        break;
                }
                return result;
            }
            case ValueKind::Dictionary:
            case ValueKind::List:
                break;
            case ValueKind::Invalid:
            case ValueKind::Undefined:
                return Value();
            }
            if (const Value* single = SingleElement(x))
                return FromDict(dict, *single);
            if (x.is(ValueKind::List) && x.List().Count() == 0)
                return Value::Undefined();
            if (!m_path.Enter(x))
                return Value();
            Value result = Value::NewDict();
            bool valid = ForEachElement(x, [&](const Value& element) {
                Value selected = FromDict(dict, element);
                if (selected.is(ValueKind::Invalid))
                    return false;
                if (selected.is(ValueKind::Dictionary))
                    DictMerge(result.Dict(), selected.Dict());
                else
                    DictSetByValue(result.Dict(), element, selected);
                return true;
            });
            m_path.Leave();
            return valid ? result : Value();
        }

        Value FromList(const Value& list, const Value& x)
        {
            const ListObj& l = list.List();
            switch (x.kind()) {
            case ValueKind::Integer:
                return ListGet(l, x.AsInt());
            case ValueKind::String:
                return ListGetByText(l, x.Text());
            case ValueKind::Range:
                return ListRange(l, x.RangeFirst(), x.RangeSecond());
            case ValueKind::Dictionary:
            case ValueKind::List:
                break;
            case ValueKind::Invalid:
            case ValueKind::Undefined:
                return Value();
            }
            if (const Value* single = SingleElement(x))
                return FromList(list, *single);
            if (x.is(ValueKind::List) && x.List().Count() == 0)
                return ListGet(l, l.Count() - 1);
            if (!m_path.Enter(x))
                return Value();
            Value result = Value::NewList();
            bool valid = ForEachElement(x, [&](const Value& element) {
                Value selected = FromList(list, element);
                if (selected.is(ValueKind::Invalid))
                    return false;
                if (selected.is(ValueKind::List))
                    ListAppendAll(result.List(), selected.List());
                else
                    result.List().Append(std::move(selected));
                return true;
            });
            m_path.Leave();
            return valid ? result : Value();
        }

    private:
        // The cells from a to b that exist, in the written direction.
        static Value ListRange(const ListObj& l, int32_t a, int32_t b)
        {
            if (a == b)
                return ListGet(l, a);
            Value result = Value::NewList();
            ListObj& out = result.List();
            const int32_t last = l.Count() - 1;
            if (a < b) {
                for (int32_t i = std::max(a, 0); i <= std::min(b, last); ++i)
                    out.Append(ListGet(l, i));
            } else {
                for (int32_t i = std::min(a, last); i >= std::max(b, 0); --i)
                    out.Append(ListGet(l, i));
            }
            return result;
        }

        SelectorPath m_path;
    };

    // ---- Stores ----------------------------------------------------------------

    // The text a string position receives from an integer or string value: an
    // integer 0-255 is that character, any other integer a blank.
    std::string CharacterText(const Value& value)
    {
        if (value.is(ValueKind::String))
            return value.Text();
        int32_t n = value.AsInt();
        return std::string(1, n >= 0 && n <= 255 ? static_cast<char>(n) : ' ');
    }

    class StoreWalk {
    public:
        StoreWalk(
            std::string_view name, const std::vector<Value>& selectors, const Value& value, ErrorSink& sink)
            : m_name(name)
            , m_selectors(selectors)
            , m_value(value)
            , m_sink(sink)
        {
        }

        // Stores through the selectors from k on; false once a failure has been
        // reported.
        bool Store(Value& slot, size_t k)
        {
            if (k == m_selectors.size()) {
                slot = m_value;
                return true;
            }
            if (!slot.is(ValueKind::String) && !IsContainer(slot)) {
                m_sink.ReportHere(
                    msg::NotIndexable(TargetText(m_name, m_selectors, k), KindName(slot.kind())));
                return false;
            }
            if (slot.is(ValueKind::String) && !m_value.is(ValueKind::Integer)
                && !m_value.is(ValueKind::String)) {
                m_sink.ReportHere(msg::MSG_STRING_VALUE);
                return false;
            }
            const Value& selector = m_selectors[k];
            if (!selector.is(ValueKind::List)) {
                m_sink.ReportHere(msg::MSG_NOT_A_LIST);
                return false;
            }
            // Held here: the slot may move while the container grows or shrinks.
            Value container = slot;
            Outcome outcome = selector.List().Count() == 0 ? EmptySelector(container, k)
                                                           : Elements(container, selector, k);
            if (outcome == Outcome::Bad) {
                m_sink.ReportHere(msg::BadIndex(ValueToText(selector), TargetText(m_name, m_selectors, k)));
            }
            return outcome == Outcome::Done;
        }

    private:
        // Bad: this selector failed (reported by Store); Reported: a later one did.
        enum class Outcome { Done, Bad, Reported };

        bool Last(size_t k) const { return k + 1 == m_selectors.size(); }

        Outcome Continue(Value& slot, size_t k)
        {
            return Store(slot, k + 1) ? Outcome::Done : Outcome::Reported;
        }

        Outcome EmptySelector(Value& container, size_t k)
        {
            if (container.is(ValueKind::List))
                return ListIndex(container.List(), container.List().Count(), k);
            if (container.is(ValueKind::String))
                return AppendText(container, k);
            return Outcome::Done;
        }

        Outcome AppendText(Value& str, size_t k)
        {
            if (!Last(k))
                return Outcome::Bad;
            str.MutableText() += CharacterText(m_value);
            return Outcome::Done;
        }

        // Each element of a dictionary or list element, in order, on the same
        // container, stopping at the first failure.
        Outcome Elements(Value& container, const Value& element, size_t k)
        {
            if (!m_path.Enter(element))
                return Outcome::Bad;
            Outcome outcome = Outcome::Done;
            ForEachElement(element, [&](const Value& x) {
                outcome = Element(container, x, k);
                return outcome == Outcome::Done;
            });
            m_path.Leave();
            return outcome;
        }

        Outcome Element(Value& container, const Value& e, size_t k)
        {
            if (container.is(ValueKind::List))
                return ListElement(container, e, k);
            if (container.is(ValueKind::Dictionary))
                return DictElement(container, e, k);
            return StringElement(container, e, k);
        }

        Outcome ListIndex(ListObj& l, int64_t i, size_t k)
        {
            if (i < 0)
                return Outcome::Bad;
            if (i < l.Count()) {
                if (l.IsHole(static_cast<int32_t>(i)))
                    return Outcome::Bad;
                return Continue(l.MutableAt(static_cast<int32_t>(i)), k);
            }
            // Past the end: a new cell at the end, whatever i is, but only as
            // the final selector.
            if (!Last(k))
                return Outcome::Bad;
            l.Append(Value());
            return Continue(l.MutableAt(l.Count() - 1), k);
        }

        Outcome ListElement(Value& container, const Value& e, size_t k)
        {
            ListObj& l = container.List();
            switch (e.kind()) {
            case ValueKind::Integer:
                return ListIndex(l, e.AsInt(), k);
            case ValueKind::String: {
                int32_t i = 0;
                return IsIntegerText(e.Text(), &i) ? ListIndex(l, i, k) : Outcome::Bad;
            }
            case ValueKind::Range: {
                const int64_t a = std::min(e.RangeFirst(), e.RangeSecond());
                const int64_t b = std::max(e.RangeFirst(), e.RangeSecond());
                if (m_value.is(ValueKind::List) && Last(k))
                    return Splice(l, a, b, e.RangeFirst() <= e.RangeSecond());
                if (RangeLength(a, b) > MAX_RANGE_ELEMENTS)
                    return Outcome::Bad;
                for (int64_t i = a; i <= b; ++i) {
                    Outcome outcome = ListIndex(l, i, k);
                    if (outcome != Outcome::Done)
                        return outcome;
                }
                return Outcome::Done;
            }
            case ValueKind::Dictionary:
            case ValueKind::List:
                return Elements(container, e, k);
            case ValueKind::Invalid:
            case ValueKind::Undefined:
                break;
            }
            return Outcome::Bad;
        }

        // Replaces the cells a..min(b, n - 1) by the value's cells, growing or
        // shrinking the list; holes in the value are written as "indefinido".
        Outcome Splice(ListObj& l, int64_t a, int64_t b, bool ascending)
        {
            const int64_t n = l.Count();
            if (a < 0 || a >= n)
                return Outcome::Bad;
            // Copied first: the value may be this very list.
            std::vector<Value> cells;
            const ListObj& source = m_value.List();
            cells.reserve(static_cast<size_t>(source.Count()));
            for (int32_t i = 0; i < source.Count(); ++i)
                cells.push_back(source.IsHole(i) ? Value::Undefined() : source.At(i));
            const int64_t d = static_cast<int64_t>(cells.size());
            const int64_t e = std::min(b, n - 1);
            const int64_t span = e - a + 1;
            if (d < span)
                l.Erase(static_cast<int32_t>(a + d), static_cast<int32_t>(span - d));
            else if (d > span)
                l.InsertHoles(static_cast<int32_t>(e + 1), static_cast<int32_t>(d - span));
            for (int64_t j = 0; j < d; ++j) {
                size_t from = static_cast<size_t>(ascending ? j : d - 1 - j);
                l.MutableAt(static_cast<int32_t>(a + j)) = std::move(cells[from]);
            }
            return Outcome::Done;
        }

        Outcome DictKey(DictObj& d, std::string_view key, size_t k)
        {
            // Created only for the final selector: an intermediate key must exist.
            Value* slot = d.Find(key, Last(k));
            return slot == nullptr ? Outcome::Bad : Continue(*slot, k);
        }

        Outcome DictElement(Value& container, const Value& e, size_t k)
        {
            DictObj& d = container.Dict();
            switch (e.kind()) {
            case ValueKind::Integer:
                return DictKey(d, IntToText(e.AsInt()), k);
            case ValueKind::String:
                return DictKey(d, e.Text(), k);
            case ValueKind::Range: {
                const int64_t low = std::min(e.RangeFirst(), e.RangeSecond());
                const int64_t high = std::max(e.RangeFirst(), e.RangeSecond());
                if (RangeLength(low, high) > MAX_RANGE_ELEMENTS)
                    return Outcome::Bad;
                for (int64_t key = low; key <= high; ++key) {
                    Outcome outcome = DictKey(d, IntToText(static_cast<int32_t>(key)), k);
                    if (outcome != Outcome::Done)
                        return outcome;
                }
                return Outcome::Done;
            }
            case ValueKind::Dictionary:
            case ValueKind::List:
                return Elements(container, e, k);
            case ValueKind::Invalid:
            case ValueKind::Undefined:
                break;
            }
            return Outcome::Bad;
        }

        // A string position cannot be selected from further, so a string
        // element must be the final selector.
        Outcome StringElement(Value& str, const Value& e, size_t k)
        {
            if (e.is(ValueKind::List) && e.List().Count() == 0)
                return AppendText(str, k);
            if (IsContainer(e))
                return Elements(str, e, k);
            if (!Last(k))
                return Outcome::Bad;
            std::string& text = str.MutableText();
            const int64_t length = static_cast<int64_t>(text.size());
            if (e.is(ValueKind::Integer)) {
                if (e.AsInt() < 1 || e.AsInt() > length)
                    return Outcome::Bad;
                std::string replacement = CharacterText(m_value);
                text.replace(static_cast<size_t>(e.AsInt() - 1), 1, replacement);
                return Outcome::Done;
            }
            if (!e.is(ValueKind::Range))
                return Outcome::Bad;
            const int64_t a = std::min(e.RangeFirst(), e.RangeSecond());
            const int64_t b = std::max(e.RangeFirst(), e.RangeSecond());
            if (a < 1 || b > length)
                return Outcome::Bad;
            const size_t count = static_cast<size_t>(b - a + 1);
            std::string replacement;
            if (m_value.is(ValueKind::Integer)) {
                replacement.assign(count, CharacterText(m_value)[0]);
            } else {
                replacement = m_value.Text();
                if (e.RangeFirst() > e.RangeSecond())
                    std::reverse(replacement.begin(), replacement.end());
            }
            text.replace(static_cast<size_t>(a - 1), count, replacement);
            return Outcome::Done;
        }

        std::string_view m_name;
        const std::vector<Value>& m_selectors;
        const Value& m_value;
        ErrorSink& m_sink;
        SelectorPath m_path;
    };

} // namespace

Value ReadIterator(const VarCell& cell)
{
    const int32_t i = cell.iterator;
    const Value& over = cell.value;
    switch (over.kind()) {
    case ValueKind::Range:
        if (over.RangeSecond() < over.RangeFirst())
            return Value::Int(SubInt(over.RangeFirst(), i));
        return Value::Int(AddInt(over.RangeFirst(), i));
    case ValueKind::String:
        if (static_cast<size_t>(i) < over.Text().size())
            return Value::String(std::string(1, over.Text()[static_cast<size_t>(i)]));
        break;
    case ValueKind::List:
        return ListGet(over.List(), i);
    default:
        break;
    }
    return Value::Undefined();
}

// A one-item selector list is its item: strings take one piece for it, and
// dictionaries and lists select by its single element.
Value SelectOne(const Value& v, const Value& key)
{
    SelectWalk walk;
    switch (v.kind()) {
    case ValueKind::String: {
        std::string out;
        walk.StringPiece(v.Text(), key, out);
        return Value::String(std::move(out));
    }
    case ValueKind::Dictionary:
        return walk.FromDict(v, key);
    case ValueKind::List:
        return walk.FromList(v, key);
    default:
        return Value();
    }
}

Value Select(const Value& v, const Value& selector)
{
    SelectWalk walk;
    switch (v.kind()) {
    case ValueKind::String: {
        std::string out;
        walk.StringPiece(v.Text(), selector, out);
        return Value::String(std::move(out));
    }
    case ValueKind::Dictionary:
        return walk.FromDict(v, selector);
    case ValueKind::List:
        return walk.FromList(v, selector);
    default:
        return Value();
    }
}

std::string TargetText(std::string_view name, const std::vector<Value>& selectors, size_t up_to)
{
    std::string text(name);
    for (size_t i = 0; i < up_to && i < selectors.size(); ++i)
        text += ValueToText(selectors[i]);
    return text;
}

bool AssignThrough(VarCell& cell, std::string_view name, const std::vector<Value>& selectors,
    const Value& value, ErrorSink& sink)
{
    if (cell.iterator != -1) {
        sink.ReportHere(msg::ModifyIterator(name));
        return false;
    }
    if (selectors.empty()) {
        cell.value = value;
        return true;
    }
    StoreWalk walk(name, selectors, value, sink);
    return walk.Store(cell.value, 0);
}

bool AssignOne(VarCell& cell, std::string_view name, const Value* key, const Value& value, ErrorSink& sink)
{
    if (cell.iterator == -1) {
        Value& c = cell.value;
        if (!key) {
            if (c.is(ValueKind::List)) {
                Value container = c; // held: the value may be this very list
                container.List().Append(value);
                return true;
            }
        } else if (c.is(ValueKind::Dictionary)
            && (key->is(ValueKind::String) || key->is(ValueKind::Integer))) {
            Value container = c; // held: the value may be this very dictionary
            char digits[12];
            std::string_view text;
            if (key->is(ValueKind::String)) {
                text = key->Text();
            } else {
                auto end = std::to_chars(digits, digits + sizeof digits, key->AsInt()).ptr;
                text = std::string_view(digits, static_cast<size_t>(end - digits));
            }
            *container.Dict().Find(text, true) = value;
            return true;
        } else if (c.is(ValueKind::List) && key->is(ValueKind::Integer)) {
            ListObj& l = c.List();
            const int32_t i = key->AsInt();
            if (i >= 0 && i < l.Count() && !l.IsHole(i)) {
                Value container = c;
                l.MutableAt(i) = value;
                return true;
            }
        }
    }
    std::vector<Value> selectors(1, Value::NewList());
    if (key)
        selectors[0].List().Append(*key);
    return AssignThrough(cell, name, selectors, value, sink);
}

} // namespace palavrino::core
