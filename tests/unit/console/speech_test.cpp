// The speech layer: engine choice from the configuration, the log
// synthesizer, barge-in, the built-in sounds and writing-and-speaking.
#include "console/config.h"
#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "console/synthesizer.h"
#include "tests/fakes/fake_terminal.h"
#include "tests/fakes/recording_audio.h"
#include "tests/fakes/temp_dir.h"
#include "tests/unit/console/audio_fixtures.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace palavrino::console {
namespace {

    // Whether espeak-ng and its data are installed here.
    bool EspeakAvailable()
    {
        struct Sink final : SynthAudio {
            bool DeliverPcm(const platform::PcmFormat&, std::span<const std::uint8_t>) override
            {
                return true;
            }
        } sink;
        auto engine = MakeEspeakSynthesizer(sink);
        const bool started = engine->Start(0, 0, 0);
        engine->End();
        return started;
    }

    // An engine that writes down what it is asked to say.
    struct FakeEngine final : Synthesizer {
        explicit FakeEngine(std::vector<std::string>& said)
            : heard(said)
        {
        }
        bool Start(int, int, int) override { return true; }
        void Speak(std::string_view text) override { heard.emplace_back(text); }
        void SpeakCharacter(std::uint8_t c) override
        {
            heard.push_back(std::string("char ") + static_cast<char>(c));
        }
        bool IsSpeaking() override { return false; }
        void Stop() override { }
        void End() override { }
        std::vector<std::string>& heard;
    };

    struct SpeechRig {
        explicit SpeechRig(std::string keys = {}, bool live = false)
            : terminal(std::move(keys), live)
            , keyboard(terminal)
            , speech(screen, keyboard, audio)
        {
            screen.SetListener(&terminal);
        }

        // Starts speech with the log synthesizer writing to a file in dir.
        std::filesystem::path StartLog(const fakes::TempDir& dir, std::string extra_ini = {})
        {
            const std::filesystem::path log = dir.Path() / "fala.log";
            config = ConfigFile::FromFile(
                dir.Write("Talira.ini",
                    "[SERVFALA]\nTIPOSAPI=registro\nARQUIVOREGISTRO=" + log.string() + "\n" + extra_ini),
                "/prog");
            speech.SpeechInit(config, "");
            return log;
        }

        fakes::FakeTerminal terminal;
        fakes::RecordingAudioSink audio;
        ScreenModel screen;
        Keyboard keyboard;
        Speech speech;
        ConfigFile config;
    };

    TEST(LogSynthesizer, EachRequestIsOneUtf8Line)
    {
        fakes::TempDir dir;
        SpeechRig rig;
        const auto log = rig.StartLog(dir);
        ASSERT_TRUE(rig.speech.EngineActive());
        rig.speech.Speak("Ol\xE1 mundo");
        rig.speech.Speak("duas\r\nlinhas");
        rig.speech.Speak("");
        rig.speech.Spell("ab c");
        rig.speech.SpeakChar('x');
        rig.speech.SpeakChar(0xE7);
        rig.speech.SpeechEnd();
        EXPECT_EQ(fakes::TempDir::Read(log), "Ol\xC3\xA1 mundo\nduas  linhas\n\na b   c\nx\n\xC3\xA7\n");
    }

    TEST(LogSynthesizer, ARestartAppendsToTheSameFile)
    {
        fakes::TempDir dir;
        SpeechRig rig;
        const auto log = rig.StartLog(dir);
        rig.speech.Speak("um");
        rig.speech.SpeechInit(rig.config, "", 2);
        rig.speech.Speak("dois");
        rig.speech.SpeechEnd();
        rig.speech.Speak("depois do fim");
        EXPECT_EQ(fakes::TempDir::Read(log), "um\ndois\n");
    }

