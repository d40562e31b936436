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
        int Interactive();

        Runtime& rt;
        HostIo& io;
        std::string m_sound_dir;
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

    // A line at a time, each run on its own; an empty line or Escape ends it.
    int Driver::Interactive()
    {
        io.SetTitle(msg::MSG_TITLE_INTERACTIVE);
        SayMessage(Msg::Interactive, 1);
        for (;;) {
            io.Write(msg::MSG_INTERACTIVE_PROMPT);
            HostIo::LineRead in = io.ReadLine(255);
            if (in.key == KEY_ESCAPE || Trim(in.text).empty())
                return rt.CloseFilesThatLostData() ? 0 : static_cast<int>(Outcome::Failed);
            try {
                rt.RunInteractiveLine(in.text);
            } catch (const core::ScriptAbort& abort) {
                rt.RecoverFromAbort();
                if (!rt.Slot().mute)
                    io.WriteLineAndSpeak(abort.what());
            } catch (const std::bad_alloc&) {
                rt.RecoverFromAbort();
                io.WriteLineAndSpeak(msg::MSG_OUT_OF_MEMORY);
            }
            rt.current_slot = 0;
        }
    }

    int Driver::Run(const std::vector<std::string>& args)
    {
        io.ClearWindow();
        io.SetTitle(msg::MSG_TITLE);
        std::string name;
        if (!args.empty()) {
            name = args[0];
        } else {
            SayMessage(Msg::AskName, 0);
            HostIo::LineRead in = io.ReadLine(255);
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
