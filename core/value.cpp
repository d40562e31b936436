// Values and the objects behind them: reference counting and deferred
// release, the heap counters, the integer-text rule, display, equality, deep
// copy, conversions and the text utilities. List and dictionary storage and
// their operations live in containers.cpp.
#include "core/value.h"

#include "core/int_math.h"
#include "messages/core.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace palavrino::core {

namespace {

    constexpr std::array<std::string_view, VALUE_KIND_COUNT> KIND_NAMES = {
        msg::MSG_KIND_INVALID,
        msg::MSG_KIND_UNDEFINED,
        msg::MSG_KIND_INTEGER,
        msg::MSG_KIND_RANGE,
        msg::MSG_KIND_STRING,
        msg::MSG_KIND_DICTIONARY,
        msg::MSG_KIND_LIST,
    };

    thread_local HeapStats t_fallback_stats;
    thread_local HeapStats* t_active_stats = nullptr;

    // Objects whose count reached zero while another object was being destroyed.
    // Only the outermost release deletes; nested ones queue here, so the C++
    // stack stays flat however deep the structure being freed.
    struct ReleaseQueue {
        std::vector<Obj*> pending;
        bool draining { false };
    };
    thread_local ReleaseQueue t_release;

    // The containers a walk over nested values is inside of, outermost first,
    // in a fixed array so that walks never allocate for it. A container met
    // again while still on the path is a cycle; only an object with two or more
    // owners can be met twice, so singly owned ones skip the scan.
    class ObjPath {
    public:
        bool Full() const { return m_size >= MAX_VALUE_DEPTH; }
        bool Contains(const Obj* obj) const
        {
            if (obj->refs() < 2)
                return false;
            for (int i = 0; i < m_size; ++i) {
                if (m_objs[i] == obj)
                    return true;
            }
            return false;
        }
        void Push(const Obj* obj) { m_objs[m_size++] = obj; }
        void Pop() { --m_size; }

    private:
        const Obj* m_objs[MAX_VALUE_DEPTH];
        int m_size { 0 };
    };

} // namespace

std::string_view KindName(ValueKind kind)
{
    auto index = static_cast<size_t>(kind);
    return index < KIND_NAMES.size() ? KIND_NAMES[index] : KIND_NAMES[0];
}

// ---- Heap counters ---------------------------------------------------------

HeapStats& ActiveHeapStats()
{
    return t_active_stats != nullptr ? *t_active_stats : t_fallback_stats;
}

HeapStatsScope::HeapStatsScope(HeapStats& stats)
    : m_previous(t_active_stats)
{
    t_active_stats = &stats;
}

HeapStatsScope::~HeapStatsScope()
{
    t_active_stats = m_previous;
}

// ---- Objects and release ---------------------------------------------------

void Obj::RefOverflow()
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(msg::MSG_REF_COUNT_EXHAUSTED.size()),
        msg::MSG_REF_COUNT_EXHAUSTED.data());
    std::abort();
}

void Value::ReleaseObject(Obj* obj)
{
    if (!obj->Unref())
        return;
    ReleaseQueue& queue = t_release;
    if (queue.draining) {
        try {
            queue.pending.push_back(obj);
        } catch (...) {
            // Out of memory for the worklist: free it here, recursing.
            delete obj;
        }
        return;
    }
    queue.draining = true;
    delete obj;
    while (!queue.pending.empty()) {
        Obj* next = queue.pending.back();
        queue.pending.pop_back();
        delete next;
    }
    // Give back the room a very wide structure needed; keep a small one.
    if (queue.pending.capacity() > 4096)
        std::vector<Obj*>().swap(queue.pending);
    queue.draining = false;
}

// ---- Text blocks -----------------------------------------------------------

// Under AddressSanitizer every block goes back to the allocator, so a use
// after release is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define PL_POOL_TEXT_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PL_POOL_TEXT_BLOCKS 0
#endif
#endif
#ifndef PL_POOL_TEXT_BLOCKS
#define PL_POOL_TEXT_BLOCKS 1
#endif

#if PL_POOL_TEXT_BLOCKS
namespace {

    struct FreeBlock {
        FreeBlock* next;
    };

