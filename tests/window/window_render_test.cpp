// The console window under a private Xvfb: known screens are drawn through
// the screen model and screenshots of the window, taken from the X server,
// are compared with the expected cell colours at sampled pixels (with a
// tolerance for font rasterisation). Every screenshot is also written to
// the build tree's artefacts folder for a reviewer to look at.
#include "console/bmp_image.h"
#include "console/screen_model.h"
#include "platform/interrupt.h"
#include "platform/window.h"
#include "tests/window/xvfb_screen.h"

#include <X11/keysym.h>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace palavrino::testing {
namespace {

    constexpr int CELL_W = 12;
    constexpr int CELL_H = 24;
    constexpr int TOLERANCE = 24;

    bool Near(Pixel p, platform::Rgb c)
    {
        return std::abs(p.red - c.red) <= TOLERANCE && std::abs(p.green - c.green) <= TOLERANCE
            && std::abs(p.blue - c.blue) <= TOLERANCE;
    }

    platform::Rgb Palette(int i)
    {
        return platform::CONSOLE_PALETTE[static_cast<std::size_t>(i)];
    }

    ::testing::AssertionResult Shows(const Screenshot& shot, int x, int y, platform::Rgb c)
    {
        const Pixel p = shot.At(x, y);
        if (Near(p, c))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
            << "pixel (" << x << ", " << y << ") is " << p.red << "," << p.green << "," << p.blue
            << ", expected " << int(c.red) << "," << int(c.green) << "," << int(c.blue);
    }

    // How many pixels of a rectangle are near a colour.
    int Count(const Screenshot& shot, int x0, int y0, int w, int h, platform::Rgb c)
    {
        int n = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                n += Near(shot.At(x, y), c) ? 1 : 0;
        return n;
    }

    // The middle of a cell's background: blank cells show only it.
    int MidX(int column)
    {
        return column * CELL_W + CELL_W / 2;
    }
    int MidY(int row)
    {
        return row * CELL_H + CELL_H / 2;
    }

    class Rig {
    public:
        explicit Rig(const console::ScreenSettings& settings = {})
        {
            if (!m_x.Started())
                return;
            platform::WindowOptions options;
            options.title = "palavrino-teste";
            options.choose_font = [](int, int) {
                return platform::WindowFont { "DejaVu Sans Mono", CELL_W, CELL_H, 400 };
            };
            window = platform::OpenConsoleWindow(options, m_reason);
            if (!window)
                return;
            screen = std::make_unique<console::ScreenModel>(settings);
            screen->SetListener(window.get());
            screen->ClearWindow();
        }
        // The window goes before the server it is shown on.
        ~Rig()
        {
            if (screen)
                screen->SetListener(nullptr);
            window.reset();
        }
        std::string Why() const
        {
            return m_x.Started() ? "the window cannot open: " + m_reason : m_x.Reason();
        }
        bool Ready() const { return window != nullptr; }
        const Xvfb& X() const { return m_x; }

        // A screenshot once the window shows what `settled` looks for (the
        // X server may take a moment after the window has drawn), saved as
        // an artefact under `name`.
        Screenshot Shot(const std::string& name, const std::function<bool(const Screenshot&)>& settled)
        {
            window->Flush();
            Screenshot shot;
            for (int attempt = 0; attempt < 200; ++attempt) {
                shot = m_x.Capture(window->NativeId());
                if (shot.width > 0 && settled(shot))
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            }
            shot.Save(std::filesystem::path(PL_ARTEFACTS_DIR) / (name + ".bmp"));
            return shot;
        }

        std::unique_ptr<platform::ConsoleWindow> window;
        std::unique_ptr<console::ScreenModel> screen;

    private:
        Xvfb m_x;
        std::string m_reason;
    };

#define REQUIRE_WINDOW(rig)                                                                                  \
    if (!(rig).Ready())                                                                                      \
    GTEST_SKIP() << (rig).Why()

    TEST(WindowRendering, TheSixteenColoursTextAndTheWindowSize)
    {
        Rig rig;
        REQUIRE_WINDOW(rig);
        console::ScreenModel& s = *rig.screen;
        for (int i = 0; i < 16; ++i) {
            s.MoveCursor(i * 5 + 1, 1);
            s.SetBackColour(i);
            s.ConsoleWrite("    ");
        }
        s.SetBackColour(1);
        s.SetTextColour(14);
        s.MoveCursor(1, 3);
        s.ConsoleWrite("MMMM");
        const Screenshot shot = rig.Shot(
            "cores", [](const Screenshot& sh) { return Near(sh.At(MidX(75), MidY(0)), Palette(15)); });
        EXPECT_EQ(shot.width, 80 * CELL_W);
        EXPECT_EQ(shot.height, 25 * CELL_H);
        for (int i = 0; i < 16; ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(Shows(shot, MidX(i * 5 + 1), MidY(0), Palette(i)));
        }
        // Yellow letters on blue: both colours fill much of each cell.
        const int yellow = Count(shot, 0, 2 * CELL_H, 4 * CELL_W, CELL_H, Palette(14));
        const int blue = Count(shot, 0, 2 * CELL_H, 4 * CELL_W, CELL_H, Palette(1));
        EXPECT_GT(yellow, 4 * CELL_W * CELL_H / 10);
        EXPECT_GT(blue, 4 * CELL_W * CELL_H / 3);
        EXPECT_TRUE(Shows(shot, MidX(10), MidY(10), Palette(0)));
    }