    TEST(Speech, EngineChoice)
    {
        struct Case {
            std::string ini;
            bool active;
        };
        const Case cases[] = {
            { "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=@@\\fala.log\n", true },
            { "[servfala]\ntiposapi= Registro \narquivoregistro=@@/fala.log\n", true },
            { "[SERVFALA]\nTIPOSAPI=REGISTRO\n", false }, // no file named
            { "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=@@\\no\\such\\dir\\f.log\n", false },
            // Without the built-in voice's data espeak-ng speaks, when present.
            { "[SERVFALA]\nTIPOSAPI=5\n", EspeakAvailable() }, { "", EspeakAvailable() },
            { "[SERVFALA]\nTIPOSAPI=SPEECHD\n", EspeakAvailable() }, // no daemon here: espeak-ng
        };
        // No daemon, whatever this machine has: the address leads nowhere,
        // so libspeechd neither finds nor starts one.
        fakes::TempDir nowhere;
        const char* old_address = std::getenv("SPEECHD_ADDRESS");
        const std::string saved = old_address ? old_address : "";
        setenv("SPEECHD_ADDRESS", ("unix_socket:" + (nowhere.Path() / "none.sock").string()).c_str(), 1);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.ini);
            fakes::TempDir dir;
            SpeechRig rig;
            rig.config = ConfigFile::FromFile(dir.Write("Talira.ini", c.ini), "/prog");
            rig.speech.SpeechInit(rig.config, "");
            EXPECT_EQ(rig.speech.EngineActive(), c.active);
            rig.speech.Speak("nada"); // a missing engine is silent, never an error
        }
        if (old_address)
            setenv("SPEECHD_ADDRESS", saved.c_str(), 1);
        else
            unsetenv("SPEECHD_ADDRESS");
    }

    TEST(Speech, SpeedAndPausesComeFromTheConfiguration)
    {
        struct Case {
            std::string ini;
            int speed_arg;
            int speed;
            int full_stop_ms;
        };
        const Case cases[] = {
            { "", 0, 3, 250 },
            { "[TRADUTOR]\nVELOCIDADE=5\n[SINTETIZADOR]\nPAUSAPONTO5=400\n", 0, 5, 400 },
            { "[TRADUTOR]\nVELOCIDADE=9\n", 0, 3, 250 },
            { "[TRADUTOR]\nVELOCIDADE=5\n[SINTETIZADOR]\nPAUSAPONTO2=x\n", 2, 2, 250 },
            { "", 7, 3, 250 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.ini);
            fakes::TempDir dir;
            SpeechRig rig;
            rig.config = ConfigFile::FromFile(dir.Write("Talira.ini", c.ini), "/prog");
            rig.speech.SpeechInit(rig.config, "", c.speed_arg);
            EXPECT_EQ(rig.speech.Voice().speed, c.speed);
            EXPECT_EQ(rig.speech.Voice().full_stop_pause_ms, c.full_stop_ms);
        }
    }

    TEST(Speech, ALiveKeyStopsSpeechAndStaysForItsReader)
    {
        struct Case {
            bool live;
            std::string logged;
        };
        const Case cases[] = {
            { true, "" }, { false, "texto\nt e x t o\n" }, // prepared input is no barge-in
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.live ? "live" : "prepared");
            fakes::TempDir dir;
            SpeechRig rig("k", c.live);
            const auto log = rig.StartLog(dir);
            rig.speech.Speak("texto");
            rig.speech.Spell("texto");
            EXPECT_FALSE(rig.speech.IsSpeaking());
            rig.speech.SpeechEnd();
            EXPECT_EQ(fakes::TempDir::Read(log), c.logged);
            EXPECT_EQ(rig.keyboard.ReadKey(), 'k');
        }
    }

    TEST(Speech, WriteLineAndSpeakWritesSpeaksAndRecords)
    {
        fakes::TempDir dir;
        SpeechRig rig;
        const auto log = rig.StartLog(dir);
        rig.screen.SetTranscriptDirectory(dir.Path());
        rig.speech.WriteAndSpeak("sem ");
        ASSERT_TRUE(rig.screen.ToggleScreenRecording());
        const std::string announced = rig.terminal.Written();
        rig.screen.ClearWindow();
        rig.speech.WriteAndSpeak("Ol\xE1, ");
        rig.speech.WriteLineAndSpeak("mundo");
        rig.speech.WriteLineAndSpeak("fim");
        rig.speech.SpeechEnd();

        EXPECT_EQ(rig.screen.RowText(1).substr(0, 12), "Ol\xE1, mundo  ");
        EXPECT_EQ(rig.screen.RowText(2).substr(0, 4), "fim ");
        EXPECT_EQ(announced, "sem Gravando tela em " + rig.screen.TranscriptPath().string() + "\r\n");
        EXPECT_EQ(rig.terminal.Written(), announced + "Ol\xE1, mundo\r\nfim\r\n");
        EXPECT_EQ(fakes::TempDir::Read(log), "sem \nOl\xC3\xA1, \nmundo\nfim\n");
        EXPECT_FALSE(rig.screen.ToggleScreenRecording()); // the transcript is in place once stopped
        EXPECT_EQ(fakes::TempDir::Read(rig.screen.TranscriptPath()), "Ol\xC3\xA1, mundo\nfim\n");
    }

    TEST(Speech, BeepAndTickHaveTheirShapes)
    {
        SpeechRig rig;
        rig.speech.Beep();
        rig.speech.Tick();
        rig.speech.Tick();
        const auto& blocks = rig.audio.Blocks();
        ASSERT_EQ(blocks.size(), 3u);
        const platform::PcmFormat mono8 { 11025, 8, 1 };

        const auto& beep = blocks[0];
        EXPECT_EQ(beep.format, mono8);
        ASSERT_EQ(beep.samples.size(), 512u);
        const std::uint8_t shape[] = { 128, 112, 96, 80, 64, 80, 96, 112 };
        for (std::size_t i = 0; i + 1 < beep.samples.size(); ++i)
            ASSERT_EQ(beep.samples[i], shape[i % 8]) << "sample " << i;
        EXPECT_EQ(beep.samples.back(), 128);

        const auto& tick = blocks[1];
        EXPECT_EQ(tick.format, mono8);
        ASSERT_EQ(tick.samples.size(), 256u);
        for (std::size_t i = 0; i < 64; ++i) {
            EXPECT_GE(tick.samples[i], 128);
            EXPECT_LE(tick.samples[i], 187);
        }
        for (std::size_t i = 64; i < 256; ++i)
            ASSERT_EQ(tick.samples[i], 128) << "sample " << i;
        EXPECT_EQ(blocks[2].samples, tick.samples); // the noise is drawn once
    }

    // A minimal PCM wave file.
    std::string WaveFile(const std::string& data, int rate = 22050, int bits = 16, int channels = 1)
    {
        auto le = [](std::uint32_t v, int n) {
            std::string s;
            for (int i = 0; i < n; ++i)
                s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
            return s;
        };
        const auto byte_rate = static_cast<std::uint32_t>(rate * channels * bits / 8);
        std::string fmt = le(1, 2) + le(static_cast<std::uint32_t>(channels), 2)
            + le(static_cast<std::uint32_t>(rate), 4) + le(byte_rate, 4)
            + le(static_cast<std::uint32_t>(channels * bits / 8), 2)
            + le(static_cast<std::uint32_t>(bits), 2);
        std::string body = "WAVE" + std::string("LIST") + le(3, 4) + "abc" + std::string(1, '\0') + "fmt "
            + le(16, 4) + fmt + "data" + le(static_cast<std::uint32_t>(data.size()), 4) + data;
        return "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;
    }

    TEST(Speech, SoundsComeFromTheirDirectories)
    {
        fakes::TempDir dir;
        const std::string samples(20000, '\x42');
        dir.Write("sons/ola.wav", WaveFile(samples));
        dir.Write("letras/_DEL.wav", WaveFile("xy", 11025, 8));
        dir.Write("sons/ruim.wav", "RIFF....WAVEjunk");
        SpeechRig rig;
        rig.config
            = ConfigFile::FromFile(dir.Write("Talira.ini", "[TRADUTOR]\nDIRLETRAS=@@\\letras\n"), "/prog");
        rig.speech.SpeechInit(rig.config, (dir.Path() / "sons").string());

        EXPECT_TRUE(rig.speech.SoundExists("ola"));
        EXPECT_TRUE(rig.speech.SoundExists("_DEL"));
        EXPECT_FALSE(rig.speech.SoundExists("_ola"));
        EXPECT_FALSE(rig.speech.SoundExists("DEL"));

        EXPECT_EQ(rig.speech.PlaySound("ola"), WaveStatus::Played);
        std::string played;
        for (const auto& block : rig.audio.Blocks()) {
            EXPECT_EQ(block.format, (platform::PcmFormat { 22050, 16, 1 }));
            EXPECT_LE(block.samples.size(), 8192u);
            played.append(block.samples.begin(), block.samples.end());
        }
        EXPECT_EQ(played, samples);

        rig.audio.Clear();
        EXPECT_EQ(rig.speech.PlaySound("_DEL"), WaveStatus::Played);
        ASSERT_EQ(rig.audio.Blocks().size(), 1u);
        EXPECT_EQ(rig.audio.Blocks()[0].format, (platform::PcmFormat { 11025, 8, 1 }));
        EXPECT_EQ(rig.speech.PlaySound("falta"), WaveStatus::CannotOpen);
        EXPECT_EQ(rig.speech.PlaySound("ruim"), WaveStatus::NotWave);
    }

    TEST(Speech, CharactersPlayTheirRecordedSoundOrTheUnknownSound)
    {
        fakes::TempDir dir;
        dir.Write("chars/_97.wav", WaveFile("a", 11025, 8));
        dir.Write("chars/_unknown.wav", WaveFile("??", 11025, 8));
        SpeechRig rig;
        rig.config = ConfigFile::FromFile(
            dir.Write("Talira.ini", "[TRADUTOR]\ndirLetras=" + (dir.Path() / "chars").string() + "\n"),
            "/prog");
        rig.speech.SpeechInit(rig.config, "");
        std::vector<std::string> said;
        rig.speech.Spell("ab");
        ASSERT_GE(rig.audio.Blocks().size(), 2u);
        const auto& a = rig.audio.Blocks()[0].samples;
        ASSERT_EQ(a.size(), 256u); // short sounds are padded with silence
        EXPECT_EQ(a[0], 'a');
        EXPECT_EQ(a[1], 128);
        // "b" has no recording: the engine says it when there is one, else
        // the unknown-character sound plays.
        const auto& b = rig.audio.Blocks()[1];
        if (rig.speech.EngineActive()) {
            EXPECT_EQ(b.format.bits_per_sample, 16);
        } else {
            EXPECT_EQ(b.samples[0], '?');
            EXPECT_EQ(b.samples[1], '?');
        }

        rig.audio.Clear();
        rig.speech.SetSynthesizer(std::make_unique<FakeEngine>(said));
        rig.speech.Spell("ba");
        EXPECT_EQ(said, std::vector<std::string> { "char b" });
        ASSERT_EQ(rig.audio.Blocks().size(), 1u);
        EXPECT_EQ(rig.audio.Blocks()[0].samples[0], 'a');
    }

    // The data directory of the environment, pointed at a test folder for
    // the life of the object.
    class DataHomeAt {
    public:
        explicit DataHomeAt(const std::filesystem::path& dir)
        {
            if (const char* saved = std::getenv("XDG_DATA_HOME"))
                m_saved = saved;
            ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
        }
        ~DataHomeAt()
        {
            if (m_saved)
                ::setenv("XDG_DATA_HOME", m_saved->c_str(), 1);
            else
                ::unsetenv("XDG_DATA_HOME");
        }
        DataHomeAt(const DataHomeAt&) = delete;
        DataHomeAt& operator=(const DataHomeAt&) = delete;

    private:
        std::optional<std::string> m_saved;
    };

    // Without DIRLETRAS the letters come from the environment's data
    // directory, looked for when a sound first needs it: here the folder
    // only appears after speech has started, as after an installation
    // while the program runs.
    TEST(Speech, DefaultLettersDirectoryIsFoundWhenFirstNeeded)
    {
        fakes::TempDir dir;
        const DataHomeAt data_home(dir.Path() / "dados");
        SpeechRig rig;
        rig.config = ConfigFile::FromFile(dir.Write("Talira.ini", "[TRADUTOR]\nVELOCIDADE=3\n"), "/prog");
        rig.speech.SpeechInit(rig.config, "");
        dir.Write("dados/talira/som/letras/_97.wav", WaveFile("a", 11025, 8));
        dir.Write("dados/talira/som/letras/_DEL.wav", WaveFile("xy", 11025, 8));

        const std::string letters = (dir.Path() / "dados" / "talira" / "som" / "letras").string() + "/";
        EXPECT_EQ(rig.speech.LettersDir(), letters);
        EXPECT_EQ(rig.speech.CharSoundsDir(), letters);
        EXPECT_TRUE(rig.speech.SoundExists("_DEL"));
        EXPECT_EQ(rig.speech.PlaySound("_DEL"), WaveStatus::Played);
        rig.audio.Clear();
        rig.speech.SpeakChar('a');
        ASSERT_FALSE(rig.audio.Blocks().empty());
        EXPECT_EQ(rig.audio.Blocks()[0].samples[0], 'a');

        // A restart (a speed change) drops what was found and an explicit
        // directory wins from then on.
        rig.config = ConfigFile::FromFile(
            dir.Write("Talira.ini", "[TRADUTOR]\nDIRLETRAS=" + (dir.Path() / "outras").string() + "\n"),
            "/prog");
        rig.speech.SpeechInit(rig.config, "", 4);
        EXPECT_EQ(rig.speech.LettersDir(), (dir.Path() / "outras").string() + "/");
        EXPECT_FALSE(rig.speech.SoundExists("_DEL"));
    }

    TEST(Speech, TheEditorSpeaksLiveTypingOnly)
    {
        struct Case {
            bool live;
            std::string logged;
        };
        const Case cases[] = {
            { true, "a\nb\nb\n" }, // typed a, typed b, deleted b
            { false, "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.live ? "live" : "prepared");
            fakes::TempDir dir;
            SpeechRig rig("", c.live);
            const auto log = rig.StartLog(dir);
            LineEditor editor(rig.screen, rig.keyboard, rig.speech);
            // Keys arrive only after speech started, as a typist's would.
            rig.terminal.Type("ab\b\r");
            EXPECT_EQ(editor.ReadLine().text, "a");
            rig.speech.SpeechEnd();
            EXPECT_EQ(fakes::TempDir::Read(log), c.logged);
        }
    }

} // namespace
} // namespace palavrino::console

