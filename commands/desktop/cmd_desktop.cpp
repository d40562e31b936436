// ESPERA, EXECUTA and CMD. Every wait here is taken in short steps and ends
// as soon as the user presses Ctrl+C; the run loop then stops the script
// with its usual "interrupted" report.
#include "commands/desktop/cmd_desktop.h"

#include "core/char_tables.h"
#include "core/quoted_words.h"
#include "encoding/encoding.h"
#include "interp/command_helpers.h"
#include "messages/desktop.h"
#include "messages/interp.h"
#include "platform/desktop_program.h"
#include "platform/desktop_x11.h"
#include "platform/interrupt.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

namespace palavrino::interp {

namespace {

    constexpr int PAUSE_STEP_MS = 50;
    constexpr int DEFAULT_RETURN_PAUSE_MS = 1000;
    // A program has this long after it starts to take the focus.
    constexpr auto FOCUS_TAKE_LIMIT = std::chrono::seconds(5);
    constexpr int FOCUS_CHECK_MS = 100;
    // CMD may run a line that is itself a CMD; a string that names itself
    // would otherwise recurse until the stack runs out.
    constexpr int MAX_CMD_DEPTH = 16;

    // Pauses `ms` milliseconds; false when the break request cut it short.
    bool PauseInterruptibly(Runtime& rt, int64_t ms)
    {
        while (ms > 0) {
            if (platform::InterruptPending())
                return false;
            const int step = static_cast<int>(std::min<int64_t>(ms, PAUSE_STEP_MS));
            rt.io.PauseMs(step);
            ms -= step;
        }
        return !platform::InterruptPending();
    }

    // After a program waited for has ended: it may have handed its work to
    // a window of its own (an opener, a running instance). Until `take_by`
    // the focus is given the time to move to that window; once it has
    // moved, the user is back when it returns to `window`. False when the
    // break request ended the wait.
    bool WaitForUserToComeBack(uint64_t window, std::chrono::steady_clock::time_point take_by)
    {
        bool moved = false;
        for (;;) {
            uint64_t active = 0;
            if (platform::ActiveWindowId(active) != platform::DesktopStatus::Ok)
                return true;
            if (active != window && active != 0)
                moved = true;
            else if (moved || std::chrono::steady_clock::now() >= take_by)
                return true;
            if (platform::InterruptPending())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(FOCUS_CHECK_MS));
        }
    }

    std::string_view Trim(std::string_view text)
    {
        const size_t first = text.find_first_not_of(' ');
        if (first == std::string_view::npos)
            return {};
        return text.substr(first, text.find_last_not_of(' ') - first + 1);
    }

    // The pause after a waited-for program, from the configuration.
    int ReturnPauseMs(Runtime& rt)
    {
        int32_t ms = 0;
        const std::string text = rt.io.ReadConfig("TALIRA", "TEMPOESPERAPROGVOLTAR");
        if (!core::IsIntegerText(text, &ms) || ms < 0 || ms > 1000)
            return DEFAULT_RETURN_PAUSE_MS;
        return ms;
    }

    // A document or address rather than a program: the desktop's opener
    // chooses the program for it.
    bool IsDocument(const std::string& program)
    {
        std::error_code ec;
        return program.find("://") != std::string::npos || program.rfind("mailto:", 0) == 0
            || std::filesystem::is_regular_file(program, ec) || std::filesystem::is_directory(program, ec);
    }

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> words;
    std::string_view rest;
    if (!line.empty() && line[0] == '"') {
        const size_t close = line.find('"', 1);
        words.emplace_back(
            Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        rest = close == std::string_view::npos ? std::string_view {} : line.substr(close + 1);
    } else {
        const size_t blank = line.find(' ');
        words.emplace_back(Trim(line.substr(0, blank)));
        rest = blank == std::string_view::npos ? std::string_view {} : line.substr(blank + 1);
    }
    for (std::string& word : core::SplitQuotedWords(rest))
        words.push_back(std::move(word));
    return words;
}

// ESPERA seconds  |  ESPERA count MS  |  ESPERA seconds title
bool CmdEspera(Runtime& rt)
{
    rt.Slot().io_status = 0;
    Value v;
    if (!rt.lexer.AtEnd())
        rt.ParseExpressionAs(v, ValueKind::Integer);
    if (!v.is(ValueKind::Integer) || v.AsInt() <= 0)
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_SECONDS);
    const int32_t count = v.AsInt();
    if (rt.lexer.TokenIsWord("MS")) {
        rt.lexer.NextToken();
        // The count is a 16-bit one: larger values wrap.
        PauseInterruptibly(rt, count & 0xFFFF);
        return true;
    }
    if (!rt.lexer.AtEnd()) {
        Value title;
        rt.ParseExpression(title);
        if (!title.is(ValueKind::String) || title.Text().empty())
            return Fail(rt, msg::MSG_DESKTOP_EXPECTED_WINDOW);
        return WaitForTitle(rt, count, title.Text());
    }
    PauseInterruptibly(rt, int64_t { count } * 1000);
    return true;
}

