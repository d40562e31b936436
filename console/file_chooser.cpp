// The file chooser's listing, drawing and keys, and the file-name prompt
// built on it. Directories are read with std::filesystem without changing
// the process's current directory, so nothing else in the program sees the
// chooser move around.
#include "console/file_chooser.h"

#include "console/screen_model.h"
#include "console/speech.h"
#include "core/char_tables.h"
#include "encoding/encoding.h"
#include "platform/interrupt.h"

#include <algorithm>

namespace palavrino::console {

namespace {

    // Colours of the list: names on a brown background; directories,
    // marked entries and the current entry stand out.
    constexpr int LIST_BACKGROUND = 6;
    constexpr int NAME_COLOUR = 15;
    constexpr int DIRECTORY_COLOUR = 3;
    constexpr int MARKED_COLOUR = 2;
    constexpr int CURRENT_COLOUR = 14;

    std::uint8_t FoldByte(std::uint8_t c)
    {
        if (c >= 'a' && c <= 'z')
            return static_cast<std::uint8_t>(c - 'a' + 'A');
        if (c >= 128) {
            const char folded = core::CharClass(c);
            if (folded >= 'A' && folded <= 'Z')
                return static_cast<std::uint8_t>(folded);
        }
        return c;
    }

    bool Glob(std::string_view p, std::string_view s)
    {
        // Iterative matching with one remembered star: linear in practice
        // and never recursive, whatever the pattern.
        std::size_t pi = 0, si = 0, star = std::string_view::npos, mark = 0;
        while (si < s.size()) {
            if (pi < p.size() && (p[pi] == '?' || p[pi] == s[si])) {
                ++pi;
                ++si;
            } else if (pi < p.size() && p[pi] == '*') {
                star = pi++;
                mark = si;
            } else if (star != std::string_view::npos) {
                pi = star + 1;
                si = ++mark;
            } else {
                return false;
            }
        }
        while (pi < p.size() && p[pi] == '*')
            ++pi;
        return pi == p.size();
    }

    std::string Extension(std::string_view folded)
    {
        const std::size_t dot = folded.rfind('.');
        return dot == std::string_view::npos ? std::string() : std::string(folded.substr(dot + 1));
    }

    void SortEntries(std::vector<FileEntry>& entries, SortOrder order)
    {
        std::vector<std::pair<std::string, FileEntry>> keyed;
        keyed.reserve(entries.size());
        for (FileEntry& e : entries)
            keyed.emplace_back(FoldFileName(e.name), std::move(e));
        auto by_name = [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first < b.first : a.second.fs_name < b.second.fs_name;
        };
        std::sort(keyed.begin(), keyed.end(), by_name);
        auto by_order = [order](const auto& a, const auto& b) {
            switch (order) {
            case SortOrder::Extension:
                return Extension(a.first) < Extension(b.first);
            case SortOrder::Size:
                return a.second.size < b.second.size;
            case SortOrder::Time:
                return a.second.time < b.second.time;
            case SortOrder::Name:
                break;
            }
            return false;
        };
        std::stable_sort(keyed.begin(), keyed.end(), by_order);
        entries.clear();
        for (auto& k : keyed)
            entries.push_back(std::move(k.second));
    }

    // Splits "dir/names" after its last "/": the directory part keeps the
    // slash, so "x" has none and "/x" has "/".
    std::pair<std::string, std::string> SplitPattern(std::string_view pattern)
    {
        const std::size_t slash = pattern.rfind('/');
        if (slash == std::string_view::npos)
            return { std::string(), std::string(pattern) };
        return { std::string(pattern.substr(0, slash + 1)), std::string(pattern.substr(slash + 1)) };
    }

    bool SameDirectory(const std::filesystem::path& a, const std::filesystem::path& b)
    {
        std::error_code ec;
        return std::filesystem::equivalent(a, b, ec) && !ec;
    }

