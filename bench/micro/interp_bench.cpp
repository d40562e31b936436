// Micro-benchmarks of the interpreter's hot paths: scanning a line, replaying
// a cached line, resolving a name among many, a user-function call, a
// counting loop, and dictionary stores and lookups; regressions show up here
// in numbers.
#include "commands/standard.h"
#include "core/machine.h"
#include "core/value.h"
#include "interp/runtime.h"
#include "tests/support/memory_host_io.h"

#include <benchmark/benchmark.h>
#include <random>
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

// Word keys as a text gives them: `distinct` words of 1 to 8 letters drawn
// with a skewed frequency (the first words far more often), fixed seed.
std::vector<palavrino::core::Value> WordKeys(int distinct, int count)
{
    std::mt19937 random(2026);
    std::vector<std::string> words;
    for (int i = 0; i < distinct; ++i) {
        std::string word;
        for (unsigned n = 1 + random() % 8; n > 0; --n)
            word += static_cast<char>('a' + random() % 26);
        words.push_back(word + std::to_string(i));
    }
    std::vector<core::Value> keys;
    for (int i = 0; i < count; ++i) {
        // The square of a uniform draw favours small indexes.
        double u = static_cast<double>(random()) / static_cast<double>(std::mt19937::max());
        keys.push_back(core::Value::String(words[static_cast<size_t>(u * u * (distinct - 1))]));
    }
    return keys;
}

// The word-count pattern: read the count of a key, store it plus one.
void BM_DictCountWords(benchmark::State& state)
{
    const std::vector<core::Value> keys = WordKeys(static_cast<int>(state.range(0)), 100'000);
    for (auto _ : state) {
        core::Value counts = core::Value::NewDict();
        for (const core::Value& key : keys) {
            core::Value n = core::DictGet(counts.Dict(), key);
            core::DictSetByValue(
                counts.Dict(), key, core::Value::Int(n.is(core::ValueKind::Integer) ? n.AsInt() + 1 : 1));
        }
        benchmark::DoNotOptimize(counts.Dict().Count());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_DictCountWords)->Arg(8)->Arg(1000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Lookups of present and absent keys in a dictionary of a given size, around
// the size where the hash index starts.
void BM_DictLookup(benchmark::State& state)
{
    const auto size = static_cast<int>(state.range(0));
    core::Value d = core::Value::NewDict();
    std::vector<std::string> probes;
    for (int i = 0; i < size; ++i) {
        std::string key = "chave" + std::to_string(i * 7);
        core::DictSet(d.Dict(), key, core::Value::Int(i));
        probes.push_back(key);
        probes.push_back("outra" + std::to_string(i));
    }
    for (auto _ : state) {
        for (const std::string& key : probes)
            benchmark::DoNotOptimize(d.Dict().Find(key));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(probes.size()));
}
BENCHMARK(BM_DictLookup)->DenseRange(2, 16, 2)->Arg(10'000);

// Insertion into a growing dictionary, then removal of every other key and a
// walk over the rest (which squeezes out the dead entries).
void BM_DictInsertRemove(benchmark::State& state)
{
    const auto size = static_cast<int>(state.range(0));
    std::vector<std::string> keys;
    for (int i = 0; i < size; ++i)
        keys.push_back("k" + std::to_string(i));
    for (auto _ : state) {
        core::Value d = core::Value::NewDict();
        for (const std::string& key : keys)
            core::DictSet(d.Dict(), key, core::Value::Int(1));
        for (size_t i = 0; i < keys.size(); i += 2)
            benchmark::DoNotOptimize(d.Dict().Remove(keys[i]));
        benchmark::DoNotOptimize(d.Dict().Entries().size());
    }
    state.SetItemsProcessed(state.iterations() * size);
}
BENCHMARK(BM_DictInsertRemove)->Arg(100)->Arg(100'000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
