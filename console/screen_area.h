// Small drawing helpers shared by the full-screen components: a saved
// rectangle of cells put back when a screen closes, the whole screen as the
// text window for the time a component draws, and writing a run of cells
// at an absolute position in a given attribute. Drawing here is never the
// program's output (the stream front end does not show it).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace palavrino::console {

class ScreenModel;

// The cells of a rectangle (1-based screen columns and rows, clipped to
// the screen), restored cell by cell with their colours.
class SavedArea {
public:
    SavedArea(const ScreenModel& screen, int column, int row, int width, int height);
    void Restore(ScreenModel& screen) const;

private:
    int m_left { 0 }; // 0-based
    int m_top { 0 };
    int m_width { 0 };
    int m_height { 0 };
    std::vector<std::uint8_t> m_chars;
    std::vector<std::uint8_t> m_attrs;
};

// For its lifetime the text window is the whole screen; the caller's
// window, cursor and colours come back at the end.
class WholeScreen {
public:
    explicit WholeScreen(ScreenModel& screen);
    ~WholeScreen();
    WholeScreen(const WholeScreen&) = delete;
    WholeScreen& operator=(const WholeScreen&) = delete;

    // Where the caller's cursor was, 1-based on the screen.
    int CursorColumn() const { return m_cursor_column; }
    int CursorRow() const { return m_cursor_row; }
    // The cursor goes here instead of back to where it was.
    void SetFinalCursor(int column, int row);

private:
    ScreenModel& m_screen;
    int m_left, m_top, m_right, m_bottom; // 1-based window corners
    int m_cursor_column, m_cursor_row; // 1-based screen position
    std::uint8_t m_attr;
};

// Writes text at a 1-based screen position in attr, cut at the screen's
// right edge; the window must be the whole screen.
void PutCells(ScreenModel& screen, int column, int row, std::string_view text, std::uint8_t attr);

constexpr std::uint8_t MakeAttr(int text_colour, int back_colour)
{
    return static_cast<std::uint8_t>((text_colour & 0x0F) | ((back_colour & 0x0F) << 4));
}

} // namespace palavrino::console
