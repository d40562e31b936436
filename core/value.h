// Values of the language and the objects behind them.
//
// A Value is a small tagged record: a kind byte plus either a 32-bit integer,
// the two bounds of a range, or a pointer to a reference-counted Obj. Strings,
// lists and dictionaries live in Objs and are *shared*: copying a Value raises
// the object's count, destroying one lowers it, and the last owner frees the
// object. This sharing is the language's semantics, not an optimisation:
// after `b = a`, a change made through b (indexed assignment, INSERE, RETIRA,
// string selectors) is seen through a. DeepCopy breaks the sharing.
//
// Lists hold cells that may be holes (a slice assignment can open them); a
// hole is shown as "?" and skipped by most operations. Dictionaries keep
// their entries in insertion order and compare keys byte for byte.
//
// Reference counts are 32 bits wide and checked: a count that would pass the
// maximum is a fatal internal error, never a wrap. Releasing a deeply nested
// structure does not recurse on the C++ stack, and a container that contains
// itself is never followed forever (display, equality and deep copy detect
// the cycle; release leaks it, as there is no cycle collector).
//
// Release is deferred: an object whose count reaches zero while another is
// being destroyed goes on a per-thread worklist that the outermost release
// drains, so freeing a list nested a million deep uses constant C++ stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::core {

enum class ValueKind : uint8_t {
    Invalid = 0, // "inválido": a failed operation, an unset cell
    Undefined = 1, // "indefinido": an absent key or index, an omitted argument
    Integer = 2, // "inteiro"
    Range = 3, // "faixa": two inclusive bounds, the first may be greater
    String = 4, // "cadeia"
    Dictionary = 5, // "dicionário"
    List = 6, // "lista"
};

constexpr int VALUE_KIND_COUNT = 7;

// The name the language shows for a kind (TIPO, the symbol listing, messages).
std::string_view KindName(ValueKind kind);

// Live object counters, shown by the symbol listing. They only count; nothing
// decides on them. Each Runtime owns one and makes it active while it runs.
struct HeapStats {
    int64_t dict_nodes { 0 };
    int64_t list_cells { 0 };
    int64_t objects { 0 };
};

// The counters that new and released objects are charged to on this thread.
HeapStats& ActiveHeapStats();
// Makes `stats` the active counters until the scope ends.
class HeapStatsScope {
public:
    explicit HeapStatsScope(HeapStats& stats);
    ~HeapStatsScope();
    HeapStatsScope(const HeapStatsScope&) = delete;
    HeapStatsScope& operator=(const HeapStatsScope&) = delete;

private:
    HeapStats* m_previous { nullptr };
};

class Obj;
class StringObj;
class ListObj;
class DictObj;

class Value {
public:
    Value() = default;
    ~Value() { Release(); }
    // Defined inline below Obj: copying shares (count + 1), moving steals.
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;

    // Inline so that integer arithmetic builds its result in place.
    static Value Undefined() { return Value(ValueKind::Undefined, 0, 0); }
    static Value Int(int32_t n) { return Value(ValueKind::Integer, n, 0); }
    static Value Range(int32_t first, int32_t second) { return Value(ValueKind::Range, first, second); }
    static Value String(std::string text);
    // A text copied from `text`, without a std::string to move from first.
    static Value StringOf(std::string_view text);
    static Value NewList();
    static Value NewDict();

    ValueKind kind() const { return m_kind; }
    bool is(ValueKind k) const { return m_kind == k; }
    bool IsObject() const { return m_kind >= ValueKind::String; }

    int32_t AsInt() const { return m_a; } // Integer
    int32_t RangeFirst() const { return m_a; } // Range
    int32_t RangeSecond() const { return m_b; } // Range

    // Kind String. The text is shared: MutableText changes it for every owner.
    const std::string& Text() const;
    std::string& MutableText();
    ListObj& List() const; // Kind List
    DictObj& Dict() const; // Kind Dictionary
    Obj* object() const { return m_obj; }

