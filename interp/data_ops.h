// The pure operations behind the list and arithmetic commands, apart from
// the handlers that read their operands: the counter arithmetic SOMA and
// SUBTRAI do on the digits that end a text ("ARQ009" + 1 is "ARQ010"), and
// the element comparison and in-place quicksort of ORDENA.
#pragma once

#include "core/value.h"

#include <cstdint>
#include <string>

namespace palavrino::interp {

// Adds `operand` to (or, with `subtract`, takes it from) the decimal number
// formed by the digits at the end of `text`, digit by digit in place. The
// text keeps its length: a carry or borrow that reaches a non-digit or the
// start is dropped, and a text that does not end in a digit is unchanged.
void AddToTrailingDigits(std::string& text, int32_t operand, bool subtract);

struct SortOptions {
    bool descending { false };
    bool numeric { false }; // integer texts compare as numbers
    bool upper { false }; // texts compare upper-cased
};

// Negative, zero or positive as a comes before, with or after b. Integers
// and texts compare with each other; any other pair is 0 when both have the
// same kind and -1 otherwise, whatever the direction.
int CompareForSort(const core::Value& a, const core::Value& b, const SortOptions& options);

// Sorts the list's cells in place (holes move with their cells) with the
// quicksort of the list container; the sort is not stable. A range on which
// the pivots keep failing is finished by heapsort, so no list takes
// quadratic time. Every owner of the list sees the new order.
void SortList(core::ListObj& list, const SortOptions& options);

} // namespace palavrino::interp
