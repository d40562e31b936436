// Feeds arbitrary bytes to the JSON reader as the characters of one input,
// as LE ... JSON and CONTEUDO (..., "JSON") do, then shows the value read
// and reads that display form back.
#include "core/json.h"
#include "fuzz/fuzz_machine.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

palavrino::core::CharSource BytesOf(const std::string& text)
{
    auto pos = std::make_shared<size_t>(0);
    return [&text, pos] { return *pos < text.size() ? static_cast<unsigned char>(text[(*pos)++]) : -1; };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace palavrino;
    fuzz::FuzzMachine m;
    core::HeapStatsScope scope(m.heap);
    const std::string input(reinterpret_cast<const char*>(data), size);
    core::Value v;
    core::ReadJsonValue(m, BytesOf(input), false, v);
    const std::string shown = core::ValueToText(v);
    core::Value again;
    core::ReadJsonValue(m, BytesOf(shown), false, again);
    (void)core::ValueToText(again);
    (void)core::PrepareJsonText(input);
    // The reader leaves the cursor and the stack as it found them.
    if (m.stack_top != 0 || m.expr_nesting != 0 || m.lexer.tok.line_start != nullptr)
        __builtin_trap();
    return 0;
}
