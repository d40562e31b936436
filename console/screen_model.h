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

#include "platform/system_clipboard.h"
#include "platform/terminal.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::console {

class ConfigFile;

constexpr int SCREEN_COLUMNS = 80;
constexpr int SCREEN_ROWS = 25;
// A caption longer than this is cut and marked with "..." so that window
// lists and screen readers get a short title.
constexpr std::size_t MAX_TITLE_LENGTH = 140;

// The sixteen colours a colour index is finally drawn with; the terminal
// back ends draw with the same ones.
using Rgb = platform::Rgb;
inline constexpr const std::array<Rgb, 16>& PALETTE = platform::CONSOLE_PALETTE;

// The font a graphical window draws the cells with. Sizes are in pixels.
struct FontSettings {
    std::string face { "Lucida Console" };
    int width { 13 };
    int height { 28 };
    int weight { 700 };
};

// Display settings read from the configuration when the console starts.
struct ScreenSettings {
    // Colour index -> palette index; an entry outside 0-15 draws black.
    std::array<int, 16> colour_table { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 };
    bool colours_fixed { false }; // colour changes are ignored
    bool slow_scroll { false }; // scroll by moving pixels (window front end)
    std::uint8_t initial_attr { 0x0F };
    FontSettings font;
    // A window opens at its normal size ("CANTOTELA" starting with "S"),
    // otherwise maximised.
    bool opens_normal { true };
    int braille_mode { 0 }; // 0 off, 1 plain, 2 with capital and number signs
};

// The desktop's usable area in pixels, which the default font size scales
// with; a text front end has none and the reference size applies.
struct WorkArea {
    int width { 1024 };
    int height { 734 };
};

ScreenSettings ReadScreenSettings(const ConfigFile& config, WorkArea work_area = {});

// The magnified view of the line being edited, for low-vision users.
struct MagnifierSettings {
    int factor { 0 }; // 0 = off, at most 10
    int letter_colour { 14 };
    int back_colour { 6 };
    int cursor_colour { 3 };
};

MagnifierSettings ReadMagnifierSettings(const ConfigFile& config);

// What the magnified view shows: the slice of text and which character of
// it is drawn in the cursor colour (the one just before the edit position).
struct MagnifiedView {
    std::string text; // exactly the visible length, blank padded
    int cursor_index { -1 }; // 0-based in text; -1 when the cursor is before it
};

// Pixel geometry of a graphical console for a font's metrics.
struct FontMetrics {
    int char_width { 8 };
    int line_height { 16 };
    int ascent { 12 };
    int overhang { 0 };
};
struct PixelPoint {
    int x { 0 };
    int y { 0 };
    bool operator==(const PixelPoint&) const = default;
};
// Top-left corner of a cell (0-based screen column and row).
PixelPoint CellOrigin(const FontMetrics& metrics, int column, int row);
// Where the two-pixel caret sits for a screen cell.
PixelPoint CaretOrigin(const FontMetrics& metrics, int column, int row);

// A picture drawn under the text (BMP with a 40-byte info header).
struct BackgroundPicture {
    int width { 0 };
    int height { 0 }; // negative for a top-down bitmap, as in the file
    int bit_count { 0 };
    std::vector<std::uint8_t> header; // info header and palette
    std::vector<std::uint8_t> pixels;
    // The pixels decoded: red, green, blue, top row first.
    std::vector<std::uint8_t> rgb;
    PixelPoint position;
    double scale { 1.0 };
};

// Parses a BMP file's bytes; nothing when the file is not a BMP this
// console can draw (info header other than 40 bytes, compressed pixels,
// sizes, offsets or bit counts that do not fit the file).
std::optional<BackgroundPicture> ParseBmp(std::string_view bytes);

// The wave that a continuous tone loops: one second of 8-bit mono samples
// at 11025 Hz after a 44-byte RIFF header, in square periods.
std::vector<std::uint8_t> BuildToneWave(int frequency_hz);

