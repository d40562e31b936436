// The console as the interpreter holds it: one object owning the settings
// file, the front end, the text screen, the keyboard, the speech layer and
// the line editor, wired together. The parts stay reachable for the
// commands that need them; this class adds only the wiring and the
// operations that span several parts.
#pragma once

#include "console/config.h"
#include "console/file_chooser.h"
#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/review.h"
#include "console/screen_model.h"
#include "console/screen_parts.h"
#include "console/speech.h"
#include "console/window_input.h"
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
    // The sound output speech plays on (silence when there is none).
    platform::AudioSink& Audio() { return *m_audio; }
    LineEditor& Editor() { return m_editor; }
    Clipboard& Board() { return m_clipboard; }
    ScreenReview& Review() { return m_review; }
    BrailleKeyboard& Braille() { return m_braille; }
    FileChooser& Chooser() { return m_chooser; }

    // Starts (or restarts) speech with the program's sound directory, and
    // sets up the magnified view the low-vision settings ask for.
    void StartSpeech(std::string_view sound_dir, int speed = 0);
    const std::string& SoundDir() const { return m_sound_dir; }

    // What the full-screen components (editor, lists, form) work with.
    ScreenParts Parts();

    // Runs screen review until the user leaves it with Escape.
    void RunScreenReview() { m_review.Run(); }

    // One key, spoken (see LineEditor::NextKeySpoken).
    Key NextKeySpoken() { return m_editor.NextKeySpoken(); }
    // The plain line reader, then the transcript; hidden typing (a
    // password) is neither shown nor recorded.
    LineRead ReadBufferLine(bool hidden);

    // Plays a square tone of the given frequency for ms milliseconds.
    void PlayTone(int frequency_hz, int ms);
    // Switches the braille keyboard (0 off, 1, 2) and announces the change
    // by tones.
    void SetBrailleMode(int mode);

    // Restores and raises, or hides, the console window.
    void ShowConsole() { m_screen.SetVisible(true); }
    void HideConsole() { m_screen.SetVisible(false); }

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
    Clipboard m_clipboard;
    ScreenReview m_review;
    BrailleKeyboard m_braille;
    WindowKeyInput m_window_input;
    FileChooser m_chooser;
    std::string m_sound_dir;
    bool m_closed { false };
};

} // namespace palavrino::console
