// The text screen: writing, wrapping, scrolling in a text window, clearing,
// colours, the title and the screen transcript.
#include "console/config.h"
#include "console/screen_model.h"
#include "tests/fakes/fake_terminal.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    // The first n characters of a screen row (1-based, absolute).
    std::string Row(const ScreenModel& screen, int row, int n = SCREEN_COLUMNS)
    {
        return screen.RowText(row).substr(0, static_cast<std::size_t>(n));
    }

    TEST(ScreenModel, StartsBlankWithTheConfiguredAttribute)
    {
        ScreenSettings settings;
        settings.initial_attr = 0x1E;
        ScreenModel screen(settings);
        EXPECT_EQ(screen.ScreenChar(1, 1), ' ');
        EXPECT_EQ(screen.ScreenAttr(80, 25), 0x1E);
        EXPECT_EQ(screen.CurrentAttr(), 0x1E);
        EXPECT_EQ(screen.CursorColumn(), 1);
        EXPECT_EQ(screen.CursorRow(), 1);
    }

    TEST(ScreenModel, TheEightyFirstCharacterWrapsToTheNextRow)
    {
        ScreenModel screen;
        screen.ConsoleWrite(std::string(80, 'a') + "b");
        EXPECT_EQ(Row(screen, 1), std::string(80, 'a'));
        EXPECT_EQ(screen.ScreenChar(1, 2), 'b');
        EXPECT_EQ(screen.CursorColumn(), 2);
        EXPECT_EQ(screen.CursorRow(), 2);
    }

    TEST(ScreenModel, EightyCharactersLeaveTheCursorPastTheLastColumn)
    {
        ScreenModel screen;
        screen.ConsoleWrite(std::string(80, 'a'));
        EXPECT_EQ(screen.CursorColumn(), 81);
        EXPECT_EQ(screen.CursorRow(), 1);
        EXPECT_EQ(screen.ScreenChar(1, 2), ' ');
    }

    TEST(ScreenModel, ControlBytes)
    {
        struct Case {
            std::string bytes;
            std::string row1;
            int column;
            int row;
        };
        const Case cases[] = {
            { "abc\b", "ab  ", 3, 1 }, // backspace blanks the cell it moves to
            { "\bxy", "xy  ", 3, 1 }, // backspace at column 1 does nothing
            { "a\tb", "ab  ", 3, 1 }, // a tab leaves no trace
            { "abc\rX", "Xbc ", 2, 1 }, // carriage return goes to column 1
            { "ab\ncd", "ab  ", 3, 2 }, // line feed also goes to column 1
            { "a\x01\x1F\x0C"
              "b",
                "ab  ", 3, 1 },
            { "a\x07"
              "b",
                "ab  ", 3, 1 }, // bell
            { "\xE7\xE3", "\xE7\xE3  ", 3, 1 }, // high bytes are characters
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.bytes);
            ScreenModel screen;
            screen.ConsoleWrite(c.bytes);
            EXPECT_EQ(Row(screen, 1, 4), c.row1);
            EXPECT_EQ(screen.CursorColumn(), c.column);
            EXPECT_EQ(screen.CursorRow(), c.row);
        }
    }

    TEST(ScreenModel, BellAndProgramTextReachTheFrontEndButEchoDoesNot)
    {
        fakes::FakeTerminal terminal;
        ScreenModel screen;
        screen.SetListener(&terminal);
        screen.ConsoleWrite("ab\x07");
        screen.ConsoleWrite("typed", WriteOrigin::Echo);
        screen.ConsoleWriteLine("c");
        EXPECT_EQ(terminal.Written(),
            "ab\x07"
            "c\r\n");
        EXPECT_EQ(terminal.Bells(), 1);
        EXPECT_EQ(Row(screen, 1, 8), "abtypedc");
    }

    TEST(ScreenModel, LineFeedOnTheLastRowScrollsTheScreen)
    {
        ScreenModel screen;
        for (int row = 1; row <= SCREEN_ROWS; ++row) {
            screen.ConsoleWrite("line" + std::to_string(row));
            if (row < SCREEN_ROWS)
                screen.ConsoleWrite("\r\n");
        }
        screen.ConsoleWrite("\n");
        EXPECT_EQ(Row(screen, 1, 6), "line2 ");
        EXPECT_EQ(Row(screen, 24, 6), "line25");
        EXPECT_EQ(Row(screen, 25), std::string(80, ' '));
        EXPECT_EQ(screen.CursorRow(), 25);
        EXPECT_EQ(screen.CursorColumn(), 1);
    }

    TEST(ScreenModel, ATextWindowScrollsOnlyItsOwnCells)
    {
        fakes::FakeTerminal terminal;
        ScreenModel screen;
        screen.SetListener(&terminal);
        for (int row = 1; row <= SCREEN_ROWS; ++row) {
            screen.MoveCursor(1, row);
            screen.ConsoleWrite(std::string(80, static_cast<char>('A' + row - 1)));
        }
        screen.SetWindow(11, 5, 20, 7); // columns 11-20, rows 5-7
        EXPECT_EQ(screen.WindowWidth(), 10);
        EXPECT_EQ(screen.WindowHeight(), 3);
        screen.ClearWindow();
        screen.ConsoleWrite("one\r\ntwo\r\nthree\r\nfour");
        EXPECT_EQ(terminal.Scrolls(), 1);
        EXPECT_EQ(screen.RowText(5).substr(10, 10), "two       ");
        EXPECT_EQ(screen.RowText(6).substr(10, 10), "three     ");
        EXPECT_EQ(screen.RowText(7).substr(10, 10), "four      ");
        // Outside the window nothing moved.
        EXPECT_EQ(screen.RowText(5).substr(0, 10), std::string(10, 'E'));
        EXPECT_EQ(screen.RowText(5).substr(20), std::string(60, 'E'));
        EXPECT_EQ(Row(screen, 4), std::string(80, 'D'));
        EXPECT_EQ(Row(screen, 8), std::string(80, 'H'));
        // Window-relative coordinates.
        EXPECT_EQ(screen.CursorColumn(), 5);
        EXPECT_EQ(screen.CursorRow(), 3);
        EXPECT_EQ(screen.ScreenChar(1, 1), 't');
        EXPECT_EQ(screen.CursorScreenColumn(), 14);
        EXPECT_EQ(screen.CursorScreenRow(), 6);
    }

    TEST(ScreenModel, TextWrapsAtTheWindowsRightEdge)
    {
        ScreenModel screen;
        screen.SetWindow(1, 1, 5, 2);
        screen.ConsoleWrite("abcdefgh");
        EXPECT_EQ(Row(screen, 1, 6), "abcde ");
        EXPECT_EQ(Row(screen, 2, 6), "fgh   ");
    }

    TEST(ScreenModel, WindowCornersAreClampedAndOrdered)
    {
        struct Case {
            int x1, y1, x2, y2;
            int left, top, right, bottom;
        };
        const Case cases[] = {
            { 1, 1, 80, 25, 0, 0, 79, 24 },
            { 0, 0, 200, 200, 0, 0, 79, 24 },
            { 20, 10, 5, 2, 4, 1, 19, 9 },
            { -3, 30, 81, -1, 0, 0, 79, 24 },
            { 7, 7, 7, 7, 6, 6, 6, 6 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2);
            ScreenModel screen;
            screen.ConsoleWrite("xx");
            screen.SetWindow(c.x1, c.y1, c.x2, c.y2);
            EXPECT_EQ(screen.WindowLeft(), c.left);
            EXPECT_EQ(screen.WindowTop(), c.top);
            EXPECT_EQ(screen.WindowRight(), c.right);
            EXPECT_EQ(screen.WindowBottom(), c.bottom);
            EXPECT_EQ(screen.CursorColumn(), 1);
            EXPECT_EQ(screen.CursorRow(), 1);
            // Writing far past the window stays inside the screen's cells.
            screen.ConsoleWrite(std::string(3000, 'z'));
        }
    }

    TEST(ScreenModel, MoveCursorClampsToTheWindow)
    {
        struct Case {
            int x, y;
            int column, row;
        };
        const Case cases[] = {
            { 0, 0, 1, 1 },
            { 200, 200, 80, 25 },
            { 5, 7, 5, 7 },
            { -10, 25, 1, 25 },
            { 80, 1, 80, 1 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
            ScreenModel screen;
            screen.MoveCursor(c.x, c.y);
            EXPECT_EQ(screen.CursorColumn(), c.column);
            EXPECT_EQ(screen.CursorRow(), c.row);
        }
        ScreenModel windowed;
        windowed.SetWindow(10, 10, 19, 14);
        windowed.MoveCursor(50, 50);
        EXPECT_EQ(windowed.CursorColumn(), 10);
        EXPECT_EQ(windowed.CursorRow(), 5);
    }

    TEST(ScreenModel, ClearingFillsWithBlanksInTheCurrentAttribute)
    {
        ScreenModel screen;
        screen.ConsoleWrite("hello world");
        screen.SetBackColour(1);
        screen.MoveCursor(6, 1);
        screen.ClearToLineEnd();
        EXPECT_EQ(Row(screen, 1, 12), "hello       ");
        EXPECT_EQ(screen.ScreenAttr(5, 1), 0x0F);
        EXPECT_EQ(screen.ScreenAttr(6, 1), 0x1F);
        EXPECT_EQ(screen.ScreenAttr(80, 1), 0x1F);
        EXPECT_EQ(screen.CursorColumn(), 6); // the cursor stays

        screen.ConsoleWrite("\r\nsecond");
        screen.SetTextColour(14);
        screen.ClearWindow();
        EXPECT_EQ(Row(screen, 2), std::string(80, ' '));
        EXPECT_EQ(screen.ScreenAttr(40, 20), 0x1E);
        EXPECT_EQ(screen.CursorColumn(), 1);
        EXPECT_EQ(screen.CursorRow(), 1);
    }

    TEST(ScreenModel, ClearToLineEndPastTheLastColumnClearsNothing)
    {
        ScreenModel screen;
        screen.ConsoleWrite(std::string(80, 'q'));
        screen.ClearToLineEnd();
        EXPECT_EQ(Row(screen, 1), std::string(80, 'q'));
    }

    TEST(ScreenModel, ColourSetters)
    {
        struct Case {
            bool fixed;
            int text, back;
            std::uint8_t attr;
        };
        const Case cases[] = {
            { false, 20, 0, 0x04 }, // only the low nibble of the text colour counts
            { false, 7, 1, 0x17 }, { false, 15, 17, 0x1F }, // the background is kept to 8 bits
            { false, -1, 2, 0x2F }, { true, 4, 2, 0x0F }, // fixed colours ignore both
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.text << "/" << c.back << (c.fixed ? " fixed" : ""));
            ScreenSettings settings;
            settings.colours_fixed = c.fixed;
            ScreenModel screen(settings);
            screen.SetBackColour(c.back);
            screen.SetTextColour(c.text);
            EXPECT_EQ(screen.CurrentAttr(), c.attr);
            screen.ConsoleWrite("x");
            EXPECT_EQ(screen.ScreenAttr(1, 1), c.attr);
        }
    }

    TEST(ScreenModel, CellsOutsideTheScreenReadAsBlank)
    {
        ScreenModel screen;
        screen.ConsoleWrite("abc");
        EXPECT_EQ(screen.ScreenChar(81, 1), ' ');
        EXPECT_EQ(screen.ScreenAttr(0, 1), 0);
        EXPECT_EQ(screen.ScreenAttr(1, 26), 0);
        screen.SetWindow(70, 20, 80, 25);
        EXPECT_EQ(screen.ScreenChar(20, 1), ' '); // column 89 of the screen
        EXPECT_EQ(screen.ScreenAttr(20, 1), 0);
    }

    TEST(ScreenModel, PaletteFollowsTheColourTable)
    {
        ScreenSettings settings;
        settings.colour_table = { 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 16, -1 };
        ScreenModel screen(settings);
        EXPECT_EQ(screen.PaletteIndex(0), 15);
        EXPECT_EQ(screen.PaletteIndex(13), 2);
        EXPECT_EQ(screen.PaletteIndex(14), 0); // entries above 15 draw black
        EXPECT_EQ(screen.PaletteIndex(15), 0);
    }

    TEST(ScreenModel, TitleIsTrimmedAndCut)
    {
        struct Case {
            std::string text;
            std::string title;
        };
        const Case cases[] = {
            { "  Meu programa  ", "Meu programa" },
            { std::string(140, 'x'), std::string(140, 'x') },
            { std::string(141, 'x'), std::string(140, 'x') + "..." },
            { "   ", "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            fakes::FakeTerminal terminal;
            ScreenModel screen;
            screen.SetListener(&terminal);
            screen.SetTitle(c.text);
            EXPECT_EQ(screen.Title(), c.title);
            EXPECT_EQ(terminal.Title(), c.title);
        }
    }

    TEST(ScreenModel, SettingsComeFromTheVideoSection)
    {
        struct Case {
            std::string ini;
            std::array<int, 16> table;
            bool fixed;
            std::uint8_t attr;
        };
        const std::array<int, 16> identity = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 };
        const Case cases[] = {
            { "", identity, false, 0x0F },
            { "[VIDEO]\nCORFUNDO=1\nCORLETRA=14\nCORESFIXAS=sim\n", identity, true, 0x1E },
            { "[VIDEO]\nCORFUNDO=x\nCORLETRA=\n", identity, false, 0x0F },
            { "[VIDEO]\nTABCORES=7, 6 ,5,bad,9\n", { 7, 6, 5, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 },
                false, 0x0F },
            { "[VIDEO]\nTABCORES=1,1,1\nCORESFIXAS=N\n",
                { 1, 1, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }, false, 0x0F },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.ini);
            fakes::TempDir dir;
            const ConfigFile config = ConfigFile::FromFile(dir.Write("Talira.ini", c.ini), "/prog");
            const ScreenSettings settings = ReadScreenSettings(config);
            EXPECT_EQ(settings.colour_table, c.table);
            EXPECT_EQ(settings.colours_fixed, c.fixed);
            EXPECT_EQ(settings.initial_attr, c.attr);
        }
    }

    TEST(ScreenTranscript, RecordsOnlyWhileOnAndAppendsToTheFirstFile)
    {
        fakes::TempDir dir;
        fakes::FakeTerminal terminal;
        ScreenModel screen;
        screen.SetListener(&terminal);
        screen.SetTranscriptDirectory(dir.Path());
        std::tm moment {};
        moment.tm_year = 2024 - 1900;
        moment.tm_mon = 2;
        moment.tm_mday = 5;
        moment.tm_hour = 9;
        moment.tm_min = 8;
        moment.tm_sec = 7;
        screen.SetClock([&] { return moment; });

        screen.RecordLine("before"); // not recording yet
        ASSERT_TRUE(screen.ToggleScreenRecording());
        const std::filesystem::path file = dir.Path() / "ScTela-2024-03-05@09-08-07.txt";
        EXPECT_EQ(screen.TranscriptPath(), file);
        screen.RecordText("a\xE7\xE3o ");
        screen.RecordLine("fim");
        EXPECT_FALSE(screen.ToggleScreenRecording());
        screen.RecordLine("between");

        moment.tm_sec = 59; // a later start must not pick a new name
        ASSERT_TRUE(screen.ToggleScreenRecording());
        screen.RecordLine("again");
        EXPECT_FALSE(screen.ToggleScreenRecording());

        EXPECT_EQ(fakes::TempDir::Read(file), "a\xC3\xA7\xC3\xA3o fim\nagain\n");
        const std::string path = file.string();
        EXPECT_EQ(terminal.Written(),
            "Gravando tela em " + path + "\r\nTela Gravada em: " + path + "\r\nGravando tela em " + path
                + "\r\nTela Gravada em: " + path + "\r\n");
    }

    TEST(ScreenTranscript, ATranscriptThatCannotBeReplacedKeepsTheEarlierRecording)
    {
        fakes::TempDir dir;
        fakes::FakeTerminal terminal;
        ScreenModel screen;
        screen.SetListener(&terminal);
        screen.SetTranscriptDirectory(dir.Path());
        screen.SetClock([] { return std::tm {}; });
        ASSERT_TRUE(screen.ToggleScreenRecording());
        const std::filesystem::path file = screen.TranscriptPath();
        EXPECT_FALSE(std::filesystem::exists(file)); // written aside until it is whole
        screen.RecordLine("primeira");
        EXPECT_FALSE(screen.ToggleScreenRecording());
        EXPECT_EQ(fakes::TempDir::Read(file), "primeira\n");

        ASSERT_TRUE(screen.ToggleScreenRecording());
        screen.RecordLine("segunda");
        // A directory where the temporary file should go stops the rename.
        std::filesystem::path temp = file;
        temp += ".gravando";
        std::filesystem::remove(temp);
        std::filesystem::create_directories(temp / "x");
        EXPECT_FALSE(screen.ToggleScreenRecording());
        EXPECT_EQ(fakes::TempDir::Read(file), "primeira\n");
        EXPECT_NE(terminal.Written().find("Erro ao gravar a tela em " + file.string()), std::string::npos);
    }

    TEST(ScreenTranscript, AFileThatCannotBeCreatedLeavesRecordingOff)
    {
        fakes::TempDir dir;
        fakes::FakeTerminal terminal;
        ScreenModel screen;
        screen.SetListener(&terminal);
        screen.SetTranscriptDirectory(dir.Path() / "missing" / "deeper");
        EXPECT_FALSE(screen.ToggleScreenRecording());
        EXPECT_FALSE(screen.IsRecording());
        EXPECT_EQ(terminal.Written(), "");
    }

} // namespace
} // namespace palavrino::console
