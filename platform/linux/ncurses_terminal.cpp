// Terminal front end: ncurses output, raw key input decoded here.
#define NCURSES_NOMACROS
#include "platform/linux/ncurses_terminal.h"

#include "encoding/encoding.h"
#include "platform/interrupt.h"
#include "platform/keys.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <curses.h>
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

namespace palavrino::platform {

namespace {

    constexpr std::uint8_t ESC = 27;
    // Key bytes of the console's stream (curses has macros of the same
    // names, hence names of our own here).
    constexpr std::uint8_t BYTE_BACKSPACE = 8;
    constexpr std::uint8_t BYTE_CTRL_ENTER = 10;
    constexpr std::uint8_t BYTE_ENTER = 13;
    constexpr std::uint8_t BYTE_CTRL_BACKSPACE = 127;
    constexpr int COLUMNS = 80;
    constexpr int ROWS = 25;
    // How long a lone Escape waits for the rest of a sequence. Terminals send
    // a key's sequence in one write; a person cannot type Escape and "[" this
    // fast.
    constexpr int ESCAPE_DELAY_MS = 40;
    constexpr int RGB_COLOURS = 1 << 24;

    int Named(NamedKey key)
    {
        return static_cast<int>(key);
    }

    // The modifier parameter of xterm-style sequences: 1 + bits.
    std::uint8_t ModifiersFromParameter(int parameter)
    {
        if (parameter < 2)
            return 0;
        const int bits = parameter - 1;
        std::uint8_t modifiers = 0;
        if (bits & 1)
            modifiers |= MOD_SHIFT;
        if (bits & (2 | 8)) // Alt, or Meta
            modifiers |= MOD_ALT;
        if (bits & 4)
            modifiers |= MOD_CTRL;
        return modifiers;
    }

    // The key of "ESC [ n ~" sequences.
    int TildeKey(int n)
    {
        switch (n) {
        case 1:
        case 7:
            return Named(NamedKey::Home);
        case 2:
            return Named(NamedKey::Insert);
        case 3:
            return Named(NamedKey::Delete);
        case 4:
        case 8:
            return Named(NamedKey::End);
        case 5:
            return Named(NamedKey::PageUp);
        case 6:
            return Named(NamedKey::PageDown);
        case 11:
        case 12:
        case 13:
        case 14:
        case 15:
            return Named(NamedKey::F1) + (n - 11);
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            return Named(NamedKey::F6) + (n - 17);
        case 23:
            return Named(NamedKey::F11);
        case 24:
            return Named(NamedKey::F12);
        default:
            return -1;
        }
    }

    // The key of the final letter of "ESC [ ... X" and "ESC O X".
    int LetterKey(char final)
    {
        switch (final) {
        case 'A':
            return Named(NamedKey::Up);
        case 'B':
            return Named(NamedKey::Down);
        case 'C':
            return Named(NamedKey::Right);
        case 'D':
            return Named(NamedKey::Left);
        case 'H':
            return Named(NamedKey::Home);
        case 'F':
            return Named(NamedKey::End);
        case 'P':
            return Named(NamedKey::F1);
        case 'Q':
            return Named(NamedKey::F2);
        case 'R':
            return Named(NamedKey::F3);
        case 'S':
            return Named(NamedKey::F4);
        default:
            return -1;
        }
    }

    struct Params {
        int first { 1 };
        int second { 1 };
        int count { 0 };
    };

    Params ParseParams(std::string_view text)
    {
        Params params;
        int value = 0;
        bool any = false;
        for (char c : text) {
            if (c >= '0' && c <= '9') {
                value = std::min(value * 10 + (c - '0'), 10000);
                any = true;
                continue;
            }
            if (c == ';' || c == ':') {
                if (params.count == 0)
                    params.first = any ? value : 1;
                else if (params.count == 1)
                    params.second = any ? value : 1;
                ++params.count;
                value = 0;
                any = false;
            }
        }
        if (params.count == 0)
            params.first = any ? value : 1;
        else if (params.count == 1)
            params.second = any ? value : 1;
        ++params.count;
        return params;
    }

    int Distance(TerminalRgb a, TerminalRgb b)
    {
        const int dr = a.red - b.red;
        const int dg = a.green - b.green;
        const int db = a.blue - b.blue;
        return dr * dr * 3 + dg * dg * 4 + db * db * 2;
    }

