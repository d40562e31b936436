// A sink that records instead of playing: every block goes into one WAV
// file, so speech can be checked (or kept) on a machine without sound. The
// file's format is that of the first block; later blocks in other formats
// are converted (rate by nearest sample, bits, channels) so that the file's
// duration is the sum of what was played. The header is kept correct after
// every block, so the file is valid even if the program is killed.
#include "platform/audio_sink.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <vector>

namespace palavrino::platform {

namespace {

    constexpr std::size_t HEADER_BYTES = 44;
    // A WAV file's sizes are 32-bit; past this the recording stops growing
    // rather than writing a header that lies.
    constexpr std::uint64_t MAX_DATA_BYTES = 0xFFFFFFFFull - HEADER_BYTES;

    void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
    }

    // One sample of a frame as a signed 16-bit value.
    int SampleAt(const PcmFormat& format, std::span<const std::uint8_t> data, std::size_t frame, int channel)
    {
        const std::size_t at = frame * static_cast<std::size_t>(format.FrameBytes())
            + static_cast<std::size_t>(channel * format.bits_per_sample / 8);
        if (format.bits_per_sample == 8)
            return (static_cast<int>(data[at]) - 128) * 256;
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8)));
    }

    class WavFileSink final : public AudioSink {
    public:
        explicit WavFileSink(std::fstream file)
            : m_file(std::move(file))
        {
            WriteHeader();
        }

        AudioStatus Play(const PcmFormat& format, std::span<const std::uint8_t> samples) override
        {
            if (!format.Valid())
                return AudioStatus::BadFormat;
            std::lock_guard lock(m_mutex);
            BeginBlock(format);
            return Append(Convert(format, samples));
        }

        // Before each block: close a running loop, and take the first
        // block's format as the file's.
        void BeginBlock(const PcmFormat& format)
        {
            FlushLoop();
            if (!m_format_fixed) {
                m_format = format;
                m_format_fixed = true;
                WriteHeader();
            }
        }

        bool IsPlaying() override { return false; }
        void Stop() override { }
        std::size_t QueuedBlocks() override { return 0; }

        AudioStatus PlayLoop(const PcmFormat& format, std::span<const std::uint8_t> samples) override
        {
            if (!format.Valid())
                return AudioStatus::BadFormat;
            std::lock_guard lock(m_mutex);
            BeginBlock(format);
            m_loop = Convert(format, samples);
            m_loop_start = std::chrono::steady_clock::now();
            return AudioStatus::Ok;
        }

        void StopLoop() override
        {
            std::lock_guard lock(m_mutex);
            FlushLoop();
        }

    private:
        // A loop lasts as long as it was on: its samples are written for the
        // time that passed, as a speaker would have sounded it.
        void FlushLoop()
        {
            if (m_loop.empty())
                return;
            const auto elapsed = std::chrono::steady_clock::now() - m_loop_start;
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
            const std::size_t frame = static_cast<std::size_t>(m_format.FrameBytes());
            std::size_t bytes = static_cast<std::size_t>(ms)
                * static_cast<std::size_t>(m_format.sample_rate_hz) / 1000 * frame;
            std::vector<std::uint8_t> out;
            out.reserve(bytes);
            while (bytes > 0) {
                const std::size_t take = std::min(bytes, m_loop.size());
                out.insert(out.end(), m_loop.begin(), m_loop.begin() + static_cast<std::ptrdiff_t>(take));
                bytes -= take;
            }
            m_loop.clear();
            (void)Append(out);
        }

        std::vector<std::uint8_t> Convert(const PcmFormat& from, std::span<const std::uint8_t> samples)
        {
            const std::size_t in_frames = samples.size() / static_cast<std::size_t>(from.FrameBytes());
            if (from == m_format)
                return { samples.begin(),
                    samples.begin()
                        + static_cast<std::ptrdiff_t>(
                            in_frames * static_cast<std::size_t>(from.FrameBytes())) };
            // The fraction of a frame left over from the previous block is
            // carried, so many short blocks keep their total length.
            m_rate_carry += static_cast<std::uint64_t>(in_frames)
                * static_cast<std::uint64_t>(m_format.sample_rate_hz);
            const std::uint64_t out_frames = m_rate_carry / static_cast<std::uint64_t>(from.sample_rate_hz);
            m_rate_carry %= static_cast<std::uint64_t>(from.sample_rate_hz);
            std::vector<std::uint8_t> out;
            out.reserve(
                static_cast<std::size_t>(out_frames) * static_cast<std::size_t>(m_format.FrameBytes()));
            for (std::uint64_t f = 0; f < out_frames && in_frames > 0; ++f) {
                std::size_t src = static_cast<std::size_t>(f * in_frames / out_frames);
                int left = SampleAt(from, samples, src, 0);
                int right = from.channels == 2 ? SampleAt(from, samples, src, 1) : left;
                if (m_format.channels == 1)
                    left = right = (left + right) / 2;
                for (int ch = 0; ch < m_format.channels; ++ch) {
                    const int value = ch == 0 ? left : right;
                    if (m_format.bits_per_sample == 8)
                        out.push_back(static_cast<std::uint8_t>((value >> 8) + 128));
                    else
                        PutLe(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
                }
            }
            return out;
        }

        AudioStatus Append(const std::vector<std::uint8_t>& bytes)
        {
            if (bytes.empty())
                return AudioStatus::Ok;
            if (m_data_bytes + bytes.size() > MAX_DATA_BYTES)
                return AudioStatus::DeviceError;
            m_file.seekp(0, std::ios::end);
            m_file.write(
                reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            m_data_bytes += bytes.size();
            WriteHeader();
            return m_file ? AudioStatus::Ok : AudioStatus::DeviceError;
        }

        void WriteHeader()
        {
            std::vector<std::uint8_t> header;
            const auto data = static_cast<std::uint32_t>(m_data_bytes);
            header.insert(header.end(), { 'R', 'I', 'F', 'F' });
            PutLe(header, data + 36, 4);
            header.insert(header.end(), { 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ' });
            PutLe(header, 16, 4);
            PutLe(header, 1, 2); // PCM
            PutLe(header, static_cast<std::uint32_t>(m_format.channels), 2);
            PutLe(header, static_cast<std::uint32_t>(m_format.sample_rate_hz), 4);
            PutLe(header, static_cast<std::uint32_t>(m_format.sample_rate_hz * m_format.FrameBytes()), 4);
            PutLe(header, static_cast<std::uint32_t>(m_format.FrameBytes()), 2);
            PutLe(header, static_cast<std::uint32_t>(m_format.bits_per_sample), 2);
            header.insert(header.end(), { 'd', 'a', 't', 'a' });
            PutLe(header, data, 4);
            m_file.seekp(0, std::ios::beg);
            m_file.write(
                reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
            m_file.flush();
        }

        std::mutex m_mutex;
        std::fstream m_file;
        PcmFormat m_format {};
        bool m_format_fixed { false };
        std::uint64_t m_data_bytes { 0 };
        std::uint64_t m_rate_carry { 0 };
        std::vector<std::uint8_t> m_loop;
        std::chrono::steady_clock::time_point m_loop_start;
    };

} // namespace

std::unique_ptr<AudioSink> OpenWavFileSink(const std::string& path)
{
    if (path.empty())
        return nullptr;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file)
        return nullptr;
    return std::make_unique<WavFileSink>(std::move(file));
}

} // namespace palavrino::platform
