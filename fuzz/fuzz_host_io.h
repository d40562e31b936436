// The console a fuzzed script runs against: output is counted and dropped,
// every read meets the end of input (Escape), and the user's interrupt
// arrives once the script has run its budget of lines, so that an endless
// loop or recursion ends like one the user stopped. The script cannot see
// the budget: the interrupt is polled before every line anyway.
#pragma once

#include "interp/host_io.h"

#include <string>

namespace palavrino::fuzz {

class FuzzHostIo final : public interp::HostIo {
public:
    explicit FuzzHostIo(int line_budget)
        : m_budget(line_budget)
    {
    }

    void Write(std::string_view text) override { written += text.size(); }
    void NewLine() override { ++written; }
    void Speak(std::string_view) override { }
    void WriteAndSpeak(std::string_view text) override { Write(text); }
    void WriteLineAndSpeak(std::string_view text) override
    {
        Write(text);
        NewLine();
    }
    void Spell(std::string_view) override { }
    void StopSpeech() override { }
    void WaitSpeechOrKey() override { }
    void Beep() override { }
    void Tick() override { }
    void WaitSpeech() override { }
    bool SoundExists(const std::string&) override { return false; }
    void PlaySound(const std::string&) override { }
    LineRead ReadLine(int) override { return { {}, interp::KEY_ESCAPE }; }
    LineRead EditLine(const std::string&, int) override { return { {}, interp::KEY_ESCAPE }; }
    int ReadKey() override { return interp::KEY_ESCAPE; }
    bool KeyPressed() override { return false; }
    bool TakeInterrupt() override { return --m_budget < 0; }
    void ClearWindow() override { }
    void SetTitle(std::string_view) override { }
    void SetTextColor(int) override { }
    void ClearRows(int, int) override { }
    void PauseMs(int) override { }
    std::string ReadConfig(std::string_view, std::string_view) override { return {}; }
    void SetBackColor(int) override { }
    void MoveCursor(int x, int y) override
    {
        m_x = x < 1 ? 1 : (x > 80 ? 80 : x);
        m_y = y < 1 ? 1 : (y > 25 ? 25 : y);
    }
    int CursorColumn() override { return m_x; }
    int CursorRow() override { return m_y; }
    void ClearToLineEnd() override { }
    int ScreenChar(int, int) override { return ' '; }
    int ScreenAttr(int, int) override { return 0x0F; }
    void SetConsoleVisible(bool) override { }
    int ReadKeySpoken() override { return interp::KEY_ESCAPE; }
    LineRead ReadPlainLine(bool) override { return { {}, interp::KEY_ESCAPE }; }
    LineRead EditLineToEdge(const std::string&, int) override { return { {}, interp::KEY_ESCAPE }; }
    void RecordLine(std::string_view) override { }
    void RestartSpeech(std::string_view) override { }
    void PlayNamedSound(std::string_view) override { }
    bool ToggleScreenRecording() override { return false; }
    LineRead AskFileName(int, std::string_view, std::string_view) override
    {
        return { {}, interp::KEY_ESCAPE };
    }
    bool InputEnded() override { return true; }
    int ChooseFromList(const std::vector<std::string>&, int) override { return 0; }
    void EditText(std::vector<std::string>&, int) override { }
    bool ClipboardPut(std::string_view text) override
    {
        m_clipboard.assign(text.substr(0, text.find('\0')));
        return true;
    }
    std::string ClipboardGet(std::size_t capacity) override
    {
        return capacity == 0 ? std::string() : m_clipboard.substr(0, capacity - 1);
    }

    size_t written { 0 };

private:
    int m_budget;
    int m_x { 1 };
    int m_y { 1 };
    std::string m_clipboard;
};

} // namespace palavrino::fuzz
