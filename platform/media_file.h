// Sound files decoded to 16-bit PCM: WAV, FLAC and Ogg Vorbis through
// libsndfile, MP3 through libmpg123. The media player reads a decoder in
// pieces and may seek it; the decoder knows nothing of playing.
#pragma once

#include "platform/audio_sink.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace palavrino::platform {

class MediaDecoder {
public:
    virtual ~MediaDecoder() = default;
    // 16-bit samples, one or two channels (more are folded into two).
    virtual PcmFormat Format() const = 0;
    virtual std::int64_t Frames() const = 0;
    // Fills `out` with whole frames from the current place; gives the
    // number of frames read, 0 at the end (or on a decoding error).
    virtual std::size_t Read(std::span<std::int16_t> out) = 0;
    [[nodiscard]] virtual bool Seek(std::int64_t frame) = 0;
};

enum class MediaStatus : std::uint8_t {
    Ok = 0,
    NotFound = 1, // no such file, or it cannot be read
    CannotDecode = 2, // not a sound file of a known kind, or damaged
};

// Opens a sound file (path in UTF-8) for decoding.
[[nodiscard]] MediaStatus OpenMediaFile(const std::string& path, std::unique_ptr<MediaDecoder>& out);

} // namespace palavrino::platform
