// The run loop and the control-flow commands, driven through scripts made
// from lists of lines: what runs, in which order, what is reported.
#include "commands/standard.h"
#include "core/machine.h"
#include "interp/runtime.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace palavrino::interp;
using palavrino::core::Value;
using palavrino::testing::MemoryHostIo;

namespace {

class ScriptRun {
public:
    MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };

    // Runs the lines as a script; returns the run's result.
    bool Script(const std::vector<std::string>& lines)
    {
        int32_t slot = rt.LoadScriptList(lines);
        if (!rt.CompileSlot(slot))
            return false;
        return rt.RunSlot(slot, 1);
    }
    std::string Global(const std::string& name)
    {
        for (int32_t s = 0; s < MAX_SLOTS; ++s) {
            palavrino::core::SymtbEntry* e = rt.symbols.FindSymbol(s, nullptr, name);
            if (e && e->kind == palavrino::core::SymbolKind::Variable)
                return palavrino::core::ValueToText(rt.VariableCell(*e).value);
        }
        return "<none>";
    }
};

} // namespace

TEST(RunLoop, LabelsAloneRunAsEmptyLinesAndLabelsBeforeCommandsRunThem)
{
    ScriptRun r;
    EXPECT_TRUE(r.Script({ "@a", "@b:", "@c: x = 4", "@d y = 5" }));
    EXPECT_EQ(r.Global("X"), "4");
    EXPECT_EQ(r.Global("Y"), "5");
}

TEST(RunLoop, TokensLeftAfterAHandlerAreReportedButDoNotFail)
{
    ScriptRun r;
    EXPECT_TRUE(r.Script({ "TERMINA MUDO extra" }));
    ASSERT_FALSE(r.io.spoken.empty());
    EXPECT_EQ(r.io.spoken.back(), "A linha deveria terminar onde aparece \"extra\"");
}

TEST(RunLoop, ErrorsHaveNoHeaderInTheInteractiveSlot)
{
    ScriptRun r;
    r.rt.RunInteractiveLine("x = 1 / 0");
    ASSERT_EQ(r.io.spoken.size(), 1u);
    EXPECT_EQ(r.io.spoken[0], "Divis\xE3o por ZERO evitada");
}

TEST(RunLoop, BlockCommandsAreRefusedInInteractiveMode)
{
    ScriptRun r;
    EXPECT_FALSE(r.rt.RunInteractiveLine("ENQUANTO 1"));
    EXPECT_EQ(r.io.spoken.back(), "O comando \"ENQUANTO\" n\xE3o \xE9 v\xE1lido no modo interativo");
    // SE takes its one-line form there.
    EXPECT_TRUE(r.rt.RunInteractiveLine("SE 1 ENTAO z = 9"));
    EXPECT_EQ(r.Global("Z"), "9");
}

TEST(RunLoop, TheInterruptStopsAnEndlessLoopWithItsLine)
{
    ScriptRun r;
    r.io.interrupts = 1;
    int32_t slot = r.rt.LoadScriptList({ "ENQUANTO 1", "FIM ENQUANTO" });
    ASSERT_TRUE(r.rt.CompileSlot(slot));
    try {
        r.rt.RunSlot(slot, 1);
        FAIL() << "no interrupt";
    } catch (const palavrino::core::InterruptAbort& e) {
        EXPECT_STREQ(e.what(), "Execu\xE7\xE3o interrompida na linha 1");
    }
}

// Lines that only compute are polled every so many; a break still stops a
// busy loop within a few passes, and one that came during the last of them
// is seen before the run ends. Lines that call, write or fail are polled at
// once.
TEST(RunLoop, TheInterruptStopsCompiledLoopsAndTheirLastLine)
{
    {
        ScriptRun r;
        r.io.interrupt_at_poll = 40;
        int32_t slot = r.rt.LoadScriptList({ "n = 0", "ENQUANTO n >= 0", "  SOMA n 1", "FIM ENQUANTO" });
        ASSERT_TRUE(r.rt.CompileSlot(slot));
        EXPECT_THROW(r.rt.RunSlot(slot, 1), palavrino::core::InterruptAbort);
        EXPECT_EQ(r.io.polls, 40);
        EXPECT_LT(std::stoi(r.Global("N")), 40 * 16);
    }
    {
        // The run's last poll comes after its last line, quiet as it is.
        const std::vector<std::string> lines = { "n = 0", "REPETE i 1000", "  SOMA n 1", "FIM REPETE" };
        ScriptRun whole;
        EXPECT_TRUE(whole.Script(lines));
        ScriptRun r;
        r.io.interrupt_at_poll = whole.io.polls;
        EXPECT_THROW(r.Script(lines), palavrino::core::InterruptAbort);
        EXPECT_EQ(r.Global("N"), "1000");
    }
    {
        ScriptRun r;
        r.io.interrupt_at_poll = 30;
        int32_t slot = r.rt.LoadScriptList({ "REPETE i 100", "  ESCREVE MUDO i", "FIM REPETE" });
        ASSERT_TRUE(r.rt.CompileSlot(slot));
        EXPECT_THROW(r.rt.RunSlot(slot, 1), palavrino::core::InterruptAbort);
        // Each ESCREVE is polled after: the break comes within its pass.
        const auto lines = std::count(r.io.written.begin(), r.io.written.end(), '\n');
        EXPECT_GE(lines, 20);
        EXPECT_LE(lines, 29);
    }
}

