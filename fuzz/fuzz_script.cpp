// Feeds arbitrary bytes to the whole road of a script: written to a file,
// loaded (encoding, continuation lines), compiled and run. The run ends at
// the line budget as if the user had interrupted it, so endless loops and
// recursions end too. The commands that would change files or folders on
// the machine (or read devices forever) are made inert first: the fuzzer
// runs with the rights of whoever starts it.
#include "commands/standard.h"
#include "fuzz/fuzz_host_io.h"
#include "fuzz/scratch_file.h"
#include "interp/runtime.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <string>

namespace {

using namespace palavrino;

// Lines a script may run; enough for loops to go round many times, few
// enough that each input takes milliseconds.
constexpr int LINE_BUDGET = 3000;
// The program's own interpreter stack.
constexpr size_t SCRIPT_STACK_BYTES = size_t { 1 } << 30;

const std::filesystem::path& ScratchFile()
{
    static const fuzz::ScratchFile file(".pro");
    return file.Path();
}

bool SkipLine(interp::Runtime& rt)
{
    rt.lexer.SkipRestOfLine();
    return true;
}

bool NoValue(core::Machine&)
{
    return false;
}

// The commands and built-ins that reach the file system beyond reading, the
// network, devices or other programs.
constexpr const char* INERT_COMMANDS[] = { "ABRE", "REMOVE", "RENOMEIA", "REPLICA", "DIR", "CONECTA", "SERVE",
    "ACEITA", "BAIXA", "SERIAL", "INTERNET", "EXECUTA", "CMD", "DIGITA", "ACIONA", "CLICA", "MOUSE", "RATO",
    "TRANSFERE", "JANELA", "ESPERA", "TOCA", "MCI", "MIDI" };
constexpr const char* INERT_BUILTINS[] = { "ABREARQ", "CONTEUDO", "DIRETORIO" };

void MakeInert(interp::Runtime& rt)
{
    static const interp::CommandRow inert { "", SkipLine, core::SymbolKind::Command };
    for (const char* word : INERT_COMMANDS)
        if (core::SymtbEntry* e = rt.symbols.FindCommand(word))
            e->command = &inert;
    for (const char* name : INERT_BUILTINS)
        if (core::SymtbEntry* e = rt.symbols.FindSymbol(0, nullptr, name))
            e->native = NoValue;
}

void* RunScratchScript(void*)
{
    fuzz::FuzzHostIo io(LINE_BUDGET);
    interp::Runtime rt(io, commands::StandardCommands());
    MakeInert(rt);
    static_cast<void>(rt.RunScriptFile(ScratchFile().string(), ""));
    // However the run ended, the switches and counters are back at rest.
    if (rt.expr_nesting != 0 || rt.user_call_depth != 0 || !rt.error_reporting || rt.check_only)
        __builtin_trap();
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // Scripts run on a large stack, as in the program, so deep recursion
    // meets the interpreter's own limits rather than the default stack.
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, SCRIPT_STACK_BYTES);
    pthread_t thread;
    if (pthread_create(&thread, &attr, RunScratchScript, nullptr) != 0)
        __builtin_trap();
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    return 0;
}
