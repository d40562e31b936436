// MSAA and SENSOR through an interpreter, against doubles of the desktop
// monitor and of the parallel port (a simulated 8 x 4 switch matrix); the
// event ring, the role table and the description rules; the ppdev back
// end without a port.
#include "commands/access/access_state.h"
#include "commands/access/role_table.h"
#include "commands/access/sensor_scan.h"
#include "commands/standard.h"
#include "interp/runtime.h"
#include "platform/event_ring.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <deque>
#include <gtest/gtest.h>
#include <set>

using palavrino::commands::AccessState;
using palavrino::commands::RoleForBusRole;
using palavrino::interp::Runtime;
using palavrino::platform::A11yObjectInfo;
using palavrino::platform::A11yStatus;
using palavrino::platform::ParallelStatus;

namespace {

// ---- Doubles ----

struct FakeDesktop {
    std::deque<std::pair<A11yStatus, A11yObjectInfo>> events;
    A11yStatus bus { A11yStatus::Ok };
    A11yObjectInfo at_point;
    int listens { 0 };
    int stops { 0 };
};

class FakeMonitor final : public palavrino::platform::A11yMonitor {
public:
    explicit FakeMonitor(FakeDesktop& d)
        : m_d(d)
    {
    }
    A11yStatus Listen(const palavrino::platform::A11yCancel&) override
    {
        ++m_d.listens;
        return m_d.bus;
    }
    A11yStatus StopListening(const palavrino::platform::A11yCancel&) override
    {
        ++m_d.stops;
        return A11yStatus::Ok;
    }
    A11yStatus TakeOldest(A11yObjectInfo& info, const palavrino::platform::A11yCancel&) override
    {
        if (m_d.events.empty())
            return A11yStatus::Empty;
        auto [status, object] = m_d.events.front();
        m_d.events.pop_front();
        info = object;
        return status;
    }
    A11yStatus ObjectAt(
        int32_t, int32_t, A11yObjectInfo& info, const palavrino::platform::A11yCancel&) override
    {
        if (m_d.bus != A11yStatus::Ok)
            return m_d.bus;
        info = m_d.at_point;
        return A11yStatus::Ok;
    }

private:
    FakeDesktop& m_d;
};

// Sensors wired between data line 7 - r (row r, selected when low) and
// status line 7 - c (column c): a closed switch flips its column's line
// while its row is selected.
struct WiredMatrix final : palavrino::platform::ParallelPort {
    std::set<int> on; // sensor numbers 1..32
    std::uint8_t data { 0xFF };
    std::uint8_t idle_status { 0x78 };
    int fail_after { -1 }; // register accesses before the port fails
    int accesses { 0 };

    ParallelStatus Count()
    {
        if (fail_after >= 0 && accesses++ >= fail_after)
            return ParallelStatus::Failed;
        return ParallelStatus::Ok;
    }
    ParallelStatus WriteData(std::uint8_t b) override
    {
        data = b;
        return Count();
    }
    ParallelStatus WriteControl(std::uint8_t) override { return Count(); }
    ParallelStatus ReadStatus(std::uint8_t& b) override
    {
        unsigned flipped = 0;
        for (int n : on) {
            const int row = (n - 1) / 4;
            const int column = (n - 1) % 4;
            if (!(data & (1u << (7 - row))))
                flipped |= 1u << (7 - column);
        }
        b = static_cast<std::uint8_t>(idle_status ^ flipped);
        return Count();
    }
};

struct Session {
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    FakeDesktop desktop;
    WiredMatrix* matrix { nullptr };
    ParallelStatus open_status { ParallelStatus::Ok };
    std::set<int> wired_on;
    int opens { 0 };