    // The values every terminal uses for the standard colours, in the
    // terminal's order (black, red, green, yellow, blue, magenta, cyan,
    // white, then the bright ones).
    constexpr std::array<TerminalRgb, 16> ANSI_COLOURS = { {
        { 0, 0, 0 },
        { 205, 0, 0 },
        { 0, 205, 0 },
        { 205, 205, 0 },
        { 0, 0, 238 },
        { 205, 0, 205 },
        { 0, 205, 205 },
        { 229, 229, 229 },
        { 127, 127, 127 },
        { 255, 0, 0 },
        { 0, 255, 0 },
        { 255, 255, 0 },
        { 92, 92, 255 },
        { 255, 0, 255 },
        { 0, 255, 255 },
        { 255, 255, 255 },
    } };

} // namespace

// ---- Key decoding ----

void TerminalKeyDecoder::AddSequence(std::string sequence, int named_key, std::uint8_t modifiers)
{
    if (sequence.size() < 2 || static_cast<std::uint8_t>(sequence[0]) != ESC)
        return;
    m_extra.emplace_back(std::move(sequence), std::make_pair(named_key, modifiers));
}

void TerminalKeyDecoder::Feed(std::string_view bytes)
{
    m_raw.append(bytes);
    Decode(false);
}

void TerminalKeyDecoder::Timeout()
{
    Decode(true);
}

TerminalKeyDecoder::KeyByte TerminalKeyDecoder::TakeKey()
{
    if (m_keys.empty())
        return KeyByte { ESC, 0 };
    const KeyByte key = m_keys.front();
    m_keys.pop_front();
    return key;
}

bool TerminalKeyDecoder::TakeSilence()
{
    const bool silence = m_silence;
    m_silence = false;
    return silence;
}

bool TerminalKeyDecoder::TakeInterrupt()
{
    const bool interrupt = m_interrupt;
    m_interrupt = false;
    return interrupt;
}

void TerminalKeyDecoder::EmitNamed(int named_key, std::uint8_t modifiers)
{
    const std::uint8_t code = ExtendedCodeOf(static_cast<NamedKey>(named_key), modifiers);
    // Ctrl+F12 is the user's break key: the interpreter stops the script,
    // and no reader is left holding the key.
    if (code == static_cast<std::uint8_t>(ExtendedKey::CtrlF12)) {
        m_interrupt = true;
        return;
    }
    m_keys.push_back(KeyByte { 0, modifiers });
    m_keys.push_back(KeyByte { code, modifiers });
}

void TerminalKeyDecoder::EmitChar(std::uint8_t c, std::uint8_t modifiers)
{
    if ((modifiers & MOD_ALT) != 0) {
        if (const auto code = AltCodeOf(c)) {
            m_keys.push_back(KeyByte { 0, modifiers });
            m_keys.push_back(KeyByte { *code, modifiers });
            return;
        }
    }
    // Ctrl+Space sends a zero byte, which would read as the start of an
    // extended key: it is the silence key instead, as Ctrl alone is in
    // screen readers (a terminal cannot report Ctrl alone).
    if (c == 0)
        m_silence = true;
    else
        m_keys.push_back(KeyByte { c, modifiers });
}

void TerminalKeyDecoder::EmitUnicode(char32_t code_point, std::uint8_t modifiers)
{
    if (code_point < 0x80) {
        const auto c = static_cast<std::uint8_t>(code_point);
        if (c == m_backspace_byte)
            EmitChar(BYTE_BACKSPACE, modifiers);
        else if (c == 0x7F || c == 0x08)
            EmitChar(BYTE_CTRL_BACKSPACE, modifiers); // the other of the two
        else if (c == '\r')
            EmitChar(BYTE_ENTER, modifiers);
        else if (c == '\n')
            EmitChar(BYTE_CTRL_ENTER, modifiers);
        else
            EmitChar(c, modifiers);
        return;
    }
    const auto byte = encoding::CodePointToCp1252(code_point);
    EmitChar(byte ? *byte : static_cast<std::uint8_t>('?'), modifiers);
}

// "ESC O [modifier digits] final": the SS3 keys (F1-F4, arrows, the keypad).
TerminalKeyDecoder::Parse TerminalKeyDecoder::ParseSs3(std::string_view rest, std::size_t& length)
{
    // SS3: ESC O [modifier digits] final
    std::size_t i = 2;
    while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9')
        ++i;
    if (i >= rest.size())
        return Parse::Incomplete;
    const char final = rest[i];
    length = i + 1;
    const std::uint8_t modifiers
        = i > 2 ? ModifiersFromParameter(ParseParams(rest.substr(2, i - 2)).first) : 0;
    if (const int key = LetterKey(final); key >= 0) {
        EmitNamed(key, modifiers);
        return Parse::Complete;
    }
    // rxvt: Ctrl with the arrows
    if (final >= 'a' && final <= 'd') {
        EmitNamed(LetterKey(static_cast<char>(final - 'a' + 'A')), MOD_CTRL);
        return Parse::Complete;
    }
    // The numeric keypad in application mode.
    if (final == 'M') {
        EmitChar(BYTE_ENTER, modifiers);
        return Parse::Complete;
    }
    if (final >= 'j' && final <= 'y') {
        EmitChar(static_cast<std::uint8_t>("*+,-./0123456789"[final - 'j']), modifiers);
        return Parse::Complete;
    }
    return Parse::Unknown;
}

// "ESC [ parameters intermediates final": the CSI keys of xterm, VT220,
// rxvt and the Linux console.
TerminalKeyDecoder::Parse TerminalKeyDecoder::ParseCsi(std::string_view rest, std::size_t& length)
{
    // CSI: ESC [ parameters intermediates final
    if (rest.size() >= 3 && rest[2] == '[') {
        // Linux console: ESC [ [ A ... E are F1 ... F5.
        if (rest.size() < 4)
            return Parse::Incomplete;
        length = 4;
        if (rest[3] >= 'A' && rest[3] <= 'E') {
            EmitNamed(Named(NamedKey::F1) + (rest[3] - 'A'), 0);
            return Parse::Complete;
        }
        return Parse::Unknown;
    }
    std::size_t i = 2;
    while (i < rest.size() && static_cast<std::uint8_t>(rest[i]) >= 0x30
        && static_cast<std::uint8_t>(rest[i]) <= 0x3F)
        ++i;
    while (i < rest.size() && static_cast<std::uint8_t>(rest[i]) >= 0x20
        && static_cast<std::uint8_t>(rest[i]) <= 0x2F && rest[i] != '$')
        ++i;
    if (i >= rest.size())
        return Parse::Incomplete;
    const auto final = static_cast<std::uint8_t>(rest[i]);
    length = i + 1;
    if ((final < 0x40 || final > 0x7E) && final != '$')
        return Parse::Unknown;
    const std::string_view parameters = rest.substr(2, i - 2);
    if (!parameters.empty() && (parameters[0] == '<' || parameters[0] == '?' || parameters[0] == '>'))
        return Parse::Unknown; // mouse reports and terminal answers: not keys
    const Params params = ParseParams(parameters);
    switch (final) {
    case '~':
    case '^': // rxvt: with Ctrl
    case '$': // rxvt: with Shift
    case '@': { // rxvt: with Ctrl and Shift
        const int key = TildeKey(params.first);
        if (key < 0)
            return Parse::Unknown;
        std::uint8_t modifiers = params.count > 1 ? ModifiersFromParameter(params.second) : 0;
        if (final == '^' || final == '@')
            modifiers |= MOD_CTRL;
        if (final == '$' || final == '@')
            modifiers |= MOD_SHIFT;
        EmitNamed(key, modifiers);
        return Parse::Complete;
    }
    case 'Z':
        m_keys.push_back(KeyByte { 0, MOD_SHIFT });
        m_keys.push_back(KeyByte { static_cast<std::uint8_t>(ExtendedKey::ShiftTab), MOD_SHIFT });
        return Parse::Complete;
    case 'a':
    case 'b':
    case 'c':
    case 'd': // rxvt: Shift with the arrows
        EmitNamed(LetterKey(static_cast<char>(final - 'a' + 'A')), MOD_SHIFT);
        return Parse::Complete;
    case 'u': { // a character with its modifiers (the "CSI u" form)
        const std::uint8_t modifiers = params.count > 1 ? ModifiersFromParameter(params.second) : 0;
        char32_t c = static_cast<char32_t>(params.first);
        if ((modifiers & MOD_CTRL) != 0) {
            if (c == '\r')
                c = '\n';
            else if (c == 0x7F || c == 0x08)
                c = static_cast<char32_t>(m_backspace_byte == 0x7F ? 0x08 : 0x7F);
            else if ((c >= 'a' && c <= 'z') || (c >= '@' && c <= '_'))
                c &= 0x1F;
        }
        EmitUnicode(c, static_cast<std::uint8_t>(modifiers & ~MOD_CTRL));
        return Parse::Complete;
    }
    default: {
        const int key = LetterKey(static_cast<char>(final));
        if (key < 0)
            return Parse::Unknown;
        EmitNamed(key, params.count > 1 ? ModifiersFromParameter(params.second) : 0);
        return Parse::Complete;
    }
    }
}

TerminalKeyDecoder::Parse TerminalKeyDecoder::ParseEscape(
    std::string_view rest, std::size_t& length, bool timed_out)
{
    // Sequences this terminal's description names come first.
    for (const auto& [sequence, key] : m_extra) {
        if (rest.starts_with(sequence)) {
            length = sequence.size();
            EmitNamed(key.first, key.second);
            return Parse::Complete;
        }
    }
    for (const auto& [sequence, key] : m_extra) {
        if (!timed_out && sequence.starts_with(rest))
            return Parse::Incomplete;
    }
    if (rest.size() < 2)
        return Parse::Incomplete;
    const char kind = rest[1];
    if (kind == 'O')
        return ParseSs3(rest, length);
    return ParseCsi(rest, length);
}

void TerminalKeyDecoder::Decode(bool timed_out)
{
    std::size_t pos = 0;
    while (pos < m_raw.size()) {
        const std::string_view rest(m_raw.data() + pos, m_raw.size() - pos);
        const auto byte = static_cast<std::uint8_t>(rest[0]);
        if (byte == ESC) {
            if (rest.size() == 1) {
                if (!timed_out)
                    break;
                EmitChar(ESC, 0);
                ++pos;
                continue;
            }
            const char next = rest[1];
            if (next == '[' || next == 'O') {
                std::size_t length = 0;
                const Parse parse = ParseEscape(rest, length, timed_out);
                if (parse == Parse::Incomplete) {
                    if (!timed_out)
                        break;
                    // Escape, then the rest as typed characters.
                    EmitChar(ESC, 0);
                    ++pos;
                    continue;
                }
                // An unknown sequence is dropped whole rather than typed.
                pos += length;
                continue;
            }
            if (static_cast<std::uint8_t>(next) == ESC) {
                // Escape before a key's sequence is how terminals send Alt
                // with that key.
                if (rest.size() >= 3 && (rest[2] == '[' || rest[2] == 'O')) {
                    std::size_t length = 0;
                    const std::size_t before = m_keys.size();
                    const Parse parse = ParseEscape(rest.substr(1), length, timed_out);
                    if (parse == Parse::Incomplete && !timed_out)
                        break;
                    if (parse != Parse::Incomplete) {
                        for (std::size_t i = before; i < m_keys.size(); ++i)
                            m_keys[i].modifiers |= MOD_ALT;
                        pos += 1 + length;
                        continue;
                    }
                } else if (rest.size() == 2 && !timed_out) {
                    break; // perhaps the start of such a sequence
                }
                EmitChar(ESC, 0);
                ++pos;
                continue;
            }
            // Escape before a character is Alt with it.
            const auto lead = static_cast<std::uint8_t>(next);
            if (lead < 0x80) {
                EmitUnicode(lead, MOD_ALT);
                pos += 2;
                continue;
            }
            const auto decoded = encoding::DecodeUtf8Char(rest.substr(1));
            if (!decoded && !timed_out && rest.size() - 1 < encoding::Utf8SequenceLength(lead))
                break;
            EmitUnicode(decoded ? decoded->code_point : encoding::Cp1252ToCodePoint(lead), MOD_ALT);
            pos += 1 + (decoded ? decoded->length : 1);
            continue;
        }
        if (byte < 0x80) {
            EmitUnicode(byte, 0);
            ++pos;
            continue;
        }
        const auto decoded = encoding::DecodeUtf8Char(rest);
        if (!decoded && !timed_out && rest.size() < encoding::Utf8SequenceLength(byte)) {
            // Perhaps a character split across reads: wait for the rest,
            // unless what came cannot be its beginning.
            bool could_continue = encoding::Utf8SequenceLength(byte) != 0;
            for (std::size_t i = 1; i < rest.size(); ++i)
                could_continue = could_continue && (static_cast<std::uint8_t>(rest[i]) & 0xC0) == 0x80;
            if (could_continue)
                break;
        }
        if (decoded) {
            EmitUnicode(decoded->code_point, 0);
            pos += decoded->length;
        } else {
            // Not UTF-8: the byte is taken as a Windows-1252 character.
            EmitChar(byte, 0);
            ++pos;
        }
    }
    m_raw.erase(0, pos);
}

// ---- Colours ----

int NearestXterm256(TerminalRgb rgb)
{
    constexpr std::array<int, 6> LEVELS = { 0, 95, 135, 175, 215, 255 };
    auto nearest_level = [&](int value) {
        int best = 0;
        for (int i = 1; i < 6; ++i) {
            if (std::abs(LEVELS[static_cast<std::size_t>(i)] - value)
                < std::abs(LEVELS[static_cast<std::size_t>(best)] - value))
                best = i;
        }
        return best;
    };
    const int r = nearest_level(rgb.red);
    const int g = nearest_level(rgb.green);
    const int b = nearest_level(rgb.blue);
    const int cube = 16 + 36 * r + 6 * g + b;
    const TerminalRgb cube_rgb { LEVELS[static_cast<std::size_t>(r)], LEVELS[static_cast<std::size_t>(g)],
        LEVELS[static_cast<std::size_t>(b)] };
    // The grey ramp 232-255 runs from 8 to 238 in steps of 10.
    const int average = (rgb.red + rgb.green + rgb.blue) / 3;
    const int step = std::clamp((average - 8 + 5) / 10, 0, 23);
    const int grey = 8 + 10 * step;
    const TerminalRgb grey_rgb { grey, grey, grey };
    return Distance(rgb, grey_rgb) < Distance(rgb, cube_rgb) ? 232 + step : cube;
}

int NearestAnsi16(TerminalRgb rgb)
{
    int best = 0;
    for (int i = 1; i < 16; ++i) {
        if (Distance(rgb, ANSI_COLOURS[static_cast<std::size_t>(i)])
            < Distance(rgb, ANSI_COLOURS[static_cast<std::size_t>(best)]))
            best = i;
    }
    return best;
}

int NearestAnsi8(TerminalRgb rgb)
{
    int best = 0;
    for (int i = 1; i < 8; ++i) {
        if (Distance(rgb, ANSI_COLOURS[static_cast<std::size_t>(i)])
            < Distance(rgb, ANSI_COLOURS[static_cast<std::size_t>(best)]))
            best = i;
    }
    return best;
}

TerminalColours MapCellColours(int fore_palette, int back_palette, int colours)
{
    // The console's colour n in the terminal's order (black, red, green,
    // yellow, blue, magenta, cyan, white, then the bright eight): the PC's
    // blue is the terminal's blue, its brown the terminal's dark yellow,
    // its dark grey the terminal's bright black.
    constexpr std::array<int, 16> PC_TO_ANSI = { 0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15 };
    const auto rgb_of = [](int palette) {
        const Rgb c = CONSOLE_PALETTE[static_cast<std::size_t>(std::clamp(palette, 0, 15))];
        return TerminalRgb { c.red, c.green, c.blue };
    };
    const auto ansi_of
        = [&](int palette) { return PC_TO_ANSI[static_cast<std::size_t>(std::clamp(palette, 0, 15))]; };
    TerminalColours out;
    if (colours >= RGB_COLOURS) {
        const auto packed = [](TerminalRgb c) { return (c.red << 16) | (c.green << 8) | c.blue; };
        out.fore = packed(rgb_of(fore_palette));
        out.back = packed(rgb_of(back_palette));
    } else if (colours >= 256) {
        out.fore = NearestXterm256(rgb_of(fore_palette));
        out.back = NearestXterm256(rgb_of(back_palette));
    } else if (colours >= 16) {
        out.fore = ansi_of(fore_palette);
        out.back = ansi_of(back_palette);
    } else {
        const int fore = ansi_of(fore_palette);
        const int back = ansi_of(back_palette);
        out.fore = fore & 7;
        out.bold = fore >= 8;
        // A dark grey background cannot be dark grey here; light grey keeps
        // it apart from black (the editor's selection is drawn on it).
        out.back = back == 8 ? 7 : back & 7;
        // Two different colours must not become one: a brighter foreground
        // stays readable on its background.
        if (out.fore == out.back && fore_palette != back_palette)
            out.bold = true;
    }
    return out;
}

// ---- The front end ----

NcursesTerminal::NcursesTerminal(int input_fd, int output_fd)
    : m_input_fd(input_fd)
    , m_output_fd(output_fd)
{
    m_chars.fill(' ');
    m_attrs.fill(0x0F);
    for (int i = 0; i < 16; ++i)
        m_palette_of[static_cast<std::size_t>(i)] = i;
    m_dirty.fill(true);
}

std::unique_ptr<NcursesTerminal> NcursesTerminal::Open(int input_fd, int output_fd)
{
    if (!::isatty(input_fd) || !::isatty(output_fd))
        return nullptr;
    std::unique_ptr<NcursesTerminal> terminal(new NcursesTerminal(input_fd, output_fd));
    if (!terminal->Start())
        return nullptr;
    return terminal;
}

bool NcursesTerminal::Start()
{
    // The terminal is spoken to in UTF-8 whatever the locale says; wide
    // characters need a UTF-8 character type for that.
    std::setlocale(LC_CTYPE, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0 && !std::setlocale(LC_CTYPE, "C.UTF-8"))
        std::setlocale(LC_CTYPE, "en_US.UTF-8");

    const int out = ::dup(m_output_fd);
    const int in = ::dup(m_input_fd);
    FILE* out_stream = out >= 0 ? ::fdopen(out, "w") : nullptr;
    FILE* in_stream = in >= 0 ? ::fdopen(in, "r") : nullptr;
    if (!out_stream || !in_stream) {
        if (out_stream)
            std::fclose(out_stream);
        else if (out >= 0)
            ::close(out);
        if (in_stream)
            std::fclose(in_stream);
        else if (in >= 0)
            ::close(in);
        return false;
    }
    // Our own size-change handler (ncurses then installs none): it wakes a
    // key wait on whichever thread the signal lands, and the next wait or
    // refresh draws the whole screen again at the new size.
    InstallResizeHandler();
    SCREEN* screen = ::newterm(nullptr, out_stream, in_stream);
    if (!screen) {
        std::fclose(out_stream);
        std::fclose(in_stream);
        return false;
    }
    m_stream_out = out_stream;
    m_stream_in = in_stream;
    m_screen = screen;
    ::set_term(screen);

    ::raw();
    ::noecho();
    ::nonl();
    ::intrflush(stdscr, FALSE);
    ::keypad(stdscr, FALSE); // keys are decoded here, with all modifiers
    ::leaveok(stdscr, FALSE);
    ::scrollok(stdscr, FALSE);
    // Ctrl+C stays the break request; every other control key reaches the
    // program (Ctrl+S, Ctrl+Q, Ctrl+Z, Ctrl+\ and Ctrl+V are editing keys).
    termios modes {};
    if (::tcgetattr(m_input_fd, &modes) == 0) {
        modes.c_lflag |= ISIG;
        modes.c_cc[VQUIT] = _POSIX_VDISABLE;
        modes.c_cc[VSUSP] = _POSIX_VDISABLE;
        ::tcsetattr(m_input_fd, TCSANOW, &modes);
    }
    ::def_prog_mode();

    if (::has_colors() && ::start_color() == OK) {
        if (::tigetflag(const_cast<char*>("RGB")) > 0 || COLORS >= RGB_COLOURS)
            m_colour_mode = RGB_COLOURS;
        else if (COLORS >= 256)
            m_colour_mode = 256;
        else if (COLORS >= 16)
            m_colour_mode = 16;
        else if (COLORS >= 8)
            m_colour_mode = 8;
    }

    const char* backspace = ::tigetstr(const_cast<char*>("kbs"));
    if (backspace && backspace != reinterpret_cast<char*>(-1) && std::strlen(backspace) == 1)
        m_decoder.SetBackspaceByte(static_cast<std::uint8_t>(backspace[0]));
    // The terminal's own names for its keys, in case they differ from the
    // usual forms.
    const std::pair<const char*, NamedKey> names[] = {
        { "kf1", NamedKey::F1 },
        { "kf2", NamedKey::F2 },
        { "kf3", NamedKey::F3 },
        { "kf4", NamedKey::F4 },
        { "kf5", NamedKey::F5 },
        { "kf6", NamedKey::F6 },
        { "kf7", NamedKey::F7 },
        { "kf8", NamedKey::F8 },
        { "kf9", NamedKey::F9 },
        { "kf10", NamedKey::F10 },
        { "kf11", NamedKey::F11 },
        { "kf12", NamedKey::F12 },
        { "kich1", NamedKey::Insert },
        { "kdch1", NamedKey::Delete },
        { "khome", NamedKey::Home },
        { "kend", NamedKey::End },
        { "kpp", NamedKey::PageUp },
        { "knp", NamedKey::PageDown },
        { "kcuu1", NamedKey::Up },
        { "kcud1", NamedKey::Down },
        { "kcub1", NamedKey::Left },
        { "kcuf1", NamedKey::Right },
    };
    for (const auto& [cap, key] : names) {
        const char* sequence = ::tigetstr(const_cast<char*>(cap));
        if (sequence && sequence != reinterpret_cast<char*>(-1))
            m_decoder.AddSequence(sequence, static_cast<int>(key), 0);
    }

    const char* term = std::getenv("TERM");
    const std::string_view term_name = term ? term : "";
    m_title_by_osc = term_name.starts_with("xterm") || term_name.starts_with("rxvt")
        || term_name.starts_with("screen") || term_name.starts_with("tmux")
        || term_name.starts_with("alacritty") || term_name.starts_with("foot")
        || term_name.starts_with("kitty") || term_name.starts_with("st-") || term_name == "st";

    m_lines = LINES;
    m_columns = COLS;
    ::wclear(stdscr);
    RedrawAll();
    return true;
}

NcursesTerminal::~NcursesTerminal()
{
    if (!m_screen)
        return;
    ::endwin();
    ::delscreen(static_cast<SCREEN*>(m_screen));
    std::fclose(static_cast<FILE*>(m_stream_out));
    std::fclose(static_cast<FILE*>(m_stream_in));
    // The alternate screen is gone with the program: what the console last
    // showed is left in the terminal as plain text, down to its last line
    // that holds anything.
    int last_row = ROWS - 1;
    while (last_row >= 0) {
        const auto begin = m_chars.begin() + last_row * COLUMNS;
        if (std::any_of(begin, begin + COLUMNS, [](std::uint8_t c) { return c != ' '; }))
            break;
        --last_row;
    }
    std::string text;
    for (int row = 0; row <= last_row; ++row) {
        std::string line(m_chars.begin() + row * COLUMNS, m_chars.begin() + (row + 1) * COLUMNS);
        line.erase(line.find_last_not_of(' ') + 1);
        text += encoding::Cp1252ToUtf8(line) + "\n";
    }
    std::string_view rest = text;
    while (!rest.empty()) {
        const ssize_t written = ::write(m_output_fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

short NcursesTerminal::PairFor(std::uint8_t attr)
{
    if (m_colour_mode == 0)
        return 0;
    const TerminalColours colours
        = MapCellColours(m_palette_of[attr & 0x0F], m_palette_of[attr >> 4], m_colour_mode);
    const int fore = colours.fore;
    const int back = colours.back;
    const int key = static_cast<int>(attr);
    if (const auto found = m_pairs.find(key); found != m_pairs.end())
        return found->second;
    const int pair = static_cast<int>(m_pairs.size()) + 1;
    if (pair >= COLOR_PAIRS)
        return 0; // out of pairs: the terminal's own colours
    if (::init_extended_pair(pair, fore, back) != OK)
        return 0;
    m_pairs.emplace(key, static_cast<short>(pair));
    return static_cast<short>(pair);
}

void NcursesTerminal::Draw(int row, int first_column, int end_column)
{
    if (row >= m_lines)
        return;
    end_column = std::min(end_column, std::min(COLUMNS, m_columns));
    for (int column = first_column; column < end_column; ++column) {
        const auto at = static_cast<std::size_t>(row * COLUMNS + column);
        const std::uint8_t attr = m_attrs[at];
        char32_t code_point = encoding::Cp1252ToCodePoint(m_chars[at]);
        // Control and undefined code points would upset the terminal.
        if (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0))
            code_point = code_point == 0x7F ? U' ' : U'?';
        wchar_t text[2] = { static_cast<wchar_t>(code_point), L'\0' };
        int pair = PairFor(attr);
        attr_t attributes = A_NORMAL;
        // Eight-colour terminals show the bright colours in bold.
        if (m_colour_mode == 8 && MapCellColours(m_palette_of[attr & 0x0F], m_palette_of[attr >> 4], 8).bold)
            attributes |= A_BOLD;
        if (m_colour_mode == 0 && (attr >> 4) != 0)
            attributes |= A_REVERSE;
        cchar_t cell {};
        ::setcchar(&cell, text, attributes, 0, &pair);
        ::mvwadd_wch(stdscr, row, column, &cell);
    }
}

void NcursesTerminal::RedrawAll()
{
    for (int row = 0; row < ROWS; ++row)
        Draw(row, 0, COLUMNS);
    ::wmove(stdscr, std::min(m_cursor_row, m_lines - 1), std::min(m_cursor_column, m_columns - 1));
    ::wrefresh(stdscr);
}

void NcursesTerminal::CheckResize()
{
    if (!TakeResizeNotice() && m_lines > 0)
        return;
    winsize size {};
    if (::ioctl(m_output_fd, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0)
        return;
    if (size.ws_row == m_lines && size.ws_col == m_columns)
        return;
    ::resize_term(size.ws_row, size.ws_col);
    m_lines = size.ws_row;
    m_columns = size.ws_col;
    // The terminal reflowed or dropped what it showed: every cell is drawn
    // again, from a cleared screen.
    ::wclear(stdscr);
    ::clearok(curscr, TRUE);
    RedrawAll();
}

void NcursesTerminal::CellsChanged(int row, int, int)
{
    if (row >= 0 && row < ROWS)
        m_dirty[static_cast<std::size_t>(row)] = true;
}

void NcursesTerminal::RegionScrolled(int, int top, int, int bottom)
{
    for (int row = std::max(top, 0); row <= std::min(bottom, ROWS - 1); ++row)
        m_dirty[static_cast<std::size_t>(row)] = true;
}

void NcursesTerminal::Refresh(const CellView& view)
{
    CheckResize();
    bool palette_changed = false;
    for (int i = 0; i < 16; ++i) {
        const int entry = view.PaletteIndex(i);
        if (m_palette_of[static_cast<std::size_t>(i)] != entry) {
            m_palette_of[static_cast<std::size_t>(i)] = entry;
            palette_changed = true;
        }
    }
    if (palette_changed) {
        m_pairs.clear();
        m_dirty.fill(true);
    }
    for (int row = 0; row < ROWS; ++row) {
        if (!m_dirty[static_cast<std::size_t>(row)])
            continue;
        m_dirty[static_cast<std::size_t>(row)] = false;
        for (int column = 0; column < COLUMNS; ++column) {
            const auto at = static_cast<std::size_t>(row * COLUMNS + column);
            m_chars[at] = view.CellChar(column, row);
            m_attrs[at] = view.CellAttr(column, row);
        }
        Draw(row, 0, COLUMNS);
    }
    m_cursor_column = std::clamp(view.CursorScreenColumn(), 0, COLUMNS - 1);
    m_cursor_row = std::clamp(view.CursorScreenRow(), 0, ROWS - 1);
    ::wmove(stdscr, std::min(m_cursor_row, m_lines - 1), std::min(m_cursor_column, m_columns - 1));
    ::wrefresh(stdscr);
}

void NcursesTerminal::TitleChanged(std::string_view title)
{
    std::string clean;
    for (char c : title) {
        if (static_cast<std::uint8_t>(c) >= 32)
            clean.push_back(c);
    }
    const char* start = ::tigetstr(const_cast<char*>("tsl"));
    const char* end = ::tigetstr(const_cast<char*>("fsl"));
    auto* out = static_cast<FILE*>(m_stream_out);
    if (start && start != reinterpret_cast<char*>(-1) && end && end != reinterpret_cast<char*>(-1)) {
        std::fputs(::tiparm(start, 0), out);
        std::fputs(encoding::Cp1252ToUtf8(clean).c_str(), out);
        std::fputs(end, out);
    } else if (m_title_by_osc) {
        std::fputs(("\x1B]0;" + encoding::Cp1252ToUtf8(clean) + "\x07").c_str(), out);
    }
    std::fflush(out);
}

void NcursesTerminal::Bell()
{
    ::beep();
}

bool NcursesTerminal::TakeSilenceRequest()
{
    const bool silence = m_silence_requested;
    m_silence_requested = false;
    return silence;
}

void NcursesTerminal::SetCtrlCIsKey(bool on)
{
    // The terminal turns Ctrl+C into SIGINT only while ISIG is set.
    termios modes {};
    if (::tcgetattr(m_input_fd, &modes) != 0)
        return;
    if (on)
        modes.c_lflag &= ~static_cast<tcflag_t>(ISIG);
    else
        modes.c_lflag |= ISIG;
    ::tcsetattr(m_input_fd, TCSANOW, &modes);
}

void NcursesTerminal::SetCaret(bool visible)
{
    if (visible == m_caret_visible)
        return;
    m_caret_visible = visible;
    ::curs_set(visible ? 1 : 0);
    ::wrefresh(stdscr);
}

bool NcursesTerminal::Fill(int timeout_ms)
{
    if (m_eof)
        return false;
    // The break request wakes the wait whichever thread took the signal.
    pollfd pfds[2] = { { m_input_fd, POLLIN, 0 }, { InterruptWakeDescriptor(), POLLIN, 0 } };
    const int ready = ::poll(pfds, pfds[1].fd >= 0 ? 2 : 1, timeout_ms);
    CheckResize();
    if (ready > 0 && pfds[1].revents != 0)
        DrainStaleInterruptWake();
    if (ready <= 0 || pfds[0].revents == 0)
        return false;
    char chunk[256];
    const ssize_t got = ::read(m_input_fd, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return false;
    if (got <= 0) {
        // The terminal hung up: readers get Escape from now on.
        m_eof = true;
        return false;
    }
    m_decoder.Feed(std::string_view(chunk, static_cast<std::size_t>(got)));
    if (m_decoder.TakeInterrupt())
        RequestInterrupt();
    if (m_decoder.TakeSilence())
        m_silence_requested = true;
    return true;
}

bool NcursesTerminal::KeyWaiting()
{
    return WaitForKey(0);
}

bool NcursesTerminal::WaitForKey(int timeout_ms)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    for (;;) {
        if (m_decoder.HasKey())
            return true;
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int wait
            = m_decoder.Waiting() ? ESCAPE_DELAY_MS : static_cast<int>(std::max<long long>(left, 0));
        const bool got = Fill(wait);
        if (!got && m_decoder.Waiting())
            m_decoder.Timeout();
        if (m_decoder.HasKey())
            return true;
        if (m_eof || InterruptPending() || (!got && Clock::now() >= deadline && !m_decoder.Waiting()))
            return false;
    }
}

std::uint8_t NcursesTerminal::ReadKeyByte()
{
    for (;;) {
        if (m_decoder.HasKey()) {
            SetCaret(false);
            m_silence_requested = false; // the user has moved on
            const TerminalKeyDecoder::KeyByte key = m_decoder.TakeKey();
            m_last_modifiers = key.modifiers;
            return key.byte;
        }
        if (m_eof || InterruptPending()) {
            m_last_modifiers = 0;
            return ESC;
        }
        SetCaret(true);
        const bool got = Fill(m_decoder.Waiting() ? ESCAPE_DELAY_MS : -1);
        if (!got && m_decoder.Waiting())
            m_decoder.Timeout();
    }
}

} // namespace palavrino::platform
