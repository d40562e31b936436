// The full-screen front end for a real terminal: the 80 x 25 console is
// drawn with ncurses on the terminal's alternate screen, in the console's
// sixteen colours (exact where the terminal takes RGB colours, the nearest
// of its palette otherwise), and the keys the terminal sends are decoded
// into the console's key stream (a byte, or 0 and an extended code).
//
// The decoder is plain code over bytes, so it can be tried without a
// terminal; the front end only feeds it what it reads.
#pragma once

#include "platform/terminal.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::platform {

// Turns the bytes a terminal sends into key bytes: escape sequences of
// function and cursor keys (xterm, VT220, rxvt and Linux console forms, with
// their Shift/Alt/Ctrl parameter), Alt as an Escape prefix, Backspace and
// Ctrl+Backspace, UTF-8 characters (to Windows-1252). Ctrl+F12, the user's
// break key, becomes an interrupt request instead of a key.
class TerminalKeyDecoder {
public:
    struct KeyByte {
        std::uint8_t byte { 0 };
        std::uint8_t modifiers { 0 };
        bool operator==(const KeyByte&) const = default;
    };

    // Which byte the terminal's Backspace key sends (DEL or ^H); the other
    // one is then Ctrl+Backspace.
    void SetBackspaceByte(std::uint8_t byte) { m_backspace_byte = byte; }
    // An extra sequence the terminal's description names for a key
    // (NamedKey value as a plain number, with MOD_* modifiers).
    void AddSequence(std::string sequence, int named_key, std::uint8_t modifiers);

    void Feed(std::string_view bytes);
    // No byte came for a while: a lone Escape is the Escape key, and a
    // sequence cut short is taken for what it is.
    void Timeout();
    // Bytes are held back waiting to see whether a sequence completes.
    bool Waiting() const { return !m_raw.empty(); }

    bool HasKey() const { return !m_keys.empty(); }
    KeyByte TakeKey();
    // Ctrl+F12 was pressed since the last call.
    bool TakeInterrupt();
    // Ctrl+Space (the silence key) was pressed since the last call.
    bool TakeSilence();

private:
    enum class Parse : std::uint8_t { Complete = 0, Incomplete = 1, Unknown = 2 };
    void Decode(bool timed_out);
    Parse ParseEscape(std::string_view rest, std::size_t& length, bool timed_out);
    Parse ParseSs3(std::string_view rest, std::size_t& length);
    Parse ParseCsi(std::string_view rest, std::size_t& length);
    void EmitNamed(int named_key, std::uint8_t modifiers);
    void EmitChar(std::uint8_t c, std::uint8_t modifiers);
    void EmitUnicode(char32_t code_point, std::uint8_t modifiers);

    std::string m_raw;
    std::deque<KeyByte> m_keys;
    std::vector<std::pair<std::string, std::pair<int, std::uint8_t>>> m_extra;
    std::uint8_t m_backspace_byte { 0x7F };
    bool m_interrupt { false };
    bool m_silence { false };
};

// Terminal colours for the console's palette entries (red, green, blue).
struct TerminalRgb {
    int red { 0 };
    int green { 0 };
    int blue { 0 };
};
// The nearest colour of the xterm 256-colour palette, taken from the colour
// cube and the grey ramp (16-255), whose values all terminals agree on.
int NearestXterm256(TerminalRgb rgb);
// The nearest of the sixteen standard terminal colours (0-15), and of the
// eight basic ones (0-7) for terminals that have only those.
int NearestAnsi16(TerminalRgb rgb);
int NearestAnsi8(TerminalRgb rgb);

// How a cell's two palette entries (0-15) are shown on a terminal with
// `colours` colours (8, 16, 256, or 1 << 24 for RGB): the terminal's
// foreground and background colours, and whether the foreground is bold
// (how eight-colour terminals show the bright colours). Sixteen- and
// eight-colour terminals get the PC's own colour order, so that no two of
// the console's colours fall together there (brown and dark grey are not
// black); on eight colours dark grey as a background is light grey, and a
// foreground that would match its background is brightened.
struct TerminalColours {
    int fore { 0 };
    int back { 0 };
    bool bold { false };
    bool operator==(const TerminalColours&) const = default;
};
TerminalColours MapCellColours(int fore_palette, int back_palette, int colours);

class NcursesTerminal final : public Terminal {
public:
    // Takes over the terminal on the given descriptors (which must be
    // terminals); nothing when the terminal cannot be driven.
    static std::unique_ptr<NcursesTerminal> Open(int input_fd, int output_fd);
    ~NcursesTerminal() override;
    NcursesTerminal(const NcursesTerminal&) = delete;
    NcursesTerminal& operator=(const NcursesTerminal&) = delete;

    void TextWritten(std::string_view) override { }
    void CellsChanged(int row, int first_column, int end_column) override;
    void RegionScrolled(int left, int top, int right, int bottom) override;
    void TitleChanged(std::string_view title) override;
    void Bell() override;
    void Refresh(const CellView& view) override;

    bool KeyWaiting() override;
    bool WaitForKey(int timeout_ms) override;
    std::uint8_t ReadKeyByte() override;
    bool InputEnded() override { return m_eof && !m_decoder.HasKey(); }
    bool IsLive() const override { return true; }
    std::uint8_t LastKeyModifiers() const override { return m_last_modifiers; }
    void SetCtrlCIsKey(bool on) override;
    bool TakeSilenceRequest() override;

private:
    NcursesTerminal(int input_fd, int output_fd);
    bool Start();
    // Reads what the terminal sent within timeout_ms (-1: until something
    // comes); false when nothing came.
    bool Fill(int timeout_ms);
    void Draw(int row, int first_column, int end_column);
    void RedrawAll();
    void CheckResize();
    short PairFor(std::uint8_t attr);
    void SetCaret(bool visible);

    int m_input_fd;
    int m_output_fd;
    void* m_stream_out { nullptr }; // FILE* handed to ncurses
    void* m_stream_in { nullptr };
    void* m_screen { nullptr }; // the ncurses SCREEN
    TerminalKeyDecoder m_decoder;
    bool m_eof { false };
    bool m_silence_requested { false };
    std::uint8_t m_last_modifiers { 0 };
    // What the console shows, kept here so that the terminal can be redrawn
    // (after a resize) and its last picture left behind at the end.
    std::array<std::uint8_t, 80 * 25> m_chars {};
    std::array<std::uint8_t, 80 * 25> m_attrs {};
    std::array<int, 16> m_palette_of {}; // colour index -> palette entry
    std::array<bool, 25> m_dirty {};
    int m_cursor_column { 0 };
    int m_cursor_row { 0 };
    bool m_caret_visible { true };
    std::map<int, short> m_pairs; // terminal (fg, bg) -> colour pair
    int m_colour_mode { 0 }; // 0 none, 8, 16, 256, or 1 << 24 for RGB
    bool m_title_by_osc { false };
    int m_lines { 0 };
    int m_columns { 0 };
};

} // namespace palavrino::platform
