// TRANSFERE: text to and from the clipboard the program shares with its
// line editor and, where there is one, the desktop. Its failures are told
// and the script goes on, since nothing is lost: the program keeps the text.
#include "commands/desktop/cmd_desktop.h"
#include "interp/command_helpers.h"
#include "messages/desktop.h"

namespace palavrino::interp {

namespace {

    // The largest text TRANSFERE moves either way.
    constexpr size_t MAX_CLIPBOARD_BYTES = size_t { 1 } << 20;

    void TooLong(Runtime& rt, size_t size)
    {
        rt.ReportErrorHere(std::string(msg::MSG_DESKTOP_TRANSFER_TOO_LONG) + std::to_string(size)
            + std::string(msg::MSG_DESKTOP_TRANSFER_BYTES));
    }

} // namespace

// TRANSFERE DE text  |  TRANSFERE PARA variable
bool CmdTransfere(Runtime& rt)
{
    const bool put = rt.lexer.TokenIsWord("DE");
    if (!put && !rt.lexer.TokenIsWord("PARA"))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_TRANSFER_OPTION);
    rt.lexer.NextToken();
    if (!put) {
        core::TargetRec target;
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, target, false))
            return Fail(rt, msg::MSG_DESKTOP_EXPECTED_VARIABLE);
        // A text past the limit is told rather than cut short.
        std::string text = rt.io.ClipboardGet(std::string::npos);
        if (text.size() > MAX_CLIPBOARD_BYTES) {
            TooLong(rt, text.size());
            return true;
        }
        return AssignOrFail(rt, target, Value::String(std::move(text)));
    }
    Value v;
    if (!rt.lexer.AtEnd())
        rt.ParseExpression(v);
    if (!v.is(ValueKind::String))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_TRANSFER_TEXT);
    const std::string text = v.Text().empty() ? std::string(" ") : v.Text();
    if (text.size() > MAX_CLIPBOARD_BYTES) {
        TooLong(rt, text.size());
        return true;
    }
    if (!rt.io.ClipboardPut(text))
        rt.ReportErrorHere(msg::MSG_DESKTOP_CLIPBOARD_REFUSED);
    return true;
}

} // namespace palavrino::interp
