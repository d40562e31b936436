// Running the list menu and the pop-up list: drawing the visible items,
// moving, marking, typed search, and speaking the item arrived on.
#include "console/list_menu.h"

#include "console/screen_model.h"
#include "console/speech.h"
#include "platform/interrupt.h"

#include <algorithm>

namespace palavrino::console {

namespace {

    constexpr int CURRENT_COLOUR = 14;
    constexpr int MARKED_COLOUR = 2;
    constexpr int POPUP_TEXT_COLOUR = 15;

    // Where a moving key takes the position (-1 before the first item,
    // count after the last); nothing for other keys.
    std::optional<int> MoveTarget(const Key& key, int current, int count)
    {
        if (!key.extended)
            return std::nullopt;
        switch (static_cast<ExtendedKey>(key.code)) {
        case ExtendedKey::Down:
            return current + 1;
        case ExtendedKey::Up:
            return current - 1;
        case ExtendedKey::PageDown:
            return current + ListMenu::PAGE_STEP;
        case ExtendedKey::PageUp:
            return current - ListMenu::PAGE_STEP;
        case ExtendedKey::Home:
        case ExtendedKey::CtrlPageUp:
            return 0;
        case ExtendedKey::End:
        case ExtendedKey::CtrlPageDown:
            return count - 1;
        default:
            return std::nullopt;
        }
    }

    // Moves to the target; past either end the position is left outside the
    // items and the warning sounds.
    void MoveTo(Speech& speech, int& current, int target, int count)
    {
        if (target < 0 || target >= count) {
            current = target < 0 ? -1 : count;
            speech.Beep();
            return;
        }
        current = target;
    }

    bool IsReviewKey(const Key& key)
    {
        return key.Is(ExtendedKey::CtrlF9) && key.Alt();
    }

    // The first visible item keeps the current one inside rows.
    int ScrollFor(int scroll, int current, int count, int rows)
    {
        const int target = std::clamp(current, 0, std::max(count - 1, 0));
        if (target < scroll)
            scroll = target;
        if (target >= scroll + rows)
            scroll = target - rows + 1;
        return std::max(scroll, 0);
    }

    std::string Fit(std::string_view text, int width)
    {
        std::string out(text.substr(0, static_cast<std::size_t>(width)));
        out.resize(static_cast<std::size_t>(width), ' ');
        return out;
    }

