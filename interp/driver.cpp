// The program from start to exit: find the script named on the command line
// (or asked for at the prompt), load, compile and run it, and tell the user
// how it went, in writing and in speech. The exit status is the outcome, so
// a shell or another program can tell a failed run from a good one.
#include "interp/driver.h"

#include "interp/runtime.h"
#include "interp/script_search.h"
#include "messages/core.h"
#include "messages/files.h"
#include "messages/interp.h"

#include <algorithm>
#include <array>
#include <new>

namespace palavrino::interp {

namespace {

    struct MsgRec {
        std::string_view key;
        std::string_view text;
    };

    enum class Msg : uint8_t {
        Start = 0,
        AskName = 1,
        End = 2,
        NoFile = 3,
        RunError = 4,
        NoLabel = 5,
        SyntaxError = 6,
        Error = 7,
        Edit = 8,
        Interactive = 9,
    };

    constexpr std::array<MsgRec, 10> MESSAGES = { {
        { "PLINIC", msg::MSG_PLINIC },
        { "PLNOMPRO", msg::MSG_PLNOMPRO },
        { "PLFIM", msg::MSG_PLFIM },
        { "PLARQNAO", msg::MSG_PLARQNAO },
        { "PLERREXE", msg::MSG_PLERREXE },
        { "PLERRROT", msg::MSG_PLERRROT },
        { "PLRERROSINT", msg::MSG_PLRERROSINT },
        { "PLERRO", msg::MSG_PLERRO },
        { "PLEDITE", msg::MSG_PLEDITE },
        { "PLINTER", msg::MSG_PLINTER },
    } };

    std::string Trim(std::string_view s)
    {
        size_t b = s.find_first_not_of(" \t");
        if (b == std::string::npos)
            return {};
        size_t e = s.find_last_not_of(" \t");
        return std::string(s.substr(b, e - b + 1));
    }

    class Driver {
    public:
        explicit Driver(Runtime& runtime)
            : rt(runtime)
            , io(runtime.io)
        {
            m_sound_dir = io.ReadConfig("PALAVRIN", "DIRPALAVRIN");
        }
        int Run(const std::vector<std::string>& args);

    private:
        void SayMessage(Msg m, int line_breaks);
        void ReportOutcome(const Runtime::RunResult& r);
        HostIo::LineRead ScriptPrompt();
        int Interactive();
        // True when the edited line is to be run (Enter); otherwise the
        // key was handled and the line is read again with `text`.
        bool InteractiveKey(const HostIo::LineRead& in, std::string& text);
        void RunLineTyped(const std::string& line);
        void RunEditBuffer();
        void ShowHistory(std::string& text);
        bool ExitConfirmed();
        // Scrolls so that `rows` rows from the cursor's row are on the
        // screen, and leaves the cursor at the start of the first.
        void MakeRoom(int rows);

        Runtime& rt;
        HostIo& io;
        std::string m_sound_dir;
        // Interactive mode: the lines F9 edits and Ctrl+F9 runs, the lines
        // typed (oldest first, each once), and whether the last line left
        // the run quiet.
        std::vector<std::string> m_edit_buffer;
        std::vector<std::string> m_history;
        bool m_quiet { true };
    };

    void Driver::SayMessage(Msg m, int line_breaks)
    {
        const MsgRec& rec = MESSAGES[static_cast<size_t>(m)];
        io.Write(rec.text);
        for (int i = 0; i < line_breaks; ++i)
            io.NewLine();
        std::string dir = m_sound_dir;
        if (!dir.empty() && dir.back() != '/')
            dir += '/';
        std::string recorded = dir + std::string(rec.key) + ".wav";
        if (io.SoundExists(recorded))
            io.PlaySound(recorded);
        else
            io.Speak(rec.text);
    }