// The console's clipboard. The program always has this one; where a
// desktop clipboard is attached, what is put here is offered to the
// desktop's programs too, and reading takes another program's newer text.
class Clipboard {
public:
    // The desktop clipboard to keep in step with (nullptr: none); it must
    // outlive this one.
    void AttachSystem(platform::SystemClipboard* system) { m_system = system; }
    void PutText(std::string_view text) { static_cast<void>(PutBytes(text)); }
    // The clipboard holds text up to its first NUL, like the desktop's.
    // False when the desktop refused the text (the program keeps it).
    bool PutBytes(std::string_view bytes);
    // At most capacity - 1 characters; nothing at all for capacity 0.
    std::string GetText(std::size_t capacity = std::string::npos);

private:
    std::string m_text;
    platform::SystemClipboard* m_system { nullptr };
};

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
    // What the bell byte (7) sounds: the program's own beep through the
    // sound output, so a silent terminal still lets the user hear it. Unset,
    // the front end's bell rings.
    void SetBellSound(std::function<void()> bell) { m_bell_sound = std::move(bell); }

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
    // Sets the whole attribute, whatever the fixed-colours setting: for the
    // console's own drawing (a selection, hidden typing), which is put back
    // right after.
    void SetCurrentAttr(std::uint8_t attr) { m_current_attr = attr; }

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

    // Restores and raises (true) or hides (false) the console window.
    void SetVisible(bool shown);
    bool Visible() const { return m_visible; }

    // --- Magnified view ---
    void SetMagnifier(const MagnifierSettings& settings);
    const MagnifierSettings& Magnifier() const { return m_magnifier; }
    // Shows text around the 1-based position p; nothing while the
    // magnifier is off.
    std::optional<MagnifiedView> ShowMagnified(std::string_view text, int p);
    void HideMagnified();

    // --- Background picture ---
    // Loads a BMP file; false (the previous picture stays) when it cannot
    // be read or is not a BMP with a 40-byte info header.
    bool LoadBackgroundPicture(const std::filesystem::path& file);
    // The same from the bytes of a BMP file.
    bool LoadBackgroundPictureBytes(std::string_view bytes);
    void RemoveBackgroundPicture();
    void DrawBackgroundPicture(int x, int y);
    const std::optional<BackgroundPicture>& Background() const { return m_background; }

    // --- Transcript ---
    // Starts or stops copying to the transcript and writes which file is
    // used. Returns whether recording is now on. The text goes to a
    // temporary file beside the transcript (holding a copy of an earlier
    // recording of the run) that replaces it when recording stops, so a
    // failed write never loses what the file held.
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
    int CursorScreenColumn() const override
    {
        return m_shown_cursor_column >= 0 ? m_shown_cursor_column : m_window_left + m_cursor_column;
    }
    int CursorScreenRow() const override
    {
        return m_shown_cursor_row >= 0 ? m_shown_cursor_row : m_window_top + m_cursor_row;
    }

    // Shows the cursor on a cell anywhere on the screen (0-based, absolute)
    // without moving the writing position, for reading the screen back;
    // ReleaseShownCursor puts it back where writing goes on.
    void ShowCursorAt(int column, int row);
    void ReleaseShownCursor();

    const ScreenSettings& Settings() const { return m_settings; }

private:
    static constexpr int CELL_COUNT = SCREEN_COLUMNS * SCREEN_ROWS;
    static int Index(int column, int row) { return row * SCREEN_COLUMNS + column; }

    void NewLine(int& dirty_begin, int& dirty_end);
    void PaintSpan(int dirty_begin, int dirty_end);
    void FillRow(int screen_row, int first_column, int end_column);
    void Refresh();
    void WriteTranscript(std::string_view text);
    // Hands the picture (or its absence) to the front end.
    void TellBackground();
    // Closes the temporary file and puts it in the transcript's place;
    // false (the temporary file removed) when anything failed.
    bool FinishTranscript();

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
    int m_shown_cursor_column { -1 }; // -1: the writing cursor is shown
    int m_shown_cursor_row { -1 };
    std::string m_title;
    bool m_visible { true };
    std::function<void()> m_bell_sound;
    platform::ScreenListener* m_listener { nullptr };
    MagnifierSettings m_magnifier;
    int m_magnifier_origin { 1 }; // 1-based index of the first character shown
    std::optional<BackgroundPicture> m_background;

    bool m_recording { false };
    // Made at the first recording: a file stream sets up the C++ locale
    // machinery, which a script that never records should not wait for.
    std::unique_ptr<std::ofstream> m_transcript;
    std::filesystem::path m_transcript_temp;
    std::filesystem::path m_transcript_path; // empty until the first recording
    std::filesystem::path m_transcript_dir { "." };
    std::function<std::tm()> m_clock;
};

} // namespace palavrino::console
