// The state the language core works on: the lexer cursor, the symbol table,
// the execution stack and the run-state switches, plus the few things the
// core must ask of the interpreter around it (the current line of the
// running script, running a user function's body, reporting an error). The
// interpreter's Runtime derives from Machine and supplies those; tests supply
// small stand-ins. There is no global state: two machines can live side by
// side.
#pragma once

#include "core/lexer.h"
#include "core/report.h"
#include "core/symbols.h"
#include "core/value.h"

#include <array>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::core {

enum class ExecKind : uint8_t {
    Return = 0, // a call of a function, or a script call by CHAMA
    Argument = 1,
    Local = 2,
};

struct ExecRec {
    ExecKind kind { ExecKind::Return };
    int32_t slot { 0 };
    SymtbEntry* function { nullptr };
    // Arguments and locals are variables in place: their storage is here.
    VarCell var;
    int32_t saved_frame_base { 0 };
    int32_t saved_line { 0 };
};

// The execution stack holds loops, locals, arguments and calls together.
// 2048 entries let a one-argument function recurse about a thousand deep,
// which real scripts never approach, while a runaway recursion ends quickly
// with a message instead of exhausting memory.
constexpr int32_t EXEC_STACK_SIZE = 2048;
// The execution stack's storage: EXEC_STACK_SIZE + 1 entries in one block
// that never moves, since cells inside it are pointed at. An entry is
// constructed the first time the stack reaches it, so the pages of a deep
// stack that a script never uses are never touched (each first touch of a
// page is a page fault, a large share of a short script's start).
class ExecStack {
public:
    ExecStack();
    ~ExecStack();
    ExecStack(const ExecStack&) = delete;
    ExecStack& operator=(const ExecStack&) = delete;

    ExecRec& operator[](size_t i) const
    {
        if (i >= m_built) [[unlikely]]
            BuildUpTo(i);
        return m_entries[i];
    }
    // Destroys every entry, releasing the values they hold.
    void clear();

private:
    void BuildUpTo(size_t i) const;

    ExecRec* m_entries;
    mutable size_t m_built { 0 };
};

// Calls take at most this many arguments.
constexpr int MAX_CALL_ARGS = 32;
// Nesting of brackets, parentheses, braces, unary forms and calls inside one
// evaluation. The parser recurses per level; the bound keeps a hostile
// expression (or a deep recursion inside nested parentheses) from
// overflowing the native stack, and tells the user why instead.
constexpr int MAX_EXPR_NESTING = 3000;

// The language exceptions: the only three ways a run unwinds. Everything
// else is reported and returned as a failure flag.
class ScriptAbort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// The user interrupted the run.
class InterruptAbort final : public ScriptAbort {
public:
    using ScriptAbort::ScriptAbort;
};
// TERMINA inside a function ends the whole script.
class TerminateAbort final : public ScriptAbort {
public:
    using ScriptAbort::ScriptAbort;
};
// The stack overflowed inside a user function. Every pending user-function
// call ends at once, without running another line, so a runaway recursion
// that calls itself again after a failed call (RETORNA f(n) + f(n)) reports
// once instead of retrying at every level. The outermost call catches it and
// gives "indefinido"; it never reaches the driver.
class CallChainUnwind final : public ScriptAbort {
public:
    using ScriptAbort::ScriptAbort;
};

enum class BuiltinId : uint8_t {
    Abrearq = 0,
    Chaves = 1,
    Chr = 2,
    Conteudo = 3,
    Data = 4,
    Dia = 5,
    Diretorio = 6,
    Duplica = 7,
    Falso = 8,
    Fimarq = 9,
    Fda = 10,
    Hora = 11,
    Indefinido = 12,
    Insere = 13,
    Inteiro = 14,
    Maiusc = 15,
    Map = 16,
    Nao = 17,
    Ord = 18,
    Palavra = 19,
    Pos = 20,
    Rand = 21,
    Retira = 22,
    Tamanho = 23,
    Tempo = 24,
    Tipo = 25,
    Trim = 26,
    Verdadeiro = 27,
};
constexpr int BUILTIN_COUNT = 28;

