// The terminal front end's key decoder and colour choice: the bytes real
// terminals send become the console's key stream.
#include "platform/linux/ncurses_terminal.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace palavrino::platform {
namespace {

    using Keys = std::vector<TerminalKeyDecoder::KeyByte>;

    Keys Decode(TerminalKeyDecoder& decoder, std::string_view bytes, bool then_timeout = true)
    {
        decoder.Feed(bytes);
        if (then_timeout)
            decoder.Timeout();
        Keys keys;
        while (decoder.HasKey())
            keys.push_back(decoder.TakeKey());
        return keys;
    }

    Keys Ext(std::uint8_t code, std::uint8_t modifiers = 0)
    {
        return { { 0, modifiers }, { code, modifiers } };
    }
    Keys Byte(std::uint8_t b, std::uint8_t modifiers = 0)
    {
        return { { b, modifiers } };
    }

    TEST(TerminalKeys, SequencesOfCommonTerminals)
    {
        struct Case {
            std::string name;
            std::string bytes;
            Keys keys;
        };
        const Case cases[] = {
            { "letters", "aZ", { { 'a', 0 }, { 'Z', 0 } } },
            { "utf-8 to windows-1252", "\xC3\xA7\xE2\x82\xAC", { { 0xE7, 0 }, { 0x80, 0 } } },
            { "not in windows-1252", "\xE2\x88\x9E", Byte('?') },
            { "not utf-8 is taken as it is", "\xE7x", { { 0xE7, 0 }, { 'x', 0 } } },
            { "enter and ctrl+enter", "\r\n", { { 13, 0 }, { 10, 0 } } },
            { "backspace and ctrl+backspace", "\x7F\x08", { { 8, 0 }, { 127, 0 } } },
            { "tab and control keys", "\t\x03\x13\x1C", { { 9, 0 }, { 3, 0 }, { 19, 0 }, { 28, 0 } } },
            { "lone escape", "\x1B", Byte(27) },
            { "two escapes", "\x1B\x1B", { { 27, 0 }, { 27, 0 } } },
            { "F1 as SS3", "\x1BOP", Ext(59) },
            { "F1 as VT220", "\x1B[11~", Ext(59) },
            { "F1 on the Linux console", "\x1B[[A", Ext(59) },
            { "F5", "\x1B[15~", Ext(63) },
            { "F9", "\x1B[20~", Ext(67) },
            { "F12", "\x1B[24~", Ext(70) },
            { "ctrl+F1", "\x1B[1;5P", Ext(94, MOD_CTRL) },
            { "ctrl+F9", "\x1B[20;5~", Ext(102, MOD_CTRL) },
            { "ctrl+alt+F9", "\x1B[20;7~", Ext(102, MOD_CTRL | MOD_ALT) },
            { "ctrl+shift+F9", "\x1B[20;6~", Ext(102, MOD_CTRL | MOD_SHIFT) },
            { "alt+F1", "\x1B[1;3P", Ext(59, MOD_ALT) },
            { "shift+F4", "\x1B[1;2S", Ext(62, MOD_SHIFT) },
            { "arrows", "\x1B[A\x1B[B\x1B[C\x1B[D",
                { { 0, 0 }, { 72, 0 }, { 0, 0 }, { 80, 0 }, { 0, 0 }, { 77, 0 }, { 0, 0 }, { 75, 0 } } },
            { "application arrows", "\x1BOD", Ext(75) },
            { "ctrl+left", "\x1B[1;5D", Ext(115, MOD_CTRL) },
            { "shift+right", "\x1B[1;2C", Ext(77, MOD_SHIFT) },
            { "home and end", "\x1B[H\x1B[4~", { { 0, 0 }, { 71, 0 }, { 0, 0 }, { 79, 0 } } },
            { "ctrl+home", "\x1B[1;5H", Ext(119, MOD_CTRL) },
            { "page keys", "\x1B[5~\x1B[6;5~", { { 0, 0 }, { 73, 0 }, { 0, MOD_CTRL }, { 118, MOD_CTRL } } },
            { "ctrl+page up", "\x1B[5;5~", Ext(132, MOD_CTRL) },
            { "insert, shift+insert and ctrl+insert", "\x1B[2~\x1B[2;2~\x1B[2;5~",
                { { 0, 0 }, { 82, 0 }, { 0, MOD_SHIFT }, { 254, MOD_SHIFT }, { 0, MOD_CTRL },
                    { 255, MOD_CTRL } } },
            { "delete", "\x1B[3~", Ext(83) },
            { "shift+tab", "\x1B[Z", Ext(15, MOD_SHIFT) },
            { "rxvt ctrl+up", "\x1BOa", Ext(113, MOD_CTRL) },
            { "rxvt shift+F", "\x1B[2$", Ext(254, MOD_SHIFT) },
            { "rxvt ctrl+F5", "\x1B[15^", Ext(98, MOD_CTRL) },
            { "alt+letter", "\x1Bq", Ext(16, MOD_ALT) },
            { "alt+digit",
                "\x1B"
                "1\x1B"
                "0",
                { { 0, MOD_ALT }, { 120, MOD_ALT }, { 0, MOD_ALT }, { 129, MOD_ALT } } },
            { "alt with a mark is the mark", "\x1B-", Byte('-', MOD_ALT) },
            { "escape prefix on a sequence is alt", "\x1B\x1B[20;5~", Ext(102, MOD_CTRL | MOD_ALT) },
            { "keypad enter", "\x1BOM", Byte(13) },
            { "keypad digit", "\x1BOq", Byte('1') },
            { "csi u ctrl+enter", "\x1B[13;5u", Byte(10) },
            { "unknown sequences are dropped whole", "\x1B[99~x\x1B[?1;2cy", { { 'x', 0 }, { 'y', 0 } } },
            { "mouse reports are not keys", "\x1B[<0;3;4Mz", Byte('z') },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            TerminalKeyDecoder decoder;
            EXPECT_EQ(Decode(decoder, c.bytes), c.keys);
        }
    }

