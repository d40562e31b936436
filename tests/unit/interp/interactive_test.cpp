// Interactive mode through the driver, over the in-memory console: the keys
// that end a typed line (F5, F9, Ctrl+F9, Up, Escape), the history, the
// quiet flag and the exit question.
#include "commands/standard.h"
#include "interp/driver.h"
#include "interp/runtime.h"
#include "tests/support/memory_host_io.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace palavrino::interp;
using palavrino::testing::MemoryHostIo;

namespace {

constexpr int F5 = 63;
constexpr int F9 = 67;
constexpr int UP = 72;
constexpr int CTRL_F9 = 102;

HostIo::LineRead Typed(std::string text)
{
    return HostIo::LineRead { std::move(text), KEY_ENTER, 0 };
}
HostIo::LineRead Extended(std::string text, int code)
{
    return HostIo::LineRead { std::move(text), 0, code };
}
HostIo::LineRead Escape()
{
    return HostIo::LineRead { {}, KEY_ESCAPE, 0 };
}

struct Session {
    MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    Session() { io.input_lines.push_back(""); } // the empty answer to the prompt
    int Run() { return RunProgram(rt, {}); }
    bool Said(const std::string& text) const
    {
        return std::find(io.spoken.begin(), io.spoken.end(), text) != io.spoken.end();
    }
    int Times(const std::string& text) const
    {
        return static_cast<int>(std::count(io.spoken.begin(), io.spoken.end(), text));
    }
};

} // namespace

TEST(InteractiveMode, F5RecordsAndTheLineIsOfferedAgain)
{
    Session s;
    s.io.edits = { Extended("ESCREVE 1", F5), Typed("ESCREVE 1"), Extended("", F5) };
    EXPECT_EQ(s.Run(), 0);
    EXPECT_EQ(s.io.recording_toggles, 2);
    ASSERT_GE(s.io.offered.size(), 3u);
    EXPECT_EQ(s.io.offered[1], "ESCREVE 1");
    EXPECT_EQ(s.io.offered[2], ""); // a fresh line after one has run
    EXPECT_EQ(s.io.recorded, (std::vector<std::string> { "ESCREVE 1" }));
    EXPECT_TRUE(s.Said("1"));
    // The input ran out: no question, and "Fim do script" after a line.
    EXPECT_FALSE(s.Said("Deseja realmente encerrar o Palavrino? "));
    EXPECT_TRUE(s.Said("Fim do script"));
}

TEST(InteractiveMode, TheExitQuestionTakesOnlyS)
{
    {
        // Leaving before any line has run says nothing more.
        Session s;
        s.io.edits = { Escape(), Escape() };
        s.io.keys = { 'n', 's' };
        EXPECT_EQ(s.Run(), 0);
        EXPECT_EQ(s.Times("Deseja realmente encerrar o Palavrino? "), 2);
        EXPECT_TRUE(s.Said("n"));
        EXPECT_FALSE(s.Said("Fim do script"));
        EXPECT_TRUE(s.io.offered.size() == 2u && s.io.offered[1].empty());
    }
    {
        // An extended key answers no.
        Session s;
        s.io.edits = { Typed("x = 1"), Escape(), Escape() };
        s.io.keys = { 0, 72, 'S' };
        EXPECT_EQ(s.Run(), 0);
        EXPECT_EQ(s.Times("Deseja realmente encerrar o Palavrino? "), 2);
        EXPECT_TRUE(s.Said("Fim do script"));
    }
}

TEST(InteractiveMode, EditBufferRunAndReported)
{
    Session s;
    s.io.edited_texts = { { "ESCREVE 5", "CHAMA nada" }, { "ESCREVE 6" }, { "  ", "" } };
    s.io.edits = { Extended("", F9), Extended("", CTRL_F9), Extended("", F9), Extended("", CTRL_F9), Escape(),
        Extended("", F9), Escape() };
    s.io.keys = { 'N', 'S' };
    EXPECT_EQ(s.Run(), 0);
    EXPECT_TRUE(s.Said("5"));
    EXPECT_TRUE(s.Said("Erro na linha 2"));
    EXPECT_TRUE(s.Said("CHAMA nada"));
    EXPECT_TRUE(s.Said("6"));
    EXPECT_TRUE(s.Said("Ok"));
    EXPECT_TRUE(s.Said("Voc\xEA editou um script de 1 linhas."));
    // A buffer left blank holds nothing: the last question comes alone.
    EXPECT_EQ(s.Times("Voc\xEA editou um script de 1 linhas."), 1);
    EXPECT_EQ(s.Times("Deseja realmente encerrar o Palavrino? "), 2);
    // Running the buffer frees its slot again.
    for (int32_t slot = 1; slot < MAX_SLOTS; ++slot)
        EXPECT_TRUE(s.rt.SlotAt(slot).free) << slot;
}

TEST(InteractiveMode, HistoryNewestFirstWithoutRepeats)
{
    Session s;
    s.io.edits = { Typed("a = 1"), Typed(""), Typed("b = 2"), Typed("a = 1"), Extended("", UP),
        Typed("b = 2"), Extended("", UP), Typed("c = 3") };
    s.io.list_choices = { 2, 0 };
    EXPECT_EQ(s.Run(), 0);
    ASSERT_EQ(s.io.lists_shown.size(), 2u);
    // The empty line is not kept; "a = 1" typed again moved to the end.
    EXPECT_EQ(s.io.lists_shown[0], (std::vector<std::string> { "a = 1", "b = 2" }));
    EXPECT_EQ(s.io.lists_shown[1], (std::vector<std::string> { "b = 2", "a = 1" }));
    ASSERT_GE(s.io.offered.size(), 8u);
    EXPECT_EQ(s.io.offered[5], "b = 2"); // the chosen line, to be edited
    EXPECT_EQ(s.io.offered[7], ""); // nothing chosen: the line as it was
    EXPECT_EQ(s.Times("Editore e aperte enter"), 1);
}

TEST(InteractiveMode, TerminaLeavesQuietlyAndAFailedLineSaysErro)
{
    Session s;
    s.io.edits = { Typed("CHAMA nada"), Typed("ESCREVE 1"), Typed("TERMINA"), Typed("ESCREVE 2") };
    EXPECT_EQ(s.Run(), 0);
    EXPECT_EQ(s.Times("Erro"), 1);
    EXPECT_TRUE(s.Said("1"));
    EXPECT_FALSE(s.Said("2"));
    EXPECT_FALSE(s.Said("Fim do script"));
    EXPECT_EQ(s.io.edits.size(), 1u);
}

TEST(ScriptPrompt, EscapeEndsTheProgramAndANameRunsTheScript)
{
    {
        MemoryHostIo io;
        Runtime rt { io, palavrino::commands::StandardCommands() };
        EXPECT_EQ(RunProgram(rt, {}), 0); // no input: Escape
        EXPECT_EQ(std::count(io.spoken.begin(), io.spoken.end(), "Modo interativo"), 0);
        EXPECT_NE(io.written.find("Palavrino - v6.3 (b)"), std::string::npos);
    }
    {
        MemoryHostIo io;
        Runtime rt { io, palavrino::commands::StandardCommands() };
        io.input_lines.push_back("  /nada/que/exista.pro  ");
        EXPECT_EQ(RunProgram(rt, {}), static_cast<int>(Outcome::Unreadable));
        // The answer is trimmed, written and spoken.
        EXPECT_NE(std::find(io.spoken.begin(), io.spoken.end(), "/nada/que/exista.pro"), io.spoken.end());
    }
}