    // Back to "inválido", releasing what was held. Inline: every
    // evaluation step starts from a cleared value.
    void Clear()
    {
        Release();
        m_kind = ValueKind::Invalid;
        m_a = 0;
        m_b = 0;
    }

private:
    friend class ListObj;
    Value(ValueKind kind, int32_t a, int32_t b)
        : m_kind(kind)
        , m_a(a)
        , m_b(b)
    {
    }
    // m_obj is non-null exactly when the kind is String, Dictionary or List.
    void Release()
    {
        if (m_obj != nullptr) {
            Obj* obj = m_obj;
            m_obj = nullptr;
            m_kind = ValueKind::Invalid;
            ReleaseObject(obj);
        }
    }
    // Lowers the count and frees the object (deferred) when it reaches zero.
    static void ReleaseObject(Obj* obj);

    ValueKind m_kind { ValueKind::Invalid };
    int32_t m_a { 0 };
    int32_t m_b { 0 };
    Obj* m_obj { nullptr };
};

// Depth to which display, equality, deep copy and selection follow nested
// containers, so user data can never overflow the C++ stack. Past it display
// shows "[...]" or "{...}", equality answers false and deep copy shares
// instead of copying. A cycle (a container met again while it is still being
// walked) shows as "[...]" or "{...}"; equality takes a pair of containers it
// is already comparing as equal, so it ends and a cyclic list equals itself;
// deep copy maps the container to its copy, so the copy has the same cycle.
constexpr int MAX_VALUE_DEPTH = 500;

// The most elements one range may expand into (a list literal, dictionary
// keys, a selection or a store through a range). Far beyond what a script
// holds in practice; past it the operation is refused instead of exhausting
// memory or running for minutes.
constexpr int64_t MAX_RANGE_ELEMENTS = 10'000'000;

inline int64_t RangeLength(int64_t a, int64_t b)
{
    return (a > b ? a - b : b - a) + 1;
}

class Obj {
public:
    virtual ~Obj() = default;
    Obj(const Obj&) = delete;
    Obj& operator=(const Obj&) = delete;
    uint32_t refs() const { return m_refs; }
    // A count at the maximum is a fatal internal error (message, abort).
    void Ref()
    {
        if (m_refs == UINT32_MAX)
            RefOverflow();
        ++m_refs;
    }
    // Lowers the count; returns true when it reached zero (caller frees).
    bool Unref() { return --m_refs == 0; }

protected:
    Obj() = default;

private:
    [[noreturn]] static void RefOverflow();
    uint32_t m_refs { 1 };
};

inline Value::Value(const Value& other)
    : m_kind(other.m_kind)
    , m_a(other.m_a)
    , m_b(other.m_b)
    , m_obj(other.m_obj)
{
    if (m_obj != nullptr)
        m_obj->Ref();
}

inline Value::Value(Value&& other) noexcept
    : m_kind(other.m_kind)
    , m_a(other.m_a)
    , m_b(other.m_b)
    , m_obj(other.m_obj)
{
    other.m_obj = nullptr;
    other.m_kind = ValueKind::Invalid;
}

// The old object is released last: `other` may live inside it.
inline Value& Value::operator=(const Value& other)
{
    if (other.m_obj != nullptr)
        other.m_obj->Ref();
    Obj* old = m_obj;
    m_kind = other.m_kind;
    m_a = other.m_a;
    m_b = other.m_b;
    m_obj = other.m_obj;
    if (old != nullptr)
        ReleaseObject(old);
    return *this;
}

inline Value& Value::operator=(Value&& other) noexcept
{
    if (this != &other) {
        Obj* old = m_obj;
        m_kind = other.m_kind;
        m_a = other.m_a;
        m_b = other.m_b;
        m_obj = other.m_obj;
        other.m_obj = nullptr;
        other.m_kind = ValueKind::Invalid;
        if (old != nullptr)
            ReleaseObject(old);
    }
    return *this;
}

class StringObj final : public Obj {
public:
    explicit StringObj(std::string text);
    explicit StringObj(std::string_view text);
    ~StringObj() override;
    // Texts come and go by the thousand (SEPARA, LE, JSON): each thread
    // keeps a bounded number of freed blocks for the next ones.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size);
    std::string text;
};

// A list of cells; a cell may be a hole. Every change of the cell count goes
// through these methods so the heap counters stay right.
class ListObj final : public Obj {
public:
    ListObj();
    ~ListObj() override;

