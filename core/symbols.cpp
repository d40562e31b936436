// Lookups and definitions on the symbol table; see symbols.h. The messages
// of DefineLocal and DefineLabel live with the Machine, which reports them.
#include "core/symbols.h"

#include "core/char_tables.h"
#include "messages/core.h"

#include <algorithm>
#include <array>
#include <vector>

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
    // Room for the commands and built-ins entered at start, without
    // rehashing on the way.
    m_names.reserve(256);
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
    m_names.clear();
    m_entries.clear();
    m_first_defined = nullptr;
    m_last_defined = nullptr;
    ++m_version;
}

SymtbEntry& SymbolTable::NewEntry()
{
    ++m_version;
    return m_entries.emplace_back();
}

const SymbolTable::NameChain* SymbolTable::ChainOf(std::string_view name) const
{
    auto it = m_names.find(name);
    return it == m_names.end() ? nullptr : &it->second;
}

SymbolTable::NameChain& SymbolTable::ChainFor(const SymtbEntry& e)
{
    return m_names.try_emplace(std::string_view(e.name)).first->second;
}

SymtbEntry& SymbolTable::EnterBuiltin(std::string_view name, SymbolKind kind)
{
    SymtbEntry& e = NewEntry();
    e.name = std::string(name);
    e.kind = kind;
    e.script = -1;
    e.in_table = true;
    NameChain& chain = ChainFor(e);
    e.next_same_name = chain.first;
    if (chain.first)
        chain.first->prev_same_name = &e;
    else
        chain.last = &e;
    chain.first = &e;
    return e;
}

SymtbEntry* SymbolTable::FindSymbol(int32_t script, const SymtbEntry* owner, std::string_view name) const
{
    const NameChain* chain = ChainOf(name);
    if (!chain)
        return nullptr;
    SymtbEntry* owned = nullptr;
    SymtbEntry* unowned = nullptr;
    for (SymtbEntry* e = chain->first; e; e = e->next_same_name) {
        ++m_examined;
        if (e->script != -1 && e->script != script)
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
    if (const NameChain* chain = ChainOf(name)) {
        for (SymtbEntry* e = chain->first; e; e = e->next_same_name) {
            ++m_examined;
            if (IsCommandKind(e->kind) || e->kind == SymbolKind::Native)
                return e;
            if ((e->script == -1 || e->script == script) && e->owner == owner)
                return e;
        }
    }
    if (!create)
        return nullptr;
    SymtbEntry& e = NewEntry();
    e.name = std::string(name);
    e.script = (!owner && !name.empty() && name[0] == '$') ? -1 : script;
    e.owner = owner;
    e.in_table = true;
    NameChain& chain = ChainFor(e);
    e.prev_same_name = chain.last;
    if (chain.last)
        chain.last->next_same_name = &e;
    else
        chain.first = &e;
    chain.last = &e;
    if (m_last_defined)
        m_last_defined->next_defined = &e;
    else
        m_first_defined = &e;
    m_last_defined = &e;
    return &e;
}

SymtbEntry* SymbolTable::FindCommand(std::string_view name) const
{
    const NameChain* chain = ChainOf(name);
    for (SymtbEntry* e = chain ? chain->first : nullptr; e; e = e->next_same_name)
        if (IsCommandKind(e->kind))
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

void SymbolTable::Unlink(SymtbEntry& e)
{
    NameChain& chain = m_names.find(e.name)->second;
    if (e.prev_same_name)
        e.prev_same_name->next_same_name = e.next_same_name;
    else
        chain.first = e.next_same_name;
    if (e.next_same_name)
        e.next_same_name->prev_same_name = e.prev_same_name;
    else
        chain.last = e.prev_same_name;
    e.next_same_name = e.prev_same_name = nullptr;
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
        Unlink(*e);
        ++m_version;
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
    // Counted here rather than kept up to date: a bucket array filled at
    // start-up touches pages every short script would pay for, and only the
    // counters listing asks.
    std::vector<int> lengths(BUCKETS, 0);
    for (const SymtbEntry& e : m_entries)
        if (e.in_table)
            ++lengths[static_cast<size_t>(BucketOf(e.name))];
    return *std::max_element(lengths.begin(), lengths.end());
}

} // namespace palavrino::core
