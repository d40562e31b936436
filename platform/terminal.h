// What a console front end (stream, terminal, window) offers the console: it
// is told what the screen model changed and shows it, and it delivers the
// keys the user types. The cell model itself stays in the console; a front
// end reads cells through CellView and never changes them.
//
// All text crossing these interfaces is Windows-1252; converting to what the
// device wants (UTF-8, terminal colours) is each front end's business.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace palavrino::platform {

// Read-only access to the text screen. Coordinates are 0-based, absolute on
// the screen (not relative to a text window).
class CellView {
public:
    virtual ~CellView() = default;
    virtual int Columns() const = 0;
    virtual int Rows() const = 0;
    virtual std::uint8_t CellChar(int column, int row) const = 0;
    // Low nibble: foreground colour index; high nibble: background.
    virtual std::uint8_t CellAttr(int column, int row) const = 0;
    // The palette entry a colour nibble is drawn with; above 15 draws black.
    virtual int PaletteIndex(int colour) const = 0;
    virtual int CursorScreenColumn() const = 0;
    virtual int CursorScreenRow() const = 0;
};

// Output half: the screen model reports every change here.
class ScreenListener {
public:
    virtual ~ScreenListener() = default;
    // Text the program wrote, as given (with its control bytes). The echo of
    // typing and redraws of an edited field are not reported here, so a front
    // end that only copies text out shows what the program said.
    virtual void TextWritten(std::string_view text) = 0;
    // Cells first_column ... end_column-1 of a screen row have new contents.
    virtual void CellsChanged(int row, int first_column, int end_column) = 0;
    // The rectangle (inclusive screen coordinates) moved up one row and its
    // last row was blanked; every cell in it has changed.
    virtual void RegionScrolled(int left, int top, int right, int bottom) = 0;
    virtual void TitleChanged(std::string_view title) = 0;
    virtual void Bell() = 0;
    // End of a console operation: bring the display up to date (cursor too).
    virtual void Refresh(const CellView& view) = 0;
};

// Input half: the keys as the key-byte stream (a character byte, or 0
// followed by an extended-key code).
class KeySource {
public:
    virtual ~KeySource() = default;
    // A byte can be read without waiting. False at the end of input.
    virtual bool KeyWaiting() = 0;
    // Waits up to timeout_ms for a byte (0 = just look); true when one came.
    virtual bool WaitForKey(int timeout_ms) = 0;
    // The next byte, waiting for it. At the end of input every read gives
    // Escape (27), and an interrupted wait (the user's break request) also
    // gives Escape, so no reader waits forever.
    virtual std::uint8_t ReadKeyByte() = 0;
    // The input has ended: nothing is buffered and nothing more will come.
    virtual bool InputEnded() = 0;
    // Whether the keys come from a person at the keyboard while the program
    // runs. Pre-recorded input (a pipe, a file) must neither stop speech nor
    // be thrown away as "keys typed ahead".
    virtual bool IsLive() const = 0;
};

class Terminal : public ScreenListener, public KeySource { };

// The front end for the process's standard input and output.
std::unique_ptr<Terminal> OpenStdioTerminal();

} // namespace palavrino::platform
