// Lines of the commonest shapes, compiled once their tokens are cached: the
// assignment, SOMA, SUBTRAI, MULTIPLICA and DIVIDE, SE (on its own line or
// with one command), SENAO, ENQUANTO, REPETE, PARA EM, FIM, RETORNA, QUEBRA,
// CONTINUA and a function's FUNCAO line. A compiled line runs without the
// lexer: its targets and expressions are compiled, and it takes the same
// steps as its handler (which it shares with it), so it reports the same
// messages and leaves the same state. Whatever it cannot take is run the
// ordinary way, decided before it has done anything.
#pragma once

#include <cstdint>
#include <memory>

namespace palavrino::interp {

class Runtime;
struct LineCode;

// Frees a compiled line (the type is whole only in compiled_line.cpp).
struct LineCodeDeleter {
    void operator()(LineCode* code) const;
};
using LineCodePtr = std::unique_ptr<LineCode, LineCodeDeleter>;

// The compiled form of a line of the current slot whose tokens are cached,
// in the current scope; null when the line has none.
LineCodePtr CompileLine(Runtime& rt, int32_t line);
// The compiled form of a line of the current slot, made the first time it
// is asked for once the line's tokens are cached; null when it has none.
LineCode* CodeOf(Runtime& rt, int32_t line);

// Runs a compiled line of the current slot as RunLine would; `ok` is the
// line's success. False when the line must run the ordinary way: nothing
// has been done then.
bool RunCompiledLine(Runtime& rt, LineCode& code, int32_t line, bool& ok);

} // namespace palavrino::interp
