// The Orvan voice behind the speech layer, end to end with a fake mbrola
// program: TIPOSAPI 3 sends the voice's lines to the program and plays its
// samples; a missing program or database falls back to espeak-ng with a
// message; a failing run is spoken by the fallback; a key press or Ctrl+C
// stops the program, and no process is left behind.
#include "console/config.h"
#include "console/keyboard.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "console/synth_orvan.h"
#include "platform/interrupt.h"
#include "platform/mbrola.h"
#include "tests/fakes/fake_terminal.h"
#include "tests/fakes/recording_audio.h"
#include "tests/fakes/temp_dir.h"
#include "tests/unit/voice/voice_data.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace palavrino::console {
namespace {

    using voice::testing::U;
    using voice::testing::W;

    const std::string FAKE_MBROLA = PL_FAKE_MBROLA;
    const std::string VOICE_DIR = std::string(PL_SOURCE_DIR) + "/data/orvan/";

    bool NoChildLeft()
    {
        errno = 0;
        return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
    }

    long LoggedMs(const std::string& log)
    {
        long total = 0;
        std::size_t start = 0;
        while (start < log.size()) {
            const std::size_t end = log.find('\n', start);
            const std::string line = log.substr(start, end - start);
            start = end == std::string::npos ? log.size() : end + 1;
            if (line.empty() || line[0] == ';')
                continue;
            total += std::stol(line.substr(line.find(' ') + 1));
        }
        return total;
    }

    struct OrvanRig {
        OrvanRig()
            : speech(screen, keyboard, audio)
        {
            screen.SetListener(&terminal);
            database = dir.Write("br4", "base de teste\n").string();
        }

        void Start(const std::string& program, const std::string& database_setting)
        {
            config = ConfigFile::FromFile(
                dir.Write("Talira.ini",
                    "[TRADUTOR]\nSAPI=S\n[SERVFALA]\nTIPOSAPI=3\n[ORVANTTS]\nMBROLA=" + program
                        + "\nMBROLA_DB=" + database_setting + "\nDIR=" + VOICE_DIR + "\n"),
                "/prog");
            speech.SpeechInit(config, "");
        }

        std::size_t AudioBytes() const
        {
            std::size_t bytes = 0;
            for (const auto& block : audio.Blocks())
                bytes += block.samples.size();
            return bytes;
        }

        fakes::TempDir dir;
        fakes::FakeTerminal terminal;
        Keyboard keyboard { terminal };
        fakes::RecordingAudioSink audio;
        ScreenModel screen;
        Speech speech;
        ConfigFile config;
        std::string database;
    };

    TEST(OrvanEngine, SpeaksThroughMbrolaIntoTheWavePlayer)
    {
        OrvanRig rig;
        rig.Start(FAKE_MBROLA, rig.database);
        ASSERT_TRUE(rig.speech.EngineActive());
        EXPECT_EQ(rig.terminal.Written(), "");
        rig.speech.Speak(W("Olá, mundo!"));
        rig.speech.WaitSpeech();

        const std::string sent = fakes::TempDir::Read(rig.database + ".entrada");
        // The lines are the voice's own, as --orvan-pho shows them.
        voice::OrvanVoice orvan;
        std::string error;
        ASSERT_TRUE(orvan.open_voice(voice::testing::OurVoiceFiles(), error));
        orvan.set_voice_ratios(1.0, 0.8);
        std::string expected;
        for (const std::string& line : orvan.Analyse(W("Olá, mundo!")).lines)
            expected += line + "\n";
        EXPECT_EQ(sent, expected);
        EXPECT_NE(sent.find(";mundo\n"), std::string::npos);

        // Every sample the program made reaches the player, at its rate, in
        // the right byte order.
        const long ms = LoggedMs(sent);
        EXPECT_GT(ms, 500);
        EXPECT_EQ(rig.AudioBytes(), static_cast<std::size_t>(ms) * 32);
        ASSERT_FALSE(rig.audio.Blocks().empty());
        for (const auto& block : rig.audio.Blocks()) {
            EXPECT_EQ(block.format, (platform::PcmFormat { 16000, 16, 1 }));
            EXPECT_EQ(block.samples[0], 1);
            EXPECT_EQ(block.samples[1], 0);
        }
        EXPECT_TRUE(NoChildLeft());
    }

    TEST(OrvanEngine, StartsOnceForTheSameSettings)
    {
        OrvanRig rig;
        rig.Start(FAKE_MBROLA, rig.database);
        rig.speech.SpeechInit(rig.config, "");
        rig.speech.Speak("casa");
        EXPECT_EQ(LoggedMs(fakes::TempDir::Read(rig.database + ".entrada")) > 0, true);
    }

