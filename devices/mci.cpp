// The media command strings: each request is split into words, its verb
// chooses the handler, and the handler reads the device name and its
// keywords. Names and keywords are matched without regard to case.
#include "devices/mci.h"

#include "core/quoted_words.h"
#include "encoding/encoding.h"

#include <algorithm>
#include <charconv>

namespace palavrino::devices {

namespace {

    // More files opened by "play" than this are tidied up once finished:
    // a script playing many cues must not hold every file open forever.
    constexpr std::size_t AUTO_OPEN_LIMIT = 16;
    constexpr int WAIT_STEP_MS = 50;

    std::string Upper(std::string_view text)
    {
        std::string out(text);
        for (char& c : out) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        return out;
    }

    std::string Lower(std::string_view text)
    {
        std::string out(text);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return out;
    }

    MciReply Error(MciError error)
    {
        return MciReply { error, {} };
    }

    // The words from `first` on, lower-cased and joined by one blank: the
    // item of a status or set request ("time format").
    std::string Rest(const std::vector<std::string>& words, std::size_t first)
    {
        std::string out;
        for (std::size_t i = first; i < words.size(); ++i) {
            if (!out.empty())
                out += ' ';
            out += Lower(words[i]);
        }
        return out;
    }

    bool IsFlag(const std::string& word)
    {
        const std::string w = Lower(word);
        return w == "wait" || w == "notify" || w == "shareable";
    }

} // namespace

MciSession::MciSession(platform::AudioSink& sink, Opener opener, Pause pause)
    : m_sink(sink)
    , m_opener(std::move(opener))
    , m_pause(std::move(pause))
{
}

MciSession::~MciSession() = default;

MciReply MciSession::Send(std::string_view command)
{
    const Words words = core::SplitQuotedWords(command);
    if (words.empty())
        return Error(MciError::UnrecognizedCommand);
    const std::string verb = Lower(words[0]);
    static constexpr std::string_view VERBS[]
        = { "open", "play", "stop", "pause", "resume", "close", "status", "set", "seek" };
    if (std::find(std::begin(VERBS), std::end(VERBS), verb) == std::end(VERBS))
        return Error(MciError::UnrecognizedCommand);
    if (verb == "open")
        return Open(words);
    if (words.size() < 2)
        return Error(MciError::MissingParameter);
    if (Lower(words[1]) == "all" && (verb == "close" || verb == "stop")) {
        if (verb == "close")
            m_devices.clear();
        else
            for (auto& [name, device] : m_devices)
                device.player->Stop();
        return {};
    }
    MciError error = MciError::None;
    Device* device = Find(words[1], verb == "play", error);
    if (!device)
        return Error(error);
    if (verb == "play")
        return Play(*device, words);
    if (verb == "status")
        return Status(*device, words);
    if (verb == "set")
        return Set(*device, words);
    if (verb == "seek")
        return Seek(*device, words);
    if (verb == "close") {
        m_devices.erase(Upper(words[1]));
        return {};
    }
    if (verb == "stop")
        device->player->Stop();
    else if (verb == "pause")
        device->player->Pause();
    else
        device->player->Resume();
    return {};
}

// open element [type name] [alias name] [wait] [shareable]; the element may
// be written "type!element".
MciReply MciSession::Open(const Words& words)
{
    if (words.size() < 2)
        return Error(MciError::MissingParameter);
    std::string file = words[1];
    if (const std::size_t bang = file.find('!'); bang != std::string::npos)
        file = file.substr(bang + 1);
    std::string alias;
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string w = Lower(words[i]);
        if ((w == "alias" || w == "type") && i + 1 < words.size()) {
            if (w == "alias")
                alias = words[i + 1];
            ++i;
        } else if (!IsFlag(w)) {
            return Error(MciError::UnrecognizedKeyword);
        }
    }
    const std::string name = alias.empty() ? file : alias;
    if (m_devices.contains(Upper(name)))
        return Error(MciError::DuplicateAlias);
    return Error(OpenFile(file, name, false));
}

MciError MciSession::OpenFile(const std::string& file, const std::string& name, bool auto_opened)
{
    if (file.empty())
        return MciError::MissingParameter;
    SweepFinished();
    std::unique_ptr<platform::MediaDecoder> decoder;
    switch (m_opener(encoding::Cp1252ToUtf8(file), decoder)) {
    case platform::MediaStatus::Ok:
        break;
    case platform::MediaStatus::NotFound:
        return MciError::FileNotFound;
    case platform::MediaStatus::CannotDecode:
        return MciError::CannotDecode;
    }
    Device device;
    device.player = std::make_unique<MediaPlayer>(std::move(decoder), m_sink);
    device.file = file;
    device.auto_opened = auto_opened;
    m_devices[Upper(name)] = std::move(device);
    return MciError::None;
}