namespace palavrino::console {
namespace {

    // A configuration with the test voice and its recordings, built-in only.
    struct BuiltinRig : SpeechRig {
        explicit BuiltinRig(std::string extra_ini = {}, std::string keys = {}, bool live = false)
            : SpeechRig(std::move(keys), live)
        {
            fakes::WriteTestVoice(dir, { { "$PA", 1000, 10 } }, fakes::PlainRules(), "");
            for (const auto& [name, value] : std::vector<std::pair<std::string, char>> { { "_zero", 0x11 },
                     { "_sete", 0x17 }, { "_hora", 0x21 }, { "_uma", 0x22 }, { "_minuto", 0x23 },
                     { "_46", 0x2E }, { "_44", 0x2C } })
                dir.Write("letras/" + name + ".wav", fakes::WaveFile(std::string(300, value)));
            const std::string letters = (dir.Path() / "letras").string();
            config = ConfigFile::FromFile(
                dir.Write("Talira.ini",
                    "[TRADUTOR]\nDIRLETRAS=" + letters + "\ndirLetras=" + letters
                        + "\nDIRDIFONES=" + (dir.Path() / "voz").string()
                        + "\n[SINTETIZADOR]\nDIFONES3=TESTE\nPAUSAPONTO3=0\nPAUSAVIRG3=0\n" + extra_ini),
                "/prog");
            speech.SpeechInit(config, "");
        }
        // The first sample of each block: which recording it came from.
        std::vector<int> Heard() const
        {
            std::vector<int> firsts;
            for (const auto& b : audio.Blocks())
                firsts.push_back(b.samples.empty() ? -1 : b.samples[0]);
            return firsts;
        }
        fakes::TempDir dir;
    };