    TEST(OrvanEngine, WithoutTheProgramSaysWhyAndFallsBack)
    {
        OrvanRig rig;
        rig.Start(rig.dir.Path().string() + "/sem/mbrola", rig.database);
        EXPECT_EQ(U(rig.terminal.Written()),
            "A voz Orvan não está disponível: o programa mbrola não foi encontrado. Usando o espeak-ng.\r\n");
        // Said once: starting again with the same settings says nothing more.
        rig.speech.SpeechInit(rig.config, "");
        EXPECT_EQ(rig.terminal.Written().find("Orvan", 40), std::string::npos);
    }

    TEST(OrvanEngine, WithoutTheDatabaseSaysWhereItLooked)
    {
        OrvanRig rig;
        const std::string missing = rig.dir.Path().string() + "/nada";
        rig.Start(FAKE_MBROLA, missing);
        EXPECT_EQ(U(rig.terminal.Written()),
            "A voz Orvan não está disponível: a base de voz do mbrola não foi encontrada em " + missing
                + ". Usando o espeak-ng.\r\n");
    }

    TEST(OrvanEngine, WithoutItsFilesSaysWhichOne)
    {
        OrvanRig rig;
        rig.config = ConfigFile::FromFile(
            rig.dir.Write("Talira.ini",
                "[TRADUTOR]\nSAPI=S\n[SERVFALA]\nTIPOSAPI=3\n[ORVANTTS]\nMBROLA=" + FAKE_MBROLA
                    + "\nMBROLA_DB=" + rig.database + "\nDIR=" + rig.dir.Path().string() + "\nBASE=voz\n"),
            "/prog");
        rig.speech.SpeechInit(rig.config, "");
        EXPECT_EQ(U(rig.terminal.Written()),
            "A voz Orvan não está disponível: o arquivo da voz não pôde ser lido: " + rig.dir.Path().string()
                + "/voz.nrl. Usando o espeak-ng.\r\n");
    }

    // Where the engine's samples go, and what it says instead.
    struct Listener final : SynthAudio {
        bool DeliverPcm(const platform::PcmFormat&, std::span<const std::uint8_t> samples) override
        {
            bytes += samples.size();
            ++blocks;
            return blocks < stop_after_blocks;
        }
        bool StopRequested() override { return false; }
        std::size_t bytes { 0 };
        std::size_t blocks { 0 };
        std::size_t stop_after_blocks { 1000000 };
    };

    struct Recorder final : Synthesizer {
        explicit Recorder(std::vector<std::string>& said)
            : heard(said)
        {
        }
        bool Start(int, int, int) override { return true; }
        void Speak(std::string_view text) override { heard.push_back(U(text)); }
        bool IsSpeaking() override { return false; }
        void Stop() override { }
        void End() override { }
        std::vector<std::string>& heard;
    };

    OrvanSettings Settings(const std::string& database)
    {
        return OrvanSettings { FAKE_MBROLA, database, VOICE_DIR, "portug" };
    }

    TEST(OrvanEngine, AFailingRunIsSpokenByTheFallbackAndToldOnce)
    {
        fakes::TempDir dir;
        const std::string database = dir.Write("br4", "falha").string();
        Listener listener;
        OrvanSynthesizer orvan(listener, Settings(database));
        ASSERT_TRUE(orvan.Start(0, 0, 0)) << U(orvan.Failure());
        std::vector<std::string> said;
        orvan.SetFallback(std::make_unique<Recorder>(said));
        orvan.Speak("casa");
        orvan.Speak("bola");
        EXPECT_FALSE(orvan.LastRunOk());
        const std::vector<std::string> expected
            = { "A voz Orvan falhou: Error: broken database", "casa", "bola" };
        EXPECT_EQ(said, expected);
        EXPECT_EQ(listener.bytes, 0u);
        EXPECT_TRUE(NoChildLeft());
    }

    TEST(OrvanEngine, AKeyPressStopsTheProgramAtOnce)
    {
        fakes::TempDir dir;
        const std::string database = dir.Write("br4", "lento").string();
        Listener listener;
        listener.stop_after_blocks = 1;
        OrvanSynthesizer orvan(listener, Settings(database));
        ASSERT_TRUE(orvan.Start(0, 0, 0));
        orvan.Speak(W("Um texto bem longo, que levaria muitos segundos para ser dito do começo ao fim."));
        EXPECT_EQ(listener.blocks, 1u);
        EXPECT_TRUE(orvan.LastRunOk());
        EXPECT_TRUE(NoChildLeft());
    }