    // A few thousand blocks are enough to take a SEPARA's pieces back for
    // the next one; beyond that a freed block goes to the allocator.
    constexpr int MAX_POOLED_TEXT_BLOCKS = 4096;
    // The pool is plain data, usable at any time of the thread's life; the
    // count is -1 once the thread has given its blocks back.
    thread_local FreeBlock* t_text_blocks = nullptr;
    thread_local int t_text_block_count = 0;

    struct TextBlockPoolEnd {
        ~TextBlockPoolEnd()
        {
            while (t_text_blocks) {
                FreeBlock* next = t_text_blocks->next;
                ::operator delete(static_cast<void*>(t_text_blocks));
                t_text_blocks = next;
            }
            t_text_block_count = -1;
        }
    };
    // Its destructor gives the blocks back when the thread ends; it is
    // touched when the first block is kept.
    thread_local TextBlockPoolEnd t_text_block_pool_end;

} // namespace
#endif

void* StringObj::operator new(std::size_t size)
{
#if PL_POOL_TEXT_BLOCKS
    if (FreeBlock* block = t_text_blocks; block && size == sizeof(StringObj)) {
        t_text_blocks = block->next;
        --t_text_block_count;
        return block;
    }
#endif
    return ::operator new(size);
}

void StringObj::operator delete(void* block, [[maybe_unused]] std::size_t size)
{
#if PL_POOL_TEXT_BLOCKS
    const int count = t_text_block_count;
    if (size == sizeof(StringObj) && count >= 0 && count < MAX_POOLED_TEXT_BLOCKS) {
        if (count == 0)
            static_cast<void>(&t_text_block_pool_end);
        auto* kept = static_cast<FreeBlock*>(block);
        kept->next = t_text_blocks;
        t_text_blocks = kept;
        t_text_block_count = count + 1;
        return;
    }
#endif
    ::operator delete(block);
}

StringObj::StringObj(std::string text_in)
    : text(std::move(text_in))
{
    ++ActiveHeapStats().objects;
}

StringObj::StringObj(std::string_view text_in)
    : text(text_in)
{
    ++ActiveHeapStats().objects;
}

StringObj::~StringObj()
{
    --ActiveHeapStats().objects;
}

// ---- Value -----------------------------------------------------------------

Value Value::String(std::string text)
{
    Value v;
    v.m_obj = new StringObj(std::move(text));
    v.m_kind = ValueKind::String;
    return v;
}

Value Value::StringOf(std::string_view text)
{
    Value v;
    v.m_obj = new StringObj(text);
    v.m_kind = ValueKind::String;
    return v;
}

Value Value::NewList()
{
    Value v;
    v.m_obj = new ListObj();
    v.m_kind = ValueKind::List;
    return v;
}

Value Value::NewDict()
{
    Value v;
    v.m_obj = new DictObj();
    v.m_kind = ValueKind::Dictionary;
    return v;
}

const std::string& Value::Text() const
{
    return static_cast<StringObj*>(m_obj)->text;
}
std::string& Value::MutableText()
{
    return static_cast<StringObj*>(m_obj)->text;
}
ListObj& Value::List() const
{
    return *static_cast<ListObj*>(m_obj);
}
DictObj& Value::Dict() const
{
    return *static_cast<DictObj*>(m_obj);
}

// ---- Integer text ----------------------------------------------------------

bool IsIntegerText(std::string_view text, int32_t* out)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    if (i == n)
        return false;

    size_t hex_start = 0;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X')
        hex_start = i + 1;
    else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        hex_start = i + 2;
    if (hex_start != 0) {
        // Up to 8 digits, taken as a 32-bit pattern: "$FFFFFFFF" is -1.
        if (n - hex_start == 0 || n - hex_start > 8)
            return false;
        uint32_t pattern = 0;
        for (size_t k = hex_start; k < n; ++k) {
            unsigned char c = static_cast<unsigned char>(text[k]);
            uint32_t digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return false;
            pattern = (pattern << 4) | digit;
        }
        if (out != nullptr)
            *out = static_cast<int32_t>(pattern);
        return true;
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
        if (i == n)
            return false;
    }
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        unsigned digit = static_cast<unsigned char>(text[i]) - static_cast<unsigned>('0');
        if (digit > 9)
            return false;
        magnitude = magnitude * 10 + digit;
        if (magnitude > limit)
            return false;
    }
    if (out != nullptr) {
        auto low = static_cast<uint32_t>(magnitude);
        *out = static_cast<int32_t>(negative ? 0u - low : low);
    }
    return true;
}