    std::string Trim(std::string_view s)
    {
        const std::size_t b = s.find_first_not_of(" \t");
        if (b == std::string_view::npos)
            return {};
        const std::size_t e = s.find_last_not_of(" \t");
        return std::string(s.substr(b, e - b + 1));
    }

} // namespace

std::string FoldFileName(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(FoldByte(static_cast<std::uint8_t>(c)));
    return out;
}

bool MatchesFilePattern(std::string_view pattern, std::string_view name)
{
    const std::string p = FoldFileName(pattern);
    const std::string s = FoldFileName(name);
    if (Glob(p, s))
        return true;
    // "NAME.*" (and "NAME.**") also stands for the name without any
    // extension.
    const std::size_t stars = p.size() - (p.find_last_not_of('*') + 1);
    if (stars == 0 || stars == p.size() || p[p.size() - stars - 1] != '.' || s.find('.') != std::string::npos)
        return false;
    return Glob(std::string_view(p).substr(0, p.size() - stars - 1), s);
}

bool ListFileEntries(const std::filesystem::path& dir, std::string_view name_part, int attribute_mask,
    SortOrder order, std::vector<FileEntry>& out)
{
    out.clear();
    std::vector<std::string> patterns;
    std::size_t from = 0;
    for (;;) {
        const std::size_t bar = name_part.find('|', from);
        std::string p(name_part.substr(from, bar == std::string_view::npos ? bar : bar - from));
        p += p.find('.') != std::string::npos ? "*" : "*.*";
        patterns.push_back(std::move(p));
        if (bar == std::string_view::npos)
            break;
        from = bar + 1;
    }
    std::error_code ec;
    std::filesystem::directory_iterator it(dir.empty() ? std::filesystem::path(".") : dir, ec);
    if (ec)
        return false;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec)
            break; // what was read so far is still offered
        FileEntry e;
        e.fs_name = it->path().filename().string();
        e.name = encoding::DecodeTextLine(e.fs_name);
        if (!std::any_of(patterns.begin(), patterns.end(),
                [&](const std::string& p) { return MatchesFilePattern(p, e.name); }))
            continue;
        std::error_code entry_ec;
        const bool is_dir = it->is_directory(entry_ec);
        const bool is_file = it->is_regular_file(entry_ec);
        e.attributes = (is_dir ? ATTR_DIRECTORY : 0) | (is_file ? ATTR_ARCHIVE : 0)
            | (e.fs_name.starts_with('.') ? ATTR_HIDDEN : 0);
        const auto perms = it->status(entry_ec).permissions();
        if (!entry_ec && (perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none)
            e.attributes |= ATTR_READ_ONLY;
        const bool keep = (e.attributes & attribute_mask) == attribute_mask
            || (attribute_mask == ATTR_ARCHIVE && !is_dir);
        if (!keep)
            continue;
        e.size = is_file ? it->file_size(entry_ec) : 0;
        if (entry_ec)
            e.size = 0;
        e.time = it->last_write_time(entry_ec);
        out.push_back(std::move(e));
    }
    SortEntries(out, order);
    return true;
}

FileChooser::FileChooser(ScreenModel& screen, Keyboard& keyboard, Speech& speech)
    : m_screen(screen)
    , m_keyboard(keyboard)
    , m_speech(speech)
{
}