// EXECUTA commandline [&]
bool CmdExecuta(Runtime& rt)
{
    Value v;
    if (!rt.lexer.AtEnd())
        rt.ParseExpression(v);
    if (!v.is(ValueKind::String) || v.Text().empty())
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_COMMAND);
    const bool wait = !rt.lexer.Is(core::TokenKind::Ampersand);
    if (!wait)
        rt.lexer.NextToken();
    std::vector<std::string> words = SplitCommandLine(v.Text());
    const std::string program = words[0];
    if (program.empty())
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_COMMAND);
    for (std::string& w : words)
        w = encoding::Cp1252ToUtf8(w);
    if (!platform::IsRunnableProgram(words[0]) && IsDocument(words[0]))
        words.insert(words.begin(), "xdg-open");

    // The user hears the script's last words before the program speaks.
    rt.io.WaitSpeech();
    // The window the user runs the script from, when the desktop says.
    uint64_t console_window = 0;
    if (wait && platform::ActiveWindowId(console_window) != platform::DesktopStatus::Ok)
        console_window = 0;
    const auto take_by = std::chrono::steady_clock::now() + FOCUS_TAKE_LIMIT;
    switch (platform::RunProgram(words, wait, "")) {
    case platform::ProgramOutcome::NotStarted:
        return Fail(rt, std::string(msg::MSG_DESKTOP_PROGRAM_NOT_STARTED) + program);
    case platform::ProgramOutcome::Finished:
        if (console_window == 0 || WaitForUserToComeBack(console_window, take_by))
            PauseInterruptibly(rt, ReturnPauseMs(rt));
        return true;
    case platform::ProgramOutcome::Detached:
    case platform::ProgramOutcome::Interrupted:
        return true;
    }
    return true;
}

// CMD text: runs the text as line 0 of the running script.
bool CmdCmd(Runtime& rt)
{
    Value v;
    if (!rt.lexer.AtEnd())
        rt.ParseExpression(v);
    if (!v.is(ValueKind::String) || v.Text().empty())
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_CMD_TEXT);
    if (!rt.lexer.AtEnd())
        return Fail(rt, msg::LineShouldEnd(rt.lexer.tok.raw));
    if (rt.cmd_depth >= MAX_CMD_DEPTH)
        return Fail(rt, msg::MSG_DESKTOP_CMD_TOO_DEEP);

    ScriptRec& s = rt.Slot();
    const int32_t slot = rt.current_slot;
    if (s.lines.empty())
        s.lines.emplace_back();
    // Line 0 may be the interactive line that holds this very command: it is
    // put back once the text has run.
    CodeRec saved = std::move(s.lines[0]);
    CodeRec& rec = s.lines[0];
    rec = CodeRec {};
    rec.text = v.Text();
    rec.length = static_cast<int32_t>(rec.text.size());
    rec.text += '\n';
    rec.function = saved.function;
    const int32_t calling_line = s.current_line;
    // An interrupt unwinds through here as an exception: the depth and the
    // saved line are put back on every way out.
    struct Restore {
        Runtime& rt;
        int32_t slot;
        CodeRec& saved;
        ~Restore()
        {
            --rt.cmd_depth;
            rt.SlotAt(slot).lines[0] = std::move(saved);
        }
    };
    ++rt.cmd_depth;
    bool ok = false;
    {
        const Restore restore { rt, slot, saved };
        ok = rt.RunLine(slot, 0);
    }
    // The lexer pointed into the text just freed: it goes back to the end
    // of the line that holds this CMD, which has nothing left to read.
    if (rt.current_slot == slot) {
        rt.PointAtLine(calling_line);
        rt.lexer.SkipRestOfLine();
    }
    return ok;
}

} // namespace palavrino::interp
