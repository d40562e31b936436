// The screen review loop, its keys and two-letter reading commands.
#include "console/review.h"

#include "console/keyboard.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "messages/console.h"

#include <algorithm>
#include <string>

namespace palavrino::console {

namespace {

    constexpr int LAST_COLUMN = SCREEN_COLUMNS;
    constexpr int LAST_ROW = SCREEN_ROWS;
    // The column just past the last one, where reading a whole row leaves
    // the review cursor for a moment.
    constexpr int PAST_LAST_COLUMN = SCREEN_COLUMNS + 1;
    // A run of one repeated mark ("-----") is said once, at most this long.
    constexpr std::size_t MAX_REPEATED_MARKS = 3;

    // Letters and digits make words; accented letters are letters too.
    bool IsWordChar(std::uint8_t c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    }

    bool IsLetter(std::uint8_t c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    }

    // Words made only of these letters cannot be pronounced: they are spelled.
    bool IsSpelledConsonant(std::uint8_t c)
    {
        if (c >= 'a' && c <= 'z')
            c = static_cast<std::uint8_t>(c - 'a' + 'A');
        return std::string_view("BCDFGHJKLMNPQRSTVWXYZ").find(static_cast<char>(c)) != std::string_view::npos;
    }

    // Marks that separate fields on a row, and the line-drawing characters.
    bool IsSeparator(std::uint8_t c)
    {
        return c == '!' || c == ':' || c == '?' || c == '|' || (c >= 176 && c <= 223);
    }

