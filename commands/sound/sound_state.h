// What the sound family keeps for a whole run: the MIDI device with its
// channel and velocity, and the media command session with its open sound
// files. It is made on first use with this machine's back ends; tests put
// in their own (a recording MIDI device, a WAV sink) before a script runs.
#pragma once

#include "devices/mci.h"
#include "interp/runtime.h"
#include "platform/audio_sink.h"
#include "platform/midi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace palavrino::interp {

class SoundState final {
public:
    // Opens MIDI device `device` (MIDI ABRE); null when there is none.
    using MidiOpener = std::function<std::unique_ptr<platform::MidiOut>(int32_t device)>;

    SoundState(platform::AudioSink& media_sink, MidiOpener open_midi, devices::MciSession::Opener open_media,
        devices::MciSession::Pause pause);
    ~SoundState();

    // Sinks the session and the MIDI device play into; they go last.
    std::vector<std::unique_ptr<platform::AudioSink>> owned_sinks;
    MidiOpener open_midi;
    std::unique_ptr<platform::MidiOut> midi;
    int32_t channel { 1 };
    int32_t velocity { 100 };
    devices::MciSession mci;
};

// The run's sound state, made with this machine's back ends on first use.
SoundState& Sound(Runtime& rt);

// Passes about `ms` milliseconds by the clock, letting the console breathe;
// false when the user's break request has come.
bool PauseStep(Runtime& rt, int ms);

// The MIDI devices a script can open, one line each, for the user to read
// (palavrino --midi-ports).
std::vector<std::string> MidiDeviceLines();

} // namespace palavrino::interp
