// FALA and SOLETRA gather their expressions into one text and speak or
// spell it, waiting for the end of speech unless the line ends with ";";
// BIPA ticks or beeps; TITULO sets the console's caption.
#include "commands/speech/cmd_speech.h"

#include "interp/runtime.h"
#include "messages/core.h"
#include "messages/speech.h"

namespace palavrino::interp {

namespace {

    bool SpeakCommand(Runtime& rt, bool spell)
    {
        std::string text;
        core::TokenRec& t = rt.lexer.tok;
        while (!rt.lexer.AtEnd()) {
            // ";" starts a comment for the lexer, so a trailing ";" arrives as
            // the end of the line with ";" as its text.
            Value v;
            rt.ParseExpression(v);
            bool comma = t.kind == core::TokenKind::Comma;
            if (comma)
                rt.lexer.NextToken();
            if (v.is(ValueKind::Invalid)) {
                // Reported, and what was gathered before it is still said: a
                // bad expression in a message must not silence the script.
                rt.ReportErrorHere(spell ? msg::MSG_BAD_SOLETRA_EXPRESSION : msg::MSG_BAD_FALA_EXPRESSION);
                rt.lexer.SkipRestOfLine();
                break;
            }
            text += core::ValueToText(v);
            if (comma)
                text += ' ';
        }
        bool no_wait = t.kind == core::TokenKind::EndOfLine && t.raw == ";";
        if (text.empty())
            rt.io.StopSpeech();
        else if (spell)
            rt.io.Spell(text);
        else
            rt.io.Speak(text);
        if (!no_wait)
            rt.io.WaitSpeechOrKey();
        return true;
    }

} // namespace

bool CmdFala(Runtime& rt)
{
    return SpeakCommand(rt, false);
}

bool CmdSoletra(Runtime& rt)
{
    return SpeakCommand(rt, true);
}

bool CmdBipa(Runtime& rt)
{
    if (rt.lexer.AtEnd()) {
        rt.io.Beep();
        return true;
    }
    Value v;
    rt.ParseExpressionAs(v, ValueKind::String);
    if (v.is(ValueKind::String) && v.Text() == "1")
        rt.io.Tick();
    else
        rt.io.Beep();
    return true;
}

bool CmdTitulo(Runtime& rt)
{
    Value v;
    rt.ParseExpression(v);
    if (!v.is(ValueKind::String)) {
        rt.ReportErrorHere(msg::MSG_EXPECTED_A_STRING);
        return false;
    }
    rt.io.SetTitle(v.Text());
    return true;
}

} // namespace palavrino::interp