    TEST(MbrolaProcess, CtrlCStopsTheRun)
    {
        fakes::TempDir dir;
        const std::string database = dir.Write("br4", "lento").string();
        platform::MbrolaAudio audio;
        std::size_t blocks = 0;
        audio.deliver = [&](std::span<const std::uint8_t>) {
            if (++blocks == 2)
                platform::RequestInterrupt();
            return true;
        };
        audio.should_stop = [] { return platform::InterruptPending(); };
        std::string detail;
        EXPECT_EQ(platform::RunMbrola(FAKE_MBROLA, database, "a 5000\n", audio, detail),
            platform::MbrolaStatus::Stopped);
        EXPECT_TRUE(platform::TakeInterruptRequest());
        EXPECT_TRUE(NoChildLeft());
    }

    TEST(MbrolaProcess, ReportsStartFailuresAndProgramErrors)
    {
        fakes::TempDir dir;
        platform::MbrolaAudio audio;
        std::string detail;
        EXPECT_EQ(platform::RunMbrola(dir.Path().string() + "/nenhum", "db", "a 10\n", audio, detail),
            platform::MbrolaStatus::StartFailed);
        EXPECT_EQ(platform::RunMbrola(FAKE_MBROLA, dir.Path().string() + "/nada", "a 10\n", audio, detail),
            platform::MbrolaStatus::Failed);
        EXPECT_NE(detail.find("cannot open"), std::string::npos);
        // A program that is not mbrola at all: its output is not a sound.
        EXPECT_EQ(
            platform::RunMbrola("/bin/echo", "db", "a 10\n", audio, detail), platform::MbrolaStatus::Failed);
        EXPECT_TRUE(NoChildLeft());
    }

    TEST(MbrolaProcess, IsFoundOnThePathAndItsDatabaseInTheUsualPlaces)
    {
        fakes::TempDir dir;
        EXPECT_EQ(platform::FindMbrolaProgram(FAKE_MBROLA), FAKE_MBROLA);
        EXPECT_EQ(platform::FindMbrolaProgram(dir.Path().string() + "/mbrola"), "");
        const std::string fake_dir = FAKE_MBROLA.substr(0, FAKE_MBROLA.rfind('/'));
        const std::string fake_name = FAKE_MBROLA.substr(FAKE_MBROLA.rfind('/') + 1);
        const char* old_path = std::getenv("PATH");
        const std::string saved = old_path != nullptr ? old_path : "";
        ::setenv("PATH", ("/nao/existe:" + fake_dir).c_str(), 1);
        EXPECT_EQ(platform::FindMbrolaProgram(fake_name), fake_dir + "/" + fake_name);
        ::setenv("PATH", saved.c_str(), 1);
        std::string searched;
        EXPECT_EQ(platform::FindMbrolaDatabase("", "zz9", searched), "");
        EXPECT_EQ(searched, "/usr/share/mbrola/zz9/zz9");
        const std::string db = dir.Write("br4", "x").string();
        EXPECT_EQ(platform::FindMbrolaDatabase(db, "br4", searched), db);
        EXPECT_EQ(platform::FindMbrolaDatabase(dir.Path().string(), "br4", searched), "");
    }

} // namespace
} // namespace palavrino::console

namespace palavrino::console {
namespace {

    TEST(OrvanWavFile, HoldsEverySampleWithAHeaderThatSaysSo)
    {
        fakes::TempDir dir;
        const std::string database = dir.Write("br4", "base").string();
        const OrvanSettings settings { PL_FAKE_MBROLA, database, std::string(PL_SOURCE_DIR) + "/data/orvan/",
            "portug" };
        const std::string path = (dir.Path() / "fala.wav").string();
        std::string error;
        ASSERT_TRUE(WriteOrvanWav(settings, "Bom dia.", path, error)) << voice::testing::U(error);
        const std::string sent = fakes::TempDir::Read(database + ".entrada");
        const long ms = LoggedMs(sent);
        const std::string file = fakes::TempDir::Read(path);
        ASSERT_EQ(file.size(), voice::WAV_HEADER_BYTES + static_cast<std::size_t>(ms) * 32);
        const auto header = voice::MakeWavHeader(16000, static_cast<std::uint32_t>(ms * 32));
        EXPECT_EQ(file.substr(0, voice::WAV_HEADER_BYTES), std::string(header.begin(), header.end()));
        // A file that cannot be created, and a voice that cannot start.
        EXPECT_FALSE(WriteOrvanWav(settings, "Bom dia.", (dir.Path() / "no" / "x.wav").string(), error));
        EXPECT_EQ(voice::testing::U(error), "Arquivo de saída não pode ser criado");
        OrvanSettings missing = settings;
        missing.program = (dir.Path() / "nenhum").string();
        EXPECT_FALSE(WriteOrvanWav(missing, "Bom dia.", path, error));
        EXPECT_EQ(voice::testing::U(error), "o programa mbrola não foi encontrado");
    }

} // namespace
} // namespace palavrino::console