std::string IntToText(int32_t n)
{
    char buffer[12];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
    return std::string(buffer, result.ptr);
}

// ---- Display ---------------------------------------------------------------

namespace {

    class DisplayWalk {
    public:
        explicit DisplayWalk(std::string& out)
            : m_out(out)
        {
        }

        void Append(const Value& v)
        {
            switch (v.kind()) {
            case ValueKind::Invalid:
            case ValueKind::Undefined:
                m_out += KindName(v.kind());
                break;
            case ValueKind::Integer:
                AppendInt(v.AsInt());
                break;
            case ValueKind::Range:
                m_out += '[';
                AppendInt(v.RangeFirst());
                m_out += ':';
                AppendInt(v.RangeSecond());
                m_out += ']';
                break;
            case ValueKind::String:
                m_out += v.Text();
                break;
            case ValueKind::Dictionary:
                if (Enter(v.object(), "{...}")) {
                    AppendDict(v.Dict());
                    m_path.Pop();
                }
                break;
            case ValueKind::List:
                if (Enter(v.object(), "[...]")) {
                    AppendList(v.List());
                    m_path.Pop();
                }
                break;
            }
        }

    private:
        // Pushes obj on the path, or writes `elided` for a cycle or too deep.
        bool Enter(const Obj* obj, const char* elided)
        {
            if (m_path.Full() || m_path.Contains(obj)) {
                m_out += elided;
                return false;
            }
            m_path.Push(obj);
            return true;
        }

        void AppendInt(int32_t n)
        {
            char buffer[12];
            auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
            m_out.append(buffer, result.ptr);
        }

        void AppendList(const ListObj& l)
        {
            m_out += '[';
            for (int32_t i = 0; i < l.Count(); ++i) {
                if (i > 0)
                    m_out += ", ";
                if (l.IsHole(i))
                    m_out += '?';
                else
                    Append(l.At(i));
            }
            m_out += ']';
        }

        // {"key" : value, ...}; string values quoted with inner quotes doubled.
        void AppendDict(const DictObj& d)
        {
            m_out += '{';
            bool first = true;
            for (const DictEntry& e : d.Entries()) {
                if (!first)
                    m_out += ", ";
                first = false;
                m_out += '"';
                m_out += e.key;
                m_out += "\" : ";
                if (e.value.is(ValueKind::String)) {
                    m_out += '"';
                    for (char c : e.value.Text()) {
                        if (c == '"')
                            m_out += '"';
                        m_out += c;
                    }
                    m_out += '"';
                } else {
                    Append(e.value);
                }
            }
            m_out += '}';
        }

        std::string& m_out;
        ObjPath m_path;
    };

} // namespace

std::string ValueToText(const Value& v)
{
    if (v.is(ValueKind::String))
        return v.Text();
    std::string out;
    DisplayWalk(out).Append(v);
    return out;
}

bool IsTrue(const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Integer:
        return v.AsInt() != 0;
    case ValueKind::Range:
        return true;
    case ValueKind::String:
        return !v.Text().empty();
    case ValueKind::Dictionary:
        return v.Dict().Count() != 0;
    case ValueKind::List:
        return v.List().Count() != 0;
    case ValueKind::Invalid:
    case ValueKind::Undefined:
        break;
    }
    return false;
}

Value SizeOf(const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Integer:
        // The absolute value of INT32_MIN wraps to itself.
        return Value::Int(v.AsInt() < 0 ? NegInt(v.AsInt()) : v.AsInt());
    case ValueKind::String:
        return Value::Int(static_cast<int32_t>(v.Text().size()));
    case ValueKind::Dictionary:
        return Value::Int(v.Dict().Count());
    case ValueKind::List:
        return Value::Int(v.List().Count());
    case ValueKind::Invalid:
    case ValueKind::Undefined:
    case ValueKind::Range:
        break;
    }
    return Value();
}

// ---- Equality --------------------------------------------------------------

namespace {

