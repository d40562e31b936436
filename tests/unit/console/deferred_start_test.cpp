// Starting speech and sound on first use: nothing is opened before
// something is said or played, the failure notice of the sound output comes
// before the text that started it, and the speech log still opens at once.
#include "console/config.h"
#include "console/keyboard.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "platform/audio_sink.h"
#include "platform/dynamic_library.h"
#include "tests/fakes/fake_terminal.h"
#include "tests/fakes/recording_audio.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    TEST(DeferredAudioSink, OpensOnTheFirstSoundOnly)
    {
        int opened = 0;
        fakes::RecordingAudioSink* real = nullptr;
        platform::DeferredAudioSink sink([&]() -> std::unique_ptr<platform::AudioSink> {
            ++opened;
            auto made = std::make_unique<fakes::RecordingAudioSink>();
            real = made.get();
            return made;
        });
        // Questions and stops before any sound open nothing.
        EXPECT_FALSE(sink.IsPlaying());
        EXPECT_EQ(sink.QueuedBlocks(), 0u);
        sink.Stop();
        sink.StopLoop();
        EXPECT_FALSE(sink.Opened());
        EXPECT_EQ(opened, 0);
        const std::uint8_t samples[4] = { 1, 2, 3, 4 };
        EXPECT_EQ(sink.Play(platform::PcmFormat {}, samples), platform::AudioStatus::Ok);
        EXPECT_EQ(sink.Play(platform::PcmFormat {}, samples), platform::AudioStatus::Ok);
        EXPECT_TRUE(sink.Open());
        EXPECT_EQ(opened, 1);
        ASSERT_NE(real, nullptr);
        EXPECT_EQ(real->Blocks().size(), 2u);
        sink.Stop();
        EXPECT_EQ(real->Stops(), 1);
    }

    TEST(DeferredAudioSink, AFailedOpenIsSilenceAndIsNotRetried)
    {
        int opened = 0;
        platform::DeferredAudioSink sink([&]() -> std::unique_ptr<platform::AudioSink> {
            ++opened;
            return nullptr;
        });
        EXPECT_FALSE(sink.Open());
        const std::uint8_t samples[2] = { 128, 128 };
        EXPECT_EQ(sink.Play(platform::PcmFormat {}, samples), platform::AudioStatus::Ok);
        EXPECT_EQ(sink.PlayLoop(platform::PcmFormat {}, samples), platform::AudioStatus::Ok);
        EXPECT_FALSE(sink.Open());
        EXPECT_EQ(opened, 1);
        EXPECT_FALSE(sink.IsPlaying());
    }

    struct DeferredRig {
        explicit DeferredRig(const fakes::TempDir& dir, const std::string& ini)
            : terminal("", false)
            , keyboard(terminal)
            , speech(screen, keyboard, audio)
        {
            screen.SetListener(&terminal);
            config = ConfigFile::FromFile(dir.Write("Talira.ini", ini), "/prog");
            speech.DeferStart([this] {
                ++audio_opens;
                return notice;
            });
        }

        fakes::FakeTerminal terminal;
        fakes::RecordingAudioSink audio;
        ScreenModel screen;
        Keyboard keyboard;
        Speech speech;
        ConfigFile config;
        int audio_opens { 0 };
        std::string notice;
    };

    TEST(DeferredSpeech, TheEngineAndTheSoundStartWithTheFirstSpokenText)
    {
        fakes::TempDir dir;
        DeferredRig rig(
            dir, "[SERVFALA]\nTIPOSAPI=ESPEAK\n[TRADUTOR]\nDIRLETRAS=" + dir.Path().string() + "\n");
        rig.notice = "sem som";
        rig.speech.SpeechInit(rig.config, "");
        rig.screen.ConsoleWriteLine("mudo");
        EXPECT_EQ(rig.audio_opens, 0);
        rig.speech.WriteLineAndSpeak("oi");
        EXPECT_EQ(rig.audio_opens, 1);
        // The notice comes first, as it did when everything started at once.
        EXPECT_EQ(rig.terminal.Written(), "mudo\r\nsem som\r\noi\r\n");
        rig.speech.WriteLineAndSpeak("de novo");
        rig.speech.Bell();
        EXPECT_EQ(rig.audio_opens, 1);
        rig.speech.SpeechEnd();
    }

    TEST(DeferredSpeech, EachWayOfMakingASoundStartsIt)
    {
        fakes::TempDir dir;
        const std::string ini = "[SERVFALA]\nTIPOSAPI=ESPEAK\n";
        const std::vector<std::pair<const char*, std::function<void(Speech&)>>> cases = {
            { "Speak", [](Speech& s) { s.Speak("a"); } },
            { "Spell", [](Speech& s) { s.Spell("a"); } },
            { "SpeakChar", [](Speech& s) { s.SpeakChar('a'); } },
            { "Bell", [](Speech& s) { s.Bell(); } },
            { "Tick", [](Speech& s) { s.Tick(); } },
            { "ToneOn",
                [](Speech& s) {
                    s.ToneOn(440);
                    s.ToneOff();
                } },
            { "PlaySound", [](Speech& s) { (void)s.PlaySound("_nada"); } },
            { "SpeakTime", [](Speech& s) { s.SpeakTimeAt(10, 5); } },
            { "EngineActive", [](Speech& s) { (void)s.EngineActive(); } },
        };
        for (const auto& [name, make_sound] : cases) {
            SCOPED_TRACE(name);
            DeferredRig rig(dir, ini);
            rig.speech.SpeechInit(rig.config, "");
            // Waiting for and stopping speech that never began start nothing.
            rig.speech.WaitSpeech();
            rig.speech.StopSpeech();
            EXPECT_FALSE(rig.speech.IsSpeaking());
            EXPECT_EQ(rig.audio_opens, 0);
            make_sound(rig.speech);
            EXPECT_EQ(rig.audio_opens, 1);
            rig.speech.SpeechEnd();
        }
    }

    TEST(DeferredSpeech, EndingBeforeAnySoundOpensNothing)
    {
        fakes::TempDir dir;
        DeferredRig rig(dir, "[SERVFALA]\nTIPOSAPI=ESPEAK\n");
        rig.speech.SpeechInit(rig.config, "");
        rig.speech.SpeechEnd();
        rig.speech.WaitSpeech();
        EXPECT_EQ(rig.audio_opens, 0);
        EXPECT_TRUE(rig.terminal.Written().empty());
    }

    TEST(DeferredSpeech, TheSpeechLogStillOpensAtOnce)
    {
        fakes::TempDir dir;
        const auto log = dir.Path() / "sem-pasta" / "fala.log";
        DeferredRig rig(dir, "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=" + log.string() + "\n");
        rig.speech.SpeechInit(rig.config, "");
        // A log that cannot be written is said before any line of the script.
        EXPECT_NE(rig.terminal.Written().find("registro de fala"), std::string::npos)
            << rig.terminal.Written();
        EXPECT_EQ(rig.audio_opens, 0);
    }

} // namespace
} // namespace palavrino::console

namespace palavrino::platform {
namespace {

    TEST(DynamicLibrary, AMissingLibraryOrFunctionIsNullNeverACrash)
    {
        EXPECT_EQ(OpenLibrary("libpalavrino-nao-existe.so.9"), nullptr);
        EXPECT_EQ(LibrarySymbol(nullptr, "strlen"), nullptr);
        void* libc = OpenLibrary("libc.so.6");
        ASSERT_NE(libc, nullptr);
        std::size_t (*length)(const char*) = nullptr;
        ASSERT_TRUE(BindFunction(libc, "strlen", length));
        EXPECT_EQ(length("palavra"), 7u);
        EXPECT_FALSE(BindFunction(libc, "funcao_que_nao_existe", length));
        EXPECT_EQ(length, nullptr);
    }

} // namespace
} // namespace palavrino::platform
