// MIDI, TOCA and MCI through an interpreter. MIDI messages go to a
// recording device and are checked byte for byte; sound files made by the
// tests (WAV, FLAC, Ogg, MP3) play into a WAV sink that is read back; the
// program's own synthesizer and, where the kernel has one, the ALSA
// sequencer are driven for real.
#include "commands/sound/cmd_sound.h"
#include "commands/sound/sound_state.h"
#include "commands/standard.h"
#include "interp/runtime.h"
#include "platform/interrupt.h"
#include "platform/media_file.h"
#include "platform/midi.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sndfile.h>
#include <thread>

using palavrino::fakes::TempDir;
using palavrino::interp::PackMidi;
using palavrino::interp::Runtime;
using palavrino::interp::SoundState;
using Messages = std::vector<std::uint32_t>;

namespace {

class RecordingMidi final : public palavrino::platform::MidiOut {
public:
    explicit RecordingMidi(std::shared_ptr<Messages> sent)
        : m_sent(std::move(sent))
    {
    }
    void Send(std::uint32_t message) override { m_sent->push_back(message); }

private:
    std::shared_ptr<Messages> m_sent;
};

struct Recording {
    double seconds { 0 };
    int rate { 0 };
    double rms { 0 }; // of full scale, 0..1
};

Recording ReadWav(const std::filesystem::path& path)
{
    SF_INFO info {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<double> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_read_double(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
    double sum = 0;
    for (const double s : samples)
        sum += s * s;
    return { static_cast<double>(info.frames) / info.samplerate, info.samplerate,
        samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size())) };
}

// A sine of 440 Hz at half of full scale.
bool WriteTone(const std::filesystem::path& path, int format, double seconds, int rate = 22050)
{
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = 1;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<double> samples(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.5 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / rate);
    sf_write_double(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
    return true;
}

struct Session {
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    TempDir dir;
    std::shared_ptr<Messages> sent = std::make_shared<Messages>();
    std::unique_ptr<palavrino::platform::AudioSink> wav;
    std::vector<int32_t> devices_opened;

    // A recording MIDI device, and sound files played into out.wav.
    Session()
    {
        wav = palavrino::platform::OpenWavFileSink(P("out.wav"));
        auto state = std::make_unique<SoundState>(
            *wav,
            [this](int32_t device) {
                devices_opened.push_back(device);
                return std::make_unique<RecordingMidi>(sent);
            },
            palavrino::platform::OpenMediaFile,
            [this](int ms) { return palavrino::interp::PauseStep(rt, ms); });
        rt.family_states.Put(std::shared_ptr<SoundState>(std::move(state)));
    }
    std::string P(const std::string& name) const { return (dir.Path() / name).string(); }
    bool Run(const std::string& line) { return rt.RunInteractiveLine(line); }
    std::string Failure(const std::string& line)
    {
        io.written.clear();
        return Run(line) ? "(ok)" : io.written;
    }
    Messages Sent(const std::string& line)
    {
        sent->clear();
        EXPECT_TRUE(Run(line)) << line << ": " << io.written;
        return *sent;
    }
    Recording Played()
    {
        rt.family_states.Clear(); // every file is stopped and the sink written
        wav.reset();
        return ReadWav(dir.Path() / "out.wav");
    }
};

} // namespace

TEST(Midi, EachOptionSendsItsBytes)
{
    Session s;
    // Opening selects instrument 0 on channel 1.
    EXPECT_EQ(s.Sent("MIDI ABRE 2"), (Messages { PackMidi(0xC0, 0, 0) }));
    EXPECT_EQ(s.devices_opened, std::vector<int32_t> { 2 });
    EXPECT_EQ(s.Sent("MIDI INICIA 4, 0"), (Messages { 0x00643C90 }));
    EXPECT_EQ(s.Sent("MIDI PARA 4 0"), (Messages { PackMidi(0x80, 60, 100) }));
    EXPECT_EQ(s.Sent("MIDI INSTRUMENTO 19"), (Messages { PackMidi(0xC0, 19, 0) }));
    // Channel 10 is status 144 + 9.
    EXPECT_EQ(s.Sent("MIDI CANAL 10"), Messages {});
    EXPECT_EQ(s.Sent("MIDI INICIA 4, 0"), (Messages { PackMidi(153, 60, 100) }));
    EXPECT_EQ(s.Sent("MIDI INSTRUMENTO 5"), (Messages { PackMidi(0xC9, 5, 0) }));
    EXPECT_EQ(s.Sent("MIDI VOLUME 64"), Messages {});
    EXPECT_EQ(s.Sent("MIDI INICIA 2, 7"), (Messages { PackMidi(0x99, 43, 64) }));
    EXPECT_EQ(s.Sent("MIDI TOCA 0, 11, 5"), (Messages { PackMidi(0x99, 23, 64), PackMidi(0x89, 23, 64) }));
    // Numbers are expressions; the rest of the line is not looked at.
    EXPECT_EQ(s.Sent("MIDI INICIA 1 + 2, 2 * 3 resto ignorado"), (Messages { PackMidi(0x99, 54, 64) }));
    // Opening again starts over: channel 1, velocity 100.
    EXPECT_EQ(s.Sent("MIDI ABRE 0"), (Messages { PackMidi(0xC0, 0, 0) }));
    EXPECT_EQ(s.Sent("MIDI INICIA 5, 0"), (Messages { PackMidi(0x90, 72, 100) }));
    EXPECT_EQ(s.Sent("MIDI FECHA"), Messages {});
    // Without a device the messages have no effect.
    EXPECT_EQ(s.Sent("MIDI INICIA 5, 0"), Messages {});
}

TEST(Midi, BytesThatCannotBeMidiDataAreNeverSent)
{
    Session s;
    ASSERT_TRUE(s.Run("MIDI ABRE 0"));
    // Notes outside 0..127 are dropped; the scales -1 and 7 play what fits.
    EXPECT_EQ(s.Sent("MIDI INICIA -1, 0"), (Messages { PackMidi(0x90, 0, 100) }));
    EXPECT_EQ(s.Sent("MIDI INICIA -1, -1"), Messages {});
    EXPECT_EQ(s.Sent("MIDI INICIA 7, 0"), (Messages { PackMidi(0x90, 96, 100) }));
    EXPECT_EQ(s.Sent("MIDI INICIA 7, 31"), (Messages { PackMidi(0x90, 127, 100) }));
    EXPECT_EQ(s.Sent("MIDI INICIA 7, 32"), Messages {});
    EXPECT_EQ(s.Sent("MIDI PARA 6, 500"), Messages {});
    EXPECT_EQ(s.Sent("MIDI TOCA 100, 0, 1"), Messages {});
    EXPECT_EQ(s.Sent("MIDI TOCA -5, 60, 1"), (Messages { PackMidi(0x90, 12, 100), PackMidi(0x80, 12, 100) }));
    // Velocities are kept within 0..127, instruments wrap into 0..127.
    ASSERT_TRUE(s.Run("MIDI VOLUME 300"));
    EXPECT_EQ(s.Sent("MIDI INICIA 4, 0"), (Messages { PackMidi(0x90, 60, 127) }));
    ASSERT_TRUE(s.Run("MIDI VOLUME -4"));
    EXPECT_EQ(s.Sent("MIDI INICIA 4, 0"), (Messages { PackMidi(0x90, 60, 0) }));
    EXPECT_EQ(s.Sent("MIDI INSTRUMENTO 255"), (Messages { PackMidi(0xC0, 127, 0) }));
    EXPECT_EQ(s.Sent("MIDI INSTRUMENTO 128"), (Messages { PackMidi(0xC0, 0, 0) }));
}

TEST(Midi, LimitsAndMessages)
{
    Session s;
    ASSERT_TRUE(s.Run("MIDI ABRE 0"));
    EXPECT_EQ(s.Failure("MIDI CANAL 1"), "(ok)");
    EXPECT_EQ(s.Failure("MIDI CANAL 16"), "(ok)");
    EXPECT_EQ(s.Failure("MIDI INSTRUMENTO 0"), "(ok)");
    EXPECT_EQ(s.Failure("MIDI INICIA -1, 0"), "(ok)");
    EXPECT_EQ(s.Failure("MIDI PARA 7, 0"), "(ok)");
    const std::pair<std::string, std::string> cases[] = {
        { "MIDI ABRE", "Esperava o n\xFAmero do dispositivo\n" },
        { "MIDI ABRE \"x\"", "Esperava o n\xFAmero do dispositivo\n" },
        { "MIDI CANAL", "Esperava o n\xFAmero do canal\n" },
        { "MIDI CANAL 0", "O canal deve estar entre 1 e 16\n" },
        { "MIDI CANAL 17", "O canal deve estar entre 1 e 16\n" },
        { "MIDI INSTRUMENTO", "Esperava o n\xFAmero do instrumento\n" },
        { "MIDI INSTRUMENTO 256", "O instrumento deve estar entre 0 e 255\n" },
        { "MIDI INSTRUMENTO -1", "O instrumento deve estar entre 0 e 255\n" },
        { "MIDI INICIA", "Esperava o n\xFAmero da escala\n" },
        { "MIDI INICIA 8, 0", "A escala deve estar entre -1 e 7\n" },
        { "MIDI PARA -2, 0", "A escala deve estar entre -1 e 7\n" },
        { "MIDI PARA 4", "Esperava o n\xFAmero da nota\n" },
        { "MIDI TOCA", "Esperava o n\xFAmero da escala\n" },
        { "MIDI TOCA 4,", "Esperava o n\xFAmero da nota\n" },
        { "MIDI TOCA 4, 0", "Esperava a dura\xE7\xE3o em milissegundos\n" },
        { "MIDI VOLUME", "Esperava o volume\n" },
        { "MIDI SOA 4", "Modificador SOA inv\xE1lido para o comando MIDI\n" },
        { "MIDI", "Modificador  inv\xE1lido para o comando MIDI\n" },
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        s.sent->clear();
        s.io.spoken.clear();
        EXPECT_EQ(s.Failure(line), message);
        ASSERT_FALSE(s.io.spoken.empty());
        EXPECT_EQ(s.io.spoken.back() + "\n", message);
        EXPECT_TRUE(s.sent->empty());
    }
    // A failed CANAL left the channel as it was.
    EXPECT_EQ(s.Sent("MIDI INICIA 4, 0"), (Messages { PackMidi(0x9F, 60, 100) }));
}

TEST(Midi, CtrlCEndsALongNoteAndTheNoteStops)
{
    Session s;
    ASSERT_TRUE(s.Run("MIDI ABRE 0"));
    s.sent->clear();
    std::thread breaker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        palavrino::platform::RequestInterrupt();
    });
    // A note of ten minutes: only the break request lets the test go on.
    s.Run("MIDI TOCA 4, 0, 600000");
    breaker.join();
    palavrino::platform::TakeInterruptRequest();
    EXPECT_EQ(*s.sent, (Messages { PackMidi(0x90, 60, 100), PackMidi(0x80, 60, 100) }));
}

