// The choice among the sinks this machine offers (the silent sink itself is
// platform-free, in audio_sink.h): silence is where every failed choice ends.
#include "platform/audio_sink.h"

#include <string>

namespace palavrino::platform {

namespace {

    constexpr std::string_view FILE_PREFIX = "arquivo:";

    bool StartsWithNoCase(std::string_view text, std::string_view prefix)
    {
        if (text.size() < prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[i])
                return false;
        }
        return true;
    }

    std::string_view Trimmed(std::string_view text)
    {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        return text;
    }

    // The speech sink lent to music: everything but stopping.
    class SharedSink final : public AudioSink {
    public:
        explicit SharedSink(AudioSink& sink)
            : m_sink(sink)
        {
        }
        AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t> samples) override
        {
            return m_sink.Play(format, samples);
        }
        bool IsPlaying() override { return m_sink.IsPlaying(); }
        void Stop() override { }
        std::size_t QueuedBlocks() override { return m_sink.QueuedBlocks(); }

    private:
        AudioSink& m_sink;
    };

} // namespace

std::unique_ptr<AudioSink> OpenMusicSink(std::string_view choice, AudioSink& speech)
{
    choice = Trimmed(choice);
    const bool device
        = !(StartsWithNoCase(choice, "nulo") && choice.size() == 4) && !StartsWithNoCase(choice, FILE_PREFIX);
    if (device) {
        if (std::unique_ptr<AudioSink> own = OpenAlsaSink(choice))
            return own;
    }
    return std::make_unique<SharedSink>(speech);
}

bool ChoosesFileOrSilence(std::string_view choice)
{
    choice = Trimmed(choice);
    return (StartsWithNoCase(choice, "nulo") && choice.size() == 4) || StartsWithNoCase(choice, FILE_PREFIX);
}

std::unique_ptr<AudioSink> OpenAudioSink(std::string_view choice, bool* fell_back)
{
    if (fell_back)
        *fell_back = false;
    choice = Trimmed(choice);
    std::unique_ptr<AudioSink> sink;
    if (StartsWithNoCase(choice, "nulo") && choice.size() == 4)
        return std::make_unique<NullAudioSink>();
    if (StartsWithNoCase(choice, FILE_PREFIX))
        sink = OpenWavFileSink(std::string(Trimmed(choice.substr(FILE_PREFIX.size()))));
    else
        sink = OpenAlsaSink(choice);
    if (!sink) {
        sink = std::make_unique<NullAudioSink>();
        if (fell_back)
            *fell_back = true;
    }
    return sink;
}

} // namespace palavrino::platform
