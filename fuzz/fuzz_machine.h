// The smallest Machine a fuzzer needs: errors are counted, not shown, and
// user functions have no bodies.
#pragma once

#include "core/machine.h"

#include <string>

namespace palavrino::fuzz {

class FuzzMachine final : public core::Machine {
public:
    FuzzMachine() { EnterBuiltins(); }
    int32_t CurrentLine() const override { return 1; }
    void SetCurrentLine(int32_t) override { }
    void RestoreNextLine(int32_t) override { }
    bool RunFunctionBody(core::SymtbEntry&) override { return false; }
    void EmitError(int32_t, std::string_view) override { ++errors; }
    void ConsoleLine(std::string_view) override { ++errors; }
    int errors { 0 };
};

// Lines handed to the lexer end with a line feed and hold none inside.
inline std::string AsLine(const uint8_t* data, size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    line += '\n';
    return line;
}

} // namespace palavrino::fuzz