TEST(SoftSynth, NotesAreRenderedIntoTheWavSink)
{
    TempDir dir;
    auto wav = palavrino::platform::OpenWavFileSink((dir.Path() / "midi.wav").string());
    ASSERT_TRUE(wav);
    std::unique_ptr<palavrino::platform::MidiOut> synth;
    const auto status
        = palavrino::platform::OpenSoftSynth(*wav, palavrino::platform::DefaultSoundFonts(), synth);
    if (status == palavrino::platform::MidiStatus::NoSoundFont)
        GTEST_SKIP() << "no General MIDI sound font (fluid-soundfont-gm) is installed";
    ASSERT_EQ(status, palavrino::platform::MidiStatus::Ok);
    synth->Send(PackMidi(0xC0, 0, 0));
    synth->Send(PackMidi(0x90, 60, 100));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    synth->Send(PackMidi(0x80, 60, 100));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    synth.reset();
    wav.reset();
    const Recording r = ReadWav(dir.Path() / "midi.wav");
    EXPECT_EQ(r.rate, 44100);
    // 0.5 s of notes and their tail, as the clock gave them.
    EXPECT_GT(r.seconds, 0.45);
    EXPECT_LT(r.seconds, 1.5);
    EXPECT_GT(r.rms, 0.01);
}

