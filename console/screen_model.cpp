// The text screen's cells, writing rules, text window and transcript.
#include "console/screen_model.h"

#include "console/bmp_image.h"
#include "console/config.h"
#include "encoding/encoding.h"
#include "messages/console.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <iterator>
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

ScreenSettings ReadScreenSettings(const ConfigFile& config, WorkArea work_area)
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

    const std::string face = config.ReadProfile("VIDEO", "FONTE");
    if (!face.empty())
        settings.font.face = face;
    // The reference font suits a 1024 x 734 work area and grows with it.
    const int default_width = (work_area.width * 13 + 512) / 1024;
    const int default_height = (work_area.height * 28 + 367) / 734;
    settings.font.width = ParseConfigInt(config.ReadProfile("VIDEO", "LARGURALETRA")).value_or(default_width);
    settings.font.height
        = ParseConfigInt(config.ReadProfile("VIDEO", "ALTURALETRA")).value_or(default_height);
    settings.font.weight = ParseConfigInt(config.ReadProfile("VIDEO", "PESOLETRA")).value_or(700);
    const std::string corner = config.ReadProfile("VIDEO", "CANTOTELA");
    settings.opens_normal = corner.empty() || FlagIsYes(corner);

    // The mode is the low two bits of the first character ("0", "1", "2").
    const std::string braille = config.ReadProfile("BRAILLE", "MODO");
    settings.braille_mode = braille.empty() ? 0 : (static_cast<std::uint8_t>(braille[0]) & 3);
    return settings;
}

MagnifierSettings ReadMagnifierSettings(const ConfigFile& config)
{
    MagnifierSettings settings;
    const std::string factor = config.ReadConfig("BAIXAVISAO", "AMPLIACAO");
    if (!factor.empty()) {
        // A factor that is set but unusable still asks for magnification.
        const auto value = ParseConfigInt(factor);
        settings.factor = value && *value >= 0 && *value <= 10 ? *value : 3;
    }
    auto colour = [&](std::string_view key, int fallback) {
        const auto value = ParseConfigInt(config.ReadConfig("BAIXAVISAO", key));
        return value && *value >= 0 && *value <= 15 ? *value : fallback;
    };
    settings.letter_colour = colour("CORLETRA", 14);
    settings.back_colour = colour("CORFUNDO", 6);
    settings.cursor_colour = colour("CORCURSOR", 3);
    return settings;
}

PixelPoint CellOrigin(const FontMetrics& metrics, int column, int row)
{
    return PixelPoint { column * metrics.char_width + metrics.overhang, row * metrics.line_height };
}

PixelPoint CaretOrigin(const FontMetrics& metrics, int column, int row)
{
    return PixelPoint { column * metrics.char_width, row * metrics.line_height + metrics.ascent };
}

namespace {

    std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t count)
    {
        std::uint32_t value = 0;
        for (std::size_t i = count; i > 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i - 1]);
        return value;
    }

    void PutLittleEndian(
        std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    constexpr std::size_t BMP_INFO_AT = 14;
    constexpr std::uint32_t BMP_INFO_SIZE = 40;
    constexpr std::uint32_t BMP_UNCOMPRESSED = 0;
    // Pictures larger than this are refused rather than allocated: no
    // screen shows them, and a damaged header must not exhaust memory.
    constexpr std::uint64_t MAX_PICTURE_BYTES = 256u * 1024 * 1024;

} // namespace

std::optional<BackgroundPicture> ParseBmp(std::string_view bytes)
{
    if (bytes.size() < BMP_INFO_AT + BMP_INFO_SIZE || bytes.substr(0, 2) != "BM")
        return std::nullopt;
    if (LittleEndian(bytes, BMP_INFO_AT, 4) != BMP_INFO_SIZE)
        return std::nullopt;
    const std::uint32_t pixel_offset = LittleEndian(bytes, 10, 4);
    const auto width = static_cast<std::int32_t>(LittleEndian(bytes, 18, 4));
    const auto height = static_cast<std::int32_t>(LittleEndian(bytes, 22, 4));
    const auto bit_count = static_cast<int>(LittleEndian(bytes, 28, 2));
    const std::uint32_t compression = LittleEndian(bytes, 30, 4);
    const std::uint32_t colours_used = LittleEndian(bytes, 46, 4);
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return std::nullopt;
    // Only uncompressed pixels are read: run-length or bit-field data taken
    // as plain rows would show garbage.
    if (compression != BMP_UNCOMPRESSED)
        return std::nullopt;
    if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24
        && bit_count != 32)
        return std::nullopt;

    std::uint64_t header_size = BMP_INFO_SIZE;
    if (bit_count <= 8) {
        const std::uint64_t colours = colours_used != 0 ? colours_used : (1u << bit_count);
        if (colours > 256)
            return std::nullopt;
        header_size += 4 * colours;
    }
    const std::uint64_t row_bytes
        = ((static_cast<std::uint64_t>(width) * static_cast<unsigned>(bit_count) + 31) / 32) * 4;
    const std::uint64_t rows
        = static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
    const std::uint64_t image_size = rows * row_bytes;
    // The pixels may not start inside the headers, nor end past the file.
    if (image_size > MAX_PICTURE_BYTES || BMP_INFO_AT + header_size > bytes.size()
        || pixel_offset < BMP_INFO_AT + header_size || pixel_offset + image_size > bytes.size())
        return std::nullopt;

    BackgroundPicture picture;
    picture.width = width;
    picture.height = height;
    picture.bit_count = bit_count;
    const auto header = bytes.substr(BMP_INFO_AT, static_cast<std::size_t>(header_size));
    picture.header.assign(header.begin(), header.end());
    PutLittleEndian(picture.header, 20, static_cast<std::uint32_t>(image_size), 4);
    const auto pixels = bytes.substr(pixel_offset, static_cast<std::size_t>(image_size));
    picture.pixels.assign(pixels.begin(), pixels.end());
    picture.rgb = DecodeBmpPixels(picture);
    return picture;
}

