// The speech layer: engine choice from the configuration, the log
// synthesizer, barge-in, the built-in sounds and writing-and-speaking.
#include "console/config.h"
#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "tests/fakes/fake_terminal.h"
#include "tests/fakes/recording_audio.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

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
            { "[SERVFALA]\nTIPOSAPI=5\n", false },
            { "", false },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.ini);
            fakes::TempDir dir;
            SpeechRig rig;
            rig.config = ConfigFile::FromFile(dir.Write("Talira.ini", c.ini), "/prog");
            rig.speech.SpeechInit(rig.config, "");
            EXPECT_EQ(rig.speech.EngineActive(), c.active);
            rig.speech.Speak("nada"); // a missing engine is silent, never an error
        }
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
        rig.speech.Spell("ab");
        ASSERT_EQ(rig.audio.Blocks().size(), 2u);
        EXPECT_EQ(rig.audio.Blocks()[0].samples, std::vector<std::uint8_t> { 'a' });
        EXPECT_EQ(rig.audio.Blocks()[1].samples, (std::vector<std::uint8_t> { '?', '?' }));
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