    TEST(Speech, TheBuiltinVoiceReadsNumbersWordsAndPunctuation)
    {
        BuiltinRig rig;
        ASSERT_EQ(rig.speech.BuiltinVoiceStatus(), 0);
        ASSERT_FALSE(rig.speech.EngineActive());
        rig.speech.Speak("007");
        EXPECT_EQ(rig.Heard(), (std::vector<int> { 0x11, 0x11, 0x17 }));
        rig.audio.Clear();
        rig.speech.Speak("pa, pa.");
        EXPECT_EQ(rig.Heard(), (std::vector<int> { 10, 0x2C, 10, 0x2E }));
    }

    TEST(Speech, ALiveKeyStopsTheBuiltinVoice)
    {
        BuiltinRig rig({}, "k", true);
        rig.speech.Speak("007 pa pa");
        EXPECT_TRUE(rig.audio.Blocks().empty());
        EXPECT_EQ(rig.keyboard.ReadKey(), 'k');
    }

    TEST(Speech, TimeAndMissingRecordings)
    {
        BuiltinRig rig;
        rig.speech.SpeakTimeAt(1, 1);
        // One joined buffer: "uma" "hora" "um"(missing, skipped) "minuto".
        ASSERT_EQ(rig.audio.Blocks().size(), 1u);
        EXPECT_EQ(rig.audio.Blocks()[0].samples.size(), 900u);

        std::vector<std::string> said;
        rig.speech.SetSynthesizer(std::make_unique<FakeEngine>(said));
        rig.audio.Clear();
        rig.speech.SpeakTimeAt(1, 1);
        EXPECT_EQ(said, std::vector<std::string> { "um" });
        EXPECT_EQ(rig.Heard(), (std::vector<int> { 0x22, 0x23 })); // "uma hora", then "minuto"
        said.clear();
        rig.speech.SpeakDateOf(2, 1, 4, 2025);
        EXPECT_EQ(said,
            std::vector<std::string> { "ter\xE7"
                                       "a primeiro de abril de dois mil e vinte e cinco" });
    }

