// An in-memory console for tests: what is written is collected as text,
// what is spoken as lines, and keys and lines come from a script given up
// front. Running out of scripted input reads as Escape, like the stream
// front end at end of input, so no test can hang waiting for a key.
#pragma once

#include "interp/host_io.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace palavrino::testing {

class MemoryHostIo final : public interp::HostIo {
public:
    std::string written; // everything written, "\n" for line breaks
    std::vector<std::string> spoken; // one entry per Speak
    std::deque<std::string> input_lines;
    std::deque<int> keys;
    std::map<std::string, std::string> config; // "SECTION/KEY" -> value
    int beeps { 0 };
    int ticks { 0 };
    int stops { 0 };
    int interrupts { 0 }; // TakeInterrupt answers true this many times
    int polls { 0 }; // TakeInterrupt's calls
    int interrupt_at_poll { -1 }; // the call that answers true (from 1), if any
    int colour { 15 };
    int back_colour { 0 };
    int cursor_x { 1 };
    int cursor_y { 1 };
    bool visible { true };
    std::vector<std::string> recorded; // transcript lines
    std::vector<std::string> sounds; // named sounds played
    std::vector<std::string> speech_restarts;
    std::string title;
    bool recording { false };
    // Answers of the pop-up list (0: none), one per list shown; the items
    // each list offered.
    std::deque<int> list_choices;
    std::vector<std::vector<std::string>> lists_shown;
    // Lines read with EditLineToEdge, each with the key that ended it,
    // taken before input_lines.
    std::deque<LineRead> edits;
    std::vector<std::string> offered; // the text each EditLineToEdge offered
    int recording_toggles { 0 };
    // What each opening of the text editor leaves in the lines.
    std::deque<std::vector<std::string>> edited_texts;
    platform::AudioSink* sound_output { nullptr }; // what SoundOutput gives
    std::string clipboard;
    bool clipboard_works { true }; // false: the desktop refuses the text

