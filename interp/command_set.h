// The commands one interpreter knows. Command families (files, screen,
// speech, network...) each add their rows, and the native handlers of the
// built-in functions whose work lives outside the language core, to a
// CommandSet at start-up; a Runtime enters the finished set into its symbol
// table, so looking a command up costs what any name costs. A family
// therefore never edits the run loop or another family's files.
#pragma once

#include "core/machine.h"
#include "core/symbols.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace palavrino::interp {

class Runtime;
using CommandHandler = bool (*)(Runtime&);

struct CommandRow {
    std::string_view word;
    CommandHandler handler;
    core::SymbolKind kind;
};

// Every command word of the language. A word no family has registered
// answers "O comando X não está disponível nesta versão", so scripts
// written for the whole language get a clear, spoken message.
std::span<const std::string_view> LanguageCommandWords();

class CommandSet {
public:
    // Adds a family's rows; their words must be in LanguageCommandWords()
    // and registered by no other family.
    void Add(std::span<const CommandRow> rows);
    // Gives a built-in function a handler in place of the core's own.
    void SetNative(core::BuiltinId id, core::NativeFn fn);

    // Completes the set: every language word without a family gets the
    // "not available" handler, and the rows are put in alphabetical order
    // (the order they enter the symbol table, which SIMBOLOS shows).
    // Aborts the program on a programming error (an unknown or twice
    // registered word), which the command-set test catches.
    void Finish();

    bool Finished() const { return m_finished; }
    // The rows in alphabetical order; stable once finished.
    const std::vector<CommandRow>& Rows() const { return m_rows; }
    // A native handler per built-in id, nullptr where the core's stays.
    const std::array<core::NativeFn, core::BUILTIN_COUNT>& Natives() const { return m_natives; }
    const CommandRow* Find(std::string_view word) const;
    bool IsAvailable(std::string_view word) const;

private:
    std::vector<CommandRow> m_rows;
    std::array<core::NativeFn, core::BUILTIN_COUNT> m_natives {};
    bool m_finished { false };
};

// The language's own commands, which the run loop is built around: control
// flow, data and text commands, and the three special entries below.
void RegisterLanguageCommands(CommandSet& set);

// The special command entries that are never found by name.
const CommandRow& OneLineIfRow();
const CommandRow& AssignmentRow();
const CommandRow& ExpressionRow();

} // namespace palavrino::interp
