// MIDI and sound files as the program sees them: palavrino-sound.so does the
// work, loaded at the first note or sound file. Without it there is no
// sequencer, no synthesizer and no decoder, as on a machine without sound.
#include "platform/linux/backend_modules.h"

namespace palavrino::platform {

namespace {
    const SoundModuleRec* Sound()
    {
        return LoadModuleTable<SoundModuleRec>("sound");
    }
} // namespace

MidiStatus ListMidiPorts(std::vector<MidiPort>& ports)
{
    const SoundModuleRec* sound = Sound();
    return sound ? sound->list_midi_ports(ports) : MidiStatus::NoSequencer;
}

MidiStatus OpenSequencerOut(const MidiPort& port, std::unique_ptr<MidiOut>& out)
{
    const SoundModuleRec* sound = Sound();
    return sound ? sound->open_sequencer_out(port, out) : MidiStatus::NoSequencer;
}

std::vector<std::string> DefaultSoundFonts()
{
    const SoundModuleRec* sound = Sound();
    return sound ? sound->default_sound_fonts() : std::vector<std::string> {};
}

MidiStatus OpenSoftSynth(
    AudioSink& sink, const std::vector<std::string>& sound_fonts, std::unique_ptr<MidiOut>& out)
{
    const SoundModuleRec* sound = Sound();
    return sound ? sound->open_soft_synth(sink, sound_fonts, out) : MidiStatus::DeviceError;
}

MediaStatus OpenMediaFile(const std::string& path, std::unique_ptr<MediaDecoder>& out)
{
    const SoundModuleRec* sound = Sound();
    return sound ? sound->open_media_file(path, out) : MediaStatus::CannotDecode;
}

} // namespace palavrino::platform