    TEST(WindowRendering, TheColourTableAndATextWindow)
    {
        console::ScreenSettings settings;
        settings.colour_table[1] = 4; // blue is drawn red
        settings.colour_table[3] = 99; // past the palette: black
        Rig rig(settings);
        REQUIRE_WINDOW(rig);
        console::ScreenModel& s = *rig.screen;
        s.SetBackColour(1);
        s.ConsoleWrite("  ");
        s.SetBackColour(3);
        s.ConsoleWrite("  ");
        s.SetWindow(41, 10, 60, 15);
        s.SetBackColour(2);
        s.ClearWindow();
        const Screenshot shot = rig.Shot("tabela-e-janela",
            [](const Screenshot& sh) { return Near(sh.At(MidX(50), MidY(12)), Palette(2)); });
        EXPECT_TRUE(Shows(shot, MidX(0), MidY(0), Palette(4)));
        EXPECT_TRUE(Shows(shot, MidX(2), MidY(0), Palette(0)));
        EXPECT_TRUE(Shows(shot, MidX(40), MidY(9), Palette(2)));
        EXPECT_TRUE(Shows(shot, MidX(59), MidY(14), Palette(2)));
        EXPECT_TRUE(Shows(shot, MidX(39), MidY(9), Palette(0)));
        EXPECT_TRUE(Shows(shot, MidX(60), MidY(14), Palette(0)));
        EXPECT_TRUE(Shows(shot, MidX(40), MidY(15), Palette(0)));
    }

    // A row of the cell drawn all in one colour, as the caret is.
    bool HasCaret(const Screenshot& shot, int column, int row, platform::Rgb c)
    {
        for (int y = row * CELL_H; y < (row + 1) * CELL_H; ++y)
            if (Count(shot, column * CELL_W, y, CELL_W, 1, c) == CELL_W)
                return true;
        return false;
    }

    TEST(WindowRendering, TheCaretShowsWhileAKeyIsAwaitedAndTypedKeysArrive)
    {
        Rig rig;
        REQUIRE_WINDOW(rig);
        rig.screen->MoveCursor(5, 3);
        rig.X().Focus(rig.window->NativeId());
        std::uint8_t key = 0;
        std::thread reader([&] { key = rig.window->ReadKeyByte(); });
        const Screenshot waiting
            = rig.Shot("cursor", [](const Screenshot& sh) { return HasCaret(sh, 4, 2, Palette(15)); });
        EXPECT_TRUE(HasCaret(waiting, 4, 2, Palette(15)));
        rig.X().Tap(XK_a);
        reader.join();
        EXPECT_EQ(key, 'a');
        const Screenshot after
            = rig.Shot("sem-cursor", [](const Screenshot& sh) { return !HasCaret(sh, 4, 2, Palette(15)); });
        EXPECT_FALSE(HasCaret(after, 4, 2, Palette(15)));

        // Named keys and Ctrl+F12, the break key, which is no key at all.
        rig.X().Tap(XK_F5);
        EXPECT_EQ(rig.window->ReadKeyByte(), 0);
        EXPECT_EQ(rig.window->ReadKeyByte(), 63);
        rig.X().Tap(XK_F12, { XK_Control_L });
        EXPECT_EQ(rig.window->ReadKeyByte(), 27); // the wait ends with Escape
        EXPECT_TRUE(platform::TakeInterruptRequest());
    }