struct ClockReading {
    int year, month, day, hour, minute, second, hundredths;
    int weekday; // 0 = Sunday
};
// A moment of the system clock, not yet read as local time.
struct ClockInstant {
    int64_t seconds { 0 };
    int32_t nanoseconds { 0 };
};
ClockInstant SystemInstant();
// The local clock at an instant, and now.
ClockReading LocalClockAt(ClockInstant at);
ClockReading SystemClock();

struct BuiltinRow {
    std::string_view name;
    int32_t arg_count;
    int32_t flags;
};
const std::array<BuiltinRow, BUILTIN_COUNT>& BuiltinTable();
// The routines of the built-ins that need nothing beyond the core.
std::array<NativeFn, BUILTIN_COUNT> CoreBuiltinHandlers();

class Machine : public ErrorSink, public LexReporter {
public:
    Machine();
    ~Machine() override;
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    Lexer lexer { *this };
    SymbolTable symbols;
    HeapStats heap;

    // Run state.
    int32_t current_slot { 0 };
    SymtbEntry* current_function { nullptr };
    int32_t stack_top { 0 };
    int32_t frame_base { 0 };
    bool error_reporting { true };
    // Counts every error reported or lexer complaint made, even while
    // reporting is switched off, so the run loop can check in debug builds
    // that a command never fails without telling the user.
    uint32_t reports_made { 0 };
    // Counts the steps that may wait, write or read outside the
    // interpreter's own state: every call of a function or built-in, and
    // every command a compiled line hands to its handler. With
    // reports_made, it tells the run loop that a line only computed.
    uint32_t steps_outside { 0 };
    bool check_only { false };
    int expr_nesting { 0 };
    // Set when MAX_EXPR_NESTING was passed; silences the errors that follow
    // from it until the outermost expression level has returned.
    bool expr_nesting_overflow { false };
    // Counts the times MAX_EXPR_NESTING was passed. An expression during
    // whose parse it moved was cut short, and has no value.
    uint32_t expr_nesting_overflows { 0 };
    // How many user-function bodies are running, one inside the other.
    int user_call_depth { 0 };
    // Entries 1..EXEC_STACK_SIZE; entry 0 is never used.
    ExecStack stack;
    // Routines of the built-ins, by BuiltinId; the interpreter fills in those
    // that need devices before EnterBuiltins.
    std::array<NativeFn, BUILTIN_COUNT> natives;
    // The RETORNA entry, kept for the compile pass.
    SymtbEntry* return_entry { nullptr };

    // ---- What the surrounding interpreter supplies ----
    // The current line of the current slot, and setting it back after calls.
    virtual int32_t CurrentLine() const = 0;
    virtual void SetCurrentLine(int32_t line) = 0;
    // Sets the current slot's next line from the line's own link (after a
    // call returns into it).
    virtual void RestoreNextLine(int32_t line) = 0;
    virtual bool RunFunctionBody(SymtbEntry& function) = 0;
    // Writes (and speaks) a complete message on its own line, with the
    // script header when line > 0 (see ReportError).
    virtual void EmitError(int32_t line, std::string_view message) = 0;
    // A plain console line (the lexer's and JSON reader's complaints and the
    // internal warnings), written and spoken.
    virtual void ConsoleLine(std::string_view text) = 0;

    // ---- Error reporting ----
    void ReportError(int32_t line, std::string_view message);
    void ReportErrorHere(std::string_view message) { ReportError(CurrentLine(), message); }
    void ReportHere(std::string_view message) override { ReportErrorHere(message); }
    void ReportPlain(std::string_view message) override { ReportError(0, message); }
    void LexMessage(std::string_view line) override;

    // ---- Symbols with their messages ----
    void EnterBuiltins();
    SymtbEntry* DefineLocal(int32_t script, SymtbEntry* function, std::string_view name, int32_t slot);
    bool DefineLabel(int32_t script, SymtbEntry* owner, std::string_view name, int32_t line);
    // The cell of a variable entry: in the stack frame for parameters and
    // locals, allocated on first use for globals.
    VarCell& VariableCell(SymtbEntry& entry)
    {
        if (entry.owner) {
            const int32_t index = frame_base + entry.value1;
            if (index >= 1 && index <= stack_top)
                return stack[index].var;
        } else if (entry.cell) {
            return *entry.cell;
        }
        return NewVariableCell(entry);
    }