    void Write(std::string_view text) override { written += text; }
    void NewLine() override { written += '\n'; }
    void Speak(std::string_view text) override { spoken.emplace_back(text); }
    void WriteAndSpeak(std::string_view text) override
    {
        Write(text);
        Speak(text);
    }
    void WriteLineAndSpeak(std::string_view text) override
    {
        WriteAndSpeak(text);
        NewLine();
    }
    void Spell(std::string_view text) override { spoken.push_back("<soletra>" + std::string(text)); }
    void StopSpeech() override { ++stops; }
    void WaitSpeechOrKey() override { }
    void Beep() override { ++beeps; }
    void Tick() override { ++ticks; }
    void WaitSpeech() override { }
    bool SoundExists(const std::string&) override { return false; }
    void PlaySound(const std::string&) override { }
    LineRead ReadLine(int max_length) override
    {
        LineRead r;
        if (input_lines.empty()) {
            r.key = interp::KEY_ESCAPE;
        } else {
            r.text = input_lines.front().substr(0, static_cast<size_t>(max_length));
            input_lines.pop_front();
        }
        written += '\n';
        return r;
    }
    LineRead EditLine(const std::string& text, int max_length) override
    {
        LineRead r = ReadLine(max_length);
        if (r.key == interp::KEY_ESCAPE)
            r.text = text;
        return r;
    }
    int ReadKey() override
    {
        if (keys.empty())
            return interp::KEY_ESCAPE;
        int k = keys.front();
        keys.pop_front();
        return k;
    }
    bool KeyPressed() override { return !keys.empty(); }
    bool TakeInterrupt() override
    {
        if (++polls == interrupt_at_poll)
            return true;
        if (interrupts <= 0)
            return false;
        --interrupts;
        return true;
    }
    void ClearWindow() override { }
    void SetTitle(std::string_view t) override { title = t; }
    void SetTextColor(int c) override { colour = c; }
    void ClearRows(int, int) override { }
    void PauseMs(int) override { }
    std::string ReadConfig(std::string_view section, std::string_view key) override
    {
        auto it = config.find(std::string(section) + "/" + std::string(key));
        return it == config.end() ? std::string() : it->second;
    }
    void SetBackColor(int c) override { back_colour = c; }
    void MoveCursor(int x, int y) override
    {
        cursor_x = x < 1 ? 1 : (x > 80 ? 80 : x);
        cursor_y = y < 1 ? 1 : (y > 25 ? 25 : y);
    }
    int CursorColumn() override { return cursor_x; }
    int CursorRow() override { return cursor_y; }
    void ClearToLineEnd() override { }
    int ScreenChar(int x, int y) override { return x < 1 || x > 80 || y < 1 || y > 25 ? ' ' : ' '; }
    int ScreenAttr(int x, int y) override { return x < 1 || x > 80 || y < 1 || y > 25 ? 0 : 0x0F; }
    void SetConsoleVisible(bool shown) override { visible = shown; }
    int ReadKeySpoken() override
    {
        int k = ReadKey();
        if (k != 0)
            spoken.push_back("<tecla>" + std::string(1, static_cast<char>(k)));
        return k;
    }
    // The plain reader over the scripted keys: Backspace takes back a
    // character, Enter ends, Escape (or running out) abandons; what is typed
    // is echoed unless hidden.
    LineRead ReadPlainLine(bool hidden) override
    {
        LineRead r;
        for (;;) {
            int k = ReadKey();
            if (k == 0) {
                ReadKey();
                continue;
            }
            if (k == interp::KEY_ENTER)
                break;
            if (k == interp::KEY_ESCAPE) {
                r.text.clear();
                r.key = k;
                break;
            }
            if (k == 8) {
                if (!r.text.empty())
                    r.text.pop_back();
                if (!hidden && !written.empty())
                    written.pop_back();
                continue;
            }
            if (k < 32 || r.text.size() >= 255)
                continue;
            r.text += static_cast<char>(k);
            if (!hidden)
                written += static_cast<char>(k);
        }
        written += '\n';
        if (!hidden)
            recorded.push_back(r.text);
        return r;
    }
    LineRead EditLineToEdge(const std::string& text, int max_length) override
    {
        offered.push_back(text);
        if (!edits.empty()) {
            LineRead r = edits.front();
            edits.pop_front();
            return r;
        }
        return EditLine(text, max_length);
    }
    void RecordLine(std::string_view text) override { recorded.emplace_back(text); }
    void RestartSpeech(std::string_view dir) override { speech_restarts.emplace_back(dir); }
    void PlayNamedSound(std::string_view name) override { sounds.emplace_back(name); }

    // Pictures: the BMP bytes IMAGEM handed over and where; `accept_picture`
    // stands for the console's reader (unset: anything is drawn).
    std::function<bool(std::string_view)> accept_picture;
    std::string picture;
    int picture_x { 0 };
    int picture_y { 0 };
    int pictures_removed { 0 };
    bool shows_pictures { false };
    bool ShowPicture(std::string_view bmp, int x, int y) override
    {
        if (accept_picture && !accept_picture(bmp))
            return false;
        picture.assign(bmp);
        picture_x = x;
        picture_y = y;
        return true;
    }
    void RemovePicture() override
    {
        picture.clear();
        ++pictures_removed;
    }
    bool ShowsPictures() override { return shows_pictures; }
    bool ToggleScreenRecording() override
    {
        ++recording_toggles;
        recording = !recording;
        return recording;
    }
    LineRead AskFileName(int, std::string_view, std::string_view) override { return ReadLine(255); }
    bool InputEnded() override { return keys.empty() && input_lines.empty() && edits.empty(); }
    int ChooseFromList(const std::vector<std::string>& items, int) override
    {
        lists_shown.push_back(items);
        if (list_choices.empty())
            return 0;
        const int chosen = list_choices.front();
        list_choices.pop_front();
        return chosen;
    }
    void EditText(std::vector<std::string>& lines, int) override
    {
        if (edited_texts.empty())
            return;
        lines = edited_texts.front();
        edited_texts.pop_front();
    }
    platform::AudioSink* SoundOutput() override { return sound_output; }
    bool ClipboardPut(std::string_view text) override
    {
        clipboard.assign(text.substr(0, text.find('\0')));
        return clipboard_works;
    }
    std::string ClipboardGet(std::size_t capacity) override
    {
        return capacity == 0 ? std::string() : clipboard.substr(0, capacity - 1);
    }
};

} // namespace palavrino::testing
