// A Machine with the smallest surroundings the core needs: one line of
// text to evaluate, errors collected as strings, and user-function bodies
// supplied by the test.
#pragma once

#include "core/machine.h"

#include <functional>
#include <string>
#include <vector>

namespace palavrino::testing {

class TestMachine : public core::Machine {
public:
    TestMachine()
    {
        symbols.Reset();
        EnterBuiltins();
    }

    std::vector<std::string> errors; // "line: message"
    std::vector<std::string> console;
    int32_t line { 7 };
    std::function<bool(core::SymtbEntry&)> body;
    std::string text; // keeps the evaluated line alive

    int32_t CurrentLine() const override { return line; }
    void SetCurrentLine(int32_t l) override { line = l; }
    void RestoreNextLine(int32_t) override { }
    bool RunFunctionBody(core::SymtbEntry& f) override { return body ? body(f) : false; }
    void EmitError(int32_t l, std::string_view message) override
    {
        errors.push_back(std::to_string(l) + ": " + std::string(message));
    }
    void ConsoleLine(std::string_view t) override { console.emplace_back(t); }

    void Start(const std::string& source)
    {
        text = source + "\n";
        lexer.StartLine(line, text.data(), source.size());
        lexer.NextToken();
    }
    core::Value Eval(const std::string& source)
    {
        core::HeapStatsScope scope(heap);
        Start(source);
        core::Value v;
        ParseExpression(v);
        return v;
    }
    // Display form, with the kind for non-strings so "1" and 1 differ.
    std::string Show(const std::string& source)
    {
        core::Value v = Eval(source);
        std::string shown = core::ValueToText(v);
        return v.is(core::ValueKind::String) ? "'" + shown + "'" : shown;
    }
    // Defines a global variable holding the value of an expression.
    void Set(const std::string& name, const std::string& expr)
    {
        core::Value v = Eval(expr);
        core::SymtbEntry* e = symbols.FindOrAddSymbol(0, nullptr, name, true);
        e->kind = core::SymbolKind::Variable;
        VariableCell(*e).value = v;
    }
};

} // namespace palavrino::testing