    // ---- The execution stack ----
    bool PushExec();
    ExecRec& Top() { return stack[stack_top]; }
    // Pops down to `top`, releasing the values held above it.
    void PopTo(int32_t top);
    // Argument k (1-based) of the running built-in, and its result slot.
    Value& Arg(int k) { return stack[frame_base - k].var.value; }
    Value& Result() { return stack[frame_base].var.value; }

    // ---- Expressions ----
    void ParseExpression(Value& v);
    void ParseRangeExpression(Value& v);
    void ParseExpressionAs(Value& v, ValueKind kind);
    void SkipExpression();
    OpCode OperatorOf(const Value& v) const;
    bool CallFunction(std::string_view name, SymtbEntry* entry, Value& result, int argc, Value* args);
    // After a stack overflow has been reported: ends every pending
    // user-function call (see CallChainUnwind); returns when there is none.
    void UnwindPendingCalls();

    // Resets stack, flags and counters (not the symbol table).
    void ResetRunState();

    // The clock read by DATA, HORA, DIA and TEMPO; tests may replace it.
    virtual ClockReading ReadClock() const { return SystemClock(); }
    // The start of TEMPO's count: hundredths of a second since midnight and
    // the weekday, taken when the interpreter is reset. The instant is kept
    // and read as local time only when TEMPO first asks (SettleStartTime):
    // reading the time zone costs every run a file read and page faults.
    int32_t start_time { 0 };
    int32_t start_weekday { 0 };
    void TakeStartTime();
    void SettleStartTime();

    // RAND's generator: a fixed seed gives repeatable runs until RANDOMIZA
    // seeds it from the clock.
    static constexpr uint32_t DEFAULT_RANDOM_SEED = 5489u;
    std::mt19937 random { DEFAULT_RANDOM_SEED };
    // Uniform in 0..limit-1, without the bias of taking a modulus.
    uint32_t RandomBelow(uint32_t limit)
    {
        return std::uniform_int_distribution<uint32_t>(0, limit - 1)(random);
    }

private:
    VarCell& NewVariableCell(SymtbEntry& entry);
    VarCell m_scratch_cell;
    ClockInstant m_start_instant;
    bool m_start_pending { false };
};

// What ParseExpressionAs makes of an expression's value: an integer or a
// text when one was asked for and the value converts (others stay as they
// are for the caller to refuse).
void ConvertExpressionValue(Value& v, ValueKind kind);

// RAII guard for one level of expression nesting; see MAX_EXPR_NESTING.
// Inline: every subscript, call and bracket opens one.
class NestingGuard {
public:
    explicit NestingGuard(Machine& m)
        : m_machine(m)
        , m_ok(++m.expr_nesting <= MAX_EXPR_NESTING)
    {
        if (!m_ok && !m.expr_nesting_overflow)
            ReportTooDeep();
    }
    ~NestingGuard()
    {
        if (--m_machine.expr_nesting == 0)
            m_machine.expr_nesting_overflow = false;
    }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool ok() const { return m_ok; }

private:
    // The first level past the bound: reported once for the whole line.
    void ReportTooDeep();
    Machine& m_machine;
    bool m_ok;
};

// ---- Assignment targets ----

struct TargetRec {
    SymtbEntry* entry { nullptr };
    std::vector<Value> selectors;
};

bool ParseTarget(Machine& m, TargetRec& t, bool allow_function);
inline bool TargetIsPlain(const TargetRec& t)
{
    return t.entry && t.selectors.empty();
}
Value ReadTarget(Machine& m, const TargetRec& t);
Value ReadTargetAs(Machine& m, const TargetRec& t, ValueKind kind);
// Stores through the target's selectors; false once a failure is reported.
bool AssignTargetThrough(Machine& m, TargetRec& t, const Value& v);
// AssignTargetThrough, with a plain variable's store (the commonest) inline.
inline bool AssignTarget(Machine& m, TargetRec& t, const Value& v)
{
    if (t.entry && t.entry->kind == SymbolKind::Variable && t.selectors.empty()) {
        VarCell& cell = m.VariableCell(*t.entry);
        if (cell.iterator == -1) {
            cell.value = v;
            return true;
        }
    }
    return AssignTargetThrough(m, t, v);
}

} // namespace palavrino::core
