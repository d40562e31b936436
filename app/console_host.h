// The interpreter's HostIo over the real console: the screen model with its
// front end, the keyboard and line editor, the speech layer and the
// settings file, plus the process's interrupt flag (Ctrl+C).
#pragma once

#include "console/console.h"
#include "interp/host_io.h"

#include <chrono>

namespace palavrino::app {

class ConsoleHost final : public interp::HostIo {
public:
    explicit ConsoleHost(console::Console& console)
        : m_console(console)
    {
    }

    void Write(std::string_view text) override;
    void NewLine() override;
    void Speak(std::string_view text) override;
    void WriteAndSpeak(std::string_view text) override;
    void WriteLineAndSpeak(std::string_view text) override;
    void Spell(std::string_view text) override;
    void StopSpeech() override;
    void WaitSpeechOrKey() override;
    void Beep() override;
    void Tick() override;
    void WaitSpeech() override;
    bool SoundExists(const std::string& path) override;
    void PlaySound(const std::string& path) override;
    LineRead ReadLine(int max_length) override;
    LineRead EditLine(const std::string& text, int max_length) override;
    int ReadKey() override;
    bool KeyPressed() override;
    void FlushKeys() override { m_console.Keys().FlushKeys(); }
    bool TakeInterrupt() override;
    void ClearWindow() override;
    void SetTitle(std::string_view title) override;
    void SetTextColor(int colour) override;
    void ClearRows(int first, int last) override;
    void PauseMs(int ms) override;
    std::string ReadConfig(std::string_view section, std::string_view key) override;
    void SetBackColor(int colour) override;
    void MoveCursor(int x, int y) override;
    int CursorColumn() override;
    int CursorRow() override;
    void ClearToLineEnd() override;
    int ScreenChar(int x, int y) override;
    int ScreenAttr(int x, int y) override;
    void SetConsoleVisible(bool shown) override;
    int ReadKeySpoken() override;
    LineRead ReadPlainLine(bool hidden) override;
    LineRead EditLineToEdge(const std::string& text, int max_length) override;
    void RecordLine(std::string_view text) override;
    void RestartSpeech(std::string_view sound_dir) override;
    void PlayNamedSound(std::string_view name) override;
    bool ShowPicture(std::string_view bmp, int x, int y) override;
    void RemovePicture() override;
    bool ShowsPictures() override;
    bool ToggleScreenRecording() override;
    LineRead AskFileName(int rows, std::string_view default_pattern, std::string_view start_dir) override;
    bool InputEnded() override;
    int ChooseFromList(const std::vector<std::string>& items, int background) override;
    void EditText(std::vector<std::string>& lines, int rows) override;
    std::optional<console::ScreenParts> Screens() override { return m_console.Parts(); }
    platform::AudioSink* SoundOutput() override { return &m_console.Audio(); }
    bool ClipboardPut(std::string_view text) override { return m_console.Board().PutBytes(text); }
    std::string ClipboardGet(std::size_t capacity) override { return m_console.Board().GetText(capacity); }

private:
    // Standard output stopped taking what is written: the run ends with a
    // run-time error, and no reader waits for an answer nobody can see.
    bool OutputLost() const { return m_console.Frontend().OutputFailed(); }
    // Reads what the terminal sent now and then while a script runs without
    // reading keys, so the break key (Ctrl+F12) is seen.
    void LookForBreakKey();

    console::Console& m_console;
    unsigned m_lines_since_look { 0 };
    std::chrono::steady_clock::time_point m_last_look {};
};

} // namespace palavrino::app
