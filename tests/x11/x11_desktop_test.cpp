// The window commands on a real X desktop (Xvfb and openbox started here):
// CAPTURA TITULO/ATIVA, ESPERA for a title that comes late, never comes or
// is interrupted, JANELA's patterns and state changes read back from the
// window properties, and every command without a display.
#include "commands/desktop/cmd_desktop.h"
#include "commands/standard.h"
#include "interp/runtime.h"
#include "platform/interrupt.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"
#include "tests/x11/x11_session.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using palavrino::fakes::TempDir;
using palavrino::interp::Runtime;
using palavrino::testing::X11Desktop;

namespace {

X11Desktop* g_desktop = nullptr;

class DesktopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_desktop = new X11Desktop(); }
    static void TearDownTestSuite()
    {
        delete g_desktop;
        g_desktop = nullptr;
    }
    void SetUp() override
    {
        if (!g_desktop->Started())
            GTEST_SKIP() << g_desktop->Reason();
        ::setenv("DISPLAY", g_desktop->Display().c_str(), 1);
    }

    bool Run(const std::string& line) { return rt.RunInteractiveLine(line); }
    std::string Written(const std::string& line)
    {
        io.written.clear();
        Run(line);
        return io.written;
    }
    int32_t Status() { return rt.SlotAt(0).io_status; }
    std::string Log(const std::string& name) { return dir.Path() / name; }
    bool LogHas(const std::string& name, const std::string& text)
    {
        return TempDir::Read(dir.Path() / name).find(text) != std::string::npos;
    }
    static bool HasState(const std::string& title, const std::string& state)
    {
        const std::vector<std::string> states = g_desktop->WindowState(title);
        return std::find(states.begin(), states.end(), state) != states.end();
    }
    template <typename F> static void Until(F done)
    {
        while (!done())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    TempDir dir;
};

} // namespace

TEST_F(DesktopTest, CapturaReadsTheActiveTitle)
{
    g_desktop->OpenWindow("Editor de a\xC3\xA7\xC3\xA3o", Log("a.log"));
    g_desktop->AwaitActive("Editor de a\xC3\xA7\xC3\xA3o");
    EXPECT_EQ(Written("CAPTURA TITULO t"), "");
    EXPECT_EQ(Written("ESCREVE t"), "Editor de a\xE7\xE3o\n");
    EXPECT_EQ(Written("CAPTURA ATIVA t"), "");
    EXPECT_EQ(Written("ESCREVE t"), "Editor de a\xE7\xE3o\n");
    EXPECT_TRUE(Run("CAPTURA CAMPO t"));
    EXPECT_EQ(Written("ESCREVE TAMANHO(t)"), "0\n");
    EXPECT_EQ(Written("CAPTURA JANELA t"), "Op\xE7\xE3o inv\xE1lida para o comando CAPTURA: JANELA\n");
    EXPECT_EQ(Written("CAPTURA 5"), "Esperava uma op\xE7\xE3o para o comando CAPTURA\n");
    Run("JANELA FECHA \"Editor de a\xE7\xE3o\"");
    Until([&] { return LogHas("a.log", "closed"); });
}

TEST_F(DesktopTest, EsperaForATitle)
{
    g_desktop->OpenWindow("Janela atrasada", Log("b.log"), 1000);
    // Capitals do not matter; the window comes after about a second.
    EXPECT_TRUE(Run("ESPERA 60 \"ATRASADA\""));
    EXPECT_EQ(Status(), 0);
    EXPECT_TRUE(Run("ESPERA 1 \"nunca aparece\""));
    EXPECT_EQ(Status(), 1);
    palavrino::platform::RequestInterrupt();
    EXPECT_TRUE(Run("ESPERA 3600 \"nunca aparece\""));
    EXPECT_EQ(Status(), 1);
    EXPECT_TRUE(palavrino::platform::TakeInterruptRequest());
    Run("JANELA FECHA \"atrasada\"");
    Until([&] { return LogHas("b.log", "closed"); });
}

TEST_F(DesktopTest, JanelaChangesTheFirstMatchingWindow)
{
    g_desktop->OpenWindow("Alfa um", Log("alfa.log"));
    g_desktop->AwaitActive("Alfa um");
    g_desktop->OpenWindow("Beta um", Log("beta.log"));
    g_desktop->AwaitActive("Beta um");

    // A star before the word: the title begins with it.
    EXPECT_TRUE(Run("JANELA MAXIMIZA \"*alfa\""));
    EXPECT_EQ(Status(), 0);
    Until([] { return HasState("Alfa um", "_NET_WM_STATE_MAXIMIZED_VERT"); });
    g_desktop->AwaitActive("Alfa um");
    EXPECT_FALSE(HasState("Beta um", "_NET_WM_STATE_MAXIMIZED_VERT"));

    EXPECT_TRUE(Run("JANELA NORMAL \"alfa UM\""));
    Until([] { return !HasState("Alfa um", "_NET_WM_STATE_MAXIMIZED_VERT"); });

    // A star after the word: the title ends with it; the top window wins.
    EXPECT_TRUE(Run("JANELA MINIMIZA \"um*\""));
    Until([] { return HasState("Alfa um", "_NET_WM_STATE_HIDDEN"); });
    EXPECT_FALSE(HasState("Beta um", "_NET_WM_STATE_HIDDEN"));
    EXPECT_TRUE(Run("JANELA NORMAL \"alfa\""));
    Until([] { return !HasState("Alfa um", "_NET_WM_STATE_HIDDEN"); });

    EXPECT_TRUE(Run("JANELA FECHA \"gama\""));
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(Written("JANELA ABRE \"alfa\""), "Op\xE7\xE3o inv\xE1lida para o comando JANELA: ABRE\n");
    EXPECT_EQ(Written("JANELA \"alfa\""), "Esperava a op\xE7\xE3o para o comando JANELA\n");
    EXPECT_EQ(Written("JANELA FECHA 3"), "Esperava uma cadeia com o t\xEDtulo da janela\n");

    EXPECT_TRUE(Run("JANELA FECHA \"beta\""));
    EXPECT_EQ(Status(), 0);
    Until([&] { return LogHas("beta.log", "closed"); });
    EXPECT_FALSE(LogHas("alfa.log", "closed"));
    Run("JANELA FECHA \"alfa\"");
    Until([&] { return LogHas("alfa.log", "closed"); });
}

TEST(DesktopWithoutDisplay, EachCommandSaysSoAndTheScriptGoesOn)
{
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    ::setenv("DISPLAY", ":999", 1); // no server answers there
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    const std::string message
        = "N\xE3o encontrei o ambiente gr\xE1"
          "fico X11: a vari\xE1vel DISPLAY n\xE3o est\xE1 definida ou o servidor n\xE3o responde\n";
    for (const char* line : { "CAPTURA TITULO t", "JANELA FECHA \"x\"", "ESPERA 5 \"x\"" }) {
        io.written.clear();
        EXPECT_TRUE(rt.RunInteractiveLine(line)) << line;
        EXPECT_EQ(io.written, message) << line;
        EXPECT_EQ(rt.SlotAt(0).io_status, 1) << line;
    }
    io.written.clear();
    EXPECT_TRUE(rt.RunInteractiveLine("ESCREVE 2"));
    EXPECT_EQ(io.written, "2\n");
    if (old)
        ::setenv("DISPLAY", saved.c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}
