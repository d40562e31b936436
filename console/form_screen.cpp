// Running a form: drawing the fields that fit, the scrolled rows, editing
// the current field and moving between fields by the key that ended it.
#include "console/form_screen.h"

#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/list_menu.h"
#include "console/screen_area.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "platform/interrupt.h"

#include <algorithm>

namespace palavrino::console {

namespace {

    constexpr int LABEL_BACK_COLOUR = 4;
    constexpr int VALUE_BACK_COLOUR = 0;
    constexpr int CURRENT_COLOUR = 14;
    constexpr int OPTIONS_BACK_COLOUR = 5;
    // The value column ends here, so that a field never reaches the last
    // column (writing it would move to the next row).
    constexpr int LAST_VALUE_COLUMN = 79;

} // namespace

struct FormScreen::Session {
    ScreenParts& parts;
    std::vector<FormField>& fields;
    bool editable { true };
    int start_row { 1 };
    int rows { 1 }; // screen rows the form may use
    int scroll { 0 };
    int text_colour { 15 };

    int Count() const { return static_cast<int>(fields.size()); }
    int Width(const FormField& field) const
    {
        return std::clamp(field.max_length, 1, LAST_VALUE_COLUMN - FormScreen::LABEL_WIDTH);
    }
    int RowOf(int i) const { return start_row + i - scroll; }

    void DrawField(int i, bool current)
    {
        const int row = RowOf(i);
        if (row < start_row || row >= start_row + rows || i < 0 || i >= Count())
            return;
        const FormField& field = fields[static_cast<std::size_t>(i)];
        std::string label = field.label + " ";
        label = label.size() > static_cast<std::size_t>(FormScreen::LABEL_WIDTH)
            ? label.substr(0, static_cast<std::size_t>(FormScreen::LABEL_WIDTH))
            : std::string(static_cast<std::size_t>(FormScreen::LABEL_WIDTH) - label.size(), ' ') + label;
        PutCells(parts.screen, 1, row, label, MakeAttr(text_colour, LABEL_BACK_COLOUR));
        std::string value = field.value.substr(0, static_cast<std::size_t>(Width(field)));
        value.resize(static_cast<std::size_t>(SCREEN_COLUMNS - FormScreen::LABEL_WIDTH), ' ');
        const std::size_t shown = static_cast<std::size_t>(Width(field));
        PutCells(parts.screen, FormScreen::LABEL_WIDTH + 1, row, value.substr(0, shown),
            MakeAttr(current ? CURRENT_COLOUR : text_colour, VALUE_BACK_COLOUR));
        PutCells(parts.screen, FormScreen::LABEL_WIDTH + 1 + static_cast<int>(shown), row,
            value.substr(shown, value.size() - shown - (row == SCREEN_ROWS ? 1 : 0)),
            MakeAttr(text_colour, VALUE_BACK_COLOUR));
    }

    void DrawAll()
    {
        for (int i = scroll; i < Count() && RowOf(i) < start_row + rows; ++i)
            DrawField(i, false);
    }

    // Scrolls so that position i (a field, or the place after the last)
    // is on a row of the form.
    void Show(int i)
    {
        const int before = scroll;
        const int target = std::max(i, 0);
        if (target < scroll)
            scroll = target;
        if (target >= scroll + rows)
            scroll = target - rows + 1;
        if (scroll != before) {
            const std::string blank(static_cast<std::size_t>(SCREEN_COLUMNS - 1), ' ');
            for (int r = start_row; r < start_row + rows; ++r)
                PutCells(parts.screen, 1, r, blank, MakeAttr(text_colour, VALUE_BACK_COLOUR));
            DrawAll();
        }
    }

    Key EditField(int i)
    {
        FormField& field = fields[static_cast<std::size_t>(i)];
        DrawField(i, true);
        Speech& speech = parts.speech;
        if (speech.SoundExists(field.label))
            (void)speech.PlaySound(field.label);
        else
            speech.Speak(field.label);
        speech.WaitSpeech();
        if (!field.value.empty())
            speech.Speak(field.value);
        const std::uint8_t saved = parts.screen.CurrentAttr();
        parts.screen.SetCurrentAttr(MakeAttr(CURRENT_COLOUR, VALUE_BACK_COLOUR));
        const Key key = parts.editor.EditLine(
            field.value, FormScreen::LABEL_WIDTH + 1, RowOf(i), editable, Width(field), field.max_length);
        parts.screen.SetCurrentAttr(saved);
        DrawField(i, false);
        return key;
    }

    void OfferOptions(int i)
    {
        FormField& field = fields[static_cast<std::size_t>(i)];
        std::size_t widest = 1;
        for (const std::string& option : field.options)
            widest = std::max(widest, option.size());
        PopupList list(parts);
        list.Make(FormScreen::LABEL_WIDTH + 1, RowOf(i) + 1, static_cast<int>(widest),
            static_cast<int>(field.options.size()), OPTIONS_BACK_COLOUR);
        for (const std::string& option : field.options)
            list.Add({}, option);
        if (list.Run() > 0)
            field.value = list.ResultText().substr(0, static_cast<std::size_t>(field.max_length));
    }

    // The place before the first field or after the last: a beep, and a key.
    Key EmptyPlace(int i)
    {
        const int row = i < 0 ? start_row : std::min(RowOf(Count()), start_row + rows - 1);
        parts.screen.MoveCursor(1, row);
        parts.speech.Beep();
        return parts.keys.ReadWholeKey();
    }
};

FormScreen::FormScreen(ScreenParts parts)
    : m_parts(std::move(parts))
{
}

void FormScreen::Run(std::vector<FormField>& fields, int start_row, bool editable)
{
    WholeScreen whole(m_parts.screen);
    Session s { m_parts, fields };
    s.editable = editable;
    s.start_row = std::clamp(start_row, 1, SCREEN_ROWS);
    s.rows = SCREEN_ROWS - s.start_row + 1;
    s.text_colour = m_parts.screen.CurrentAttr() & 0x0F;
    m_parts.keys.FlushKeys();
    s.DrawAll();
    int current = fields.empty() ? 0 : 0;
    const int count = static_cast<int>(fields.size());
    for (;;) {
        s.Show(std::clamp(current, 0, count));
        const bool on_field = current >= 0 && current < count;
        const Key key = on_field ? s.EditField(current) : s.EmptyPlace(current);
        if (platform::InterruptPending() || key.Is(KEY_ESCAPE) || key.Is(ExtendedKey::PageUp)
            || key.Is(ExtendedKey::PageDown))
            break;
        if (key.Is(KEY_TAB) || key.Is(KEY_ENTER) || key.Is(ExtendedKey::Down))
            current = std::min(current + 1, count);
        else if (key.Is(ExtendedKey::Up))
            current = std::max(current - 1, -1);
        else if (key.Is(ExtendedKey::CtrlUp))
            current = 0;
        else if (key.Is(ExtendedKey::CtrlDown))
            current = count - 1;
        else if (key.Is(ExtendedKey::F9) && on_field
            && !fields[static_cast<std::size_t>(current)].options.empty() && editable)
            s.OfferOptions(current);
    }
    // Writing goes on below the form.
    whole.SetFinalCursor(1, std::min(s.RowOf(count), SCREEN_ROWS));
}

} // namespace palavrino::console
