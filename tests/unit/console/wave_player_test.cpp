// The wave player (blocks, buffer limit, fast playback, compression, the
// "rapido" files) and the WAV-file and null sinks.
#include "console/wave_player.h"
#include "tests/fakes/recording_audio.h"
#include "tests/unit/console/audio_fixtures.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace palavrino::console {
namespace {

    struct Control final : PlaybackControl {
        bool StopRequested() override { return stop; }
        void WaitMs(int ms) override
        {
            waited_ms += ms;
            if (sink != nullptr)
                sink->Release(release_per_wait);
        }
        bool stop { false };
        int waited_ms { 0 };
        fakes::HoldingSink* sink { nullptr };
        std::size_t release_per_wait { 1 };
    };

    struct PlayerRig {
        PlayerRig() { control.sink = &sink; }
        fakes::HoldingSink sink;
        Control control;
        WavePlayer player { sink, control };
    };

    TEST(WavePlayer, BlockSizes)
    {
        const std::pair<std::size_t, std::size_t> cases[] = {
            { 100, 100 },
            { 8192, 8192 },
            { 8193, 7936 },
            { 8447, 7936 },
            { 8448, 8192 },
            { 20000, 8192 },
        };
        for (const auto& [remaining, block] : cases) {
            SCOPED_TRACE(remaining);
            EXPECT_EQ(NextBlockBytes(remaining), block);
        }
    }

    TEST(WavePlayer, FilesAreCutIntoBlocksAndShortEndsPadded)
    {
        PlayerRig rig;
        fakes::TempDir dir;
        const std::string data(8300, '\x50');
        const auto file = dir.Write("f.wav", fakes::WaveFile(data));
        EXPECT_EQ(rig.player.PlayFile(file), WaveStatus::Played);
        const auto& played = rig.sink.Played();
        ASSERT_EQ(played.size(), 2u);
        EXPECT_EQ(played[0].samples.size(), 7936u); // no block shorter than 256
        EXPECT_EQ(played[1].samples.size(), 364u);
        EXPECT_EQ(played[0].samples.back(), 128); // each short block ends on the centre line
        EXPECT_EQ(played[1].samples.back(), 128);
        EXPECT_FALSE(rig.sink.IsPlaying()); // waited to the end

        fakes::HoldingSink sink;
        Control control;
        WavePlayer short_player(sink, control);
        const auto tiny = dir.Write("t.wav", fakes::WaveFile("\x60\x61"));
        EXPECT_EQ(short_player.PlayFile(tiny), WaveStatus::Played);
        ASSERT_EQ(sink.Played().size(), 1u);
        const auto& block = sink.Played()[0].samples;
        ASSERT_EQ(block.size(), 256u);
        EXPECT_EQ(block[0], 0x60);
        EXPECT_EQ(block[1], 0x61);
        EXPECT_EQ(block[2], 128);

        EXPECT_EQ(rig.player.PlayFile(dir.Path() / "falta.wav"), WaveStatus::CannotOpen);
        const auto bad = dir.Write("b.wav", "RIFF\x04\0\0\0WAVEdata");
        EXPECT_EQ(rig.player.PlayFile(bad), WaveStatus::NotWave);
        const auto odd = dir.Write("o.wav", fakes::WaveFile("ab", 11025, 24));
        EXPECT_EQ(rig.player.PlayFile(odd), WaveStatus::NotWave);
    }

    TEST(WavePlayer, AtMostSixteenBlocksAreInFlight)
    {
        PlayerRig rig;
        rig.control.release_per_wait = 0;
        const std::vector<std::uint8_t> data(20 * 8192, 0x40);
        // The device never frees a buffer: each further block is dropped after
        // a bounded wait, the stuck sound is given up, and the program goes on.
        EXPECT_EQ(rig.player.PlayPcm({ 22050, 16, 1 }, std::span(data).first(18 * 8192)), WaveStatus::Played);
        EXPECT_EQ(rig.sink.Played().size(), 16u);
        EXPECT_GE(rig.control.waited_ms, 3 * 2000);
        EXPECT_EQ(rig.sink.Stops(), 1);

        PlayerRig flowing;
        EXPECT_EQ(flowing.player.PlayPcm({ 22050, 16, 1 }, data), WaveStatus::Played);
        EXPECT_EQ(flowing.sink.Played().size(), 20u);
    }

    TEST(WavePlayer, AKeyStopsPlaying)
    {
        PlayerRig rig;
        rig.control.release_per_wait = 0;
        const std::vector<std::uint8_t> data(40 * 8192, 0x40);
        int calls = 0;
        struct StopLater final : PlaybackControl {
            bool StopRequested() override { return ++*calls > 20; }
            void WaitMs(int) override { }
            int* calls;
        } later;
        later.calls = &calls;
        WavePlayer player(rig.sink, later);
        EXPECT_EQ(player.PlayPcm({ 11025, 8, 1 }, data), WaveStatus::Interrupted);
        EXPECT_LE(rig.sink.Played().size(), 16u);
    }

