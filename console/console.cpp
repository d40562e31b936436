// Wiring of the console's parts.
#include "console/console.h"

#include "messages/console.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace palavrino::console {

namespace {

    std::unique_ptr<platform::AudioSink> OrSilence(std::unique_ptr<platform::AudioSink> audio)
    {
        return audio ? std::move(audio) : std::make_unique<platform::NullAudioSink>();
    }

} // namespace

Console::Console(std::unique_ptr<platform::Terminal> terminal, ConfigFile config,
    std::unique_ptr<platform::AudioSink> audio)
    : m_config(std::move(config))
    , m_terminal(std::move(terminal))
    , m_audio(OrSilence(std::move(audio)))
    , m_screen(ReadScreenSettings(m_config))
    , m_keyboard(*m_terminal)
    , m_speech(m_screen, m_keyboard, *m_audio)
    , m_editor(m_screen, m_keyboard, m_speech)
    , m_review(m_screen, m_keyboard, m_speech, m_clipboard)
    , m_window_input(m_braille, [this](int mode) { SetBrailleMode(mode); })
    , m_chooser(m_screen, m_keyboard, m_speech)
{
    m_screen.SetListener(m_terminal.get());
    m_screen.SetBellSound([this] { m_speech.Bell(); });
    EditorServices services;
    services.clipboard = &m_clipboard;
    services.screen_review = [this] { m_review.Run(); };
    services.change_speed = [this](int speed) { m_speech.SpeechInit(m_config, m_sound_dir, speed); };
    services.speak_time = [this] { m_speech.SpeakTime(); };
    services.speak_date = [this] { m_speech.SpeakDate(); };
    services.speak_battery = [this] { m_speech.SpeakBattery(); };
    services.read_config = [this](std::string_view section, std::string_view key) {
        return m_config.ReadConfig(section, key);
    };
    services.start_program = [](const std::string& program, const std::string& parameter) {
        std::error_code error;
        const auto dir = std::filesystem::current_path(error);
        return platform::StartProgram(program, parameter, error ? std::string(".") : dir.string());
    };
    m_editor.SetServices(std::move(services));
    m_terminal->SetWindowInput(&m_window_input);
    // Chords need key releases, which only a window front end reports.
    if (m_terminal->DeliversKeyReleases())
        SetBrailleMode(m_screen.Settings().braille_mode);
}

ScreenParts Console::Parts()
{
    // A file to read into the editor may be picked from the list of the
    // current directory, opened at the cursor's row.
    auto choose_file = [this]() -> std::optional<std::string> {
        constexpr int LIST_ROWS = 20;
        const int top = m_screen.CursorRow();
        std::string chosen = m_chooser.ChooseFile(
            ChooserBox { 1, top, SCREEN_COLUMNS, top + LIST_ROWS - 1 }, SortOrder::Name, ATTR_ARCHIVE, "*.*");
        if (chosen.empty() || chosen == FileChooser::TAB_RESULT)
            return std::nullopt;
        return chosen;
    };
    return ScreenParts { m_screen, m_keyboard, m_speech, m_editor, &m_clipboard, [this] { m_review.Run(); },
        {}, std::move(choose_file) };
}

Console::~Console()
{
    Close();
    m_terminal->SetWindowInput(nullptr);
    m_screen.SetListener(nullptr);
}

void Console::StartSpeech(std::string_view sound_dir, int speed)
{
    m_screen.SetMagnifier(ReadMagnifierSettings(m_config));
    m_sound_dir.assign(sound_dir);
    m_speech.SpeechInit(m_config, sound_dir, speed);
    m_closed = false;
}

LineRead Console::ReadBufferLine(bool hidden)
{
    LineRead line = m_editor.ReadBufferLine(LineEditor::MAX_LINE_LENGTH + 2, hidden);
    if (!hidden)
        m_screen.RecordLine(line.text);
    return line;
}

void Console::PlayTone(int frequency_hz, int ms)
{
    m_speech.EnsureStarted();
    constexpr std::size_t HEADER_BYTES = 44;
    constexpr int RATE_HZ = 11025;
    const std::vector<std::uint8_t> wave = BuildToneWave(frequency_hz);
    const std::size_t one_second = wave.size() - HEADER_BYTES;
    const auto wanted = static_cast<std::size_t>(std::max(ms, 0)) * RATE_HZ / 1000;
    std::vector<std::uint8_t> samples;
    samples.reserve(wanted);
    // The one-second wave loops for as long as the tone lasts.
    while (samples.size() < wanted) {
        const std::size_t take = std::min(one_second, wanted - samples.size());
        samples.insert(samples.end(), wave.begin() + HEADER_BYTES,
            wave.begin() + static_cast<std::ptrdiff_t>(HEADER_BYTES + take));
    }
    if (samples.empty())
        return;
    if (m_audio->Play(platform::PcmFormat { RATE_HZ, 8, 1 }, samples) == platform::AudioStatus::Ok)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    m_audio->Stop();
}

void Console::SetBrailleMode(int mode)
{
    constexpr int TONE_MS = 200;
    if (mode > 2)
        mode = 1;
    if (mode <= 0) {
        if (m_braille.Mode() != 0)
            PlayTone(100, TONE_MS);
    } else {
        PlayTone(800, TONE_MS);
        PlayTone(mode == 1 ? 1600 : 400, TONE_MS);
    }
    m_braille.SetMode(mode);
}

LineRead Console::ReadLineAndRecord()
{
    LineRead line = m_editor.ReadLine();
    m_screen.RecordLine(line.text);
    return line;
}

void Console::Close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_screen.SetTitle(msg::MSG_TITLE_PROGRAM_ENDED);
    m_speech.SpeechEnd();
}

} // namespace palavrino::console
