// Screen review: a keyboard-driven reader of the text screen for blind
// users. A review cursor moves over the 80 x 25 cells independently of the
// program; the user hears characters, words, rows, fields or the whole
// screen, searches for text and copies the screen to the clipboard. The
// mode is entered from the line editor (and the list screens) and gives the
// console cursor back where it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace palavrino::console {

class Clipboard;
class Keyboard;
class ScreenModel;
class Speech;
struct Key;

class ScreenReview {
public:
    ScreenReview(ScreenModel& screen, Keyboard& keyboard, Speech& speech, Clipboard& clipboard);

    // Runs the mode until Escape.
    void Run();

    // 1-based screen position of the review cursor (for tests and callers
    // that show it).
    int Row() const { return m_row; }
    int Column() const { return m_column; }
    const std::string& SearchText() const { return m_search; }

    // How a stretch of the screen is read: word by word (the built-in voice,
    // which speaks words best one at a time) or as one text (an external
    // engine). By default the speech layer's engine decides.
    void SetWordByWord(std::optional<bool> word_by_word) { m_word_by_word = word_by_word; }

private:
    struct Span {
        int first { 1 };
        int last { 1 }; // inclusive
    };

    void ShowPosition();
    void OrdinaryKey(const Key& key);
    void ExtendedKeyPressed(const Key& key);
    void TwoLetterCommand(std::uint8_t first);
    void Clamp();
    void Nonsense(); // the answer to a key the mode does not know

    std::uint8_t CharAt(int row, int column) const;
    std::uint8_t AttrAt(int row, int column) const;
    int RowEnd(int row) const; // one after the last non-blank, 1 for a blank row
    Span FieldAt(int row, int column) const;
    bool WordByWord() const;

    // Reads from (r1, c1) to (r2, c2); false when a key press cut it short.
    bool ReadRange(int r1, int c1, int r2, int c2);
    void ReadRow(int row) { (void)ReadRange(row, 1, row, 80); }
    // Reads the word at the review position and moves past it.
    void ReadWord();
    void ReadSearchText();
    void Search();
    void GoToRowAndColumn();
    void PreviousWord();
    void NextWord();
    void CopyScreen();
    bool KeyInterrupts();

    ScreenModel& m_screen;
    Keyboard& m_keyboard;
    Speech& m_speech;
    Clipboard& m_clipboard;
    int m_row { 1 };
    int m_column { 1 };
    bool m_leave { false };
    std::string m_search; // kept between searches, for the whole run
    std::optional<bool> m_word_by_word;
};

} // namespace palavrino::console
