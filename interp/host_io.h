// What the interpreter needs from the console and the speech layer, as one
// small interface. The program's front end implements it over the real
// console (screen model, terminal or stream, synthesizers); tests implement
// it over memory. Text is Windows-1252 throughout.
#pragma once

#include "console/screen_parts.h"
#include "platform/audio_sink.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::interp {

// Keys as the keyboard layer delivers them: a byte, or 0 followed by an
// extended code. These are the ones the interpreter itself looks at.
constexpr int KEY_ENTER = 13;
constexpr int KEY_ESCAPE = 27;

class HostIo {
public:
    virtual ~HostIo() = default;

    // Writing never speaks by itself.
    virtual void Write(std::string_view text) = 0;
    virtual void NewLine() = 0;
    virtual void Speak(std::string_view text) = 0;
    // Both also copy the text to the screen transcript when it is on.
    virtual void WriteAndSpeak(std::string_view text) = 0;
    virtual void WriteLineAndSpeak(std::string_view text) = 0;
    // Spells the text character by character.
    virtual void Spell(std::string_view text) = 0;
    virtual void StopSpeech() = 0;
    // Waits while speech goes on; a key press ends the wait and the speech
    // (the key stays in the buffer).
    virtual void WaitSpeechOrKey() = 0;
    virtual void Beep() = 0;
    virtual void Tick() = 0;
    // Waits until buffered speech has been said.
    virtual void WaitSpeech() = 0;
    // A recorded message file: when it exists it is played instead of
    // speaking the text.
    virtual bool SoundExists(const std::string& path) = 0;
    virtual void PlaySound(const std::string& path) = 0;

    struct LineRead {
        std::string text;
        int key { KEY_ENTER }; // the key that ended the line
        int extended { 0 }; // its extended code when key is 0
    };
    // Reads a line with the line editor at the cursor (Escape gives an
    // empty text), then writes a line break.
    virtual LineRead ReadLine(int max_length) = 0;
    // Shows `text` in the line editor so the user can go over it.
    virtual LineRead EditLine(const std::string& text, int max_length) = 0;
    virtual int ReadKey() = 0;
    virtual bool KeyPressed() = 0;
    // Discards the keys typed ahead. Input that never ends (the end of a
    // piped input reads as Escape for ever) must not hold it: at most a
    // buffer's worth goes.
    virtual void FlushKeys()
    {
        for (int i = 0; i < 256 && KeyPressed(); ++i)
            ReadKey();
    }
    // True once per user interrupt (Ctrl+F12, or Ctrl+C).
    virtual bool TakeInterrupt() = 0;

    virtual void ClearWindow() = 0;
    virtual void SetTitle(std::string_view title) = 0;
    virtual void SetTextColor(int colour) = 0;
    // Clears screen rows first..last (1-based) and puts the cursor at the
    // start of `first`.
    virtual void ClearRows(int first, int last) = 0;
    virtual void PauseMs(int ms) = 0;

    // A key of "Talira.ini"; empty when absent.
    virtual std::string ReadConfig(std::string_view section, std::string_view key) = 0;

    // ---- The screen (1-based coordinates, relative to the text window) ----
    virtual void SetBackColor(int colour) = 0;
    // Clamped to the text window.
    virtual void MoveCursor(int x, int y) = 0;
    virtual int CursorColumn() = 0;
    virtual int CursorRow() = 0;
    // Blanks from the cursor to the window's right edge; the cursor stays.
    virtual void ClearToLineEnd() = 0;
    // The character byte and the attribute byte of a cell; a cell outside
    // the screen reads as a blank with attribute 0.
    virtual int ScreenChar(int x, int y) = 0;
    virtual int ScreenAttr(int x, int y) = 0;
    // Restores and raises (true) or hides (false) the console window.
    virtual void SetConsoleVisible(bool shown) = 0;

    // ---- Keys and lines ----
    // One key, spoken: speech in progress is finished first, then the key's
    // sound plays. An extended key gives 0; its code comes from ReadKey.
    virtual int ReadKeySpoken() = 0;
    // The plain line reader, without editing keys or speech. With hidden
    // set nothing typed is shown, spoken or recorded (a password). Escape
    // gives an empty text.
    virtual LineRead ReadPlainLine(bool hidden) = 0;
    // The line editor at the cursor, offering `text`, the field reaching to
    // the window's edge; Escape gives the key KEY_ESCAPE. A line break follows.
    virtual LineRead EditLineToEdge(const std::string& text, int max_length) = 0;
    // Appends a line to the screen transcript while one is recorded.
    virtual void RecordLine(std::string_view text) = 0;
    // Starts or stops the screen transcript; true when it is now on.
    virtual bool ToggleScreenRecording() = 0;
    // The file-name prompt at the cursor: a typed line where Up or Down
    // opens a list of the files matching default_pattern (in start_dir
    // when nothing was typed), rows high. Escape gives KEY_ESCAPE.
    virtual LineRead AskFileName(int rows, std::string_view default_pattern, std::string_view start_dir) = 0;
    // Prepared input has run out: every key read from now on is Escape,
    // so a loop that asks again would never end.
    virtual bool InputEnded() = 0;
    // A pop-up list of items at the cursor, width 80, on the background
    // colour; the 1-based number of the item chosen, 0 for none.
    virtual int ChooseFromList(const std::vector<std::string>& items, int background) = 0;
    // The paragraph editor on lines, in a frame 80 columns wide and rows
    // high from the cursor's row.
    virtual void EditText(std::vector<std::string>& lines, int rows) = 0;

    // ---- Speech ----
    // Restarts the speech layer at the configured speed with this
    // directory for the program's own sounds.
    virtual void RestartSpeech(std::string_view sound_dir) = 0;
    // A recorded sound by name: a name beginning with "_" from the letters
    // directory, any other from the sound directory (".wav" is added).
    virtual void PlayNamedSound(std::string_view name) = 0;

    // ---- Pictures (the console window) ----
    // Shows a picture, given as the bytes of a BMP file, over the screen,
    // its top-left corner at pixel (x, y) of the text area. False when it
    // is not a picture the console can draw; the picture shown before stays
    // then. A host without a console screen has no pictures to show.
    virtual bool ShowPicture(std::string_view /*bmp*/, int /*x*/, int /*y*/) { return false; }
    virtual void RemovePicture() { }
    // Whether the user can see pictures at all (only in the window).
    virtual bool ShowsPictures() { return false; }
    // ---- Full-screen components ----
    // What the paragraph editor, the list menus and the form draw on and
    // read from; nothing where there is no console (memory, the fuzzer).
    virtual std::optional<console::ScreenParts> Screens() { return std::nullopt; }
    // ---- Sound ----
    // The output speech plays on, which music shares or sits beside; null
    // when there is none (the sound commands then play into silence).
    virtual platform::AudioSink* SoundOutput() { return nullptr; }
    // ---- The clipboard (shared with the line editor and the desktop) ----
    // False when the desktop refused the text; the program keeps it anyway.
    virtual bool ClipboardPut(std::string_view text) = 0;
    // At most capacity - 1 characters.
    virtual std::string ClipboardGet(std::size_t capacity) = 0;
};

} // namespace palavrino::interp
