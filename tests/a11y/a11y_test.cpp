// MSAA against a real accessibility stack: a GTK 3 program on a private
// X server and session bus moves its focus when told; the script side
// records the events, describes each object, finds the button under its
// centre, and stops recording at FIM. Without any bus the user is told
// once. Each test runs in a process of its own (the bus connection is
// made once per process).
#include "commands/standard.h"
#include "interp/runtime.h"
#include "tests/a11y/a11y_stack.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <utility>

using palavrino::interp::Runtime;
using palavrino::testing::AccessibleDesktop;
using palavrino::testing::FocusApp;

namespace {

constexpr auto PATIENCE = std::chrono::seconds(60);

struct Described {
    std::string name;
    std::string code;
    std::string role;
    std::string state;
    std::string value;
    std::string area;
};

struct Script {
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };

    bool Run(const std::string& line) { return rt.RunInteractiveLine(line); }
    std::string Show(const std::string& expr)
    {
        io.written.clear();
        EXPECT_TRUE(Run("ESCREVE " + expr));
        std::string out = io.written;
        if (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }
    Described Current()
    {
        Described d;
        EXPECT_TRUE(Run("MSAA NOME n"));
        EXPECT_TRUE(Run("MSAA CODIGO c"));
        EXPECT_TRUE(Run("MSAA TIPO t"));
        EXPECT_TRUE(Run("MSAA ESTADO e"));
        EXPECT_TRUE(Run("MSAA VALOR v"));
        EXPECT_TRUE(Run("MSAA AREA x y w h"));
        d.name = Show("n");
        d.code = Show("c");
        d.role = Show("t");
        d.state = Show("e");
        d.value = Show("v");
        d.area = Show("x, y, w, h");
        return d;
    }
    // Takes events until one satisfies `wanted`; every one taken is kept.
    bool TakeUntil(const std::function<bool(const Described&)>& wanted, std::vector<Described>& seen)
    {
        const auto until = std::chrono::steady_clock::now() + PATIENCE;
        while (std::chrono::steady_clock::now() < until) {
            EXPECT_TRUE(Run("MSAA CHECA ok"));
            if (Show("ok") != "1") {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            seen.push_back(Current());
            if (wanted(seen.back()))
                return true;
        }
        return false;
    }
};

// The app's "onde" answer without the widget's name: "x y w h".
std::string Area(FocusApp& app, const std::string& widget)
{
    const std::string answer = app.Ask("onde " + widget);
    return answer.rfind(widget + " ", 0) == 0 ? answer.substr(widget.size() + 1) : "";
}

std::string Centre(const std::string& area)
{
    std::istringstream in(area);
    int x = 0, y = 0, w = 0, h = 0;
    in >> x >> y >> w >> h;
    return std::to_string(x + w / 2) + " " + std::to_string(y + h / 2);
}

// The bus library connects once per process, to the bus of that moment.
bool FirstInProcess()
{
    static bool used = false;
    return !std::exchange(used, true);
}

#define ONE_PER_PROCESS()                                                                                    \
    if (!FirstInProcess())                                                                                   \
    GTEST_SKIP() << "each of these tests needs a process of its own (ctest runs them so)"

#define START_DESKTOP(desktop)                                                                               \
    ONE_PER_PROCESS();                                                                                       \
    AccessibleDesktop desktop;                                                                               \
    if (!desktop.Started())                                                                                  \
    GTEST_SKIP() << "the accessibility stack could not start: " << desktop.Reason()

} // namespace

TEST(MsaaDesktop, FocusChangesAreRecordedOnceEachAndDescribed)
{
    START_DESKTOP(desktop);
    Script s;
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    ASSERT_EQ(s.io.written, "");
    FocusApp app({ PL_FOCUS_APP });
    ASSERT_EQ(app.NextLine(), "pronto");
    std::vector<Described> seen;
    ASSERT_TRUE(s.TakeUntil([](const Described& d) { return d.name == "Confirmar"; }, seen));
    const Described button = seen.back();
    EXPECT_EQ(button.code, "43");
    EXPECT_EQ(button.role, "bot\xE3o");
    EXPECT_EQ(button.state, "");
    EXPECT_EQ(button.value, "");
    EXPECT_EQ(button.area, Area(app, "botao"));

    for (const char* widget : { "marca", "texto", "linha" })
        ASSERT_EQ(app.Ask(std::string("foco ") + widget), "ok");
    seen.clear();
    ASSERT_TRUE(s.TakeUntil([](const Described& d) { return d.code == "34"; }, seen));
    ASSERT_EQ(seen.size(), 3u) << "each focus change is heard once";
    EXPECT_EQ(seen[0].name, "Lembrar senha");
    EXPECT_EQ(seen[0].code, "44");
    EXPECT_EQ(seen[0].role, "caixa de sele\xE7\xE3o");
    EXPECT_EQ(seen[0].state, "marcado");
    EXPECT_EQ(seen[0].area, Area(app, "marca"));
    EXPECT_EQ(seen[1].code, "42");
    EXPECT_EQ(seen[1].role, "texto edit\xE1vel");
    EXPECT_EQ(seen[1].value, "Ol\xE1, mundo");
    EXPECT_EQ(seen[1].area, Area(app, "texto"));
    EXPECT_EQ(seen[2].name, "Segunda linha");
    EXPECT_EQ(seen[2].role, "item de lista");
    EXPECT_EQ(seen[2].area, Area(app, "linha"));
    ASSERT_TRUE(s.Run("MSAA FIM"));
}

TEST(MsaaDesktop, CapturaFindsTheObjectUnderAPoint)
{
    START_DESKTOP(desktop);
    Script s;
    FocusApp app({ PL_FOCUS_APP });
    ASSERT_EQ(app.NextLine(), "pronto");
    const std::string button = Area(app, "botao");
    ASSERT_FALSE(button.empty());
    ASSERT_TRUE(s.Run("MSAA CAPTURA " + Centre(button)));
    Described d = s.Current();
    EXPECT_EQ(d.name, "Confirmar");
    EXPECT_EQ(d.code, "43");
    EXPECT_EQ(d.area, button);

    const std::string off = Area(app, "desligada");
    ASSERT_TRUE(s.Run("MSAA CAPTURA " + Centre(off)));
    d = s.Current();
    EXPECT_EQ(d.name, "Desligada");
    EXPECT_EQ(d.code, "44");
    EXPECT_EQ(d.state, "indispon\xEDvel") << "unavailable wins over checked";

    // Outside every window there is no object.
    ASSERT_TRUE(s.Run("MSAA CAPTURA 1000 700"));
    d = s.Current();
    EXPECT_EQ(d.name, "");
    EXPECT_EQ(d.code, "0");
    EXPECT_EQ(s.io.written.find("barramento"), std::string::npos);
}

TEST(MsaaDesktop, FimStopsRecordingAndKeepsWhatWasRecorded)
{
    START_DESKTOP(desktop);
    Script s;
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    FocusApp app({ PL_FOCUS_APP });
    ASSERT_EQ(app.NextLine(), "pronto");
    std::vector<Described> seen;
    ASSERT_TRUE(s.TakeUntil([](const Described& d) { return d.name == "Confirmar"; }, seen));
    ASSERT_EQ(app.Ask("foco marca"), "ok");
    ASSERT_TRUE(s.TakeUntil([](const Described& d) { return d.name == "Lembrar senha"; }, seen));
    ASSERT_EQ(app.Ask("foco texto"), "ok");
    // The entry's event is recorded before FIM and stays to be taken.
    ASSERT_TRUE(s.TakeUntil([](const Described& d) { return d.code == "42"; }, seen));
    ASSERT_TRUE(s.Run("MSAA FIM"));
    ASSERT_EQ(app.Ask("foco linha"), "ok");
    ASSERT_EQ(app.Ask("foco botao"), "ok");
    // The app has answered; give its signals time to cross both buses.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(s.Run("MSAA CHECA ok"));
        EXPECT_EQ(s.Show("ok"), "0");
    }
    // Listening again records again.
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    ASSERT_EQ(app.Ask("foco marca"), "ok");
    seen.clear();
    ASSERT_TRUE(s.TakeUntil([](const Described& d) { return d.name == "Lembrar senha"; }, seen));
    EXPECT_EQ(seen.size(), 1u);
}