    // Element equality with a path of container pairs being compared. A pair met
    // again on the path is taken as equal (the comparison of that pair is still
    // under way, and any difference will be found there); past MAX_VALUE_DEPTH
    // the answer is false.
    class EqualWalk {
    public:
        bool Values(const Value& a, const Value& b)
        {
            if (a.kind() != b.kind())
                return false;
            switch (a.kind()) {
            case ValueKind::Invalid:
                return false;
            case ValueKind::Undefined:
                return true;
            case ValueKind::Integer:
                return a.AsInt() == b.AsInt();
            case ValueKind::Range:
                return a.RangeFirst() == b.RangeFirst() && a.RangeSecond() == b.RangeSecond();
            case ValueKind::String:
                return a.Text() == b.Text();
            case ValueKind::Dictionary:
                return Dicts(a.Dict(), b.Dict());
            case ValueKind::List:
                return Lists(a.List(), b.List());
            }
            return false;
        }

        bool Lists(const ListObj& a, const ListObj& b)
        {
            if (a.Count() != b.Count())
                return false;
            Enter state = Push(&a, &b);
            if (state != Enter::Pushed)
                return state == Enter::Cycle;
            bool equal = true;
            for (int32_t i = 0; equal && i < a.Count(); ++i) {
                bool hole = a.IsHole(i);
                if (hole != b.IsHole(i))
                    equal = false;
                else if (!hole)
                    equal = Values(a.At(i), b.At(i));
            }
            Pop();
            return equal;
        }

        // Every key of a, looked up in b, gives the same kind and an equal
        // integer, string or container; any other kind makes them unequal.
        bool Dicts(const DictObj& a, const DictObj& b)
        {
            if (a.Count() != b.Count())
                return false;
            Enter state = Push(&a, &b);
            if (state != Enter::Pushed)
                return state == Enter::Cycle;
            bool equal = true;
            for (const DictEntry& e : a.Entries()) {
                const Value* found = b.Find(e.key);
                if (found == nullptr) {
                    equal = false;
                    break;
                }
                const Value& other = *found;
                ValueKind kind = e.value.kind();
                if (other.kind() != kind || kind == ValueKind::Invalid || kind == ValueKind::Undefined
                    || kind == ValueKind::Range || !Values(e.value, other)) {
                    equal = false;
                    break;
                }
            }
            Pop();
            return equal;
        }

    private:
        enum class Enter { Pushed, Cycle, TooDeep };

        Enter Push(const Obj* a, const Obj* b)
        {
            if (a->refs() > 1 && b->refs() > 1) {
                for (int i = 0; i < m_size; ++i) {
                    if (m_left[i] == a && m_right[i] == b)
                        return Enter::Cycle;
                }
            }
            if (m_size >= MAX_VALUE_DEPTH)
                return Enter::TooDeep;
            m_left[m_size] = a;
            m_right[m_size] = b;
            ++m_size;
            return Enter::Pushed;
        }
        void Pop() { --m_size; }

        // The pairs being compared, outermost first; fixed arrays, so that a
        // comparison never allocates.
        const Obj* m_left[MAX_VALUE_DEPTH];
        const Obj* m_right[MAX_VALUE_DEPTH];
        int m_size { 0 };
    };

} // namespace

bool ValuesEqual(const Value& a, const Value& b)
{
    // Scalars need no walk; keep them free of any allocation.
    if (a.kind() != b.kind())
        return false;
    switch (a.kind()) {
    case ValueKind::Integer:
        return a.AsInt() == b.AsInt();
    case ValueKind::String:
        return a.Text() == b.Text();
    default:
        break;
    }
    EqualWalk walk;
    return walk.Values(a, b);
}

bool ListEqual(const ListObj& a, const ListObj& b)
{
    EqualWalk walk;
    return walk.Lists(a, b);
}

bool DictEqual(const DictObj& a, const DictObj& b)
{
    EqualWalk walk;
    return walk.Dicts(a, b);
}

// ---- Deep copy -------------------------------------------------------------

namespace {

    // Copies containers down to MAX_VALUE_DEPTH and shares below it. A container
    // met again on the path is replaced by its own copy, so a cycle is copied as
    // a cycle. Holes and dictionary entries holding "inválido" are dropped.
    class CopyWalk {
    public:
        Value Copy(const Value& v)
        {
            switch (v.kind()) {
            case ValueKind::String:
                return Value::String(v.Text());
            case ValueKind::List:
            case ValueKind::Dictionary:
                return CopyContainer(v);
            default:
                return v;
            }
        }

