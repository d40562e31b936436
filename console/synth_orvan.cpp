// The Orvan voice behind Speak: the voice's files and the mbrola program
// are found from the configuration when it starts; each text is analysed by
// the front end and handed to mbrola, and its samples go to the wave
// player in short blocks as they arrive.
#include "console/synth_orvan.h"

#include "console/config.h"
#include "encoding/encoding.h"
#include "messages/voice.h"
#include "platform/interrupt.h"
#include "platform/mbrola.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace palavrino::console {

namespace {

    constexpr std::string_view DEFAULT_DATABASE = "br4";
    constexpr std::string_view DEFAULT_BASE = "portug";
    // Blocks of about 100 ms reach the player: short enough that speech
    // starts soon, long enough not to flood its queue.
    constexpr std::size_t DELIVERY_BYTES = 3200;
    // An utterance shorter than this is padded with silence: some sound
    // cards drop a tiny block. (A short last block of a longer one is not,
    // so a WAV file holds exactly what mbrola made.)
    constexpr std::size_t SMALLEST_BLOCK_BYTES = 256;
    constexpr double PITCH_STEPS = 11.0;
    constexpr double NORMAL_DURATION_RATIO = 0.8;
    constexpr double RATE_STEPS = 15.0;

    std::string WithSlash(std::string dir)
    {
        if (!dir.empty() && dir.back() != '/')
            dir += '/';
        return dir;
    }

    std::string DefaultDataDir()
    {
        const std::filesystem::path installed = DefaultDataPath("orvan");
        std::error_code error;
        if (std::filesystem::exists(installed / "portug.nrl", error))
            return installed.string();
#ifdef PL_ORVAN_SOURCE_DATA
        // A program run from its build tree finds the voice beside its sources.
        if (std::filesystem::exists(std::filesystem::path(PL_ORVAN_SOURCE_DATA) / "portug.nrl", error))
            return PL_ORVAN_SOURCE_DATA;
#endif
        return installed.string();
    }

    std::string Message(std::string_view a, std::string_view b = {})
    {
        return std::string(a) + std::string(b);
    }

} // namespace

OrvanSettings ReadOrvanSettings(const ConfigFile& config)
{
    OrvanSettings settings;
    settings.program = encoding::Cp1252ToUtf8(config.ReadConfig("ORVANTTS", "MBROLA"));
    settings.database = encoding::Cp1252ToUtf8(config.ReadConfig("ORVANTTS", "MBROLA_DB"));
    const std::string dir = encoding::Cp1252ToUtf8(config.ReadConfig("ORVANTTS", "DIR"));
    settings.data_dir = WithSlash(dir.empty() ? DefaultDataDir() : dir);
    settings.base_name = encoding::Cp1252ToUtf8(config.ReadConfig("ORVANTTS", "BASE"));
    if (settings.base_name.empty())
        settings.base_name = DEFAULT_BASE;
    return settings;
}

bool ReadVoiceFiles(const OrvanSettings& settings, voice::VoiceFiles& files, std::string& error)
{
    const std::array<std::pair<const char*, std::string*>, 5> wanted = { {
        { ".nrl", &files.rules },
        { ".exc", &files.exceptions },
        { ".abr", &files.abbreviations },
        { ".pro", &files.prosody },
        { ".dfn", &files.diphones },
    } };
    for (const auto& [extension, text] : wanted) {
        const std::string path = settings.data_dir + settings.base_name + extension;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = Message(msg::MSG_ORVAN_NO_FILE, encoding::Utf8ToCp1252(path));
            return false;
        }
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Users edit these files with whatever editor they have.
        *text = encoding::IsValidUtf8(bytes) ? encoding::Utf8ToCp1252(bytes) : bytes;
    }
    return true;
}

OrvanSynthesizer::OrvanSynthesizer(SynthAudio& audio, OrvanSettings settings)
    : m_audio(audio)
    , m_settings(std::move(settings))
{
}

bool OrvanSynthesizer::Start(int, int rate, int pitch)
{
    m_started = false;
    m_failure.clear();
    m_program = platform::FindMbrolaProgram(m_settings.program);
    if (m_program.empty()) {
        m_failure = msg::MSG_ORVAN_NO_PROGRAM;
        return false;
    }
    const bool path_given = m_settings.database.find('/') != std::string::npos;
    std::string searched;
    m_database = platform::FindMbrolaDatabase(path_given ? m_settings.database : std::string {},
        m_settings.database.empty() ? DEFAULT_DATABASE : std::string_view(m_settings.database), searched);
    if (m_database.empty()) {
        m_failure = Message(msg::MSG_ORVAN_NO_DATABASE, encoding::Utf8ToCp1252(searched));
        return false;
    }
    voice::VoiceFiles files;
    if (!ReadVoiceFiles(m_settings, files, m_failure))
        return false;
    if (!m_voice.open_voice(files, m_failure))
        return false;
    m_voice.set_voice_ratios((pitch + PITCH_STEPS) / PITCH_STEPS, NORMAL_DURATION_RATIO - rate / RATE_STEPS);
    m_started = true;
    return true;
}

