// The speech layer: choosing the voices, the speaking calls, recorded
// sounds and words, the tick, beep and tone, and barge-in on key presses.
#include "console/speech.h"

#include "console/config.h"
#include "console/keyboard.h"
#include "console/screen_model.h"
#include "console/synth_orvan.h"
#include "encoding/encoding.h"
#include "messages/console.h"
#include "messages/voice.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <random>
#include <thread>

namespace palavrino::console {

namespace {

    constexpr platform::PcmFormat SOUND_FORMAT { 11025, 8, 1 };
    // How long each wait for the end of a sound or of speech lasts before the
    // state is looked at again; short enough for prompt barge-in.
    constexpr int SPEECH_POLL_MS = 20;
    // Pauses after punctuation pass in steps of this size, each skipped once
    // a key is pressed.
    constexpr int PAUSE_STEP_MS = 50;
    constexpr int ENGINE_SETTLE_STEP_MS = 50;
    constexpr int ENGINE_SETTLE_MAX_STEPS = 100;
    // An engine that makes samples on the program's thread may run ahead
    // of what is heard by this many blocks: 15 minutes of 50 ms pieces
    // (about 40 MB); beyond that it waits, so a runaway text cannot fill
    // memory.
    constexpr std::size_t ENGINE_QUEUE_BLOCKS = 18000;
    constexpr int ENGINE_QUEUE_POLL_MS = 10;
    constexpr int STUCK_DEVICE_MS = 2000;
    constexpr std::size_t TICK_SAMPLES = 256;
    constexpr std::size_t BEEP_SAMPLES = 512;
    // Number words are joined into one buffer of this size, so that they
    // play without gaps.
    constexpr std::size_t WORDS_BUFFER_BYTES = 30000;
    constexpr int TONE_RATE_HZ = 11025;
    constexpr std::uint8_t TONE_LOW = 96, TONE_HIGH = 160;
    constexpr std::size_t MAX_VOICE_NAME = 8;
    constexpr int DEFAULT_CUT_SAMPLES = 400;
    constexpr int MAX_ENGINE_RATE = 10;
    constexpr int SAPI4_KIND = 4;
    constexpr int ORVAN_KIND = 3;

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
        return UpperAscii(text);
    }

    // The yes/no settings: on when set and not beginning with "N".
    bool FlagOn(std::string_view value)
    {
        return !value.empty() && value[0] != 'N' && value[0] != 'n';
    }

    std::filesystem::path ToPath(const std::string& cp1252)
    {
        return std::filesystem::path(encoding::Cp1252ToUtf8(cp1252));
    }

    std::string DataDir(std::string_view relative)
    {
        return encoding::Utf8ToCp1252(DefaultDataPath(relative).string());
    }

    std::string ReadSmallFile(const std::filesystem::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::string text;
        std::getline(in, text);
        while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        return text;
    }

    // The text a missing recording of a message stands for.
    std::string MessageText(std::string_view name)
    {
        if (name == "_SEMBAT")
            return "sem bateria";
        if (name == "_SEMENER")
            return "sem energia";
        std::string text(name.substr(name.starts_with('_') ? 1 : 0));
        for (char& c : text) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return text;
    }

} // namespace

PowerStatus ReadPowerStatus(const std::filesystem::path& root)
{
    PowerStatus status;
    bool mains_seen = false;
    bool mains_online = false;
    bool discharging = false;
    int batteries = 0;
    int percent_sum = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root, error)) {
        const std::string type = ReadSmallFile(entry.path() / "type");
        if (type == "Battery") {
            const auto percent = ParseConfigInt(ReadSmallFile(entry.path() / "capacity"));
            if (!percent)
                continue;
            ++batteries;
            percent_sum += std::clamp(*percent, 0, 100);
            discharging = discharging || ReadSmallFile(entry.path() / "status") == "Discharging";
        } else if (type == "Mains" || type.starts_with("USB")) {
            mains_seen = true;
            mains_online = mains_online || ReadSmallFile(entry.path() / "online") == "1";
        }
    }
    status.has_battery = batteries > 0;
    status.percent = batteries > 0 ? percent_sum / batteries : 0;
    // Machines that list no mains supply are on mains unless a battery
    // says it is running down.
    status.on_mains = mains_seen ? mains_online : !discharging;
    return status;
}