    Session()
    {
        AccessState& s = rt.family_states.Get<AccessState>();
        s.open_monitor = [this] { return std::make_unique<FakeMonitor>(desktop); };
        s.open_port = [this](const std::string&, std::unique_ptr<palavrino::platform::ParallelPort>& port) {
            ++opens;
            if (open_status != ParallelStatus::Ok)
                return open_status;
            auto m = std::make_unique<WiredMatrix>();
            m->on = wired_on;
            matrix = m.get();
            port = std::move(m);
            return ParallelStatus::Ok;
        };
    }
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
    std::string Failure(const std::string& line)
    {
        io.written.clear();
        return Run(line) ? "" : io.written;
    }
};

A11yObjectInfo Object(std::string name, std::string role, bool enabled = true, bool checked = false,
    std::string value = "", int32_t l = 0, int32_t t = 0, int32_t w = 0, int32_t h = 0)
{
    A11yObjectInfo o;
    o.name = std::move(name);
    o.role = std::move(role);
    o.enabled = enabled;
    o.checked = checked;
    o.value = std::move(value);
    o.left = l;
    o.top = t;
    o.width = w;
    o.height = h;
    return o;
}

// Counts live copies, so a ring that forgets or frees twice shows.
struct Tracked {
    int id;
    std::shared_ptr<int> live;
    Tracked(int i, std::shared_ptr<int> l)
        : id(i)
        , live(std::move(l))
    {
        ++*live;
    }
    Tracked(Tracked&& o) noexcept
        : id(o.id)
        , live(o.live)
    {
        ++*live;
    }
    Tracked(const Tracked&) = delete;
    ~Tracked() { --*live; }
};

} // namespace

// ---- The event ring ----

TEST(EventRing, GivesEventsOldestFirstAndThenNothing)
{
    palavrino::platform::EventRing<int> ring;
    EXPECT_FALSE(ring.Take());
    for (int i = 1; i <= 3; ++i)
        ring.Push(i);
    EXPECT_EQ(*ring.Take(), 1);
    ring.Push(4);
    EXPECT_EQ(*ring.Take(), 2);
    EXPECT_EQ(*ring.Take(), 3);
    EXPECT_EQ(*ring.Take(), 4);
    EXPECT_FALSE(ring.Take());
}

TEST(EventRing, FullRingDropsTheOldestAndKeepsTheLatestHundred)
{
    palavrino::platform::EventRing<int> ring;
    for (int i = 1; i <= 100; ++i)
        ring.Push(i);
    EXPECT_EQ(ring.Size(), 100u);
    EXPECT_EQ(ring.Dropped(), 0u);
    for (int i = 101; i <= 250; ++i)
        ring.Push(i);
    EXPECT_EQ(ring.Size(), 100u);
    EXPECT_EQ(ring.Dropped(), 150u);
    for (int i = 151; i <= 250; ++i)
        EXPECT_EQ(*ring.Take(), i);
    EXPECT_TRUE(ring.Empty());
}

TEST(EventRing, EveryEntryIsReleasedExactlyOnce)
{
    auto live = std::make_shared<int>(0);
    {
        palavrino::platform::EventRing<Tracked> ring;
        for (int i = 0; i < 130; ++i)
            ring.Push(Tracked(i, live));
        EXPECT_EQ(*live, 100); // the 30 dropped are gone already
        {
            std::optional<Tracked> t = ring.Take();
            EXPECT_EQ(t->id, 30);
            EXPECT_EQ(*live, 100);
        }
        EXPECT_EQ(*live, 99);
        ring.Clear();
        EXPECT_EQ(*live, 0);
        ring.Push(Tracked(7, live));
    }
    EXPECT_EQ(*live, 0);
}

// ---- Roles ----