    TEST(TerminalKeys, CtrlF12IsTheBreakKeyNotAKey)
    {
        TerminalKeyDecoder decoder;
        EXPECT_EQ(Decode(decoder, "\x1B[24;5~a"), Byte('a'));
        EXPECT_TRUE(decoder.TakeInterrupt());
        EXPECT_FALSE(decoder.TakeInterrupt());
    }

    TEST(TerminalKeys, CtrlSpaceIsTheSilenceKeyNotAKey)
    {
        TerminalKeyDecoder decoder;
        EXPECT_EQ(Decode(decoder, std::string("a\0b", 3)), (Keys { { 'a', 0 }, { 'b', 0 } }));
        EXPECT_TRUE(decoder.TakeSilence());
        EXPECT_FALSE(decoder.TakeSilence());
        EXPECT_FALSE(decoder.TakeInterrupt());
    }

    TEST(TerminalKeys, SequencesSplitAcrossReadsWait)
    {
        TerminalKeyDecoder decoder;
        EXPECT_TRUE(Decode(decoder, "\x1B", false).empty());
        EXPECT_TRUE(decoder.Waiting());
        EXPECT_TRUE(Decode(decoder, "[1", false).empty());
        EXPECT_EQ(Decode(decoder, "5~", false), Ext(63));
        EXPECT_TRUE(Decode(decoder, "\xC3", false).empty());
        EXPECT_EQ(Decode(decoder, "\xA3", false), Byte(0xE3));
        // A sequence cut short is Escape and typed characters after all.
        EXPECT_EQ(Decode(decoder, "\x1B[", true), (Keys { { 27, 0 }, { '[', 0 } }));
        EXPECT_FALSE(decoder.Waiting());
    }

    TEST(TerminalKeys, TheTerminalsOwnNamesAndBackspace)
    {
        TerminalKeyDecoder decoder;
        decoder.AddSequence("\x1B[M", 4, 0); // some terminal's F5 (NamedKey::F5 is 4)
        decoder.SetBackspaceByte(0x08);
        EXPECT_EQ(Decode(decoder, "\x1B[M"), Ext(63));
        EXPECT_EQ(Decode(decoder, "\x08\x7F"), (Keys { { 8, 0 }, { 127, 0 } }));
    }

    // The Linux text console sends no Ctrl/Shift/Alt variants of its keys;
    // data/linux-console/palavrino.keymap makes it send xterm's. Every
    // string of that keymap must decode to the key its comment names.
    TEST(TerminalKeys, TheLinuxConsoleKeymapReachesEveryKey)
    {
        const std::map<std::string, std::uint8_t> expected = {
            { "Ctrl+Up", 113 },
            { "Ctrl+Down", 114 },
            { "Ctrl+Left", 115 },
            { "Ctrl+Right", 116 },
            { "Ctrl+Home", 119 },
            { "Ctrl+End", 117 },
            { "Ctrl+PageUp", 132 },
            { "Ctrl+PageDown", 118 },
            { "Shift+Up", 72 },
            { "Shift+Down", 80 },
            { "Shift+Left", 75 },
            { "Shift+Right", 77 },
            { "Shift+Home", 71 },
            { "Shift+End", 79 },
            { "Shift+PageUp", 73 },
            { "Shift+PageDown", 81 },
            { "Shift+Delete", 83 },
            { "Ctrl+Shift+Left", 115 },
            { "Ctrl+Shift+Right", 116 },
            { "Ctrl+Shift+Home", 119 },
            { "Ctrl+Shift+End", 117 },
            { "Ctrl+Insert (copy)", 255 },
            { "Shift+Insert (paste)", 254 },
            { "Ctrl+F1", 94 },
            { "Ctrl+F2", 95 },
            { "Ctrl+F3", 96 },
            { "Ctrl+F4", 97 },
            { "Ctrl+F5", 98 },
            { "Ctrl+F6", 99 },
            { "Ctrl+F7", 100 },
            { "Ctrl+F8", 101 },
            { "Ctrl+F9", 102 },
            { "Ctrl+F10", 103 },
            { "Ctrl+F11", 104 },
            { "Alt+F1 (battery)", 59 },
            { "Ctrl+Shift+F9 (screen review)", 102 },
            { "Shift+Tab", 15 },
        };
        const std::string path = std::string(PL_SOURCE_DIR) + "/data/linux-console/palavrino.keymap";
        std::ifstream in(path);
        ASSERT_TRUE(in) << path;
        std::string line;
        std::string what;
        std::set<std::string> decoded;
        bool saw_ctrl_f12 = false;
        while (std::getline(in, line)) {
            if (line.starts_with("# ")) {
                what = line.substr(2);
                continue;
            }
            if (!line.starts_with("string "))
                continue;
            const auto open = line.find('"');
            std::string bytes = line.substr(open + 1, line.rfind('"') - open - 1);
            for (std::size_t at; (at = bytes.find("\\033")) != std::string::npos;)
                bytes.replace(at, 4, "\x1B");
            SCOPED_TRACE(what);
            TerminalKeyDecoder decoder;
            const Keys keys = Decode(decoder, bytes);
            if (what == "Ctrl+F12") { // the break key: a request, not a key
                EXPECT_TRUE(keys.empty());
                EXPECT_TRUE(decoder.TakeInterrupt());
                saw_ctrl_f12 = true;
                continue;
            }
            const auto want = expected.find(what);
            ASSERT_NE(want, expected.end()) << "a keymap entry the test does not know";
            ASSERT_EQ(keys.size(), 2u);
            EXPECT_EQ(keys[0].byte, 0);
            EXPECT_EQ(keys[1].byte, want->second);
            decoded.insert(what);
        }
        EXPECT_TRUE(saw_ctrl_f12);
        EXPECT_EQ(decoded.size(), expected.size());
        // Ctrl+Backspace and Ctrl+Enter come as ^H and ^J.
        TerminalKeyDecoder decoder;
        EXPECT_EQ(Decode(decoder, "\x08"), Byte(127));
        EXPECT_EQ(Decode(decoder, "\x0A"), Byte(10));
    }