Speech::Speech(ScreenModel& screen, Keyboard& keyboard, platform::AudioSink& audio)
    : m_screen(screen)
    , m_keyboard(keyboard)
    , m_audio(audio)
    , m_player(audio, *this)
    , m_synth(std::make_unique<SilentSynthesizer>())
{
    // The tick's noise is drawn once, so every tick sounds the same.
    std::random_device seed;
    std::minstd_rand random(seed());
    std::uniform_int_distribution<int> noise(128, 187);
    for (auto& sample : m_tick_noise)
        sample = static_cast<std::uint8_t>(noise(random));
}

Speech::~Speech()
{
    ToneOff();
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
    ReadVoiceSettings(config, speed);

    m_sound_dir = WithTrailingSlash(std::string(sound_dir));
    // Empty directories are the defaults, found on first use.
    m_letters_dir = WithTrailingSlash(config.ReadConfig("TRADUTOR", "DIRLETRAS"));
    m_char_sounds_dir = WithTrailingSlash(config.ReadProfile("TRADUTOR", "dirLetras"));
    if (m_voice.voice_name.empty()) {
        // No diphone voice is configured: nothing to look for on disk.
        m_word_synth.VoiceEnd();
        m_builtin_status = VOICE_FILES_MISSING;
    } else {
        std::string voice_dir = config.ReadProfile("TRADUTOR", "DIRDIFONES");
        if (voice_dir.empty())
            voice_dir = DataDir("som/difones");
        m_builtin_status
            = m_word_synth.VoiceStart(ToPath(CharSoundsDir()), ToPath(voice_dir), m_voice.voice_name);
    }
    m_word_synth.SetSettings(m_voice.joins);
    m_player.SetPlayback(m_voice.compress, m_voice.fast);
    // The log costs nothing to open, and a script that never speaks must
    // still hear at once that its speech cannot be recorded.
    if (m_defer && UpperAsciiTrimmed(config.ReadConfig("SERVFALA", "TIPOSAPI")) != "REGISTRO") {
        m_start_pending = true;
        m_pending_config = &config;
        return;
    }
    StartEngine(config);
}

void Speech::DeferStart(std::function<std::string()> open_audio)
{
    m_defer = true;
    m_open_audio = std::move(open_audio);
}

// In the order an eager start takes: the sound output, the engine, then
// the notice of a sound output that failed (spoken by the new engine).
void Speech::StartPending()
{
    m_start_pending = false;
    std::string notice;
    if (m_open_audio) {
        notice = m_open_audio();
        m_open_audio = nullptr;
    }
    StartEngine(*m_pending_config);
    if (!notice.empty())
        WriteLineAndSpeak(notice);
}

void Speech::ReadVoiceSettings(ConfigFile& config, int speed)
{
    const std::string level = std::to_string(speed);
    auto read
        = [&](std::string_view key) { return config.ReadConfig("SINTETIZADOR", std::string(key) + level); };
    auto read_ms = [&](std::string_view key, int fallback) {
        const auto value = ParseConfigInt(read(key));
        return value && *value >= 0 ? *value : fallback;
    };
    VoiceSettings voice;
    voice.speed = speed;
    voice.full_stop_pause_ms = read_ms("PAUSAPONTO", 250);
    voice.comma_pause_ms = read_ms("PAUSAVIRG", 150);
    voice.colon_pause_ms = read_ms("PAUSADOISPONTOS", 200);
    voice.voice_name = read("DIFONES").substr(0, MAX_VOICE_NAME);
    voice.joins.cut_samples = ParseConfigInt(read("CORTEFON")).value_or(DEFAULT_CUT_SAMPLES);
    voice.joins.floor_samples = ParseConfigInt(read("SOBRAFON")).value_or(0);
    voice.joins.word_gap_samples = ParseConfigInt(read("INTERPAL")).value_or(0);
    voice.compress = FlagOn(read("CORTAFALA"));
    voice.fast = FlagOn(read("RAPIDINHO"));
    m_voice = voice;
}