TEST(RoleTable, EveryMappedRoleGivesItsNumberAndName)
{
    struct Case {
        const char* bus;
        int32_t code;
        const char* text;
    };
    const Case cases[] = {
        { "title bar", 1, "barra de t\xEDtulo" },
        { "menu bar", 2, "barra de menus" },
        { "scroll bar", 3, "barra de rolagem" },
        { "alert", 8, "alerta" },
        { "notification", 8, "alerta" },
        { "window", 9, "janela" },
        { "frame", 9, "janela" },
        { "internal frame", 9, "janela" },
        { "desktop frame", 9, "janela" },
        { "popup menu", 11, "menu suspenso" },
        { "menu", 12, "item de menu" },
        { "menu item", 12, "item de menu" },
        { "check menu item", 12, "item de menu" },
        { "radio menu item", 12, "item de menu" },
        { "tearoff menu item", 12, "item de menu" },
        { "tool tip", 13, "dica" },
        { "application", 14, "aplicativo" },
        { "document frame", 15, "documento" },
        { "document text", 15, "documento" },
        { "document web", 15, "documento" },
        { "document spreadsheet", 15, "documento" },
        { "document presentation", 15, "documento" },
        { "document email", 15, "documento" },
        { "panel", 16, "painel" },
        { "scroll pane", 16, "painel" },
        { "split pane", 16, "painel" },
        { "viewport", 16, "painel" },
        { "layered pane", 16, "painel" },
        { "root pane", 16, "painel" },
        { "glass pane", 16, "painel" },
        { "option pane", 16, "painel" },
        { "chart", 17,
            "gr\xE1"
            "fico" },
        { "dialog", 18, "caixa de di\xE1logo" },
        { "file chooser", 18, "caixa de di\xE1logo" },
        { "color chooser", 18, "caixa de di\xE1logo" },
        { "font chooser", 18, "caixa de di\xE1logo" },
        { "filler", 20, "agrupamento" },
        { "grouping", 20, "agrupamento" },
        { "section", 20, "agrupamento" },
        { "form", 20, "agrupamento" },
        { "separator", 21, "separador" },
        { "tool bar", 22, "barra de ferramentas" },
        { "editbar", 22, "barra de ferramentas" },
        { "status bar", 23, "barra de status" },
        { "table", 24, "tabela" },
        { "column header", 25,
            "cabe\xE7"
            "alho de coluna" },
        { "table column header", 25,
            "cabe\xE7"
            "alho de coluna" },
        { "row header", 26,
            "cabe\xE7"
            "alho de linha" },
        { "table row header", 26,
            "cabe\xE7"
            "alho de linha" },
        { "table row", 28, "linha" },
        { "table cell", 29, "c\xE9lula" },
        { "link", 30, "link" },
        { "list", 33, "lista" },
        { "list box", 33, "lista" },
        { "list item", 34, "item de lista" },
        { "tree", 35, "\xE1rvore" },
        { "tree table", 35, "\xE1rvore" },
        { "tree item", 36, "item de \xE1rvore" },
        { "page tab", 37, "guia" },
        { "image", 40, "imagem" },
        { "icon", 40, "imagem" },
        { "desktop icon", 40, "imagem" },
        { "canvas", 40, "imagem" },
        { "drawing area", 40, "imagem" },
        { "label", 41, "texto" },
        { "static", 41, "texto" },
        { "heading", 41, "texto" },
        { "caption", 41, "texto" },
        { "paragraph", 41, "texto" },
        { "accelerator label", 41, "texto" },
        { "text", 42, "texto edit\xE1vel" },
        { "entry", 42, "texto edit\xE1vel" },
        { "password text", 42, "texto edit\xE1vel" },
        { "terminal", 42, "texto edit\xE1vel" },
        { "push button", 43, "bot\xE3o" },
        { "toggle button", 43, "bot\xE3o" },
        { "check box", 44, "caixa de sele\xE7\xE3o" },
        { "radio button", 45, "bot\xE3o de op\xE7\xE3o" },
        { "combo box", 46, "caixa de combina\xE7\xE3o" },
        { "progress bar", 48, "barra de progresso" },
        { "level bar", 48, "barra de progresso" },
        { "dial", 49, "mostrador" },
        { "slider", 51, "controle deslizante" },
        { "spin button", 52, "bot\xE3o de rota\xE7\xE3o" },
        { "animation", 54, "anima\xE7\xE3o" },
        { "push button menu", 57, "bot\xE3o de menu" },
        { "page tab list", 60, "lista de guias" },
    };
    EXPECT_EQ(std::size(cases), palavrino::commands::RoleTable().size())
        << "a row of the table is not tested";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bus);
        const auto role = RoleForBusRole(c.bus);
        EXPECT_EQ(role.code, c.code);
        EXPECT_EQ(role.text, c.text);
    }
}

