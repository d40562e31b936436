// Synthetic keys and mouse on a real X desktop, checked by what the test
// client's window received: DIGITA with ASCII and accented text on a US
// layout (which lacks every accented letter) and a Brazilian ABNT2 one
// (which has ç but types ã only through a dead key), ACIONA's key names and
// prefixes, CLICA and MOUSE at window and screen coordinates.
#include "commands/desktop/cmd_desktop.h"
#include "platform/interrupt.h"
#include "tests/x11/x11_fixture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <thread>

using palavrino::testing::DesktopTest;
using palavrino::testing::PollUntil;

namespace {

// A sentence with every accent Portuguese uses, in Windows-1252, and the
// same in UTF-8 as the client receives it.
const std::string SENTENCE = "Ol\xE1, a\xE7\xE3o! P\xEAssego, av\xF3, \xE0 m\xE3o; CORA\xC7\xC3O p\xF5"
                             "e \xFC \xC0 1+2=3 'x' @#$%";
const std::string SENTENCE_UTF8
    = "Ol\xC3\xA1, a\xC3\xA7\xC3\xA3o! P\xC3\xAAssego, av\xC3\xB3, \xC3\xA0 m\xC3\xA3o; "
      "CORA\xC3\x87\xC3\x83O p\xC3\xB5"
      "e \xC3\xBC \xC3\x80 1+2=3 'x' @#$%";

// The keyboard map's symbols of every key, to see that typing put it back.
std::vector<KeySym> KeyboardMap(const std::string& display)
{
    std::vector<KeySym> map;
    Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return map;
    int min = 0;
    int max = 0;
    int per = 0;
    XDisplayKeycodes(d, &min, &max);
    KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(min), max - min + 1, &per);
    if (syms) {
        map.assign(syms, syms + (max - min + 1) * per);
        XFree(syms);
    }
    XCloseDisplay(d);
    return map;
}

int FrameTop(const std::string& display, const std::string& title)
{
    std::vector<palavrino::platform::DesktopWindow> windows;
    if (palavrino::platform::ListWindows(windows) != palavrino::platform::DesktopStatus::Ok)
        return 0;
    Display* d = XOpenDisplay(display.c_str());
    int top = 0;
    for (const auto& w : windows) {
        if (w.title != title)
            continue;
        Atom type = None;
        int format = 0;
        unsigned long n = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, static_cast<Window>(w.id), XInternAtom(d, "_NET_FRAME_EXTENTS", False), 0, 4,
            False, XA_CARDINAL, &type, &format, &n, &after, &data);
        if (data && n == 4)
            top = static_cast<int>(reinterpret_cast<const long*>(data)[2]);
        if (data)
            XFree(data);
    }
    XCloseDisplay(d);
    return top;
}

} // namespace

TEST_F(DesktopTest, DigitaTypesAccentedTextExactlyOnAUsLayout)
{
    ASSERT_TRUE(Desktop()->SetLayout("us"));
    const std::vector<KeySym> before = KeyboardMap(Desktop()->Display());
    ASSERT_TRUE(OpenFocused("Bloco US", "us.log"));
    EXPECT_TRUE(Run("DIGITA \"" + SENTENCE.substr(0, 20) + "\", \"" + SENTENCE.substr(20) + "\""))
        << io.written;
    EXPECT_TRUE(AwaitLog("us.log", "key Return"));
    EXPECT_EQ(Typed("us.log"), SENTENCE_UTF8 + "\r");
    // With "&" no Enter follows.
    EXPECT_TRUE(Run("DIGITA \"\xE7\" &"));
    EXPECT_TRUE(PollUntil([&] { return Typed("us.log") == SENTENCE_UTF8 + "\r\xC3\xA7"; }));
    EXPECT_EQ(KeyboardMap(Desktop()->Display()), before) << "the spare keys were not put back";
    EXPECT_EQ(Written("DIGITA 5"), "");
    EXPECT_TRUE(PollUntil([&] {
        return Typed("us.log")
            == SENTENCE_UTF8
            + "\r\xC3\xA7"
              "5\r";
    }));
    Close("Bloco US", "us.log");
}