void Speech::StartEngine(ConfigFile& config)
{
    const std::string kind = UpperAsciiTrimmed(config.ReadConfig("SERVFALA", "TIPOSAPI"));
    // The log needs no voice and no "TRADUTOR"/"SAPI" switch: it is chosen
    // to check what the program says, whatever voice the user would hear.
    if (kind == "REGISTRO") {
        const std::string file = config.ReadConfig("SERVFALA", "ARQUIVOREGISTRO");
        const std::string key = "REGISTRO\n" + file;
        if (m_engine_active && key == m_engine_key)
            return;
        EndEngine();
        if (TryEngine(MakeLogSynthesizer(ToPath(file)), 0, 0, 0))
            m_engine_key = key;
        else
            ReportStartProblem(std::string(msg::MSG_SPEECH_LOG_UNWRITABLE) + file);
        return;
    }

    const bool wanted = FlagOn(config.ReadConfig("TRADUTOR", "SAPI"));
    // Without the built-in voice an engine speaks even when none was asked
    // for: a program that cannot speak is of no use to its users.
    if (!wanted && m_builtin_status == VOICE_STARTED) {
        EndEngine();
        return;
    }
    const int voice = ParseConfigInt(config.ReadConfig("SERVFALA", "VOZ")).value_or(0);
    const auto rate_set = ParseConfigInt(config.ReadConfig("SERVFALA", "VELOCIDADE"));
    const auto pitch_set = ParseConfigInt(config.ReadConfig("SERVFALA", "TOM"));
    int rate = rate_set.value_or(0);
    const int pitch = pitch_set.value_or(0);
    const int kind_number = ParseConfigInt(kind).value_or(0);
    if (rate > MAX_ENGINE_RATE && kind_number != SAPI4_KIND)
        rate = 0;
    const EspeakOptions options = ParseEspeakOptions(
        config.ReadConfig("SERVFALA", "PONTUACAO"), config.ReadConfig("SERVFALA", "MAIUSCULAS"));
    const bool dispatcher = kind == "SPEECHD";
    const bool orvan = kind_number == ORVAN_KIND;
    const std::string key = std::string(orvan    ? "ORVAN"
                                    : dispatcher ? "SPEECHD"
                                                 : "ESPEAK")
        + '\n' + std::to_string(voice) + '\n' + std::to_string(rate) + '\n' + std::to_string(pitch) + '\n'
        + std::to_string(static_cast<int>(options.punctuation))
        + std::to_string(static_cast<int>(options.capitals));
    if (m_engine_active && key == m_engine_key)
        return;
    EndEngine();
    if (orvan) {
        StartOrvan(config, key, voice, rate, pitch);
        return;
    }
    bool started = dispatcher
        && TryEngine(
            MakeDispatcherSynthesizer(rate_set.has_value(), pitch_set.has_value()), voice, rate, pitch);
    if (!started)
        started = TryEngine(MakeEspeakSynthesizer(*this, options), voice, rate, pitch);
    if (started)
        m_engine_key = key;
    else if (m_builtin_status != VOICE_STARTED)
        ReportStartProblem(msg::MSG_NO_VOICE);
}

void Speech::ReportStartProblem(std::string_view text)
{
    // Said once per problem, not at every restart (speed changes restart).
    if (text == m_reported_problem)
        return;
    m_reported_problem = std::string(text);
    m_screen.ConsoleWriteLine(text);
    Bell();
}

void Speech::StartOrvan(ConfigFile& config, const std::string& key, int voice, int rate, int pitch)
{
    auto orvan
        = std::make_unique<OrvanSynthesizer>(static_cast<SynthAudio&>(*this), ReadOrvanSettings(config));
    OrvanSynthesizer& engine = *orvan;
    if (engine.Start(voice, rate, pitch)) {
        auto fallback = MakeEspeakSynthesizer(*this);
        if (fallback->Start(voice, rate, pitch))
            engine.SetFallback(std::move(fallback));
        const std::vector<std::string> warnings = engine.Warnings();
        m_synth = std::move(orvan);
        m_engine_active = true;
        m_engine_key = key;
        for (const std::string& warning : warnings)
            WriteLineAndSpeak(warning);
        return;
    }
    // Without mbrola, its database or the voice's files the user still
    // hears every text, through espeak-ng, and is told once why.
    const std::string why
        = std::string(msg::MSG_ORVAN_UNAVAILABLE) + engine.Failure() + std::string(msg::MSG_ORVAN_FALLBACK);
    if (TryEngine(MakeEspeakSynthesizer(*this), voice, rate, pitch))
        m_engine_key = key;
    WriteLineAndSpeak(why);
}