std::vector<std::uint8_t> BuildToneWave(int frequency_hz)
{
    constexpr int RATE_HZ = 11025;
    constexpr std::size_t HEADER_BYTES = 44;
    constexpr std::uint8_t LOW = 96;
    constexpr std::uint8_t HIGH = 160;
    constexpr std::uint8_t CENTRE = 128;
    std::vector<std::uint8_t> wave(HEADER_BYTES);
    const int period = frequency_hz > 0 ? RATE_HZ / frequency_hz : 0;
    if (period >= 2) {
        for (int start = 0; start + period <= RATE_HZ; start += period) {
            for (int i = 0; i < period; ++i)
                wave.push_back(i < period / 2 ? LOW : HIGH);
        }
    }
    // A frequency the sample rate cannot carry plays as silence.
    if (wave.size() == HEADER_BYTES)
        wave.push_back(CENTRE);
    wave.back() = CENTRE; // end on the centre line, without a click
    const auto data = static_cast<std::uint32_t>(wave.size() - HEADER_BYTES);
    const std::string_view riff = "RIFF";
    const std::string_view format = "WAVEfmt ";
    const std::string_view data_id = "data";
    std::copy(riff.begin(), riff.end(), wave.begin());
    PutLittleEndian(wave, 4, data + 36, 4);
    std::copy(format.begin(), format.end(), wave.begin() + 8);
    PutLittleEndian(wave, 16, 16, 4); // fmt chunk size
    PutLittleEndian(wave, 20, 1, 2); // PCM
    PutLittleEndian(wave, 22, 1, 2); // mono
    PutLittleEndian(wave, 24, RATE_HZ, 4);
    PutLittleEndian(wave, 28, RATE_HZ, 4); // bytes per second
    PutLittleEndian(wave, 32, 1, 2); // block align
    PutLittleEndian(wave, 34, 8, 2); // bits per sample
    std::copy(data_id.begin(), data_id.end(), wave.begin() + 36);
    PutLittleEndian(wave, 40, data, 4);
    return wave;
}

ScreenModel::ScreenModel(const ScreenSettings& settings)
    : m_settings(settings)
    , m_current_attr(settings.initial_attr)
    , m_clock(LocalNow)
{
    m_chars.fill(BLANK);
    m_attrs.fill(m_current_attr);
}

ScreenModel::~ScreenModel()
{
    if (m_recording)
        (void)FinishTranscript();
}

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
            if (m_bell_sound)
                m_bell_sound();
            else if (m_listener)
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

void ScreenModel::ShowCursorAt(int column, int row)
{
    m_shown_cursor_column = std::clamp(column, 0, SCREEN_COLUMNS - 1);
    m_shown_cursor_row = std::clamp(row, 0, SCREEN_ROWS - 1);
    Refresh();
}

void ScreenModel::ReleaseShownCursor()
{
    m_shown_cursor_column = -1;
    m_shown_cursor_row = -1;
    Refresh();
}

void ScreenModel::SetVisible(bool shown)
{
    m_visible = shown;
    if (m_listener)
        m_listener->VisibilityChanged(shown);
}

void ScreenModel::SetMagnifier(const MagnifierSettings& settings)
{
    m_magnifier = settings;
    m_magnifier_origin = 1;
}

