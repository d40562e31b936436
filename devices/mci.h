// The media command strings scripts send (MCI), interpreted over the
// program's own media player. Devices are sound files opened under a name
// (their alias, or the file name itself), matched without regard to case.
// Supported: open, play, stop, pause, resume, seek, set ... time format,
// status ... (mode, length, position, ready, time format, media present,
// number of tracks, current track, start position), close (also "all").
// Every request gets an answer text; a request that fails gets the empty
// answer and an error code, never a crash.
#pragma once

#include "devices/media_player.h"
#include "platform/audio_sink.h"
#include "platform/media_file.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::devices {

enum class MciError : std::uint8_t {
    None = 0,
    UnrecognizedCommand = 1,
    UnknownDevice = 2,
    MissingParameter = 3,
    UnrecognizedKeyword = 4,
    FileNotFound = 5,
    CannotDecode = 6,
    DuplicateAlias = 7,
    BadNumber = 8,
    Interrupted = 9, // a "wait" ended by the caller
};

struct MciReply {
    MciError error { MciError::None };
    std::string text;
};

class MciSession {
public:
    // Opens a sound file, the path in UTF-8.
    using Opener
        = std::function<platform::MediaStatus(const std::string&, std::unique_ptr<platform::MediaDecoder>&)>;
    // Passes about `ms` milliseconds while a "wait" request waits; false
    // when the wait must end now (the user's break request).
    using Pause = std::function<bool(int)>;

    // The sink must outlive the session.
    MciSession(platform::AudioSink& sink, Opener opener, Pause pause);
    ~MciSession();

    // One command string, Windows-1252 text.
    MciReply Send(std::string_view command);
    void CloseAll() { m_devices.clear(); }
    std::size_t OpenDevices() const { return m_devices.size(); }

private:
    struct Device {
        std::unique_ptr<MediaPlayer> player;
        std::string file; // as the script named it
        bool samples_format { false }; // "time format samples"; else milliseconds
        bool auto_opened { false }; // opened by "play" of a file name
    };
    using Words = std::vector<std::string>;

    MciReply Open(const Words& words);
    MciReply Play(Device& device, const Words& words);
    MciReply Status(Device& device, const Words& words);
    MciReply Set(Device& device, const Words& words);
    MciReply Seek(Device& device, const Words& words);
    // A device by name; a "play" of a name not open opens the file of that
    // name first. Null (with the error) when there is none.
    Device* Find(const std::string& name, bool open_file, MciError& error);
    MciError OpenFile(const std::string& file, const std::string& name, bool auto_opened);
    // Closes auto-opened files that have finished, when many are open.
    void SweepFinished();
    std::string Time(const Device& device, std::int64_t frames) const;
    bool ParseTime(const Device& device, const std::string& text, std::int64_t& frames) const;

    platform::AudioSink& m_sink;
    Opener m_opener;
    Pause m_pause;
    std::map<std::string, Device> m_devices; // by upper-cased name
};

} // namespace palavrino::devices
