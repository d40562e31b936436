// Storage of lists and dictionaries and the operations the language builds
// on them. Every change of a list's cell count or a dictionary's entry count
// goes through ListObj/DictObj so the heap counters stay right. Equality of
// containers lives with the other walks over nested values, in value.cpp.
#include "core/text_hash.h"
#include "core/value.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace palavrino::core {

// ---- ListObj ---------------------------------------------------------------

ListObj::ListObj()
{
    ++ActiveHeapStats().objects;
}

ListObj::~ListObj()
{
    HeapStats& stats = ActiveHeapStats();
    int64_t cells = Count();
    for (bool hole : m_holes)
        cells -= hole ? 1 : 0;
    stats.list_cells -= cells;
    --stats.objects;
}

Value& ListObj::MutableAt(int32_t i)
{
    if (IsHole(i)) {
        m_holes[static_cast<size_t>(i)] = false;
        ++ActiveHeapStats().list_cells;
    }
    return m_cells[static_cast<size_t>(i)];
}

void ListObj::Append(Value v)
{
    m_cells.push_back(std::move(v));
    if (!m_holes.empty())
        m_holes.push_back(false);
    ++ActiveHeapStats().list_cells;
}

void ListObj::Insert(int32_t i, Value v)
{
    m_cells.insert(m_cells.begin() + i, std::move(v));
    if (!m_holes.empty())
        m_holes.insert(m_holes.begin() + i, false);
    ++ActiveHeapStats().list_cells;
}

void ListObj::InsertHoles(int32_t i, int32_t n)
{
    if (n <= 0)
        return;
    if (m_holes.empty())
        m_holes.assign(m_cells.size(), false);
    m_cells.insert(m_cells.begin() + i, static_cast<size_t>(n), Value());
    m_holes.insert(m_holes.begin() + i, static_cast<size_t>(n), true);
}

Value ListObj::Take(int32_t i)
{
    bool hole = IsHole(i);
    Value v = std::move(m_cells[static_cast<size_t>(i)]);
    m_cells.erase(m_cells.begin() + i);
    if (!m_holes.empty())
        m_holes.erase(m_holes.begin() + i);
    if (!hole)
        --ActiveHeapStats().list_cells;
    return v;
}

void ListObj::Erase(int32_t first, int32_t n)
{
    if (n <= 0)
        return;
    int64_t cells = n;
    if (!m_holes.empty()) {
        for (int32_t i = first; i < first + n; ++i)
            cells -= m_holes[static_cast<size_t>(i)] ? 1 : 0;
        m_holes.erase(m_holes.begin() + first, m_holes.begin() + first + n);
    }
    // The erased values are released as the tail moves over them.
    m_cells.erase(m_cells.begin() + first, m_cells.begin() + first + n);
    ActiveHeapStats().list_cells -= cells;
}

void ListObj::Swap(int32_t i, int32_t j)
{
    std::swap(m_cells[static_cast<size_t>(i)], m_cells[static_cast<size_t>(j)]);
    if (!m_holes.empty()) {
        bool hole = m_holes[static_cast<size_t>(i)];
        m_holes[static_cast<size_t>(i)] = m_holes[static_cast<size_t>(j)];
        m_holes[static_cast<size_t>(j)] = hole;
    }
}

// ---- DictObj ---------------------------------------------------------------

DictObj::DictObj()
{
    ++ActiveHeapStats().objects;
}

DictObj::~DictObj()
{
    HeapStats& stats = ActiveHeapStats();
    stats.dict_nodes -= Count();
    --stats.objects;
}

namespace {

    // Slots for n live entries: a power of two, at most half of it in use.
    size_t IndexCapacityFor(size_t n)
    {
        size_t capacity = 16;
        while (capacity < 2 * n)
            capacity *= 2;
        return capacity;
    }

} // namespace

