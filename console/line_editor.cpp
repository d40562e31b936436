// The line editor's loop: keeping the cursor visible in a field narrower
// than the text, drawing the field, and the editing keys.
#include "console/line_editor.h"

#include "console/screen_model.h"
#include "console/speech.h"

#include <algorithm>

namespace palavrino::console {

struct LineEditor::Field {
    std::string text; // always exactly `length` characters, blank padded
    int x { 1 };
    int y { 1 };
    int width { 1 };
    int length { 0 };
    int position { 1 }; // 1-based; length + 1 is just past the end
    int scroll { 1 }; // first position shown
    bool editable { true };
};

LineEditor::LineEditor(ScreenModel& screen, Keyboard& keyboard, Speech& speech)
    : m_screen(screen)
    , m_keyboard(keyboard)
    , m_speech(speech)
{
}

bool LineEditor::SpeaksKeys()
{
    return m_keyboard.Source().IsLive();
}

void LineEditor::Draw(const Field& field)
{
    m_screen.MoveCursor(field.x, field.y);
    const auto first = static_cast<std::size_t>(field.scroll - 1);
    const std::string visible
        = first < field.text.size() ? field.text.substr(first, static_cast<std::size_t>(field.width)) : "";
    m_screen.ConsoleWrite(visible, WriteOrigin::Echo);
    if (visible.size() < static_cast<std::size_t>(SCREEN_COLUMNS))
        m_screen.ClearToLineEnd();
    m_screen.MoveCursor(field.x + field.position - field.scroll, field.y);
}

void LineEditor::DeleteAt(Field& field, bool with_sound)
{
    if (!field.editable || field.position > field.length)
        return;
    const auto at = static_cast<std::size_t>(field.position - 1);
    const char removed = field.text[at];
    field.text.erase(at, 1);
    field.text.push_back(' ');
    if (SpeaksKeys()) {
        if (with_sound)
            (void)m_speech.PlaySound("_DEL");
        m_speech.SpeakChar(static_cast<std::uint8_t>(removed));
    }
}

Key LineEditor::EditLine(std::string& text, int x, int y, bool editable, int width, int max_length)
{
    Field field;
    field.x = x;
    field.y = y;
    field.editable = editable;
    field.length = std::clamp(max_length, 0, MAX_FIELD_LENGTH);
    field.width = std::min(width, field.length);
    // On the window's last row the last cell is never written: writing it
    // would scroll the window.
    if (y == m_screen.WindowHeight() && x + field.width > m_screen.WindowWidth())
        --field.width;
    // A field squeezed against the right edge still shows one character.
    field.width = std::max(field.width, 1);
    field.text = text.substr(0, static_cast<std::size_t>(field.length));
    field.text.resize(static_cast<std::size_t>(field.length), ' ');
    m_last_width = field.width;

    bool first_key = true;
    Key result;
    for (;;) {
        if (field.position < field.scroll)
            field.scroll = field.position;
        if (field.scroll + field.width < field.position)
            field.scroll = field.position - field.width;
        Draw(field);

        Key key = m_keyboard.ReadWholeKey();
        m_speech.StopSpeech();
        // Alt+Q, Alt+W and Alt+E announce an ordinary key that follows.
        if (key.extended && (key.code == 16 || key.code == 17 || key.code == 18))
            key = Key::Byte(m_keyboard.ReadKey());

        bool ends = false;
        if (!key.extended) {
            switch (key.code) {
            case KEY_CTRL_B:
            case KEY_CTRL_ENTER:
            case KEY_ENTER:
            case KEY_ESCAPE:
            case KEY_TAB:
                ends = true;
                break;
            case KEY_BACKSPACE:
                if (field.position == 1) {
                    m_speech.Beep();
                } else {
                    --field.position;
                    DeleteAt(field, false);
                }
                break;
            default: {
                const bool printable = key.code >= 32 && key.code != KEY_CTRL_BACKSPACE;
                const auto from = static_cast<std::size_t>(field.position - 1);
                if (first_key && from < field.text.size()
                    && field.text.find_first_not_of(' ', from) != std::string::npos) {
                    // Typing over an offered value replaces it.
                    m_speech.Tick();
                    m_speech.Tick();
                    if (printable && field.editable)
                        std::fill(field.text.begin(), field.text.end(), ' ');
                }
                if (!printable || !field.editable)
                    break;
                if (field.position > field.length) {
                    m_speech.Beep(); // the field is full
                    break;
                }
                field.text.insert(
                    static_cast<std::size_t>(field.position - 1), 1, static_cast<char>(key.code));
                field.text.pop_back();
                if (m_speak_each_char && SpeaksKeys())
                    m_speech.SpeakChar(key.code);
                ++field.position;
                break;
            }
            }
        } else {
            switch (static_cast<ExtendedKey>(key.code)) {
            case ExtendedKey::Home:
                field.position = 1;
                break;
            case ExtendedKey::End: {
                const std::size_t last = field.text.find_last_not_of(' ');
                field.position = last == std::string::npos ? 1 : static_cast<int>(last) + 2;
                break;
            }
            case ExtendedKey::Left:
                if (field.position == 1) {
                    m_speech.Beep();
                } else {
                    --field.position;
                    if (SpeaksKeys())
                        m_speech.SpeakChar(static_cast<std::uint8_t>(
                            field.text[static_cast<std::size_t>(field.position - 1)]));
                }
                break;
            case ExtendedKey::Right:
                if (field.position > field.length) {
                    m_speech.Beep();
                } else {
                    if (SpeaksKeys())
                        m_speech.SpeakChar(static_cast<std::uint8_t>(
                            field.text[static_cast<std::size_t>(field.position - 1)]));
                    ++field.position;
                }
                break;
            case ExtendedKey::Delete:
                DeleteAt(field, true);
                break;
            // Keys the editor keeps for its reading, clipboard and status
            // functions; they never end an edit.
            case ExtendedKey::F1:
            case ExtendedKey::F4:
            case ExtendedKey::F8:
            case ExtendedKey::F12:
            case ExtendedKey::CtrlF1:
            case ExtendedKey::CtrlF4:
            case ExtendedKey::CtrlF8:
            case ExtendedKey::CtrlF11:
            case ExtendedKey::CtrlLeft:
            case ExtendedKey::CtrlRight:
            case ExtendedKey::Alt1:
            case ExtendedKey::Alt2:
            case ExtendedKey::Alt3:
            case ExtendedKey::Alt4:
            case ExtendedKey::Alt5:
            case ExtendedKey::Alt6:
            case ExtendedKey::Alt7:
            case ExtendedKey::Alt8:
            case ExtendedKey::Alt9:
            case ExtendedKey::Alt0:
            case ExtendedKey::ShiftInsert:
            case ExtendedKey::CtrlInsert:
                break;
            default:
                ends = true;
                break;
            }
        }
        first_key = false;
        if (ends) {
            result = key;
            break;
        }
    }

    m_last_edit_column = field.position;
    field.scroll = 1;
    m_screen.MoveCursor(field.x, field.y);
    m_screen.ConsoleWrite(field.text.substr(0, static_cast<std::size_t>(field.width)), WriteOrigin::Echo);
    m_screen.MoveCursor(field.x, field.y);
    const std::size_t last = field.text.find_last_not_of(' ');
    text = last == std::string::npos ? std::string() : field.text.substr(0, last + 1);
    return result;
}

Key LineEditor::EditLineToEdge(std::string& text, int x, int y, bool editable, int max_length)
{
    // x is window-relative and 1-based, the window edges 0-based screen
    // columns: the field ends one cell short of the window's right edge.
    const int width = m_screen.WindowRight() - x - m_screen.WindowLeft();
    return EditLine(text, x, y, editable, width, max_length);
}

LineRead LineEditor::ReadLine()
{
    const int x = m_screen.CursorColumn();
    const int y = m_screen.CursorRow();
    LineRead line;
    line.end_key = EditLineToEdge(line.text, x, y, true, MAX_LINE_LENGTH);
    if (line.end_key.Is(KEY_ESCAPE)) {
        const auto shown = std::min(line.text.size(), static_cast<std::size_t>(m_last_width));
        m_screen.MoveCursor(x, y);
        m_screen.ConsoleWrite(std::string(shown, ' '), WriteOrigin::Echo);
        m_screen.MoveCursor(x, y);
        line.text.clear();
    }
    m_screen.ConsoleWrite("\r\n");
    return line;
}

} // namespace palavrino::console
