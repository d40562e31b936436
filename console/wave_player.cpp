// The wave player: RIFF parsing, cutting data into blocks, the buffer
// rotation with its limit, fast playback and speech compression.
#include "console/wave_player.h"

#include "core/rounding.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string_view>

namespace palavrino::console {

namespace {

    constexpr std::size_t MIN_BLOCK_BYTES = 256;
    // A remainder in (BUFFER, BUFFER + 255] would leave a tail shorter than
    // MIN_BLOCK_BYTES; it is cut at this size first instead.
    constexpr std::size_t SHORT_FIRST_BLOCK_BYTES = 7936;
    constexpr std::uint8_t SILENCE_8BIT = 128;
    constexpr int BUFFER_POLL_MS = 10;
    // A device that frees no buffer for this long is stuck: the block is
    // dropped rather than hanging the program.
    constexpr int BUFFER_GIVE_UP_MS = 2000;
    constexpr int DONE_POLL_MS = 20;
    // Compression leaves alone blocks too short to hold a few periods.
    constexpr std::size_t MIN_COMPRESS_SAMPLES = 1000;
    // Where the first pitch period is looked for, the least distance between
    // two period peaks, and the window a next peak is looked for in, in
    // samples at 11025 Hz and at the other (22050 Hz and up) rates.
    constexpr std::size_t START_SAMPLES_11K = 200, GAP_SAMPLES_11K = 80, WINDOW_SAMPLES_11K = 50;
    constexpr std::size_t START_SAMPLES = 800, GAP_SAMPLES = 320, WINDOW_SAMPLES = 200;
    // After the last kept period, the tail runs on until the sound comes
    // this close to silence.
    constexpr int TAIL_SILENCE_MARGIN = 20;

    std::uint32_t Le(const std::uint8_t* bytes, int count)
    {
        std::uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = (value << 8) | bytes[i];
        return value;
    }

    bool FormatFromFmtChunk(const std::uint8_t* fmt, platform::PcmFormat& format)
    {
        if (Le(fmt, 2) != 1) // only plain PCM
            return false;
        format = platform::PcmFormat { static_cast<int>(Le(fmt + 4, 4)), static_cast<int>(Le(fmt + 14, 2)),
            static_cast<int>(Le(fmt + 2, 2)) };
        return format.Valid();
    }

    // Reads a wave file's header, leaving the stream at the first sample.
    bool ReadWaveHeader(std::istream& in, platform::PcmFormat& format, std::uint32_t& data_bytes)
    {
        std::uint8_t header[12];
        if (!in.read(reinterpret_cast<char*>(header), sizeof header)
            || std::string_view(reinterpret_cast<char*>(header), 4) != "RIFF"
            || std::string_view(reinterpret_cast<char*>(header) + 8, 4) != "WAVE")
            return false;
        bool have_format = false;
        std::uint8_t chunk[8];
        while (in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) {
            const std::string_view id(reinterpret_cast<char*>(chunk), 4);
            const std::uint32_t size = Le(chunk + 4, 4);
            if (id == "fmt ") {
                std::uint8_t fmt[16];
                if (size < sizeof fmt || !in.read(reinterpret_cast<char*>(fmt), sizeof fmt)
                    || !FormatFromFmtChunk(fmt, format))
                    return false;
                have_format = true;
                in.seekg(static_cast<std::streamoff>(std::uint64_t { size } - sizeof fmt + (size & 1)),
                    std::ios::cur);
            } else if (id == "data") {
                data_bytes = size;
                return have_format;
            } else {
                in.seekg(static_cast<std::streamoff>(std::uint64_t { size } + (size & 1)), std::ios::cur);
            }
        }
        return false;
    }