TEST(RoleTable, UnlistedRolesAreClientAreasAndMissingRolesAreZero)
{
    EXPECT_EQ(RoleForBusRole("ruler").code, 10);
    EXPECT_EQ(RoleForBusRole("ruler").text, "cliente");
    for (const char* none : { "", "invalid", "unknown" }) {
        EXPECT_EQ(RoleForBusRole(none).code, 0) << none;
        EXPECT_EQ(RoleForBusRole(none).text, "") << none;
    }
}

// ---- Descriptions ----

TEST(DescribeObject, StateTextFollowsUnavailableThenChecked)
{
    using palavrino::commands::DescribeObject;
    EXPECT_EQ(DescribeObject(Object("a", "check box", false, true)).state, "indispon\xEDvel");
    EXPECT_EQ(DescribeObject(Object("a", "check box", false, false)).state, "indispon\xEDvel");
    EXPECT_EQ(DescribeObject(Object("a", "check box", true, true)).state, "marcado");
    EXPECT_EQ(DescribeObject(Object("a", "check box", true, false)).state, "");
}

TEST(DescribeObject, WithoutARoleOnlyNameAndAreaAreKept)
{
    const auto d = palavrino::commands::DescribeObject(Object("Sem papel", "", false, true, "v", 1, 2, 3, 4));
    EXPECT_EQ(d.name, "Sem papel");
    EXPECT_EQ(d.role_code, 0);
    EXPECT_EQ(d.role_text, "");
    EXPECT_EQ(d.state, "");
    EXPECT_EQ(d.value, "");
    EXPECT_EQ(d.left + d.top + d.width + d.height, 10);
}

TEST(DescribeObject, TextsArriveInTheProgramsCodePage)
{
    const auto d = palavrino::commands::DescribeObject(
        Object("A\xC3\xA7\xC3\xA3o", "entry", true, false, "ol\xC3\xA1 \xE2\x82\xAC"));
    EXPECT_EQ(d.name, "A\xE7\xE3o");
    EXPECT_EQ(d.value, "ol\xE1 \x80");
}

// ---- MSAA through the interpreter ----

TEST(Msaa, OptionErrorsAreToldWithTheWord)
{
    Session s;
    EXPECT_NE(s.Failure("MSAA").find("Esperava um modificador"), std::string::npos);
    EXPECT_NE(s.Failure("MSAA OLHA").find("Modificador inv\xE1lido: \"OLHA\" para o comando MSAA"),
        std::string::npos);
    EXPECT_NE(s.Failure("MSAA CAPTURA 10").find("Esperava as coordenadas x e y"), std::string::npos);
    EXPECT_NE(s.Failure("MSAA CAPTURA \"a\" 3").find("Esperava as coordenadas x e y"), std::string::npos);
    EXPECT_NE(s.Failure("MSAA CHECA").find("Esperava uma vari\xE1vel"), std::string::npos);
    EXPECT_NE(s.Failure("MSAA AREA a b c").find("Esperava quatro vari\xE1veis"), std::string::npos);
}

TEST(Msaa, ChecaGivesZeroBeforeMonitoringAndWhenTheRingIsEmpty)
{
    Session s;
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    EXPECT_EQ(s.Show("ok"), "0");
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    EXPECT_EQ(s.Show("ok"), "0");
    EXPECT_EQ(s.desktop.listens, 1);
}