    bool IsDigitKey(const Key& key)
    {
        return !key.extended && key.code >= '0' && key.code <= '9';
    }

} // namespace

ScreenReview::ScreenReview(ScreenModel& screen, Keyboard& keyboard, Speech& speech, Clipboard& clipboard)
    : m_screen(screen)
    , m_keyboard(keyboard)
    , m_speech(speech)
    , m_clipboard(clipboard)
{
}

std::uint8_t ScreenReview::CharAt(int row, int column) const
{
    return m_screen.CellChar(column - 1, row - 1);
}

std::uint8_t ScreenReview::AttrAt(int row, int column) const
{
    return m_screen.CellAttr(column - 1, row - 1);
}

int ScreenReview::RowEnd(int row) const
{
    for (int column = LAST_COLUMN; column >= 1; --column) {
        if (CharAt(row, column) != ' ')
            return column + 1;
    }
    return 1;
}

ScreenReview::Span ScreenReview::FieldAt(int row, int column) const
{
    column = std::clamp(column, 1, LAST_COLUMN);
    const std::uint8_t attr = AttrAt(row, column);
    auto in_field = [&](int c) { return AttrAt(row, c) == attr && !IsSeparator(CharAt(row, c)); };
    Span span { column, column };
    while (span.first > 1 && in_field(span.first - 1))
        --span.first;
    while (span.last < LAST_COLUMN && in_field(span.last + 1))
        ++span.last;
    return span;
}

bool ScreenReview::WordByWord() const
{
    return m_word_by_word.value_or(!m_speech.EngineActive());
}

bool ScreenReview::KeyInterrupts()
{
    return m_keyboard.KeyInterruptsSpeech();
}

void ScreenReview::Nonsense()
{
    m_speech.Beep();
    m_speech.Tick();
    m_speech.Beep();
}

void ScreenReview::ShowPosition()
{
    m_screen.ShowCursorAt(std::min(m_column, LAST_COLUMN) - 1, m_row - 1);
    const std::string row = m_screen.RowText(m_row);
    const std::size_t lead = std::min(row.find_first_not_of(' '), row.size());
    (void)m_screen.ShowMagnified(row.substr(lead), m_column - static_cast<int>(lead));
}

void ScreenReview::Clamp()
{
    auto out_of_range = [&](int& value, int low, int high, int low_value, int high_value) {
        if (value >= low && value <= high)
            return;
        value = value < low ? low_value : high_value;
        m_speech.Beep();
        m_keyboard.FlushKeys();
    };
    out_of_range(m_column, 1, PAST_LAST_COLUMN, 1, LAST_COLUMN);
    out_of_range(m_row, 1, LAST_ROW, 1, LAST_ROW);
}

void ScreenReview::Run()
{
    // Ctrl+C copies the screen here: for as long as the review runs it is a
    // key, not the break request that would end the user's script.
    struct CtrlCAsKey {
        platform::KeySource& source;
        explicit CtrlCAsKey(platform::KeySource& s)
            : source(s)
        {
            source.SetCtrlCIsKey(true);
        }
        ~CtrlCAsKey() { source.SetCtrlCIsKey(false); }
        CtrlCAsKey(const CtrlCAsKey&) = delete;
        CtrlCAsKey& operator=(const CtrlCAsKey&) = delete;
    } ctrl_c_as_key(m_keyboard.Source());
    m_speech.Beep();
    m_row = m_screen.CursorScreenRow() + 1;
    m_column = m_screen.CursorScreenColumn() + 1;
    Clamp();
    m_leave = false;
    while (!m_leave) {
        ShowPosition();
        const Key key = m_keyboard.ReadWholeKey();
        m_speech.StopSpeech();
        if (key.extended)
            ExtendedKeyPressed(key);
        else
            OrdinaryKey(key);
        Clamp();
    }
    m_speech.Beep();
    m_speech.Beep();
    m_screen.HideMagnified();
    m_screen.ReleaseShownCursor();
}

void ScreenReview::OrdinaryKey(const Key& key)
{
    switch (key.code) {
    case KEY_ESCAPE:
        m_leave = true;
        return;
    case ' ':
        ReadRow(m_row);
        return;
    case KEY_ENTER:
        ++m_row;
        m_column = 1;
        if (m_row <= LAST_ROW)
            m_speech.Tick();
        return;
    case KEY_BACKSPACE:
        ExtendedKeyPressed(Key::Extended(ExtendedKey::Left));
        return;
    case KEY_TAB: {
        const Span field = FieldAt(m_row, m_column);
        m_column = field.last + 2;
        if (m_column <= LAST_COLUMN)
            m_speech.Tick();
        else
            m_column = RowEnd(m_row);
        return;
    }
    case KEY_CTRL_K:
    case KEY_CTRL_L:
        m_speech.Speak(std::to_string(m_row) + " " + std::to_string(m_column));
        return;
    case KEY_CTRL_C:
        CopyScreen();
        return;
    default:
        if ((key.code >= 'A' && key.code <= 'Z') || (key.code >= 'a' && key.code <= 'z'))
            TwoLetterCommand(key.code);
        else
            Nonsense();
        return;
    }
}

void ScreenReview::ExtendedKeyPressed(const Key& key)
{
    switch (static_cast<ExtendedKey>(key.code)) {
    case ExtendedKey::CtrlInsert: // the copy key of the line editor, too
        CopyScreen();
        return;
    case ExtendedKey::F1:
        // With an engine still speaking and a key already waiting, the user
        // is moving on: the word would only be cut off.
        if (!(m_speech.EngineActive() && m_keyboard.KeyWaiting() && m_speech.IsSpeaking()))
            ReadWord();
        if (m_column > LAST_COLUMN - 1) {
            m_speech.Tick();
            m_column = RowEnd(m_row);
        }
        return;
    case ExtendedKey::F5:
        ReadSearchText();
        return;
    case ExtendedKey::CtrlF5:
        Search();
        return;
    case ExtendedKey::F6:
        GoToRowAndColumn();
        return;
    case ExtendedKey::Home:
        m_column = 1;
        return;
    case ExtendedKey::End:
        m_column = RowEnd(m_row);
        return;
    case ExtendedKey::Up:
        if (m_row == 1) {
            m_speech.Beep();
            return;
        }
        --m_row;
        m_column = 1;
        ReadRow(m_row);
        return;
    case ExtendedKey::Down:
        m_speech.Tick();
        if (m_row == LAST_ROW) {
            m_speech.Beep();
            return;
        }
        ++m_row;
        m_column = 1;
        ReadRow(m_row);
        return;
    case ExtendedKey::PageUp:
        m_row = 1;
        m_column = 1;
        ReadRow(m_row);
        return;
    case ExtendedKey::PageDown:
        m_row = LAST_ROW;
        m_column = 1;
        ReadRow(m_row);
        return;
    case ExtendedKey::Left:
        if (m_column == 1) {
            m_speech.Beep();
            return;
        }
        m_speech.SpeakChar(CharAt(m_row, m_column - 1));
        --m_column;
        return;
    case ExtendedKey::Right:
        if (m_column >= PAST_LAST_COLUMN) {
            m_speech.Beep();
            return;
        }
        m_speech.SpeakChar(CharAt(m_row, m_column));
        ++m_column;
        return;
    case ExtendedKey::CtrlLeft:
        PreviousWord();
        return;
    case ExtendedKey::CtrlRight:
        NextWord();
        return;
    case ExtendedKey::ShiftTab:
        m_column = FieldAt(m_row, m_column).first - 2;
        m_speech.Tick();
        return;
    case ExtendedKey::CtrlF1: {
        const Span field = FieldAt(m_row, m_column);
        (void)ReadRange(m_row, field.first, m_row, field.last);
        return;
    }
    case ExtendedKey::CtrlPageUp:
    case ExtendedKey::CtrlPageDown: {
        const bool first = key.Is(ExtendedKey::CtrlPageUp);
        for (int i = 0; i < LAST_ROW * LAST_COLUMN; ++i) {
            const int cell = first ? i : LAST_ROW * LAST_COLUMN - 1 - i;
            const int row = cell / LAST_COLUMN + 1;
            const int column = cell % LAST_COLUMN + 1;
            if (IsLetter(CharAt(row, column))) {
                m_row = row;
                m_column = column;
                ReadRow(m_row);
                return;
            }
        }
        m_speech.Beep(); // nothing on the screen to go to
        return;
    }
    default:
        Nonsense();
        return;
    }
}

void ScreenReview::TwoLetterCommand(std::uint8_t first)
{
    const auto upper
        = [](std::uint8_t c) { return static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); };
    const Key second_key = m_keyboard.ReadWholeKey();
    m_speech.StopSpeech();
    const std::uint8_t extent = upper(first);
    const std::uint8_t span = second_key.extended ? 0 : upper(second_key.code);
    if ((extent != 'I' && extent != 'T' && extent != 'L' && extent != 'F')
        || (span != 'T' && span != 'L' && span != 'C')) {
        Nonsense();
        return;
    }
    const Span field = FieldAt(m_row, m_column);
    const auto end_of_screen = [&] {
        m_row = LAST_ROW;
        m_column = RowEnd(LAST_ROW);
    };
    if (extent == 'I') {
        if (span == 'T') {
            const int last_column = m_column - 1;
            if (ReadRange(1, 1, m_row, last_column))
                m_column = std::max(last_column, 1);
        } else if (span == 'L') {
            (void)ReadRange(m_row, 1, m_row, m_column - 1);
        } else {
            (void)ReadRange(m_row, field.first, m_row, m_column);
        }
    } else if (extent == 'F') {
        if (span == 'T') {
            if (ReadRange(m_row, m_column, LAST_ROW, LAST_COLUMN))
                end_of_screen();
        } else if (span == 'L') {
            (void)ReadRange(m_row, m_column, m_row, LAST_COLUMN);
        } else {
            (void)ReadRange(m_row, m_column, m_row, field.last);
        }
    } else {
        if (span == 'T') {
            if (ReadRange(1, 1, LAST_ROW, LAST_COLUMN))
                end_of_screen();
        } else if (span == 'L') {
            ReadRow(m_row);
        } else {
            (void)ReadRange(m_row, field.first, m_row, field.last);
        }
    }
}