    TEST(WindowRendering, TheMagnifiedViewAtTwoFactors)
    {
        Rig rig;
        REQUIRE_WINDOW(rig);
        console::ScreenModel& s = *rig.screen;
        s.SetBackColour(1);
        s.ClearWindow();
        for (const int factor : { 2, 4 }) {
            SCOPED_TRACE(factor);
            s.SetMagnifier(console::MagnifierSettings { factor, 14, 6, 3 });
            ASSERT_TRUE(s.ShowMagnified("WWWWWW", 3)); // the second W in the cursor colour
            const int w = CELL_W * factor;
            const int h = CELL_H * factor;
            const int last = 80 / factor - 1;
            const Screenshot shot = rig.Shot("lupa-" + std::to_string(factor),
                [&](const Screenshot& sh) { return Near(sh.At(last * w + w / 2, h - 2), Palette(6)); });
            EXPECT_TRUE(Shows(shot, last * w + w / 2, h - 2, Palette(6))); // the view's background
            EXPECT_TRUE(Shows(shot, last * w + w / 2, h + 2, Palette(1))); // the screen below it
            EXPECT_GT(Count(shot, 0, 0, w, h, Palette(14)), w * h / 10); // letters
            EXPECT_GT(Count(shot, w, 0, w, h, Palette(3)), w * h / 10); // the cursor's character
            EXPECT_EQ(Count(shot, w, 0, w, h, Palette(14)), 0);
        }
        s.HideMagnified();
        const Screenshot hidden = rig.Shot(
            "lupa-fechada", [](const Screenshot& sh) { return Near(sh.At(MidX(0), MidY(0)), Palette(1)); });
        EXPECT_TRUE(Shows(hidden, MidX(0), MidY(0), Palette(1)));
    }

    TEST(WindowRendering, APictureOverTheTextTitleAndVisibility)
    {
        Rig rig;
        REQUIRE_WINDOW(rig);
        console::ScreenModel& s = *rig.screen;
        s.SetBackColour(2);
        s.ClearWindow();
        std::vector<std::uint8_t> orange;
        for (int i = 0; i < 40 * 30; ++i)
            orange.insert(orange.end(), { 200, 100, 50 });
        ASSERT_TRUE(s.LoadBackgroundPictureBytes(console::EncodeBmp(40, 30, false, orange)));
        s.DrawBackgroundPicture(100, 120);
        const platform::Rgb o { 200, 100, 50 };
        const Screenshot shot
            = rig.Shot("imagem", [&](const Screenshot& sh) { return Near(sh.At(101, 121), o); });
        EXPECT_TRUE(Shows(shot, 101, 121, o));
        EXPECT_TRUE(Shows(shot, 139, 149, o));
        EXPECT_TRUE(Shows(shot, 99, 119, Palette(2)));
        EXPECT_TRUE(Shows(shot, 140, 150, Palette(2)));
        s.RemoveBackgroundPicture();
        const Screenshot gone
            = rig.Shot("sem-imagem", [](const Screenshot& sh) { return Near(sh.At(101, 121), Palette(2)); });
        EXPECT_TRUE(Shows(gone, 101, 121, Palette(2)));

        // One screen with a bit of everything, for people to look at.
        s.SetBackColour(0);
        s.ClearWindow();
        const char* lines[] = { "Palavrino 6.3 - a janela do console", "",
            "Ol\xE1! Tudo o que aparece aqui tamb\xE9m \xE9 falado.", "" };
        for (const char* line : lines) {
            s.SetTextColour(15);
            s.ConsoleWriteLine(line);
        }
        for (int i = 1; i < 16; ++i) {
            s.SetTextColour(i);
            s.ConsoleWrite("Cor " + std::to_string(i) + "  ");
        }
        s.SetTextColour(14);
        s.MoveCursor(1, 9);
        s.ConsoleWrite("Qual \xE9 o seu nome? Maria");
        ASSERT_TRUE(s.LoadBackgroundPictureBytes(console::EncodeBmp(40, 30, false, orange)));
        s.DrawBackgroundPicture(600, 300);
        s.SetMagnifier(console::MagnifierSettings { 3, 14, 6, 3 });
        ASSERT_TRUE(s.ShowMagnified("Qual \xE9 o seu nome? Maria", 25));
        const Screenshot all
            = rig.Shot("tudo", [&](const Screenshot& sh) { return Near(sh.At(601, 301), o); });
        EXPECT_TRUE(Shows(all, 601, 301, o));
        s.HideMagnified();
        s.RemoveBackgroundPicture();

        s.SetTitle("Ol\xE1 janela");
        rig.window->Flush();
        std::string title;
        for (int i = 0; i < 200 && title != "Ol\xC3\xA1 janela"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            title = rig.X().Title(rig.window->NativeId());
        }
        EXPECT_EQ(title, "Ol\xC3\xA1 janela");

        s.SetVisible(false);
        rig.window->Flush();
        for (int i = 0; i < 200 && rig.X().Mapped(rig.window->NativeId()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        EXPECT_FALSE(rig.X().Mapped(rig.window->NativeId()));
        s.SetVisible(true);
        rig.window->Flush();
        for (int i = 0; i < 200 && !rig.X().Mapped(rig.window->NativeId()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        EXPECT_TRUE(rig.X().Mapped(rig.window->NativeId()));
    }

} // namespace
} // namespace palavrino::testing