TEST(Msaa, ChecaDescribesEachEventInTurn)
{
    Session s;
    s.desktop.events.push_back(
        { A11yStatus::Ok, Object("Confirmar", "push button", true, false, "", 40, 30, 80, 20) });
    s.desktop.events.push_back({ A11yStatus::Ok, Object("Lembrar", "check box", true, true) });
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    ASSERT_TRUE(s.Run("MSAA NOME n"));
    ASSERT_TRUE(s.Run("MSAA CODIGO c"));
    ASSERT_TRUE(s.Run("MSAA TIPO t"));
    ASSERT_TRUE(s.Run("MSAA ESTADO e"));
    ASSERT_TRUE(s.Run("MSAA AREA x y w h"));
    EXPECT_EQ(s.Show("ok, n, c, t, e"), "1 Confirmar 43 bot\xE3o ");
    EXPECT_EQ(s.Show("x, y, w, h"), "40 30 80 20");
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    ASSERT_TRUE(s.Run("MSAA NOME n"));
    ASSERT_TRUE(s.Run("MSAA ESTADO e"));
    EXPECT_EQ(s.Show("ok, n, e"), "1 Lembrar marcado");
}

TEST(Msaa, AnEmptyRingKeepsTheDescriptionAndAGoneObjectClearsIt)
{
    Session s;
    s.desktop.events.push_back({ A11yStatus::Ok, Object("Campo", "entry", true, false, "abc") });
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    ASSERT_TRUE(s.Run("MSAA VALOR v"));
    EXPECT_EQ(s.Show("ok, v"), "0 abc");
    s.desktop.events.push_back({ A11yStatus::NoObject, {} });
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    ASSERT_TRUE(s.Run("MSAA VALOR v"));
    ASSERT_TRUE(s.Run("MSAA CODIGO c"));
    EXPECT_EQ(s.Show("ok, v, c"), "0  0");
}

TEST(Msaa, CapturaDescribesTheObjectAtThePoint)
{
    Session s;
    s.desktop.at_point = Object("Sair", "menu item", false, false, "", 5, 6, 7, 8);
    ASSERT_TRUE(s.Run("MSAA CAPTURA 10 20"));
    ASSERT_TRUE(s.Run("MSAA NOME n"));
    ASSERT_TRUE(s.Run("MSAA TIPO t"));
    ASSERT_TRUE(s.Run("MSAA ESTADO e"));
    EXPECT_EQ(s.Show("n, t, e"), "Sair item de menu indispon\xEDvel");
}

TEST(Msaa, WithoutABusTheUserIsToldOnceAndNothingIsFound)
{
    Session s;
    s.desktop.bus = A11yStatus::NoBus;
    s.desktop.at_point = Object("nunca", "push button");
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    const std::string told = "O barramento de acessibilidade n\xE3o est\xE1 dispon\xEDvel";
    EXPECT_NE(s.io.written.find(told), std::string::npos);
    ASSERT_EQ(s.io.spoken.size(), 1u);
    EXPECT_NE(s.io.spoken[0].find(told), std::string::npos);
    s.io.written.clear();
    ASSERT_TRUE(s.Run("MSAA CAPTURA 10 10"));
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    ASSERT_TRUE(s.Run("MSAA CHECA ok"));
    ASSERT_TRUE(s.Run("MSAA NOME n"));
    ASSERT_TRUE(s.Run("MSAA CODIGO c"));
    ASSERT_TRUE(s.Run("MSAA FIM"));
    EXPECT_EQ(s.io.written, "");
    EXPECT_EQ(s.Show("ok, n, c"), "0  0");
}

TEST(Msaa, AnInterruptedWaitForTheDesktopEndsTheRun)
{
    Session s;
    s.desktop.bus = A11yStatus::Interrupted;
    EXPECT_THROW(s.Run("MSAA MONITORA"), palavrino::core::InterruptAbort);
    s.rt.RecoverFromAbort();
    s.desktop.bus = A11yStatus::Ok;
    ASSERT_TRUE(s.Run("MSAA MONITORA"));
    EXPECT_EQ(s.io.written.find("barramento"), std::string::npos);
}

// ---- SENSOR ----

