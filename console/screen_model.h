// The text screen: 80 columns by 25 rows of cells, each a Windows-1252
// character byte and an attribute byte (foreground colour index in the low
// nibble, background in the high nibble), stored row-major in two buffers.
// Writing happens inside a text window (a rectangle of the screen, the
// whole screen by default); the cursor is kept relative to the window's
// top-left corner, and the public operations speak 1-based coordinates.
//
// The model is platform-free. A front end (platform::ScreenListener) is told
// about every change and reads the cells back through platform::CellView;
// every cell stays readable for speech and screen review. The screen
// transcript ("ScTela-" files) is kept here too, because it records what the
// screen shows.
#pragma once

#include "platform/terminal.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

namespace palavrino::console {

class ConfigFile;

constexpr int SCREEN_COLUMNS = 80;
constexpr int SCREEN_ROWS = 25;
// A caption longer than this is cut and marked with "..." so that window
// lists and screen readers get a short title.
constexpr std::size_t MAX_TITLE_LENGTH = 140;

// Display settings read from the configuration when the console starts.
struct ScreenSettings {
    // Colour index -> palette index; an entry outside 0-15 draws black.
    std::array<int, 16> colour_table { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 };
    bool colours_fixed { false }; // colour changes are ignored
    bool slow_scroll { false }; // scroll by moving pixels (window front end)
    std::uint8_t initial_attr { 0x0F };
};

ScreenSettings ReadScreenSettings(const ConfigFile& config);

// Where a write comes from. The echo of typing and redraws of an edited
// field change the cells like any write but are not the program's output.
enum class WriteOrigin : std::uint8_t {
    Program = 0,
    Echo = 1,
};

class ScreenModel final : public platform::CellView {
public:
    explicit ScreenModel(const ScreenSettings& settings = {});
    ~ScreenModel() override;
    ScreenModel(const ScreenModel&) = delete;
    ScreenModel& operator=(const ScreenModel&) = delete;

    // The front end to notify; may be null (nothing is shown).
    void SetListener(platform::ScreenListener* listener) { m_listener = listener; }

    // Writes bytes at the cursor: bell, backspace, line feed and carriage
    // return act; other control bytes (tab included) leave no trace.
    void ConsoleWrite(std::string_view bytes, WriteOrigin origin = WriteOrigin::Program);
    void ConsoleWriteLine(std::string_view bytes, WriteOrigin origin = WriteOrigin::Program);

    void MoveCursor(int x, int y);
    int CursorColumn() const { return m_cursor_column + 1; }
    int CursorRow() const { return m_cursor_row + 1; }

    void ClearWindow();
    void ClearToLineEnd();

    void SetTextColour(int colour);
    void SetBackColour(int colour);
    std::uint8_t CurrentAttr() const { return m_current_attr; }

    // 1-based screen coordinates of the window's corners.
    void SetWindow(int x1, int y1, int x2, int y2);
    int WindowLeft() const { return m_window_left; } // 0-based screen column
    int WindowTop() const { return m_window_top; } // 0-based screen row
    int WindowRight() const { return m_window_right; } // inclusive
    int WindowBottom() const { return m_window_bottom; } // inclusive
    int WindowWidth() const { return m_window_right - m_window_left + 1; }
    int WindowHeight() const { return m_window_bottom - m_window_top + 1; }

    // Cells at window-relative 1-based (x, y); a cell outside the screen
    // reads as a blank with attribute 0.
    std::uint8_t ScreenChar(int x, int y) const;
    std::uint8_t ScreenAttr(int x, int y) const;
    // A screen row (1-based, absolute) as text, for speech and review.
    std::string RowText(int row) const;

    void SetTitle(std::string_view text);
    const std::string& Title() const { return m_title; }

    // --- Transcript ---
    // Starts or stops copying to the transcript and writes which file is
    // used. Returns whether recording is now on.
    bool ToggleScreenRecording();
    bool IsRecording() const { return m_recording; }
    void RecordText(std::string_view text);
    void RecordLine(std::string_view text);
    const std::filesystem::path& TranscriptPath() const { return m_transcript_path; }
    // Tests choose the directory and the clock; by default the current
    // directory and the local time.
    void SetTranscriptDirectory(std::filesystem::path dir) { m_transcript_dir = std::move(dir); }
    void SetClock(std::function<std::tm()> clock) { m_clock = std::move(clock); }

    // --- platform::CellView ---
    int Columns() const override { return SCREEN_COLUMNS; }
    int Rows() const override { return SCREEN_ROWS; }
    std::uint8_t CellChar(int column, int row) const override;
    std::uint8_t CellAttr(int column, int row) const override;
    int PaletteIndex(int colour) const override;
    int CursorScreenColumn() const override { return m_window_left + m_cursor_column; }
    int CursorScreenRow() const override { return m_window_top + m_cursor_row; }

    const ScreenSettings& Settings() const { return m_settings; }

private:
    static constexpr int CELL_COUNT = SCREEN_COLUMNS * SCREEN_ROWS;
    static int Index(int column, int row) { return row * SCREEN_COLUMNS + column; }

    void NewLine(int& dirty_begin, int& dirty_end);
    void PaintSpan(int dirty_begin, int dirty_end);
    void FillRow(int screen_row, int first_column, int end_column);
    void Refresh();
    void WriteTranscript(std::string_view text);

    ScreenSettings m_settings;
    std::array<std::uint8_t, CELL_COUNT> m_chars {};
    std::array<std::uint8_t, CELL_COUNT> m_attrs {};
    std::uint8_t m_current_attr { 0x0F };
    int m_window_left { 0 };
    int m_window_top { 0 };
    int m_window_right { SCREEN_COLUMNS - 1 };
    int m_window_bottom { SCREEN_ROWS - 1 };
    // Window-relative; the column may equal the window width after the last
    // cell of a row was written (the next character wraps).
    int m_cursor_column { 0 };
    int m_cursor_row { 0 };
    std::string m_title;
    platform::ScreenListener* m_listener { nullptr };

    bool m_recording { false };
    std::ofstream m_transcript;
    std::filesystem::path m_transcript_path; // empty until the first recording
    std::filesystem::path m_transcript_dir { "." };
    std::function<std::tm()> m_clock;
};

} // namespace palavrino::console
