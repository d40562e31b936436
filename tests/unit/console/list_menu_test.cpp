// The list menu and the pop-up list driven by scripted keys: where they
// end, what they mark, what the user hears, where the cursor stands and
// what the screen shows afterwards.
#include "console/list_menu.h"
#include "tests/unit/console/screens_rig.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    using testing::Cells;
    using testing::ConsoleRig;
    using testing::Ext;
    using testing::PartsOf;
    using testing::TextColourAt;
    using E = ExtendedKey;

    ListMenu MenuOf(ConsoleRig& rig, const std::vector<std::string>& items, int rows = 3)
    {
        ListMenu menu(PartsOf(rig));
        menu.Make(5, 2, 14, 2 + rows - 1);
        for (const std::string& item : items)
            menu.Add(item);
        return menu;
    }

    const std::vector<std::string> FIVE = { "um", "dois", "tres", "quatro", "cinco" };

    TEST(ListMenuKeys, EachKeyOfTheTable)
    {
        struct Case {
            std::string name;
            std::string keys;
            int start;
            int position;
            Key end;
            std::string heard;
        };
        const std::vector<Case> cases = {
            { "enter ends on the start item", "\r", 3, 2, Key::Byte(KEY_ENTER), "fala tres" },
            { "down and up", Ext(E::Down) + Ext(E::Down) + Ext(E::Up) + "x", 1, 1, Key::Byte('x'),
                "fala um; fala dois; fala tres; fala dois" },
            { "up before the first leaves the items", Ext(E::Up) + "\x1B", 1, -1, Key::Byte(KEY_ESCAPE),
                "fala um; bipe" },
            { "down past the last leaves the items", Ext(E::Down) + "\r", 5, 5, Key::Byte(KEY_ENTER),
                "fala cinco; bipe" },
            { "page down past the end", Ext(E::PageDown) + "\r", 1, 5, Key::Byte(KEY_ENTER),
                "fala um; bipe" },
            { "page up past the start", Ext(E::PageUp) + "\r", 4, -1, Key::Byte(KEY_ENTER),
                "fala quatro; bipe" },
            { "home and end", Ext(E::End) + Ext(E::Home) + "\r", 3, 0, Key::Byte(KEY_ENTER),
                "fala tres; fala cinco; fala um" },
            { "ctrl+page down and up", Ext(E::CtrlPageDown) + Ext(E::CtrlPageUp) + "\r", 3, 0,
                Key::Byte(KEY_ENTER), "fala tres; fala cinco; fala um" },
            { "a function key ends", Ext(E::F2), 2, 1, Key::Extended(E::F2), "fala dois" },
            { "a ctrl+function key ends", Ext(E::CtrlF5), 2, 1, Key::Extended(E::CtrlF5), "fala dois" },
            { "left and right end", Ext(E::Left), 2, 1, Key::Extended(E::Left), "fala dois" },
            { "other extended keys are ignored", Ext(E::Insert) + Ext(E::Right), 2, 1,
                Key::Extended(E::Right), "fala dois; fala dois" },
            { "a start past the items", "\r", 9, 5, Key::Byte(KEY_ENTER), "" },
            { "the end of input reads as escape", "", 1, 0, Key::Byte(KEY_ESCAPE), "fala um" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ConsoleRig rig(c.keys);
            ListMenu menu = MenuOf(rig, FIVE);
            const MenuRun run = menu.Run(c.start);
            EXPECT_EQ(run.position, c.position);
            EXPECT_EQ(run.key, c.end);
            EXPECT_EQ(rig.Said(), c.heard);
        }
    }

    TEST(ListMenuKeys, MarkingKeysAndTheirColours)
    {
        ConsoleRig rig(" " + Ext(E::Down) + "+" + Ext(E::Down) + "-" + Ext(E::Up) + "\r");
        ListMenu menu = MenuOf(rig, FIVE);
        const MenuRun run = menu.Run(1);
        EXPECT_EQ(run.position, 1);
        EXPECT_TRUE(menu.Marked(0));
        EXPECT_TRUE(menu.Marked(1));
        EXPECT_FALSE(menu.Marked(2));
        // A marked item beeps before it is said.
        EXPECT_EQ(rig.Said(),
            "fala um; bipe; fala um; fala dois; bipe; fala dois; fala tres; fala tres; bipe; fala dois");
        // The current item in yellow, a marked one in green, the rest as
        // the text colour in force (white).
        EXPECT_EQ(TextColourAt(rig.screen, 5, 2), 2);
        EXPECT_EQ(TextColourAt(rig.screen, 5, 3), 14);
        EXPECT_EQ(TextColourAt(rig.screen, 5, 4), 15);

        ConsoleRig all("*/ \r");
        ListMenu second = MenuOf(all, FIVE);
        (void)second.Run(2);
        EXPECT_FALSE(second.Marked(0));
        EXPECT_TRUE(second.Marked(1));
        EXPECT_FALSE(second.Marked(4));
        ConsoleRig star("*\r");
        ListMenu third = MenuOf(star, FIVE);
        (void)third.Run(1);
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(third.Marked(i));
    }

    TEST(ListMenuScreen, ScrollsLongListsAndKeepsTheCursorOnTheItem)
    {
        std::vector<std::string> many;
        for (int i = 1; i <= 30; ++i)
            many.push_back("item " + std::to_string(i));
        many.push_back(std::string(200, 'L'));
        ConsoleRig rig(Ext(E::PageDown) + Ext(E::PageDown) + "\r");
        ListMenu menu = MenuOf(rig, many);
        std::vector<std::string> rows;
        ScreenParts parts = PartsOf(rig);
        (void)parts;
        const MenuRun run = menu.Run(1);
        EXPECT_EQ(run.position, 20);
        // Three rows show items 19 to 21 with item 21 on the last row.
        EXPECT_EQ(Cells(rig.screen, 2, 5, 14), "item 19   ");
        EXPECT_EQ(Cells(rig.screen, 4, 5, 14), "item 21   ");
        EXPECT_EQ(Cells(rig.screen, 4, 15, 16), "  ");

        // A very long item is cut at the box, and said whole.
        ConsoleRig longer(Ext(E::End) + "\r");
        ListMenu last = MenuOf(longer, many);
        (void)last.Run(30);
        EXPECT_EQ(Cells(longer.screen, 4, 5, 15), std::string(10, 'L') + " ");
        EXPECT_NE(longer.Said().find("fala " + std::string(200, 'L')), std::string::npos);
    }

    TEST(ListMenuScreen, TheCursorRestsOnTheCurrentRowWhileAKeyIsAwaited)
    {
        ConsoleRig rig;
        rig.terminal.Press(E::Down);
        rig.terminal.Press(E::CtrlF9, platform::MOD_ALT);
        rig.terminal.Type("\r");
        ScreenParts parts = PartsOf(rig);
        int column = 0;
        int row = 0;
        // Ctrl+Alt+F9 opens screen review; here it lets the test look.
        parts.screen_review = [&] {
            column = rig.screen.CursorScreenColumn() + 1;
            row = rig.screen.CursorScreenRow() + 1;
        };
        rig.screen.MoveCursor(40, 20);
        ListMenu menu(parts);
        menu.Make(5, 2, 14, 4);
        for (const std::string& item : FIVE)
            menu.Add(item);
        const MenuRun run = menu.Run(1);
        EXPECT_EQ(run.position, 1);
        EXPECT_EQ(column, 5);
        EXPECT_EQ(row, 3);
        // The menu goes on after screen review and speaks the item again.
        EXPECT_EQ(rig.Said(), "fala um; fala dois; fala dois");
        // Afterwards writing goes on where it was.
        EXPECT_EQ(rig.screen.CursorColumn(), 40);
        EXPECT_EQ(rig.screen.CursorRow(), 20);
    }

    TEST(ListMenuScreen, EmptyListsAndClosing)
    {
        ConsoleRig rig(Ext(E::Down) + Ext(E::Up) + "q");
        ListMenu menu = MenuOf(rig, {});
        const MenuRun run = menu.Run(1);
        EXPECT_EQ(run.key, Key::Byte('q'));
        EXPECT_EQ(menu.ItemText(run.position), "");
        EXPECT_EQ(rig.Said(), "bipe; bipe");

        ConsoleRig shown("\r");
        ListMenu full = MenuOf(shown, FIVE);
        (void)full.Run(1);
        EXPECT_EQ(Cells(shown.screen, 2, 5, 8), "um  ");
        full.Close();
        EXPECT_EQ(Cells(shown.screen, 2, 5, 14), std::string(10, ' '));
        EXPECT_EQ(full.Count(), 0);
        EXPECT_EQ(shown.screen.CursorColumn(), 5);
        EXPECT_EQ(shown.screen.CursorRow(), 2);
    }

    PopupList PopupOf(ConsoleRig& rig, const std::vector<std::string>& items, int column = 10, int row = 5)
    {
        PopupList list(PartsOf(rig));
        list.Make(column, row, 12, 4, 4);
        for (const std::string& item : items)
            list.Add({}, item);
        return list;
    }

    TEST(PopupListKeys, EachKeyOfTheTable)
    {
        struct Case {
            std::string name;
            std::string keys;
            int chosen;
            std::string text;
            std::string heard;
        };
        const std::vector<Case> cases = {
            { "enter chooses the first", "\r", 1, "um", "fala um" },
            { "down, up and enter", Ext(E::Down) + Ext(E::Down) + Ext(E::Up) + "\r", 2, "dois",
                "fala um; fala dois; fala tres; fala dois" },
            { "escape gives 0", Ext(E::Down) + "\x1B", 0, "", "fala um; fala dois" },
            { "up before the first beeps, enter there gives 0", Ext(E::Up) + "\r", 0, "", "fala um; bipe" },
            { "page keys and the ends",
                Ext(E::PageDown) + Ext(E::Home) + Ext(E::End) + Ext(E::CtrlPageUp) + "\r", 1, "um",
                "fala um; bipe; fala um; fala cinco; fala um" },
            { "ctrl+page down goes to the last", Ext(E::CtrlPageDown) + "\r", 5, "cinco",
                "fala um; fala cinco" },
            { "right spells the item", Ext(E::Right) + "\r", 1, "um", "fala um; soletra um" },
            { "223 waits for the next key", "\xDF\r", 1, "um", "fala um" },
            { "a letter jumps to the next item starting with it", "tt\r", 0, "", "fala um; fala tres; bipe" },
            { "the same letter again searches from the top", "ttt\r", 3, "tres",
                "fala um; fala tres; bipe; fala tres" },
            { "a digit and the marks jump too", "*\r", 0, "", "fala um; bipe" },
            { "letters match either case and leading blanks", "Q\r", 4, "  quatro",
                "fala um; fala   quatro" },
            { "the end of input cancels", Ext(E::Down), 0, "", "fala um; fala dois" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ConsoleRig rig(c.keys);
            PopupList list = PopupOf(rig, { "um", "dois", "tres", "  quatro", "cinco" });
            EXPECT_EQ(list.Run(), c.chosen);
            EXPECT_EQ(list.ResultText(), c.chosen ? c.text : "");
            EXPECT_EQ(rig.Said(), c.heard);
        }
    }

    TEST(PopupListScreen, MovesOntoTheScreenAndPutsBackWhatWasUnder)
    {
        ConsoleRig rig(Ext(E::Down) + "\x1B");
        rig.screen.MoveCursor(1, 24);
        rig.screen.ConsoleWrite(std::string(79, '#'));
        rig.screen.MoveCursor(3, 7);
        const std::uint8_t attr = rig.screen.CurrentAttr();
        PopupList list(PartsOf(rig));
        list.Make(70, 23, 20, 5, 4);
        EXPECT_EQ(list.Column(), 60);
        EXPECT_EQ(list.Row(), 21);
        list.Add({}, "primeiro");
        list.Add({}, "segundo");
        EXPECT_EQ(list.Run(), 0);
        EXPECT_EQ(Cells(rig.screen, 24, 55, 79), std::string(25, '#'));
        EXPECT_EQ(Cells(rig.screen, 21, 60, 79), std::string(20, ' '));
        EXPECT_EQ(rig.screen.CursorColumn(), 3);
        EXPECT_EQ(rig.screen.CursorRow(), 7);
        EXPECT_EQ(rig.screen.CurrentAttr(), attr);
    }

    TEST(PopupListScreen, ColoursScrollingAndSoundKeys)
    {
        ConsoleRig rig(Ext(E::End) + "\r");
        std::vector<int> colours;
        std::vector<std::string> rows;
        ScreenParts parts = PartsOf(rig);
        PopupList list(parts);
        list.Make(10, 5, 12, 3, 4);
        for (int i = 1; i <= 8; ++i)
            list.Add({}, "linha " + std::to_string(i));
        // A sound key with a recording plays it instead of the text.
        list.Add("_DEL", "apagar");
        EXPECT_EQ(list.Run(), 9);
        EXPECT_EQ(list.ResultText(), "apagar");
        EXPECT_EQ(rig.Said(), "fala linha 1; som _DEL");
        EXPECT_EQ(list.Count(), 0);

        // While it runs: white on red, the current item in yellow, and
        // the cursor on it.
        ConsoleRig look;
        look.terminal.Press(E::Down);
        look.terminal.Press(E::CtrlF9, platform::MOD_ALT);
        look.terminal.Type("\x1B");
        ScreenParts look_parts = PartsOf(look);
        std::vector<int> seen;
        look_parts.screen_review = [&] {
            for (int r = 5; r <= 7; ++r)
                seen.push_back(look.screen.CellAttr(9, r - 1));
            seen.push_back(look.screen.CursorScreenRow() + 1);
        };
        PopupList shown(look_parts);
        shown.Make(10, 5, 12, 3, 4);
        for (const char* text : { "a", "b", "c" })
            shown.Add({}, text);
        EXPECT_EQ(shown.Run(), 0);
        EXPECT_EQ(seen, (std::vector<int> { 0x4F, 0x4E, 0x4F, 6 }));
    }

} // namespace
} // namespace palavrino::console
