// The stream front end: input bytes become keys, end of input reads as
// Escape for ever, and the program's text goes out as UTF-8.
#include "platform/linux/stream_terminal.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace palavrino::platform {
namespace {

    // A pipe for input and one for output, closed at the end.
    class Pipes {
    public:
        Pipes()
        {
            EXPECT_EQ(::pipe(m_in), 0);
            EXPECT_EQ(::pipe(m_out), 0);
        }
        ~Pipes()
        {
            for (int fd : { m_in[0], m_in[1], m_out[0], m_out[1] }) {
                if (fd >= 0)
                    ::close(fd);
            }
        }
        Pipes(const Pipes&) = delete;
        Pipes& operator=(const Pipes&) = delete;

        int InputReadEnd() const { return m_in[0]; }
        int OutputWriteEnd() const { return m_out[1]; }
        void Feed(std::string_view bytes)
        {
            ASSERT_EQ(::write(m_in[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        }
        void EndInput()
        {
            ::close(m_in[1]);
            m_in[1] = -1;
        }
        std::string Output()
        {
            ::close(m_out[1]);
            m_out[1] = -1;
            std::string out;
            char buffer[256];
            ssize_t got;
            while ((got = ::read(m_out[0], buffer, sizeof buffer)) > 0)
                out.append(buffer, static_cast<std::size_t>(got));
            return out;
        }

    private:
        int m_in[2] { -1, -1 };
        int m_out[2] { -1, -1 };
    };

    std::vector<int> ReadAll(StreamTerminal& terminal, std::size_t count)
    {
        std::vector<int> keys;
        for (std::size_t i = 0; i < count; ++i)
            keys.push_back(terminal.ReadKeyByte());
        return keys;
    }

    TEST(StreamTerminal, InputBytesBecomeKeys)
    {
        struct Case {
            std::string input;
            std::vector<int> keys;
        };
        const Case cases[] = {
            { "ab\n", { 'a', 'b', 13, 27 } },
            { "a\r\nb\n", { 'a', 13, 'b', 13, 27 } }, // CR LF is one Enter
            { "\r\r\n", { 13, 13, 27 } },
            { "\n\n", { 13, 13, 27 } },
            { "a\xC3\xA7\xC3\xA3o\n", { 'a', 0xE7, 0xE3, 'o', 13, 27 } }, // UTF-8 to Windows-1252
            { "\xE2\x82\xAC\n", { 0x80, 13, 27 } },
            { "\xE6\x97\xA5\n", { '?', 13, 27 } }, // no Windows-1252 form
            { "\xE7\n", { 0xE7, 13, 27 } }, // not UTF-8: a byte as it is
            { std::string("x\0?\n", 4), { 'x', 0, 63, 13, 27 } }, // NUL introduces an extended key
            { std::string("\0\xC3", 2), { 0, 0xC3, 27 } }, // its code is not decoded
            { "\x1B\b\t", { 27, 8, 9, 13, 27 } },
            { "abc", { 'a', 'b', 'c', 13, 27 } }, // last line without line end
            { "", { 27, 27 } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.input);
            Pipes pipes;
            pipes.Feed(c.input);
            pipes.EndInput();
            StreamTerminal terminal(pipes.InputReadEnd(), pipes.OutputWriteEnd());
            EXPECT_EQ(ReadAll(terminal, c.keys.size()), c.keys);
        }
    }

    TEST(StreamTerminal, EndOfInputReadsAsEscapeForEver)
    {
        Pipes pipes;
        pipes.Feed("q\n");
        pipes.EndInput();
        StreamTerminal terminal(pipes.InputReadEnd(), pipes.OutputWriteEnd());
        EXPECT_FALSE(terminal.InputEnded());
        EXPECT_TRUE(terminal.KeyWaiting());
        EXPECT_EQ(terminal.ReadKeyByte(), 'q');
        EXPECT_EQ(terminal.ReadKeyByte(), 13);
        EXPECT_TRUE(terminal.InputEnded());
        EXPECT_FALSE(terminal.KeyWaiting());
        EXPECT_FALSE(terminal.WaitForKey(10));
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(terminal.ReadKeyByte(), 27);
    }

    TEST(StreamTerminal, KeysArriveAsTheInputGrows)
    {
        Pipes pipes;
        StreamTerminal terminal(pipes.InputReadEnd(), pipes.OutputWriteEnd());
        EXPECT_FALSE(terminal.KeyWaiting());
        EXPECT_FALSE(terminal.InputEnded());
        // A UTF-8 character cut in two by the writer is still one key.
        pipes.Feed("\xC3");
        EXPECT_FALSE(terminal.KeyWaiting());
        pipes.Feed("\xA7");
        EXPECT_TRUE(terminal.WaitForKey(1000));
        EXPECT_EQ(terminal.ReadKeyByte(), 0xE7);
        // So is an extended key whose code comes late.
        pipes.Feed(std::string("\0", 1));
        EXPECT_FALSE(terminal.KeyWaiting());
        pipes.Feed("H");
        EXPECT_TRUE(terminal.KeyWaiting());
        EXPECT_EQ(ReadAll(terminal, 2), (std::vector<int> { 0, 'H' }));
        pipes.EndInput();
        EXPECT_EQ(terminal.ReadKeyByte(), 27);
    }

    TEST(StreamTerminal, WrittenTextGoesOutAsUtf8Lines)
    {
        struct Case {
            std::string written;
            std::string out;
        };
        const Case cases[] = {
            { "Ol\xE1\r\n", "Ol\xC3\xA1\n" },
            { "a\r\nb\nc", "a\nb\nc" },
            { "x\x07y\tz\b!", "xyz!" }, // bell, tab and backspace show nothing
            { "\x80 \x93"
              "a\x94",
                "\xE2\x82\xAC \xE2\x80\x9C"
                "a\xE2\x80\x9D" },
            { "", "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.written);
            Pipes pipes;
            StreamTerminal terminal(pipes.InputReadEnd(), pipes.OutputWriteEnd());
            terminal.TextWritten(c.written);
            EXPECT_FALSE(terminal.OutputFailed());
            EXPECT_EQ(pipes.Output(), c.out);
        }
    }

    TEST(StreamTerminal, AClosedOutputIsReportedNotFatal)
    {
        Pipes pipes;
        StreamTerminal terminal(pipes.InputReadEnd(), -1);
        terminal.TextWritten("lost");
        EXPECT_TRUE(terminal.OutputFailed());
    }

} // namespace
} // namespace palavrino::platform
