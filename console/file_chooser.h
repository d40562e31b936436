// The file chooser: a speaking list of the directory entries that match a
// pattern, drawn in a rectangle of the screen. The user moves with the
// arrows and hears each name in full, marks entries, searches by typing,
// and picks one; the terminal cursor rests on the entry being spoken, so a
// screen reader or magnifier follows it. The file-name prompt puts it
// behind the arrow keys of a typed line.
#pragma once

#include "console/keyboard.h"
#include "console/line_editor.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::console {

class ScreenModel;
class Speech;

// Entry attribute bits, as the attribute mask of a choice names them.
constexpr int ATTR_READ_ONLY = 1;
constexpr int ATTR_HIDDEN = 2; // the name begins with "."
constexpr int ATTR_DIRECTORY = 16;
constexpr int ATTR_ARCHIVE = 32; // a regular file

enum class SortOrder : std::uint8_t {
    Name = 0,
    Extension = 1, // the text after the last ".", then the name
    Size = 2,
    Time = 3, // modification time, oldest first
};

struct FileEntry {
    std::string fs_name; // the name's bytes as the file system holds them
    std::string name; // Windows-1252, as shown and spoken
    std::uintmax_t size { 0 };
    std::filesystem::file_time_type time {};
    int attributes { 0 };
    bool marked { false };
};

// A rectangle of the text window, 1-based and inclusive.
struct ChooserBox {
    int left { 1 };
    int top { 1 };
    int right { 80 };
    int bottom { 25 };
};

// Names compared as the chooser sorts and searches them: letters in
// capitals without accents, other bytes unchanged.
std::string FoldFileName(std::string_view name);

// True when a name matches one pattern of the chooser ("*" and "?", case-
// and accent-insensitive; a final ".*" also matches names without a dot).
bool MatchesFilePattern(std::string_view pattern, std::string_view name);

// The entries of dir matching the "|"-separated patterns of name_part and
// the attribute mask, sorted. False when the directory cannot be read.
bool ListFileEntries(const std::filesystem::path& dir, std::string_view name_part, int attribute_mask,
    SortOrder order, std::vector<FileEntry>& out);

class FileChooser {
public:
    // What a choice left with Tab returns.
    static constexpr std::string_view TAB_RESULT = "@TAB@";
    // How far PgUp and PgDn move.
    static constexpr int PAGE_STEP = 10;

    FileChooser(ScreenModel& screen, Keyboard& keyboard, Speech& speech);

    // Lets the user pick among the entries matching pattern (Windows-1252,
    // "dir/name-patterns"). Returns the chosen name (with its directory in
    // front when that is not the current one), TAB_RESULT, or an empty text
    // (Escape, the break key, an unreadable directory, nothing matching).
    // The screen under the box is put back afterwards.
    std::string ChooseFile(ChooserBox box, SortOrder order, int attribute_mask, std::string_view pattern);

    // The list of the last choice, marks included.
    const std::vector<FileEntry>& Entries() const { return m_entries; }
    // The current index when the last choice ended (-1 or the count when
    // it had run off an end).
    int Current() const { return m_current; }

private:
    enum class Ending : std::uint8_t { None, Enter, Escape, Tab };

    void Draw();
    void DrawEntry(int index);
    void PlaceCursor();
    void Announce();
    Ending HandleKey(const Key& key);
    void HandleExtended(const Key& key);
    void Step(int delta, bool shift);
    void MarkRange(int from, int to, bool mark);
    bool ReadSearchText();
    void Search(bool anywhere);
    void SpellShortName();
    int VisibleRows() const { return m_box.bottom - m_box.top + 1; }
    int Count() const { return static_cast<int>(m_entries.size()); }

    ScreenModel& m_screen;
    Keyboard& m_keyboard;
    Speech& m_speech;
    std::vector<FileEntry> m_entries;
    ChooserBox m_box;
    std::string m_prefix;
    int m_first { 0 };
    int m_current { 0 };
    std::string m_search; // kept between choices, for Ctrl+F5
};

// The file-name prompt: a typed line at the cursor where Up or Down opens
// the chooser (rows high, on the directory typed so far, the default
// pattern when no name part was typed, in start_dir when nothing was typed
// at all). Tab is ignored; Escape gives an empty text and the key Escape; a
// name picked from the list ends the prompt as Enter does.
LineRead AskFileName(LineEditor& editor, FileChooser& chooser, ScreenModel& screen, Speech& speech, int rows,
    std::string_view default_pattern, std::string_view start_dir = {});

} // namespace palavrino::console
