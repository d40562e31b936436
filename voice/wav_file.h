// The Orvan voice's WAV output: 16-bit mono PCM at the database's rate,
// with a 44-byte header whose lengths are put right when the file is
// finished, so the file is valid even if nothing was ever spoken.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace palavrino::voice {

inline constexpr std::size_t WAV_HEADER_BYTES = 44;
inline constexpr int VOICE_SAMPLE_RATE_HZ = 16000;

// A canonical PCM header for data_bytes of 16-bit mono samples.
std::array<std::uint8_t, WAV_HEADER_BYTES> MakeWavHeader(int sample_rate_hz, std::uint32_t data_bytes);

class WavFileWriter {
public:
    // False when the file cannot be created.
    [[nodiscard]] bool Create(const std::string& path, int sample_rate_hz = VOICE_SAMPLE_RATE_HZ);
    [[nodiscard]] bool Append(std::span<const std::uint8_t> samples);
    // Rewrites the header with the final lengths and closes the file.
    [[nodiscard]] bool Finish();
    bool IsOpen() const { return m_file.is_open(); }

private:
    std::ofstream m_file;
    int m_rate_hz { VOICE_SAMPLE_RATE_HZ };
    std::uint64_t m_data_bytes { 0 };
};

} // namespace palavrino::voice