DictObj::Probe DictObj::Locate(std::string_view key) const
{
    Probe probe;
    if (m_index.empty()) {
        // Without an index there are no dead entries.
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].key == key) {
                probe.raw = static_cast<int32_t>(i);
                break;
            }
        }
        return probe;
    }
    probe.hash = HashText32(key);
    const size_t mask = m_index.size() - 1;
    for (size_t i = probe.hash & mask;; i = (i + 1) & mask) {
        const IndexSlot& slot = m_index[i];
        if (slot.raw < 0
            || (slot.hash == probe.hash && m_entries[static_cast<size_t>(slot.raw)].key == key)) {
            probe.raw = slot.raw;
            probe.slot = i;
            return probe;
        }
    }
}

size_t DictObj::SlotOf(size_t raw) const
{
    if (m_index.empty())
        return 0;
    const size_t mask = m_index.size() - 1;
    for (size_t i = HashText32(m_entries[raw].key) & mask;; i = (i + 1) & mask) {
        if (m_index[i].raw == static_cast<int32_t>(raw))
            return i;
    }
}

int32_t DictObj::IndexOf(std::string_view key) const
{
    Compact();
    return Locate(key).raw;
}

const Value* DictObj::Find(std::string_view key) const
{
    const int32_t raw = Locate(key).raw;
    return raw < 0 ? nullptr : &m_entries[static_cast<size_t>(raw)].value;
}

Value* DictObj::Find(std::string_view key, bool create)
{
    const Probe probe = Locate(key);
    if (probe.raw >= 0)
        return &m_entries[static_cast<size_t>(probe.raw)].value;
    if (!create)
        return nullptr;
    m_entries.push_back(DictEntry { std::string(key), Value() });
    if (!m_dead.empty())
        m_dead.push_back(false);
    ++ActiveHeapStats().dict_nodes;
    const auto raw = static_cast<int32_t>(m_entries.size() - 1);
    if (!m_index.empty()) {
        if (2 * static_cast<size_t>(Count()) > m_index.size()) {
            RebuildIndex(m_index.size() * 2, {});
            PlaceSlot(probe.hash, raw);
        } else {
            m_index[probe.slot] = IndexSlot { probe.hash, raw };
        }
    } else if (Count() > DICT_INDEX_MIN) {
        BuildIndex();
    }
    return &m_entries.back().value;
}

Value DictObj::Remove(std::string_view key)
{
    const Probe probe = Locate(key);
    if (probe.raw < 0)
        return Value();
    return RemoveRaw(static_cast<size_t>(probe.raw), probe.slot);
}

Value DictObj::TakeAt(int32_t index)
{
    if (index != Count() - 1) {
        Compact();
        return RemoveRaw(static_cast<size_t>(index), SlotOf(static_cast<size_t>(index)));
    }
    // The last live entry is the last raw one once trailing dead ones go.
    while (m_dead_count > 0 && m_dead.back()) {
        m_entries.pop_back();
        m_dead.pop_back();
        --m_dead_count;
    }
    return RemoveRaw(m_entries.size() - 1, SlotOf(m_entries.size() - 1));
}

Value DictObj::RemoveRaw(size_t raw, size_t slot)
{
    Value v = std::move(m_entries[raw].value);
    --ActiveHeapStats().dict_nodes;
    if (m_index.empty()) {
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(raw));
        return v;
    }
    FreeSlot(slot);
    if (raw + 1 == m_entries.size()) {
        m_entries.pop_back();
        if (!m_dead.empty())
            m_dead.pop_back();
    } else {
        if (m_dead.empty())
            m_dead.assign(m_entries.size(), false);
        m_dead[raw] = true;
        ++m_dead_count;
        std::string().swap(m_entries[raw].key);
    }
    if (m_dead_count == 0)
        m_dead.clear();
    // Half the threshold, so a dictionary hovering at it does not rebuild
    // its index on every insertion and removal.
    if (Count() <= DICT_INDEX_MIN / 2)
        std::vector<IndexSlot>().swap(m_index);
    if (m_index.empty() || m_dead_count > Count())
        Compact();
    return v;
}

