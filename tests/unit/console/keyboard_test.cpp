// The key buffer, the key stream readers and the line editor.
#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "tests/fakes/fake_terminal.h"
#include "tests/fakes/recording_audio.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    constexpr std::size_t BEEP_SAMPLES = 512;
    constexpr std::size_t TICK_SAMPLES = 256;

    std::string Ext(ExtendedKey key)
    {
        return std::string(1, '\0') + static_cast<char>(key);
    }

    // A screen, keyboard, speech layer and editor over a scripted front end.
    struct EditorRig {
        explicit EditorRig(std::string keys, bool live = false)
            : terminal(std::move(keys), live)
            , keyboard(terminal)
            , speech(screen, keyboard, audio)
            , editor(screen, keyboard, speech)
        {
            screen.SetListener(&terminal);
        }

        int Count(std::size_t samples) const
        {
            int n = 0;
            for (const auto& block : audio.Blocks())
                n += block.samples.size() == samples ? 1 : 0;
            return n;
        }

        fakes::FakeTerminal terminal;
        fakes::RecordingAudioSink audio;
        ScreenModel screen;
        Keyboard keyboard;
        Speech speech;
        LineEditor editor;
    };

    TEST(KeyBuffer, HoldsSixtyFourBytesAndNeverSplitsAnExtendedKey)
    {
        KeyBuffer buffer;
        for (std::size_t i = 0; i < 62; ++i)
            ASSERT_TRUE(buffer.PushByte('a'));
        EXPECT_TRUE(buffer.PushExtended(59)); // 62 held: an extended key still fits
        EXPECT_FALSE(buffer.PushByte('z')); // 64 held
        EXPECT_FALSE(buffer.PushExtended(60));
        EXPECT_EQ(buffer.Size(), 64u);

        KeyBuffer nearly_full;
        for (std::size_t i = 0; i < 63; ++i)
            ASSERT_TRUE(nearly_full.PushByte('a'));
        EXPECT_FALSE(nearly_full.PushExtended(59)); // 63 held: both bytes or neither
        EXPECT_EQ(nearly_full.Size(), 63u);
        EXPECT_TRUE(nearly_full.PushByte('b'));
    }

    TEST(KeyBuffer, IsFirstInFirstOutAcrossTheWrap)
    {
        KeyBuffer buffer;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < 50; ++i)
                ASSERT_TRUE(buffer.PushByte(static_cast<std::uint8_t>(i)));
            EXPECT_EQ(buffer.Peek(1), 1);
            for (int i = 0; i < 50; ++i)
                ASSERT_EQ(buffer.Pop(), i);
        }
        EXPECT_TRUE(buffer.Empty());
        EXPECT_EQ(buffer.Pop(), 0);
        EXPECT_EQ(buffer.Peek(0), 0);
    }

    TEST(Keyboard, LongPreparedInputLosesNothing)
    {
        std::string keys;
        for (int i = 0; i < 500; ++i)
            keys.push_back(static_cast<char>('a' + i % 26));
        fakes::FakeTerminal terminal(keys);
        Keyboard keyboard(terminal);
        EXPECT_TRUE(keyboard.KeyWaiting()); // fills the buffer to its limit
        for (int i = 0; i < 500; ++i)
            ASSERT_EQ(keyboard.ReadKey(), 'a' + i % 26);
        EXPECT_FALSE(keyboard.KeyWaiting());
    }

    TEST(Keyboard, ReadsWholeKeysAndPeeks)
    {
        fakes::FakeTerminal terminal("x" + Ext(ExtendedKey::F5) + Ext(ExtendedKey::CtrlInsert));
        Keyboard keyboard(terminal);
        EXPECT_EQ(keyboard.PeekKey(), (std::pair<std::uint8_t, std::uint8_t> { 'x', 0 }));
        EXPECT_EQ(keyboard.ReadWholeKey(), Key::Byte('x'));
        EXPECT_EQ(keyboard.PeekKey(), (std::pair<std::uint8_t, std::uint8_t> { 0, 63 }));
        EXPECT_TRUE(keyboard.ReadWholeKey().Is(ExtendedKey::F5));
        EXPECT_EQ(keyboard.ReadKey(), 0);
        EXPECT_EQ(keyboard.ReadKey(), 255);
    }

    TEST(Keyboard, EndOfInputCountsAsAKeyForReadersButNotForSpeech)
    {
        fakes::FakeTerminal terminal("");
        Keyboard keyboard(terminal);
        EXPECT_FALSE(keyboard.KeyWaiting());
        EXPECT_TRUE(keyboard.KeyPressed());
        EXPECT_FALSE(keyboard.KeyInterruptsSpeech());
        EXPECT_EQ(keyboard.ReadKey(), KEY_ESCAPE);
        EXPECT_EQ(keyboard.ReadKey(), KEY_ESCAPE);
    }

    TEST(Keyboard, OnlyLiveKeysStopSpeechOrAreFlushed)
    {
        struct Case {
            bool live;
            bool interrupts;
            std::size_t left_after_flush;
        };
        const Case cases[] = {
            { true, true, 0 },
            { false, false, 3 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.live ? "live" : "prepared");
            fakes::FakeTerminal terminal("abc", c.live);
            Keyboard keyboard(terminal);
            EXPECT_EQ(keyboard.KeyInterruptsSpeech(), c.interrupts);
            keyboard.FlushKeys();
            std::size_t left = 0;
            while (keyboard.KeyWaiting()) {
                keyboard.ReadKey();
                ++left;
            }
            EXPECT_EQ(left, c.left_after_flush);
        }
    }

    TEST(LineEditor, ReadLineWithScriptedKeys)
    {
        struct Case {
            std::string name;
            std::string keys;
            std::string text;
            Key end;
            int beeps;
        };
        const Case cases[] = {
            { "plain", "abc\r", "abc", Key::Byte(KEY_ENTER), 0 },
            { "backspace", "ab\bc\r", "ac", Key::Byte(KEY_ENTER), 0 },
            { "backspace at start beeps", "\ba\r", "a", Key::Byte(KEY_ENTER), 1 },
            { "escape blanks", "abc\x1B", "", Key::Byte(KEY_ESCAPE), 0 },
            { "end of input", "abc", "", Key::Byte(KEY_ESCAPE), 0 },
            { "tab ends", "ab\t", "ab", Key::Byte(KEY_TAB), 0 },
            { "ctrl+enter ends", "ab\n", "ab", Key::Byte(KEY_CTRL_ENTER), 0 },
            { "F5 ends", "ab" + Ext(ExtendedKey::F5), "ab", Key::Extended(ExtendedKey::F5), 0 },
            { "up ends", Ext(ExtendedKey::Up), "", Key::Extended(ExtendedKey::Up), 0 },
            { "left and insert", "ac" + Ext(ExtendedKey::Left) + "b\r", "abc", Key::Byte(KEY_ENTER), 0 },
            { "left at start beeps", Ext(ExtendedKey::Left) + "x\r", "x", Key::Byte(KEY_ENTER), 1 },
            { "home and insert", "bc" + Ext(ExtendedKey::Home) + "a\r", "abc", Key::Byte(KEY_ENTER), 0 },
            { "home, delete", "xabc" + Ext(ExtendedKey::Home) + Ext(ExtendedKey::Delete) + "\r", "abc",
                Key::Byte(KEY_ENTER), 0 },
            { "end after home", "ab" + Ext(ExtendedKey::Home) + Ext(ExtendedKey::End) + "c\r", "abc",
                Key::Byte(KEY_ENTER), 0 },
            { "right over text", "ab" + Ext(ExtendedKey::Home) + Ext(ExtendedKey::Right) + "X\r", "aXb",
                Key::Byte(KEY_ENTER), 0 },
            // F1 reads the next item; at the end of the text it beeps.
            { "function keys stay in the editor",
                "a" + Ext(ExtendedKey::F1) + Ext(ExtendedKey::ShiftInsert) + "b\r", "ab",
                Key::Byte(KEY_ENTER), 1 },
            { "alt prefix makes an ordinary key", "a" + Ext(ExtendedKey::AltQ) + "b\r", "ab",
                Key::Byte(KEY_ENTER), 0 },
            { "control bytes are not typed",
                "a\x01\x1F"
                "b\r",
                "ab", Key::Byte(KEY_ENTER), 0 },
            { "trailing blanks go", "a b  \r", "a b", Key::Byte(KEY_ENTER), 0 },
            { "accented", "a\xE7\xE3o\r", "a\xE7\xE3o", Key::Byte(KEY_ENTER), 0 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            EditorRig rig(c.keys);
            rig.screen.ConsoleWrite("> ");
            const LineRead line = rig.editor.ReadLine();
            EXPECT_EQ(line.text, c.text);
            EXPECT_EQ(line.end_key, c.end);
            EXPECT_EQ(rig.Count(BEEP_SAMPLES), c.beeps);
            // Only the prompt and the line break are the program's output.
            EXPECT_EQ(rig.terminal.Written(), "> \r\n");
            EXPECT_EQ(rig.screen.CursorRow(), 2);
            EXPECT_EQ(rig.screen.CursorColumn(), 1);
            EXPECT_EQ(rig.screen.RowText(1), ("> " + c.text).append(78 - c.text.size(), ' '));
        }
    }

    TEST(LineEditor, ReadLineHoldsAtMostTwoHundredFiftyFiveCharacters)
    {
        EditorRig rig(std::string(300, 'k') + "\r");
        const LineRead line = rig.editor.ReadLine();
        EXPECT_EQ(line.text, std::string(255, 'k'));
        EXPECT_EQ(rig.Count(BEEP_SAMPLES), 45); // each character past the limit beeps
        // The field shows its first part again when the edit ends.
        EXPECT_EQ(rig.screen.RowText(1), std::string(78, 'k') + "  ");
    }

    TEST(LineEditor, TypingOverAnOfferedValueReplacesIt)
    {
        EditorRig rig("abc\r");
        std::string text = "xyz";
        const Key end = rig.editor.EditLine(text, 1, 1, true, 20, 20);
        EXPECT_EQ(end, Key::Byte(KEY_ENTER));
        EXPECT_EQ(text, "abc");
        EXPECT_EQ(rig.Count(TICK_SAMPLES), 2);
    }

    TEST(LineEditor, MovingFirstKeepsTheOfferedValue)
    {
        EditorRig rig(Ext(ExtendedKey::End) + "!\r");
        std::string text = "xyz";
        rig.editor.EditLine(text, 1, 1, true, 20, 20);
        EXPECT_EQ(text, "xyz!");
        EXPECT_EQ(rig.Count(TICK_SAMPLES), 0); // the first key was a move, not typing
    }

    TEST(LineEditor, AFullFieldBeeps)
    {
        EditorRig rig("abcd\r");
        std::string text;
        rig.editor.EditLine(text, 1, 1, true, 10, 3);
        EXPECT_EQ(text, "abc");
        EXPECT_EQ(rig.Count(BEEP_SAMPLES), 1);
    }

    TEST(LineEditor, AReadOnlyFieldIsNotChanged)
    {
        EditorRig rig("zz\b" + Ext(ExtendedKey::Delete) + Ext(ExtendedKey::F5));
        std::string text = "fixed";
        const Key end = rig.editor.EditLine(text, 5, 3, false, 10, 10);
        EXPECT_TRUE(end.Is(ExtendedKey::F5));
        EXPECT_EQ(text, "fixed");
        EXPECT_EQ(rig.screen.RowText(3).substr(0, 16), "    fixed       ");
        EXPECT_EQ(rig.screen.CursorColumn(), 5);
        EXPECT_EQ(rig.screen.CursorRow(), 3);
    }

    TEST(LineEditor, ANarrowFieldScrollsAndIsRedrawnFromItsStart)
    {
        EditorRig rig("abcdefghij\r");
        std::string text;
        rig.editor.EditLine(text, 3, 2, true, 4, 20);
        EXPECT_EQ(text, "abcdefghij");
        EXPECT_EQ(rig.screen.RowText(2).substr(0, 8), "  abcd  ");
        EXPECT_EQ(rig.editor.LastEditColumn(), 11);
    }

    TEST(LineEditor, OnTheLastRowTheLastCellIsNeverWritten)
    {
        EditorRig rig(std::string(90, 'w') + "\r");
        rig.screen.MoveCursor(1, 25);
        std::string text;
        rig.editor.EditLine(text, 1, 25, true, 80, 100);
        EXPECT_EQ(rig.screen.RowText(25), std::string(79, 'w') + " ");
        EXPECT_EQ(rig.screen.RowText(24), std::string(80, ' ')); // nothing scrolled
        EXPECT_EQ(rig.terminal.Scrolls(), 0);
    }

} // namespace
} // namespace palavrino::console