TEST(Sensor, ScanFindsTheFirstSensorOnAgainstTheBaseline)
{
    struct Case {
        std::set<int> on;
        int32_t first;
    };
    const Case cases[] = { { {}, 0 }, { { 5, 9 }, 5 }, { { 9, 5 }, 5 }, { { 1 }, 1 }, { { 4 }, 4 },
        { { 32 }, 32 }, { { 29, 30 }, 29 }, { { 17 }, 17 } };
    for (const Case& c : cases) {
        WiredMatrix m;
        std::uint8_t baseline = 0;
        ASSERT_EQ(palavrino::commands::ReadSensorBaseline(
                      m, [] {}, baseline),
            ParallelStatus::Ok);
        m.on = c.on;
        palavrino::commands::SensorStates states {};
        ASSERT_EQ(palavrino::commands::ScanSensors(
                      m, baseline, [] {}, states),
            ParallelStatus::Ok);
        EXPECT_EQ(palavrino::commands::FirstSensorOn(states), c.first) << "first expected " << c.first;
        for (int n = 1; n <= 32; ++n)
            EXPECT_EQ(states[static_cast<size_t>(n - 1)], c.on.count(n) == 1) << "sensor " << n;
    }
}

TEST(Sensor, CommandReadsTheMatrixAndRetriesAPortThatWasMissing)
{
    Session s;
    s.open_status = ParallelStatus::NoPermission;
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.Show("x"), "0");
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.opens, 2);
    s.open_status = ParallelStatus::Ok;
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.Show("x"), "0");
    s.matrix->on = { 9, 5 };
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.Show("x"), "5");
    s.matrix->on.clear();
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.Show("x"), "0");
    EXPECT_EQ(s.opens, 3);
    EXPECT_EQ(s.io.beeps, 1);
}

TEST(Sensor, TheFirstFailureIsToldOnceWithItsCause)
{
    Session s;
    s.io.config["SENSOR/PORTA"] = "/dev/parport7";
    s.open_status = ParallelStatus::NoPermission;
    ASSERT_TRUE(s.Run("SENSOR x"));
    const std::string told
        = "Porta paralela \"/dev/parport7\" n\xE3o dispon\xEDvel: sem permiss\xE3o de acesso\n";
    EXPECT_EQ(s.io.written, told);
    EXPECT_EQ(s.io.beeps, 1);
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.io.written, told);
    // A port that fails in the middle of a scan gives no sensor, and is
    // opened afresh next time.
    s.open_status = ParallelStatus::Ok;
    ASSERT_TRUE(s.Run("SENSOR x"));
    s.matrix->on = { 3 };
    s.matrix->fail_after = 5;
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.Show("x"), "0");
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.opens, 4);
    s.matrix->on = { 3 };
    ASSERT_TRUE(s.Run("SENSOR x"));
    EXPECT_EQ(s.Show("x"), "3");
    EXPECT_EQ(s.io.beeps, 1);
    EXPECT_NE(s.Failure("SENSOR 3").find("Esperava uma vari\xE1vel"), std::string::npos);
}

TEST(PpdevPort, MissingDevicesAndOtherFilesAreNotPorts)
{
    std::unique_ptr<palavrino::platform::ParallelPort> port;
    EXPECT_EQ(
        palavrino::platform::OpenParallelPort("/dev/parport-que-nao-existe", port), ParallelStatus::NoDevice);
    EXPECT_FALSE(port);
    EXPECT_EQ(palavrino::platform::OpenParallelPort("/dev/null", port), ParallelStatus::NotAPort);
    EXPECT_FALSE(port);
    palavrino::fakes::TempDir dir;
    const std::string file = dir.Write("porta", "x").string();
    EXPECT_EQ(palavrino::platform::OpenParallelPort(file, port), ParallelStatus::NotAPort);
}

TEST(PpdevPort, SensorWithoutThePortGivesZeroAndSaysWhy)
{
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    io.config["SENSOR/PORTA"] = "/dev/parport-que-nao-existe";
    ASSERT_TRUE(rt.RunInteractiveLine("SENSOR x"));
    ASSERT_TRUE(rt.RunInteractiveLine("SENSOR x"));
    ASSERT_TRUE(rt.RunInteractiveLine("ESCREVE x"));
    EXPECT_EQ(io.written,
        "Porta paralela \"/dev/parport-que-nao-existe\" n\xE3o dispon\xEDvel: n\xE3o existe\n0\n");
}
