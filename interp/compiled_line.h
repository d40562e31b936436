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

namespace palavrino::core {
struct SymtbEntry;
}

namespace palavrino::interp {

class Runtime;

// How a compiled line ran: as RunLine would, succeeding or failing, or not
// at all (`Ordinary`: it must run the ordinary way, nothing has been done).
enum class LineRun : uint8_t { Ordinary, Ok, Failed };

// What the run loop reads of a compiled line before it runs it; the rest of
// the compiled form is known only in compiled_line.cpp.
struct LineCode {
    using Runner = LineRun (*)(Runtime& rt, LineCode& code, int32_t line);
    Runner run { nullptr };
    // The scope the names were resolved in; a function's FUNCAO line runs
    // in whatever scope its function is entered from (`any_scope`).
    int32_t slot { 0 };
    const core::SymtbEntry* function { nullptr };
    bool any_scope { false };
    // Nesting levels the line may open, at most.
    int depth { 0 };
};

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

} // namespace palavrino::interp
