// Feeds arbitrary bytes to the expression parser, once checking only (as
// the compile pass does) and once evaluating, after defining a few
// variables the input may name.
#include "core/value.h"
#include "fuzz/fuzz_machine.h"

#include <cstddef>
#include <cstdint>

namespace {

void Define(palavrino::fuzz::FuzzMachine& m, const char* name, palavrino::core::Value v)
{
    palavrino::core::SymtbEntry* e = m.symbols.FindOrAddSymbol(0, nullptr, name, true);
    e->kind = palavrino::core::SymbolKind::Variable;
    m.VariableCell(*e).value = std::move(v);
}

// Inputs whose numbers only ask for huge lists test the machine's memory,
// not the parser; ranges are bounded by the core in any case.
bool AsksForHugeValues(const uint8_t* data, size_t size)
{
    size_t run = 0;
    for (size_t i = 0; i < size; ++i) {
        run = (data[i] >= '0' && data[i] <= '9') ? run + 1 : 0;
        if (run > 5)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace palavrino;
    if (AsksForHugeValues(data, size))
        return 0;
    std::string line = fuzz::AsLine(data, size);
    for (bool check_only : { true, false }) {
        fuzz::FuzzMachine m;
        core::HeapStatsScope scope(m.heap);
        core::Value list = core::Value::NewList();
        list.List().Append(core::Value::Int(1));
        list.List().Append(core::Value::String("a"));
        Define(m, "L", list);
        Define(m, "D", core::Value::NewDict());
        Define(m, "S", core::Value::String("texto"));
        Define(m, "N", core::Value::Int(42));
        m.check_only = check_only;
        m.lexer.StartLine(1, line.data(), line.size() - 1);
        m.lexer.NextToken();
        core::Value v;
        m.ParseExpression(v);
        (void)core::ValueToText(v);
        if (m.stack_top != 0 || m.expr_nesting != 0)
            __builtin_trap();
    }
    return 0;
}
