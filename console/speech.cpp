// The speech layer: engine choice, the speaking calls, the wave player's
// sounds (tick, beep, wave files) and barge-in on key presses.
#include "console/speech.h"

#include "console/config.h"
#include "console/encoding.h"
#include "console/keyboard.h"
#include "console/screen_model.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <random>
#include <vector>

namespace palavrino::console {

namespace {

    constexpr platform::PcmFormat SOUND_FORMAT { 11025, 8, 1 };
    // How long each wait for the end of a sound or of speech lasts before the
    // state is looked at again; short enough for prompt barge-in.
    constexpr int SPEECH_POLL_MS = 20;
    // Wave data goes to the player in blocks of this size, so a key press stops
    // a long file after at most one block.
    constexpr std::size_t WAVE_BLOCK_BYTES = 8192;
    constexpr std::size_t TICK_SAMPLES = 256;
    constexpr std::size_t BEEP_SAMPLES = 512;

    std::string WithTrailingSlash(std::string dir)
    {
        if (!dir.empty() && dir.back() != '/' && dir.back() != '\\')
            dir += '/';
        return dir;
    }

    std::string UpperAsciiTrimmed(std::string_view text)
    {
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        std::string out(text);
        for (char& c : out) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        return out;
    }

    std::uint32_t ReadLe(const char* bytes, int count)
    {
        std::uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
        return value;
    }

} // namespace

Speech::Speech(ScreenModel& screen, Keyboard& keyboard, platform::AudioSink& audio)
    : m_screen(screen)
    , m_keyboard(keyboard)
    , m_audio(audio)
    , m_synth(std::make_unique<SilentSynthesizer>())
{
    // The tick's noise is drawn once, so every tick sounds the same.
    std::random_device seed;
    std::minstd_rand random(seed());
    std::uniform_int_distribution<int> noise(128, 187);
    for (auto& sample : m_tick_noise)
        sample = static_cast<std::uint8_t>(noise(random));
    m_letters_dir = WithTrailingSlash(DefaultDataPath("som/letras").string());
}

Speech::~Speech()
{
    m_synth->End();
}

void Speech::SpeechInit(ConfigFile& config, std::string_view sound_dir, int speed)
{
    const std::string legacy = config.ReadConfig("TALIRA", "LEGADO");
    config.SetLegacy(!legacy.empty() && (legacy[0] == 'S' || legacy[0] == 's'));

    if (speed <= 0)
        speed = ParseConfigInt(config.ReadConfig("TRADUTOR", "VELOCIDADE")).value_or(3);
    if (speed < 1 || speed > 5)
        speed = 3;
    const std::string level = std::to_string(speed);
    auto read_ms = [&](std::string_view key, int fallback) {
        const auto value = ParseConfigInt(config.ReadConfig("SINTETIZADOR", std::string(key) + level));
        return value && *value >= 0 ? *value : fallback;
    };
    m_voice = VoiceSettings { speed, read_ms("PAUSAPONTO", 250), read_ms("PAUSAVIRG", 150),
        read_ms("PAUSADOISPONTOS", 200) };

    m_sound_dir = WithTrailingSlash(std::string(sound_dir));
    const std::string letters = config.ReadConfig("TRADUTOR", "DIRLETRAS");
    m_letters_dir = WithTrailingSlash(letters.empty() ? DefaultDataPath("som/letras").string() : letters);
    m_char_sounds_dir = WithTrailingSlash(config.ReadProfile("TRADUTOR", "dirLetras"));

    StartEngine(config);
}

void Speech::StartEngine(ConfigFile& config)
{
    WaitSpeech();
    m_synth->End();
    m_synth = std::make_unique<SilentSynthesizer>();
    m_engine_active = false;

    const std::string kind = UpperAsciiTrimmed(config.ReadConfig("SERVFALA", "TIPOSAPI"));
    // The log needs no voice and no "TRADUTOR"/"SAPI" switch: it is chosen
    // to check what the program says, whatever voice the user would hear.
    if (kind == "REGISTRO") {
        auto log = MakeLogSynthesizer(
            std::filesystem::path(Cp1252ToUtf8(config.ReadConfig("SERVFALA", "ARQUIVOREGISTRO"))));
        if (log->Start(0, 0, 0)) {
            m_synth = std::move(log);
            m_engine_active = true;
        }
        return;
    }
    // FIXME: the voice engines (espeak-ng, speech-dispatcher, MBROLA) start
    // here when "TRADUTOR"/"SAPI" is on; until then speech is silent.
}

void Speech::SetSynthesizer(std::unique_ptr<Synthesizer> synthesizer)
{
    m_synth->End();
    m_engine_active = synthesizer != nullptr;
    m_synth = synthesizer ? std::move(synthesizer) : std::make_unique<SilentSynthesizer>();
}

void Speech::SpeechEnd()
{
    WaitSpeech();
    StopSpeech();
    m_synth->End();
    m_synth = std::make_unique<SilentSynthesizer>();
    m_engine_active = false;
}

void Speech::Speak(std::string_view text)
{
    m_abort = false;
    WaitSpeech();
    if (m_keyboard.KeyInterruptsSpeech())
        return;
    m_synth->Speak(text);
}

void Speech::Spell(std::string_view text)
{
    m_abort = false;
    if (m_synth->TakesSpelling()) {
        WaitSpeech();
        if (!m_keyboard.KeyInterruptsSpeech())
            m_synth->SpellText(text);
        return;
    }
    for (char c : text) {
        if (m_abort || m_keyboard.KeyInterruptsSpeech())
            return;
        SpeakChar(static_cast<std::uint8_t>(c));
    }
}

void Speech::SpeakChar(std::uint8_t c)
{
    if (m_synth->TakesSpelling()) {
        m_synth->SpeakCharacter(c);
        return;
    }
    if (m_char_sounds_dir.empty())
        return;
    const std::filesystem::path sound = m_char_sounds_dir + "_" + std::to_string(c) + ".wav";
    if (PlayWaveFile(sound) == WaveStatus::CannotOpen)
        (void)PlayWaveFile(m_char_sounds_dir + "_unknown.wav");
}

std::filesystem::path Speech::SoundPath(std::string_view name) const
{
    const std::string& dir = !name.empty() && name.front() == '_' ? m_letters_dir : m_sound_dir;
    return std::filesystem::path(Cp1252ToUtf8(dir + std::string(name) + ".wav"));
}

bool Speech::SoundExists(std::string_view name) const
{
    std::error_code error;
    return std::filesystem::is_regular_file(SoundPath(name), error);
}

WaveStatus Speech::PlaySound(std::string_view name)
{
    return PlayWaveFile(SoundPath(name));
}

WaveStatus Speech::PlayWaveFile(const std::filesystem::path& path)
{
    if (m_keyboard.KeyInterruptsSpeech()) {
        StopSpeech();
        return WaveStatus::Interrupted;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return WaveStatus::CannotOpen;

    char header[12];
    if (!in.read(header, sizeof header) || std::string_view(header, 4) != "RIFF"
        || std::string_view(header + 8, 4) != "WAVE")
        return WaveStatus::NotWave;

    std::optional<platform::PcmFormat> format;
    char chunk[8];
    while (in.read(chunk, sizeof chunk)) {
        const std::string_view id(chunk, 4);
        const std::uint32_t size = ReadLe(chunk + 4, 4);
        if (id == "fmt ") {
            char fmt[16];
            if (size < sizeof fmt || !in.read(fmt, sizeof fmt))
                return WaveStatus::NotWave;
            if (ReadLe(fmt, 2) != 1) // only plain PCM
                return WaveStatus::NotWave;
            format = platform::PcmFormat { static_cast<int>(ReadLe(fmt + 4, 4)),
                static_cast<int>(ReadLe(fmt + 14, 2)), static_cast<int>(ReadLe(fmt + 2, 2)) };
            in.seekg(
                static_cast<std::streamoff>(std::uint64_t { size } - sizeof fmt + (size & 1)), std::ios::cur);
            continue;
        }
        if (id != "data") {
            in.seekg(static_cast<std::streamoff>(std::uint64_t { size } + (size & 1)), std::ios::cur);
            continue;
        }
        if (!format)
            return WaveStatus::NotWave;
        // A data size larger than the file (a truncated file) plays what is there.
        std::uint32_t left = size;
        std::vector<std::uint8_t> block(WAVE_BLOCK_BYTES);
        while (left > 0) {
            const std::size_t want = std::min<std::size_t>(left, WAVE_BLOCK_BYTES);
            in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(want));
            const auto got = static_cast<std::size_t>(in.gcount());
            if (got == 0)
                break;
            if (m_keyboard.KeyInterruptsSpeech()) {
                StopSpeech();
                return WaveStatus::Interrupted;
            }
            if (m_audio.Play(*format, std::span(block.data(), got)) != platform::AudioStatus::Ok)
                break;
            left -= static_cast<std::uint32_t>(got);
        }
        return PlayAndWait(*format, {});
    }
    return WaveStatus::NotWave;
}

WaveStatus Speech::PlayAndWait(const platform::PcmFormat& format, std::span<const std::uint8_t> samples)
{
    if (!samples.empty())
        (void)m_audio.Play(format, samples);
    while (m_audio.IsPlaying()) {
        if (m_keyboard.KeyInterruptsSpeech()) {
            StopSpeech();
            return WaveStatus::Interrupted;
        }
        m_keyboard.Source().WaitForKey(SPEECH_POLL_MS);
    }
    return WaveStatus::Played;
}

void Speech::Tick()
{
    std::array<std::uint8_t, TICK_SAMPLES> samples {};
    samples.fill(128);
    std::copy(m_tick_noise.begin(), m_tick_noise.end(), samples.begin());
    (void)PlayAndWait(SOUND_FORMAT, samples);
}

void Speech::Beep()
{
    m_keyboard.FlushKeys();
    constexpr std::array<std::uint8_t, 8> WAVE_SHAPE = { 128, 112, 96, 80, 64, 80, 96, 112 };
    std::array<std::uint8_t, BEEP_SAMPLES> samples {};
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = WAVE_SHAPE[i % WAVE_SHAPE.size()];
    samples.back() = 128; // end on the centre line, without a click
    (void)PlayAndWait(SOUND_FORMAT, samples);
}

bool Speech::IsSpeaking()
{
    if (m_keyboard.KeyInterruptsSpeech()) {
        StopSpeech();
        return false;
    }
    return m_audio.IsPlaying() || (m_engine_active && m_synth->IsSpeaking());
}

void Speech::WaitSpeech()
{
    while (IsSpeaking())
        m_keyboard.Source().WaitForKey(SPEECH_POLL_MS);
}

void Speech::StopSpeech()
{
    m_audio.Stop();
    m_abort = true;
    if (m_synth->IsSpeaking())
        m_synth->Stop();
}

void Speech::WriteAndSpeak(std::string_view text)
{
    m_screen.ConsoleWrite(text);
    Speak(text);
    m_screen.RecordText(text);
}

void Speech::WriteLineAndSpeak(std::string_view text)
{
    m_screen.ConsoleWrite(text);
    Speak(text);
    m_screen.ConsoleWrite("\r\n");
    m_screen.RecordLine(text);
}

} // namespace palavrino::console
