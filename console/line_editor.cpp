// The line editor's loop: keeping the cursor visible in a field narrower
// than the text, drawing the field and its selection, and the keys.
#include "console/line_editor.h"

#include "console/config.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "platform/interrupt.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace palavrino::console {

namespace {

    constexpr std::uint8_t SELECTION_BACKGROUND = 8;
    constexpr int DTMF_PAUSE_MS = 100;
    constexpr int DTMF_COMMA_PAUSE_MS = 1000;

    bool IsLetter(std::uint8_t c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128;
    }

    bool IsDigit(std::uint8_t c)
    {
        return c >= '0' && c <= '9';
    }

    bool IsWordChar(std::uint8_t c)
    {
        return IsLetter(c) || IsDigit(c);
    }

    // Words made only of these letters cannot be pronounced: they are spelled.
    bool IsSpelledConsonant(std::uint8_t c)
    {
        if (c >= 'a' && c <= 'z')
            c = static_cast<std::uint8_t>(c - 'a' + 'A');
        return std::string_view("BCDFGHJKLMNPQRSTVXZ").find(static_cast<char>(c)) != std::string_view::npos;
    }

    std::uint8_t At(const std::string& text, int position)
    {
        return static_cast<std::uint8_t>(text[static_cast<std::size_t>(position - 1)]);
    }

} // namespace

struct LineEditor::Field {
    std::string text; // always exactly `length` characters, blank padded
    std::string on_entry; // for Ctrl+U
    int x { 1 };
    int y { 1 };
    int width { 1 };
    int length { 0 };
    int position { 1 }; // 1-based; length + 1 is just past the end
    int scroll { 1 }; // first position shown
    bool editable { true };
    bool first_key { true };
    // The selection runs between its anchor and its end (either order).
    bool selecting { false };
    int anchor { 1 };
    int end { 1 };

    int SelectionLow() const { return std::min(anchor, end); }
    int SelectionHigh() const { return std::max(anchor, end); } // exclusive
    bool HasSelection() const { return selecting && anchor != end; }
    // Just after the last non-blank (1 for an all-blank field).
    int TextEnd() const
    {
        const std::size_t last = text.find_last_not_of(' ');
        return last == std::string::npos ? 1 : static_cast<int>(last) + 2;
    }
};

std::optional<OpenRequest> ResolveWordToOpen(std::string_view text, int p,
    const std::function<std::string(std::string_view, std::string_view)>& read_config,
    const std::string& current_dir)
{
    auto blank = [&](int i) {
        return i < 1 || i > static_cast<int>(text.size()) || text[static_cast<std::size_t>(i - 1)] == ' ';
    };
    // The word under the cursor, or the one just before it when the cursor
    // stands after a word.
    if (blank(p))
        --p;
    if (blank(p))
        return std::nullopt;
    int first = p;
    int last = p;
    while (!blank(first - 1))
        --first;
    while (!blank(last + 1))
        ++last;
    std::string_view word
        = text.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
    // Quotes, brackets and marks around an address or a file name are not
    // part of it.
    constexpr std::string_view MARKS = "\"(*-.<=>[_{)]}";
    while (!word.empty() && MARKS.find(word.front()) != std::string_view::npos)
        word.remove_prefix(1);
    while (!word.empty() && MARKS.find(word.back()) != std::string_view::npos)
        word.remove_suffix(1);
    if (word.empty())
        return std::nullopt;

    auto config
        = [&](std::string_view key) { return read_config ? read_config("TALIRA", key) : std::string(); };
    const std::string lower = [&] {
        std::string out(word);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return out;
    }();
    if (lower.starts_with("http://") || lower.starts_with("https://") || lower.starts_with("www."))
        return OpenRequest { config("PROG.HTM"), std::string(word) };

    const std::size_t dot = word.find('.');
    const std::string extension
        = dot == std::string_view::npos ? std::string() : UpperAscii(word.substr(dot + 1, 3));
    if (extension == "EXE" || extension == "COM") {
        const bool absolute
            = word.front() == '/' || word.front() == '\\' || (word.size() >= 2 && word[1] == ':');
        std::string program(word);
        if (!absolute)
            program = current_dir + "/" + program;
        return OpenRequest { program, std::string() };
    }
    const std::string program = extension.empty() ? std::string() : config("PROG." + extension);
    if (program.empty())
        return OpenRequest { std::string(), std::string(word) };
    return OpenRequest { program, std::string(word) };
}

LineEditor::LineEditor(ScreenModel& screen, Keyboard& keyboard, Speech& speech)
    : m_screen(screen)
    , m_keyboard(keyboard)
    , m_speech(speech)
{
}