// Moves the live entries down over the dead ones, keeping their order, and
// moves the index slots with them (the index shrinks if it had grown large).
void DictObj::Squeeze() const
{
    std::vector<int32_t> moved;
    if (!m_index.empty())
        moved.assign(m_entries.size(), -1);
    size_t live = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_dead[i]) {
            if (live != i)
                m_entries[live] = std::move(m_entries[i]);
            if (!moved.empty())
                moved[i] = static_cast<int32_t>(live);
            ++live;
        }
    }
    m_entries.resize(live);
    m_dead.clear();
    m_dead_count = 0;
    if (!m_index.empty())
        RebuildIndex(IndexCapacityFor(live), moved);
}

void DictObj::BuildIndex() const
{
    m_index.assign(IndexCapacityFor(m_entries.size()), IndexSlot {});
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_dead.empty() || !m_dead[i])
            PlaceSlot(HashText32(m_entries[i].key), static_cast<int32_t>(i));
    }
}

void DictObj::RebuildIndex(size_t capacity, const std::vector<int32_t>& moved) const
{
    std::vector<IndexSlot> old(capacity);
    old.swap(m_index);
    for (const IndexSlot& slot : old) {
        if (slot.raw >= 0)
            PlaceSlot(slot.hash, moved.empty() ? slot.raw : moved[static_cast<size_t>(slot.raw)]);
    }
}

void DictObj::PlaceSlot(uint32_t hash, int32_t raw) const
{
    const size_t mask = m_index.size() - 1;
    size_t i = hash & mask;
    while (m_index[i].raw >= 0)
        i = (i + 1) & mask;
    m_index[i] = IndexSlot { hash, raw };
}

// Empties a slot without leaving a tombstone: each later slot of the same run
// moves back into the hole when the hole lies on its probe path (between its
// home slot and where it sits), so every key stays reachable from its home.
void DictObj::FreeSlot(size_t hole)
{
    const size_t mask = m_index.size() - 1;
    for (size_t next = (hole + 1) & mask; m_index[next].raw >= 0; next = (next + 1) & mask) {
        const size_t home = m_index[next].hash & mask;
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            m_index[hole] = m_index[next];
            hole = next;
        }
    }
    m_index[hole] = IndexSlot {};
}

// ---- Dictionary operations -------------------------------------------------

namespace {

    // The key text of an integer or string, without allocating: `buffer` holds
    // the digits of an integer key.
    bool KeyView(const Value& key, char (&buffer)[12], std::string_view* out)
    {
        if (key.is(ValueKind::Integer)) {
            auto result = std::to_chars(buffer, buffer + sizeof buffer, key.AsInt());
            *out = std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
            return true;
        }
        if (key.is(ValueKind::String)) {
            *out = key.Text();
            return true;
        }
        return false;
    }

    void SetIntKey(DictObj& d, int32_t n, const Value& value)
    {
        char buffer[12];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
        DictSet(d, std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)), value);
    }

    void SetRangeKeys(DictObj& d, const Value& range, const Value& value)
    {
        int64_t low = std::min(range.RangeFirst(), range.RangeSecond());
        int64_t high = std::max(range.RangeFirst(), range.RangeSecond());
        if (RangeLength(low, high) > MAX_RANGE_ELEMENTS)
            return;
        for (int64_t k = low; k <= high; ++k)
            SetIntKey(d, static_cast<int32_t>(k), value);
    }

    // One element of a list or dictionary used as a key: an integer, a string or
    // a range. Containers nested inside the key set nothing, so a key container
    // that holds itself cannot make this loop.
    void SetElementKey(DictObj& d, const Value& element, const Value& value)
    {
        if (element.is(ValueKind::Range))
            SetRangeKeys(d, element, value);
        else if (element.is(ValueKind::Integer) || element.is(ValueKind::String))
            DictSetByValue(d, element, value);
    }

} // namespace

bool KeyText(const Value& key, std::string* out)
{
    char buffer[12];
    std::string_view view;
    if (!KeyView(key, buffer, &view))
        return false;
    out->assign(view);
    return true;
}

