// The window commands on the X11 desktop: ESPERA's wait for a title,
// CAPTURA (titles, and the focused field's text from the accessibility
// bus) and JANELA. Titles arrive in UTF-8 and are matched, like every
// text inside the program, in Windows-1252 capitals. Without a display
// each command says so once and the script goes on (the I/O status tells
// a miss), so a script's other work is not lost.
#include "commands/desktop/cmd_desktop.h"
#include "core/value.h"
#include "encoding/encoding.h"
#include "interp/command_helpers.h"
#include "messages/desktop.h"
#include "platform/desktop_x11.h"
#include "platform/focus_field.h"
#include "platform/interrupt.h"

#include <chrono>
#include <optional>
#include <thread>

namespace palavrino::interp {

namespace {

    constexpr int TITLE_POLL_MS = 500;
    constexpr int POLL_STEP_MS = 50;

    std::optional<std::string> ActiveTitle(Runtime& rt)
    {
        std::string title;
        const platform::DesktopStatus status = platform::ActiveWindowTitle(title);
        if (status != platform::DesktopStatus::Ok) {
            ReportDesktop(rt, status);
            return std::nullopt;
        }
        return encoding::Utf8ToCp1252(title);
    }

    std::optional<platform::WindowAction> JanelaAction(const std::string& word)
    {
        if (word == "FECHA")
            return platform::WindowAction::Close;
        if (word == "NORMAL")
            return platform::WindowAction::Normal;
        if (word == "MAXIMIZA")
            return platform::WindowAction::Maximize;
        if (word == "MINIMIZA")
            return platform::WindowAction::Minimize;
        return std::nullopt;
    }

} // namespace

bool ReportDesktop(Runtime& rt, platform::DesktopStatus status)
{
    rt.Slot().io_status = 1;
    rt.ReportErrorHere(status == platform::DesktopStatus::NoDisplay ? msg::MSG_DESKTOP_NO_DISPLAY
                                                                    : msg::MSG_DESKTOP_X11_FAILED);
    rt.lexer.SkipRestOfLine();
    return true;
}

bool TitleMatches(std::string_view title, std::string_view pattern)
{
    const std::string t = core::UpperText(title);
    std::string p = core::UpperText(pattern);
    bool at_start = false;
    bool at_end = false;
    if (!p.empty() && p.front() == '*') {
        at_start = true;
        p.erase(0, 1);
    }
    if (!p.empty() && p.back() == '*') {
        at_end = true;
        p.pop_back();
    }
    if (at_start && at_end)
        return t.size() >= p.size() && t.compare(0, p.size(), p) == 0
            && t.compare(t.size() - p.size(), p.size(), p) == 0;
    if (at_start)
        return t.compare(0, p.size(), p) == 0;
    if (at_end)
        return t.size() >= p.size() && t.compare(t.size() - p.size(), p.size(), p) == 0;
    return t.find(p) != std::string::npos;
}

// ESPERA seconds title: up to `seconds` for the focused window's title to
// hold the text; the I/O status tells whether it came.
bool WaitForTitle(Runtime& rt, int32_t seconds, const std::string& text)
{
    rt.Slot().io_status = 1;
    const std::string wanted = core::UpperText(text);
    for (int64_t tries = int64_t { seconds } * 2; tries > 0; --tries) {
        std::optional<std::string> title = ActiveTitle(rt);
        if (!title)
            return true;
        if (core::UpperText(*title).find(wanted) != std::string::npos) {
            rt.Slot().io_status = 0;
            return true;
        }
        // The polls are paced by the clock itself, whatever the host's pause does.
        for (int waited = 0; waited < TITLE_POLL_MS; waited += POLL_STEP_MS) {
            if (platform::InterruptPending())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(POLL_STEP_MS));
        }
    }
    return true;
}

// CAPTURA TITULO|ATIVA|FOCO|CAMPO variable
bool CmdCaptura(Runtime& rt)
{
    if (!rt.lexer.Is(core::TokenKind::Word))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_CAPTURA_OPTION);
    const std::string option = rt.lexer.tok.text;
    rt.lexer.NextToken();
    core::TargetRec target;
    if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, target, false))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_VARIABLE);
    std::string text;
    if (option == "TITULO" || option == "ATIVA") {
        std::optional<std::string> title = ActiveTitle(rt);
        if (!title)
            return true;
        text = std::move(*title);
    } else if (option == "FOCO") {
        // This program draws in a terminal and owns no focused control.
    } else if (option == "CAMPO") {
        // Without the accessibility bus, or with nothing focused, the text
        // is empty, as for a field that holds none.
        std::string utf8;
        if (platform::FocusedFieldText(utf8) == platform::FieldStatus::Ok)
            text = encoding::Utf8ToCp1252(utf8);
    } else {
        return Fail(rt, std::string(msg::MSG_DESKTOP_BAD_CAPTURA_OPTION) + option);
    }
    return AssignOrFail(rt, target, Value::String(std::move(text)));
}

// JANELA FECHA|NORMAL|MAXIMIZA|MINIMIZA title
bool CmdJanela(Runtime& rt)
{
    rt.Slot().io_status = 0;
    if (!rt.lexer.Is(core::TokenKind::Word))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_JANELA_OPTION);
    const std::string option = rt.lexer.tok.text;
    rt.lexer.NextToken();
    Value pattern;
    if (!rt.lexer.AtEnd())
        rt.ParseExpression(pattern);
    if (!pattern.is(ValueKind::String))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_JANELA_TITLE);
    // A misspelt option is told even when no window matches.
    const std::optional<platform::WindowAction> action = JanelaAction(option);
    if (!action)
        return Fail(rt, std::string(msg::MSG_DESKTOP_BAD_JANELA_OPTION) + option);

    std::vector<platform::DesktopWindow> windows;
    platform::DesktopStatus status = platform::ListWindows(windows);
    if (status != platform::DesktopStatus::Ok)
        return ReportDesktop(rt, status);
    for (const platform::DesktopWindow& w : windows) {
        if (!TitleMatches(encoding::Utf8ToCp1252(w.title), pattern.Text()))
            continue;
        status = platform::ApplyWindowAction(w.id, *action);
        return status == platform::DesktopStatus::Ok ? true : ReportDesktop(rt, status);
    }
    rt.Slot().io_status = 1;
    return true;
}

} // namespace palavrino::interp
