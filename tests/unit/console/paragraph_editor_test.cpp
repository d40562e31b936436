// The paragraph editor: its text rules alone, then sessions driven by
// scripted keys, checked against the document, the screen and what the
// user heard.
#include "console/paragraph_editor.h"
#include "tests/unit/console/screens_rig.h"

#include <fstream>
#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    using testing::Cells;
    using testing::ConsoleRig;
    using testing::Ext;
    using testing::PartsOf;
    using E = ExtendedKey;
    const std::string DOT(1, CONTINUATION_MARK);

    TEST(ParagraphText, WrapsAtBlanksAndCutsLongWords)
    {
        EXPECT_EQ(WrapParagraph("", 10), std::vector<std::string> { "" });
        EXPECT_EQ(WrapParagraph("um dois tres quatro", 10),
            (std::vector<std::string> { "um dois", DOT + " tres", DOT + " quatro" }));
        // A word longer than the width is cut at the width, then at width - 1.
        EXPECT_EQ(WrapParagraph("abcdefghijklmnopqrstuvwxyz", 10),
            (std::vector<std::string> { "abcdefghij", DOT + "klmnopqrs", DOT + "tuvwxyz" }));
        // Leading blanks never give an empty line.
        EXPECT_EQ(WrapParagraph("   abcdefghijkl", 5),
            (std::vector<std::string> { "  ", DOT + " abc", DOT + "defg", DOT + "hijk", DOT + "l" }));
        for (const std::string text : { "a b c d e f g h i j k l m n o", "  dois  blancos  seguidos  aqui ",
                 "x", "palavra-muito-comprida e curta" }) {
            for (int width : { 2, 3, 7, 12 }) {
                SCOPED_TRACE(text + " / " + std::to_string(width));
                const auto lines = WrapParagraph(text, width);
                for (std::size_t i = 0; i < lines.size(); ++i)
                    EXPECT_LE(lines[i].size(), static_cast<std::size_t>(width));
                EXPECT_EQ(JoinParagraphs(lines), std::vector<std::string> { text });
            }
        }
    }

    TEST(ParagraphText, RebuildsParagraphsAndExpandsTabs)
    {
        EXPECT_EQ(RebuildParagraphs({ "um", "dois", "", " tres", "quatro", "\tcinco" }),
            (std::vector<std::string> { "um dois", "", " tres quatro", "\tcinco" }));
        EXPECT_EQ(ExpandLeadingTabs("\t \tx\ty"), std::string(17, ' ') + "x\ty");
        // A mark on the first line has nothing to continue and stays text.
        EXPECT_EQ(
            JoinParagraphs({ DOT + "a", DOT + "b", "c" }), (std::vector<std::string> { DOT + "ab", "c" }));
    }

    struct Session {
        explicit Session(std::string keys = {})
            : rig(std::move(keys))
        {
        }
        EditorExit Edit(std::vector<std::string>& lines, TextArea area = {}, EditorOptions options = {})
        {
            ParagraphEditor editor(PartsOf(rig));
            return editor.EditText(lines, area, options);
        }
        ConsoleRig rig;
    };

    const std::string CONFIRM = "\x1BS";

    TEST(ParagraphEditorSession, OpeningAndClosingKeepsTheText)
    {
        const std::vector<std::string> original
            = { std::string(200, 'x') + " fim", "", "curta", "\tcom tab" };
        Session s(CONFIRM);
        s.rig.screen.ConsoleWrite("antes");
        std::vector<std::string> lines = original;
        EXPECT_EQ(s.Edit(lines), EditorExit::Confirmed);
        std::vector<std::string> expected = original;
        expected[3] = std::string(8, ' ') + "com tab";
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(s.rig.Said(),
            "fala Editando, F9 ajuda; fala " + std::string(78, 'x')
                + "; fala Confirma fim da edi\xE7\xE3o? ; letra S");
        // The screen under the area is back, and the cursor at its corner.
        EXPECT_EQ(Cells(s.rig.screen, 1, 1, 6), "antes ");
        EXPECT_EQ(s.rig.screen.CursorColumn(), 1);
        EXPECT_EQ(s.rig.screen.CursorRow(), 1);
    }

    TEST(ParagraphEditorSession, DrawsAFrameAndTheLinesInTheirColours)
    {
        // Up at the first line pauses: the screen is looked at then.
        ConsoleRig rig(Ext(E::Down)
            + "\x02I\x02"
              "F"
            + Ext(E::Up) + Ext(E::Up) + CONFIRM);
        std::vector<std::string> rows;
        int cursor_column = 0;
        int cursor_row = 0;
        ScreenParts parts = PartsOf(rig);
        parts.pause_ms = [&](int) {
            for (int r = 3; r <= 7; ++r)
                rows.push_back(Cells(rig.screen, r, 1, 21));
            cursor_column = rig.screen.CursorScreenColumn() + 1;
            cursor_row = rig.screen.CursorScreenRow() + 1;
        };
        std::vector<std::string> lines = { "primeira", "segunda", "terceira" };
        TextArea area;
        area.row = 3;
        area.width = 20;
        area.height = 5;
        ParagraphEditor editor(parts);
        (void)editor.EditText(lines, area);
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(rows[0], "+------------------+ ");
        EXPECT_EQ(rows[1], "|primeira          | ");
        EXPECT_EQ(rows[2], "|segunda           | ");
        EXPECT_EQ(rows[3], "|terceira          | ");
        EXPECT_EQ(rows[4], "+------------------+ ");
        EXPECT_EQ(cursor_column, 2);
        EXPECT_EQ(cursor_row, 4);
        // After it closed the area is blank again, as it was before.
        EXPECT_EQ(Cells(rig.screen, 4, 1, 20), std::string(20, ' '));
        EXPECT_EQ(rig.screen.CursorColumn(), 1);
        EXPECT_EQ(rig.screen.CursorRow(), 3);
    }

    TEST(ParagraphEditorSession, ColoursTheCurrentLineAndTheBlock)
    {
        ConsoleRig rig(Ext(E::Down)
            + "\x02I\x02"
              "F"
            + Ext(E::Up) + Ext(E::Up) + CONFIRM);
        std::vector<int> colours;
        ScreenParts parts = PartsOf(rig);
        parts.pause_ms = [&](int) {
            for (int r = 2; r <= 4; ++r)
                colours.push_back(testing::TextColourAt(rig.screen, 2, r));
        };
        std::vector<std::string> lines = { "primeira", "segunda", "terceira" };
        ParagraphEditor editor(parts);
        (void)editor.EditText(lines, TextArea {});
        EXPECT_EQ(colours, (std::vector<int> { 14, 2, 15 }));
        EXPECT_NE(rig.Said().find("fala Bloco; letra I; fala In\xED"
                                  "cio"),
            std::string::npos);
    }

    TEST(ParagraphEditorSession, EditsAndMovesAroundTheText)
    {
        struct Case {
            std::string name;
            std::vector<std::string> lines;
            std::string keys;
            std::vector<std::string> result;
            std::string heard_contains;
        };
        const Case cases[] = {
            { "typing inserts at the cursor", { "abc" }, Ext(E::Right) + "X" + CONFIRM, { "aXbc" },
                "fala abc; letra a; letra X" },
            { "typing keeps the column between lines", { "abc", "def" },
                Ext(E::Right) + Ext(E::Right) + Ext(E::Down) + "X" + CONFIRM, { "abc", "deXf" },
                "fala def; letra X" },
            { "enter opens a line after the paragraph", { "um", "dois" },
                "\r"
                "novo"
                    + CONFIRM,
                { "um", "novo", "dois" }, "fala Nova linha" },
            { "ctrl+enter at column 1 opens a line before", { "um" }, "\n" + CONFIRM, { "", "um" },
                "Nova linha" },
            { "ctrl+enter splits at the cursor", { "umdois" },
                Ext(E::Right) + Ext(E::Right) + std::string("\n") + CONFIRM, { "um", "dois" },
                "fala Linha quebrada" },
            { "ctrl+y removes the line", { "um", "dois" }, "\x19" + CONFIRM, { "dois" },
                "fala Linha removida" },
            { "F7 on the last line empties it", { "um" }, Ext(E::F7) + Ext(E::F7) + CONFIRM, { "" },
                "tique" },
            { "up at the first line beeps and pauses", { "um" }, Ext(E::Up) + CONFIRM, { "um" },
                "bipe; pausa 200" },
            { "down past the end beeps", { "um", "dois" }, Ext(E::Down) + Ext(E::Down) + CONFIRM,
                { "um", "dois" }, "fala dois; bipe; pausa 200" },
            { "an unknown key says so", { "um" }, Ext(E::F11) + CONFIRM, { "um" },
                "bipe; fala Opera\xE7\xE3o inv\xE1lida" },
            { "ctrl+F7 joins two paragraphs", { "um", "dois" }, Ext(E::Down) + Ext(E::CtrlF7) + CONFIRM,
                { "um dois" }, "fala Par\xE1grafos juntados" },
            { "ctrl+F7 on the first paragraph cannot join", { "um" }, Ext(E::CtrlF7) + CONFIRM, { "um" },
                "bipe; fala N\xE3o posso juntar dois par\xE1grafos aqui" },
            { "ctrl+F7 after a blank line removes it", { "um", "", "dois" },
                Ext(E::Down) + Ext(E::Down) + Ext(E::CtrlF7) + CONFIRM, { "um", "dois" },
                "Par\xE1grafos juntados" },
            { "ctrl+page down and up go to the ends", { "a", "b", "c" },
                Ext(E::CtrlPageDown) + "X" + Ext(E::CtrlPageUp) + "Y" + CONFIRM, { "aY", "b", "Xc" },
                "fala c; letra X; fala a; letra Y" },
            { "page down moves a window",
                { "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16", "17",
                    "18" },
                Ext(E::PageDown) + "X" + CONFIRM,
                { "1", "2", "3", "4", "5", "6", "7", "8", "X9", "10", "11", "12", "13", "14", "15", "16",
                    "17", "18" },
                "fala 1; fala 9; letra X" },
            { "escape and another answer goes on", { "a" },
                "\x1BN"
                "b" + CONFIRM,
                { "ba" }, "letra N" },
            { "F5 searches and ctrl+F5 searches again", { "um", "Alvo 1", "dois", "alvo 2" },
                Ext(E::F5) + "ALVO\r" + "X" + Ext(E::CtrlF5) + "Y" + Ext(E::CtrlF5) + CONFIRM,
                { "um", "XAlvo 1", "dois", "Yalvo 2" }, "bipe; bipe" },
            { "ctrl+down reads on to the end", { "um", "", "dois" }, Ext(E::CtrlDown) + CONFIRM,
                { "um", "", "dois" },
                "fala um; pausa 200; fala dois; bipe; bipe; bipe; fala Fim de leitura" },
            { "F9 shows four pages of help", { "a" }, Ext(E::F9) + " " + " " + " " + " " + CONFIRM, { "a" },
                "fala Control mais B" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Session s(c.keys);
            std::vector<std::string> lines = c.lines;
            TextArea area;
            area.height = 10; // eight rows of text inside the frame
            EXPECT_EQ(s.Edit(lines, area), EditorExit::Confirmed);
            EXPECT_EQ(lines, c.result);
            EXPECT_NE(s.rig.Said().find(c.heard_contains), std::string::npos) << s.rig.Said();
        }
    }

} // namespace
} // namespace palavrino::console