    TEST(WavePlayer, FastPlaybackAndCompression)
    {
        fakes::TempDir dir;
        // A voiced sound: a period of 100 samples with one sharp peak.
        std::string voiced;
        for (int i = 0; i < 8000; ++i)
            voiced.push_back(static_cast<char>(i % 100 == 0 ? 250 : 100 + (i % 100) / 2));
        const auto file = dir.Write("v.wav", fakes::WaveFile(voiced));

        PlayerRig fast;
        fast.player.SetPlayback(false, true);
        EXPECT_EQ(fast.player.PlayFile(file), WaveStatus::Played);
        EXPECT_EQ(fast.sink.Played()[0].format.sample_rate_hz, 16538);

        PlayerRig compressed;
        compressed.player.SetPlayback(true, false);
        EXPECT_EQ(compressed.player.PlayFile(file), WaveStatus::Played);
        std::size_t total = 0;
        for (const auto& b : compressed.sink.Played())
            total += b.samples.size();
        EXPECT_GT(total, 3500u);
        EXPECT_LT(total, 4700u); // about every other period is gone

        // A shortened recording beside the file is used as it is.
        dir.Write("rapido/v.wav", fakes::WaveFile(std::string(300, '\x70')));
        PlayerRig ready;
        ready.player.SetPlayback(true, false);
        EXPECT_EQ(ready.player.PlayFile(file), WaveStatus::Played);
        ASSERT_EQ(ready.sink.Played().size(), 1u);
        EXPECT_EQ(ready.sink.Played()[0].samples.size(), 300u);

        // 16-bit mono speech is compressed as 8-bit.
        std::vector<std::uint8_t> wide;
        for (int i = 0; i < 4000; ++i) {
            wide.push_back(0);
            wide.push_back(static_cast<std::uint8_t>(i % 100 == 0 ? 0x7A : 0x10));
        }
        PlayerRig narrow;
        narrow.player.SetPlayback(true, false);
        EXPECT_EQ(narrow.player.PlayPcm({ 11025, 16, 1 }, wide), WaveStatus::Played);
        ASSERT_FALSE(narrow.sink.Played().empty());
        EXPECT_EQ(narrow.sink.Played()[0].format, (platform::PcmFormat { 11025, 8, 1 }));
    }

    TEST(WavePlayer, CompressionLeavesShortOrSilentSoundAlone)
    {
        const std::vector<std::uint8_t> shorter(999, 200);
        EXPECT_EQ(CompressSpeech(shorter, 11025), shorter);
        const std::vector<std::uint8_t> silence(5000, 128);
        // Silence has no periods to find; its tail is cut at the first quiet sample.
        EXPECT_LT(CompressSpeech(silence, 11025).size(), silence.size());
        const std::vector<std::uint8_t> wide_rate(1500, 90);
        EXPECT_EQ(CompressSpeech(wide_rate, 22050), wide_rate); // too short for its windows
    }

    TEST(WavePlayer, MemoryImagesAndTheirHeaders)
    {
        PlayerRig rig;
        const std::vector<std::uint8_t> samples(1000, 0x30);
        const auto image = MakeWave({ 22050, 8, 1 }, samples);
        WaveInfo info;
        ASSERT_TRUE(ParseWave(image, info));
        EXPECT_EQ(info.format, (platform::PcmFormat { 22050, 8, 1 }));
        EXPECT_EQ(info.data_offset, 44u);
        EXPECT_EQ(info.data_bytes, 1000u);
        EXPECT_EQ(rig.player.PlayMemory(image), WaveStatus::Played);
        ASSERT_EQ(rig.sink.Played().size(), 1u);

        auto truncated = image;
        truncated.resize(500); // a data size longer than the image plays what is there
        ASSERT_TRUE(ParseWave(truncated, info));
        EXPECT_EQ(info.data_bytes, 456u);
        const std::vector<std::uint8_t> garbage { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'd',
            'a', 't', 'a', 9, 0, 0, 0 };
        EXPECT_FALSE(ParseWave(garbage, info));
        EXPECT_EQ(rig.player.PlayMemory(garbage), WaveStatus::NotWave);
    }

