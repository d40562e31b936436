// The Runtime owns everything one interpreter needs: the core machine
// (lexer cursor, symbols, execution stack), the 128 script slots with their
// line records, the descriptors, and the console and speech it talks
// through. Every command handler takes the Runtime. Nothing here is global,
// so tests can build several runtimes side by side.
#pragma once

#include "core/machine.h"
#include "devices/descriptors.h"
#include "interp/command_set.h"
#include "interp/compiled_line.h"
#include "interp/family_state.h"
#include "interp/host_io.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::interp {

using core::SymbolKind;
using core::SymtbEntry;
using core::Value;
using core::ValueKind;

// One physical line of a script. Continuation lines ("&" at the start) are
// joined to their head line's text and keep their own (empty-running)
// record, so line numbers stay those of the file.
struct CodeRec {
    std::string text; // the line followed by one "\n"
    int32_t length { 0 };
    int32_t span { 1 };
    SymtbEntry* function { nullptr }; // the user function enclosing the line
    SymtbEntry* command { nullptr }; // resolved by the compile pass or first run
    int32_t jump { 0 };
    int32_t next { 0 };
    core::LineTokens tokens; // what scanning the line gives, once it has run
    // The line compiled once its tokens are cached (compiled_line.h), when
    // it has one of the shapes that are compiled; tried once.
    LineCodePtr code;
    bool code_tried { false };
};

// 128 scripts can be loaded at once; slot 0 holds the interactive line.
constexpr int32_t MAX_SLOTS = 128;

struct ScriptRec {
    bool free { true };
    std::string full_path; // upper-cased; empty for a script made from lines
    std::string file_name; // last component of the full path, for error headers
    bool compiled { false };
    std::vector<CodeRec> lines; // entry 0 holds nothing for scripts
    int32_t last_line { 0 };
    std::function<std::string(const std::string&)> hook; // CHAMA REMOTO
    int32_t current_line { 0 };
    int32_t next_line { 0 };
    int32_t io_status { 0 }; // last I/O status, read by CHECA
    bool failed { false };
    bool returned { false };
    bool trace { false };
    bool stop { false };
    bool mute { false };
};

// Outcome of running a script file; also the process exit status.
enum class Outcome : int {
    Finished = 0, // ran to its end, or to TERMINA
    Failed = 1, // a command failed or the run was interrupted
    Unreadable = 2, // the file could not be read, or no slot was free
    NoLabel = 3, // the start label does not exist
    CompileError = 4, // the script did not compile
};

class Runtime final : public core::Machine {
public:
    // The command set must be finished and outlive the runtime.
    Runtime(HostIo& io, const CommandSet& commands);
    ~Runtime() override;

private:
    // Values made and freed while this runtime lives are counted in its heap.
    core::HeapStatsScope m_heap_scope { heap };

public:
    HostIo& io;
    const CommandSet& commands;
    std::array<ScriptRec, MAX_SLOTS> slots;
    devices::DescriptorTable descriptors;
    // What command families keep between their commands (devices they hold
    // open, the menu being built, the last object described...): made on
    // first use, ended first when the runtime ends, while its heap lives.
    FamilyStates family_states;
    // The special command entries that are never found by name.
    SymtbEntry* one_line_if_entry { nullptr };
    SymtbEntry* assignment_entry { nullptr };
    SymtbEntry* expression_entry { nullptr };
    // The entry of the command whose handler is running.
    SymtbEntry* current_command { nullptr };
    // Set while a call runs the first line of a function's body, so FUNCAO
    // knows to bind its parameters rather than jump over the definition.
    SymtbEntry* entering_function { nullptr };
    // How many CMD lines are running inside one another.
    int32_t cmd_depth { 0 };

    ScriptRec& Slot() { return slots[static_cast<size_t>(current_slot)]; }
    ScriptRec& SlotAt(int32_t s) { return slots[static_cast<size_t>(s)]; }
    static const CommandRow& RowOf(const SymtbEntry& command)
    {
        return *static_cast<const CommandRow*>(command.command);
    }

    // ---- Writing and speaking (everything the user must know is both) ----
    void Write(std::string_view text) { io.Write(text); }
    void NewLine() { io.NewLine(); }
    void WriteAndSpeak(std::string_view text) { io.WriteAndSpeak(text); }
    void WriteLineAndSpeak(std::string_view text) { io.WriteLineAndSpeak(text); }

    // ---- Slots (loader.cpp, compile.cpp) ----
    int32_t LoadScriptFile(const std::string& name);
    int32_t LoadScriptList(const std::vector<std::string>& lines);
    bool CompileSlot(int32_t slot);
    void FreeSlot(int32_t slot);
    int32_t FindLabel(int32_t slot, SymtbEntry* scope, std::string_view name)
    {
        return symbols.FindLabel(slot, scope, name);
    }

    // ---- Running (run_loop.cpp) ----
    bool RunLine(int32_t slot, int32_t line);
    bool RunSlot(int32_t slot, int32_t start_line);
    bool RunInteractiveLine(const std::string& text);
    bool InterruptRequested();
    void ResetInterpreter();
    // Puts the run state back in order after a language exception unwound
    // a run (the stack, the current function, the switches).
    void RecoverFromAbort();
    // Points the lexer at a line of the current slot and scans its first
    // token after the command word (used by FIM to re-read a loop head).
    void PointAtLine(int32_t line);
    // Truth of SE and ENQUANTO conditions: like E/OU, but a range is false.
    bool ConditionIsTrue();
    static bool Truth(const Value& v) { return !v.is(ValueKind::Range) && core::IsTrue(v); }

    // ---- Script files (driver.cpp) ----
    struct RunResult {
        Outcome outcome { Outcome::Unreadable };
        int32_t line { 0 };
        std::string text;
    };
    RunResult RunScriptFile(const std::string& name, const std::string& label);
    // Runs lines as a script in a free slot, freed again afterwards; no
    // free slot gives Outcome::Unreadable.
    RunResult RunScriptList(const std::vector<std::string>& lines);
    // Compiles a loaded slot and runs it from the label (or its start).
    RunResult RunLoadedSlot(int32_t slot, const std::string& label);
    // At the end of a run: reports and closes every file whose writes
    // failed without the script reading the failure (CHECA). False when
    // there was one: data was lost, and the run must not end as a success.
    bool CloseFilesThatLostData();

    // ---- core::Machine ----
    int32_t CurrentLine() const override;
    void SetCurrentLine(int32_t line) override;
    void RestoreNextLine(int32_t line) override;
    bool RunFunctionBody(SymtbEntry& function) override;
    void EmitError(int32_t line, std::string_view message) override;
    void ConsoleLine(std::string_view text) override;

private:
    void EnterCommands();
    bool RunLines(SymtbEntry* returning_from);
    bool RunCompiled(ScriptRec& s, int32_t line, bool& ok);
    // Debug builds: the invariants of the slot a line is about to run in.
    void CheckRunningSlot(int32_t slot, const CodeRec& rec) const;
    std::deque<SymtbEntry> m_special_entries;
};

} // namespace palavrino::interp