Value DictGet(const DictObj& d, const Value& key)
{
    char buffer[12];
    std::string_view view;
    if (KeyView(key, buffer, &view)) {
        if (const Value* found = d.Find(view))
            return *found;
    }
    return Value::Undefined();
}

void DictSet(DictObj& d, std::string_view key, const Value& value)
{
    if (value.is(ValueKind::Invalid))
        return;
    // Copied first: value may live in d, whose storage Find can move.
    Value copy = value;
    *d.Find(key, true) = std::move(copy);
}

void DictSetByValue(DictObj& d, const Value& key, const Value& value)
{
    char buffer[12];
    std::string_view view;
    switch (key.kind()) {
    case ValueKind::Integer:
    case ValueKind::String:
        KeyView(key, buffer, &view);
        DictSet(d, view, value);
        break;
    case ValueKind::Range:
        SetRangeKeys(d, key, value);
        break;
    case ValueKind::Dictionary: {
        // Hold the key container: it may be d itself.
        Value keys = key;
        const DictObj& from = keys.Dict();
        const int32_t n = from.Count();
        for (int32_t i = 0; i < n; ++i) {
            Value element = from.Entries()[static_cast<size_t>(i)].value;
            SetElementKey(d, element, value);
        }
        break;
    }
    case ValueKind::List: {
        Value keys = key;
        const ListObj& from = keys.List();
        const int32_t n = from.Count();
        for (int32_t i = 0; i < n; ++i) {
            if (!from.IsHole(i))
                SetElementKey(d, from.At(i), value);
        }
        break;
    }
    case ValueKind::Invalid:
    case ValueKind::Undefined:
        break;
    }
}

Value DictRemove(DictObj& d, const Value& key)
{
    char buffer[12];
    std::string_view view;
    if (!KeyView(key, buffer, &view))
        return Value();
    return d.Remove(view);
}

Value DictPopLast(DictObj& d)
{
    if (d.Count() == 0)
        return Value();
    return d.TakeAt(d.Count() - 1);
}

Value DictKeys(const DictObj& d)
{
    Value result = Value::NewList();
    ListObj& list = result.List();
    list.Reserve(static_cast<size_t>(d.Count()));
    for (const DictEntry& e : d.Entries())
        list.Append(Value::String(e.key));
    return result;
}

Value DictUnion(const DictObj& a, const DictObj& b)
{
    Value result = Value::NewDict();
    DictObj& out = result.Dict();
    for (const DictEntry& e : a.Entries())
        *out.Find(e.key, true) = e.value;
    for (const DictEntry& e : b.Entries())
        DictSet(out, e.key, e.value);
    return result;
}

namespace {

    // True when the first entry of b whose value equals e's value has e's key.
    bool MatchedWithSameKey(const DictEntry& e, const DictObj& b)
    {
        for (const DictEntry& f : b.Entries()) {
            if (ValuesEqual(f.value, e.value))
                return f.key == e.key;
        }
        return false;
    }

    Value DictFilter(const DictObj& a, const DictObj& b, bool keep_matched)
    {
        Value result = Value::NewDict();
        DictObj& out = result.Dict();
        for (const DictEntry& e : a.Entries()) {
            if (MatchedWithSameKey(e, b) == keep_matched)
                DictSet(out, e.key, e.value);
        }
        return result;
    }

} // namespace

Value DictMinus(const DictObj& a, const DictObj& b)
{
    return DictFilter(a, b, false);
}

Value DictIntersect(const DictObj& a, const DictObj& b)
{
    return DictFilter(a, b, true);
}

void DictMerge(DictObj& a, const DictObj& b)
{
    if (&a == &b)
        return; // setting every entry over itself changes nothing
    for (const DictEntry& e : b.Entries())
        DictSet(a, e.key, e.value);
}

// ---- List operations -------------------------------------------------------

Value ListGet(const ListObj& l, int32_t i)
{
    if (i < 0 || i >= l.Count() || l.IsHole(i))
        return Value::Undefined();
    return l.At(i);
}