    TEST(Speech, BatteryReport)
    {
        fakes::TempDir power;
        EXPECT_FALSE(ReadPowerStatus(power.Path()).has_battery);
        EXPECT_TRUE(ReadPowerStatus(power.Path() / "nada").on_mains);
        power.Write("BAT0/type", "Battery\n");
        power.Write("BAT0/capacity", "87\n");
        power.Write("BAT0/status", "Discharging\n");
        PowerStatus status = ReadPowerStatus(power.Path());
        EXPECT_TRUE(status.has_battery);
        EXPECT_EQ(status.percent, 87);
        EXPECT_FALSE(status.on_mains);
        power.Write("AC/type", "Mains\n");
        power.Write("AC/online", "1\n");
        EXPECT_TRUE(ReadPowerStatus(power.Path()).on_mains);

        BuiltinRig rig;
        std::vector<std::string> said;
        rig.speech.SetSynthesizer(std::make_unique<FakeEngine>(said));
        rig.speech.SpeakBatteryStatus(status);
        EXPECT_EQ(said, (std::vector<std::string> { "87%", "sem energia" }));
        said.clear();
        rig.speech.SpeakBatteryStatus(PowerStatus {});
        EXPECT_EQ(said, (std::vector<std::string> { "sem bateria" }));
    }

