// The speaking line editor driven by scripted keys: the resulting text, the
// key that ended the edit, the screen cells and what the user heard.
#include "tests/unit/console/console_rig.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    using testing::ConsoleRig;
    using testing::Ext;
    constexpr std::uint8_t SHIFT = platform::MOD_SHIFT;
    constexpr std::uint8_t ALT = platform::MOD_ALT;

    // A key script: ordinary bytes and extended keys, each with modifiers.
    struct Step {
        std::string bytes;
        std::optional<ExtendedKey> key;
        std::uint8_t modifiers { 0 };
    };
    Step T(std::string bytes)
    {
        return Step { std::move(bytes), std::nullopt, 0 };
    }
    Step K(ExtendedKey key, std::uint8_t modifiers = 0)
    {
        return Step { {}, key, modifiers };
    }

    void Play(ConsoleRig& rig, const std::vector<Step>& steps)
    {
        for (const Step& s : steps) {
            if (s.key)
                rig.terminal.Press(*s.key, s.modifiers);
            else
                rig.terminal.Type(s.bytes, s.modifiers);
        }
    }

    TEST(LineEditorKeys, EachKeyOfTheTables)
    {
        using E = ExtendedKey;
        struct Case {
            std::string name;
            std::string offered;
            std::vector<Step> keys;
            std::string text;
            std::string heard;
            Key end { Key::Byte(KEY_ENTER) };
            int length { 20 };
        };
        const Case cases[] = {
            { "ctrl+d blanks to the end", "abcdef", { K(E::Right), K(E::Right), T("\x04\r") }, "ab",
                "letra a; letra b; som _APFCPO" },
            { "ctrl+s deletes before the cursor", "abcdef", { K(E::Right), K(E::Right), T("\x13\r") }, "cdef",
                "letra a; letra b; som _APICPO" },
            { "ctrl+u brings the offered text back", "abc", { K(E::End), T("x\x15\r") }, "abc",
                "letra x; bipe; bipe; bipe" },
            { "ctrl+y blanks the field", "abc", { T("\x19z\r") }, "z", "som _CPOAPA; letra z" },
            { "ctrl+k says the position", "abc", { K(E::Right), T("\x0B\r") }, "abc", "letra a; fala 2" },
            { "backspace deletes before the cursor", "abc", { K(E::End), T("\b\r") }, "ab", "letra c" },
            { "backspace at the start beeps", "", { T("\b\r") }, "", "bipe" },
            { "ctrl+backspace deletes the word before", "um dois", { K(E::End), T("\x7F\r") }, "um",
                "tique; som _DEL; letra d; letra o; letra i; letra s" },
            { "222 reads the whole text", "abc", { T("\xDE\r") }, "abc", "fala abc" },
            { "223 is ignored", "abc", { T("\xDF\r") }, "abc", "" },
            { "ctrl+\\ plays telephone keys", "1,*#a", { T("\x1C\r") }, "1,*#a",
                "som dtmf_1; pausa 100; pausa 1000; som dtmf_X; pausa 100; som dtmf_#; pausa 100" },
            { "F1 reads item by item", "12 abc bcd -5 ,",
                { K(E::F1), K(E::F1), K(E::F1), K(E::F1), K(E::F1), K(E::F1), T("\r") }, "12 abc bcd -5 ,",
                "fala 12; fala abc; soletra bcd; fala -5; soletra ,; bipe" },
            { "alt+F1 and F1 with alt say the battery", "", { K(E::AltF1), K(E::F1, ALT), T("\r") }, "",
                "bateria; bateria" },
            { "F4 switches the echo of typing", "", { K(E::F4), T("a"), K(E::F4), T("b\r") }, "ab",
                "som _FALDLG; som _FALACI; letra b" },
            { "F8 and ctrl+F8 say the time and date", "", { K(E::F8), K(E::CtrlF8), T("\r") }, "",
                "hora; data" },
            { "F12 opens an address with the browser", "veja (www.x.com).",
                { K(E::CtrlRight), K(E::F12), T("\r") }, "veja (www.x.com).",
                "tique; abre navegador www.x.com" },
            { "F12 on a blank beeps", "a  b", { K(E::Right), K(E::Right), K(E::F12), T("\r") }, "a  b",
                "letra a; letra  ; bipe" },
            { "home and end", "ab", { K(E::End), T("c"), K(E::Home), T("x\r") }, "xabc", "letra c; letra x" },
            { "left at the start beeps", "ab", { K(E::Left), K(E::End), K(E::Left), T("\r") }, "ab",
                "bipe; letra b" },
            { "right past the end beeps", "ab", { K(E::Right), K(E::Right), K(E::Right), T("\r") }, "ab",
                "letra a; letra b; bipe", Key::Byte(KEY_ENTER), 2 },
            { "alt+right says a letter's code", "a", { K(E::Right, ALT), T("\r") }, "a",
                "som _FON; fala 97" },
            { "word moves tick and beep at the ends", "um dois",
                { K(E::CtrlRight), K(E::CtrlRight), K(E::CtrlLeft), K(E::CtrlLeft), K(E::CtrlLeft),
                    T("X\r") },
                "Xum dois", "tique; bipe; tique; tique; bipe; letra X" },
            { "delete removes the character at the cursor", "abc", { K(E::Delete), T("\r") }, "bc",
                "som _DEL; letra a" },
            { "delete removes a selection", "abcdef",
                { K(E::Right, SHIFT), K(E::Right, SHIFT), K(E::Delete), T("\r") }, "cdef",
                "letra a; letra b; som _DEL; letra a; letra b" },
            { "ctrl+F1 reads the whole text", "abc  ", { K(E::CtrlF1), T("\r") }, "abc", "fala abc" },
            { "ctrl+F4 changes the speed", "", { K(E::CtrlF4), T("4\r") }, "",
                "som _VELOC; letra 4; velocidade 4" },
            { "ctrl+F4 then escape keeps the speed", "", { K(E::CtrlF4), T("\x1B\r") }, "",
                "som _VELOC; letra \x1B" },
            { "ctrl+alt+F9 opens screen review", "", { K(E::CtrlF9, ALT), T("\x1B\r") }, "",
                "revisao; bipe; bipe; bipe" },
            { "ctrl+F9 alone ends", "ab", { K(E::CtrlF9) }, "ab", "", Key::Extended(E::CtrlF9) },
            { "alt+digits are ignored", "", { K(E::Alt1), K(E::Alt0), T("\r") }, "", "" },
            { "F5 ends and keeps the text", "ab", { K(E::F5) }, "ab", "", Key::Extended(E::F5) },
            { "page down ends", "", { K(E::PageDown) }, "", "", Key::Extended(E::PageDown) },
            { "typing over an offered value replaces it", "xyz", { T("abc\r") }, "abc",
                "tique; tique; letra a; letra b; letra c" },
            { "moving first keeps the offered value", "xyz", { K(E::End), T("!\r") }, "xyz!", "letra !" },
            { "a full field beeps", "", { T("abcd\r") }, "abc", "letra a; letra b; letra c; bipe",
                Key::Byte(KEY_ENTER), 3 },
            { "alt+Q makes the next byte an ordinary key", "", { K(E::AltQ), T("\x01q\r") }, "q", "letra q" },
            { "ctrl+b ends", "a", { T("\x02") }, "a", "", Key::Byte(KEY_CTRL_B) },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ConsoleRig rig;
            Play(rig, c.keys);
            std::string text = c.offered;
            const Key end = rig.editor.EditLine(text, 1, 1, true, c.length, c.length);
            EXPECT_EQ(text, c.text);
            EXPECT_EQ(end, c.end);
            EXPECT_EQ(rig.Said(), c.heard);
        }
    }

    TEST(LineEditorKeys, ClipboardCopyAndPaste)
    {
        using E = ExtendedKey;
        struct Case {
            std::string name;
            std::string offered;
            std::string clipboard;
            std::vector<Step> keys;
            std::string text;
            std::string clipboard_after;
            std::string heard;
        };
        const Case cases[] = {
            { "copy without a selection takes the whole line", "abc", "", { K(E::CtrlInsert), T("\r") },
                "abc", "abc\r\n", "" },
            { "ctrl+c copies the selection", "abcdef", "", { K(E::Right), K(E::End, SHIFT), T("\x03\r") },
                "abcdef", "bcdef", "letra a" },
            { "paste keeps the first line only", "", "ab\r\ncd", { K(E::ShiftInsert, SHIFT), T("\r") }, "ab",
                "ab\r\ncd", "" },
            { "paste over an offered value replaces it", "xyz", "ab", { K(E::ShiftInsert), T("\r") }, "ab",
                "ab", "tique; tique" },
            { "ctrl+v replaces the selection", "hello world", "bye", { K(E::CtrlRight, SHIFT), T("\x16\r") },
                "byeworld", "bye", "tique" },
            { "paste is cut to the field", "abcd", "123456", { K(E::End), T("\x16\r") }, "abcd12", "123456",
                "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ConsoleRig rig;
            rig.clipboard.PutText(c.clipboard);
            Play(rig, c.keys);
            std::string text = c.offered;
            (void)rig.editor.EditLine(text, 1, 1, true, 6, c.name.find("cut") != std::string::npos ? 6 : 20);
            EXPECT_EQ(text, c.text);
            EXPECT_EQ(rig.clipboard.GetText(), c.clipboard_after);
            EXPECT_EQ(rig.Said(), c.heard);
        }
    }

    TEST(LineEditorKeys, TheSelectionIsDrawnOnGrey)
    {
        ConsoleRig rig;
        std::uint8_t selected = 0;
        std::uint8_t plain = 0;
        EditorServices services;
        services.screen_review = [&] {
            selected = rig.screen.ScreenAttr(2, 1);
            plain = rig.screen.ScreenAttr(4, 1);
        };
        rig.editor.SetServices(services);
        rig.terminal.Press(ExtendedKey::Right);
        rig.terminal.Press(ExtendedKey::Right, SHIFT);
        rig.terminal.Press(ExtendedKey::Right, SHIFT);
        rig.terminal.Press(ExtendedKey::CtrlF9, ALT);
        rig.terminal.Type("\r");
        std::string text = "abcdef";
        (void)rig.editor.EditLine(text, 1, 1, true, 10, 10);
        EXPECT_EQ(selected, 0x8F);
        EXPECT_EQ(plain, 0x0F);
        EXPECT_EQ(rig.screen.ScreenAttr(2, 1), 0x0F); // drawn plain again at the end
    }

    TEST(LineEditorKeys, PreparedInputIsNotSpokenBack)
    {
        ConsoleRig rig("abc" + Ext(ExtendedKey::Left) + "\r", false);
        std::string text;
        (void)rig.editor.EditLine(text, 1, 1, true, 10, 10);
        EXPECT_EQ(text, "abc");
        EXPECT_EQ(rig.Said(), "");
    }

    TEST(OpenWord, WhatF12Starts)
    {
        struct Case {
            std::string text;
            int position;
            std::optional<OpenRequest> request;
        };
        const auto config = [](std::string_view section, std::string_view key) -> std::string {
            if (section != "TALIRA")
                return {};
            if (key == "PROG.HTM")
                return "navegador";
            if (key == "PROG.TXT")
                return "editor";
            return {};
        };
        const Case cases[] = {
            { "veja http://a.b/c", 8, OpenRequest { "navegador", "http://a.b/c" } },
            { "\"www.exemplo.com.br\"", 3, OpenRequest { "navegador", "www.exemplo.com.br" } },
            { "leia nota.txt agora", 7, OpenRequest { "editor", "nota.txt" } },
            { "foto.jpg", 1, OpenRequest { "", "foto.jpg" } }, // the desktop chooses
            { "prog.exe", 1, OpenRequest { "/dir/prog.exe", "" } },
            { "/bin/x.com", 1, OpenRequest { "/bin/x.com", "" } },
            { "abc ", 4, OpenRequest { "", "abc" } }, // just after a word
            { "a  b", 3, std::nullopt },
            { "(*-)", 2, std::nullopt },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            EXPECT_EQ(ResolveWordToOpen(c.text, c.position, config, "/dir"), c.request);
        }
    }

    TEST(PlainLineReader, TypingBackspaceLimitsAndEscape)
    {
        struct Case {
            std::string name;
            std::string keys;
            int size;
            bool hidden;
            std::string text;
            Key end;
            std::string row;
        };
        const Case cases[] = {
            { "plain", "ab\bc\r", 257, false, "ac", Key::Byte(KEY_ENTER), "ac   " },
            { "extended keys are not typed", "a" + Ext(ExtendedKey::F1) + "b\r", 257, false, "ab",
                Key::Byte(KEY_ENTER), "ab   " },
            { "at most size - 2 characters", "abcdef\r", 5, false, "abc", Key::Byte(KEY_ENTER), "abc  " },
            { "escape abandons the line", "abc\x1B", 257, false, "", Key::Byte(KEY_ESCAPE), "     " },
            { "hidden typing leaves blanks only", "s3\bcr\r", 257, true, "scr", Key::Byte(KEY_ENTER),
                "     " },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ConsoleRig rig(c.keys);
            const LineRead line = rig.editor.ReadBufferLine(c.size, c.hidden);
            EXPECT_EQ(line.text, c.text);
            EXPECT_EQ(line.end_key, c.end);
            EXPECT_EQ(rig.screen.RowText(1).substr(0, 5), c.row);
            EXPECT_EQ(rig.screen.CursorRow(), 2);
            EXPECT_EQ(rig.terminal.Written(), "\r\n"); // the typing is not the program's output
            EXPECT_EQ(rig.Said(), "");
            if (c.hidden) {
                EXPECT_EQ(rig.screen.ScreenAttr(1, 1), 0); // black on black
                EXPECT_EQ(rig.screen.CurrentAttr(), 0x0F); // and back afterwards
            }
        }
    }

    TEST(PlainLineReader, NextKeySpokenSaysTheKey)
    {
        ConsoleRig rig("x" + Ext(ExtendedKey::F5));
        EXPECT_EQ(rig.editor.NextKeySpoken(), Key::Byte('x'));
        EXPECT_EQ(rig.editor.NextKeySpoken(), Key::Extended(ExtendedKey::F5));
        EXPECT_EQ(rig.Said(), "letra x");
    }

    TEST(PlainLineReader, ReadLineEndedWithEscapeLeavesTheRowBlank)
    {
        ConsoleRig rig("abc\x1B");
        rig.screen.ConsoleWrite("> ");
        const LineRead line = rig.editor.ReadLine();
        EXPECT_EQ(line.text, "");
        EXPECT_EQ(rig.screen.RowText(1).substr(0, 6), ">     ");
        EXPECT_EQ(rig.screen.CursorRow(), 2);
    }

} // namespace
} // namespace palavrino::console