TEST_F(DesktopTest, DigitaTypesAccentedTextExactlyOnABrazilianLayout)
{
    ASSERT_TRUE(Desktop()->SetLayout("br", "abnt2"));
    const std::vector<KeySym> before = KeyboardMap(Desktop()->Display());
    ASSERT_TRUE(OpenFocused("Bloco BR", "br.log"));
    EXPECT_TRUE(Run("DIGITA \"" + SENTENCE + "\"")) << io.written;
    EXPECT_TRUE(AwaitLog("br.log", "key Return"));
    EXPECT_EQ(Typed("br.log"), SENTENCE_UTF8 + "\r");
    // ç has its own key on this layout: no spare key is needed for it.
    EXPECT_TRUE(LogHas("br.log", "key ccedilla 0 \xC3\xA7\n"));
    EXPECT_EQ(KeyboardMap(Desktop()->Display()), before);
    Close("Bloco BR", "br.log");
    ASSERT_TRUE(Desktop()->SetLayout("us"));
}

TEST_F(DesktopTest, AcionaPressesNamedKeysWithTheirPrefixes)
{
    ASSERT_TRUE(Desktop()->SetLayout("us"));
    ASSERT_TRUE(OpenFocused("Teclas", "k.log"));
    // State bits: Shift 1, Ctrl 4, Alt 8.
    EXPECT_TRUE(Run("ACIONA \"ctrl+shift+f5\""));
    EXPECT_TRUE(AwaitLog("k.log", "key F5 5 \n"));
    EXPECT_TRUE(Run("ACIONA \"#65\""));
    EXPECT_TRUE(AwaitLog("k.log", "key a 0 a\n"));
    EXPECT_TRUE(Run("ACIONA \"X\""));
    EXPECT_TRUE(AwaitLog("k.log", "key x 0 x\n"));
    // A one-character text presses the key that carries it, unshifted.
    EXPECT_TRUE(Run("ACIONA \"!\""));
    EXPECT_TRUE(AwaitLog("k.log", "key 1 0 1\n"));
    EXPECT_TRUE(Run("ACIONA \"\xE3\""));
    EXPECT_TRUE(AwaitLog("k.log", "key atilde 0 \xC3\xA3\n"));
    EXPECT_TRUE(Run("ACIONA \"alt+Home\""));
    EXPECT_TRUE(AwaitLog("k.log", "key Home 8 \n"));
    EXPECT_TRUE(Run("ACIONA \"SHIFT+PAGEDN\""));
    EXPECT_TRUE(AwaitLog("k.log", "key Next 1 \n"));
    EXPECT_TRUE(Run("ACIONA \"Ctrl+.\""));
    EXPECT_TRUE(AwaitLog("k.log", "key period 4 "));
    EXPECT_TRUE(Run("ACIONA \"escape\""));
    EXPECT_TRUE(AwaitLog("k.log", "key Escape 0 "));

    // The prefixes come in one order only; unknown names are told.
    EXPECT_EQ(Written("ACIONA \"shift+ctrl+f5\""), "Nome de tecla inv\xE1lido: shift+ctrl+f5\n");
    EXPECT_EQ(Written("ACIONA \"#x\""), "Nome de tecla inv\xE1lido: #x\n");
    EXPECT_EQ(Written("ACIONA \"#256\""), "Nome de tecla inv\xE1lido: #256\n");
    EXPECT_EQ(Written("ACIONA \"CTRL+\""), "Nome de tecla inv\xE1lido: CTRL+\n");
    EXPECT_EQ(Written("ACIONA \"ENTRA\""), "Nome de tecla inv\xE1lido: ENTRA\n");
    EXPECT_EQ(Written("ACIONA \"\""), "Esperava o nome de uma tecla\n");
    EXPECT_EQ(Written("ACIONA 5"), "Esperava o nome de uma tecla\n");
    EXPECT_FALSE(LogHas("k.log", "ENTRA"));
    Close("Teclas", "k.log");
}