bool ScreenReview::ReadRange(int r1, int c1, int r2, int c2)
{
    if (r1 == r2 && c2 < c1) {
        m_speech.Beep();
        return true;
    }
    for (int row = r1; row <= r2; ++row) {
        const int first = row == r1 ? std::max(c1, 1) : 1;
        const int last = row == r2 ? std::min(c2, LAST_COLUMN) : LAST_COLUMN;
        const std::string text = m_screen.RowText(row);
        const std::size_t lead = std::min(text.find_first_not_of(' '), text.size());
        (void)m_screen.ShowMagnified(text.substr(lead), first - static_cast<int>(lead));
        if (first <= last) {
            if (WordByWord()) {
                const int saved_row = m_row;
                const int saved_column = m_column;
                m_row = row;
                m_column = first;
                while (m_column <= last && !KeyInterrupts()) {
                    while (m_column <= last && CharAt(row, m_column) == ' ')
                        ++m_column;
                    if (m_column > last)
                        break;
                    ReadWord();
                }
                m_row = saved_row;
                m_column = saved_column;
            } else {
                std::string stretch = text.substr(
                    static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
                stretch.erase(stretch.find_last_not_of(' ') + 1);
                stretch.erase(0, std::min(stretch.find_first_not_of(' '), stretch.size()));
                if (!stretch.empty())
                    m_speech.Speak(stretch);
            }
        }
        if (KeyInterrupts())
            return false;
        m_speech.Tick();
    }
    return true;
}

void ScreenReview::ReadWord()
{
    while (m_column <= LAST_COLUMN && CharAt(m_row, m_column) == ' ')
        ++m_column;
    if (m_column > LAST_COLUMN)
        return;
    const std::uint8_t first = CharAt(m_row, m_column);
    std::string word(1, static_cast<char>(first));
    ++m_column;
    if (IsWordChar(first)) {
        while (m_column <= LAST_COLUMN && IsWordChar(CharAt(m_row, m_column))) {
            word.push_back(static_cast<char>(CharAt(m_row, m_column)));
            ++m_column;
            m_screen.ShowCursorAt(std::min(m_column, LAST_COLUMN) - 1, m_row - 1);
        }
        const bool spelled = std::all_of(word.begin(), word.end(),
            [](char c) { return IsSpelledConsonant(static_cast<std::uint8_t>(c)); });
        if (spelled)
            m_speech.Spell(word);
        else
            m_speech.Speak(word);
        return;
    }
    // A run of one mark is said once: "-----" is a line, not five dashes.
    while (m_column <= LAST_COLUMN && CharAt(m_row, m_column) == first) {
        if (word.size() < MAX_REPEATED_MARKS)
            word.push_back(static_cast<char>(first));
        ++m_column;
    }
    m_screen.ShowCursorAt(std::min(m_column, LAST_COLUMN) - 1, m_row - 1);
    m_speech.Speak(word);
}

void ScreenReview::ReadSearchText()
{
    m_speech.Speak(msg::MSG_ASK_SEARCH_TEXT);
    std::string text;
    for (;;) {
        m_speech.WaitSpeech();
        const Key key = m_keyboard.ReadWholeKey();
        m_speech.StopSpeech();
        if (key.extended)
            continue;
        if (key.Is(KEY_ESCAPE))
            return;
        if (key.Is(KEY_ENTER))
            break;
        if (key.Is(KEY_BACKSPACE)) {
            if (!text.empty()) {
                (void)m_speech.PlaySound("_DEL");
                m_speech.SpeakChar(static_cast<std::uint8_t>(text.back()));
                text.pop_back();
            }
            continue;
        }
        if (key.code < 32)
            continue;
        m_speech.SpeakChar(key.code);
        text.push_back(static_cast<char>(key.code));
    }
    m_search = text;
    Search();
}

void ScreenReview::Search()
{
    if (!m_search.empty()) {
        for (int row = m_row; row <= LAST_ROW; ++row) {
            std::string text = m_screen.RowText(row);
            // On the current row the search starts after the cursor.
            if (row == m_row)
                std::fill_n(text.begin(),
                    std::min<std::size_t>(static_cast<std::size_t>(m_column), text.size()), ' ');
            const std::size_t at = text.find(m_search);
            if (at != std::string::npos) {
                m_row = row;
                m_column = static_cast<int>(at) + 1;
                m_speech.Tick();
                return;
            }
        }
    }
    m_speech.Beep();
    m_speech.Beep();
}

void ScreenReview::GoToRowAndColumn()
{
    m_speech.Speak(msg::MSG_ASK_LINE_AND_COLUMN);
    int digits[4] = {};
    for (int& digit : digits) {
        m_speech.WaitSpeech();
        const Key key = m_keyboard.ReadWholeKey();
        m_speech.StopSpeech();
        if (!IsDigitKey(key)) {
            m_speech.Beep();
            m_speech.Beep();
            return;
        }
        m_speech.SpeakChar(key.code);
        digit = key.code - '0';
    }
    m_row = digits[0] * 10 + digits[1];
    m_column = digits[2] * 10 + digits[3];
}

void ScreenReview::PreviousWord()
{
    int column = std::min(m_column, PAST_LAST_COLUMN);
    while (column > 1 && CharAt(m_row, column - 1) == ' ')
        --column;
    if (column == 1) {
        m_column = 1;
        m_speech.Beep();
        return;
    }
    while (column > 1 && CharAt(m_row, column - 1) != ' ')
        --column;
    m_column = column;
    m_speech.Tick();
}

void ScreenReview::NextWord()
{
    int column = m_column;
    while (column <= LAST_COLUMN && CharAt(m_row, column) != ' ')
        ++column;
    while (column <= LAST_COLUMN && CharAt(m_row, column) == ' ')
        ++column;
    if (column > LAST_COLUMN) {
        m_speech.Beep();
        m_column = RowEnd(m_row);
        return;
    }
    m_column = column;
    m_speech.Tick();
}

void ScreenReview::CopyScreen()
{
    std::string screen;
    screen.reserve(static_cast<std::size_t>(LAST_ROW * (LAST_COLUMN + 2)));
    for (int row = 1; row <= LAST_ROW; ++row)
        screen += m_screen.RowText(row) + "\r\n";
    m_clipboard.PutText(screen);
}

} // namespace palavrino::console
