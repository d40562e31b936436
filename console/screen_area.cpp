// Saving, restoring and writing cells for the full-screen components.
#include "console/screen_area.h"

#include "console/screen_model.h"

#include <algorithm>
#include <string>

namespace palavrino::console {

SavedArea::SavedArea(const ScreenModel& screen, int column, int row, int width, int height)
{
    m_left = std::clamp(column, 1, SCREEN_COLUMNS) - 1;
    m_top = std::clamp(row, 1, SCREEN_ROWS) - 1;
    m_width = std::clamp(width, 0, SCREEN_COLUMNS - m_left);
    m_height = std::clamp(height, 0, SCREEN_ROWS - m_top);
    m_chars.reserve(static_cast<std::size_t>(m_width * m_height));
    m_attrs.reserve(static_cast<std::size_t>(m_width * m_height));
    for (int r = 0; r < m_height; ++r) {
        for (int c = 0; c < m_width; ++c) {
            m_chars.push_back(screen.CellChar(m_left + c, m_top + r));
            m_attrs.push_back(screen.CellAttr(m_left + c, m_top + r));
        }
    }
}

void SavedArea::Restore(ScreenModel& screen) const
{
    WholeScreen whole(screen);
    // Runs of cells in one colour are written together: each write is one
    // update of the front end.
    for (int r = 0; r < m_height; ++r) {
        const auto row_start = static_cast<std::size_t>(r * m_width);
        int c = 0;
        while (c < m_width) {
            const std::uint8_t attr = m_attrs[row_start + static_cast<std::size_t>(c)];
            int end = c + 1;
            while (end < m_width && m_attrs[row_start + static_cast<std::size_t>(end)] == attr)
                ++end;
            const std::string run(m_chars.begin() + static_cast<std::ptrdiff_t>(row_start) + c,
                m_chars.begin() + static_cast<std::ptrdiff_t>(row_start) + end);
            PutCells(screen, m_left + c + 1, m_top + r + 1, run, attr);
            c = end;
        }
    }
}

WholeScreen::WholeScreen(ScreenModel& screen)
    : m_screen(screen)
    , m_left(screen.WindowLeft() + 1)
    , m_top(screen.WindowTop() + 1)
    , m_right(screen.WindowRight() + 1)
    , m_bottom(screen.WindowBottom() + 1)
    , m_cursor_column(screen.WindowLeft() + screen.CursorColumn())
    , m_cursor_row(screen.WindowTop() + screen.CursorRow())
    , m_attr(screen.CurrentAttr())
{
    if (m_left != 1 || m_top != 1 || m_right != SCREEN_COLUMNS || m_bottom != SCREEN_ROWS)
        m_screen.SetWindow(1, 1, SCREEN_COLUMNS, SCREEN_ROWS);
}

void WholeScreen::SetFinalCursor(int column, int row)
{
    m_cursor_column = column;
    m_cursor_row = row;
}

WholeScreen::~WholeScreen()
{
    if (m_left != 1 || m_top != 1 || m_right != SCREEN_COLUMNS || m_bottom != SCREEN_ROWS)
        m_screen.SetWindow(m_left, m_top, m_right, m_bottom);
    m_screen.SetCurrentAttr(m_attr);
    // The cursor goes back into the window, where writing goes on.
    const int x = std::clamp(m_cursor_column - m_left + 1, 1, m_right - m_left + 1);
    const int y = std::clamp(m_cursor_row - m_top + 1, 1, m_bottom - m_top + 1);
    m_screen.MoveCursor(x, y);
}

void PutCells(ScreenModel& screen, int column, int row, std::string_view text, std::uint8_t attr)
{
    if (row < 1 || row > SCREEN_ROWS || column > SCREEN_COLUMNS || text.empty())
        return;
    if (column < 1) {
        const auto skip = static_cast<std::size_t>(1 - column);
        if (skip >= text.size())
            return;
        text.remove_prefix(skip);
        column = 1;
    }
    text = text.substr(0, static_cast<std::size_t>(SCREEN_COLUMNS - column + 1));
    // Control bytes would move the cursor instead of showing a cell.
    std::string shown(text);
    for (char& c : shown) {
        if (static_cast<std::uint8_t>(c) < 32)
            c = ' ';
    }
    const std::uint8_t saved = screen.CurrentAttr();
    screen.SetCurrentAttr(attr);
    screen.MoveCursor(column, row);
    screen.ConsoleWrite(shown, WriteOrigin::Echo);
    screen.SetCurrentAttr(saved);
}

} // namespace palavrino::console