bool LineEditor::EchoesKeys()
{
    return m_keyboard.Source().IsLive();
}

void LineEditor::Pause(int ms)
{
    if (m_services.pause_ms)
        m_services.pause_ms(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void LineEditor::Draw(const Field& field)
{
    m_screen.MoveCursor(field.x, field.y);
    const auto first = static_cast<std::size_t>(field.scroll - 1);
    const std::string visible
        = first < field.text.size() ? field.text.substr(first, static_cast<std::size_t>(field.width)) : "";
    if (field.HasSelection() && field.SelectionLow() < field.scroll + static_cast<int>(visible.size())
        && field.SelectionHigh() > field.scroll) {
        // The selected characters stand out on a grey background.
        const std::uint8_t normal = m_screen.CurrentAttr();
        const auto selected = static_cast<std::uint8_t>((normal & 0x0F) | (SELECTION_BACKGROUND << 4));
        for (std::size_t i = 0; i < visible.size(); ++i) {
            const int position = field.scroll + static_cast<int>(i);
            const bool in = position >= field.SelectionLow() && position < field.SelectionHigh();
            m_screen.SetCurrentAttr(in ? selected : normal);
            m_screen.ConsoleWrite(std::string_view(&visible[i], 1), WriteOrigin::Echo);
        }
        m_screen.SetCurrentAttr(normal);
    } else {
        m_screen.ConsoleWrite(visible, WriteOrigin::Echo);
    }
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
    if (with_sound)
        (void)m_speech.PlaySound("_DEL");
    if (EchoesKeys())
        m_speech.SpeakChar(static_cast<std::uint8_t>(removed));
}

void LineEditor::FirstKeyRule(Field& field, bool printable)
{
    if (!field.first_key)
        return;
    const auto from = static_cast<std::size_t>(field.position - 1);
    if (from >= field.text.size() || field.text.find_first_not_of(' ', from) == std::string::npos)
        return;
    // Typing over an offered value replaces it; two ticks say so.
    m_speech.Tick();
    m_speech.Tick();
    if (printable && field.editable)
        std::fill(field.text.begin(), field.text.end(), ' ');
}

void LineEditor::Insert(Field& field, std::uint8_t c)
{
    if (!field.editable)
        return;
    if (field.position > field.length) {
        m_speech.Beep(); // the field is full
        return;
    }
    field.text.insert(static_cast<std::size_t>(field.position - 1), 1, static_cast<char>(c));
    field.text.pop_back();
    if (m_speak_each_char && EchoesKeys())
        m_speech.SpeakChar(c);
    ++field.position;
}

void LineEditor::SpeakNextItem(Field& field)
{
    int p = field.position;
    while (p <= field.length && At(field.text, p) == ' ')
        ++p;
    if (p > field.length) {
        m_speech.Beep();
        return;
    }
    const int start = p;
    const std::uint8_t c = At(field.text, p);
    if (IsDigit(c) || (c == '-' && p < field.length && IsDigit(At(field.text, p + 1)))) {
        ++p;
        while (p <= field.length && IsDigit(At(field.text, p)))
            ++p;
        m_speech.Speak(
            field.text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(p - start)));
    } else if (IsLetter(c)) {
        bool consonants_only = true;
        while (p <= field.length && IsLetter(At(field.text, p))) {
            consonants_only = consonants_only && IsSpelledConsonant(At(field.text, p));
            ++p;
        }
        const std::string word
            = field.text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(p - start));
        if (consonants_only)
            m_speech.Spell(word);
        else
            m_speech.Speak(word);
    } else {
        ++p;
        m_speech.Spell(std::string(1, static_cast<char>(c)));
    }
    field.position = p;
}

void LineEditor::PreviousWord(Field& field)
{
    int p = field.position;
    while (p > 1 && !IsWordChar(At(field.text, p - 1)))
        --p;
    if (p == 1) {
        field.position = 1;
        m_speech.Beep();
        return;
    }
    while (p > 1 && IsWordChar(At(field.text, p - 1)))
        --p;
    field.position = p;
    m_speech.Tick();
}

void LineEditor::NextWord(Field& field)
{
    int p = field.position;
    while (p <= field.length && IsWordChar(At(field.text, p)))
        ++p;
    while (p <= field.length && !IsWordChar(At(field.text, p)))
        ++p;
    if (p <= field.length) {
        field.position = p;
        m_speech.Tick();
        return;
    }
    field.position = field.TextEnd();
    m_speech.Beep();
}