std::string FileChooser::ChooseFile(
    ChooserBox box, SortOrder order, int attribute_mask, std::string_view pattern)
{
    const auto [dir_part, name_part] = SplitPattern(pattern);
    const std::filesystem::path dir = encoding::Cp1252ToUtf8(dir_part);
    m_current = -1;
    if (!ListFileEntries(dir, name_part, attribute_mask, order, m_entries) || m_entries.empty())
        return {};

    // The box stays on the screen: a list opened near the bottom moves up.
    const int height = std::min(box.bottom - box.top + 1, m_screen.WindowHeight());
    box.bottom = std::min(box.bottom, m_screen.WindowHeight());
    box.top = std::max(1, std::min(box.top, box.bottom - height + 1));
    box.right = std::min(box.right, m_screen.WindowWidth());
    box.left = std::clamp(box.left, 1, box.right);
    // The last cell of the screen is left alone so drawing there never
    // scrolls.
    if (box.left == 1 && box.right == SCREEN_COLUMNS && box.bottom == SCREEN_ROWS)
        box.right = SCREEN_COLUMNS - 1;
    m_box = box;
    m_prefix = VisibleRows() > 1 ? " " : "";
    m_first = 0;
    m_current = 0;

    const int cursor_x = m_screen.CursorColumn();
    const int cursor_y = m_screen.CursorRow();
    const std::uint8_t attr = m_screen.CurrentAttr();
    std::vector<std::pair<std::uint8_t, std::uint8_t>> saved;
    for (int y = box.top; y <= box.bottom; ++y)
        for (int x = box.left; x <= box.right; ++x)
            saved.emplace_back(m_screen.ScreenChar(x, y), m_screen.ScreenAttr(x, y));

    Draw();
    Announce();
    Ending ending = Ending::None;
    while (ending == Ending::None) {
        const Key key = m_keyboard.ReadWholeKey();
        m_speech.StopSpeech();
        if (platform::InterruptPending()) {
            ending = Ending::Escape;
            break;
        }
        ending = HandleKey(key);
        m_current = std::clamp(m_current, -1, Count());
        if (ending == Ending::None)
            Announce();
    }

    m_screen.HideMagnified();
    auto cell = saved.begin();
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x, ++cell) {
            m_screen.MoveCursor(x, y);
            m_screen.SetCurrentAttr(cell->second);
            m_screen.ConsoleWrite(std::string(1, static_cast<char>(cell->first)), WriteOrigin::Echo);
        }
    }
    m_screen.SetCurrentAttr(attr);
    m_screen.MoveCursor(cursor_x, cursor_y);

    if (ending == Ending::Tab)
        return std::string(TAB_RESULT);
    if (ending != Ending::Enter || m_current < 0 || m_current >= Count())
        return {};
    std::string chosen = m_entries[static_cast<std::size_t>(m_current)].name;
    std::error_code ec;
    if (!dir_part.empty() && !SameDirectory(dir, std::filesystem::current_path(ec)))
        chosen = dir_part + chosen;
    return chosen;
}

void FileChooser::Draw()
{
    for (int row = 0; row < VisibleRows(); ++row)
        DrawEntry(m_first + row);
    PlaceCursor();
}

void FileChooser::DrawEntry(int index)
{
    if (index < m_first || index >= m_first + VisibleRows())
        return;
    const int width = m_box.right - m_box.left + 1;
    std::string text;
    int colour = NAME_COLOUR;
    if (index >= 0 && index < Count()) {
        const FileEntry& e = m_entries[static_cast<std::size_t>(index)];
        text = m_prefix + e.name;
        if (index == m_current)
            colour = CURRENT_COLOUR;
        else if (e.marked)
            colour = MARKED_COLOUR;
        else if (e.attributes & ATTR_DIRECTORY)
            colour = DIRECTORY_COLOUR;
    }
    text.resize(static_cast<std::size_t>(width), ' ');
    m_screen.MoveCursor(m_box.left, m_box.top + index - m_first);
    m_screen.SetCurrentAttr(static_cast<std::uint8_t>((LIST_BACKGROUND << 4) | colour));
    m_screen.ConsoleWrite(text, WriteOrigin::Echo);
}

void FileChooser::PlaceCursor()
{
    // The caret sits on the name being spoken; off either end it waits on
    // the nearest row of the box.
    const int shown = std::clamp(m_current, m_first, m_first + VisibleRows() - 1);
    m_screen.MoveCursor(m_box.left + static_cast<int>(m_prefix.size()), m_box.top + shown - m_first);
}

void FileChooser::Announce()
{
    if (m_current < 0 || m_current >= Count()) {
        PlaceCursor();
        m_speech.Beep();
        return;
    }
    // Scroll so the current entry is on view, then redraw.
    if (m_current < m_first)
        m_first = m_current;
    else if (m_current >= m_first + VisibleRows())
        m_first = m_current - VisibleRows() + 1;
    Draw();
    const FileEntry& e = m_entries[static_cast<std::size_t>(m_current)];
    (void)m_screen.ShowMagnified(e.name, 1);
    if (e.marked)
        m_speech.Beep();
    m_speech.Speak(e.name);
}

