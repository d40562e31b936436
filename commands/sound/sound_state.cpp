// Making the sound family's state with this machine's back ends: music gets
// an output beside speech's, MIDI device n is the n-th sequencer port, and
// any number with no port (or -1) is the program's own synthesizer, so a
// note is heard even where there is no MIDI hardware.
#include "commands/sound/sound_state.h"

#include "encoding/encoding.h"
#include "messages/sound.h"
#include "platform/interrupt.h"
#include "platform/media_file.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace palavrino::interp {

namespace {

    // The synthesizer together with the output it renders into: the
    // synthesizer goes first.
    class SynthWithSink final : public platform::MidiOut {
    public:
        explicit SynthWithSink(std::unique_ptr<platform::AudioSink> sink)
            : m_sink(std::move(sink))
        {
            if (platform::OpenSoftSynth(*m_sink, platform::DefaultSoundFonts(), m_out)
                != platform::MidiStatus::Ok)
                m_out.reset();
        }
        bool Ready() const { return m_out != nullptr; }
        void Send(std::uint32_t message) override { m_out->Send(message); }

    private:
        std::unique_ptr<platform::AudioSink> m_sink;
        std::unique_ptr<platform::MidiOut> m_out;
    };

    std::unique_ptr<platform::MidiOut> OpenMidiDevice(
        int32_t device, const std::string& audio_choice, platform::AudioSink& speech)
    {
        std::vector<platform::MidiPort> ports;
        if (device >= 0 && platform::ListMidiPorts(ports) == platform::MidiStatus::Ok
            && static_cast<std::size_t>(device) < ports.size()) {
            std::unique_ptr<platform::MidiOut> out;
            if (platform::OpenSequencerOut(ports[static_cast<std::size_t>(device)], out)
                == platform::MidiStatus::Ok)
                return out;
        }
        auto synth = std::make_unique<SynthWithSink>(platform::OpenMusicSink(audio_choice, speech));
        if (!synth->Ready())
            return nullptr;
        return synth;
    }

} // namespace

SoundState::SoundState(platform::AudioSink& media_sink, MidiOpener opener,
    devices::MciSession::Opener open_media, devices::MciSession::Pause pause)
    : open_midi(std::move(opener))
    , mci(media_sink, std::move(open_media), std::move(pause))
{
}

SoundState::~SoundState()
{
    // Sound stops before the outputs it plays into go.
    mci.CloseAll();
    midi.reset();
}

bool PauseStep(Runtime& rt, int ms)
{
    // The host's pause keeps the console alive; the clock makes sure the
    // time really passes whatever the host does.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    rt.io.PauseMs(ms);
    while (!platform::InterruptPending() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return !platform::InterruptPending();
}

SoundState& Sound(Runtime& rt)
{
    if (SoundState* held = rt.family_states.Find<SoundState>())
        return *held;
    std::vector<std::unique_ptr<platform::AudioSink>> owned;
    platform::AudioSink* speech = rt.io.SoundOutput();
    if (!speech) {
        owned.push_back(std::make_unique<platform::NullAudioSink>());
        speech = owned.back().get();
    }
    const std::string choice = encoding::Cp1252ToUtf8(rt.io.ReadConfig("TRADUTOR", "SAIDADEAUDIO"));
    owned.push_back(platform::OpenMusicSink(choice, *speech));
    platform::AudioSink& media = *owned.back();
    auto state = std::make_shared<SoundState>(
        media, [choice, speech](int32_t device) { return OpenMidiDevice(device, choice, *speech); },
        platform::OpenMediaFile, [&rt](int ms) { return PauseStep(rt, ms); });
    state->owned_sinks = std::move(owned);
    return rt.family_states.Put(std::move(state));
}

std::vector<std::string> MidiDeviceLines()
{
    std::vector<std::string> lines { std::string(msg::MSG_MIDI_PORTS_TITLE) };
    std::vector<platform::MidiPort> ports;
    if (platform::ListMidiPorts(ports) != platform::MidiStatus::Ok)
        lines.emplace_back(msg::MSG_MIDI_NO_SEQUENCER);
    for (std::size_t i = 0; i < ports.size(); ++i)
        lines.push_back(std::to_string(i) + ": " + encoding::Utf8ToCp1252(ports[i].name));
    bool font = false;
    for (const std::string& path : platform::DefaultSoundFonts())
        font = font || std::filesystem::is_regular_file(path);
    lines.push_back(std::string(msg::MSG_MIDI_OTHER_NUMBERS)
        + std::string(font ? msg::MSG_MIDI_SOFT_SYNTH : msg::MSG_MIDI_NO_SOUND_FONT));
    return lines;
}

} // namespace palavrino::interp
