// The paragraph editor: a full-screen, speaking editor for a list of text
// lines, opened in a rectangle of the screen. Each entry of the caller's
// list is a paragraph; while editing, a paragraph is wrapped into display
// lines, the lines after its first beginning with a middle dot (0xB7,
// "continuation"). Every line is spoken as the cursor reaches it. Closing
// joins the paragraphs back, so opening and closing without changes gives
// the list back as it was. Interactive mode edits its script buffer here,
// and AJUDA shows the manual here.
#pragma once

#include "console/screen_parts.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::console {

// Marks a display line that continues the paragraph above it.
constexpr char CONTINUATION_MARK = '\xB7';

// Where the editor is drawn and in which colours. Column and row are
// 1-based screen positions of the top-left corner; a frame takes one cell
// on each side of the text.
struct TextArea {
    int column { 1 };
    int row { 1 };
    int width { 80 };
    int height { 16 };
    bool framed { true };
    int block_colour { 2 };
    int current_colour { 14 };
    int normal_colour { 15 };
    int back_colour { 0 };
};

struct EditorOptions {
    // Rebuild paragraphs from plain lines first: a blank line ends a
    // paragraph, a line starting with a blank or tab starts one, other
    // lines continue the paragraph.
    bool reflow { false };
    // False: the text can be read, searched, marked and saved, not changed.
    bool editable { true };
};

// How the user left the editor.
enum class EditorExit : std::uint8_t {
    Confirmed = 0, // Escape, and "S" to the question
    Interrupted = 1, // the break key (Ctrl+C)
    InputEnded = 2, // prepared input ran out
};

// ---- The text rules, usable alone ----
// The paragraph cut into display lines of the width: the first holds width
// characters, each continuation width - 1 after its mark. Cuts fall before
// a blank (which starts the next line); a word longer than a line is cut.
std::vector<std::string> WrapParagraph(std::string_view text, int width);
// Display lines back to paragraphs: each continuation is appended, without
// its mark, to the entry before it.
std::vector<std::string> JoinParagraphs(const std::vector<std::string>& lines);
// The reflow rule of EditorOptions.
std::vector<std::string> RebuildParagraphs(const std::vector<std::string>& lines);
// Each tab before the first other character becomes eight blanks.
std::string ExpandLeadingTabs(std::string_view line);

class ParagraphEditor {
public:
    explicit ParagraphEditor(ScreenParts parts);

    // Edits the lines in place and returns how the user left. The screen
    // under the area, the colours and the text window are as before
    // afterwards, and the cursor is at the area's top-left corner.
    EditorExit EditText(std::vector<std::string>& lines, const TextArea& area, EditorOptions options = {});

private:
    struct State;
    ScreenParts m_parts;
};

} // namespace palavrino::console