    void Driver::ReportOutcome(const Runtime::RunResult& r)
    {
        std::string line = core::IntToText(r.line);
        switch (r.outcome) {
        case Outcome::Finished:
            break;
        case Outcome::Failed:
            io.ClearRows(23, 25);
            io.SetTextColor(14);
            for (int i = 0; i < 3; ++i)
                io.Beep();
            SayMessage(Msg::RunError, 0);
            io.WriteAndSpeak(line);
            io.NewLine();
            io.EditLine(r.text, 80);
            io.WriteAndSpeak(line);
            io.SetTextColor(15);
            io.ReadLine(255);
            break;
        case Outcome::Unreadable:
            SayMessage(Msg::NoFile, 1);
            break;
        case Outcome::NoLabel:
            SayMessage(Msg::NoLabel, 1);
            break;
        case Outcome::CompileError:
            SayMessage(Msg::SyntaxError, 0);
            io.WriteAndSpeak(line);
            io.NewLine();
            io.ReadLine(255);
            break;
        }
    }

    // Rows of the screen the edit buffer's editor and the history list
    // take, and the rows the file list of the prompt takes.
    constexpr int EDITOR_ROOM = 20;
    constexpr int EDITOR_ROWS = 16;
    constexpr int HISTORY_ROOM = 5;
    constexpr int HISTORY_BACKGROUND = 4;
    constexpr int FILE_LIST_ROWS = 20;
    constexpr int SCREEN_ROWS = 25;
    // Function keys of interactive mode (extended codes).
    constexpr int KEY_F5 = 63;
    constexpr int KEY_F9 = 67;
    constexpr int KEY_UP = 72;
    constexpr int KEY_DOWN = 80;
    constexpr int KEY_CTRL_F9 = 102;
    constexpr int KEY_CTRL_ENTER = 10;

    // The version line, then the name asked for; Up or Down there lists
    // the scripts of the default directory.
    HostIo::LineRead Driver::ScriptPrompt()
    {
        io.SetBackColor(1);
        SayMessage(Msg::Start, 0);
        io.WriteAndSpeak(msg::MSG_VERSION);
        io.WriteAndSpeak(msg::MSG_VERSION_SUFFIX);
        io.NewLine();
        io.SetBackColor(0);
        io.NewLine();
        SayMessage(Msg::AskName, 0);
        const int x = io.CursorColumn();
        const int y = io.CursorRow();
        HostIo::LineRead in = io.AskFileName(FILE_LIST_ROWS, "*.*", io.ReadConfig("PALAVRIN", "DIRDEFAULT"));
        if (in.key == KEY_ESCAPE) {
            io.NewLine();
            return in;
        }
        // The answer replaces what the editor left on the line.
        in.text = Trim(in.text);
        io.MoveCursor(x, y);
        io.ClearToLineEnd();
        if (!in.text.empty())
            io.WriteAndSpeak(in.text);
        io.NewLine();
        return in;
    }

    void Driver::MakeRoom(int rows)
    {
        const int row = io.CursorRow();
        const int overflow = row + rows - 1 - SCREEN_ROWS;
        if (overflow <= 0)
            return;
        io.MoveCursor(1, SCREEN_ROWS);
        for (int i = 0; i < overflow; ++i)
            io.NewLine();
        io.MoveCursor(1, row - overflow);
    }

    // Lines typed one at a time, each run on its own, with a history, an
    // edit buffer run as a script, and the screen transcript; Escape asks
    // before leaving.
    int Driver::Interactive()
    {
        io.SetTitle(msg::MSG_TITLE_INTERACTIVE);
        SayMessage(Msg::Interactive, 2);
        io.WriteAndSpeak(msg::MSG_INTERACTIVE_HINT);
        io.NewLine();
        m_edit_buffer.clear();
        m_history.clear();
        m_quiet = true;
        std::string text;
        for (;;) {
            io.Write(msg::MSG_INTERACTIVE_PROMPT);
            const HostIo::LineRead in = io.EditLineToEdge(text, 255);
            text = in.text;
            if (in.key == KEY_ESCAPE) {
                // Prepared input that has run out can answer nothing more.
                if (io.InputEnded())
                    break;
                // The break key ends the line as Escape does, and asks too;
                // left pending it would end every read after it at once.
                (void)io.TakeInterrupt();
                if (ExitConfirmed())
                    break;
                text.clear();
                continue;
            }
            if (!InteractiveKey(in, text))
                continue;
            RunLineTyped(text);
            text.clear();
            m_quiet = rt.SlotAt(0).mute;
            if (rt.SlotAt(0).stop)
                break;
        }
        if (!m_quiet)
            SayMessage(Msg::End, 1);
        return rt.CloseFilesThatLostData() ? 0 : static_cast<int>(Outcome::Failed);
    }