TEST_F(DesktopTest, ClicaAndMouseAtWindowAndScreenCoordinates)
{
    ASSERT_TRUE(OpenFocused("Cliques", "c.log"));
    int cx = 0;
    int cy = 0;
    ASSERT_TRUE(Desktop()->ClientOrigin("Cliques", cx, cy));
    const int top = FrameTop(Desktop()->Display(), "Cliques");
    // Window coordinates start at the client's left edge and 4 pixels
    // below the frame's top.
    const int ox = cx;
    const int oy = cy - top + 4;
    auto button = [&](int b, int x, int y) {
        return "button " + std::to_string(b) + " " + std::to_string(x) + " " + std::to_string(y) + "\n";
    };

    EXPECT_TRUE(Run("CLICA TELA " + std::to_string(cx + 50) + ", " + std::to_string(cy + 60)));
    EXPECT_TRUE(AwaitLog("c.log", button(1, cx + 50, cy + 60)));
    EXPECT_TRUE(Run("CLICA DIREITA 30 " + std::to_string(top + 40)));
    EXPECT_TRUE(AwaitLog("c.log", button(3, ox + 30, oy + top + 40)));
    EXPECT_TRUE(Run("CLICA DUPLO TELA " + std::to_string(cx + 7) + ", " + std::to_string(cy + 8)));
    EXPECT_TRUE(PollUntil([&] {
        const std::string log = LogText("c.log");
        const std::string b = button(1, cx + 7, cy + 8);
        const size_t first = log.find(b);
        return first != std::string::npos && log.find(b, first + 1) != std::string::npos;
    }));

    // NULO only moves; MOUSE CAPTURA reads the point back, in either frame.
    EXPECT_TRUE(Run("CLICA NULO TELA 111, 122"));
    EXPECT_TRUE(Run("MOUSE CAPTURA TELA x y"));
    EXPECT_EQ(Written("ESCREVE x, y"), "111 122\n");
    EXPECT_TRUE(Run("RATO CAPTURA x y"));
    EXPECT_EQ(Written("ESCREVE x, y"), std::to_string(111 - ox) + " " + std::to_string(122 - oy) + "\n");
    EXPECT_TRUE(Run("MOUSE 5 6"));
    EXPECT_TRUE(Run("MOUSE x y"));
    EXPECT_TRUE(Run("MOUSE CAPTURA TELA a b"));
    EXPECT_EQ(Written("ESCREVE a, b"), "111 122\n");

    EXPECT_TRUE(Run("MOUSE CLICA DIREITA TELA " + std::to_string(cx + 20) + " " + std::to_string(cy + 21)));
    EXPECT_TRUE(AwaitLog("c.log", button(3, cx + 20, cy + 21)));
    EXPECT_TRUE(Run("RATO CLICA 40 " + std::to_string(top + 50)));
    EXPECT_TRUE(AwaitLog("c.log", button(1, ox + 40, oy + top + 50)));

    EXPECT_EQ(Written("CLICA \"x\", 2"),
        "Esperava express\xF5"
        "es num\xE9ricas para as coordenadas X e Y\n");
    EXPECT_EQ(Written("CLICA 2"),
        "Esperava express\xF5"
        "es num\xE9ricas para as coordenadas X e Y\n");
    EXPECT_EQ(Written("MOUSE 1"), "Esperava um valor inteiro\n");
    EXPECT_EQ(Written("MOUSE CAPTURA 1 2"), "Esperava uma vari\xE1vel\n");
    Close("Cliques", "c.log");
}

TEST_F(DesktopTest, TypingStopsAtTheBreakRequest)
{
    ASSERT_TRUE(OpenFocused("Longo", "l.log"));
    // Three thousand characters would take five minutes to type: Ctrl+C
    // comes once the first has arrived.
    std::thread user([&] {
        static_cast<void>(AwaitLog("l.log", "key b"));
        palavrino::platform::RequestInterrupt();
    });
    EXPECT_TRUE(Run("DIGITA \"" + std::string(3000, 'b') + "\""));
    user.join();
    EXPECT_TRUE(palavrino::platform::TakeInterruptRequest());
    const std::string typed = Typed("l.log");
    EXPECT_FALSE(typed.empty());
    EXPECT_LT(typed.size(), 3000u);
    EXPECT_FALSE(LogHas("l.log", "key Return"));
    Close("Longo", "l.log");
}
