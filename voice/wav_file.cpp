// WAV headers and the file writer of the Orvan voice.
#include "voice/wav_file.h"

#include <algorithm>
#include <limits>

namespace palavrino::voice {

namespace {

    constexpr std::uint16_t PCM_FORMAT = 1, CHANNELS = 1, BITS_PER_SAMPLE = 16;
    constexpr std::uint32_t FMT_CHUNK_BYTES = 16;
    // A RIFF file's lengths are 32-bit; the data stops growing before them.
    constexpr std::uint64_t MAX_DATA_BYTES = std::numeric_limits<std::uint32_t>::max() - WAV_HEADER_BYTES;

    void Put16(std::uint8_t* at, std::uint32_t value)
    {
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(value >> 8);
    }

    void Put32(std::uint8_t* at, std::uint32_t value)
    {
        Put16(at, value & 0xFFFF);
        Put16(at + 2, value >> 16);
    }

} // namespace

std::array<std::uint8_t, WAV_HEADER_BYTES> MakeWavHeader(int sample_rate_hz, std::uint32_t data_bytes)
{
    std::array<std::uint8_t, WAV_HEADER_BYTES> header {};
    const auto rate = static_cast<std::uint32_t>(sample_rate_hz);
    const std::uint32_t block_align = CHANNELS * BITS_PER_SAMPLE / 8;
    std::uint8_t* h = header.data();
    std::copy_n("RIFF", 4, h);
    Put32(h + 4, static_cast<std::uint32_t>(WAV_HEADER_BYTES - 8 + data_bytes));
    std::copy_n("WAVEfmt ", 8, h + 8);
    Put32(h + 16, FMT_CHUNK_BYTES);
    Put16(h + 20, PCM_FORMAT);
    Put16(h + 22, CHANNELS);
    Put32(h + 24, rate);
    Put32(h + 28, rate * block_align);
    Put16(h + 32, block_align);
    Put16(h + 34, BITS_PER_SAMPLE);
    std::copy_n("data", 4, h + 36);
    Put32(h + 40, data_bytes);
    return header;
}

bool WavFileWriter::Create(const std::string& path, int sample_rate_hz)
{
    m_file.open(path, std::ios::binary | std::ios::trunc);
    m_rate_hz = sample_rate_hz;
    m_data_bytes = 0;
    if (!m_file)
        return false;
    const auto header = MakeWavHeader(m_rate_hz, 0);
    m_file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    m_file.flush();
    return static_cast<bool>(m_file);
}

bool WavFileWriter::Append(std::span<const std::uint8_t> samples)
{
    if (!m_file.is_open())
        return false;
    if (m_data_bytes + samples.size() > MAX_DATA_BYTES)
        return false;
    m_file.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size()));
    m_data_bytes += samples.size();
    return static_cast<bool>(m_file);
}

bool WavFileWriter::Finish()
{
    if (!m_file.is_open())
        return false;
    const auto header = MakeWavHeader(m_rate_hz, static_cast<std::uint32_t>(m_data_bytes));
    m_file.seekp(0);
    m_file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    const bool ok = static_cast<bool>(m_file);
    m_file.close();
    return ok && !m_file.fail();
}

} // namespace palavrino::voice