    private:
        Value CopyContainer(const Value& v)
        {
            const Obj* obj = v.object();
            if (obj->refs() > 1) {
                for (const auto& entry : m_path) {
                    if (entry.first == obj)
                        return entry.second;
                }
            }
            if (m_path.size() >= static_cast<size_t>(MAX_VALUE_DEPTH))
                return v;
            Value copy = v.is(ValueKind::List) ? Value::NewList() : Value::NewDict();
            m_path.emplace_back(obj, copy);
            if (v.is(ValueKind::List)) {
                const ListObj& from = v.List();
                ListObj& to = copy.List();
                to.Reserve(static_cast<size_t>(from.Count()));
                for (int32_t i = 0; i < from.Count(); ++i) {
                    if (!from.IsHole(i))
                        to.Append(Copy(from.At(i)));
                }
            } else {
                DictObj& to = copy.Dict();
                for (const DictEntry& e : v.Dict().Entries()) {
                    if (!e.value.is(ValueKind::Invalid))
                        *to.Find(e.key, true) = Copy(e.value);
                }
            }
            m_path.pop_back();
            return copy;
        }

        std::vector<std::pair<const Obj*, Value>> m_path;
    };

} // namespace

Value DeepCopy(const Value& v)
{
    if (!v.IsObject())
        return v;
    CopyWalk walk;
    return walk.Copy(v);
}

// ---- Conversions -----------------------------------------------------------

ValueKind ToInteger(Value& v)
{
    if (v.is(ValueKind::String)) {
        int32_t n = 0;
        if (IsIntegerText(v.Text(), &n))
            v = Value::Int(n);
        else
            v.Clear();
    }
    return v.kind();
}

ValueKind ToText(Value& v)
{
    if (!v.is(ValueKind::Invalid) && !v.is(ValueKind::String))
        v = Value::String(ValueToText(v));
    return v.kind();
}

std::string UpperText(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || byte >= 224)
            c = static_cast<char>(byte - 32);
    }
    return out;
}

// ---- Text utilities --------------------------------------------------------

Value SplitWords(std::string_view s)
{
    Value result = Value::NewList();
    ListObj& list = result.List();
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            ++i;
        if (i > start)
            list.Append(Value::StringOf(s.substr(start, i - start)));
    }
    return result;
}

Value SplitBy(std::string_view s, std::string_view sep)
{
    Value result = Value::NewList();
    ListObj& list = result.List();
    if (sep.empty()) {
        list.Append(Value::StringOf(s));
        return result;
    }
    size_t pieces = 1;
    if (sep.size() == 1)
        pieces += static_cast<size_t>(std::count(s.begin(), s.end(), sep[0]));
    else
        for (size_t at = s.find(sep); at != std::string_view::npos; at = s.find(sep, at + sep.size()))
            ++pieces;
    list.Reserve(pieces);
    size_t start = 0;
    for (size_t at = s.find(sep); at != std::string_view::npos; at = s.find(sep, start)) {
        list.Append(Value::StringOf(s.substr(start, at - start)));
        start = at + sep.size();
    }
    list.Append(Value::StringOf(s.substr(start)));
    return result;
}

// Every cell but the last is followed by sep unless it is a hole; a hole
// contributes nothing at all.
std::string JoinList(const ListObj& l, std::string_view sep)
{
    std::string out;
    for (int32_t i = 0; i < l.Count(); ++i) {
        if (l.IsHole(i))
            continue;
        if (l.At(i).is(ValueKind::String))
            out += l.At(i).Text();
        else
            DisplayWalk(out).Append(l.At(i));
        if (i + 1 < l.Count())
            out += sep;
    }
    return out;
}

std::string PadText(std::string_view s, int32_t width)
{
    std::string out(s);
    if (width > 0 && out.size() < static_cast<size_t>(width))
        out.append(static_cast<size_t>(width) - out.size(), ' ');
    else if (width < 0 && width != INT32_MIN && out.size() < static_cast<size_t>(-width))
        out.insert(0, static_cast<size_t>(-width) - out.size(), ' ');
    return out;
}

Value ListFromLines(const std::vector<std::string>& lines)
{
    Value result = Value::NewList();
    ListObj& list = result.List();
    list.Reserve(lines.size());
    for (const std::string& line : lines)
        list.Append(Value::String(line));
    return result;
}

} // namespace palavrino::core
