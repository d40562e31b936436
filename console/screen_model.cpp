// The text screen's cells, writing rules, text window and transcript.
#include "console/screen_model.h"

#include "console/config.h"
#include "console/encoding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>

namespace palavrino::console {

namespace {

    constexpr std::uint8_t BLANK = ' ';

    bool FlagIsYes(std::string_view value)
    {
        return !value.empty() && (value[0] == 'S' || value[0] == 's');
    }

    std::tm LocalNow()
    {
        const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        // The program has one thread, so the shared result of localtime is safe.
        const std::tm* local = std::localtime(&now);
        return local ? *local : std::tm {};
    }

} // namespace

ScreenSettings ReadScreenSettings(const ConfigFile& config)
{
    ScreenSettings settings;
    // The table is read entry by entry and a malformed entry ends it, so a
    // partly valid table still sets its leading colours.
    std::string table = config.ReadProfile("VIDEO", "TABCORES");
    if (table.empty())
        table = "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15";
    table += ',';
    std::string_view rest = table;
    for (int& entry : settings.colour_table) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos)
            break;
        const auto value = ParseConfigInt(rest.substr(0, comma));
        if (!value)
            break;
        entry = *value;
        rest.remove_prefix(comma + 1);
    }
    settings.colours_fixed = FlagIsYes(config.ReadProfile("VIDEO", "CORESFIXAS"));
    settings.slow_scroll = FlagIsYes(config.ReadProfile("VIDEO", "LENTO"));
    const int back = ParseConfigInt(config.ReadProfile("VIDEO", "CORFUNDO")).value_or(0);
    const int fore = ParseConfigInt(config.ReadProfile("VIDEO", "CORLETRA")).value_or(15);
    settings.initial_attr = static_cast<std::uint8_t>((back * 16) | fore);
    return settings;
}

ScreenModel::ScreenModel(const ScreenSettings& settings)
    : m_settings(settings)
    , m_current_attr(settings.initial_attr)
    , m_clock(LocalNow)
{
    m_chars.fill(BLANK);
    m_attrs.fill(m_current_attr);
}

ScreenModel::~ScreenModel() = default;

void ScreenModel::PaintSpan(int dirty_begin, int dirty_end)
{
    if (m_listener && dirty_begin < dirty_end)
        m_listener->CellsChanged(
            m_window_top + m_cursor_row, m_window_left + dirty_begin, m_window_left + dirty_end);
}

void ScreenModel::Refresh()
{
    if (m_listener)
        m_listener->Refresh(*this);
}

void ScreenModel::FillRow(int screen_row, int first_column, int end_column)
{
    for (int c = first_column; c < end_column; ++c) {
        m_chars[Index(c, screen_row)] = BLANK;
        m_attrs[Index(c, screen_row)] = m_current_attr;
    }
    if (m_listener && first_column < end_column)
        m_listener->CellsChanged(screen_row, first_column, end_column);
}

void ScreenModel::NewLine(int& dirty_begin, int& dirty_end)
{
    PaintSpan(dirty_begin, dirty_end);
    dirty_begin = dirty_end = m_cursor_column;
    if (m_cursor_row < WindowHeight() - 1) {
        ++m_cursor_row;
        return;
    }
    // On the window's last row the window scrolls up, over its own width.
    const int width = WindowWidth();
    for (int row = m_window_top; row < m_window_bottom; ++row) {
        std::copy_n(&m_chars[Index(m_window_left, row + 1)], width, &m_chars[Index(m_window_left, row)]);
        std::copy_n(&m_attrs[Index(m_window_left, row + 1)], width, &m_attrs[Index(m_window_left, row)]);
    }
    for (int c = m_window_left; c <= m_window_right; ++c) {
        m_chars[Index(c, m_window_bottom)] = BLANK;
        m_attrs[Index(c, m_window_bottom)] = m_current_attr;
    }
    if (m_listener)
        m_listener->RegionScrolled(m_window_left, m_window_top, m_window_right, m_window_bottom);
}

