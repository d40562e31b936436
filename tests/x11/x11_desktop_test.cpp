// The window commands on a real X desktop (Xvfb and openbox started here):
// CAPTURA TITULO/ATIVA, ESPERA for a title that comes late, never comes or
// is interrupted, JANELA's patterns and state changes read back from the
// window properties, CAPTURA CAMPO over the accessibility bus, and every
// command without a display.
#include "commands/standard.h"
#include "platform/desktop_x11.h"
#include "platform/interrupt.h"
#include "tests/x11/x11_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

using palavrino::testing::DesktopTest;
using palavrino::testing::PollUntil;

namespace {

bool HasState(palavrino::testing::X11Desktop& desktop, const std::string& title, const std::string& state)
{
    const std::vector<std::string> states = desktop.WindowState(title);
    return std::find(states.begin(), states.end(), state) != states.end();
}

} // namespace

TEST_F(DesktopTest, CapturaReadsTheActiveTitle)
{
    ASSERT_TRUE(OpenFocused("Editor de a\xC3\xA7\xC3\xA3o", "a.log"));
    EXPECT_EQ(Written("CAPTURA TITULO t"), "");
    EXPECT_EQ(Written("ESCREVE t"), "Editor de a\xE7\xE3o\n");
    EXPECT_EQ(Written("CAPTURA ATIVA t"), "");
    EXPECT_EQ(Written("ESCREVE t"), "Editor de a\xE7\xE3o\n");
    EXPECT_TRUE(Run("CAPTURA CAMPO t"));
    EXPECT_EQ(Written("ESCREVE TAMANHO(t)"), "0\n");
    EXPECT_EQ(Written("CAPTURA JANELA t"), "Op\xE7\xE3o inv\xE1lida para o comando CAPTURA: JANELA\n");
    EXPECT_EQ(Written("CAPTURA 5"), "Esperava uma op\xE7\xE3o para o comando CAPTURA\n");
    Close("Editor de a\xE7\xE3o", "a.log");
}

