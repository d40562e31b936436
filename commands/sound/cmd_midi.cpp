// MIDI: opens and closes the MIDI device and sends it program changes and
// notes on the current channel. Messages without a device have no effect.
// Bytes that cannot be MIDI data are never sent: a note outside 0..127 is
// dropped, velocities are kept within 0..127 and instruments above 127
// wrap into the 128 General MIDI ones.
#include "commands/sound/cmd_sound.h"
#include "commands/sound/sound_state.h"
#include "interp/command_helpers.h"
#include "messages/compose.h"
#include "messages/sound.h"
#include "platform/interrupt.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace palavrino::interp {

namespace {

    constexpr int STATUS_NOTE_OFF = 0x80;
    constexpr int STATUS_NOTE_ON = 0x90;
    constexpr int STATUS_PROGRAM = 0xC0;
    constexpr int MIN_SCALE = -1;
    constexpr int MAX_SCALE = 7;
    // MIDI TOCA waits in steps this long, so Ctrl+C ends a long note.
    constexpr int NOTE_WAIT_STEP_MS = 10;

    void SkipComma(Runtime& rt)
    {
        if (rt.lexer.Is(core::TokenKind::Comma))
            rt.lexer.NextToken();
    }

    // The next integer argument, after an optional comma.
    std::optional<int32_t> Number(Runtime& rt)
    {
        SkipComma(rt);
        if (rt.lexer.AtEnd())
            return std::nullopt;
        Value v;
        rt.ParseExpressionAs(v, ValueKind::Integer);
        if (!v.is(ValueKind::Integer))
            return std::nullopt;
        return v.AsInt();
    }

    void Send(SoundState& s, int status, int first, int second)
    {
        if (s.midi)
            s.midi->Send(PackMidi(status + s.channel - 1, first, second));
    }

    void SendNote(SoundState& s, int status, int32_t scale, int32_t note)
    {
        if (const std::optional<int32_t> number = MidiNoteNumber(scale, note))
            Send(s, status, *number, std::clamp(s.velocity, 0, 127));
    }

    // scale, note: both given, the scale within its range when `checked`.
    bool ScaleAndNote(Runtime& rt, bool checked, int32_t& scale, int32_t& note)
    {
        const std::optional<int32_t> s = Number(rt);
        if (!s)
            return Fail(rt, msg::MSG_MIDI_EXPECTED_SCALE);
        if (checked && (*s < MIN_SCALE || *s > MAX_SCALE))
            return Fail(rt, msg::MSG_MIDI_SCALE_RANGE);
        const std::optional<int32_t> n = Number(rt);
        if (!n)
            return Fail(rt, msg::MSG_MIDI_EXPECTED_NOTE);
        scale = *s;
        note = *n;
        return true;
    }

    // Holds a note for `ms` milliseconds by the clock; Ctrl+C ends it early.
    void HoldNote(int32_t ms)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(ms, 0));
        while (!platform::InterruptPending() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(NOTE_WAIT_STEP_MS));
    }

    bool Open(Runtime& rt, SoundState& s)
    {
        const std::optional<int32_t> device = Number(rt);
        if (!device)
            return Fail(rt, msg::MSG_MIDI_EXPECTED_DEVICE);
        s.midi.reset();
        s.midi = s.open_midi(*device);
        s.channel = 1;
        s.velocity = 100;
        Send(s, STATUS_PROGRAM, 0, 0);
        return true;
    }

    bool Play(Runtime& rt, SoundState& s, const std::string& option)
    {
        int32_t scale = 0;
        int32_t note = 0;
        if (!ScaleAndNote(rt, option != "TOCA", scale, note))
            return false;
        if (option == "INICIA") {
            SendNote(s, STATUS_NOTE_ON, scale, note);
            return true;
        }
        if (option == "PARA") {
            SendNote(s, STATUS_NOTE_OFF, scale, note);
            return true;
        }
        const std::optional<int32_t> duration = Number(rt);
        if (!duration)
            return Fail(rt, msg::MSG_MIDI_EXPECTED_DURATION);
        SendNote(s, STATUS_NOTE_ON, scale, note);
        HoldNote(*duration);
        // The note ends even when Ctrl+C cut the wait, so none is left hanging.
        SendNote(s, STATUS_NOTE_OFF, scale, note);
        return true;
    }

} // namespace

std::optional<int32_t> MidiNoteNumber(int32_t scale, int32_t note)
{
    const int64_t number = 12 * (int64_t { scale } + 1) + note;
    if (number < 0 || number > 127)
        return std::nullopt;
    return static_cast<int32_t>(number);
}

// MIDI ABRE|FECHA|CANAL|INSTRUMENTO|INICIA|PARA|TOCA|VOLUME [numbers]
bool CmdMidi(Runtime& rt)
{
    // A word is named as folded; anything else as written.
    const std::string option = rt.lexer.Is(core::TokenKind::Word) ? rt.lexer.tok.text
        : rt.lexer.AtEnd()                                        ? std::string()
                                                                  : std::string(rt.lexer.tok.raw);
    if (!rt.lexer.AtEnd())
        rt.lexer.NextToken();
    SoundState& s = Sound(rt);
    bool ok = true;
    if (option == "ABRE") {
        ok = Open(rt, s);
    } else if (option == "FECHA") {
        s.midi.reset();
    } else if (option == "CANAL") {
        const std::optional<int32_t> channel = Number(rt);
        if (!channel)
            return Fail(rt, msg::MSG_MIDI_EXPECTED_CHANNEL);
        if (*channel < 1 || *channel > 16)
            return Fail(rt, msg::MSG_MIDI_CHANNEL_RANGE);
        s.channel = *channel;
    } else if (option == "INSTRUMENTO") {
        const std::optional<int32_t> instrument = Number(rt);
        if (!instrument)
            return Fail(rt, msg::MSG_MIDI_EXPECTED_INSTRUMENT);
        if (*instrument < 0 || *instrument > 255)
            return Fail(rt, msg::MSG_MIDI_INSTRUMENT_RANGE);
        Send(s, STATUS_PROGRAM, *instrument & 0x7F, 0);
    } else if (option == "INICIA" || option == "PARA" || option == "TOCA") {
        ok = Play(rt, s, option);
    } else if (option == "VOLUME") {
        const std::optional<int32_t> velocity = Number(rt);
        if (!velocity)
            return Fail(rt, msg::MSG_MIDI_EXPECTED_VOLUME);
        s.velocity = *velocity;
    } else {
        return Fail(rt, msg::Join(msg::MSG_MIDI_BAD_OPTION, option, msg::MSG_MIDI_BAD_OPTION_END));
    }
    // The rest of the line is not looked at.
    rt.lexer.SkipRestOfLine();
    return ok;
}

} // namespace palavrino::interp
