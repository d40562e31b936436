// The fixture of the desktop tests: one X desktop per test program (each
// test runs as a program of its own under ctest), a runtime with the
// standard commands over an in-memory console, and the test clients' logs
// in a fresh directory.
#pragma once

#include "commands/standard.h"
#include "interp/runtime.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"
#include "tests/x11/x11_session.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace palavrino::testing {

class DesktopTest : public ::testing::Test {
protected:
    static X11Desktop*& Desktop()
    {
        static X11Desktop* desktop = nullptr;
        return desktop;
    }
    static void SetUpTestSuite() { Desktop() = new X11Desktop(); }
    static void TearDownTestSuite()
    {
        delete Desktop();
        Desktop() = nullptr;
    }
    void SetUp() override
    {
        if (!Desktop()->Started())
            GTEST_SKIP() << Desktop()->Reason();
        ::setenv("DISPLAY", Desktop()->Display().c_str(), 1);
        // The user's own session bus stays out of the tests.
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        ::unsetenv("AT_SPI_BUS_ADDRESS");
        ASSERT_TRUE(Desktop()->EnsureWindowManager()) << "openbox stopped and could not be started again";
    }

    bool Run(const std::string& line) { return rt.RunInteractiveLine(line); }
    std::string Written(const std::string& line)
    {
        io.written.clear();
        Run(line);
        return io.written;
    }
    int32_t Status() { return rt.SlotAt(0).io_status; }
    std::string Log(const std::string& name) { return dir.Path() / name; }
    std::string LogText(const std::string& name) { return fakes::TempDir::Read(dir.Path() / name); }
    bool LogHas(const std::string& name, const std::string& text)
    {
        return LogText(name).find(text) != std::string::npos;
    }
    [[nodiscard]] bool AwaitLog(const std::string& name, const std::string& text)
    {
        return PollUntil([&] { return LogHas(name, text); });
    }
    // The text of the keys a client received (UTF-8), Enter as "\r".
    std::string Typed(const std::string& name)
    {
        std::istringstream in(LogText(name));
        std::string line;
        std::string text;
        while (std::getline(in, line)) {
            if (line.rfind("key ", 0) != 0)
                continue;
            const size_t sym_end = line.find(' ', 4);
            const size_t state_end = line.find(' ', sym_end + 1);
            if (state_end != std::string::npos)
                text += line.substr(state_end + 1);
        }
        return text;
    }
    // Opens a client window and waits until it has the focus.
    [[nodiscard]] bool OpenFocused(const std::string& title, const std::string& log)
    {
        Desktop()->OpenWindow(title, Log(log));
        return Desktop()->AwaitActive(title) && AwaitLog(log, "ready");
    }
    void Close(const std::string& title, const std::string& log)
    {
        Run("JANELA FECHA \"" + title + "\"");
        EXPECT_TRUE(AwaitLog(log, "closed")) << title;
    }

    MemoryHostIo io;
    interp::Runtime rt { io, commands::StandardCommands() };
    fakes::TempDir dir;
};

} // namespace palavrino::testing
