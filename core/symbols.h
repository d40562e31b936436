// The symbol table: one hash table of 4001 buckets holding the commands, the
// built-in functions, and every label, variable, parameter, local, user
// function and module reference of every loaded script.
//
// Built-in entries carry script -1 (visible everywhere) and come first among
// the entries of their name. Script names carry the slot that defined them
// and come after; they are also chained in definition order for the symbol
// listing and for removing a slot's names. Lookups go straight to the chain
// of one name; the buckets only give the table's longest chain, counted when
// asked for. Entries are never freed while the table lives: lines and stack
// frames may still point at them after their slot has been unloaded.
#pragma once

#include "core/value.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace palavrino::core {

class Machine;

enum class SymbolKind : uint8_t {
    Undefined = 0,
    Command = 1,
    If = 2,
    IfOneLine = 3,
    Else = 4,
    // Never a symbol's kind: the compile pass marks an open SENAO SE block
    // with it, so FIM and SENAO know the IF chain they close.
    ElseIf = 5,
    FunctionDef = 6,
    Loop = 7,
    Break = 8,
    Continue = 9,
    End = 10,
    Label = 11,
    Variable = 12,
    Module = 13,
    Native = 14,
    UserFunction = 15,
};

constexpr int SYMBOL_KIND_COUNT = 16;

std::string_view SymbolKindName(SymbolKind kind);

inline bool IsCommandKind(SymbolKind k)
{
    return k >= SymbolKind::Command && k <= SymbolKind::End;
}

// A built-in function reads its arguments from the execution stack and
// writes its result into the return record.
using NativeFn = bool (*)(Machine&);

// Flags of built-in functions.
constexpr int32_t NATIVE_HASH_ALLOWED = 1;
constexpr int32_t NATIVE_NEEDS_PARENS = 2;
// Takes no arguments, always gives the same integer or "indefinido", and does
// nothing else (FALSO, INDEFINIDO, VERDADEIRO): a compiled expression may
// keep the value of its first call for the calls that follow.
constexpr int32_t NATIVE_CONSTANT = 4;

struct SymtbEntry {
    std::string name;
    int32_t script { -1 };
    SymtbEntry* owner { nullptr };
    SymtbEntry* next_defined { nullptr };
    // The entries of one name, in the order they stand in their bucket: a
    // lookup walks only these instead of the whole bucket.
    SymtbEntry* next_same_name { nullptr };
    SymtbEntry* prev_same_name { nullptr };
    SymbolKind kind { SymbolKind::Undefined };
    // What the handler field holds, by kind: a command's row in the command
    // table, a native's routine, a global variable's cell (made on first
    // use), or the line of a label or of a user function's FUNCAO.
    const void* command { nullptr };
    NativeFn native { nullptr };
    std::unique_ptr<VarCell> cell;
    int32_t line { 0 };
    // Native: argument count. Parameter or local: offset from the frame
    // base. Module reference: the slot it names.
    int32_t value1 { 0 };
    // Native: flags. User function: number of parameters.
    int32_t value2 { 0 };
    // User function: number of locals declared so far.
    int32_t value3 { 0 };
    // User function: the line of its FIM FUNCAO.
    int32_t end_line { 0 };
    bool in_table { false };
};

class SymbolTable {
public:
    static constexpr int BUCKETS = 4001;

    SymbolTable();
    SymbolTable(const SymbolTable&) = delete;
    SymbolTable& operator=(const SymbolTable&) = delete;

    static int BucketOf(std::string_view name);

    // Empties the table and enters the built-in entries at bucket heads.
    void Reset();
    SymtbEntry& EnterBuiltin(std::string_view name, SymbolKind kind);

    SymtbEntry* FindSymbol(int32_t script, const SymtbEntry* owner, std::string_view name) const;
    SymtbEntry* FindOrAddSymbol(int32_t script, SymtbEntry* owner, std::string_view name, bool create);
    SymtbEntry* FindCommand(std::string_view name) const;
    // A label's line, or -1; the name gets its "@" and is folded first.
    int32_t FindLabel(int32_t script, SymtbEntry* owner, std::string_view name);
    void RemoveScriptSymbols(int32_t script);

    SymtbEntry* FirstDefined() const { return m_first_defined; }
    static SymtbEntry* NextDefined(const SymtbEntry* e) { return e->next_defined; }
    // The most entries any one bucket holds.
    int LongestChain() const;
    // Grows whenever an entry joins or leaves the table, so that a cached
    // lookup result can tell whether it may still hold.
    uint64_t Version() const { return m_version; }
    // How many same-name entries lookups have examined; tests use it to show
    // that a lookup does not walk the other names of its bucket.
    uint64_t EntriesExamined() const { return m_examined; }

private:
    struct NameChain {
        SymtbEntry* first { nullptr };
        SymtbEntry* last { nullptr };
    };
    SymtbEntry& NewEntry();
    const NameChain* ChainOf(std::string_view name) const;
    NameChain& ChainFor(const SymtbEntry& e);
    void Unlink(SymtbEntry& e);

    // Keys view the name of the first entry made with that name; entries
    // live as long as the table, so the view stays valid.
    std::unordered_map<std::string_view, NameChain> m_names;
    uint64_t m_version { 0 };
    mutable uint64_t m_examined { 0 };
    std::deque<SymtbEntry> m_entries;
    SymtbEntry* m_first_defined { nullptr };
    SymtbEntry* m_last_defined { nullptr };
};

} // namespace palavrino::core