    std::uint8_t Fold(std::uint8_t c)
    {
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            return static_cast<std::uint8_t>(c - 0x20);
        return c;
    }

} // namespace

ListMenu::ListMenu(ScreenParts parts)
    : m_parts(std::move(parts))
{
}

void ListMenu::Make(int left, int top, int right, int bottom)
{
    m_left = std::clamp(std::min(left, right), 1, SCREEN_COLUMNS);
    m_right = std::clamp(std::max(left, right), 1, SCREEN_COLUMNS);
    m_top = std::clamp(std::min(top, bottom), 1, SCREEN_ROWS);
    m_bottom = std::clamp(std::max(top, bottom), 1, SCREEN_ROWS);
    m_items.clear();
    m_marks.clear();
    m_scroll = 0;
    m_made = true;
}

void ListMenu::Add(std::string text)
{
    m_items.push_back(std::move(text));
    m_marks.push_back(false);
}

std::string ListMenu::ItemText(int position) const
{
    return position >= 0 && position < Count() ? m_items[static_cast<std::size_t>(position)] : std::string();
}

bool ListMenu::Marked(int position) const
{
    return position >= 0 && position < Count() && m_marks[static_cast<std::size_t>(position)];
}

void ListMenu::Draw(int current, std::uint8_t normal_attr)
{
    const int rows = m_bottom - m_top + 1;
    const int width = m_right - m_left + 1;
    m_scroll = ScrollFor(m_scroll, current, Count(), rows);
    const int back = normal_attr >> 4;
    for (int row = 0; row < rows; ++row) {
        const int i = m_scroll + row;
        std::uint8_t attr = normal_attr;
        if (i == current)
            attr = MakeAttr(CURRENT_COLOUR, back);
        else if (Marked(i))
            attr = MakeAttr(MARKED_COLOUR, back);
        PutCells(m_parts.screen, m_left, m_top + row, Fit(ItemText(i), width), attr);
    }
    // The cursor stands on the current item, or on the edge it went past.
    const int shown = std::clamp(current - m_scroll, 0, rows - 1);
    m_parts.screen.MoveCursor(m_left, m_top + shown);
}

void ListMenu::Speak(int current)
{
    if (current < 0 || current >= Count())
        return;
    if (Marked(current))
        m_parts.speech.Beep();
    const std::string& text = m_items[static_cast<std::size_t>(current)];
    (void)m_parts.screen.ShowMagnified(text, 1);
    m_parts.speech.Speak(text);
}

MenuRun ListMenu::Run(int start_item)
{
    WholeScreen whole(m_parts.screen);
    const std::uint8_t normal_attr = m_parts.screen.CurrentAttr();
    int current = std::clamp(start_item - 1, -1, Count());
    MenuRun result;
    for (;;) {
        Draw(current, normal_attr);
        Speak(current);
        const Key key = m_parts.keys.ReadWholeKey();
        m_parts.speech.StopSpeech();
        if (platform::InterruptPending()) {
            result.key = Key::Byte(KEY_ESCAPE);
            break;
        }
        if (!key.extended) {
            const bool inside = current >= 0 && current < Count();
            const auto at = static_cast<std::size_t>(std::max(current, 0));
            if (key.code == ' ' && inside)
                m_marks[at] = !m_marks[at];
            else if (key.code == '*')
                std::fill(m_marks.begin(), m_marks.end(), true);
            else if (key.code == '+' && inside)
                m_marks[at] = true;
            else if (key.code == '-' && inside)
                m_marks[at] = false;
            else if (key.code == '/')
                std::fill(m_marks.begin(), m_marks.end(), false);
            else if (key.code != ' ' && key.code != '+' && key.code != '-') {
                result.key = key;
                break;
            }
            continue;
        }
        if (const auto target = MoveTarget(key, current, Count())) {
            MoveTo(m_parts.speech, current, *target, Count());
            continue;
        }
        if (IsReviewKey(key)) {
            if (m_parts.screen_review)
                m_parts.screen_review();
            continue;
        }
        const bool function_key = key.code >= 59 && key.code <= 70;
        const bool ctrl_function_key = key.code >= 94 && key.code <= 105;
        if (function_key || ctrl_function_key || key.Is(ExtendedKey::Left) || key.Is(ExtendedKey::Right)) {
            result.key = key;
            break;
        }
    }
    m_parts.screen.HideMagnified();
    result.position = current;
    return result;
}

void ListMenu::Close()
{
    if (!m_made)
        return;
    {
        WholeScreen whole(m_parts.screen);
        const std::string blank(static_cast<std::size_t>(m_right - m_left + 1), ' ');
        for (int row = m_top; row <= m_bottom; ++row)
            PutCells(m_parts.screen, m_left, row, blank, m_parts.screen.CurrentAttr());
        whole.SetFinalCursor(m_left, m_top);
    }
    m_items.clear();
    m_marks.clear();
    m_scroll = 0;
}

PopupList::PopupList(ScreenParts parts)
    : m_parts(std::move(parts))
{
}

void PopupList::Make(int column, int row, int width, int height, int back_colour)
{
    m_width = std::clamp(width, 1, SCREEN_COLUMNS);
    m_height = std::clamp(height, 1, SCREEN_ROWS);
    // The area is moved left and up until it fits the screen.
    m_column = std::max(std::min(column, SCREEN_COLUMNS - m_width), 1);
    m_row = std::max(std::min(row, SCREEN_ROWS - m_height + 1), 1);
    m_back_colour = back_colour & 0x0F;
    m_scroll = 0;
    m_items.clear();
    m_result_text.clear();
    m_saved.emplace(m_parts.screen, m_column, m_row, m_width, m_height);
}

void PopupList::Add(std::string sound_key, std::string text)
{
    m_items.push_back(Item { std::move(sound_key), std::move(text) });
}

void PopupList::Draw(int current)
{
    m_scroll = ScrollFor(m_scroll, current, Count(), m_height);
    for (int row = 0; row < m_height; ++row) {
        const int i = m_scroll + row;
        const bool item = i >= 0 && i < Count();
        const std::string text = item ? m_items[static_cast<std::size_t>(i)].text : std::string();
        const int colour = i == current ? CURRENT_COLOUR : POPUP_TEXT_COLOUR;
        PutCells(m_parts.screen, m_column, m_row + row, Fit(text, m_width), MakeAttr(colour, m_back_colour));
    }
    const int shown = std::clamp(current - m_scroll, 0, m_height - 1);
    m_parts.screen.MoveCursor(m_column, m_row + shown);
}

void PopupList::Speak(int current, bool spell)
{
    if (current < 0 || current >= Count())
        return;
    const Item& item = m_items[static_cast<std::size_t>(current)];
    if (spell) {
        m_parts.speech.Spell(item.text);
    } else if (!item.sound_key.empty() && m_parts.speech.SoundExists(item.sound_key)) {
        (void)m_parts.speech.PlaySound(item.sound_key);
    } else {
        m_parts.speech.Speak(item.text);
    }
}

int PopupList::FindByInitial(int current, std::uint8_t c) const
{
    // After the last item (where a failed search leaves the position) the
    // search starts again from the top.
    const int from = current >= Count() ? 0 : current + 1;
    for (int i = from; i < Count(); ++i) {
        const std::string& text = m_items[static_cast<std::size_t>(i)].text;
        const std::size_t first = text.find_first_not_of(' ');
        if (first != std::string::npos && Fold(static_cast<std::uint8_t>(text[first])) == Fold(c))
            return i;
    }
    return Count();
}

int PopupList::Run()
{
    if (!m_saved)
        return 0;
    int chosen = 0;
    {
        WholeScreen whole(m_parts.screen);
        int current = Count() > 0 ? 0 : -1;
        bool spell = false;
        for (;;) {
            Draw(current);
            Speak(current, spell);
            spell = false;
            Key key = m_parts.keys.ReadWholeKey();
            m_parts.speech.StopSpeech();
            if (platform::InterruptPending() || key.Is(KEY_ESCAPE))
                break;
            // 223 announces a key that follows.
            while (key.Is(KEY_IGNORED))
                key = m_parts.keys.ReadWholeKey();
            if (key.Is(KEY_ENTER)) {
                if (current >= 0 && current < Count())
                    chosen = current + 1;
                break;
            }
            if (const auto target = MoveTarget(key, current, Count())) {
                MoveTo(m_parts.speech, current, *target, Count());
            } else if (IsReviewKey(key)) {
                if (m_parts.screen_review)
                    m_parts.screen_review();
            } else if (key.Is(ExtendedKey::Right)) {
                spell = true;
            } else if (!key.extended) {
                const std::uint8_t c = key.code;
                const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0;
                const bool digit = c >= '0' && c <= '9';
                if (letter || digit || c == '*' || c == '+' || c == '-' || c == '/') {
                    current = FindByInitial(current, c);
                    if (current >= Count())
                        m_parts.speech.Beep();
                }
            }
        }
        m_result_text = chosen > 0 ? m_items[static_cast<std::size_t>(chosen - 1)].text : std::string();
        m_saved->Restore(m_parts.screen);
    }
    m_saved.reset();
    m_items.clear();
    return chosen;
}

} // namespace palavrino::console