void MciSession::SweepFinished()
{
    std::size_t auto_count = 0;
    for (const auto& [name, device] : m_devices)
        auto_count += device.auto_opened ? 1 : 0;
    if (auto_count < AUTO_OPEN_LIMIT)
        return;
    std::erase_if(m_devices, [](auto& entry) {
        return entry.second.auto_opened && entry.second.player->Mode() == MediaMode::Stopped;
    });
}

MciSession::Device* MciSession::Find(const std::string& name, bool open_file, MciError& error)
{
    auto it = m_devices.find(Upper(name));
    if (it != m_devices.end())
        return &it->second;
    if (!open_file) {
        error = MciError::UnknownDevice;
        return nullptr;
    }
    error = OpenFile(name, name, true);
    if (error != MciError::None)
        return nullptr;
    return &m_devices.find(Upper(name))->second;
}

// play device [from position] [to position] [wait] [notify]
MciReply MciSession::Play(Device& device, const Words& words)
{
    std::int64_t from = -1;
    std::int64_t to = -1;
    bool wait = false;
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string w = Lower(words[i]);
        if (w == "from" || w == "to") {
            if (i + 1 >= words.size())
                return Error(MciError::MissingParameter);
            if (!ParseTime(device, words[++i], w == "from" ? from : to))
                return Error(MciError::BadNumber);
        } else if (w == "wait") {
            wait = true;
        } else if (w != "notify") {
            return Error(MciError::UnrecognizedKeyword);
        }
    }
    MediaPlayer& player = *device.player;
    player.Play(from, to);
    while (wait && player.Mode() == MediaMode::Playing) {
        if (!m_pause(WAIT_STEP_MS)) {
            player.Stop();
            return Error(MciError::Interrupted);
        }
    }
    return {};
}

// status device item
MciReply MciSession::Status(Device& device, const Words& words)
{
    const std::string item = Rest(words, 2);
    if (item.empty())
        return Error(MciError::MissingParameter);
    MediaPlayer& player = *device.player;
    if (item == "mode") {
        switch (player.Mode()) {
        case MediaMode::Playing:
            return { MciError::None, "playing" };
        case MediaMode::Paused:
            return { MciError::None, "paused" };
        case MediaMode::Stopped:
            return { MciError::None, "stopped" };
        }
    }
    if (item == "length")
        return { MciError::None, Time(device, player.LengthFrames()) };
    if (item == "position")
        return { MciError::None, Time(device, player.PositionFrames()) };
    if (item == "start position")
        return { MciError::None, "0" };
    if (item == "ready" || item == "media present")
        return { MciError::None, "true" };
    if (item == "time format")
        return { MciError::None, device.samples_format ? "samples" : "milliseconds" };
    if (item == "number of tracks" || item == "current track")
        return { MciError::None, "1" };
    return Error(MciError::UnrecognizedKeyword);
}

// set device time format milliseconds|ms|samples
MciReply MciSession::Set(Device& device, const Words& words)
{
    const std::string item = Rest(words, 2);
    if (item == "time format milliseconds" || item == "time format ms")
        device.samples_format = false;
    else if (item == "time format samples")
        device.samples_format = true;
    else
        return Error(item.empty() ? MciError::MissingParameter : MciError::UnrecognizedKeyword);
    return {};
}

// seek device to position|start|end
MciReply MciSession::Seek(Device& device, const Words& words)
{
    const std::string item = Rest(words, 2);
    MediaPlayer& player = *device.player;
    if (item == "to start") {
        player.Seek(0);
    } else if (item == "to end") {
        player.Seek(player.LengthFrames());
    } else if (words.size() == 4 && Lower(words[2]) == "to") {
        std::int64_t frames = 0;
        if (!ParseTime(device, words[3], frames))
            return Error(MciError::BadNumber);
        player.Seek(frames);
    } else {
        return Error(item.empty() ? MciError::MissingParameter : MciError::UnrecognizedKeyword);
    }
    return {};
}

std::string MciSession::Time(const Device& device, std::int64_t frames) const
{
    if (device.samples_format)
        return std::to_string(frames);
    return std::to_string(frames * 1000 / device.player->SampleRate());
}

bool MciSession::ParseTime(const Device& device, const std::string& text, std::int64_t& frames) const
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0
        || value > (std::int64_t { 1 } << 40))
        return false;
    frames = device.samples_format ? value : value * device.player->SampleRate() / 1000;
    return true;
}

} // namespace palavrino::devices
