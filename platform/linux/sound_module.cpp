// The entry of palavrino-sound.so: MIDI and sound-file decoding with
// libasound, FluidSynth, libsndfile and libmpg123 linked in.
#include "platform/linux/backend_modules.h"
#include "platform/linux/module_entry.h"

namespace {
const palavrino::platform::SoundModuleRec SOUND_TABLE {
    &palavrino::platform::ListMidiPorts,
    &palavrino::platform::OpenSequencerOut,
    &palavrino::platform::DefaultSoundFonts,
    &palavrino::platform::OpenSoftSynth,
    &palavrino::platform::OpenMediaFile,
};
} // namespace

PL_MODULE_ENTRY(sound, palavrino::platform::SoundModuleRec, SOUND_TABLE)
