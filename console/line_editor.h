// The one-line editor through which every typed line is entered: a field of
// the screen where the user types, moves and deletes, ended by Enter, Escape
// or a key the caller handles (function keys, arrows up and down...). The
// caller gets the edited text and the key that ended the edit.
//
// The editor speaks what the user does only when the keys come from a person
// (a live front end); prepared input is not spoken back.
#pragma once

#include "console/keyboard.h"

#include <string>

namespace palavrino::console {

class ScreenModel;
class Speech;

struct LineRead {
    std::string text;
    Key end_key;
};

class LineEditor {
public:
    // A field never holds more; longer texts handed in are cut.
    static constexpr int MAX_FIELD_LENGTH = 2048;
    // What one typed line of the console may hold.
    static constexpr int MAX_LINE_LENGTH = 255;

    LineEditor(ScreenModel& screen, Keyboard& keyboard, Speech& speech);

    // Edits text in a field at window position (x, y), 1-based, showing
    // width characters of at most max_length. With editable false the text
    // can be read and moved over but not changed. Trailing blanks are
    // stripped from the result. Returns the key that ended the edit.
    Key EditLine(std::string& text, int x, int y, bool editable, int width, int max_length);

    // The same with the field reaching to the window's right edge.
    Key EditLineToEdge(std::string& text, int x, int y, bool editable, int max_length);

    // Reads a line at the cursor. Escape blanks what was typed and gives an
    // empty text. A line break follows in every case.
    LineRead ReadLine();

    // Where the cursor was (1-based field position) when the last edit ended.
    int LastEditColumn() const { return m_last_edit_column; }
    bool SpeakEachCharacter() const { return m_speak_each_char; }
    void SetSpeakEachCharacter(bool on) { m_speak_each_char = on; }

private:
    struct Field;
    void Draw(const Field& field);
    void DeleteAt(Field& field, bool with_sound);
    bool SpeaksKeys();

    ScreenModel& m_screen;
    Keyboard& m_keyboard;
    Speech& m_speech;
    bool m_speak_each_char { true };
    int m_last_edit_column { 1 };
    int m_last_width { 0 };
};

} // namespace palavrino::console
