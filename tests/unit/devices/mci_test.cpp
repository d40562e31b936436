// The media command strings over the media player, with decoders made in
// memory: the answers of every supported request, positions in both time
// formats, the place kept by stop, pause and seek, files opened by "play",
// and the empty answer (with an error) for whatever is not understood.
#include "core/quoted_words.h"
#include "devices/mci.h"

#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using palavrino::core::SplitQuotedWords;
using palavrino::devices::MciError;
using palavrino::devices::MciSession;
using palavrino::platform::AudioStatus;
using palavrino::platform::MediaDecoder;
using palavrino::platform::MediaStatus;
using palavrino::platform::PcmFormat;

namespace {

// A file of `frames` frames of a constant level, at 8000 Hz mono.
class ToneDecoder final : public MediaDecoder {
public:
    explicit ToneDecoder(std::int64_t frames)
        : m_frames(frames)
    {
    }
    PcmFormat Format() const override { return { 8000, 16, 1 }; }
    std::int64_t Frames() const override { return m_frames; }
    std::size_t Read(std::span<std::int16_t> out) override
    {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(out.size()), m_frames - m_at));
        std::fill_n(out.begin(), n, std::int16_t { 1000 });
        m_at += static_cast<std::int64_t>(n);
        return n;
    }
    bool Seek(std::int64_t frame) override
    {
        m_at = frame;
        return true;
    }

private:
    std::int64_t m_frames;
    std::int64_t m_at { 0 };
};

// Counts what the player hands over; safe for the feeding thread.
class CountingSink final : public palavrino::platform::AudioSink {
public:
    AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t> samples) override
    {
        std::lock_guard lock(m_mutex);
        m_bytes += samples.size();
        m_format = format;
        return AudioStatus::Ok;
    }
    bool IsPlaying() override { return false; }
    void Stop() override
    {
        std::lock_guard lock(m_mutex);
        ++m_stops;
    }
    std::size_t Bytes()
    {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }

private:
    std::mutex m_mutex;
    std::size_t m_bytes { 0 };
    int m_stops { 0 };
    PcmFormat m_format {};
};

struct Session {
    CountingSink sink;
    std::vector<std::string> opened;
    int pauses { 0 };
    int pause_limit { 1 << 30 };
    MciSession mci { sink,
        [this](const std::string& path, std::unique_ptr<MediaDecoder>& out) {
            opened.push_back(path);
            if (path.find("nada") != std::string::npos)
                return MediaStatus::NotFound;
            if (path.find("lixo") != std::string::npos)
                return MediaStatus::CannotDecode;
            // "longo" files last a minute, the others a quarter of a second.
            out = std::make_unique<ToneDecoder>(path.find("longo") != std::string::npos ? 480000 : 2000);
            return MediaStatus::Ok;
        },
        [this](int ms) {
            ++pauses;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return pauses < pause_limit;
        } };

    std::string Ask(const std::string& command) { return mci.Send(command).text; }
    MciError Error(const std::string& command) { return mci.Send(command).error; }
};

} // namespace

TEST(MciWords, BlanksSeparateAndQuotesGroup)
{
    using W = std::vector<std::string>;
    EXPECT_EQ(SplitQuotedWords("open \"C:/meus sons/a b.wav\"  alias  x"),
        (W { "open", "C:/meus sons/a b.wav", "alias", "x" }));
    EXPECT_EQ(SplitQuotedWords("  status x\tmode "), (W { "status", "x", "mode" }));
    EXPECT_EQ(SplitQuotedWords("play \"\""), (W { "play", "" }));
    EXPECT_TRUE(SplitQuotedWords("   ").empty());
}

TEST(MciSession, StatusAnswersOfAnOpenFile)
{
    Session s;
    ASSERT_EQ(s.Error("open \"som curto.wav\" type waveaudio alias Sino wait"), MciError::None);
    EXPECT_EQ(s.opened, std::vector<std::string> { "som curto.wav" });
    // Names are matched whatever their case; so are the keywords.
    EXPECT_EQ(s.Ask("STATUS sino MODE"), "stopped");
    EXPECT_EQ(s.Ask("status sino length"), "250");
    EXPECT_EQ(s.Ask("status sino position"), "0");
    EXPECT_EQ(s.Ask("status sino ready"), "true");
    EXPECT_EQ(s.Ask("status sino time format"), "milliseconds");
    EXPECT_EQ(s.Ask("status sino number of tracks"), "1");
    EXPECT_EQ(s.Error("set sino time format samples"), MciError::None);
    EXPECT_EQ(s.Ask("status sino time format"), "samples");
    EXPECT_EQ(s.Ask("status sino length"), "2000");
    EXPECT_EQ(s.Error("set sino time format ms"), MciError::None);
    EXPECT_EQ(s.Ask("status sino length"), "250");
}

TEST(MciSession, PlayingToTheEndFeedsTheWholeFile)
{
    Session s;
    ASSERT_EQ(s.Error("open curto.wav alias c"), MciError::None);
    ASSERT_EQ(s.Error("play c wait"), MciError::None);
    EXPECT_GT(s.pauses, 0);
    EXPECT_EQ(s.Ask("status c mode"), "stopped");
    EXPECT_EQ(s.Ask("status c position"), "250");
    EXPECT_EQ(s.sink.Bytes(), 2000u * 2);
    // Played again from the end, it starts over.
    ASSERT_EQ(s.Error("play c wait"), MciError::None);
    EXPECT_EQ(s.sink.Bytes(), 2 * 2000u * 2);
}

