// MIDI output: short messages packed in one 32-bit word (status byte in
// bits 0-7, first data byte in bits 8-15, second in bits 16-23), sent to a
// port of the ALSA sequencer or to the program's own software synthesizer.
// The software synthesizer plays through an AudioSink, so a machine with no
// MIDI hardware still hears its notes (or records them in a WAV file).
#pragma once

#include "platform/audio_sink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::platform {

class MidiOut {
public:
    virtual ~MidiOut() = default;
    // Sends one short message; a message the device cannot take is dropped.
    virtual void Send(std::uint32_t message) = 0;
};

enum class MidiStatus : std::uint8_t {
    Ok = 0,
    NoSequencer = 1, // the kernel offers no sequencer (/dev/snd/seq)
    NoPort = 2, // no port has that number
    NoSoundFont = 3, // the software synthesizer found no sound font
    DeviceError = 4,
};

struct MidiPort {
    int client { 0 };
    int port { 0 };
    std::string name; // "client name: port name"
};

// The sequencer ports a program can play notes on, in the sequencer's
// order: writable and open to subscribers, not this program's own, and
// not the kernel's "Midi Through" loopback, which makes no sound.
[[nodiscard]] MidiStatus ListMidiPorts(std::vector<MidiPort>& ports);

// Opens a connection from a port of this program to the given port.
[[nodiscard]] MidiStatus OpenSequencerOut(const MidiPort& port, std::unique_ptr<MidiOut>& out);

// The General MIDI sound fonts looked for, in order, when none is named.
std::vector<std::string> DefaultSoundFonts();

// The software synthesizer (FluidSynth) with a General MIDI sound font,
// rendering in real time into `sink`, which must outlive it. Sound is made
// only while a note sounds or dies away, so a WAV sink does not fill with
// silence between tunes.
[[nodiscard]] MidiStatus OpenSoftSynth(
    AudioSink& sink, const std::vector<std::string>& sound_fonts, std::unique_ptr<MidiOut>& out);

} // namespace palavrino::platform
