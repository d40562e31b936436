// ESPERA, EXECUTA and CMD run through an interpreter: the command-line
// split, programs waited for, left running and not found, and the waits
// ending on the break request; CMD's depth, and ACIONA's key names.
#include "commands/desktop/cmd_desktop.h"
#include "commands/standard.h"
#include "interp/runtime.h"
#include "platform/interrupt.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>

using palavrino::fakes::TempDir;
using palavrino::interp::Runtime;
using palavrino::interp::SplitCommandLine;
using Words = std::vector<std::string>;

namespace {

struct Session {
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    TempDir dir;

    Session() { io.config["TALIRA/TEMPOESPERAPROGVOLTAR"] = "0"; }
    std::string P(const std::string& name) const { return (dir.Path() / name).string(); }
    bool Run(const std::string& line) { return rt.RunInteractiveLine(line); }
    std::string Failure(const std::string& line)
    {
        io.written.clear();
        return Run(line) ? "" : io.written;
    }
    // Waits (without a time limit: ctest's ends a hang) for a file to appear.
    std::string AwaitFile(const std::string& name) const
    {
        while (!std::filesystem::exists(P(name)) || TempDir::Read(dir.Path() / name).empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return TempDir::Read(dir.Path() / name);
    }
};

} // namespace

TEST(SplitCommandLine, ProgramAndWords)
{
    EXPECT_EQ(SplitCommandLine("gedit"), (Words { "gedit" }));
    EXPECT_EQ(SplitCommandLine("gedit  a.txt b"), (Words { "gedit", "a.txt", "b" }));
    // A quoted program may hold blanks; the text after the quote is its parameters.
    EXPECT_EQ(SplitCommandLine("\"/opt/meu prog/x\"-v  \"dois nomes\" c"),
        (Words { "/opt/meu prog/x", "-v", "dois nomes", "c" }));
    EXPECT_EQ(SplitCommandLine("\" prog \""), (Words { "prog" }));
    // An unclosed quote takes the rest of the line.
    EXPECT_EQ(SplitCommandLine("\"a b"), (Words { "a b" }));
    EXPECT_EQ(SplitCommandLine("echo \"\" x"), (Words { "echo", "", "x" }));
}

TEST(Executa, WaitsForTheProgramAndPassesItsWords)
{
    Session s;
    s.dir.Write("w.sh", "printf '%s|' \"$@\" > " + s.P("saida.txt") + "\n");
    // Accented words reach the program as UTF-8; double quotes group words.
    ASSERT_TRUE(s.Run("EXECUTA \"sh " + s.P("w.sh") + " a\xE7\xE3o \" + CHR(34) + \"dois  nomes\" + CHR(34)"))
        << s.io.written;
    EXPECT_EQ(TempDir::Read(s.dir.Path() / "saida.txt"), "a\xC3\xA7\xC3\xA3o|dois  nomes|");
}

TEST(Executa, AmpersandLeavesTheProgramRunning)
{
    Session s;
    // The program stays alive until the test kills it: EXECUTA must not wait.
    s.dir.Write("p.sh", "echo $$ > " + s.P("pid") + "; exec sleep 600\n");
    ASSERT_TRUE(s.Run("EXECUTA \"sh " + s.P("p.sh") + "\" &")) << s.io.written;
    const int pid = std::stoi(s.AwaitFile("pid"));
    EXPECT_EQ(::kill(pid, 0), 0);
    ::kill(pid, SIGKILL);
}

TEST(Executa, BadCommandLinesAreReported)
{
    Session s;
    EXPECT_EQ(s.Failure("EXECUTA \"\""), "Esperava um comando\n");
    EXPECT_EQ(s.Failure("EXECUTA 5"), "Esperava um comando\n");
    EXPECT_EQ(s.Failure("EXECUTA \"programa-que-nao-existe-xyz a b\""),
        "N\xE3o pude executar o programa programa-que-nao-existe-xyz\n");
    EXPECT_EQ(s.Failure("EXECUTA \"programa-que-nao-existe-xyz\" &"),
        "N\xE3o pude executar o programa programa-que-nao-existe-xyz\n");
}

TEST(Executa, BreakRequestEndsTheWait)
{
    Session s;
    palavrino::platform::RequestInterrupt();
    // Without the break request this would wait ten minutes.
    s.dir.Write("p.sh", "echo $$ > " + s.P("pid") + "; exec sleep 600\n");
    EXPECT_TRUE(s.Run("EXECUTA \"sh " + s.P("p.sh") + "\""));
    EXPECT_TRUE(palavrino::platform::TakeInterruptRequest());
    ::kill(std::stoi(s.AwaitFile("pid")), SIGKILL);
}

TEST(Espera, FormsAndMistakes)
{
    Session s;
    EXPECT_TRUE(s.Run("ESPERA 2"));
    EXPECT_TRUE(s.Run("ESPERA 70000 MS"));
    EXPECT_EQ(s.Failure("ESPERA 0"), "Esperava o n\xFAmero de segundos\n");
    EXPECT_EQ(s.Failure("ESPERA \"x\""), "Esperava o n\xFAmero de segundos\n");
    EXPECT_EQ(s.Failure("ESPERA"), "Esperava o n\xFAmero de segundos\n");
    EXPECT_EQ(s.Failure("ESPERA 1 \"\""), "Esperava o nome da janela\n");
}

TEST(Espera, BreakRequestEndsTheWait)
{
    Session s;
    palavrino::platform::RequestInterrupt();
    EXPECT_TRUE(s.Run("ESPERA 3600"));
    EXPECT_TRUE(s.Run("ESPERA 60000 MS"));
    EXPECT_TRUE(palavrino::platform::TakeInterruptRequest());
}

TEST(Cmd, RunsTheTextAsALine)
{
    Session s;
    s.io.written.clear();
    EXPECT_TRUE(s.Run("CMD \"ESCREVE 6 * 7\""));
    EXPECT_EQ(s.io.written, "42\n");
    // The line holding CMD is itself line 0 here: it runs whole and stays usable.
    EXPECT_TRUE(s.Run("CMD \"CMD \" + CHR(34) + \"ESCREVE 1\" + CHR(34)")) << s.io.written;
    EXPECT_EQ(s.Failure("CMD \"\""), "Esperava uma cadeia contendo o comando a executar\n");
    EXPECT_NE(s.Failure("CMD \"ESCREVE 1\" 2"), "");
}

TEST(Cmd, EachRuntimeCountsItsOwnDepth)
{
    // A string that runs itself stops at the depth limit, in one runtime
    // and then in another: the count is not shared nor left behind.
    for (int round = 0; round < 2; ++round) {
        Session s;
        s.io.written.clear();
        EXPECT_FALSE(s.Run("c = \"CMD c\"\nCMD c") && s.Run("CMD c"));
        EXPECT_NE(s.io.written.find("Comandos CMD encadeados em excesso"), std::string::npos) << s.io.written;
        EXPECT_EQ(s.rt.cmd_depth, 0);
        s.io.written.clear();
        EXPECT_TRUE(s.Run("CMD \"ESCREVE 5\""));
        EXPECT_EQ(s.io.written, "5\n");
    }
}

TEST(AcionaKeyNames, PrefixesInOrderThenATableNameACodeOrACharacter)
{
    using palavrino::interp::KeyChord;
    using palavrino::interp::ParseKeyName;
    struct Case {
        const char* text;
        bool valid;
        uint8_t vk;
        bool ctrl, shift, alt;
        char32_t character;
    };
    const Case cases[] = {
        { "ctrl+shift+f5", true, 116, true, true, false, 0 },
        { "CTRL+SHIFT+ALT+DEL", true, 46, true, true, true, 0 },
        { "Alt+PageDn", true, 34, false, false, true, 0 },
        { "prior", true, 33, false, false, false, 0 },
        { "F12", true, 123, false, false, false, 0 },
        { "F13", false, 0, false, false, false, 0 },
        { "#65", true, 65, false, false, false, 0 },
        { "ctrl+#13", true, 13, true, false, false, 0 },
        { "#", false, 0, false, false, false, 0 },
        { "#0", false, 0, false, false, false, 0 },
        { "#256", false, 0, false, false, false, 0 },
        { "ctrl+a", true, 'A', true, false, false, 0 },
        { "ctrl+7", true, '7', true, false, false, 0 },
        { "ctrl+.", true, 0, true, false, false, U'.' },
        { "alt+\xE7", true, 0, false, false, true, U'\u00C7' },
        { "shift+ctrl+f5", false, 0, false, false, false, 0 },
        { "ctrl+", false, 0, false, false, false, 0 },
        { "ctrl+ctrl+a", false, 0, false, false, false, 0 },
        { "snapshot", true, 44, false, false, false, 0 },
        { "ENTRA", false, 0, false, false, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<KeyChord> chord = ParseKeyName(c.text);
        ASSERT_EQ(chord.has_value(), c.valid);
        if (!chord)
            continue;
        EXPECT_EQ(chord->vk, c.vk);
        EXPECT_EQ(chord->ctrl, c.ctrl);
        EXPECT_EQ(chord->shift, c.shift);
        EXPECT_EQ(chord->alt, c.alt);
        EXPECT_EQ(chord->character, c.character);
    }
}