std::optional<MagnifiedView> ScreenModel::ShowMagnified(std::string_view text, int p)
{
    if (m_magnifier.factor <= 0)
        return std::nullopt;
    const int visible = SCREEN_COLUMNS / m_magnifier.factor;
    p = std::max(p, 1);
    // The view moves only as far as needed to keep the character before the
    // position and the position itself in sight.
    m_magnifier_origin = std::max(std::min(m_magnifier_origin, p - 1), 1);
    if (m_magnifier_origin + visible < p)
        m_magnifier_origin = p - visible;
    MagnifiedView view;
    const auto from = static_cast<std::size_t>(m_magnifier_origin - 1);
    if (from < text.size())
        view.text.assign(text.substr(from, static_cast<std::size_t>(visible)));
    view.text.resize(static_cast<std::size_t>(visible), ' ');
    const int n = p - m_magnifier_origin + 1;
    view.cursor_index = n >= 2 && n - 2 < visible ? n - 2 : -1;
    if (m_listener)
        m_listener->ShowMagnified(view.text, view.cursor_index, m_magnifier.factor, m_magnifier.letter_colour,
            m_magnifier.back_colour, m_magnifier.cursor_colour);
    return view;
}

void ScreenModel::HideMagnified()
{
    if (m_magnifier.factor > 0 && m_listener)
        m_listener->HideMagnified();
}

bool ScreenModel::LoadBackgroundPicture(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LoadBackgroundPictureBytes(bytes);
}

bool ScreenModel::LoadBackgroundPictureBytes(std::string_view bytes)
{
    auto picture = ParseBmp(bytes);
    if (!picture)
        return false;
    m_background = std::move(picture);
    TellBackground();
    return true;
}

void ScreenModel::RemoveBackgroundPicture()
{
    m_background.reset();
    TellBackground();
}

void ScreenModel::DrawBackgroundPicture(int x, int y)
{
    if (!m_background)
        return;
    m_background->position = PixelPoint { x, y };
    TellBackground();
}

void ScreenModel::TellBackground()
{
    if (!m_listener)
        return;
    if (!m_background) {
        m_listener->BackgroundChanged(nullptr);
        return;
    }
    const BackgroundPicture& b = *m_background;
    const platform::PictureView view { b.width, b.height < 0 ? -b.height : b.height, b.rgb.data(),
        b.position.x, b.position.y, b.scale };
    m_listener->BackgroundChanged(&view);
}

bool ScreenModel::ToggleScreenRecording()
{
    if (m_recording) {
        m_recording = false;
        const bool saved = FinishTranscript();
        ConsoleWriteLine(msg::Join(saved ? msg::MSG_SCREEN_SAVED_IN : msg::MSG_SCREEN_NOT_SAVED_IN,
            encoding::Utf8ToCp1252(m_transcript_path.string())));
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
    // Later recordings of one run add to the first file: the temporary file
    // starts as a copy of it.
    std::filesystem::path temp = path;
    temp += ".gravando";
    std::error_code error;
    if (!m_transcript)
        m_transcript = std::make_unique<std::ofstream>();
    if (std::filesystem::exists(path, error)) {
        if (!std::filesystem::copy_file(path, temp, std::filesystem::copy_options::overwrite_existing, error))
            return false;
        m_transcript->open(temp, std::ios::out | std::ios::app | std::ios::binary);
    } else {
        m_transcript->open(temp, std::ios::out | std::ios::trunc | std::ios::binary);
    }
    if (!*m_transcript) {
        m_transcript->clear();
        std::filesystem::remove(temp, error);
        return false;
    }
    m_transcript_temp = temp;
    m_transcript_path = path;
    m_recording = true;
    ConsoleWriteLine(
        msg::Join(msg::MSG_RECORDING_SCREEN_IN, encoding::Utf8ToCp1252(m_transcript_path.string())));
    return true;
}

bool ScreenModel::FinishTranscript()
{
    m_transcript->flush();
    bool ok = static_cast<bool>(*m_transcript);
    m_transcript->close();
    ok = ok && !m_transcript->fail();
    m_transcript->clear();
    std::error_code error;
    if (ok) {
        std::filesystem::rename(m_transcript_temp, m_transcript_path, error);
        ok = !error;
    }
    if (!ok)
        std::filesystem::remove(m_transcript_temp, error);
    return ok;
}

void ScreenModel::WriteTranscript(std::string_view text)
{
    if (!m_recording)
        return;
    *m_transcript << encoding::Cp1252ToUtf8(text);
    m_transcript->flush();
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

bool Clipboard::PutBytes(std::string_view bytes)
{
    m_text.assign(bytes.substr(0, bytes.find('\0')));
    return !m_system || m_system->Put(encoding::Cp1252ToUtf8(m_text));
}

std::string Clipboard::GetText(std::size_t capacity)
{
    std::string utf8;
    // Another program's copy is newer than ours; an unreachable desktop
    // leaves the program's own text.
    if (m_system && m_system->Get(utf8) == platform::SystemClipboard::Holder::Other) {
        m_text = encoding::Utf8ToCp1252(utf8);
        m_text.resize(std::min(m_text.size(), m_text.find('\0')));
    }
    if (capacity == 0)
        return {};
    return m_text.substr(0, capacity == std::string::npos ? capacity : capacity - 1);
}

} // namespace palavrino::console