TEST(MsaaNoBus, TheUserIsToldOnceAndNothingElseBreaks)
{
    ONE_PER_PROCESS();
    char dir_template[] = "/tmp/pl-nobus-XXXXXX";
    ASSERT_TRUE(::mkdtemp(dir_template));
    ::setenv("XDG_RUNTIME_DIR", dir_template, 1);
    for (const char* name :
        { "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY" })
        ::unsetenv(name);
    Script s;
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    const std::string told
        = "O barramento de acessibilidade n\xE3o est\xE1 dispon\xEDvel: o comando MSAA precisa de "
          "uma sess\xE3o gr\xE1"
          "fica com a acessibilidade ligada\n";
    EXPECT_EQ(s.io.written, told);
    ASSERT_EQ(s.io.spoken.size(), 1u);
    s.io.written.clear();
    ASSERT_TRUE(s.Run("MSAA CAPTURA 10 10"));
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    ASSERT_TRUE(s.Run("MSAA FIM"));
    EXPECT_EQ(s.io.written, "");
    EXPECT_EQ(s.Show("ok"), "0");
    const Described d = s.Current();
    EXPECT_EQ(d.name + d.code + d.role + d.state + d.value, "0");
    ::rmdir(dir_template);
}

// The focus announcer of examples/, run by the program itself: each
// control the user tabs to is spoken with its name, role and state.
TEST(MsaaDesktop, TheFocusAnnouncerSpeaksEachControl)
{
    START_DESKTOP(desktop);
    palavrino::fakes::TempDir dir;
    const std::filesystem::path log = dir.Path() / "fala.log";
    dir.Write("talira/Talira.ini", "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=" + log.string() + "\n");
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    FocusApp app({ PL_FOCUS_APP });
    ASSERT_EQ(app.NextLine(), "pronto");
    FocusApp announcer({ PL_PALAVRINO, PL_SOURCE_DIR "/examples/anunciador_foco.pro" });
    ASSERT_TRUE(announcer.Running());
    const auto spoken = [&](const std::string& line) {
        const auto until = std::chrono::steady_clock::now() + PATIENCE;
        while (std::chrono::steady_clock::now() < until) {
            if (palavrino::fakes::TempDir::Read(log).find(line) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    ASSERT_TRUE(spoken("Anunciador de foco ligado"));
    // The script starts listening just after its first line, at a moment
    // the test cannot see: the focus goes back and forth until both
    // controls have been announced.
    const std::string check_box = "Lembrar senha caixa de sele\xC3\xA7\xC3\xA3o marcado";
    const std::string button = "Confirmar bot\xC3\xA3o";
    const auto until = std::chrono::steady_clock::now() + PATIENCE;
    bool both = false;
    while (!both && std::chrono::steady_clock::now() < until) {
        ASSERT_EQ(app.Ask("foco marca"), "ok");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(app.Ask("foco botao"), "ok");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const std::string said = palavrino::fakes::TempDir::Read(log);
        both = said.find(check_box) != std::string::npos && said.find(button) != std::string::npos;
    }
    EXPECT_TRUE(both) << palavrino::fakes::TempDir::Read(log);
    ASSERT_TRUE(announcer.Send("x"));
    EXPECT_EQ(announcer.Finish(), 0);
    EXPECT_TRUE(spoken("Anunciador de foco desligado"));
}