void LineEditor::DeleteWordBefore(Field& field)
{
    if (!field.editable)
        return;
    const int end = field.position;
    PreviousWord(field);
    int count = end - field.position;
    bool first = true;
    while (count-- > 0) {
        DeleteAt(field, first);
        first = false;
    }
}

void LineEditor::DeleteSelection(Field& field)
{
    const int low = field.SelectionLow();
    const int count = field.SelectionHigh() - low;
    field.position = low;
    field.selecting = false;
    if (!field.editable)
        return;
    (void)m_speech.PlaySound("_DEL");
    for (int i = 0; i < count; ++i)
        DeleteAt(field, false);
}

void LineEditor::Copy(const Field& field)
{
    if (!m_services.clipboard)
        return;
    std::string copied;
    if (field.HasSelection()) {
        copied = field.text.substr(static_cast<std::size_t>(field.SelectionLow() - 1),
            static_cast<std::size_t>(field.SelectionHigh() - field.SelectionLow()));
    } else {
        copied = field.text.substr(0, static_cast<std::size_t>(field.TextEnd() - 1)) + "\r\n";
    }
    m_services.clipboard->PutText(copied);
}

void LineEditor::Paste(Field& field)
{
    std::string pasted = m_services.clipboard ? m_services.clipboard->GetText() : std::string();
    // Only the first line of the clipboard fits a one-line field.
    pasted = pasted.substr(0, std::min(pasted.find('\r'), pasted.find('\n')));
    if (!field.editable || pasted.empty())
        return;
    // Pasting over an offered value replaces it, as typing does.
    FirstKeyRule(field, true);
    int at = field.position;
    if (field.HasSelection()) {
        at = field.SelectionLow();
        field.text.erase(
            static_cast<std::size_t>(at - 1), static_cast<std::size_t>(field.SelectionHigh() - at));
    }
    at = std::min(at, field.length + 1);
    field.text.insert(static_cast<std::size_t>(at - 1), pasted);
    field.text.resize(static_cast<std::size_t>(field.length), ' ');
    const int end = std::min(at + static_cast<int>(pasted.size()), field.length + 1);
    field.selecting = true;
    field.anchor = at;
    field.end = end;
    field.position = end;
}

void LineEditor::PlayTelephoneKeys(const Field& field)
{
    for (char c : field.text) {
        if (c == ',') {
            Pause(DTMF_COMMA_PAUSE_MS);
            continue;
        }
        if (c != '#' && c != '*' && !IsDigit(static_cast<std::uint8_t>(c)))
            continue;
        const std::string name = std::string("dtmf_") + (c == '*' ? 'X' : c) + ".wav";
        (void)m_speech.PlayWaveFile(m_speech.LettersDir() + name);
        Pause(DTMF_PAUSE_MS);
    }
}

void LineEditor::ChangeSpeed()
{
    (void)m_speech.PlaySound("_VELOC");
    Key key;
    do {
        key = NextKeySpoken();
    } while (m_keyboard.KeyWaiting());
    if (key.extended || key.Is(KEY_ESCAPE) || key.Is(KEY_ENTER))
        return;
    if (m_services.change_speed)
        m_services.change_speed(key.code - '0');
}

void LineEditor::OpenWordUnderCursor(const Field& field)
{
    const std::string current_dir = [] {
        std::error_code error;
        const auto dir = std::filesystem::current_path(error);
        return error ? std::string(".") : dir.string();
    }();
    const auto request = ResolveWordToOpen(field.text, field.position, m_services.read_config, current_dir);
    if (!request) {
        m_speech.Beep();
        return;
    }
    m_speech.WaitSpeech();
    const bool started
        = m_services.start_program && m_services.start_program(request->program, request->parameter);
    // A program that could not be started is at least heard as a failure.
    if (!started)
        m_speech.Beep();
    m_speech.WaitSpeech();
}

Key LineEditor::NextKeySpoken()
{
    m_speech.WaitSpeech();
    const Key key = m_keyboard.ReadWholeKey();
    m_speech.StopSpeech();
    if (!key.extended)
        m_speech.SpeakChar(key.code);
    return key;
}