TEST(MciSession, StopPauseResumeAndSeekKeepThePlace)
{
    Session s;
    ASSERT_EQ(s.Error("open longo.wav alias l"), MciError::None);
    ASSERT_EQ(s.Error("play l from 30000"), MciError::None);
    EXPECT_EQ(s.Ask("status l mode"), "playing");
    EXPECT_GE(std::stoi(s.Ask("status l position")), 30000);
    ASSERT_EQ(s.Error("pause l"), MciError::None);
    EXPECT_EQ(s.Ask("status l mode"), "paused");
    const std::string paused_at = s.Ask("status l position");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(s.Ask("status l position"), paused_at);
    ASSERT_EQ(s.Error("resume l"), MciError::None);
    EXPECT_EQ(s.Ask("status l mode"), "playing");
    ASSERT_EQ(s.Error("stop l"), MciError::None);
    EXPECT_EQ(s.Ask("status l mode"), "stopped");
    EXPECT_GE(std::stoi(s.Ask("status l position")), std::stoi(paused_at));
    ASSERT_EQ(s.Error("seek l to 1234"), MciError::None);
    EXPECT_EQ(s.Ask("status l position"), "1234");
    ASSERT_EQ(s.Error("seek l to end"), MciError::None);
    EXPECT_EQ(s.Ask("status l position"), "60000");
    ASSERT_EQ(s.Error("seek l to start"), MciError::None);
    EXPECT_EQ(s.Ask("status l position"), "0");
    // "to" ends playing early.
    ASSERT_EQ(s.Error("play l from 100 to 200 wait"), MciError::None);
    EXPECT_EQ(s.Ask("status l position"), "200");
}

TEST(MciSession, AWaitEndsWhenTheCallerSaysSo)
{
    Session s;
    s.pause_limit = 2;
    EXPECT_EQ(s.Error("play longo.mp3 wait"), MciError::Interrupted);
    EXPECT_EQ(s.Ask("status longo.mp3 mode"), "stopped");
}

TEST(MciSession, PlayOfAFileNameOpensItUnderThatName)
{
    Session s;
    ASSERT_EQ(s.Error("play \"meu longo.ogg\""), MciError::None);
    EXPECT_EQ(s.Ask("status \"MEU LONGO.OGG\" mode"), "playing");
    // Played again while playing: the same device, not a second one.
    ASSERT_EQ(s.Error("play \"meu longo.ogg\""), MciError::None);
    EXPECT_EQ(s.mci.OpenDevices(), 1u);
    ASSERT_EQ(s.Error("stop all"), MciError::None);
    EXPECT_EQ(s.Ask("status \"meu longo.ogg\" mode"), "stopped");
    ASSERT_EQ(s.Error("close all"), MciError::None);
    EXPECT_EQ(s.mci.OpenDevices(), 0u);
    EXPECT_EQ(s.Error("status \"meu longo.ogg\" mode"), MciError::UnknownDevice);
}

TEST(MciSession, ManyFinishedCuesAreClosed)
{
    Session s;
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(s.Error("play cue" + std::to_string(i) + ".wav"), MciError::None);
        ASSERT_EQ(s.Error("stop cue" + std::to_string(i) + ".wav"), MciError::None);
    }
    EXPECT_LE(s.mci.OpenDevices(), 17u);
    // One opened by name is the script's to close.
    ASSERT_EQ(s.Error("open curto.wav alias meu"), MciError::None);
    for (int i = 40; i < 60; ++i)
        ASSERT_EQ(s.Error("play cue" + std::to_string(i) + ".wav"), MciError::None);
    EXPECT_EQ(s.Ask("status meu mode"), "stopped");
}

TEST(MciSession, WhatIsNotUnderstoodGetsTheEmptyAnswer)
{
    Session s;
    ASSERT_EQ(s.Error("open curto.wav alias c"), MciError::None);
    const std::pair<std::string, MciError> cases[] = {
        { "", MciError::UnrecognizedCommand },
        { "tocar c", MciError::UnrecognizedCommand },
        { "record c", MciError::UnrecognizedCommand },
        { "status", MciError::MissingParameter },
        { "status c", MciError::MissingParameter },
        { "status c volume", MciError::UnrecognizedKeyword },
        { "status outro mode", MciError::UnknownDevice },
        { "stop outro", MciError::UnknownDevice },
        { "open curto.wav alias C", MciError::DuplicateAlias },
        { "open", MciError::MissingParameter },
        { "open x.wav sem sentido", MciError::UnrecognizedKeyword },
        { "open nada.wav alias n", MciError::FileNotFound },
        { "play nada.wav", MciError::FileNotFound },
        { "open lixo.wav", MciError::CannotDecode },
        { "play c from", MciError::MissingParameter },
        { "play c from -5", MciError::BadNumber },
        { "play c from 1x", MciError::BadNumber },
        { "play c depressa", MciError::UnrecognizedKeyword },
        { "seek c to", MciError::UnrecognizedKeyword },
        { "seek c", MciError::MissingParameter },
        { "set c time format frames", MciError::UnrecognizedKeyword },
        { "set c", MciError::MissingParameter },
    };
    for (const auto& [command, error] : cases) {
        SCOPED_TRACE(command);
        const auto reply = s.mci.Send(command);
        EXPECT_EQ(reply.error, error);
        EXPECT_EQ(reply.text, "");
    }
    // The failures left the open file as it was.
    EXPECT_EQ(s.Ask("status c mode"), "stopped");
    EXPECT_EQ(s.mci.OpenDevices(), 1u);
}
