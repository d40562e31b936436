// The window's keyboard and mouse without a display: SDL events built by
// the tests go through the window's translator into the console, whose
// braille keyboard turns chords into characters in each mode and
// announces mode changes with tones on the sound output.
#include "console/console.h"
#include "platform/linux/sdl_keys.h"
#include "tests/fakes/recording_audio.h"

#include <cstring>
#include <gtest/gtest.h>

namespace palavrino::platform {
namespace {

    // A front end that only keeps what the console hands a window.
    class InputTerminal final : public Terminal {
    public:
        void TextWritten(std::string_view) override { }
        void CellsChanged(int, int, int) override { }
        void RegionScrolled(int, int, int, int) override { }
        void TitleChanged(std::string_view) override { }
        void Bell() override { }
        void Refresh(const CellView&) override { }
        bool KeyWaiting() override { return false; }
        bool WaitForKey(int) override { return false; }
        std::uint8_t ReadKeyByte() override { return 27; }
        bool InputEnded() override { return true; }
        bool IsLive() const override { return false; }
        void SetWindowInput(WindowInput* input) override { *m_input = input; }
        explicit InputTerminal(WindowInput** input)
            : m_input(input)
        {
        }

    private:
        WindowInput** m_input;
    };

    struct Rig {
        WindowInput* input { nullptr };
        fakes::RecordingAudioSink* audio { nullptr };
        std::unique_ptr<console::Console> console;
        SdlKeyTranslator translator;

        Rig()
        {
            auto sink = std::make_unique<fakes::RecordingAudioSink>();
            audio = sink.get();
            console = std::make_unique<console::Console>(
                std::make_unique<InputTerminal>(&input), console::ConfigFile(), std::move(sink));
        }

        void Feed(const SDL_Event& e, std::uint16_t mods = 0, bool button_held = false)
        {
            translator.Translate(WindowEvent { e, mods, button_held }, input);
        }
        std::string Bytes()
        {
            std::string out;
            while (translator.HasKey())
                out.push_back(static_cast<char>(translator.TakeKey().byte));
            return out;
        }
        // The tone frequencies played since the last look, from the square
        // waves' periods.
        std::vector<int> Periods()
        {
            std::vector<int> periods;
            for (const auto& block : audio->Blocks()) {
                std::size_t i = 0;
                while (i < block.samples.size() && block.samples[i] == block.samples[0])
                    ++i;
                while (i < block.samples.size() && block.samples[i] != block.samples[0])
                    ++i;
                periods.push_back(static_cast<int>(i));
            }
            audio->Clear();
            return periods;
        }
    };

    SDL_Event Key(Uint32 type, SDL_Scancode code, SDL_Keycode sym, Uint16 mod = 0)
    {
        SDL_Event e {};
        e.type = type;
        e.key.keysym.scancode = code;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        return e;
    }
    SDL_Event Down(char letter, Uint16 mod = 0)
    {
        if (letter == ' ')
            return Key(SDL_KEYDOWN, SDL_SCANCODE_SPACE, SDLK_SPACE, mod);
        return Key(SDL_KEYDOWN, static_cast<SDL_Scancode>(SDL_SCANCODE_A + (letter - 'a')), letter, mod);
    }
    SDL_Event Up(char letter, Uint16 mod = 0)
    {
        SDL_Event e = Down(letter, mod);
        e.type = SDL_KEYUP;
        return e;
    }
    SDL_Event Text(const char* utf8)
    {
        SDL_Event e {};
        e.type = SDL_TEXTINPUT;
        std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
        return e;
    }

    // Presses the letters of `chord` together (each also typed as text,
    // which chords must ignore) and lets them go in reverse order.
    void Chord(Rig& rig, const std::string& chord)
    {
        for (char c : chord) {
            rig.Feed(Down(c));
            rig.Feed(Text(std::string(1, c).c_str()));
        }
        for (auto it = chord.rbegin(); it != chord.rend(); ++it)
            rig.Feed(Up(*it));
    }

    constexpr int PERIOD_100 = 11025 / 100;
    constexpr int PERIOD_400 = 11025 / 400;
    constexpr int PERIOD_800 = 11025 / 800;
    constexpr int PERIOD_1600 = 11025 / 1600;