    std::size_t ArgMax(std::span<const std::uint8_t> x, std::size_t from, std::size_t to)
    {
        to = std::min(to, x.size());
        std::size_t best = from;
        for (std::size_t i = from; i < to; ++i) {
            if (x[i] > x[best])
                best = i;
        }
        return best;
    }

} // namespace

bool ParseWave(std::span<const std::uint8_t> image, WaveInfo& info)
{
    if (image.size() < 12 || std::string_view(reinterpret_cast<const char*>(image.data()), 4) != "RIFF"
        || std::string_view(reinterpret_cast<const char*>(image.data()) + 8, 4) != "WAVE")
        return false;
    bool have_format = false;
    std::size_t at = 12;
    while (at + 8 <= image.size()) {
        const std::string_view id(reinterpret_cast<const char*>(image.data()) + at, 4);
        const std::size_t size = Le(image.data() + at + 4, 4);
        at += 8;
        if (id == "fmt ") {
            if (size < 16 || at + 16 > image.size() || !FormatFromFmtChunk(image.data() + at, info.format))
                return false;
            have_format = true;
        } else if (id == "data") {
            if (!have_format)
                return false;
            info.data_offset = at;
            info.data_bytes = std::min(size, image.size() - at);
            return true;
        }
        if (size > image.size() - at)
            return false;
        at += size + (size & 1);
    }
    return false;
}

std::vector<std::uint8_t> MakeWave(const platform::PcmFormat& format, std::span<const std::uint8_t> samples)
{
    std::vector<std::uint8_t> out(44 + samples.size());
    auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    };
    auto tag = [&](std::size_t at, std::string_view text) {
        for (std::size_t i = 0; i < 4; ++i)
            out[at + i] = static_cast<std::uint8_t>(text[i]);
    };
    const auto data = static_cast<std::uint32_t>(samples.size());
    tag(0, "RIFF");
    put(4, data + 36, 4);
    tag(8, "WAVE");
    tag(12, "fmt ");
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, static_cast<std::uint32_t>(format.channels), 2);
    put(24, static_cast<std::uint32_t>(format.sample_rate_hz), 4);
    put(28, static_cast<std::uint32_t>(format.sample_rate_hz * format.FrameBytes()), 4);
    put(32, static_cast<std::uint32_t>(format.FrameBytes()), 2);
    put(34, static_cast<std::uint32_t>(format.bits_per_sample), 2);
    tag(36, "data");
    put(40, data, 4);
    std::copy(samples.begin(), samples.end(), out.begin() + 44);
    return out;
}

std::size_t NextBlockBytes(std::size_t remaining)
{
    if (remaining > WavePlayer::BUFFER_BYTES && remaining < WavePlayer::BUFFER_BYTES + MIN_BLOCK_BYTES)
        return SHORT_FIRST_BLOCK_BYTES;
    return std::min(remaining, WavePlayer::BUFFER_BYTES);
}

std::vector<std::uint8_t> CompressSpeech(std::span<const std::uint8_t> x, int sample_rate_hz)
{
    const std::size_t n = x.size();
    const bool low_rate = sample_rate_hz == 11025;
    const std::size_t start = low_rate ? START_SAMPLES_11K : START_SAMPLES;
    const std::size_t gap = low_rate ? GAP_SAMPLES_11K : GAP_SAMPLES;
    const std::size_t window = low_rate ? WINDOW_SAMPLES_11K : WINDOW_SAMPLES;
    const std::size_t span = gap + window;
    if (n < MIN_COMPRESS_SAMPLES || start + span + 2 * span > n)
        return { x.begin(), x.end() };

    // From one period's peak the next two peaks are found; the period between
    // them is kept and the one before dropped, which halves voiced sound
    // without changing its pitch.
    std::size_t current = ArgMax(x, start, start + span);
    std::vector<std::uint8_t> out(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(current));
    do {
        if (current + gap + window > n)
            break;
        const std::size_t a = ArgMax(x, current + gap, current + gap + window);
        if (a + gap + window > n)
            break;
        const std::size_t b = ArgMax(x, a + gap, a + gap + window);
        out.insert(out.end(), x.begin() + static_cast<std::ptrdiff_t>(a),
            x.begin() + static_cast<std::ptrdiff_t>(b));
        current = b;
    } while (current < n - 2 * span);
    for (std::size_t i = current; i < n && std::abs(static_cast<int>(x[i]) - 128) > TAIL_SILENCE_MARGIN; ++i)
        out.push_back(x[i]);
    return out;
}

WavePlayer::WavePlayer(platform::AudioSink& sink, PlaybackControl& control)
    : m_sink(sink)
    , m_control(control)
{
}

WaveStatus WavePlayer::PlayFile(const std::filesystem::path& path)
{
    if (m_control.StopRequested())
        return WaveStatus::Interrupted;
    bool compress = m_compress;
    std::filesystem::path chosen = path;
    if (compress) {
        std::error_code error;
        const std::filesystem::path shortened = path.parent_path() / "rapido" / path.filename();
        if (std::filesystem::is_regular_file(shortened, error)) {
            chosen = shortened;
            compress = false;
        }
    }
    std::ifstream in(chosen, std::ios::binary);
    if (!in)
        return WaveStatus::CannotOpen;
    platform::PcmFormat format;
    std::uint32_t left = 0;
    if (!ReadWaveHeader(in, format, left))
        return WaveStatus::NotWave;

    std::array<std::uint8_t, BUFFER_BYTES> block {};
    WaveStatus status = WaveStatus::Played;
    // A data size larger than the file (a truncated file) plays what is there.
    while (left > 0 && status == WaveStatus::Played) {
        const std::size_t want = NextBlockBytes(left);
        in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        if (m_control.StopRequested())
            return WaveStatus::Interrupted;
        status = PlayBlock(format, std::span(block.data(), got), compress);
        left -= static_cast<std::uint32_t>(got);
    }
    if (status != WaveStatus::Played)
        return status;
    return WaitDone();
}