Value ListGetByText(const ListObj& l, std::string_view s)
{
    int32_t i = 0;
    if (!IsIntegerText(s, &i))
        return Value::Undefined();
    return ListGet(l, i);
}

void ListPut(ListObj& l, int32_t i, const Value& v)
{
    if (i < 0)
        return;
    if (i < l.Count())
        l.MutableAt(i) = v;
    else
        l.Append(v);
}

void ListAppend(ListObj& l, const Value& v)
{
    l.Append(v);
}

void ListInsert(ListObj& l, int32_t i, const Value& v)
{
    if (i < 0)
        i = 0;
    if (i > l.Count())
        i = l.Count();
    l.Insert(i, v);
}

Value ListRemove(ListObj& l, int32_t i)
{
    if (i < 0 || i >= l.Count())
        return Value();
    return l.Take(i);
}

int32_t ListFind(const ListObj& l, int32_t start, const Value& v)
{
    for (int32_t i = start < 0 ? 0 : start; i < l.Count(); ++i) {
        if (!l.IsHole(i) && ValuesEqual(l.At(i), v))
            return i;
    }
    return -1;
}

int32_t ListFindSub(const ListObj& needle, const ListObj& hay)
{
    const int32_t n = needle.Count();
    for (int32_t at = 0; at + n <= hay.Count(); ++at) {
        bool found = true;
        for (int32_t k = 0; found && k < n; ++k) {
            bool hole = needle.IsHole(k);
            if (hole != hay.IsHole(at + k))
                found = false;
            else if (!hole)
                found = ValuesEqual(needle.At(k), hay.At(at + k));
        }
        if (found)
            return at;
    }
    return -1;
}

Value ListConcat(const ListObj& a, const ListObj& b)
{
    Value result = Value::NewList();
    ListObj& out = result.List();
    out.Reserve(static_cast<size_t>(a.Count()) + static_cast<size_t>(b.Count()));
    ListAppendAll(out, a);
    ListAppendAll(out, b);
    return result;
}

void ListAppendAll(ListObj& a, const ListObj& b)
{
    // b may be a itself: walk only the cells it had, copying each before
    // the append can move the storage.
    const int32_t n = b.Count();
    for (int32_t i = 0; i < n; ++i) {
        if (!b.IsHole(i)) {
            Value cell = b.At(i);
            a.Append(std::move(cell));
        }
    }
}

namespace {

    // a's cells (holes skipped) that are found, or not found, in b.
    Value ListFilter(const ListObj& a, const ListObj& b, bool keep_found)
    {
        Value result = Value::NewList();
        ListObj& out = result.List();
        for (int32_t i = 0; i < a.Count(); ++i) {
            if (!a.IsHole(i) && (ListFind(b, 0, a.At(i)) >= 0) == keep_found)
                out.Append(a.At(i));
        }
        return result;
    }

} // namespace

Value ListMinus(const ListObj& a, const ListObj& b)
{
    return ListFilter(a, b, false);
}

Value ListIntersect(const ListObj& a, const ListObj& b)
{
    return ListFilter(a, b, true);
}

// An empty s occurs nowhere, as in the pattern operators.
int32_t ListFindText(const ListObj& l, int32_t start, std::string_view s, bool ignore_case, bool partial)
{
    if (s.empty())
        return -1;
    std::string upper_s;
    if (ignore_case) {
        upper_s = UpperText(s);
        s = upper_s;
    }
    std::string upper_cell;
    for (int32_t i = start < 0 ? 0 : start; i < l.Count(); ++i) {
        if (l.IsHole(i) || !l.At(i).is(ValueKind::String))
            continue;
        std::string_view cell = l.At(i).Text();
        if (!partial && cell.size() != s.size())
            continue;
        if (ignore_case) {
            upper_cell = UpperText(cell);
            cell = upper_cell;
        }
        if (partial ? cell.find(s) != std::string_view::npos : cell == s)
            return i;
    }
    return -1;
}

} // namespace palavrino::core
