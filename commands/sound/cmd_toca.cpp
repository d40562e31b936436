// TOCA and MCI. TOCA plays a sound file through the media command session:
// waited for (a key, or Ctrl+C, ends it early, and the key is discarded) or,
// with "&", left playing while the script goes on. A file that cannot be
// played is said to be so, and CHECA tells why (2: not found, 1: not a
// sound file it can decode), but the script goes on.
#include "commands/sound/cmd_sound.h"
#include "commands/sound/sound_state.h"
#include "interp/command_helpers.h"
#include "messages/sound.h"
#include "platform/interrupt.h"

namespace palavrino::interp {

namespace {

    constexpr int STATUS_POLL_MS = 100;
    constexpr int32_t IO_CANNOT_DECODE = 1;
    constexpr int32_t IO_NOT_FOUND = 2;

    std::string Quoted(const std::string& file)
    {
        return "\"" + file + "\"";
    }

    // Tells why a file did not play; true when it did.
    bool Played(Runtime& rt, const devices::MciReply& reply, const std::string& file)
    {
        if (reply.error == devices::MciError::FileNotFound) {
            rt.Slot().io_status = IO_NOT_FOUND;
            rt.ReportErrorHere(std::string(msg::MSG_TOCA_NOT_FOUND) + file);
            return false;
        }
        if (reply.error != devices::MciError::None) {
            rt.Slot().io_status = IO_CANNOT_DECODE;
            rt.ReportErrorHere(std::string(msg::MSG_TOCA_CANNOT_DECODE) + file);
            return false;
        }
        return true;
    }

} // namespace

// TOCA file [&]
bool CmdToca(Runtime& rt)
{
    Value name;
    if (!rt.lexer.AtEnd())
        rt.ParseExpression(name);
    if (!name.is(ValueKind::String) || name.Text().empty())
        return Fail(rt, msg::MSG_TOCA_EXPECTED_FILE);
    const bool wait = !rt.lexer.Is(core::TokenKind::Ampersand);
    if (!wait)
        rt.lexer.NextToken();
    const std::string file = name.Text();
    devices::MciSession& mci = Sound(rt).mci;
    rt.Slot().io_status = 0;
    if (!wait) {
        Played(rt, mci.Send("play " + Quoted(file)), file);
        return true;
    }
    // A "myfile" left by a script of its own would stand in the way.
    (void)mci.Send("close myfile");
    if (!Played(rt, mci.Send("open " + Quoted(file) + " alias myfile"), file))
        return true;
    (void)mci.Send("play myfile");
    while (PauseStep(rt, STATUS_POLL_MS) && mci.Send("status myfile mode").text == "playing") {
        if (rt.io.KeyPressed())
            break;
    }
    rt.io.FlushKeys();
    (void)mci.Send("stop myfile");
    (void)mci.Send("close myfile");
    return true;
}

// MCI [variable] command
bool CmdMci(Runtime& rt)
{
    if (rt.lexer.AtEnd())
        return Fail(rt, msg::MSG_MCI_EXPECTED_COMMAND);
    // More after the first expression: that first thing was the variable.
    rt.lexer.MarkToken();
    rt.SkipExpression();
    const bool to_variable = !rt.lexer.AtEnd();
    rt.lexer.RescanFromMark();
    core::TargetRec target;
    if (to_variable && !core::ParseTarget(rt, target, false))
        return FailQuietly(rt);
    Value command;
    if (!rt.lexer.AtEnd())
        rt.ParseExpression(command);
    if (!command.is(ValueKind::String) || command.Text().empty())
        return Fail(rt, msg::MSG_MCI_EXPECTED_COMMAND);
    const devices::MciReply reply = Sound(rt).mci.Send(command.Text());
    if (to_variable)
        return AssignOrFail(rt, target, Value::String(reply.text));
    rt.WriteLineAndSpeak(reply.text);
    return true;
}

} // namespace palavrino::interp