// One ordinary key of the editor; true when it ends the edit.
bool LineEditor::OrdinaryKeyPressed(Field& field, const Key& key)
{
    switch (key.code) {
    case KEY_CTRL_B:
    case KEY_CTRL_ENTER:
    case KEY_ENTER:
    case KEY_ESCAPE:
    case KEY_TAB:
        return true;
    case KEY_CTRL_D:
        if (field.editable) {
            std::fill(field.text.begin() + field.position - 1, field.text.end(), ' ');
            (void)m_speech.PlaySound("_APFCPO");
        }
        break;
    case KEY_BACKSPACE:
        if (field.position == 1) {
            m_speech.Beep();
        } else {
            --field.position;
            DeleteAt(field, false);
        }
        break;
    case KEY_CTRL_K:
        m_speech.Speak(std::to_string(field.position));
        break;
    case KEY_CTRL_S:
        if (field.editable) {
            field.text.erase(0, static_cast<std::size_t>(std::min(field.position, field.length + 1) - 1));
            field.text.resize(static_cast<std::size_t>(field.length), ' ');
            field.position = 1;
            (void)m_speech.PlaySound("_APICPO");
        }
        break;
    case KEY_CTRL_U:
        if (field.editable) {
            field.text = field.on_entry;
            field.position = 1;
            for (int i = 0; i < 3; ++i)
                m_speech.Beep();
        }
        break;
    case KEY_CTRL_Y:
        if (field.editable) {
            std::fill(field.text.begin(), field.text.end(), ' ');
            (void)m_speech.PlaySound("_CPOAPA");
            field.position = 1;
        }
        break;
    case KEY_CTRL_BACKSLASH:
        PlayTelephoneKeys(field);
        break;
    case KEY_CTRL_BACKSPACE:
        DeleteWordBefore(field);
        break;
    case KEY_READ_ALL:
        m_speech.WaitSpeech();
        m_speech.Speak(field.text.substr(0, static_cast<std::size_t>(field.TextEnd() - 1)));
        break;
    case KEY_IGNORED:
        break;
    default: {
        const bool printable = key.code >= 32;
        FirstKeyRule(field, printable);
        if (printable)
            Insert(field, key.code);
        break;
    }
    }
    return false;
}

// One extended key of the editor; true when it ends the edit.
bool LineEditor::ExtendedKeyPressed(Field& field, const Key& key, bool review_key)
{
    switch (static_cast<ExtendedKey>(key.code)) {
    case ExtendedKey::F1:
        if (key.Alt()) {
            if (m_services.speak_battery)
                m_services.speak_battery();
        } else {
            SpeakNextItem(field);
        }
        break;
    case ExtendedKey::AltF1:
        if (m_services.speak_battery)
            m_services.speak_battery();
        break;
    case ExtendedKey::F4:
        m_speak_each_char = !m_speak_each_char;
        (void)m_speech.PlaySound(m_speak_each_char ? "_FALACI" : "_FALDLG");
        break;
    case ExtendedKey::F8:
        if (m_services.speak_time)
            m_services.speak_time();
        break;
    case ExtendedKey::CtrlF8:
        if (m_services.speak_date)
            m_services.speak_date();
        break;
    case ExtendedKey::F12:
        OpenWordUnderCursor(field);
        break;
    case ExtendedKey::Home:
        field.position = 1;
        break;
    case ExtendedKey::End:
        field.position = field.TextEnd();
        break;
    case ExtendedKey::Left:
        if (field.position == 1) {
            m_speech.Beep();
        } else {
            --field.position;
            if (EchoesKeys())
                m_speech.SpeakChar(At(field.text, field.position));
        }
        break;
    case ExtendedKey::Right:
        if (field.position > field.length) {
            m_speech.Beep();
        } else {
            const std::uint8_t c = At(field.text, field.position);
            if (EchoesKeys()) {
                if (key.Alt() && IsLetter(c)) {
                    // The letter's code, for telling look-alike letters apart.
                    (void)m_speech.PlaySound("_FON");
                    m_speech.Speak(std::to_string(c));
                } else {
                    m_speech.SpeakChar(c);
                }
            }
            ++field.position;
        }
        break;
    case ExtendedKey::CtrlLeft:
        PreviousWord(field);
        break;
    case ExtendedKey::CtrlRight:
        NextWord(field);
        break;
    case ExtendedKey::Delete:
        if (field.HasSelection())
            DeleteSelection(field);
        else
            DeleteAt(field, true);
        break;
    case ExtendedKey::CtrlF1:
        m_speech.Speak(field.text.substr(0, static_cast<std::size_t>(field.TextEnd() - 1)));
        break;
    case ExtendedKey::CtrlF4:
        ChangeSpeed();
        break;
    case ExtendedKey::CtrlF9:
        if (review_key) {
            if (m_services.screen_review)
                m_services.screen_review();
        } else {
            return true;
        }
        break;
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
        break;
    case ExtendedKey::ShiftInsert:
        Paste(field);
        break;
    case ExtendedKey::CtrlInsert:
        Copy(field);
        break;
    default:
        return true;
    }
    return false;
}