    std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file)
    {
        const std::string text = fakes::TempDir::Read(file);
        return { text.begin(), text.end() };
    }

    TEST(WavSink, RecordsInTheFirstFormatAndKeepsDurations)
    {
        fakes::TempDir dir;
        const auto path = dir.Path() / "saida.wav";
        auto sink = platform::OpenAudioSink("arquivo:" + path.string());
        ASSERT_NE(sink, nullptr);
        const std::vector<std::uint8_t> low(11025, 200); // 1 s, 8-bit
        EXPECT_EQ(sink->Play({ 11025, 8, 1 }, low), platform::AudioStatus::Ok);
        std::vector<std::uint8_t> stereo16;
        for (int i = 0; i < 22050 / 2; ++i) { // 0.5 s at 22050 Hz, 16-bit stereo
            for (int ch = 0; ch < 2; ++ch) {
                stereo16.push_back(0x00);
                stereo16.push_back(0xC0); // -16384
            }
        }
        EXPECT_EQ(sink->Play({ 22050, 16, 2 }, stereo16), platform::AudioStatus::Ok);
        EXPECT_EQ(sink->Play({ 7, 8, 1 }, low), platform::AudioStatus::BadFormat);
        EXPECT_FALSE(sink->IsPlaying());

        const auto bytes = ReadBytes(path);
        WaveInfo info;
        ASSERT_TRUE(ParseWave(bytes, info));
        EXPECT_EQ(info.format, (platform::PcmFormat { 11025, 8, 1 }));
        EXPECT_EQ(info.data_bytes, 11025u + 5512u);
        EXPECT_EQ(bytes[info.data_offset], 200);
        EXPECT_EQ(bytes[info.data_offset + 11025], 0x40); // -16384 as unsigned 8-bit
    }

    TEST(WavSink, ALoopLastsAsLongAsItWasOn)
    {
        fakes::TempDir dir;
        const auto path = dir.Path() / "tom.wav";
        auto sink = platform::OpenWavFileSink(path.string());
        ASSERT_NE(sink, nullptr);
        const std::vector<std::uint8_t> period { 96, 96, 160, 160 };
        EXPECT_EQ(sink->PlayLoop({ 11025, 8, 1 }, period), platform::AudioStatus::Ok);
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        sink->StopLoop();
        WaveInfo info;
        const auto bytes = ReadBytes(path);
        ASSERT_TRUE(ParseWave(bytes, info));
        EXPECT_GE(info.data_bytes, 11025u * 110 / 1000);
        EXPECT_LE(info.data_bytes, 11025u * 2);
        EXPECT_EQ(bytes[info.data_offset + 2], 160);
    }

    TEST(AudioSinks, ChoiceFallsBackToSilence)
    {
        fakes::TempDir dir;
        for (const std::string& choice : std::vector<std::string> { "nulo", " NULO ",
                 "arquivo:" + (dir.Path() / "no/such/dir/x.wav").string(), "dispositivo-que-nao-existe" }) {
            SCOPED_TRACE(choice);
            auto sink = platform::OpenAudioSink(choice);
            ASSERT_NE(sink, nullptr);
            const std::vector<std::uint8_t> samples(100, 128);
            EXPECT_EQ(sink->Play({ 11025, 8, 1 }, samples), platform::AudioStatus::Ok);
            EXPECT_FALSE(sink->IsPlaying());
            sink->Stop();
        }
        // The default device: a sound card where there is one, silence where not.
        auto sink = platform::OpenAudioSink("");
        ASSERT_NE(sink, nullptr);
        const std::vector<std::uint8_t> samples(110, 128);
        EXPECT_NE(sink->Play({ 11025, 8, 1 }, samples), platform::AudioStatus::BadFormat);
        sink->Stop();
    }

    TEST(MusicSink, AFileOrSilenceIsSharedAndNeverStoppedThroughIt)
    {
        fakes::TempDir dir;
        const auto path = dir.Path() / "saida.wav";
        // A speech sink that counts its stops, and the WAV file itself.
        fakes::RecordingAudioSink speech;
        for (const std::string& choice : { std::string("nulo"), "arquivo:" + path.string() }) {
            SCOPED_TRACE(choice);
            auto music = platform::OpenMusicSink(choice, speech);
            ASSERT_NE(music, nullptr);
            const std::vector<std::uint8_t> samples(100, 128);
            EXPECT_EQ(music->Play({ 11025, 8, 1 }, samples), platform::AudioStatus::Ok);
            music->Stop(); // stopping music must not cut speech
        }
        EXPECT_EQ(speech.Blocks().size(), 2u);
        EXPECT_EQ(speech.Stops(), 0);
        // A device that cannot be opened a second time: music shares speech's.
        auto music = platform::OpenMusicSink("dispositivo-que-nao-existe", speech);
        ASSERT_NE(music, nullptr);
        EXPECT_EQ(
            music->Play({ 11025, 8, 1 }, std::vector<std::uint8_t>(10, 128)), platform::AudioStatus::Ok);
        EXPECT_EQ(speech.Blocks().size(), 3u);
    }

} // namespace
} // namespace palavrino::console