    TEST(Speech, ToneIsASquareWaveUntilOff)
    {
        fakes::TempDir dir;
        auto sink = platform::OpenWavFileSink((dir.Path() / "tom.wav").string());
        ASSERT_NE(sink, nullptr);
        fakes::FakeTerminal terminal;
        Keyboard keyboard(terminal);
        ScreenModel screen;
        Speech speech(screen, keyboard, *sink);
        speech.ToneOn(1000); // 11 samples a period
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        speech.ToneOff();
        speech.ToneOn(100000); // beyond what the rate can carry: the highest tone
        speech.ToneOff();
        const std::string bytes = fakes::TempDir::Read(dir.Path() / "tom.wav");
        ASSERT_GT(bytes.size(), 44u + 600u);
        const std::string expected = std::string(5, '\x60') + std::string(6, '\xA0');
        EXPECT_EQ(bytes.substr(44, 22), expected + expected);
    }

    TEST(Espeak, SpeaksPortugueseIntoTheWaveFile)
    {
        if (!EspeakAvailable())
            GTEST_SKIP() << "espeak-ng or its voice data is not installed";
        fakes::TempDir dir;
        const auto path = dir.Path() / "fala.wav";
        auto sink = platform::OpenWavFileSink(path.string());
        ASSERT_NE(sink, nullptr);
        fakes::FakeTerminal terminal;
        Keyboard keyboard(terminal);
        ScreenModel screen;
        Speech speech(screen, keyboard, *sink);
        ConfigFile config
            = ConfigFile::FromFile(dir.Write("Talira.ini", "[SERVFALA]\nTIPOSAPI=ESPEAK\n"), "/prog");
        speech.SpeechInit(config, "");
        ASSERT_TRUE(speech.EngineActive());
        speech.Speak("Bom dia, este \xE9 um teste de fala em portugu\xEAs.");
        speech.WaitSpeech();
        speech.SpeechEnd();

        const std::string bytes = fakes::TempDir::Read(path);
        WaveInfo info;
        ASSERT_TRUE(
            ParseWave(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), info));
        EXPECT_EQ(info.format.bits_per_sample, 16);
        const double seconds = static_cast<double>(info.data_bytes) / info.format.sample_rate_hz / 2;
        EXPECT_GT(seconds, 1.5);
        EXPECT_LT(seconds, 8.0);
        int loudest = 0;
        for (std::size_t i = info.data_offset; i + 1 < bytes.size(); i += 2) {
            const auto sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(
                static_cast<std::uint8_t>(bytes[i]) | (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
            loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
        }
        EXPECT_GT(loudest, 3000);
    }

    // Polls, for at most a minute (a loaded machine), until the condition
    // holds.
    template <typename Condition> bool WaitUntil(Condition condition)
    {
        for (int i = 0; i < 12000; ++i) {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return condition();
    }

    // espeak-ng with a device that holds every block, and a text of about
    // three minutes: more than the engine may make ahead of what is heard.
    struct EspeakRig {
        fakes::TempDir dir;
        fakes::HoldingSink sink;
        fakes::FakeTerminal terminal { "", true };
        Keyboard keyboard { terminal };
        ScreenModel screen;
        Speech speech { screen, keyboard, sink };
        ConfigFile config;
        std::string text;
        EspeakRig()
        {
            config = ConfigFile::FromFile(dir.Write("Talira.ini", ""), "/prog");
            speech.SpeechInit(config, "");
            for (int i = 0; i < 40; ++i)
                text += "Esta frase longa se repete para fazer um texto de muitos minutos. ";
        }
    };

    constexpr std::size_t MINUTE_OF_BLOCKS = 1200;

    // Speech goes on while the script does; a key cuts it, and nothing of
    // the text reaches the device afterwards.
    TEST(Espeak, AKeyCutsALongTextAtOnce)
    {
        if (!EspeakAvailable())
            GTEST_SKIP() << "espeak-ng or its voice data is not installed";
        EspeakRig rig;
        ASSERT_TRUE(rig.speech.EngineActive());
        rig.speech.Speak(rig.text);
        ASSERT_TRUE(WaitUntil([&] { return rig.sink.PlayedCount() >= 20; }));
        rig.terminal.Type("x");
        rig.speech.WaitSpeech();
        const std::size_t at_stop = rig.sink.PlayedCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(rig.sink.PlayedCount(), at_stop);
        EXPECT_LE(at_stop, MINUTE_OF_BLOCKS + 1); // never the whole three minutes
        EXPECT_EQ(rig.sink.QueuedBlocks(), 0u);
        EXPECT_GE(rig.sink.Stops(), 1);
        EXPECT_FALSE(rig.speech.IsSpeaking());
        EXPECT_EQ(rig.keyboard.ReadKey(), 'x');
    }

    // The silence key cuts speech as a key does, but leaves nothing for the
    // script to read; what is said afterwards is heard again.
    TEST(Espeak, TheSilenceKeyCutsSpeechAndIsNoKey)
    {
        if (!EspeakAvailable())
            GTEST_SKIP() << "espeak-ng or its voice data is not installed";
        EspeakRig rig;
        ASSERT_TRUE(rig.speech.EngineActive());
        rig.speech.Speak(rig.text);
        ASSERT_TRUE(WaitUntil([&] { return rig.sink.PlayedCount() >= 20; }));
        rig.terminal.PressSilence();
        rig.speech.WaitSpeech();
        const std::size_t at_stop = rig.sink.PlayedCount();
        EXPECT_EQ(rig.sink.QueuedBlocks(), 0u);
        EXPECT_GE(rig.sink.Stops(), 1);
        EXPECT_FALSE(rig.speech.IsSpeaking());
        EXPECT_FALSE(rig.keyboard.KeyWaiting());
        rig.speech.Speak("depois");
        EXPECT_TRUE(WaitUntil([&] { return rig.sink.PlayedCount() > at_stop; }));
    }

    // A long text spoken without waiting does not hold the script, on a
    // device however slow: the engine makes it on its own thread, keeps at
    // most a minute ahead of the device, and the whole text is heard.
    TEST(Espeak, ALongTextDoesNotHoldTheScriptAndIsHeardWhole)
    {
        if (!EspeakAvailable())
            GTEST_SKIP() << "espeak-ng or its voice data is not installed";
        EspeakRig rig;
        ASSERT_TRUE(rig.speech.EngineActive());
        rig.speech.Speak(rig.text);
        // Returned with the text still being made: nothing has been played
        // yet, so the engine cannot have finished three minutes of it.
        EXPECT_TRUE(rig.speech.IsSpeaking());
        EXPECT_TRUE(WaitUntil([&] { return rig.sink.QueuedBlocks() >= MINUTE_OF_BLOCKS; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_LE(rig.sink.QueuedBlocks(), MINUTE_OF_BLOCKS);
        // The device plays on: the rest arrives, nothing is dropped.
        EXPECT_TRUE(WaitUntil([&] {
            rig.sink.Release(50);
            return !rig.speech.IsSpeaking();
        }));
        EXPECT_GT(rig.sink.PlayedCount(), 2 * MINUTE_OF_BLOCKS);
        EXPECT_EQ(rig.sink.Dropped(), 0u);
        EXPECT_EQ(rig.sink.Stops(), 0);
    }

    TEST(EspeakSettings, RateRangeAndWhatIsSaidBesidesTheWords)
    {
        EXPECT_EQ(EspeakRateWpm(-10), 85);
        EXPECT_EQ(EspeakRateWpm(0), 175);
        EXPECT_EQ(EspeakRateWpm(5), 312);
        EXPECT_EQ(EspeakRateWpm(10), 450); // espeak-ng's fastest
        EXPECT_EQ(EspeakRateWpm(99), 450);
        using P = EspeakOptions::Punctuation;
        using C = EspeakOptions::Capitals;
        EXPECT_EQ(ParseEspeakOptions("", ""), (EspeakOptions { P::None, C::None })); // as before
        EXPECT_EQ(ParseEspeakOptions("alguma", "tom"), (EspeakOptions { P::Some, C::Pitch }));
        EXPECT_EQ(ParseEspeakOptions(" TODA ", "som"), (EspeakOptions { P::All, C::Sound }));
        EXPECT_EQ(ParseEspeakOptions("nenhuma", "FALA"), (EspeakOptions { P::None, C::Spoken }));
        EXPECT_EQ(ParseEspeakOptions("muita", "x"), (EspeakOptions { P::None, C::None }));
    }

} // namespace
} // namespace palavrino::console