void OrvanSynthesizer::Speak(std::string_view text)
{
    if (!m_started)
        return;
    m_stop = false;
    const voice::Utterance utterance = m_voice.Analyse(text);
    if (utterance.lines.empty())
        return;
    std::string pho;
    for (const std::string& line : utterance.lines)
        pho += line + "\n";
    std::vector<std::uint8_t> gathered;
    bool delivered_any = false;
    platform::MbrolaAudio audio;
    auto play = [&](std::span<const std::uint8_t> block) {
        return m_audio.DeliverPcm(platform::PcmFormat { audio.sample_rate_hz, 16, 1 }, block);
    };
    audio.deliver = [&](std::span<const std::uint8_t> samples) {
        gathered.insert(gathered.end(), samples.begin(), samples.end());
        if (gathered.size() < DELIVERY_BYTES)
            return !m_stop;
        const bool go_on = play(gathered) && !m_stop;
        delivered_any = true;
        gathered.clear();
        return go_on;
    };
    audio.should_stop = [&] { return m_stop || platform::InterruptPending() || m_audio.StopRequested(); };
    const platform::MbrolaStatus status
        = platform::RunMbrola(m_program, m_database, pho, audio, m_last_error);
    m_last_run_ok = status == platform::MbrolaStatus::Ok || status == platform::MbrolaStatus::Stopped;
    if (!m_last_run_ok) {
        SpeakInstead(text);
        return;
    }
    if (status != platform::MbrolaStatus::Ok || gathered.empty())
        return;
    if (!delivered_any && gathered.size() < SMALLEST_BLOCK_BYTES)
        gathered.resize(SMALLEST_BLOCK_BYTES, 0);
    (void)play(gathered);
}

void OrvanSynthesizer::SpeakInstead(std::string_view text)
{
    if (!m_fallback)
        return;
    if (!m_failure_told) {
        m_failure_told = true;
        m_fallback->Speak(Message(msg::MSG_ORVAN_FAILED, m_last_error.empty() ? "mbrola" : m_last_error));
    }
    m_fallback->Speak(text);
}

void OrvanSynthesizer::End()
{
    if (m_fallback)
        m_fallback->End();
    m_started = false;
}

void OrvanSynthesizer::SpeakCharacter(std::uint8_t c)
{
    // The voice names a lone character itself ("interrogação").
    Speak(std::string(1, static_cast<char>(c)));
}

namespace {

    // Where WriteOrvanWav's samples go: the file, created at the rate of
    // the first block.
    class WavAudio final : public SynthAudio {
    public:
        explicit WavAudio(std::string path)
            : m_path(std::move(path))
        {
        }
        bool DeliverPcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples) override
        {
            if (!m_writer.IsOpen() && !Open(format.sample_rate_hz))
                return false;
            m_ok = m_writer.Append(samples) && m_ok;
            return m_ok;
        }
        bool Finish()
        {
            if (!m_writer.IsOpen() && !Open(voice::VOICE_SAMPLE_RATE_HZ))
                return false;
            return m_writer.Finish() && m_ok;
        }

    private:
        bool Open(int rate_hz)
        {
            m_ok = m_writer.Create(m_path, rate_hz);
            return m_ok;
        }
        std::string m_path;
        voice::WavFileWriter m_writer;
        bool m_ok { true };
    };

} // namespace

bool WriteOrvanWav(
    const OrvanSettings& settings, std::string_view text, const std::string& path, std::string& error)
{
    WavAudio file(path);
    OrvanSynthesizer orvan(file, settings);
    if (!orvan.Start(0, 0, 0)) {
        error = orvan.Failure();
        return false;
    }
    orvan.Speak(text);
    const bool written = file.Finish();
    if (!orvan.LastRunOk()) {
        error = Message(msg::MSG_ORVAN_FAILED, orvan.LastError());
        return false;
    }
    if (!written) {
        error = msg::MSG_VOICE_OUTPUT_FILE;
        return false;
    }
    return true;
}

} // namespace palavrino::console