    TEST(TerminalColours, ThePaletteOnTerminals)
    {
        struct Case {
            TerminalRgb rgb;
            int xterm256;
            int ansi16;
            int ansi8;
        };
        const Case cases[] = {
            { { 0, 0, 0 }, 16, 0, 0 },
            { { 255, 255, 255 }, 231, 15, 7 },
            { { 255, 255, 0 }, 226, 11, 3 },
            { { 0, 0, 255 }, 21, 4, 4 },
            { { 192, 192, 192 }, 250, 7, 7 },
            { { 40, 40, 40 }, 235, 0, 0 },
            { { 142, 0, 142 }, 90, 5, 5 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.xterm256);
            EXPECT_EQ(NearestXterm256(c.rgb), c.xterm256);
            EXPECT_EQ(NearestAnsi16(c.rgb), c.ansi16);
            EXPECT_EQ(NearestAnsi8(c.rgb), c.ansi8);
        }
    }

    TEST(TerminalColours, EveryConsoleColourKeepsItsOwnOnFewColourTerminals)
    {
        // Sixteen colours: the PC order, each colour its own.
        std::set<int> seen;
        for (int palette = 0; palette < 16; ++palette)
            seen.insert(MapCellColours(palette, 0, 16).fore);
        EXPECT_EQ(seen.size(), 16u);
        EXPECT_EQ(MapCellColours(6, 8, 16), (TerminalColours { 3, 8, false })); // brown on dark grey
        EXPECT_EQ(MapCellColours(1, 0, 16), (TerminalColours { 4, 0, false })); // blue is blue

        struct Case {
            int fore, back;
            TerminalColours shown;
        };
        const Case eight[] = {
            { 6, 8, { 3, 7, false } }, // brown on dark grey: not black on black
            { 15, 8, { 7, 7, true } }, // the editor's selection: bright on grey
            { 7, 8, { 7, 7, true } }, // light grey on dark grey stays readable
            { 15, 0, { 7, 0, true } }, // bright colours are bold
            { 8, 0, { 0, 0, true } }, // dark grey on black: bright black
            { 14, 1, { 3, 4, true } }, // yellow on blue
            { 7, 7, { 7, 7, false } }, // the same colour twice stays the same
        };
        for (const Case& c : eight) {
            SCOPED_TRACE(testing::Message() << c.fore << " on " << c.back);
            EXPECT_EQ(MapCellColours(c.fore, c.back, 8), c.shown);
        }
        // Terminals with more colours keep the exact shades.
        EXPECT_EQ(MapCellColours(6, 8, 1 << 24), (TerminalColours { 0x442222, 0x282828, false }));
        EXPECT_EQ(MapCellColours(8, 0, 256).fore, 235);
    }

    TEST(StartProgram, ReportsWhetherTheProgramCouldBeStarted)
    {
        EXPECT_TRUE(StartProgram("true", "", "/"));
        EXPECT_TRUE(StartProgram("sh", "-c", "/"));
        EXPECT_FALSE(StartProgram("/nonexistent/palavrino-program", "x", "/"));
        EXPECT_FALSE(StartProgram("", "", "/")); // nothing to open
    }

} // namespace
} // namespace palavrino::platform