    bool Driver::InteractiveKey(const HostIo::LineRead& in, std::string& text)
    {
        if (in.key == KEY_ENTER || in.key == KEY_CTRL_ENTER)
            return true;
        if (in.key != 0)
            return false; // Tab and the like: the line is read again
        switch (in.extended) {
        case KEY_F5:
            (void)io.ToggleScreenRecording();
            break;
        case KEY_F9:
            MakeRoom(EDITOR_ROOM);
            io.EditText(m_edit_buffer, EDITOR_ROWS);
            // A buffer left with blank lines only holds no script.
            if (std::all_of(m_edit_buffer.begin(), m_edit_buffer.end(),
                    [](const std::string& l) { return Trim(l).empty(); }))
                m_edit_buffer.clear();
            text.clear();
            break;
        case KEY_UP:
        case KEY_DOWN:
            ShowHistory(text);
            break;
        case KEY_CTRL_F9:
            RunEditBuffer();
            text.clear();
            break;
        default:
            break;
        }
        return false;
    }

    void Driver::RunLineTyped(const std::string& line)
    {
        if (!Trim(line).empty()) {
            std::erase(m_history, line);
            m_history.push_back(line);
            io.RecordLine(line);
        }
        bool ok = true;
        try {
            ok = rt.RunInteractiveLine(line);
        } catch (const core::ScriptAbort& abort) {
            // The language's own exceptions are reported, and the line
            // counts as run.
            rt.RecoverFromAbort();
            if (!rt.Slot().mute)
                io.WriteLineAndSpeak(abort.what());
        } catch (const std::bad_alloc&) {
            rt.RecoverFromAbort();
            io.WriteLineAndSpeak(msg::MSG_OUT_OF_MEMORY);
        }
        rt.current_slot = 0;
        if (!ok)
            SayMessage(Msg::Error, 1);
    }

    void Driver::RunEditBuffer()
    {
        const Runtime::RunResult r = rt.RunScriptList(m_edit_buffer);
        rt.current_slot = 0;
        if (r.outcome == Outcome::Finished) {
            io.WriteLineAndSpeak(msg::MSG_EDIT_BUFFER_OK);
        } else if (r.line > 0) {
            io.WriteLineAndSpeak(msg::EditBufferErrorLine(r.line));
            io.WriteLineAndSpeak(r.text);
        } else {
            // No line to point at (no free slot): the failure is still said.
            SayMessage(Msg::Error, 1);
        }
    }

    void Driver::ShowHistory(std::string& text)
    {
        if (m_history.empty())
            return;
        MakeRoom(HISTORY_ROOM);
        const std::vector<std::string> newest_first(m_history.rbegin(), m_history.rend());
        const int chosen = io.ChooseFromList(newest_first, HISTORY_BACKGROUND);
        if (chosen < 1 || chosen > static_cast<int>(newest_first.size()))
            return;
        text = newest_first[static_cast<size_t>(chosen - 1)];
        SayMessage(Msg::Edit, 1);
    }

    bool Driver::ExitConfirmed()
    {
        if (!m_edit_buffer.empty())
            io.WriteLineAndSpeak(msg::EditedScriptLines(m_edit_buffer.size()));
        io.WriteAndSpeak(msg::MSG_EXIT_QUESTION);
        int key = io.ReadKey();
        if (io.TakeInterrupt()) {
            // The break key again, while the question waits: leave.
            io.NewLine();
            return true;
        }
        if (key == 0) {
            (void)io.ReadKey(); // an extended key answers no
            key = ' ';
        }
        if (key >= 32)
            io.WriteLineAndSpeak(std::string(1, static_cast<char>(key)));
        else
            io.NewLine();
        return key == 'S' || key == 's';
    }