TEST(RunLoop, TracingWritesAndSpeaksEachLine)
{
    ScriptRun r;
    EXPECT_TRUE(r.Script({ "DEBUG", "x = 1", "DEBUG N" }));
    std::vector<std::string> expected
        = { "Depura\xE7\xE3o ligada", "x = 1", "DEBUG N", "Depura\xE7\xE3o desligada" };
    EXPECT_EQ(r.io.spoken, expected);
}

TEST(ControlFlow, TerminaInsideAFunctionEndsTheWholeScript)
{
    ScriptRun r;
    int32_t slot = r.rt.LoadScriptList({ "FUNCAO F()", "  TERMINA", "FIM FUNCAO", "x = F()", "y = 1" });
    ASSERT_TRUE(r.rt.CompileSlot(slot));
    EXPECT_THROW(r.rt.RunSlot(slot, 1), palavrino::core::TerminateAbort);
    r.rt.RecoverFromAbort();
    EXPECT_EQ(r.Global("Y"), "<none>");
    EXPECT_EQ(r.rt.stack_top, 0);
}

TEST(ControlFlow, RetornaInTheMainScriptEndsItSilently)
{
    ScriptRun r;
    EXPECT_TRUE(r.Script({ "x = 1", "RETORNA", "x = 2" }));
    EXPECT_EQ(r.Global("X"), "1");
    EXPECT_TRUE(r.rt.Slot().mute);
}

TEST(ControlFlow, DesviaIntoAFunctionFromOutsideIsOutOfScope)
{
    ScriptRun r;
    EXPECT_FALSE(r.Script({ "FUNCAO F()", "@dentro", "FIM FUNCAO", "DESVIA @dentro" }));
    EXPECT_EQ(r.io.spoken.back(), "R\xF3tulo @DENTRO n\xE3o foi definido ou n\xE3o tem o escopo correto");
}

TEST(ControlFlow, ChamaAndRetornaComeBackAfterTheCall)
{
    ScriptRun r;
    EXPECT_TRUE(r.Script({ "CHAMA @s", "x = x + 1", "TERMINA MUDO", "@s: x = 10", "RETORNA" }));
    EXPECT_EQ(r.Global("X"), "11");
    EXPECT_EQ(r.rt.stack_top, 0);
}

TEST(ControlFlow, ChamaUntilTheExecutionStackIsFull)
{
    ScriptRun r;
    // Every CHAMA leaves a return record; the 2049th does not fit.
    EXPECT_FALSE(r.Script({ "@a: CHAMA @a" }));
    EXPECT_EQ(r.io.spoken.back(), "Estouro na pilha de execu\xE7\xE3o");
    EXPECT_EQ(r.rt.stack_top, palavrino::core::EXEC_STACK_SIZE);
}

TEST(ControlFlow, RepeteAndParaLeaveTheirVariablesAsSpecified)
{
    ScriptRun r;
    EXPECT_TRUE(r.Script({ "REPETE r 0", "FIM REPETE", "REPETE q 3", "  SE q = 2 ENTAO QUEBRA", "FIM REPETE",
        "PARA p EM [1, 2]", "  SE p = 2 ENTAO QUEBRA", "FIM PARA", "REPETE c 2", "  CONTINUA",
        "FIM REPETE" }));
    EXPECT_EQ(r.Global("R"), "1");
    EXPECT_EQ(r.Global("Q"), "2");
    EXPECT_EQ(r.Global("P"), "indefinido");
    EXPECT_EQ(r.Global("C"), "2");
}

TEST(ControlFlow, AssigningToTheIteratorIsRefused)
{
    ScriptRun r;
    EXPECT_FALSE(r.Script({ "PARA i EM [1, 2]", "  i = 3", "FIM PARA" }));
    EXPECT_EQ(r.io.spoken.back(), "Tentativa de modificar o iterador I");
}

