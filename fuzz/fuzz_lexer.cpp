// Feeds arbitrary bytes to the lexer as one line and scans it to the end.
#include "fuzz/fuzz_machine.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    palavrino::fuzz::FuzzMachine m;
    std::string line = palavrino::fuzz::AsLine(data, size);
    m.lexer.StartLine(1, line.data(), line.size() - 1);
    // Every call but the end of line moves forward, so this ends; the bound
    // turns a lexer that stopped moving into a reported hang.
    for (size_t i = 0; i <= line.size() + 1; ++i) {
        if (m.lexer.NextToken() == palavrino::core::TokenKind::EndOfLine)
            return 0;
    }
    __builtin_trap();
}