TEST(SoftSynth, MidiAbreMinusOnePlaysThroughTheConfiguredWavFile)
{
    palavrino::testing::MemoryHostIo io;
    TempDir dir;
    bool fell_back = false;
    auto wav
        = palavrino::platform::OpenAudioSink("arquivo:" + (dir.Path() / "fala.wav").string(), &fell_back);
    ASSERT_FALSE(fell_back);
    io.sound_output = wav.get();
    io.config["TRADUTOR/SAIDADEAUDIO"] = "arquivo:" + (dir.Path() / "fala.wav").string();
    {
        Runtime rt { io, palavrino::commands::StandardCommands() };
        ASSERT_TRUE(rt.RunInteractiveLine("MIDI ABRE -1")) << io.written;
        ASSERT_TRUE(rt.RunInteractiveLine("MIDI TOCA 4, 0, 300")) << io.written;
        ASSERT_TRUE(rt.RunInteractiveLine("MIDI TOCA 4, 7, 300")) << io.written;
        ASSERT_TRUE(rt.RunInteractiveLine("MIDI FECHA")) << io.written;
    }
    wav.reset();
    const Recording r = ReadWav(dir.Path() / "fala.wav");
    if (r.rate == 0 && !std::filesystem::exists("/usr/share/sounds/sf2/FluidR3_GM.sf2"))
        GTEST_SKIP() << "no General MIDI sound font (fluid-soundfont-gm) is installed";
    EXPECT_GT(r.seconds, 0.55);
    EXPECT_LT(r.seconds, 1.5);
    EXPECT_GT(r.rms, 0.01);
}

