// The two speaking lists drawn on the screen model. A ListMenu is a box of
// items the user moves through and marks, ending on a key the caller
// interprets (MENU, the AJUDA topics). A PopupList is drawn over the screen
// and puts back what was under it when it closes (POPUPMENU, the history of
// interactive mode, the options of a form field). Both speak the item the
// user arrives on and keep the terminal cursor on it, so screen readers
// and magnifiers follow.
#pragma once

#include "console/keyboard.h"
#include "console/screen_area.h"
#include "console/screen_parts.h"

#include <optional>
#include <string>
#include <vector>

namespace palavrino::console {

struct MenuRun {
    // 0-based; -1 before the first item, the item count after the last.
    int position { -1 };
    Key key; // the key that ended the menu
};

class ListMenu {
public:
    // How far Page Up and Page Down move in both lists.
    static constexpr int PAGE_STEP = 10;

    explicit ListMenu(ScreenParts parts);

    // The box, in 1-based screen cells (clipped to the screen).
    void Make(int left, int top, int right, int bottom);
    bool Made() const { return m_made; }
    void Add(std::string text);
    // Runs from the 1-based start item, drawn in the text colour in force
    // on the background in force.
    MenuRun Run(int start_item);
    // The item's text (0-based), empty outside the items.
    std::string ItemText(int position) const;
    bool Marked(int position) const;
    int Count() const { return static_cast<int>(m_items.size()); }
    // Blanks the box, puts the cursor at its top-left cell and drops the
    // items; the box stays for new items.
    void Close();

private:
    void Draw(int current, std::uint8_t normal_attr);
    void Speak(int current);
    bool Move(int& current, int target);

    ScreenParts m_parts;
    bool m_made { false };
    int m_left { 1 };
    int m_top { 1 };
    int m_right { 1 };
    int m_bottom { 1 };
    int m_scroll { 0 };
    std::vector<std::string> m_items;
    std::vector<bool> m_marks;
};

class PopupList {
public:
    explicit PopupList(ScreenParts parts);

    // Moves the area onto the screen and saves the cells under it.
    void Make(int column, int row, int width, int height, int back_colour);
    bool Made() const { return m_saved.has_value(); }
    // The sound key names a recording said instead of the text; may be empty.
    void Add(std::string sound_key, std::string text);
    // Lets the user choose: the item's 1-based number, or 0. The screen
    // under the list, the colours and the cursor are put back, and the list
    // is dropped.
    int Run();
    const std::string& ResultText() const { return m_result_text; }
    int Count() const { return static_cast<int>(m_items.size()); }
    // Where the list is drawn after Make moved it (1-based).
    int Column() const { return m_column; }
    int Row() const { return m_row; }
    int Height() const { return m_height; }

private:
    struct Item {
        std::string sound_key;
        std::string text;
    };
    void Draw(int current);
    void Speak(int current, bool spell);
    int FindByInitial(int current, std::uint8_t c) const;

    ScreenParts m_parts;
    int m_column { 1 };
    int m_row { 1 };
    int m_width { 1 };
    int m_height { 1 };
    int m_back_colour { 0 };
    int m_scroll { 0 };
    std::optional<SavedArea> m_saved;
    std::vector<Item> m_items;
    std::string m_result_text;
};

} // namespace palavrino::console
