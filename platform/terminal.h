// What a console front end (stream, terminal, window) offers the console: it
// is told what the screen model changed and shows it, and it delivers the
// keys the user types. The cell model itself stays in the console; a front
// end reads cells through CellView and never changes them.
//
// All text crossing these interfaces is Windows-1252; converting to what the
// device wants (UTF-8, terminal colours) is each front end's business.
#pragma once

#include "platform/keys.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace palavrino::platform {

// The sixteen colours a console colour index is drawn with (red, green,
// blue), shared by the screen model and the terminal back ends.
struct Rgb {
    std::uint8_t red { 0 };
    std::uint8_t green { 0 };
    std::uint8_t blue { 0 };
    bool operator==(const Rgb&) const = default;
};
constexpr std::array<Rgb, 16> CONSOLE_PALETTE = { {
    { 0, 0, 0 },
    { 0, 0, 255 },
    { 0, 255, 0 },
    { 0, 255, 255 },
    { 255, 0, 0 },
    { 142, 0, 142 },
    { 68, 34, 34 },
    { 192, 192, 192 },
    { 40, 40, 40 },
    { 128, 128, 255 },
    { 128, 255, 128 },
    { 128, 255, 255 },
    { 255, 128, 128 },
    { 255, 128, 255 },
    { 255, 255, 0 },
    { 255, 255, 255 },
} };

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

// A picture drawn over the screen: rows of red, green, blue bytes, top row
// first, its top-left corner at pixel (x, y) of the text area, drawn
// `scale` times its size. The bytes belong to the caller and last only for
// the call.
struct PictureView {
    int width { 0 };
    int height { 0 };
    const std::uint8_t* rgb { nullptr };
    int x { 0 };
    int y { 0 };
    double scale { 1.0 };
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
    // The output refused something written (a full disk, a closed pipe):
    // what the program says is being lost.
    virtual bool OutputFailed() const { return false; }

    // Features only a graphical window can show. A text front end keeps the
    // defaults: the console's state stays right, nothing is drawn.
    //
    // The magnified view of the line being edited: `text` is the slice to
    // show (already cut to the visible width), `cursor_index` the 0-based
    // character drawn in the cursor colour (-1: none), and the three colour
    // indices (letters, background, cursor character).
    virtual void ShowMagnified(std::string_view /*text*/, int /*cursor_index*/, int /*factor*/,
        int /*letter_colour*/, int /*back_colour*/, int /*cursor_colour*/)
    {
    }
    virtual void HideMagnified() { }
    // The console window restored and raised (true) or hidden (false).
    virtual void VisibilityChanged(bool /*shown*/) { }
    // The picture shown over the text changed (loaded, moved; null when it
    // was removed).
    virtual void BackgroundChanged(const PictureView* /*picture*/) { }
    // Whether pictures can be seen at all (only a graphical window).
    virtual bool ShowsPictures() const { return false; }
};

// What only a graphical window sees of the keyboard and the mouse, handed
// to the console, which owns the braille keyboard and the mouse keys. The
// window calls it on the thread that reads keys, as it turns its events
// into key bytes.
enum class MouseAction : std::uint8_t {
    LeftPress = 0,
    RightPress = 1,
    MiddlePress = 2,
    WheelAway = 3, // turned away from the user
    WheelTowards = 4,
};
// A whole key the console hands back: a byte, or an extended code.
struct KeyStroke {
    std::uint8_t code { 0 };
    bool extended { false };
};
class WindowInput {
public:
    virtual ~WindowInput() = default;
    // The letters and the space bar typed as text are not characters now:
    // the braille keyboard is on and they are chord keys.
    virtual bool ChordsActive() const = 0;
    // A letter key (`key` is the lower-case letter of its place on a US
    // keyboard) or the space bar went down without Ctrl. True when it
    // belongs to a chord and must type nothing by itself.
    virtual bool ChordKeyDown(std::uint8_t key) = 0;
    // A key went up (`key` as above, 0 for any other key); the character
    // typed when the release completes a chord.
    virtual std::optional<std::uint8_t> ChordKeyUp(std::uint8_t key, bool ctrl_held) = 0;
    // Ctrl+Alt+F11 (next braille mode) or Ctrl+Alt+F12 (braille off).
    virtual void BrailleModeKey(bool next) = 0;
    // A mouse button or the wheel; the key it stands for, if any.
    virtual std::optional<KeyStroke> MouseKey(MouseAction action) = 0;
    // The window gained (with a mouse button still held or not) or lost
    // the keyboard focus.
    virtual void FocusChanged(bool gained, bool button_held) = 0;
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
    // The modifiers (MOD_* bits) that were held with the byte last returned
    // by ReadKeyByte. Front ends that cannot tell answer 0.
    virtual std::uint8_t LastKeyModifiers() const { return 0; }
    // While on, Ctrl+C reaches the reader as the key byte 3 instead of
    // raising the break request (screen review copies the screen with it).
    // Front ends whose Ctrl+C never comes as a key ignore it.
    virtual void SetCtrlCIsKey(bool /*on*/) { }
    // The silence key was pressed since the last call: speech stops, and
    // nothing else happens (no key reaches the readers).
    virtual bool TakeSilenceRequest() { return false; }
    // Whether key releases are reported, as chorded (braille) typing needs.
    virtual bool DeliversKeyReleases() const { return false; }
    // Where a window front end sends key presses, releases and mouse
    // events it cannot turn into keys by itself (null: nowhere).
    virtual void SetWindowInput(WindowInput* /*input*/) { }
};

class Terminal : public ScreenListener, public KeySource { };

// The front end for the process's standard input and output: the
// full-screen terminal front end when both are terminals (and the terminal
// can be driven), the text stream otherwise.
std::unique_ptr<Terminal> OpenStdioTerminal();

// Hands a document or address to another program without waiting for it:
// `program` with `parameter` as its one argument (none when empty), started
// in `directory`; an empty program lets the desktop choose (xdg-open of the
// parameter). False when nothing could be started.
bool StartProgram(const std::string& program, const std::string& parameter, const std::string& directory);

} // namespace palavrino::platform