Key LineEditor::EditLine(
    std::string& text, int x, int y, bool editable, int width, int max_length, EditStart start)
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
    field.on_entry = field.text;
    field.position = std::clamp(start.position, 1, field.length + 1);
    field.first_key = start.offered;
    m_last_width = field.width;

    Key result;
    for (;;) {
        if (field.position < field.scroll)
            field.scroll = field.position;
        if (field.scroll + field.width < field.position)
            field.scroll = field.position - field.width;
        (void)m_screen.ShowMagnified(field.text, field.position - field.scroll + 1);
        Draw(field);

        Key key = m_keyboard.ReadWholeKey();
        m_speech.StopSpeech();
        // Alt+Q, Alt+W and Alt+E announce an ordinary key that follows.
        if (key.Is(ExtendedKey::AltQ) || key.Is(ExtendedKey::AltW) || key.Is(ExtendedKey::AltE))
            key = Key { m_keyboard.ReadKey(), false, m_keyboard.LastModifiers() };
        // Ctrl+C and Ctrl+V are the clipboard keys and act as Ctrl+Insert and
        // Shift+Insert, on the selection too.
        if (key.Is(KEY_CTRL_C))
            key = Key { static_cast<std::uint8_t>(ExtendedKey::CtrlInsert), true, 0 };
        else if (key.Is(KEY_CTRL_V))
            key = Key { static_cast<std::uint8_t>(ExtendedKey::ShiftInsert), true, 0 };

        // The clipboard keys and Delete act on the selection, so they must
        // not clear it first.
        const bool clipboard_key = key.Is(ExtendedKey::ShiftInsert) || key.Is(ExtendedKey::CtrlInsert)
            || key.Is(ExtendedKey::Delete);
        const bool review_key = key.Is(ExtendedKey::CtrlF9) && (key.Alt() || key.Shift());
        if (key.extended && key.Shift() && !review_key && !clipboard_key) {
            if (!field.selecting) {
                field.selecting = true;
                field.anchor = field.position;
                field.end = field.position;
            }
        } else if (!clipboard_key) {
            field.selecting = false;
        }

        const bool ends
            = key.extended ? ExtendedKeyPressed(field, key, review_key) : OrdinaryKeyPressed(field, key);
        if (key.extended && key.Shift() && field.selecting && !review_key && !clipboard_key)
            field.end = field.position;
        field.first_key = false;
        if (ends) {
            result = key;
            break;
        }
    }

    m_last_edit_column = field.position;
    m_screen.HideMagnified();
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
    // The break key (Ctrl+F12, Ctrl+C) ends the edit as Escape does, but the
    // typed text stays on the screen: the user did not ask to erase it.
    if (line.end_key.Is(KEY_ESCAPE) && !platform::InterruptPending()) {
        const auto shown = std::min(line.text.size(), static_cast<std::size_t>(m_last_width));
        m_screen.MoveCursor(x, y);
        m_screen.ConsoleWrite(std::string(shown, ' '), WriteOrigin::Echo);
        m_screen.MoveCursor(x, y);
        line.text.clear();
    }
    m_screen.ConsoleWrite("\r\n");
    return line;
}

LineRead LineEditor::ReadBufferLine(int size, bool hidden)
{
    LineRead line;
    line.end_key = Key::Byte(KEY_ENTER);
    const std::uint8_t normal = m_screen.CurrentAttr();
    // Hidden typing is drawn black on black, and as blanks: the screen must
    // not keep a password for anyone to read back.
    if (hidden)
        m_screen.SetCurrentAttr(0);
    const auto limit = static_cast<std::size_t>(std::max(size - 2, 0));
    for (;;) {
        const Key key = m_keyboard.ReadWholeKey();
        if (key.extended)
            continue; // a function key has no place in a plain line
        if (key.Is(KEY_ENTER))
            break;
        if (key.Is(KEY_ESCAPE)) {
            for (std::size_t i = 0; i < line.text.size(); ++i)
                m_screen.ConsoleWrite("\b", WriteOrigin::Echo);
            line.text.clear();
            line.end_key = key;
            break;
        }
        if (key.Is(KEY_BACKSPACE)) {
            if (!line.text.empty()) {
                line.text.pop_back();
                m_screen.ConsoleWrite("\b", WriteOrigin::Echo);
            }
            continue;
        }
        if (key.code < 32 || line.text.size() >= limit)
            continue;
        line.text.push_back(static_cast<char>(key.code));
        m_screen.ConsoleWrite(
            hidden ? std::string_view(" ") : std::string_view(&line.text.back(), 1), WriteOrigin::Echo);
    }
    m_screen.SetCurrentAttr(normal);
    m_screen.ConsoleWrite("\r\n");
    return line;
}

} // namespace palavrino::console
