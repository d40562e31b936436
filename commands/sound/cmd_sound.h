// The sound commands: MIDI notes, TOCA (a sound file, waited for or not)
// and MCI (a media command string and its answer).
#pragma once

#include "interp/runtime.h"

#include <cstdint>
#include <optional>

namespace palavrino::interp {

[[nodiscard]] bool CmdMidi(Runtime& rt);
[[nodiscard]] bool CmdToca(Runtime& rt);
[[nodiscard]] bool CmdMci(Runtime& rt);

// The MIDI note number of a note in a scale (scale 4, note 0 is 60); none
// when it falls outside 0..127, where it would corrupt the message.
std::optional<int32_t> MidiNoteNumber(int32_t scale, int32_t note);

// A short message as midiOutShortMsg packs it: status in the low byte.
constexpr std::uint32_t PackMidi(int status, int first, int second)
{
    return static_cast<std::uint32_t>(status & 0xFF) | (static_cast<std::uint32_t>(first & 0xFF) << 8)
        | (static_cast<std::uint32_t>(second & 0xFF) << 16);
}

} // namespace palavrino::interp