FileChooser::Ending FileChooser::HandleKey(const Key& key)
{
    if (key.extended) {
        HandleExtended(key);
        return Ending::None;
    }
    auto mark_current = [this](bool mark) {
        if (m_current >= 0 && m_current < Count())
            m_entries[static_cast<std::size_t>(m_current)].marked = mark;
    };
    switch (key.code) {
    case KEY_ENTER:
        return Ending::Enter;
    case KEY_ESCAPE:
        return Ending::Escape;
    case KEY_TAB:
        return Ending::Tab;
    case ' ':
        if (m_current >= 0 && m_current < Count())
            mark_current(!m_entries[static_cast<std::size_t>(m_current)].marked);
        break;
    case '+':
        mark_current(true);
        break;
    case '-':
        mark_current(false);
        break;
    case '*':
        MarkRange(0, Count() - 1, true);
        break;
    case '/':
        MarkRange(0, Count() - 1, false);
        break;
    default:
        break; // no move: the entry is said again
    }
    return Ending::None;
}

// Keys the chooser does not know leave it where it is.
void FileChooser::HandleExtended(const Key& key)
{
    switch (static_cast<ExtendedKey>(key.code)) {
    case ExtendedKey::Down:
        Step(1, key.Shift());
        break;
    case ExtendedKey::Up:
        Step(-1, key.Shift());
        break;
    case ExtendedKey::PageDown:
        for (int i = 0; i < PAGE_STEP; ++i)
            Step(1, key.Shift());
        break;
    case ExtendedKey::PageUp:
        for (int i = 0; i < PAGE_STEP; ++i)
            Step(-1, key.Shift());
        break;
    case ExtendedKey::Home:
    case ExtendedKey::CtrlPageUp:
        if (key.Shift()) {
            MarkRange(0, std::min(m_current, Count() - 1), false);
            m_speech.Beep();
        }
        m_current = 0;
        break;
    case ExtendedKey::End:
    case ExtendedKey::CtrlPageDown:
        if (key.Shift()) {
            MarkRange(std::max(m_current, 0), Count() - 1, true);
            m_speech.Beep();
        }
        m_current = Count() - 1;
        break;
    case ExtendedKey::Left:
        SpellShortName();
        break;
    case ExtendedKey::Right:
        if (m_current >= 0 && m_current < Count())
            m_speech.Spell(m_entries[static_cast<std::size_t>(m_current)].name);
        break;
    case ExtendedKey::F5:
        if (ReadSearchText())
            Search(key.Shift());
        break;
    case ExtendedKey::CtrlF5:
        Search(key.Shift());
        break;
    default:
        break;
    }
}

void FileChooser::Step(int delta, bool shift)
{
    const int from = m_current;
    const bool on_entry = from >= 0 && from < Count();
    m_current = std::clamp(m_current + delta, -1, Count());
    if (!shift)
        return;
    if (delta > 0) {
        // Shift+Down marks the entry left and the one reached.
        bool newly = false;
        for (int i : { from, m_current }) {
            if (i < 0 || i >= Count() || m_entries[static_cast<std::size_t>(i)].marked)
                continue;
            m_entries[static_cast<std::size_t>(i)].marked = true;
            newly = true;
        }
        if (newly)
            m_speech.Beep();
    } else if (on_entry && m_entries[static_cast<std::size_t>(from)].marked) {
        // Shift+Up takes the mark off the entry left.
        m_entries[static_cast<std::size_t>(from)].marked = false;
        m_speech.Tick();
    }
}

void FileChooser::MarkRange(int from, int to, bool mark)
{
    for (int i = std::max(from, 0); i <= to && i < Count(); ++i)
        m_entries[static_cast<std::size_t>(i)].marked = mark;
    Draw();
}

void FileChooser::SpellShortName()
{
    if (m_current < 0 || m_current >= Count())
        return;
    // Linux keeps no short names: the name in the old eight-dot-three shape
    // (up to eight characters, then up to three of the extension).
    const std::string& name = m_entries[static_cast<std::size_t>(m_current)].name;
    const std::size_t dot = name.rfind('.');
    std::string shortened;
    if (dot == std::string::npos || dot == 0) {
        shortened = name.substr(0, 8);
    } else {
        shortened = name.substr(0, std::min<std::size_t>(dot, 8)) + "." + name.substr(dot + 1, 3);
    }
    m_speech.Spell(FoldFileName(shortened));
}