void ScreenModel::ConsoleWrite(std::string_view bytes, WriteOrigin origin)
{
    if (bytes.empty())
        return;
    if (m_listener && origin == WriteOrigin::Program)
        m_listener->TextWritten(bytes);

    int dirty_begin = m_cursor_column;
    int dirty_end = m_cursor_column;
    const int width = WindowWidth();
    for (char ch : bytes) {
        const auto byte = static_cast<std::uint8_t>(ch);
        switch (byte) {
        case 7:
            if (m_listener)
                m_listener->Bell();
            break;
        case 8:
            // Backspace stays on its row: at the window's left edge it does
            // nothing rather than climbing to the row above.
            if (m_cursor_column >= 1) {
                --m_cursor_column;
                const int at = Index(m_window_left + m_cursor_column, m_window_top + m_cursor_row);
                m_chars[at] = BLANK;
                m_attrs[at] = m_current_attr;
                dirty_begin = std::min(dirty_begin, m_cursor_column);
                dirty_end = std::max(dirty_end, m_cursor_column + 1);
            }
            break;
        case 10:
            NewLine(dirty_begin, dirty_end);
            m_cursor_column = 0;
            dirty_begin = dirty_end = 0;
            break;
        case 13:
            PaintSpan(dirty_begin, dirty_end);
            m_cursor_column = 0;
            dirty_begin = dirty_end = 0;
            break;
        default:
            if (byte < 32)
                break;
            if (m_cursor_column >= width) {
                NewLine(dirty_begin, dirty_end);
                m_cursor_column = 0;
                dirty_begin = dirty_end = 0;
            }
            const int at = Index(m_window_left + m_cursor_column, m_window_top + m_cursor_row);
            m_chars[at] = byte;
            m_attrs[at] = m_current_attr;
            dirty_begin = std::min(dirty_begin, m_cursor_column);
            ++m_cursor_column;
            dirty_end = std::max(dirty_end, m_cursor_column);
            break;
        }
    }
    PaintSpan(dirty_begin, dirty_end);
    Refresh();
}

void ScreenModel::ConsoleWriteLine(std::string_view bytes, WriteOrigin origin)
{
    std::string line(bytes);
    line += "\r\n";
    ConsoleWrite(line, origin);
}

void ScreenModel::MoveCursor(int x, int y)
{
    m_cursor_column = std::clamp(x - 1, 0, WindowWidth() - 1);
    m_cursor_row = std::clamp(y - 1, 0, WindowHeight() - 1);
    Refresh();
}

void ScreenModel::ClearWindow()
{
    for (int row = m_window_top; row <= m_window_bottom; ++row)
        FillRow(row, m_window_left, m_window_right + 1);
    m_cursor_column = 0;
    m_cursor_row = 0;
    Refresh();
}

void ScreenModel::ClearToLineEnd()
{
    // The cursor may stand just past the last column; then nothing is left.
    FillRow(m_window_top + m_cursor_row, std::min(m_window_left + m_cursor_column, m_window_right + 1),
        m_window_right + 1);
    Refresh();
}

void ScreenModel::SetTextColour(int colour)
{
    if (m_settings.colours_fixed)
        return;
    m_current_attr = static_cast<std::uint8_t>((m_current_attr & 0xF0) | (colour & 0x0F));
}

void ScreenModel::SetBackColour(int colour)
{
    if (m_settings.colours_fixed)
        return;
    m_current_attr = static_cast<std::uint8_t>(((m_current_attr & 0x0F) | (colour * 16)) & 0xFF);
}

