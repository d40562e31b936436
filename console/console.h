// The console as the interpreter holds it: one object owning the settings
// file, the front end, the text screen, the keyboard, the speech layer and
// the line editor, wired together. The parts stay reachable for the
// commands that need them; this class adds only the wiring and the
// operations that span several parts.
#pragma once

#include "console/config.h"
#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "platform/audio_sink.h"
#include "platform/terminal.h"

#include <memory>
#include <string>
#include <string_view>

namespace palavrino::console {

class Console {
public:
    // audio may be null: sounds then go nowhere.
    Console(std::unique_ptr<platform::Terminal> terminal, ConfigFile config,
        std::unique_ptr<platform::AudioSink> audio = nullptr);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    ConfigFile& Config() { return m_config; }
    platform::Terminal& Frontend() { return *m_terminal; }
    ScreenModel& Screen() { return m_screen; }
    Keyboard& Keys() { return m_keyboard; }
    Speech& Voice() { return m_speech; }
    LineEditor& Editor() { return m_editor; }

    // Starts (or restarts) speech with the program's sound directory.
    void StartSpeech(std::string_view sound_dir, int speed = 0);

    void Write(std::string_view text) { m_screen.ConsoleWrite(text); }
    void WriteLine(std::string_view text) { m_screen.ConsoleWriteLine(text); }
    void WriteAndSpeak(std::string_view text) { m_speech.WriteAndSpeak(text); }
    void WriteLineAndSpeak(std::string_view text) { m_speech.WriteLineAndSpeak(text); }
    LineRead ReadLine() { return m_editor.ReadLine(); }
    // ReadLine, with the line copied to the screen transcript.
    LineRead ReadLineAndRecord();

    // Waits for speech to end and shuts the engine down; the console stays
    // usable for writing.
    void Close();

private:
    ConfigFile m_config;
    std::unique_ptr<platform::Terminal> m_terminal;
    std::unique_ptr<platform::AudioSink> m_audio;
    ScreenModel m_screen;
    Keyboard m_keyboard;
    Speech m_speech;
    LineEditor m_editor;
    bool m_closed { false };
};

} // namespace palavrino::console