WaveStatus WavePlayer::PlayMemory(std::span<const std::uint8_t> image)
{
    WaveInfo info;
    if (!ParseWave(image, info))
        return WaveStatus::NotWave;
    const WaveStatus status
        = PlayData(info.format, image.subspan(info.data_offset, info.data_bytes), m_compress);
    return status == WaveStatus::Played ? WaitDone() : status;
}

WaveStatus WavePlayer::PlayPcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples)
{
    if (!format.Valid())
        return WaveStatus::NotWave;
    const WaveStatus status = PlayData(format, samples, m_compress);
    return status == WaveStatus::Played ? WaitDone() : status;
}

WaveStatus WavePlayer::PlayData(
    const platform::PcmFormat& format, std::span<const std::uint8_t> data, bool compress)
{
    while (!data.empty()) {
        if (m_control.StopRequested())
            return WaveStatus::Interrupted;
        const std::size_t take = NextBlockBytes(data.size());
        const WaveStatus status = PlayBlock(format, data.first(take), compress);
        if (status != WaveStatus::Played)
            return status;
        data = data.subspan(take);
    }
    return WaveStatus::Played;
}

WaveStatus WavePlayer::PlayBlock(
    platform::PcmFormat format, std::span<const std::uint8_t> block, bool compress)
{
    const int recorded_rate_hz = format.sample_rate_hz;
    if (m_fast)
        format.sample_rate_hz = static_cast<int>(core::RoundToLong(format.sample_rate_hz * 1.5));

    std::vector<std::uint8_t> shortened;
    if (compress && format.channels == 1) {
        if (format.bits_per_sample == 16) {
            // Compression works on 8-bit sound: keep each sample's high byte.
            shortened.reserve(block.size() / 2);
            for (std::size_t i = 1; i < block.size(); i += 2)
                shortened.push_back(static_cast<std::uint8_t>(block[i] ^ 0x80));
            format.bits_per_sample = 8;
            shortened = CompressSpeech(shortened, recorded_rate_hz);
        } else {
            shortened = CompressSpeech(block, recorded_rate_hz);
        }
        block = shortened;
    }

    WaveStatus status = WaveStatus::Played;
    if (!WaitForBuffer(status))
        return status;

    if (!m_buffers)
        m_buffers = std::make_unique<std::array<std::array<std::uint8_t, BUFFER_BYTES>, BUFFER_COUNT>>();
    auto& buffer = (*m_buffers)[m_next_buffer];
    m_next_buffer = (m_next_buffer + 1) % BUFFER_COUNT;
    std::size_t length = std::min(block.size(), BUFFER_BYTES);
    std::copy_n(block.begin(), length, buffer.begin());
    if (format.bits_per_sample == 8 && format.channels == 1) {
        // Short blocks are padded with silence, and a block that ends a sound
        // ends on the centre line, so that no click is heard.
        if (length < MIN_BLOCK_BYTES) {
            std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.begin() + MIN_BLOCK_BYTES,
                SILENCE_8BIT);
            length = MIN_BLOCK_BYTES;
        }
        if (length < BUFFER_BYTES)
            buffer[length - 1] = SILENCE_8BIT;
    }
    (void)m_sink.Play(format, std::span<const std::uint8_t>(buffer.data(), length));
    return WaveStatus::Played;
}

bool WavePlayer::WaitForBuffer(WaveStatus& status)
{
    int waited_ms = 0;
    while (m_sink.QueuedBlocks() >= BUFFER_COUNT) {
        if (m_control.StopRequested()) {
            status = WaveStatus::Interrupted;
            return false;
        }
        if (waited_ms >= BUFFER_GIVE_UP_MS)
            return false; // dropped; the sound goes on with the next block
        m_control.WaitMs(BUFFER_POLL_MS);
        waited_ms += BUFFER_POLL_MS;
    }
    return true;
}

WaveStatus WavePlayer::WaitDone()
{
    std::size_t queued = m_sink.QueuedBlocks();
    int still_ms = 0;
    while (m_sink.IsPlaying()) {
        if (m_control.StopRequested())
            return WaveStatus::Interrupted;
        m_control.WaitMs(DONE_POLL_MS);
        const std::size_t now = m_sink.QueuedBlocks();
        still_ms = now == queued ? still_ms + DONE_POLL_MS : 0;
        queued = now;
        // No block has finished for longer than any block lasts: the device
        // is stuck, and its sound is given up rather than the program.
        if (still_ms >= BUFFER_GIVE_UP_MS) {
            Reset();
            break;
        }
    }
    return WaveStatus::Played;
}

void WavePlayer::Reset()
{
    m_sink.Stop();
}

} // namespace palavrino::console
