// The speaking one-line editor through which every typed line is entered: a
// field of the screen where the user types, moves, selects, deletes, copies
// and pastes, and asks for the text, the time or the date to be read aloud.
// It ends on Enter, Escape or a key the caller handles (function keys, arrows
// up and down...); the caller gets the edited text and the key that ended it.
// The plain line reader used for quiet and hidden input lives here too.
//
// What the editor says about typing and moving (the echo of each key) is
// spoken only when the keys come from a person (a live front end); prepared
// input is not spoken back. Requests to read (F1, Ctrl+F1, Ctrl+K...) always
// speak. Services the editor reaches beyond the screen, keyboard and speech
// (clipboard, screen review, starting programs...) come in EditorServices.
#pragma once

#include "console/keyboard.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace palavrino::console {

class Clipboard;
class ScreenModel;
class Speech;

// Where an edit starts: the 1-based position of the cursor, and whether the
// text is an offered value that the first typed character replaces (as in a
// form) or text being worked on (as in a document).
struct EditStart {
    int position { 1 };
    bool offered { true };
};

struct LineRead {
    std::string text;
    Key end_key;
};

// Everything the editor may call on outside the field. Each member may be
// left empty: the key then does nothing more than its sound.
struct EditorServices {
    Clipboard* clipboard { nullptr };
    std::function<void()> screen_review;
    // Restarts speech at a speed level 1-5 (other values: the default).
    std::function<void(int speed)> change_speed;
    std::function<void()> speak_time;
    std::function<void()> speak_date;
    std::function<void()> speak_battery;
    // A key of the settings file ("TALIRA"/"PROG.HTM" ...).
    std::function<std::string(std::string_view section, std::string_view key)> read_config;
    // Starts a program on a word (see platform::StartProgram); false when
    // nothing could be started.
    std::function<bool(const std::string& program, const std::string& parameter)> start_program;
    // Waits; a key press may cut the wait short.
    std::function<void(int ms)> pause_ms;
};

// What F12 opens for a word of the field: the program (empty: whatever the
// desktop opens the word with) and its parameter (empty: none).
struct OpenRequest {
    std::string program;
    std::string parameter;
    bool operator==(const OpenRequest&) const = default;
};

// The word under the 1-based position p of text with its surrounding
// brackets and marks stripped, and how to open it. Nothing when there is no
// word there. read_config answers keys of the settings file.
std::optional<OpenRequest> ResolveWordToOpen(std::string_view text, int p,
    const std::function<std::string(std::string_view, std::string_view)>& read_config,
    const std::string& current_dir);

class LineEditor {
public:
    // A field never holds more; longer texts handed in are cut.
    static constexpr int MAX_FIELD_LENGTH = 2048;
    // What one typed line of the console may hold.
    static constexpr int MAX_LINE_LENGTH = 255;

    LineEditor(ScreenModel& screen, Keyboard& keyboard, Speech& speech);

    void SetServices(EditorServices services) { m_services = std::move(services); }

    // Edits text in a field at window position (x, y), 1-based, showing
    // width characters of at most max_length. With editable false the text
    // can be read and moved over but not changed. Trailing blanks are
    // stripped from the result. Returns the key that ended the edit.
    Key EditLine(
        std::string& text, int x, int y, bool editable, int width, int max_length, EditStart start = {});

    // The same with the field reaching to the window's right edge.
    Key EditLineToEdge(std::string& text, int x, int y, bool editable, int max_length);

    // Reads a line at the cursor. Escape blanks what was typed and gives an
    // empty text. A line break follows in every case.
    LineRead ReadLine();

    // The plain line reader: no editing keys and no speech. Backspace takes
    // back the last character; characters are kept while fewer than
    // size - 2 are held; Enter ends the line and a line break is written.
    // Escape (and the end of prepared input) abandons the line: the text is
    // empty and the key Escape. With hidden set nothing typed reaches the
    // screen: each character shows as an invisible blank.
    LineRead ReadBufferLine(int size, bool hidden);

    // One key, spoken: what was being said is finished first, then the key
    // is read, speech stopped and the key's sound played.
    Key NextKeySpoken();

    // Where the cursor was (1-based field position) when the last edit ended.
    int LastEditColumn() const { return m_last_edit_column; }
    bool SpeakEachCharacter() const { return m_speak_each_char; }
    void SetSpeakEachCharacter(bool on) { m_speak_each_char = on; }

private:
    struct Field;
    void Draw(const Field& field);
    bool OrdinaryKeyPressed(Field& field, const Key& key);
    bool ExtendedKeyPressed(Field& field, const Key& key, bool review_key);
    // Removes the character at the position; `with_sound` plays the
    // deletion sound first.
    void DeleteAt(Field& field, bool with_sound);
    bool EchoesKeys();
    void FirstKeyRule(Field& field, bool printable);
    void Insert(Field& field, std::uint8_t c);
    void SpeakNextItem(Field& field);
    void PreviousWord(Field& field);
    void NextWord(Field& field);
    void DeleteWordBefore(Field& field);
    void DeleteSelection(Field& field);
    void Copy(const Field& field);
    void Paste(Field& field);
    void PlayTelephoneKeys(const Field& field);
    void ChangeSpeed();
    void OpenWordUnderCursor(const Field& field);
    void Pause(int ms);

    ScreenModel& m_screen;
    Keyboard& m_keyboard;
    Speech& m_speech;
    EditorServices m_services;
    bool m_speak_each_char { true };
    int m_last_edit_column { 1 };
    int m_last_width { 0 };
};

} // namespace palavrino::console
