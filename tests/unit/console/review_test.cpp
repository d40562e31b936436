// Screen review: each key and two-letter command, checked on what the user
// heard and where the review cursor ends.
#include "tests/unit/console/console_rig.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    using testing::ConsoleRig;
    using testing::Ext;

    std::string Repeat(const std::string& s, int n)
    {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += (out.empty() ? "" : "; ") + s;
        return out;
    }

    // Row 1 holds a label in yellow and its value in white; row 5 words.
    void DrawForm(ScreenModel& screen)
    {
        screen.SetTextColour(14);
        screen.ConsoleWrite("Nome:");
        screen.SetTextColour(15);
        screen.ConsoleWrite(" Maria  Idade: 30");
        screen.MoveCursor(1, 5);
        screen.ConsoleWrite("xyz bcd  fim");
        screen.MoveCursor(1, 1);
    }

    TEST(ScreenReview, KeysAndWhatTheyRead)
    {
        using E = ExtendedKey;
        struct Case {
            std::string name;
            std::string keys;
            std::string heard; // between the entry beep and the two exit beeps
            int row;
            int column;
        };
        const Case cases[] = {
            { "escape leaves at once", "", "", 1, 1 },
            { "space reads the row", " ", "fala Nome: Maria  Idade: 30; tique", 1, 1 },
            { "enter goes to the next row", "\r", "tique", 2, 1 },
            { "down reads the next row", Ext(E::Down) + Ext(E::Down) + Ext(E::Down) + Ext(E::Down),
                "tique; tique; tique; tique; tique; tique; tique; fala xyz bcd  fim; tique", 5, 1 },
            { "up on row 1 beeps", Ext(E::Up), "bipe", 1, 1 },
            { "down on row 25 beeps and stays", Ext(E::PageDown) + Ext(E::Down), "tique; tique; bipe", 25,
                1 },
            { "page up reads row 1", Ext(E::Down) + Ext(E::PageUp),
                "tique; tique; fala Nome: Maria  Idade: 30; tique", 1, 1 },
            { "left at column 1 beeps", Ext(E::Left), "bipe", 1, 1 },
            { "right and left say characters", Ext(E::Right) + Ext(E::Right) + Ext(E::Left),
                "letra N; letra o; letra o", 1, 2 },
            { "backspace is left", Ext(E::Right) + "\b", "letra N; letra N", 1, 1 },
            { "end and home", Ext(E::End), "", 1, 23 },
            { "ctrl+k says row and column", Ext(E::End) + "\x0B", "fala 1 23", 1, 23 },
            { "F1 reads word by word", "\x0C" + Ext(E::F6) + "0501" + Ext(E::F1) + Ext(E::F1) + Ext(E::F1),
                "fala 1 1; fala Entre linha e coluna; letra 0; letra 5; letra 0; letra 1; soletra xyz; "
                "soletra bcd; fala fim",
                5, 13 },
            { "F6 with a letter beeps twice and keeps the place", Ext(E::F6) + "05a",
                "fala Entre linha e coluna; letra 0; letra 5; bipe; bipe", 1, 1 },
            { "F6 past the screen is brought back", Ext(E::F6) + "3090",
                "fala Entre linha e coluna; letra 3; letra 0; letra 9; letra 0; bipe; bipe", 25, 80 },
            { "next and previous word", Ext(E::CtrlRight) + Ext(E::CtrlRight) + Ext(E::CtrlLeft),
                "tique; tique; tique", 1, 7 },
            { "next word at the row's end beeps", Ext(E::End) + Ext(E::CtrlRight), "bipe", 1, 23 },
            { "previous word at the start beeps", Ext(E::CtrlLeft), "bipe", 1, 1 },
            // Fields end at a separator or a change of colour; tab skips the
            // field and the cell after it.
            { "tab goes to the next field", "\t", "tique", 1, 6 },
            { "shift+tab goes back a field", "\t\t" + Ext(E::ShiftTab), "tique; tique; tique", 1, 18 },
            { "ctrl+F1 reads the field", "\t" + Ext(E::CtrlF1), "tique; fala Maria  Idade; tique", 1, 6 },
            { "search finds the text and search again goes on", Ext(E::F5) + "Idade\r" + Ext(E::CtrlF5),
                "fala Qual texto; letra I; letra d; letra a; letra d; letra e; tique; bipe; bipe", 1, 14 },
            { "search with backspace", Ext(E::F5) + "fx\bi\r",
                "fala Qual texto; letra f; letra x; som _DEL; letra x; letra i; tique", 5, 10 },
            { "search abandoned with escape", Ext(E::F5) + "x\x1B", "fala Qual texto; letra x", 1, 1 },
            { "FL reads from the position to the row's end", Ext(E::CtrlRight) + "fl",
                "tique; fala Maria  Idade: 30; tique", 1, 7 },
            { "IL reads up to the position", Ext(E::CtrlRight) + "IL", "tique; fala Nome:; tique", 1, 7 },
            { "TC and LC read the field", "TCLC", "fala Nome; tique; fala Nome; tique", 1, 1 },
            { "IC reads from the field start", Ext(E::Right) + Ext(E::Right) + "IC",
                "letra N; letra o; fala Nom; tique", 1, 3 },
            { "TT reads the screen and ends at its end", "TT",
                "fala Nome: Maria  Idade: 30; tique; tique; tique; tique; fala xyz bcd  fim; "
                    + Repeat("tique", 21),
                25, 1 },
            { "an unknown second letter", "TQ", "bipe; tique; bipe", 1, 1 },
            { "an unknown first letter", "QT", "bipe; tique; bipe", 1, 1 },
            { "an unknown key", "1" + Ext(E::F10), "bipe; tique; bipe; bipe; tique; bipe", 1, 1 },
            { "ctrl+page down goes to the last letter", Ext(E::CtrlPageDown), "fala xyz bcd  fim; tique", 5,
                12 },
            { "ctrl+page up goes to the first letter", Ext(E::PageDown) + Ext(E::CtrlPageUp),
                "tique; fala Nome: Maria  Idade: 30; tique", 1, 1 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ConsoleRig rig(c.keys + "\x1B");
            DrawForm(rig.screen);
            rig.review.SetWordByWord(false);
            rig.review.Run();
            const std::string expected
                = c.heard.empty() ? "bipe; bipe; bipe" : "bipe; " + c.heard + "; bipe; bipe";
            EXPECT_EQ(rig.Said(), expected);
            EXPECT_EQ(rig.review.Row(), c.row);
            EXPECT_EQ(rig.review.Column(), c.column);
            // The console cursor is given back where it was.
            EXPECT_EQ(rig.screen.CursorScreenColumn(), 0);
            EXPECT_EQ(rig.screen.CursorScreenRow(), 0);
        }
    }

    TEST(ScreenReview, WordByWordARunOfMarksIsSaidOnce)
    {
        ConsoleRig rig("TT\x1B");
        rig.screen.MoveCursor(1, 3);
        rig.screen.ConsoleWrite("ab!!!!!!");
        rig.screen.MoveCursor(1, 1);
        rig.review.SetWordByWord(true);
        rig.review.Run();
        EXPECT_EQ(
            rig.Said(), "bipe; tique; tique; fala ab; fala !!!; " + Repeat("tique", 23) + "; bipe; bipe");
    }

    TEST(ScreenReview, CtrlCCopiesTheWholeScreen)
    {
        ConsoleRig rig("\x03\x1B");
        rig.review.Run();
        std::string blank_screen;
        for (int row = 0; row < SCREEN_ROWS; ++row)
            blank_screen += std::string(SCREEN_COLUMNS, ' ') + "\r\n";
        EXPECT_EQ(rig.clipboard.GetText(), blank_screen);

        ConsoleRig written("\x03\x1B");
        written.screen.ConsoleWrite("linha um\r\nlinha dois");
        written.review.Run();
        const std::string copied = written.clipboard.GetText();
        EXPECT_EQ(copied.substr(0, 84), "linha um" + std::string(72, ' ') + "\r\nli");
        EXPECT_EQ(copied.size(), static_cast<std::size_t>(SCREEN_ROWS * (SCREEN_COLUMNS + 2)));
    }

    TEST(ScreenReview, TheSearchTextIsKeptForTheNextEntry)
    {
        ConsoleRig rig(Ext(ExtendedKey::F5) + "fim\r\x1B" + Ext(ExtendedKey::CtrlF5) + "\x1B");
        DrawForm(rig.screen);
        rig.review.Run();
        EXPECT_EQ(rig.review.SearchText(), "fim");
        rig.heard.clear();
        rig.review.Run(); // from the console cursor again: row 1
        EXPECT_EQ(rig.Said(), "bipe; tique; bipe; bipe");
        EXPECT_EQ(rig.review.Row(), 5);
        EXPECT_EQ(rig.review.Column(), 10);
    }

} // namespace
} // namespace palavrino::console