bool Speech::TryEngine(std::unique_ptr<Synthesizer> engine, int voice, int rate, int pitch)
{
    if (!engine->Start(voice, rate, pitch))
        return false;
    m_synth = std::move(engine);
    m_engine_active = true;
    for (int step = 0; step < ENGINE_SETTLE_MAX_STEPS && m_synth->IsSpeaking(); ++step)
        std::this_thread::sleep_for(std::chrono::milliseconds(ENGINE_SETTLE_STEP_MS));
    return true;
}

void Speech::EndEngine()
{
    if (m_engine_active)
        WaitSpeech();
    m_synth->End();
    m_synth = std::make_unique<SilentSynthesizer>();
    m_engine_active = false;
    m_engine_key.clear();
}

void Speech::SetSynthesizer(std::unique_ptr<Synthesizer> synthesizer)
{
    m_start_pending = false;
    m_synth->End();
    m_engine_active = synthesizer != nullptr;
    m_engine_key.clear();
    m_synth = synthesizer ? std::move(synthesizer) : std::make_unique<SilentSynthesizer>();
}

void Speech::SpeechEnd()
{
    m_start_pending = false; // never started: nothing to end
    WaitSpeech();
    StopSpeech();
    ToneOff();
    EndEngine();
    m_word_synth.VoiceEnd();
    m_builtin_status = VOICE_FILES_MISSING;
}

void Speech::Speak(std::string_view text)
{
    EnsureStarted();
    m_abort = false;
    if (m_engine_active) {
        WaitSpeech();
        if (m_keyboard.KeyInterruptsSpeech())
            return;
        m_synth->Speak(text);
        return;
    }
    if (m_builtin_status == VOICE_STARTED)
        SpeakTextWalk(text,
            PunctuationPauses { m_voice.full_stop_pause_ms, m_voice.comma_pause_ms, m_voice.colon_pause_ms },
            *this);
}

void Speech::Spell(std::string_view text)
{
    EnsureStarted();
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
    EnsureStarted();
    if (m_synth->TakesSpelling()) {
        m_synth->SpeakCharacter(c);
        return;
    }
    const std::filesystem::path sound = ToPath(CharSoundsDir() + "_" + std::to_string(c) + ".wav");
    if (PlayWaveFile(sound) != WaveStatus::CannotOpen)
        return;
    if (m_engine_active) {
        WaitSpeech();
        m_synth->SpeakCharacter(c);
        while (m_synth->IsSpeaking() && !StopRequested())
            WaitMs(SPEECH_POLL_MS);
        (void)m_player.WaitDone();
        return;
    }
    (void)PlayWaveFile(ToPath(CharSoundsDir() + "_unknown.wav"));
}

void Speech::SpeakNumberWords(std::string_view words, bool feminine)
{
    PlayRecordedWords(NumberWordFiles(words, feminine));
}

void Speech::PlayRecordedWords(const std::vector<RecordedWord>& words)
{
    EnsureStarted();
    std::vector<std::uint8_t> joined;
    joined.reserve(WORDS_BUFFER_BYTES);
    std::string missing;
    auto play_joined = [&] {
        if (!joined.empty())
            (void)m_player.PlayPcm(SOUND_FORMAT, joined);
        joined.clear();
    };
    auto say_missing = [&] {
        if (!missing.empty())
            SynthesizeInstead(missing);
        missing.clear();
    };
    for (const RecordedWord& word : words) {
        if (StopRequested())
            return;
        const std::filesystem::path file = ToPath(CharSoundsDir() + word.file + ".wav");
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> image;
        if (in)
            image.assign(std::istreambuf_iterator<char>(in), {});
        WaveInfo info;
        if (!in || !ParseWave(image, info)) {
            // Neighbouring missing words are said in one go, as a phrase.
            if (m_engine_active) {
                play_joined();
                missing += (missing.empty() ? "" : " ") + word.text;
            }
            continue;
        }
        say_missing();
        const auto data = std::span<const std::uint8_t>(image).subspan(info.data_offset, info.data_bytes);
        if (!(info.format == SOUND_FORMAT) || data.size() > WORDS_BUFFER_BYTES) {
            play_joined();
            (void)m_player.PlayMemory(image);
            continue;
        }
        if (joined.size() + data.size() > WORDS_BUFFER_BYTES)
            play_joined();
        joined.insert(joined.end(), data.begin(), data.end());
    }
    play_joined();
    say_missing();
}

