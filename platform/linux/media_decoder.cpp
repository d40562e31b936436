// Sound files decoded for the media player: libsndfile reads WAV, FLAC and
// Ogg Vorbis (and the other formats it knows), libmpg123 reads MP3. Each
// decoder gives 16-bit samples in one or two channels at the file's rate.
#include "platform/media_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mpg123.h>
#include <mutex>
#include <sndfile.h>
#include <vector>

namespace palavrino::platform {

namespace {

    PcmFormat Pcm16(long rate, int channels)
    {
        return PcmFormat { static_cast<int>(rate), 16, std::min(channels, 2) };
    }

    class SndfileDecoder final : public MediaDecoder {
    public:
        SndfileDecoder(SNDFILE* file, const SF_INFO& info)
            : m_file(file)
            , m_info(info)
        {
        }
        ~SndfileDecoder() override { sf_close(m_file); }

        PcmFormat Format() const override { return Pcm16(m_info.samplerate, m_info.channels); }
        std::int64_t Frames() const override { return m_info.frames; }

        std::size_t Read(std::span<std::int16_t> out) override
        {
            const int kept = std::min(m_info.channels, 2);
            const auto frames = static_cast<sf_count_t>(out.size() / static_cast<std::size_t>(kept));
            if (m_info.channels <= 2) {
                const sf_count_t got = sf_readf_short(m_file, out.data(), frames);
                return got > 0 ? static_cast<std::size_t>(got) : 0;
            }
            // More than two channels: the first two are kept.
            m_wide.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(m_info.channels));
            const sf_count_t got = sf_readf_short(m_file, m_wide.data(), frames);
            for (sf_count_t f = 0; f < got; ++f) {
                const std::size_t from
                    = static_cast<std::size_t>(f) * static_cast<std::size_t>(m_info.channels);
                out[static_cast<std::size_t>(f) * 2] = m_wide[from];
                out[static_cast<std::size_t>(f) * 2 + 1] = m_wide[from + 1];
            }
            return got > 0 ? static_cast<std::size_t>(got) : 0;
        }

        bool Seek(std::int64_t frame) override { return sf_seek(m_file, frame, SEEK_SET) >= 0; }

    private:
        SNDFILE* m_file;
        SF_INFO m_info;
        std::vector<std::int16_t> m_wide;
    };

    class Mpg123Decoder final : public MediaDecoder {
    public:
        Mpg123Decoder(mpg123_handle* handle, long rate, int channels, std::int64_t frames)
            : m_handle(handle)
            , m_rate(rate)
            , m_channels(channels)
            , m_frames(frames)
        {
        }
        ~Mpg123Decoder() override
        {
            mpg123_close(m_handle);
            mpg123_delete(m_handle);
        }

        PcmFormat Format() const override { return Pcm16(m_rate, m_channels); }
        std::int64_t Frames() const override { return m_frames; }

        std::size_t Read(std::span<std::int16_t> out) override
        {
            const std::size_t frame_bytes = static_cast<std::size_t>(m_channels) * sizeof(std::int16_t);
            const std::size_t want = out.size() / static_cast<std::size_t>(m_channels) * frame_bytes;
            std::size_t total = 0;
            while (total < want) {
                std::size_t done = 0;
                const int rc = mpg123_read(
                    m_handle, reinterpret_cast<unsigned char*>(out.data()) + total, want - total, &done);
                total += done;
                if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
                    break;
                if (done == 0 && rc == MPG123_OK)
                    break;
            }
            return total / frame_bytes;
        }

        bool Seek(std::int64_t frame) override
        {
            return mpg123_seek(m_handle, static_cast<off_t>(frame), SEEK_SET) >= 0;
        }

    private:
        mpg123_handle* m_handle;
        long m_rate;
        int m_channels;
        std::int64_t m_frames;
    };

    bool ValidRate(long rate)
    {
        return rate >= 1000 && rate <= 192000;
    }

    bool OpenWithSndfile(const std::string& path, std::unique_ptr<MediaDecoder>& out)
    {
        SF_INFO info {};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        if (!file)
            return false;
        if (info.channels < 1 || !ValidRate(info.samplerate) || info.frames <= 0) {
            sf_close(file);
            return false;
        }
        out = std::make_unique<SndfileDecoder>(file, info);
        return true;
    }

    bool OpenWithMpg123(const std::string& path, std::unique_ptr<MediaDecoder>& out)
    {
        static std::once_flag started;
        std::call_once(started, [] { mpg123_init(); });
        int error = 0;
        mpg123_handle* handle = mpg123_new(nullptr, &error);
        if (!handle)
            return false;
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        bool ok = mpg123_open(handle, path.c_str()) == MPG123_OK
            && mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK && ValidRate(rate)
            && (channels == 1 || channels == 2);
        if (ok) {
            // Every frame decodes to 16-bit samples at the first frame's rate.
            mpg123_format_none(handle);
            ok = mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16) == MPG123_OK
                && mpg123_scan(handle) == MPG123_OK;
        }
        const off_t frames = ok ? mpg123_length(handle) : 0;
        if (!ok || frames <= 0) {
            mpg123_close(handle);
            mpg123_delete(handle);
            return false;
        }
        out = std::make_unique<Mpg123Decoder>(handle, rate, channels, static_cast<std::int64_t>(frames));
        return true;
    }

    bool HasMp3Name(const std::string& path)
    {
        std::string lower = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
        std::transform(lower.begin(), lower.end(), lower.begin(),
            [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return lower == ".mp3";
    }

    // An ID3 tag or an MPEG frame's sync bits at the start; or, for a file
    // named ".mp3", anything but the marks of libsndfile's own formats.
    bool IsMp3(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        unsigned char head[4] {};
        in.read(reinterpret_cast<char*>(head), 4);
        if (in
            && ((head[0] == 'I' && head[1] == 'D' && head[2] == '3')
                || (head[0] == 0xFF && (head[1] & 0xE0) == 0xE0)))
            return true;
        const std::string mark(reinterpret_cast<const char*>(head), 4);
        return HasMp3Name(path) && mark != "RIFF" && mark != "fLaC" && mark != "OggS" && mark != "FORM";
    }

} // namespace

MediaStatus OpenMediaFile(const std::string& path, std::unique_ptr<MediaDecoder>& out)
{
    if (!std::ifstream(path, std::ios::binary))
        return MediaStatus::NotFound;
    // MP3 goes to libmpg123 (libsndfile's own MPEG reading complains on
    // stderr about damaged files); everything else to libsndfile first.
    if (IsMp3(path))
        return OpenWithMpg123(path, out) ? MediaStatus::Ok : MediaStatus::CannotDecode;
    return OpenWithSndfile(path, out) ? MediaStatus::Ok : MediaStatus::CannotDecode;
}

} // namespace palavrino::platform