// Reads the search text key by key; false when the user cancelled it.
bool FileChooser::ReadSearchText()
{
    (void)m_speech.PlaySound("_BUSCAR");
    std::string text;
    for (;;) {
        const Key key = m_keyboard.ReadWholeKey();
        m_speech.StopSpeech();
        if (key.Is(KEY_ESCAPE) || platform::InterruptPending()) {
            m_speech.Beep();
            m_speech.Beep();
            return false;
        }
        if (key.Is(KEY_ENTER))
            break;
        if (key.extended)
            continue;
        if (key.code == KEY_BACKSPACE) {
            (void)m_speech.PlaySound("_DEL");
            if (!text.empty()) {
                m_speech.SpeakChar(static_cast<std::uint8_t>(text.back()));
                text.pop_back();
            }
        } else if (key.code >= 32) {
            text.push_back(static_cast<char>(key.code));
            m_speech.SpeakChar(key.code);
        }
    }
    if (text.empty())
        return false; // nothing to look for: the last text stays
    m_search = text;
    return true;
}

void FileChooser::Search(bool anywhere)
{
    const std::string wanted = FoldFileName(m_search);
    int found = -1;
    if (!wanted.empty()) {
        for (int i = std::max(m_current + 1, 0); i < Count(); ++i) {
            const std::string name = FoldFileName(m_entries[static_cast<std::size_t>(i)].name);
            if (anywhere ? name.find(wanted) != std::string::npos : name.starts_with(wanted)) {
                found = i;
                break;
            }
        }
    }
    if (found < 0) {
        (void)m_speech.PlaySound("_NAOACH");
        return;
    }
    (void)m_speech.PlaySound("_ACHEI");
    m_current = found;
}

LineRead AskFileName(LineEditor& editor, FileChooser& chooser, ScreenModel& screen, Speech& speech, int rows,
    std::string_view default_pattern, std::string_view start_dir)
{
    const int x = screen.CursorColumn();
    const int y = screen.CursorRow();
    std::string text;
    for (;;) {
        screen.MoveCursor(x, y);
        const Key key = editor.EditLineToEdge(text, x, y, true, LineEditor::MAX_LINE_LENGTH);
        if (key.Is(KEY_ESCAPE) || platform::InterruptPending())
            return LineRead { {}, Key::Byte(KEY_ESCAPE) };
        if (key.Is(KEY_ENTER) || key.Is(KEY_CTRL_ENTER))
            return LineRead { text, Key::Byte(KEY_ENTER) };
        if (!key.Is(ExtendedKey::Up) && !key.Is(ExtendedKey::Down))
            continue; // Tab and the other keys: the line is read again

        std::string pattern = Trim(text);
        std::error_code ec;
        if (pattern.empty() && !start_dir.empty()
            && std::filesystem::is_directory(encoding::Cp1252ToUtf8(start_dir), ec))
            pattern = start_dir;
        if (!pattern.empty() && !pattern.ends_with('/')
            && std::filesystem::is_directory(encoding::Cp1252ToUtf8(pattern), ec))
            pattern += '/';
        const std::string dir_part = pattern.substr(0, pattern.rfind('/') + 1);
        if (pattern.empty() || pattern.ends_with('/'))
            pattern += default_pattern;
        const int top = screen.CursorRow();
        const std::string chosen = chooser.ChooseFile(
            ChooserBox { 1, top, SCREEN_COLUMNS, top + rows - 1 }, SortOrder::Name, ATTR_ARCHIVE, pattern);
        if (chosen == FileChooser::TAB_RESULT) {
            speech.Tick();
            speech.Tick();
            continue;
        }
        if (chosen.empty()) {
            // Nothing listed or nothing picked: back to the typed line.
            if (chooser.Entries().empty())
                speech.Beep();
            continue;
        }
        text = chosen.find('/') != std::string::npos ? chosen : dir_part + chosen;
        return LineRead { text, Key::Byte(KEY_ENTER) };
    }
}

} // namespace palavrino::console