void Speech::SynthesizeInstead(std::string_view text)
{
    if (!m_engine_active || StopRequested())
        return;
    WaitSpeech();
    m_synth->Speak(text);
    (void)m_player.WaitDone();
    while (m_synth->IsSpeaking() && !StopRequested())
        WaitMs(SPEECH_POLL_MS);
}

void Speech::SpeakTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    SpeakTimeAt(local.tm_hour, local.tm_min);
}

void Speech::SpeakTimeAt(int hour, int minute)
{
    PlayRecordedWords(TimeWords(hour, minute));
}

void Speech::SpeakDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    SpeakDateOf(local.tm_wday, local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
}

void Speech::SpeakDateOf(int weekday, int day, int month, int year)
{
    PlayRecordedWords(DateWords(weekday, day, month, year));
}

void Speech::SpeakBattery()
{
    SpeakBatteryStatus(ReadPowerStatus("/sys/class/power_supply"));
}

void Speech::SpeakBatteryStatus(const PowerStatus& status)
{
    if (!status.has_battery)
        PlayNamed("_SEMBAT");
    else
        Speak(std::to_string(status.percent) + "%");
    if (!status.on_mains) {
        WaitSpeech();
        PlayNamed("_SEMENER");
    }
}

const std::string& Speech::LettersDir() const
{
    if (m_letters_dir.empty())
        m_letters_dir = WithTrailingSlash(DataDir("som/letras"));
    return m_letters_dir;
}

const std::string& Speech::CharSoundsDir() const
{
    return m_char_sounds_dir.empty() ? LettersDir() : m_char_sounds_dir;
}

std::filesystem::path Speech::SoundPath(std::string_view name) const
{
    const std::string& dir = !name.empty() && name.front() == '_' ? LettersDir() : m_sound_dir;
    return ToPath(dir + std::string(name) + ".wav");
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
    EnsureStarted();
    return m_player.PlayFile(path);
}

WaveStatus Speech::PlayWaveMemory(std::span<const std::uint8_t> image)
{
    EnsureStarted();
    return m_player.PlayMemory(image);
}

void Speech::PlayNamed(std::string_view name)
{
    if (PlaySound(name) == WaveStatus::CannotOpen)
        SynthesizeInstead(MessageText(name));
}

void Speech::SpeakWord(std::string_view word)
{
    EnsureStarted();
    m_word_synth.VoiceSpeakWord(word, *this);
}

bool Speech::PlayVoiceBuffer(std::span<const std::uint8_t> samples)
{
    EnsureStarted();
    WaitSpeech();
    if (StopRequested())
        return false;
    return m_player.PlayPcm(SOUND_FORMAT, samples) == WaveStatus::Played;
}

bool Speech::DeliverPcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples)
{
    if (StopRequested())
        return false;
    std::size_t queued = m_audio.QueuedBlocks();
    int still_ms = 0;
    while (queued >= ENGINE_QUEUE_BLOCKS) {
        if (StopRequested())
            return false;
        WaitMs(ENGINE_QUEUE_POLL_MS);
        const std::size_t now = m_audio.QueuedBlocks();
        still_ms = now == queued ? still_ms + ENGINE_QUEUE_POLL_MS : 0;
        queued = now;
        // A device that plays nothing any more must not hold the program.
        if (still_ms >= STUCK_DEVICE_MS) {
            StopSpeech();
            return false;
        }
    }
    return m_audio.Play(format, samples) != platform::AudioStatus::BadFormat;
}