void ScreenModel::SetWindow(int x1, int y1, int x2, int y2)
{
    // Corners outside the screen, or given in the wrong order, would make
    // writing reach outside the cell buffers; they are clamped and ordered.
    const int left = std::clamp(x1, 1, SCREEN_COLUMNS) - 1;
    const int top = std::clamp(y1, 1, SCREEN_ROWS) - 1;
    const int right = std::clamp(x2, 1, SCREEN_COLUMNS) - 1;
    const int bottom = std::clamp(y2, 1, SCREEN_ROWS) - 1;
    m_window_left = std::min(left, right);
    m_window_right = std::max(left, right);
    m_window_top = std::min(top, bottom);
    m_window_bottom = std::max(top, bottom);
    m_cursor_column = 0;
    m_cursor_row = 0;
    Refresh();
}

std::uint8_t ScreenModel::CellChar(int column, int row) const
{
    if (column < 0 || column >= SCREEN_COLUMNS || row < 0 || row >= SCREEN_ROWS)
        return BLANK;
    return m_chars[Index(column, row)];
}

std::uint8_t ScreenModel::CellAttr(int column, int row) const
{
    if (column < 0 || column >= SCREEN_COLUMNS || row < 0 || row >= SCREEN_ROWS)
        return 0;
    return m_attrs[Index(column, row)];
}

int ScreenModel::PaletteIndex(int colour) const
{
    if (colour < 0 || colour > 15)
        return 0;
    const int entry = m_settings.colour_table[static_cast<std::size_t>(colour)];
    return entry >= 0 && entry <= 15 ? entry : 0;
}

std::uint8_t ScreenModel::ScreenChar(int x, int y) const
{
    return CellChar(m_window_left + x - 1, m_window_top + y - 1);
}

std::uint8_t ScreenModel::ScreenAttr(int x, int y) const
{
    return CellAttr(m_window_left + x - 1, m_window_top + y - 1);
}

std::string ScreenModel::RowText(int row) const
{
    std::string text;
    if (row < 1 || row > SCREEN_ROWS)
        return text;
    for (int c = 0; c < SCREEN_COLUMNS; ++c)
        text.push_back(static_cast<char>(m_chars[Index(c, row - 1)]));
    return text;
}

void ScreenModel::SetTitle(std::string_view text)
{
    auto is_blank = [](char c) { return static_cast<std::uint8_t>(c) <= ' '; };
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    m_title.assign(text.substr(0, MAX_TITLE_LENGTH));
    if (text.size() > MAX_TITLE_LENGTH)
        m_title += "...";
    if (m_listener)
        m_listener->TitleChanged(m_title);
}

bool ScreenModel::ToggleScreenRecording()
{
    if (m_recording) {
        m_transcript.close();
        m_recording = false;
        ConsoleWriteLine("Tela Gravada em: " + Utf8ToCp1252(m_transcript_path.string()));
        return false;
    }
    std::filesystem::path path = m_transcript_path;
    if (path.empty()) {
        const std::tm now = m_clock();
        char name[64];
        std::snprintf(name, sizeof name, "ScTela-%.4d-%.2d-%.2d@%.2d-%.2d-%.2d.txt", now.tm_year + 1900,
            now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
        std::error_code error;
        path = std::filesystem::absolute(m_transcript_dir / name, error);
        if (error)
            return false;
    }
    // Later recordings of one run append to the first file.
    m_transcript.open(path, std::ios::out | std::ios::app | std::ios::binary);
    if (!m_transcript)
        return false;
    m_transcript_path = path;
    m_recording = true;
    ConsoleWriteLine("Gravando tela em " + Utf8ToCp1252(m_transcript_path.string()));
    return true;
}

void ScreenModel::WriteTranscript(std::string_view text)
{
    if (!m_recording)
        return;
    m_transcript << Cp1252ToUtf8(text);
    m_transcript.flush();
}

void ScreenModel::RecordText(std::string_view text)
{
    WriteTranscript(text);
}

void ScreenModel::RecordLine(std::string_view text)
{
    std::string line(text);
    line += '\n';
    WriteTranscript(line);
}

} // namespace palavrino::console
