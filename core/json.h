// Reading JSON text into values. The text of one value is collected from a
// character source (keyboard lines, a file, a connection), the syntax that
// only JSON has is rewritten into the language's own literal forms, and the
// language's expression parser builds the value. There is no separate
// writer: the display form of a dictionary is JSON-like text, and it reads
// back through this same path.
#pragma once

#include "core/value.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace palavrino::core {

class Machine;

// The next byte of the input (0..255), or -1 at its end.
using CharSource = std::function<int()>;

// Tells whether a bare word of the text names code (a function or a module
// reference); such words are read as their own text, so data never runs
// anything.
using CodeNamePredicate = std::function<bool(std::string_view word)>;

// A JSON value this large is no document a script handles; stopping here
// keeps an endless stream from taking all memory before anything is parsed.
// The message that refuses a longer text names this limit, in whole
// megabytes.
constexpr size_t MAX_JSON_TEXT = 16u * 1024u * 1024u;
// Brackets nest at most as deep as values can be shown and compared; the
// parser recurses once per level, so deeper text is refused before parsing.
constexpr size_t MAX_JSON_DEPTH = static_cast<size_t>(MAX_VALUE_DEPTH);

// Rewrites collected JSON text into text the expression parser reads as the
// same value:
// - escapes inside double-quoted strings (\" \\ \/ \b \f \n \r \t \uXXXX) are
//   decoded, an escaped quote becoming the doubled quote of the language;
//   \u gives the Windows-1252 byte, or "?" when the character has none;
//   any other backslash is kept as written;
// - true, false and null outside strings become 1, 0 and INDEFINIDO();
// - a number with a fraction or an exponent, and a whole number that does
//   not fit in 32 bits, become a string holding the number's text;
// - a bare word for which `names_code` answers true becomes its own text.
// Everything else, the language's doubled quotes and apostrophe-delimited
// strings included, is kept as it is.
std::string PrepareJsonText(std::string_view text, const CodeNamePredicate& names_code = {});

// Reads the text of one value from `next_char` and parses it into `result`,
// which is "inválido" when nothing usable was read. Reading goes on to the
// end of the input (an empty line at the keyboard, the end of a file), or
// stops at a closing bracket that does not match, with a console message.
// `from_console` frames the reading with the console's two notices. The
// lexer cursor is left as it was, so the asking command resumes its line.
void ReadJsonValue(Machine& m, const CharSource& next_char, bool from_console, Value& result);

} // namespace palavrino::core