    TEST(WindowBraille, CtrlAltF11CyclesTheModesWithTheirTonesAndCtrlAltF12SwitchesOff)
    {
        Rig rig;
        const Uint16 ctrl_alt = KMOD_LCTRL | KMOD_LALT;
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_F11, SDLK_F11, ctrl_alt));
        EXPECT_EQ(rig.console->Braille().Mode(), 1);
        EXPECT_EQ(rig.Periods(), (std::vector<int> { PERIOD_800, PERIOD_1600 }));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_F11, SDLK_F11, ctrl_alt));
        EXPECT_EQ(rig.console->Braille().Mode(), 2);
        EXPECT_EQ(rig.Periods(), (std::vector<int> { PERIOD_800, PERIOD_400 }));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_F11, SDLK_F11, ctrl_alt));
        EXPECT_EQ(rig.console->Braille().Mode(), 1);
        rig.Periods();
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_F12, SDLK_F12, ctrl_alt));
        EXPECT_EQ(rig.console->Braille().Mode(), 0);
        EXPECT_EQ(rig.Periods(), (std::vector<int> { PERIOD_100 }));
        // Off already: no tone.
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_F12, SDLK_F12, ctrl_alt));
        EXPECT_TRUE(rig.Periods().empty());
        EXPECT_EQ(rig.Bytes(), "");
    }

    TEST(WindowBraille, PlainTableChordsTypeTheirCharacters)
    {
        Rig rig;
        rig.console->SetBrailleMode(1);
        Chord(rig, "fd"); // dots 1-2
        Chord(rig, "f"); // dot 1
        Chord(rig, "sjkl"); // dots 3-4-5-6: the number sign is plain "#" here
        Chord(rig, " "); // space alone
        Chord(rig, " f"); // space + dot 1: Ctrl+A
        Chord(rig, "fdsjkl"); // all six dots
        EXPECT_EQ(rig.Bytes(), std::string("ba# \x01\xE9", 6));
        // Keys outside the chord set still type: F1 and a digit as text.
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_F1, SDLK_F1));
        rig.Feed(Text("7"));
        EXPECT_EQ(rig.Bytes(), std::string("\0;7", 3));
    }

    TEST(WindowBraille, PortugueseModeHasCapitalAndNumberSigns)
    {
        Rig rig;
        rig.console->SetBrailleMode(2);
        Chord(rig, "sjkl"); // number sign
        Chord(rig, "f");
        Chord(rig, "fd");
        EXPECT_EQ(rig.Bytes(), "12");
        Chord(rig, " "); // space ends number mode
        Chord(rig, "jl"); // capital sign
        Chord(rig, "f");
        Chord(rig, "f");
        EXPECT_EQ(rig.Bytes(), " Aa");
        Chord(rig, "jl");
        Chord(rig, "jl"); // twice: caps lock
        Chord(rig, "f");
        Chord(rig, "fd");
        EXPECT_EQ(rig.Bytes(), "AB");
        // A key outside the chords going up ends caps lock.
        rig.Feed(Key(SDL_KEYUP, SDL_SCANCODE_RETURN, SDLK_RETURN));
        Chord(rig, "f");
        EXPECT_EQ(rig.Bytes(), "a");
        Chord(rig, "s"); // dot 3, the apostrophe, is a full stop here
        EXPECT_EQ(rig.Bytes(), ".");
    }

    TEST(WindowBraille, AChordCompletesOnlyWhenItsLastKeyGoesUp)
    {
        Rig rig;
        rig.console->SetBrailleMode(1);
        rig.Feed(Down('f'));
        rig.Feed(Down('d'));
        rig.Feed(Down('d')); // key repeat
        rig.Feed(Up('f'));
        EXPECT_EQ(rig.Bytes(), "");
        rig.Feed(Down('j'));
        rig.Feed(Up('d'));
        rig.Feed(Up('j'));
        EXPECT_EQ(rig.Bytes(), "f"); // one chord of dots 1-2-4
    }

    TEST(WindowKeys, NamedKeysCtrlAndAltCombinationsAndText)
    {
        Rig rig;
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_F5, SDLK_F5));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_LCTRL));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_LSHIFT));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_LCTRL));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_TAB, SDLK_TAB, KMOD_LSHIFT));
        EXPECT_EQ(rig.Bytes(), std::string("\0?\0s\0\xFE\0\xFF\0\x0F", 10));
        // Alt+X gives its scan code; the text the layout sends with it is not typed.
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_X, SDLK_x, KMOD_LALT));
        rig.Feed(Text("x"), KMOD_LALT);
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_1, SDLK_1, KMOD_LALT));
        EXPECT_EQ(rig.Bytes(), std::string("\0-\0x", 4));
        // Ctrl letters are control bytes; Ctrl with Backspace and Enter as
        // in the terminal.
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_V, SDLK_v, KMOD_LCTRL));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, KMOD_LCTRL));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LCTRL));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, SDLK_RETURN));
        rig.Feed(Key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE));
        EXPECT_EQ(rig.Bytes(), std::string("\x16\x7F\x08\x0A\x0D\x1B", 6));
        // Text from the layout (AltGr, dead keys) arrives in UTF-8 and is
        // typed in Windows-1252; a character it lacks becomes "?".
        rig.Feed(Text("\xC3\xA7\xC3\xA3"), 0); // "çã"
        rig.Feed(Text("\xE2\x82\xAC"), KMOD_RALT); // the euro sign, with AltGr held
        rig.Feed(Text("\xE2\x88\x9A")); // a square root: not in Windows-1252
        EXPECT_EQ(rig.Bytes(), "\xE7\xE3\x80?");
    }

    TEST(WindowKeys, BreakAndSilenceKeysAreTheWindowsOwn)
    {
        SDL_Event e = Key(SDL_KEYDOWN, SDL_SCANCODE_F12, SDLK_F12, KMOD_RCTRL);
        EXPECT_TRUE(SdlKeyTranslator::IsBreakKey(e.key, false));
        e = Key(SDL_KEYDOWN, SDL_SCANCODE_F12, SDLK_F12, KMOD_LCTRL | KMOD_LALT);
        EXPECT_FALSE(SdlKeyTranslator::IsBreakKey(e.key, false)); // braille off, not a break
        e = Key(SDL_KEYDOWN, SDL_SCANCODE_C, SDLK_c, KMOD_LCTRL);
        EXPECT_TRUE(SdlKeyTranslator::IsBreakKey(e.key, false));
        EXPECT_FALSE(SdlKeyTranslator::IsBreakKey(e.key, true)); // screen review copies with it
        e = Key(SDL_KEYDOWN, SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL);
        EXPECT_TRUE(SdlKeyTranslator::IsSilenceKey(e.key));
        e = Key(SDL_KEYDOWN, SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL | KMOD_LSHIFT);
        EXPECT_FALSE(SdlKeyTranslator::IsSilenceKey(e.key));
    }

    TEST(WindowMouse, ButtonsAndWheelAreKeysExceptTheClickThatFocusedTheWindow)
    {
        Rig rig;
        auto button = [](Uint8 b) {
            SDL_Event e {};
            e.type = SDL_MOUSEBUTTONDOWN;
            e.button.button = b;
            return e;
        };
        auto wheel = [](Sint32 y, Uint32 direction) {
            SDL_Event e {};
            e.type = SDL_MOUSEWHEEL;
            e.wheel.y = y;
            e.wheel.direction = direction;
            return e;
        };
        rig.Feed(button(SDL_BUTTON_LEFT));
        rig.Feed(button(SDL_BUTTON_RIGHT));
        rig.Feed(button(SDL_BUTTON_MIDDLE));
        rig.Feed(wheel(1, SDL_MOUSEWHEEL_NORMAL));
        rig.Feed(wheel(-2, SDL_MOUSEWHEEL_NORMAL));
        rig.Feed(wheel(1, SDL_MOUSEWHEEL_FLIPPED));
        EXPECT_EQ(rig.Bytes(), std::string("\r\x1B\0C\0H\0P\0P", 10));
        SDL_Event focus {};
        focus.type = SDL_WINDOWEVENT;
        focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        rig.Feed(focus, 0, true);
        rig.Feed(button(SDL_BUTTON_LEFT)); // the activating click
        rig.Feed(button(SDL_BUTTON_LEFT));
        EXPECT_EQ(rig.Bytes(), "\r");
    }

} // namespace
} // namespace palavrino::platform
