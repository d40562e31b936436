// What a graphical console window needs, kept in the platform-free layer:
// font and low-vision settings, the magnified view, caret and cell pixels,
// background pictures, the tone wave, the braille keyboard, mouse keys, the
// extended-key table and the clipboard.
#include "console/config.h"
#include "console/keyboard.h"
#include "console/screen_model.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    ConfigFile Ini(const fakes::TempDir& dir, const std::string& text)
    {
        return ConfigFile::FromFile(dir.Write("Talira.ini", text), "/prog");
    }

    TEST(WindowSettings, FontCornerAndBrailleDefaultsAndValues)
    {
        fakes::TempDir dir;
        const ScreenSettings defaults = ReadScreenSettings(ConfigFile());
        EXPECT_EQ(defaults.font.face, "Lucida Console");
        EXPECT_EQ(defaults.font.width, 13);
        EXPECT_EQ(defaults.font.height, 28);
        EXPECT_EQ(defaults.font.weight, 700);
        EXPECT_TRUE(defaults.opens_normal);
        EXPECT_EQ(defaults.braille_mode, 0);
        // The default size grows with the desktop's work area.
        const ScreenSettings big = ReadScreenSettings(ConfigFile(), WorkArea { 2048, 1468 });
        EXPECT_EQ(big.font.width, 26);
        EXPECT_EQ(big.font.height, 56);

        const ScreenSettings set = ReadScreenSettings(Ini(dir,
            "[VIDEO]\nFONTE=Mono\nLARGURALETRA=9\nALTURALETRA=x\nPESOLETRA=400\nCANTOTELA=NAO\n[BRAILLE]"
            "\nMODO=2\n"));
        EXPECT_EQ(set.font.face, "Mono");
        EXPECT_EQ(set.font.width, 9);
        EXPECT_EQ(set.font.height, 28); // not a number: the default
        EXPECT_EQ(set.font.weight, 400);
        EXPECT_FALSE(set.opens_normal);
        EXPECT_EQ(set.braille_mode, 2);
        // The mode is the low two bits of the first character.
        EXPECT_EQ(ReadScreenSettings(Ini(dir, "[BRAILLE]\nMODO=3\n")).braille_mode, 3);
        EXPECT_EQ(ReadScreenSettings(Ini(dir, "[BRAILLE]\nMODO=1\n")).braille_mode, 1);
    }

    TEST(WindowSettings, MagnifierSettings)
    {
        fakes::TempDir dir;
        struct Case {
            std::string ini;
            MagnifierSettings expected;
        };
        const Case cases[] = {
            { "", { 0, 14, 6, 3 } },
            { "[BAIXAVISAO]\nAMPLIACAO=\n", { 0, 14, 6, 3 } },
            { "[BAIXAVISAO]\nAMPLIACAO=4\nCORLETRA=15\nCORFUNDO=0\nCORCURSOR=12\n", { 4, 15, 0, 12 } },
            { "[BAIXAVISAO]\nAMPLIACAO=sim\n", { 3, 14, 6, 3 } }, // set but unusable
            { "[BAIXAVISAO]\nAMPLIACAO=11\nCORLETRA=16\nCORFUNDO=-1\n", { 3, 14, 6, 3 } },
            { "[BAIXAVISAO]\nAMPLIACAO=10\n", { 10, 14, 6, 3 } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.ini);
            const MagnifierSettings m = ReadMagnifierSettings(Ini(dir, c.ini));
            EXPECT_EQ(m.factor, c.expected.factor);
            EXPECT_EQ(m.letter_colour, c.expected.letter_colour);
            EXPECT_EQ(m.back_colour, c.expected.back_colour);
            EXPECT_EQ(m.cursor_colour, c.expected.cursor_colour);
        }
    }

    TEST(MagnifiedView, FollowsThePositionAndMarksTheCharacterBeforeIt)
    {
        ScreenModel screen;
        EXPECT_FALSE(screen.ShowMagnified("abc", 1)); // off
        screen.SetMagnifier(MagnifierSettings { 8, 14, 6, 3 }); // ten characters visible
        const std::string text = "abcdefghijklmnopqrstuvwxyz";
        struct Step {
            int position;
            std::string shown;
            int cursor_index;
        };
        const Step steps[] = {
            { 1, "abcdefghij", -1 },
            { 3, "abcdefghij", 1 }, // the character before the position: "b"
            { 11, "abcdefghij", 9 },
            { 12, "bcdefghijk", 9 }, // scrolls only as far as needed
            { 20, "jklmnopqrs", 9 },
            { 15, "jklmnopqrs", 4 }, // going back does not scroll
            { 5, "defghijklm", 0 },
            { 0, "abcdefghij", -1 }, // a position before the start counts as 1
            { 27, "qrstuvwxyz", 9 },
        };
        for (const Step& s : steps) {
            SCOPED_TRACE(s.position);
            const auto view = screen.ShowMagnified(text, s.position);
            ASSERT_TRUE(view);
            EXPECT_EQ(view->text, s.shown);
            EXPECT_EQ(view->cursor_index, s.cursor_index);
        }
        screen.SetMagnifier(MagnifierSettings { 8, 14, 6, 3 });
        EXPECT_EQ(screen.ShowMagnified("ab", 2)->text, "ab        "); // padded to the width
    }

    TEST(WindowGeometry, CellsAndCaret)
    {
        const FontMetrics metrics { 10, 20, 16, 1 };
        EXPECT_EQ(CellOrigin(metrics, 0, 0), (PixelPoint { 1, 0 }));
        EXPECT_EQ(CellOrigin(metrics, 79, 24), (PixelPoint { 791, 480 }));
        EXPECT_EQ(CaretOrigin(metrics, 3, 2), (PixelPoint { 30, 56 }));
    }

    std::string Le(std::uint32_t value, int bytes)
    {
        std::string s;
        for (int i = 0; i < bytes; ++i)
            s.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        return s;
    }

    // A BMP with the given info-header size, bit count, size and pixels.
    std::string Bmp(std::uint32_t info_size, int bits, int width, int height, std::uint32_t colours_used,
        const std::string& palette, const std::string& pixels)
    {
        const std::string info = Le(info_size, 4) + Le(static_cast<std::uint32_t>(width), 4)
            + Le(static_cast<std::uint32_t>(height), 4) + Le(1, 2) + Le(static_cast<std::uint32_t>(bits), 2)
            + Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(colours_used, 4) + Le(0, 4);
        const auto offset = static_cast<std::uint32_t>(14 + info.size() + palette.size());
        return "BM" + Le(offset + static_cast<std::uint32_t>(pixels.size()), 4) + Le(0, 4) + Le(offset, 4)
            + info + palette + pixels;
    }

    TEST(BackgroundPicture, ParsesBmpFilesWithAFortyByteHeader)
    {
        // 24 bits, 2 x 2: rows of 6 bytes padded to 8.
        const std::string pixels24(16, '\x7F');
        const auto picture = ParseBmp(Bmp(40, 24, 2, 2, 0, "", pixels24));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, 2);
        EXPECT_EQ(picture->height, 2);
        EXPECT_EQ(picture->header.size(), 40u);
        EXPECT_EQ(picture->header[20], 16); // the image size is written into the header
        EXPECT_EQ(picture->pixels, std::vector<std::uint8_t>(16, 0x7F));

        // 8 bits with a palette of two colours: 40 + 8 header bytes.
        const auto paletted = ParseBmp(Bmp(40, 8, 3, 1, 2, std::string(8, '\1'), std::string(4, '\2')));
        ASSERT_TRUE(paletted);
        EXPECT_EQ(paletted->header.size(), 48u);
        EXPECT_EQ(paletted->pixels.size(), 4u);

        EXPECT_FALSE(ParseBmp(Bmp(108, 24, 2, 2, 0, "", pixels24))); // another header
        EXPECT_FALSE(ParseBmp(Bmp(40, 24, 2, 2, 0, "", pixels24.substr(0, 10)))); // truncated
        EXPECT_FALSE(ParseBmp(Bmp(40, 24, 0, 2, 0, "", ""))); // no width
        EXPECT_FALSE(ParseBmp(Bmp(40, 24, 60000, 60000, 0, "", ""))); // far too large
        EXPECT_FALSE(ParseBmp("BM"));
        EXPECT_FALSE(ParseBmp(""));
    }

    TEST(BackgroundPicture, AFailedLoadKeepsThePreviousPicture)
    {
        fakes::TempDir dir;
        ScreenModel screen;
        const auto good = dir.Write("a.bmp", Bmp(40, 24, 2, 2, 0, "", std::string(16, '\0')));
        const auto bad = dir.Write("b.bmp", Bmp(12, 24, 2, 2, 0, "", std::string(16, '\0')));
        EXPECT_FALSE(screen.LoadBackgroundPicture(dir.Path() / "none.bmp"));
        EXPECT_TRUE(screen.LoadBackgroundPicture(good));
        screen.DrawBackgroundPicture(10, 20);
        EXPECT_EQ(screen.Background()->position, (PixelPoint { 10, 20 }));
        EXPECT_FALSE(screen.LoadBackgroundPicture(bad));
        ASSERT_TRUE(screen.Background());
        EXPECT_EQ(screen.Background()->width, 2);
        screen.RemoveBackgroundPicture();
        EXPECT_FALSE(screen.Background());
    }

    TEST(ToneWave, SquarePeriodsAfterARiffHeader)
    {
        const std::vector<std::uint8_t> wave = BuildToneWave(1000);
        // 11 samples per period, 1002 periods fill 11022 of the 11025.
        ASSERT_EQ(wave.size(), 44u + 11022u);
        EXPECT_EQ(std::string(wave.begin(), wave.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(wave.begin() + 8, wave.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(wave[40] | (wave[41] << 8), 11022);
        EXPECT_EQ(wave[4] | (wave[5] << 8), 11022 + 36);
        EXPECT_EQ(wave[44], 96); // first half low
        EXPECT_EQ(wave[44 + 4], 96);
        EXPECT_EQ(wave[44 + 5], 160); // then high
        EXPECT_EQ(wave.back(), 128); // ends on the centre line
        // A frequency the rate cannot carry is silence, never an endless loop.
        EXPECT_EQ(BuildToneWave(0).size(), 45u);
        EXPECT_EQ(BuildToneWave(20000).size(), 45u);
    }

    TEST(ExtendedKeys, TheTableAndTheAltCodes)
    {
        using platform::MOD_CTRL;
        using platform::MOD_SHIFT;
        struct Case {
            NamedKey key;
            std::uint8_t modifiers;
            std::uint8_t code;
        };
        const Case cases[] = {
            { NamedKey::F1, 0, 59 },
            { NamedKey::F10, 0, 68 },
            { NamedKey::F11, 0, 69 },
            { NamedKey::F12, 0, 70 },
            { NamedKey::F1, MOD_CTRL, 94 },
            { NamedKey::F9, MOD_CTRL, 102 },
            { NamedKey::F11, MOD_CTRL, 104 },
            { NamedKey::F12, MOD_CTRL, 105 },
            { NamedKey::Insert, 0, 82 },
            { NamedKey::Insert, MOD_CTRL, 255 },
            { NamedKey::Insert, MOD_SHIFT, 254 },
            { NamedKey::Delete, MOD_CTRL, 83 },
            { NamedKey::Home, 0, 71 },
            { NamedKey::Home, MOD_CTRL, 119 },
            { NamedKey::End, MOD_CTRL, 117 },
            { NamedKey::PageUp, 0, 73 },
            { NamedKey::PageUp, MOD_CTRL, 132 },
            { NamedKey::PageDown, MOD_CTRL, 118 },
            { NamedKey::Up, 0, 72 },
            { NamedKey::Up, MOD_CTRL, 113 },
            { NamedKey::Down, MOD_CTRL, 114 },
            { NamedKey::Left, MOD_CTRL, 115 },
            { NamedKey::Right, 0, 77 },
            { NamedKey::Right, MOD_CTRL | MOD_SHIFT, 116 },
            { NamedKey::F5, MOD_SHIFT, 63 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(static_cast<int>(c.key));
            EXPECT_EQ(ExtendedCodeOf(c.key, c.modifiers), c.code);
        }
        EXPECT_EQ(AltCodeOf('a'), 30);
        EXPECT_EQ(AltCodeOf('M'), 50);
        EXPECT_EQ(AltCodeOf('z'), 44);
        EXPECT_EQ(AltCodeOf('1'), 120);
        EXPECT_EQ(AltCodeOf('9'), 128);
        EXPECT_EQ(AltCodeOf('0'), 129);
        EXPECT_FALSE(AltCodeOf('-'));
        EXPECT_FALSE(AltCodeOf(0xE7));
    }

    // Presses the keys of a chord together, then releases them.
    std::optional<std::uint8_t> Chord(BrailleKeyboard& braille, std::string_view keys)
    {
        for (char k : keys)
            EXPECT_TRUE(braille.KeyDown(static_cast<std::uint8_t>(k)));
        std::optional<std::uint8_t> typed;
        for (char k : keys)
            typed = braille.KeyUp(static_cast<std::uint8_t>(k), false);
        return typed;
    }

    std::string Chords(BrailleKeyboard& braille, const std::vector<std::string_view>& chords)
    {
        std::string out;
        for (std::string_view c : chords) {
            if (const auto typed = Chord(braille, c))
                out.push_back(static_cast<char>(*typed));
        }
        return out;
    }

    TEST(Braille, ChordsTypeCharacters)
    {
        BrailleKeyboard braille;
        EXPECT_FALSE(braille.KeyDown('f')); // off: the letter is typed as usual
        braille.SetMode(1);
        EXPECT_EQ(Chords(braille, { "f", "fd", "fj", "fdsjkl", "sjkl", "jl", " " }), "abc\xE9#{ ");
        EXPECT_EQ(Chords(braille, { " f" }), "\x01"); // space with dots: a control character
        EXPECT_FALSE(braille.KeyDown('x'));
        EXPECT_EQ(braille.NextMode(), 2);
        braille.SetMode(7);
        EXPECT_EQ(braille.Mode(), 1);
    }

    TEST(Braille, ThePortugueseSignsInModeTwo)
    {
        struct Case {
            std::string name;
            std::vector<std::string_view> chords;
            std::string typed;
        };
        const Case cases[] = {
            { "number sign", { "sjkl", "f", "fd" }, "12" },
            { "number sign, j is zero", { "sjkl", "djk", "k", "f" }, "0~a" }, // "~" ends number mode
            { "capital sign", { "jl", "f", "f" }, "Aa" },
            { "caps lock until space with dots", { "jl", "jl", "f", "fd", " f", "f" },
                "AB\x01"
                "a" },
            { "apostrophe is a full stop", { "s" }, "." },
            { "u circumflex is at", { "fkl" }, "@" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            BrailleKeyboard braille;
            braille.SetMode(2);
            EXPECT_EQ(Chords(braille, c.chords), c.typed);
        }
        BrailleKeyboard braille;
        braille.SetMode(2);
        (void)Chord(braille, "jl");
        (void)Chord(braille, "jl");
        EXPECT_TRUE(braille.CapsLock());
        EXPECT_FALSE(braille.KeyUp('1', false)); // a key that is no letter clears the signs
        EXPECT_FALSE(braille.CapsLock());
        EXPECT_FALSE(braille.Capital());
    }

    TEST(MouseKeys, ButtonsAndWheelAsKeys)
    {
        MouseKeys mouse;
        EXPECT_EQ(mouse.Translate(MouseEvent::LeftPress), Key::Byte(KEY_ENTER));
        EXPECT_EQ(mouse.Translate(MouseEvent::RightPress), Key::Byte(KEY_ESCAPE));
        EXPECT_EQ(mouse.Translate(MouseEvent::MiddlePress), Key::Extended(ExtendedKey::F9));
        EXPECT_EQ(mouse.Translate(MouseEvent::WheelAway), Key::Extended(ExtendedKey::Up));
        EXPECT_EQ(mouse.Translate(MouseEvent::WheelTowards), Key::Extended(ExtendedKey::Down));
        // The click that brought the window forward does not count.
        mouse.FocusGained(true);
        EXPECT_FALSE(mouse.Translate(MouseEvent::LeftPress));
        EXPECT_TRUE(mouse.Translate(MouseEvent::LeftPress));
        mouse.FocusGained(true);
        mouse.FocusLost();
        EXPECT_TRUE(mouse.Translate(MouseEvent::LeftPress));
    }

    TEST(ClipboardText, CapacityAndBytes)
    {
        Clipboard board;
        EXPECT_EQ(board.GetText(), "");
        board.PutText("abcdef");
        EXPECT_EQ(board.GetText(4), "abc"); // capacity counts the terminating NUL
        EXPECT_EQ(board.GetText(0), "");
        EXPECT_TRUE(board.PutBytes(std::string_view("ab\0cd", 5)));
        EXPECT_EQ(board.GetText(), "ab");
    }

    TEST(ShownCursor, ReviewShowsTheCursorWithoutMovingTheWritingPosition)
    {
        ScreenModel screen;
        screen.SetWindow(5, 5, 20, 10);
        screen.MoveCursor(3, 2);
        screen.ShowCursorAt(70, 20);
        EXPECT_EQ(screen.CursorScreenColumn(), 70);
        EXPECT_EQ(screen.CursorScreenRow(), 20);
        EXPECT_EQ(screen.CursorColumn(), 3);
        screen.ReleaseShownCursor();
        EXPECT_EQ(screen.CursorScreenColumn(), 6);
        EXPECT_EQ(screen.CursorScreenRow(), 5);
    }

} // namespace
} // namespace palavrino::console