TEST_F(DesktopTest, CapturaCampoReadsTheFocusedFieldOverTheAccessibilityBus)
{
    std::string bus;
    if (!Desktop()->StartSessionBus(bus))
        GTEST_SKIP() << "dbus-daemon could not start (install the dbus package)";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    Desktop()->RunInBackground({ PL_X11_GTK_FIELD, "Formul\xC3\xA1rio", "Ol\xC3\xA1, campo" });
    ASSERT_TRUE(Desktop()->AwaitActive("Formul\xC3\xA1rio"));
    // The field reaches the bus a little after its window shows.
    EXPECT_TRUE(PollUntil([&] {
        Run("CAPTURA CAMPO t");
        return Written("ESCREVE t") == "Ol\xE1, campo\n";
    })) << io.written;
    Run("JANELA FECHA \"Formul\xE1rio\"");
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

TEST_F(DesktopTest, ExecutaWaitsForTheUserToComeBack)
{
    ASSERT_TRUE(OpenFocused("Console", "console.log"));
    io.config["TALIRA/TEMPOESPERAPROGVOLTAR"] = "0";
    // The program hands its window to a process of its own and ends at
    // once; the script goes on when the focus is back on its window.
    std::atomic<bool> closing { false };
    std::thread user([&] {
        EXPECT_TRUE(Desktop()->AwaitActive("Entregue"));
        closing = true;
        EXPECT_TRUE(AwaitLog("entregue.log", "ready"));
        std::vector<palavrino::platform::DesktopWindow> windows;
        ASSERT_EQ(palavrino::platform::ListWindows(windows), palavrino::platform::DesktopStatus::Ok);
        for (const auto& w : windows) {
            if (w.title == "Entregue") {
                EXPECT_EQ(
                    palavrino::platform::ApplyWindowAction(w.id, palavrino::platform::WindowAction::Close),
                    palavrino::platform::DesktopStatus::Ok);
            }
        }
    });
    EXPECT_TRUE(Run("EXECUTA \"sh -c \" + CHR(34) + \"" + std::string(PL_X11_CLIENT) + " Entregue "
        + Log("entregue.log") + " &\" + CHR(34)"))
        << io.written;
    // The script went on only after the user dealt with the window.
    EXPECT_TRUE(closing);
    user.join();
    EXPECT_TRUE(AwaitLog("entregue.log", "closed"));
    EXPECT_TRUE(Desktop()->AwaitActive("Console"));

    // With "&" the script does not wait; a program that does not exist is told.
    EXPECT_TRUE(Run("EXECUTA \"" + std::string(PL_X11_CLIENT) + " Solta " + Log("solta.log") + "\" &"));
    EXPECT_TRUE(Desktop()->AwaitActive("Solta"));
    Close("Solta", "solta.log");
    EXPECT_EQ(Written("EXECUTA \"programa-que-nao-existe x\""),
        "N\xE3o pude executar o programa programa-que-nao-existe\n");
    Close("Console", "console.log");
}

TEST_F(DesktopTest, EsperaForATitle)
{
    Desktop()->OpenWindow("Janela atrasada", Log("b.log"), 1000);
    // Capitals do not matter; the window comes after about a second.
    EXPECT_TRUE(Run("ESPERA 60 \"ATRASADA\""));
    EXPECT_EQ(Status(), 0);
    EXPECT_TRUE(Run("ESPERA 1 \"nunca aparece\""));
    EXPECT_EQ(Status(), 1);
    palavrino::platform::RequestInterrupt();
    EXPECT_TRUE(Run("ESPERA 3600 \"nunca aparece\""));
    EXPECT_EQ(Status(), 1);
    EXPECT_TRUE(palavrino::platform::TakeInterruptRequest());
    Close("atrasada", "b.log");
}

TEST_F(DesktopTest, JanelaChangesTheFirstMatchingWindow)
{
    ASSERT_TRUE(OpenFocused("Alfa um", "alfa.log"));
    ASSERT_TRUE(OpenFocused("Beta um", "beta.log"));
    auto has = [&](const std::string& title, const std::string& state) {
        return HasState(*Desktop(), title, state);
    };

    // A star before the word: the title begins with it.
    EXPECT_TRUE(Run("JANELA MAXIMIZA \"*alfa\""));
    EXPECT_EQ(Status(), 0);
    EXPECT_TRUE(PollUntil([&] { return has("Alfa um", "_NET_WM_STATE_MAXIMIZED_VERT"); }));
    EXPECT_TRUE(Desktop()->AwaitActive("Alfa um"));
    EXPECT_FALSE(has("Beta um", "_NET_WM_STATE_MAXIMIZED_VERT"));

    EXPECT_TRUE(Run("JANELA NORMAL \"alfa UM\""));
    EXPECT_TRUE(PollUntil([&] { return !has("Alfa um", "_NET_WM_STATE_MAXIMIZED_VERT"); }));

    // A star after the word: the title ends with it; the top window wins.
    EXPECT_TRUE(Run("JANELA MINIMIZA \"um*\""));
    EXPECT_TRUE(PollUntil([&] { return has("Alfa um", "_NET_WM_STATE_HIDDEN"); }));
    EXPECT_FALSE(has("Beta um", "_NET_WM_STATE_HIDDEN"));
    EXPECT_TRUE(Run("JANELA NORMAL \"alfa\""));
    EXPECT_TRUE(PollUntil([&] { return !has("Alfa um", "_NET_WM_STATE_HIDDEN"); }));

    EXPECT_TRUE(Run("JANELA FECHA \"gama\""));
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(Written("JANELA ABRE \"alfa\""), "Op\xE7\xE3o inv\xE1lida para o comando JANELA: ABRE\n");
    EXPECT_EQ(Written("JANELA \"alfa\""), "Esperava a op\xE7\xE3o para o comando JANELA\n");
    EXPECT_EQ(Written("JANELA FECHA 3"), "Esperava uma cadeia com o t\xEDtulo da janela\n");

    EXPECT_TRUE(Run("JANELA FECHA \"beta\""));
    EXPECT_EQ(Status(), 0);
    EXPECT_TRUE(AwaitLog("beta.log", "closed"));
    EXPECT_FALSE(LogHas("alfa.log", "closed"));
    Close("alfa", "alfa.log");
}

TEST(DesktopWithoutDisplay, EachCommandSaysSoOnceAndTheScriptGoesOn)
{
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    palavrino::testing::MemoryHostIo io;
    palavrino::interp::Runtime rt { io, palavrino::commands::StandardCommands() };
    const std::string message
        = "N\xE3o encontrei o ambiente gr\xE1"
          "fico X11: a vari\xE1vel DISPLAY n\xE3o est\xE1 definida ou o servidor n\xE3o responde\n";
    // A display no server answers, and no display at all.
    for (const char* display : { "/nonexistent/palavrino:0", "" }) {
        if (*display)
            ::setenv("DISPLAY", display, 1);
        else
            ::unsetenv("DISPLAY");
        for (const char* line :
            { "CAPTURA TITULO t", "JANELA FECHA \"x\"", "ESPERA 5 \"x\"", "DIGITA \"a\xE7\"",
                "ACIONA \"ctrl+f5\"", "ACIONA \"x\"", "CLICA 1, 2", "MOUSE TELA 3 4", "RATO CAPTURA a b" }) {
            io.written.clear();
            io.spoken.clear();
            EXPECT_TRUE(rt.RunInteractiveLine(line)) << line;
            EXPECT_EQ(io.written, message) << line;
            EXPECT_EQ(io.spoken.size(), 1u) << line;
            EXPECT_EQ(rt.SlotAt(0).io_status, 1) << line;
        }
        // Mistakes in the line are told as such, display or not.
        io.written.clear();
        EXPECT_FALSE(rt.RunInteractiveLine("CLICA \"a\", 2"));
        EXPECT_EQ(io.written,
            "Esperava express\xF5"
            "es num\xE9ricas para as coordenadas X e Y\n");
        // The program's own clipboard needs no desktop.
        io.written.clear();
        EXPECT_TRUE(rt.RunInteractiveLine("TRANSFERE DE \"c\xF3pia\""));
        EXPECT_TRUE(rt.RunInteractiveLine("TRANSFERE PARA t"));
        EXPECT_TRUE(rt.RunInteractiveLine("ESCREVE t"));
        EXPECT_EQ(io.written, "c\xF3pia\n");
    }
    if (old)
        ::setenv("DISPLAY", saved.c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}