TEST(ControlFlow, LoopLimitsMustBeIntegers)
{
    struct Case {
        std::vector<std::string> lines;
        const char* message;
    };
    const Case cases[] = {
        { { "REPETE r 'x'", "FIM REPETE" }, "Limite superior para o comando REPETE deve ser inteiro" },
        { { "PARA i DE 'a' ATE 2", "FIM PARA" },
            "Limites para a vari\xE1vel de controle devem ser INTEIROS" },
        { { "PARA i[1] EM [1]", "FIM PARA" },
            "Um iterador deve ser uma v\xE1ri\xE1vel simples, sem \xEDndices" },
        { { "FUNCAO F(a", "FIM FUNCAO", "x = F(1)", "TERMINA MUDO" },
            "J\xE1 que abriu, favor fechar o par\xEAnteses" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ScriptRun r;
        r.Script(c.lines);
        ASSERT_FALSE(r.io.spoken.empty());
        EXPECT_NE(std::find(r.io.spoken.begin(), r.io.spoken.end(), c.message), r.io.spoken.end());
    }
    ScriptRun r;
    EXPECT_TRUE(
        r.Script({ "PARA i EM 5", "  x = i", "FIM PARA", "PARA j EM INDEFINIDO()", "FIM PARA", "y = 1" }));
    EXPECT_EQ(r.Global("X"), "5");
    EXPECT_EQ(r.Global("Y"), "1");
    EXPECT_NE(std::find(r.io.spoken.begin(), r.io.spoken.end(), "Dom\xEDnio inv\xE1lido para um iterador"),
        r.io.spoken.end());
}

TEST(ControlFlow, LocalsAreReleasedWhenTheCallReturns)
{
    ScriptRun r;
    EXPECT_TRUE(r.Script({ "FUNCAO F(n) : a = [1, 2, 3]", "  LOCAL b = {\"k\": a}", "  RETORNA n + |a|",
        "FIM FUNCAO", "PARA i DE 1 ATE 50", "  x = F(i)", "FIM PARA" }));
    EXPECT_EQ(r.Global("X"), "53");
    EXPECT_EQ(r.rt.stack_top, 0);
    EXPECT_EQ(r.rt.heap.dict_nodes, 0);
}

// An expression cut short by the nesting limit has no value, whatever kind
// of nesting it was: the variable keeps its value and the command fails, as
// with too many parentheses.
TEST(Nesting, AnExpressionCutShortAssignsNothingAndFails)
{
    const int depth = palavrino::core::MAX_EXPR_NESTING + 1;
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const std::string cases[] = {
        repeat("(", depth) + "1" + repeat(")", depth),
        repeat("[", depth) + "1" + repeat("]", depth),
        repeat("{0: ", depth) + "1" + repeat("}", depth),
        repeat("NAO(", depth) + "1" + repeat(")", depth),
        repeat("-", depth) + "1",
        "[1, " + repeat("[", depth) + "] + 1",
    };
    for (const std::string& expr : cases) {
        SCOPED_TRACE(expr.substr(0, 12));
        ScriptRun r;
        ASSERT_TRUE(r.rt.RunInteractiveLine("x = 7"));
        EXPECT_FALSE(r.rt.RunInteractiveLine("x = " + expr));
        EXPECT_EQ(r.Global("X"), "7");
        ASSERT_FALSE(r.io.spoken.empty());
        EXPECT_EQ(r.io.spoken.front(), "Express\xE3o aninhada demais");
    }
    // A selector of the target cut short names no element at all.
    ScriptRun r;
    ASSERT_TRUE(r.rt.RunInteractiveLine("y = [1, 2]"));
    EXPECT_FALSE(r.rt.RunInteractiveLine("y[" + repeat("(", depth) + "0" + repeat(")", depth) + "] = 5"));
    EXPECT_EQ(r.Global("Y"), "[1, 2]");
}

// Script files are read whole in growing pieces: sizes on and around the
// first piece's edge, and files many pieces long, must all arrive intact.
TEST(RunLoop, ScriptFilesOfEverySizeAreReadWhole)
{
    for (const std::size_t size : { 20u, 4095u, 4096u, 4097u, 8192u, 8193u, 100000u }) {
        SCOPED_TRACE(size);
        const std::string first = "x = 0\n";
        const std::string line = "x = x + 1\n";
        const std::string last = "ultimo = 7\n";
        std::string text = first;
        int lines = 0;
        while (text.size() + line.size() + last.size() <= size) {
            text += line;
            ++lines;
        }
        text.append(size - text.size() - last.size(), ' '); // leading blanks of the last line
        text += last;
        ASSERT_EQ(text.size(), size);
        palavrino::fakes::TempDir dir;
        const std::string path = dir.Write("tamanho.pro", text).string();
        ScriptRun r;
        const int32_t slot = r.rt.LoadScriptFile(path);
        ASSERT_GT(slot, 0);
        EXPECT_EQ(r.rt.LoadScriptFile(path), slot); // the same file, the same slot
        ASSERT_TRUE(r.rt.CompileSlot(slot));
        ASSERT_TRUE(r.rt.RunSlot(slot, 1));
        EXPECT_EQ(r.Global("X"), std::to_string(lines));
        EXPECT_EQ(r.Global("ULTIMO"), "7");
    }
}
