// The console as the interpreter uses it, over a scripted front end.
#include "console/console.h"
#include "tests/fakes/fake_terminal.h"
#include "tests/fakes/recording_audio.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    TEST(Console, WritesSpeaksAndReadsThroughOneObject)
    {
        fakes::TempDir dir;
        const auto log = dir.Path() / "fala.log";
        const auto ini = dir.Write("Talira.ini",
            "[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=@@\\fala."
            "log\n");
        auto terminal = std::make_unique<fakes::FakeTerminal>("Maria\r");
        const fakes::FakeTerminal& front = *terminal;
        std::string written;
        std::string title;
        {
            Console console(std::move(terminal), ConfigFile::FromFile(ini, "/prog"));
            console.StartSpeech("");
            console.Screen().SetTranscriptDirectory(dir.Path());
            EXPECT_EQ(console.Screen().CurrentAttr(), 0x1E);
            console.WriteLineAndSpeak("Qual o seu nome?");
            console.Write("> ");
            ASSERT_TRUE(console.Screen().ToggleScreenRecording());
            const LineRead line = console.ReadLineAndRecord();
            EXPECT_EQ(line.text, "Maria");
            EXPECT_EQ(line.end_key, Key::Byte(KEY_ENTER));
            console.WriteAndSpeak("Ol\xE1, " + line.text);
            console.Screen().SetTitle("Teste");
            // After the script's input, every read gives Escape.
            EXPECT_EQ(console.ReadLine().end_key, Key::Byte(KEY_ESCAPE));
            written = front.Written();
            title = front.Title();
        } // closing waits for speech and shuts the engine down
        EXPECT_TRUE(written.starts_with("Qual o seu nome?\r\n> Gravando tela em "));
        EXPECT_TRUE(written.ends_with("\r\n\r\nOl\xE1, Maria\r\n"));
        EXPECT_EQ(title, "Teste");
        EXPECT_EQ(fakes::TempDir::Read(log), "Qual o seu nome?\nOl\xC3\xA1, Maria\n");
    }

    TEST(Console, TheBellByteSoundsThroughTheSoundOutputNotTheTerminal)
    {
        fakes::TempDir dir;
        const auto ini
            = dir.Write("Talira.ini", "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=@@\\f.log\n");
        auto terminal = std::make_unique<fakes::FakeTerminal>("x");
        const fakes::FakeTerminal& front = *terminal;
        auto audio = std::make_unique<fakes::RecordingAudioSink>();
        const fakes::RecordingAudioSink& sound = *audio;
        Console console(std::move(terminal), ConfigFile::FromFile(ini, "/prog"), std::move(audio));
        console.StartSpeech("");
        const std::size_t before = sound.Blocks().size();
        console.Write("a\ab");
        EXPECT_EQ(front.Bells(), 0); // a silent terminal would swallow it
        ASSERT_EQ(sound.Blocks().size(), before + 1);
        EXPECT_FALSE(sound.Blocks().back().samples.empty());
        // The key typed ahead is still there for the script.
        EXPECT_EQ(console.Keys().ReadKey(), 'x');
    }

} // namespace
} // namespace palavrino::console