bool Speech::QueuePcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples)
{
    return m_audio.Play(format, samples) != platform::AudioStatus::BadFormat;
}

std::size_t Speech::QueuedBlocks()
{
    return m_audio.QueuedBlocks();
}

void Speech::Tick()
{
    EnsureStarted();
    std::array<std::uint8_t, TICK_SAMPLES> samples {};
    samples.fill(128);
    std::copy(m_tick_noise.begin(), m_tick_noise.end(), samples.begin());
    (void)m_audio.Play(SOUND_FORMAT, samples);
    (void)m_player.WaitDone();
}

void Speech::Beep()
{
    m_keyboard.FlushKeys();
    Bell();
    (void)m_player.WaitDone();
}

void Speech::Bell()
{
    EnsureStarted();
    constexpr std::array<std::uint8_t, 8> WAVE_SHAPE = { 128, 112, 96, 80, 64, 80, 96, 112 };
    std::array<std::uint8_t, BEEP_SAMPLES> samples {};
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = WAVE_SHAPE[i % WAVE_SHAPE.size()];
    samples.back() = 128; // end on the centre line, without a click
    (void)m_audio.Play(SOUND_FORMAT, samples);
}

void Speech::ToneOn(int frequency_hz)
{
    EnsureStarted();
    if (frequency_hz <= 0) {
        ToneOff();
        return;
    }
    // One second of whole periods, low half then high half, closed by one
    // centre sample. Above half the sample rate a period would have no
    // samples: the highest playable tone is used instead.
    const int period = std::max(2, TONE_RATE_HZ / frequency_hz);
    std::vector<std::uint8_t> samples;
    samples.reserve(static_cast<std::size_t>(TONE_RATE_HZ) + 1);
    for (int start = 0; start + period <= TONE_RATE_HZ; start += period) {
        samples.insert(samples.end(), static_cast<std::size_t>(period / 2), TONE_LOW);
        samples.insert(samples.end(), static_cast<std::size_t>(period - period / 2), TONE_HIGH);
    }
    samples.push_back(128);
    m_tone_on = m_audio.PlayLoop(SOUND_FORMAT, samples) == platform::AudioStatus::Ok;
}

void Speech::ToneOff()
{
    if (!m_tone_on)
        return;
    m_audio.StopLoop();
    m_tone_on = false;
}

bool Speech::IsSpeaking()
{
    if (m_keyboard.KeyInterruptsSpeech()) {
        StopSpeech();
        return false;
    }
    return m_player.IsPlaying() || (m_engine_active && m_synth->IsSpeaking());
}

void Speech::WaitSpeech()
{
    while (IsSpeaking())
        WaitMs(SPEECH_POLL_MS);
}

void Speech::StopSpeech()
{
    // The engine first, so that none of its text reaches the output after
    // the output was emptied.
    if (m_synth->IsSpeaking())
        m_synth->Stop();
    m_player.Reset();
    m_abort = true;
}

bool Speech::StopRequested()
{
    if (!m_keyboard.KeyInterruptsSpeech())
        return false;
    StopSpeech();
    return true;
}

void Speech::WaitMs(int ms)
{
    if (m_keyboard.KeyInterruptsSpeech())
        return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    m_keyboard.Source().WaitForKey(ms);
    // Input that ended, or keys typed in advance, end the front end's wait
    // early without stopping speech: the time must still pass.
    if (!m_keyboard.KeyInterruptsSpeech())
        std::this_thread::sleep_until(until);
}

void Speech::PauseMs(int ms)
{
    for (int step = 0; step < ms / PAUSE_STEP_MS; ++step) {
        if (!m_keyboard.KeyInterruptsSpeech())
            WaitMs(PAUSE_STEP_MS);
    }
}

void Speech::WriteAndSpeak(std::string_view text)
{
    EnsureStarted();
    m_screen.ConsoleWrite(text);
    Speak(text);
    m_screen.RecordText(text);
}

void Speech::WriteLineAndSpeak(std::string_view text)
{
    EnsureStarted();
    m_screen.ConsoleWrite(text);
    Speak(text);
    m_screen.ConsoleWrite("\r\n");
    m_screen.RecordLine(text);
}

} // namespace palavrino::console