    int Driver::Run(const std::vector<std::string>& args)
    {
        io.ClearWindow();
        io.SetTitle(msg::MSG_TITLE);
        std::string name;
        if (!args.empty()) {
            name = args[0];
        } else {
            HostIo::LineRead in = ScriptPrompt();
            if (in.key == KEY_ESCAPE)
                return 0;
            name = in.text;
        }
        if (Trim(name).empty())
            return Interactive();
        std::string label;
        size_t at = name.find('@');
        if (at != std::string::npos) {
            label = Trim(std::string_view(name).substr(at + 1));
            name = Trim(std::string_view(name).substr(0, at));
        } else {
            name = Trim(name);
        }
        io.SetTitle(msg::Join(msg::MSG_TITLE_SCRIPT_PREFIX, name));
        std::string path = FindScriptFile(name, io.ReadConfig("PALAVRIN", "DIRDEFAULT"));
        if (path.empty()) {
            SayMessage(Msg::NoFile, 1);
            io.PauseMs(1000);
            return static_cast<int>(Outcome::Unreadable);
        }
        Runtime::RunResult result = rt.RunScriptFile(path, label);
        ReportOutcome(result);
        return static_cast<int>(result.outcome);
    }

} // namespace

Runtime::RunResult Runtime::RunScriptFile(const std::string& name, const std::string& label)
{
    RunResult r;
    r.text = msg::MSG_SCRIPT_READ_ERROR;
    int32_t slot = LoadScriptFile(name);
    if (slot < 0)
        return r;
    return RunLoadedSlot(slot, label);
}

Runtime::RunResult Runtime::RunScriptList(const std::vector<std::string>& lines)
{
    RunResult r;
    const int32_t saved_slot = current_slot;
    const int32_t slot = LoadScriptList(lines);
    if (slot < 0)
        return r;
    r = RunLoadedSlot(slot, {});
    FreeSlot(slot);
    current_slot = saved_slot;
    return r;
}

Runtime::RunResult Runtime::RunLoadedSlot(int32_t slot, const std::string& label)
{
    RunResult r;
    auto line_text = [this](int32_t s, int32_t line) {
        const ScriptRec& rec = SlotAt(s);
        if (line < 1 || static_cast<size_t>(line) >= rec.lines.size())
            return std::string();
        const CodeRec& code = rec.lines[static_cast<size_t>(line)];
        return code.text.substr(0, static_cast<size_t>(code.length));
    };
    if (!CompileSlot(slot)) {
        r.outcome = Outcome::CompileError;
        r.line = SlotAt(slot).current_line;
        r.text = line_text(slot, r.line);
        return r;
    }
    int32_t start = 1;
    if (!label.empty()) {
        start = FindLabel(slot, nullptr, label);
        if (start < 0) {
            r.outcome = Outcome::NoLabel;
            return r;
        }
    }
    try {
        r.outcome = RunSlot(slot, start) ? Outcome::Finished : Outcome::Failed;
    } catch (const core::TerminateAbort&) {
        // TERMINA inside a function ends the script as TERMINA anywhere
        // else does: a normal end, silently.
        RecoverFromAbort();
        r.outcome = Outcome::Finished;
    } catch (const core::ScriptAbort& abort) {
        RecoverFromAbort();
        if (!Slot().mute)
            WriteLineAndSpeak(abort.what());
        r.outcome = Outcome::Failed;
    } catch (const std::bad_alloc&) {
        RecoverFromAbort();
        WriteLineAndSpeak(msg::MSG_OUT_OF_MEMORY);
        r.outcome = Outcome::Failed;
    }
    r.line = Slot().current_line;
    r.text = line_text(current_slot, r.line);
    if (!CloseFilesThatLostData())
        r.outcome = Outcome::Failed;
    return r;
}

bool Runtime::CloseFilesThatLostData()
{
    bool all_written = true;
    for (int32_t n = devices::FIRST_DESCRIPTOR; n <= devices::LAST_DESCRIPTOR; ++n) {
        devices::TextFile* file = descriptors.FileAt(n);
        if (!file || file->unread_write_failure() == 0)
            continue;
        ReportError(0, std::string(msg::MSG_FILE_WRITE_FAILED) + file->name());
        static_cast<void>(descriptors.Close(n));
        all_written = false;
    }
    return all_written;
}

int RunProgram(Runtime& rt, const std::vector<std::string>& args)
{
    int status = Driver(rt).Run(args);
    rt.io.WaitSpeech();
    return status;
}

} // namespace palavrino::interp
