// Micro-benchmarks of the interpreter's hot paths: scanning a line, replaying
// a cached line, resolving a name among many, a user-function call, and a
// counting loop; regressions show up here in numbers.
#include "commands/standard.h"
#include "core/machine.h"
#include "interp/runtime.h"
#include "tests/support/memory_host_io.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using namespace palavrino;

const std::string LINE = "  x = (total * 3 + TAMANHO(nome)) % 1000 // a typical line\n";

class Quiet : public core::LexReporter {
public:
    void LexMessage(std::string_view) override { }
};

void ScanAll(core::Lexer& lx)
{
    while (lx.NextToken() != core::TokenKind::EndOfLine)
        benchmark::DoNotOptimize(lx.tok.kind);
}

void BM_LexLine(benchmark::State& state)
{
    Quiet quiet;
    core::Lexer lx(quiet);
    for (auto _ : state) {
        lx.StartLine(1, LINE.data(), LINE.size() - 1);
        ScanAll(lx);
    }
}
BENCHMARK(BM_LexLine);

void BM_CachedLine(benchmark::State& state)
{
    Quiet quiet;
    core::Lexer lx(quiet);
    core::LineTokens cache;
    for (auto _ : state) {
        lx.StartLine(1, LINE.data(), LINE.size() - 1, &cache);
        ScanAll(lx);
    }
}
BENCHMARK(BM_CachedLine);

void BM_NameLookup(benchmark::State& state)
{
    core::SymbolTable table;
    for (int i = 0; i < state.range(0); ++i)
        table.FindOrAddSymbol(1, nullptr, "V" + std::to_string(i), true);
    std::string name = "V" + std::to_string(state.range(0) / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(table.FindSymbol(1, nullptr, name));
}
BENCHMARK(BM_NameLookup)->Arg(100)->Arg(100'000);

// Runs a script made of lines; the timed part is the run only.
void RunScript(benchmark::State& state, const std::vector<std::string>& lines)
{
    for (auto _ : state) {
        state.PauseTiming();
        testing::MemoryHostIo io;
        interp::Runtime rt(io, commands::StandardCommands());
        int32_t slot = rt.LoadScriptList(lines);
        if (!rt.CompileSlot(slot))
            state.SkipWithError("script does not compile");
        state.ResumeTiming();
        benchmark::DoNotOptimize(rt.RunSlot(slot, 1));
    }
}

void BM_UserFunctionCall(benchmark::State& state)
{
    RunScript(state,
        { "FUNCAO F(a, b)", "  RETORNA a + b", "FIM FUNCAO", "s = 0", "REPETE i 10000", "  s = F(s, i)",
            "FIM REPETE" });
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_UserFunctionCall)->Unit(benchmark::kMillisecond);

// Every word of the line resolves to a variable: the names are read from the
// cached line's tokens, never copied.
void BM_ManyNamesLoop(benchmark::State& state)
{
    RunScript(state,
        { "alfa = 1", "beta = 2", "gama = 3", "delta = 0", "REPETE i 20000",
            "  delta = alfa + beta * gama - alfa + beta - gama + delta % 7", "FIM REPETE" });
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_ManyNamesLoop)->Unit(benchmark::kMillisecond);

void BM_CountingLoop(benchmark::State& state)
{
    RunScript(state, { "n = 0", "ENQUANTO n < 100000", "  SOMA n 1", "FIM ENQUANTO" });
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_CountingLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
