// Taking values apart with selectors, and storing through them.
//
// A selector is always a list value: "[2]" is [2], "[1..3, 7]" holds a range
// and an integer, "[]" is empty and ".nome" is ["nome"]. Strings are indexed
// from 1, lists from 0, dictionaries by key text. Stores change the shared
// object in place, so every owner sees them.
#pragma once

#include "core/report.h"
#include "core/value.h"

#include <string>
#include <string_view>
#include <vector>

namespace palavrino::core {

// The current element of a running PARA iterator.
Value ReadIterator(const VarCell& cell);
// The value of a variable, honouring a running PARA iterator.
inline Value ReadVariable(const VarCell& cell)
{
    return cell.iterator < 0 ? cell.value : ReadIterator(cell);
}
// What ReadVariable gives, without copying it, when it is held somewhere:
// the cell's own value, or the list cell a PARA over a list stands on. Null
// when the value would have to be made (a range, a text's character, an
// index past the end or a hole).
inline const Value* PeekVariable(const VarCell& cell)
{
    if (cell.iterator < 0)
        return &cell.value;
    if (!cell.value.is(ValueKind::List))
        return nullptr;
    const ListObj& l = cell.value.List();
    return cell.iterator < l.Count() && !l.IsHole(cell.iterator) ? &l.At(cell.iterator) : nullptr;
}

// Read selection of `v` by one selector list. Unselectable values give
// "inválido".
Value Select(const Value& v, const Value& selector);
// What Select gives for a selector list holding only `key`, an integer or a
// string, without making the list.
Value SelectOne(const Value& v, const Value& key);

// Name followed by the display form of each selector before `up_to`; the
// messages about a target use it ("X[1]", "D[nome]").
std::string TargetText(std::string_view name, const std::vector<Value>& selectors, size_t up_to);

// Stores `value` into the variable through `selectors` (possibly none).
// Reports and returns false on the first failure; what was already stored
// stays stored. `name` is the variable's canonical name.
bool AssignThrough(VarCell& cell, std::string_view name, const std::vector<Value>& selectors,
    const Value& value, ErrorSink& sink);
// AssignThrough for one selector list holding only `key` (not "inválido"),
// or nothing when `key` is null: a dictionary key, an existing list cell or
// the end of a list is stored into directly, anything else goes through the
// list.
bool AssignOne(VarCell& cell, std::string_view name, const Value* key, const Value& value, ErrorSink& sink);

} // namespace palavrino::core