    int32_t Count() const { return static_cast<int32_t>(m_cells.size()); }
    bool IsHole(int32_t i) const { return m_holes.size() > static_cast<size_t>(i) && m_holes[i]; }
    // The cell's value; a hole reads as "inválido".
    const Value& At(int32_t i) const { return m_cells[i]; }
    Value& MutableAt(int32_t i); // clears the hole mark

    void Append(Value v);
    void Insert(int32_t i, Value v); // i already within 0..Count()
    void InsertHoles(int32_t i, int32_t n);
    Value Take(int32_t i); // removes the cell, returning its value
    void Erase(int32_t first, int32_t n);
    void Swap(int32_t i, int32_t j); // exchanges two cells, hole marks included
    void Reserve(size_t n) { m_cells.reserve(n); }

private:
    std::vector<Value> m_cells;
    std::vector<bool> m_holes; // empty while the list has never had a hole
};

struct DictEntry {
    std::string key;
    Value value;
};

// Insertion-ordered dictionary with text keys compared byte for byte. Large
// dictionaries (more than DICT_INDEX_MIN entries) keep a hash index beside
// the ordered entries; behaviour is the same as a linear scan. Removing an
// entry of a large dictionary only marks it dead, so that removal costs
// O(1); dead entries are squeezed out the next time positions are asked for
// (Entries, MutableEntries, IndexOf, TakeAt) or once they outnumber the live
// ones. Find and Remove work without squeezing.
//
// The index is an open-addressing table with linear probing, a power of two
// in size and at most half full. Each slot holds an entry's raw position in
// m_entries and its key's 32-bit hash: probing compares hashes before bytes,
// and growing or squeezing moves slots without hashing any text again. Keys
// are stored once, in the entries. Removal shifts the slots that follow back
// into the hole (no tombstones), so lookups never slow down with churn.
class DictObj final : public Obj {
public:
    DictObj();
    ~DictObj() override;

    // Up to this many entries there is no index: the table would add at
    // least 128 bytes to every small record, and a linear scan (size, then
    // bytes) costs at most about 5 ns more per lookup than hashing at this
    // size (the dictionary micro-benchmark, keys of equal length).
    static constexpr int32_t DICT_INDEX_MIN = 8;

    int32_t Count() const { return static_cast<int32_t>(m_entries.size()) - m_dead_count; }
    // The live entries in insertion order; positions match IndexOf and TakeAt.
    const std::vector<DictEntry>& Entries() const
    {
        Compact();
        return m_entries;
    }
    // For changing values in place only: keys and the entry count must not
    // change through it (the index and the heap counters rely on them).
    std::vector<DictEntry>& MutableEntries()
    {
        Compact();
        return m_entries;
    }
    int32_t IndexOf(std::string_view key) const; // -1 when absent
    // The value of key, or null when absent.
    const Value* Find(std::string_view key) const;
    // The value slot for key; appended as "inválido" when absent and create.
    // The pointer stays valid until an entry is added or removed, or
    // Entries, MutableEntries, IndexOf or TakeAt is called.
    Value* Find(std::string_view key, bool create);
    Value TakeAt(int32_t index); // unlinks the entry, handing over its value
    // Unlinks key's entry, handing over its value; "inválido" when absent.
    Value Remove(std::string_view key);

private:
    struct IndexSlot {
        uint32_t hash { 0 };
        int32_t raw { -1 }; // -1: a free slot
    };
    // Where key is: its raw position in m_entries (-1 when absent; dead
    // entries are never found) and, with an index, its slot or the free slot
    // that ends its probe sequence.
    // 16 bytes, so that it comes back in two registers.
    struct Probe {
        size_t slot { 0 };
        int32_t raw { -1 };
        uint32_t hash { 0 };
    };
    Probe Locate(std::string_view key) const;
    size_t SlotOf(size_t raw) const; // the slot of a live entry (0 without an index)
    Value RemoveRaw(size_t raw, size_t slot);
    void Compact() const
    {
        if (m_dead_count != 0)
            Squeeze();
    }
    void Squeeze() const;
    void BuildIndex() const;
    // Rebuilds the index at `capacity` slots from the old slots; `moved`, when
    // not empty, maps each old raw position to its new one.
    void RebuildIndex(size_t capacity, const std::vector<int32_t>& moved) const;
    void PlaceSlot(uint32_t hash, int32_t raw) const;
    void FreeSlot(size_t slot);

