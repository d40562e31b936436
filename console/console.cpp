// Wiring of the console's parts.
#include "console/console.h"

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
{
    m_screen.SetListener(m_terminal.get());
}

Console::~Console()
{
    Close();
    m_screen.SetListener(nullptr);
}

void Console::StartSpeech(std::string_view sound_dir, int speed)
{
    m_speech.SpeechInit(m_config, sound_dir, speed);
    m_closed = false;
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
    m_speech.SpeechEnd();
}

} // namespace palavrino::console