TEST(Toca, PlaysEachKindOfFileIntoTheWavSink)
{
    struct Kind {
        const char* name;
        int format;
    };
    const Kind kinds[] = {
        { "tom.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16 },
        { "tom.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16 },
        { "tom.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS },
        { "tom.mp3", 0 },
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        Session s;
        if (kind.format != 0) {
            ASSERT_TRUE(WriteTone(s.dir.Path() / kind.name, kind.format, 0.5));
        } else {
            ASSERT_TRUE(WriteTone(s.dir.Path() / "fonte.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.5));
            const std::string lame = "lame --quiet -b 64 '" + s.P("fonte.wav") + "' '" + s.P(kind.name) + "'";
            if (std::system(lame.c_str()) != 0)
                GTEST_SKIP() << "the lame encoder is not installed: no MP3 file to play";
        }
        ASSERT_TRUE(s.Run("TOCA \"" + s.P(kind.name) + "\"")) << s.io.written;
        EXPECT_EQ(s.io.written, "");
        EXPECT_EQ(s.rt.Slot().io_status, 0);
        const Recording r = s.Played();
        EXPECT_EQ(r.rate, 22050);
        EXPECT_NEAR(r.seconds, 0.5, 0.06);
        // A sine at half of full scale.
        EXPECT_NEAR(r.rms, 0.5 / std::sqrt(2.0), 0.05);
    }
}

TEST(Toca, AmpersandLeavesItPlayingForMci)
{
    Session s;
    ASSERT_TRUE(WriteTone(s.dir.Path() / "longo som.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30));
    ASSERT_TRUE(s.Run("TOCA \"" + s.P("longo som.wav") + "\" &")) << s.io.written;
    const std::string name = "\"\"\"" + s.P("longo som.wav") + "\"\"\"";
    ASSERT_TRUE(s.Run("MCI modo \"status \" + " + name + " + \" mode\"")) << s.io.written;
    ASSERT_TRUE(s.Run("ESCREVE modo"));
    EXPECT_EQ(s.io.written, "playing\n");
    ASSERT_TRUE(s.Run("MCI \"stop \" + " + name));
    s.io.spoken.clear();
    ASSERT_TRUE(s.Run("MCI \"status \" + " + name + " + \" mode\""));
    EXPECT_EQ(s.io.written, "playing\n\nstopped\n");
    EXPECT_EQ(s.io.spoken, std::vector<std::string> { "stopped" });
    // Only what played before the stop is in the file.
    EXPECT_LT(s.Played().seconds, 10);
}

TEST(Toca, AKeyStopsItAndIsDiscarded)
{
    Session s;
    ASSERT_TRUE(WriteTone(s.dir.Path() / "longo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30));
    s.io.keys = { 'x', 'y' };
    ASSERT_TRUE(s.Run("TOCA \"" + s.P("longo.wav") + "\"")) << s.io.written;
    EXPECT_TRUE(s.io.keys.empty());
    EXPECT_LT(s.Played().seconds, 10);
}

TEST(Toca, CtrlCStopsIt)
{
    Session s;
    ASSERT_TRUE(WriteTone(s.dir.Path() / "longo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 60));
    std::thread breaker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        palavrino::platform::RequestInterrupt();
    });
    s.Run("TOCA \"" + s.P("longo.wav") + "\"");
    breaker.join();
    palavrino::platform::TakeInterruptRequest();
    // The file was closed, not left playing.
    ASSERT_TRUE(s.Run("MCI r \"status myfile mode\""));
    ASSERT_TRUE(s.Run("ESCREVE TAMANHO(r)"));
    EXPECT_EQ(s.io.written.substr(s.io.written.size() - 2), "0\n");
}

TEST(Toca, MissingAndDamagedFilesAreToldAndTheScriptGoesOn)
{
    Session s;
    s.dir.Write("ruim.wav", "RIFF isto n\xE3o \xE9 som");
    s.dir.Write("ruim.mp3", std::string(4000, 'x'));
    const std::pair<std::string, std::string> cases[] = {
        { "nada.wav", "N\xE3o encontrei o arquivo de som " },
        { "ruim.wav", "N\xE3o sei tocar este arquivo, que n\xE3o \xE9 de som ou est\xE1 danificado: " },
        { "ruim.mp3", "N\xE3o sei tocar este arquivo, que n\xE3o \xE9 de som ou est\xE1 danificado: " },
    };
    for (const bool background : { false, true }) {
        for (const auto& [file, message] : cases) {
            SCOPED_TRACE(file);
            s.io.written.clear();
            s.io.spoken.clear();
            ASSERT_TRUE(s.Run("TOCA \"" + s.P(file) + "\"" + (background ? " &" : "")));
            EXPECT_EQ(s.io.written, message + s.P(file) + "\n");
            EXPECT_EQ(s.io.spoken, std::vector<std::string> { message + s.P(file) });
            EXPECT_EQ(s.rt.Slot().io_status, file == "nada.wav" ? 2 : 1);
        }
    }
    EXPECT_EQ(s.Failure("TOCA"), "Esperava um nome de arquivo como argumento para o comando TOCA\n");
    EXPECT_EQ(s.Failure("TOCA 5"), "Esperava um nome de arquivo como argumento para o comando TOCA\n");
    EXPECT_EQ(s.Failure("TOCA \"\""), "Esperava um nome de arquivo como argumento para o comando TOCA\n");
}

TEST(Mci, WithAndWithoutAVariable)
{
    Session s;
    ASSERT_TRUE(WriteTone(s.dir.Path() / "a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1.5));
    ASSERT_TRUE(s.Run("MCI r \"open " + s.P("a.wav") + " alias Som\"")) << s.io.written;
    ASSERT_TRUE(s.Run("MCI duracao \"status som length\""));
    ASSERT_TRUE(s.Run("ESCREVE duracao + 1"));
    EXPECT_EQ(s.io.written, "1501\n");
    s.io.written.clear();
    ASSERT_TRUE(s.Run("MCI \"status som mode\""));
    // A request not understood answers nothing, and the script goes on.
    ASSERT_TRUE(s.Run("MCI \"grava som\""));
    ASSERT_TRUE(s.Run("MCI \"close som\""));
    ASSERT_TRUE(s.Run("MCI \"status som mode\""));
    // The answers: the mode, nothing, nothing (close), nothing (closed).
    EXPECT_EQ(s.io.written, "stopped\n\n\n\n");
    EXPECT_EQ(s.Failure("MCI"), "Esperava uma cadeia com o comando MCI\n");
    EXPECT_EQ(s.Failure("MCI \"\""), "Esperava uma cadeia com o comando MCI\n");
    EXPECT_EQ(s.Failure("MCI r 5"), "Esperava uma cadeia com o comando MCI\n");
}