    // Squeezing out dead entries changes no observable content, hence mutable.
    mutable std::vector<DictEntry> m_entries;
    mutable std::vector<bool> m_dead; // empty while no entry is dead
    mutable int32_t m_dead_count { 0 };
    // The hash index; empty while the dictionary is small.
    mutable std::vector<IndexSlot> m_index;
};

// The storage of one variable. An iterator index of -1 is an ordinary
// variable; 0 or more makes it the running iterator of a PARA loop over
// `value`, currently at that position.
struct VarCell {
    int32_t iterator { -1 };
    Value value;
};

// ---- Elementary operations -------------------------------------------------

// Integer text: optional leading blanks, then a signed decimal that fits in 32
// bits, or a hexadecimal of up to 8 digits after "$", "x", "X", "0x" or "0X";
// nothing after it.
bool IsIntegerText(std::string_view text, int32_t* out = nullptr);
std::string IntToText(int32_t n);

// Display form of a value (ESCREVE, FALA, string conversion).
std::string ValueToText(const Value& v);
// Truth used by E and OU: a range is true, empty containers are false.
bool IsTrue(const Value& v);
// The measure of |x| and TAMANHO: an Integer, or "inválido" for no measure.
Value SizeOf(const Value& v);
// Element equality of list search and comparison.
bool ValuesEqual(const Value& a, const Value& b);
Value DeepCopy(const Value& v);
// Converts in place; returns the resulting kind.
ValueKind ToInteger(Value& v);
ValueKind ToText(Value& v);
// "a"-"z" to capitals and the bytes 224-255 lowered by 32 (Windows-1252).
std::string UpperText(std::string_view text);

// ---- Dictionaries ----------------------------------------------------------

// Key text of an integer or string key; false for any other kind.
bool KeyText(const Value& key, std::string* out);
Value DictGet(const DictObj& d, const Value& key); // copy, or "indefinido"
void DictSet(DictObj& d, std::string_view key, const Value& value); // ignores "inválido"
void DictSetByValue(DictObj& d, const Value& key, const Value& value);
Value DictRemove(DictObj& d, const Value& key); // "inválido" when absent
Value DictPopLast(DictObj& d);
Value DictKeys(const DictObj& d);
Value DictUnion(const DictObj& a, const DictObj& b);
Value DictMinus(const DictObj& a, const DictObj& b);
Value DictIntersect(const DictObj& a, const DictObj& b);
void DictMerge(DictObj& a, const DictObj& b);
bool DictEqual(const DictObj& a, const DictObj& b);

// ---- Lists -----------------------------------------------------------------

Value ListGet(const ListObj& l, int32_t i); // copy, or "indefinido"
Value ListGetByText(const ListObj& l, std::string_view s);
void ListPut(ListObj& l, int32_t i, const Value& v);
void ListAppend(ListObj& l, const Value& v);
void ListInsert(ListObj& l, int32_t i, const Value& v);
Value ListRemove(ListObj& l, int32_t i); // "inválido" when out of range
int32_t ListFind(const ListObj& l, int32_t start, const Value& v);
int32_t ListFindSub(const ListObj& needle, const ListObj& hay);
bool ListEqual(const ListObj& a, const ListObj& b);
Value ListConcat(const ListObj& a, const ListObj& b);
void ListAppendAll(ListObj& a, const ListObj& b);
Value ListMinus(const ListObj& a, const ListObj& b);
Value ListIntersect(const ListObj& a, const ListObj& b);
int32_t ListFindText(const ListObj& l, int32_t start, std::string_view s, bool ignore_case, bool partial);

// ---- Text utilities --------------------------------------------------------

Value SplitWords(std::string_view s);
Value SplitBy(std::string_view s, std::string_view sep);
std::string JoinList(const ListObj& l, std::string_view sep);
std::string PadText(std::string_view s, int32_t width);
Value ListFromLines(const std::vector<std::string>& lines);

} // namespace palavrino::core
