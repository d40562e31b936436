// Lookups and definitions on the symbol table; see symbols.h. The messages
// of DefineLocal and DefineLabel live with the Machine, which reports them.
#include "core/symbols.h"

#include "core/char_tables.h"
#include "messages/core.h"

#include <algorithm>
#include <array>

namespace palavrino::core {

std::string_view SymbolKindName(SymbolKind kind)
{
    static constexpr std::array<std::string_view, SYMBOL_KIND_COUNT> names = {
        msg::MSG_KIND_UNDEFINED,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_COMMAND,
        msg::MSG_SYMBOL_LABEL,
        msg::MSG_SYMBOL_VARIABLE,
        msg::MSG_SYMBOL_MODULE,
        msg::MSG_SYMBOL_NATIVE,
        msg::MSG_SYMBOL_FUNCTION,
    };
    return names[static_cast<size_t>(kind)];
}

SymbolTable::SymbolTable()
{
    Reset();
}

int SymbolTable::BucketOf(std::string_view name)
{
    uint64_t h = 0;
    for (char c : name)
        h = (h << 1) ^ static_cast<unsigned char>(c);
    // The absolute value of h read as signed; done unsigned so that the
    // most negative value needs no special case.
    uint64_t magnitude = static_cast<int64_t>(h) < 0 ? 0 - h : h;
    return static_cast<int>(magnitude % BUCKETS);
}

void SymbolTable::Reset()
{
    m_buckets.fill(nullptr);
    m_entries.clear();
    m_first_defined = nullptr;
    m_last_defined = nullptr;
}

SymtbEntry& SymbolTable::NewEntry()
{
    return m_entries.emplace_back();
}

SymtbEntry& SymbolTable::EnterBuiltin(std::string_view name, SymbolKind kind)
{
    SymtbEntry& e = NewEntry();
    e.name = std::string(name);
    e.kind = kind;
    e.script = -1;
    e.in_table = true;
    SymtbEntry*& head = m_buckets[BucketOf(name)];
    e.next_in_bucket = head;
    if (head)
        head->prev_in_bucket = &e;
    head = &e;
    return e;
}

SymtbEntry* SymbolTable::FindSymbol(int32_t script, const SymtbEntry* owner, std::string_view name) const
{
    SymtbEntry* owned = nullptr;
    SymtbEntry* unowned = nullptr;
    for (SymtbEntry* e = m_buckets[BucketOf(name)]; e; e = e->next_in_bucket) {
        if (e->name != name || (e->script != -1 && e->script != script))
            continue;
        if (owner && e->owner == owner)
            owned = e;
        else if (!e->owner)
            unowned = e;
    }
    return owned ? owned : unowned;
}

SymtbEntry* SymbolTable::FindOrAddSymbol(
    int32_t script, SymtbEntry* owner, std::string_view name, bool create)
{
    SymtbEntry** link = &m_buckets[BucketOf(name)];
    SymtbEntry* last = nullptr;
    for (SymtbEntry* e = *link; e; e = e->next_in_bucket) {
        last = e;
        if (e->name != name)
            continue;
        if (IsCommandKind(e->kind) || e->kind == SymbolKind::Native)
            return e;
        if ((e->script == -1 || e->script == script) && e->owner == owner)
            return e;
    }
    if (!create)
        return nullptr;
    SymtbEntry& e = NewEntry();
    e.name = std::string(name);
    e.script = (!owner && !name.empty() && name[0] == '$') ? -1 : script;
    e.owner = owner;
    e.in_table = true;
    if (last) {
        last->next_in_bucket = &e;
        e.prev_in_bucket = last;
    } else {
        *link = &e;
    }
    if (m_last_defined)
        m_last_defined->next_defined = &e;
    else
        m_first_defined = &e;
    m_last_defined = &e;
    return &e;
}

SymtbEntry* SymbolTable::FindCommand(std::string_view name) const
{
    for (SymtbEntry* e = m_buckets[BucketOf(name)]; e; e = e->next_in_bucket)
        if (e->name == name && IsCommandKind(e->kind))
            return e;
    return nullptr;
}

int32_t SymbolTable::FindLabel(int32_t script, SymtbEntry* owner, std::string_view name)
{
    std::string full;
    if (name.empty() || name[0] != '@')
        full = "@";
    full += name;
    SymtbEntry* e = FindOrAddSymbol(script, owner, FoldName(full), false);
    return e && e->kind == SymbolKind::Label ? e->line : -1;
}

void SymbolTable::RemoveScriptSymbols(int32_t script)
{
    SymtbEntry* previous = nullptr;
    for (SymtbEntry* e = m_first_defined; e;) {
        SymtbEntry* next = e->next_defined;
        if (e->script != script) {
            previous = e;
            e = next;
            continue;
        }
        if (e->prev_in_bucket)
            e->prev_in_bucket->next_in_bucket = e->next_in_bucket;
        else
            m_buckets[BucketOf(e->name)] = e->next_in_bucket;
        if (e->next_in_bucket)
            e->next_in_bucket->prev_in_bucket = e->prev_in_bucket;
        e->next_in_bucket = e->prev_in_bucket = nullptr;
        if (previous)
            previous->next_defined = next;
        else
            m_first_defined = next;
        if (m_last_defined == e)
            m_last_defined = previous;
        e->next_defined = nullptr;
        e->in_table = false;
        // Nothing can reach the variable by name any more; let its value go.
        if (e->cell)
            e->cell->value.Clear();
        e = next;
    }
}

int SymbolTable::LongestChain() const
{
    int longest = 0;
    for (SymtbEntry* head : m_buckets) {
        int n = 0;
        for (SymtbEntry* e = head; e; e = e->next_in_bucket)
            ++n;
        longest = std::max(longest, n);
    }
    return longest;
}

} // namespace palavrino::core
