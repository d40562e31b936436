// The paragraph editor's text rules (wrapping, joining, rebuilding) and its
// session: drawing the visible lines, speaking the current one, handing
// typing to the line editor and dispatching the editor's own keys.
#include "console/paragraph_editor.h"

#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/screen_area.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "console/text_files.h"
#include "messages/menus.h"
#include "platform/interrupt.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

namespace palavrino::console {

namespace {

    // A pause after the beep at either end of the text, so the beep is not
    // lost under the next line's speech.
    constexpr int END_PAUSE_MS = 200;
    // How far Page Up and Page Down go is the window's height; the line
    // editor holds at most this many characters of a line.
    constexpr int MAX_LINE_EDIT = 4096;
    // What the clipboard may hand to the editor at once.
    constexpr std::size_t MAX_PASTE = 65000;
    constexpr int FRAME_COLOUR = 7;

    bool IsContinuation(std::string_view line)
    {
        return !line.empty() && line.front() == CONTINUATION_MARK;
    }

    std::string_view WithoutMark(std::string_view line)
    {
        return IsContinuation(line) ? line.substr(1) : line;
    }

    // Upper case for Windows-1252 letters, accented ones included.
    std::string UpperText(std::string_view text)
    {
        std::string out(text);
        for (char& ch : out) {
            const auto c = static_cast<std::uint8_t>(ch);
            if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
                ch = static_cast<char>(c - 0x20);
        }
        return out;
    }

    // Keys the line editor handles: typing, the cursor within the line and
    // the requests to read it.
    bool IsEditingKey(const Key& key)
    {
        if (!key.extended)
            return key.code >= 32 || key.code == KEY_TAB || key.code == KEY_CTRL_D
                || key.code == KEY_BACKSPACE || key.code == KEY_CTRL_BACKSPACE;
        static constexpr std::array<std::uint8_t, 17> SET
            = { 59, 62, 66, 70, 71, 75, 77, 79, 83, 94, 97, 101, 102, 115, 116, 254, 255 };
        return std::find(SET.begin(), SET.end(), key.code) != SET.end();
    }

} // namespace

std::vector<std::string> WrapParagraph(std::string_view text, int width)
{
    width = std::max(width, 2);
    std::vector<std::string> out;
    bool first = true;
    do {
        const auto room = static_cast<std::size_t>(first ? width : width - 1);
        std::size_t cut = text.size();
        if (text.size() > room) {
            // The longest prefix ending just before a blank; a blank at
            // position 0 would give an empty line and no progress.
            const std::size_t blank = text.rfind(' ', room);
            cut = (blank != std::string_view::npos && blank > 0) ? blank : room;
        }
        out.push_back(
            (first ? std::string() : std::string(1, CONTINUATION_MARK)) + std::string(text.substr(0, cut)));
        text.remove_prefix(cut);
        first = false;
    } while (!text.empty());
    return out;
}

std::vector<std::string> JoinParagraphs(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        // A mark on the very first line has nothing to continue: it is text.
        if (IsContinuation(line) && !out.empty())
            out.back() += WithoutMark(line);
        else
            out.push_back(line);
    }
    return out;
}

std::vector<std::string> RebuildParagraphs(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    bool open = false; // the last entry is a paragraph that may go on
    for (const std::string& line : lines) {
        if (line.empty()) {
            out.emplace_back();
            open = false;
        } else if (!open || line.front() == ' ' || line.front() == '\t') {
            out.push_back(line);
            open = true;
        } else {
            out.back() += ' ' + line;
        }
    }
    return out;
}

std::string ExpandLeadingTabs(std::string_view line)
{
    std::string out;
    std::size_t i = 0;
    for (; i < line.size() && (line[i] == '\t' || line[i] == ' '); ++i)
        out += line[i] == '\t' ? std::string(8, ' ') : std::string(1, ' ');
    out += line.substr(i);
    return out;
}

// One run of the editor over a document.
struct ParagraphEditor::State {
    ScreenParts& parts;
    std::vector<std::string>& doc;
    EditorOptions options;
    int width { 78 }; // of the text, inside the frame
    int height { 14 };
    std::uint8_t block_attr { 0 };
    std::uint8_t current_attr { 0 };
    std::uint8_t normal_attr { 0 };
    int cur { 0 };
    int top { 0 };
    int block_start { -1 };
    int block_end { -1 };
    int column { 1 }; // where the line editor left the cursor (1-based, in the text)
    std::string file_name;
    std::string search; // upper case
    bool go_on { true };
    EditorExit exit { EditorExit::Confirmed };

    State(ScreenParts& p, std::vector<std::string>& d)
        : parts(p)
        , doc(d)
    {
    }

    int Count() const { return static_cast<int>(doc.size()); }
    std::string& Line(int i) { return doc[static_cast<std::size_t>(i)]; }
    bool BlockValid() const { return block_start >= 0 && block_end >= block_start && block_end < Count(); }
    bool InBlock(int i) const { return BlockValid() && i >= block_start && i <= block_end; }
    bool InputExhausted() { return !parts.keys.KeyWaiting() && parts.keys.Source().InputEnded(); }

    void Run();
    void Draw();
    void SpeakCurrent();
    Key EditCurrentLine();
    void Dispatch(const Key& key);
    void DispatchOrdinary(const Key& key);
    void DispatchExtended(const Key& key);
    int ParagraphStart(int i);
    int ParagraphEnd(int i); // one past its last line
    void Rewrap(int i);
    void LinesInserted(int at, int n);
    void LineRemoved(int at);
    int InsertPoint(int i);
    void InsertParagraphs(int at, const std::vector<std::string>& paragraphs, bool mark);
    void MoveBy(int delta);
    void KeepVisible();
    void Pause(int ms);
    void Say(std::string_view text);
    void Invalid();
    bool RefuseReadOnly();
    std::optional<std::string> Ask(std::string_view prompt);
    void Confirm();
    // Editing commands.
    void BlockCommand();
    void CopyBlock(bool move);
    void WriteBlock();
    void ReadBlock();
    void CopyToClipboard();
    void Paste();
    void SplitLine();
    void NewLineAfter();
    void DeleteLine();
    void Save(bool forget_name);
    void Search();
    void Help();
    void JoinWithPrevious();
    void ReadOn();
};

void ParagraphEditor::State::Pause(int ms)
{
    if (parts.pause_ms)
        parts.pause_ms(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ParagraphEditor::State::Say(std::string_view text)
{
    parts.speech.Speak(text);
}

void ParagraphEditor::State::Invalid()
{
    parts.speech.Beep();
    Say(msg::MSG_EDITOR_INVALID_KEY);
}

bool ParagraphEditor::State::RefuseReadOnly()
{
    if (options.editable)
        return false;
    parts.speech.Beep();
    Say(msg::MSG_EDITOR_READ_ONLY);
    return true;
}

void ParagraphEditor::State::Draw()
{
    ScreenModel& screen = parts.screen;
    for (int row = 0; row < height; ++row) {
        const int i = top + row;
        std::string text = i < Count() ? Line(i).substr(0, static_cast<std::size_t>(width)) : std::string();
        text.resize(static_cast<std::size_t>(width), ' ');
        for (char& c : text) {
            if (static_cast<std::uint8_t>(c) < 32)
                c = ' ';
        }
        screen.SetCurrentAttr(i == cur ? current_attr : (InBlock(i) ? block_attr : normal_attr));
        screen.MoveCursor(1, row + 1);
        screen.ConsoleWrite(text, WriteOrigin::Echo);
    }
    screen.SetCurrentAttr(normal_attr);
    const int shown_column = column + (IsContinuation(Line(cur)) ? 1 : 0);
    screen.MoveCursor(std::min(shown_column, width), cur - top + 1);
}

void ParagraphEditor::State::SpeakCurrent()
{
    const std::string& line = Line(cur);
    if (line.empty() || IsContinuation(line))
        parts.speech.Tick();
    // Keys typed ahead by a person mean the line is being passed over.
    if (parts.keys.Source().IsLive() && parts.keys.KeyWaiting())
        return;
    const std::string_view text = WithoutMark(line);
    if (text.find_first_not_of(' ') != std::string_view::npos)
        Say(text);
}

Key ParagraphEditor::State::EditCurrentLine()
{
    const bool continuation = IsContinuation(Line(cur));
    const std::string before(WithoutMark(Line(cur)));
    std::string text = before;
    const int x = continuation ? 2 : 1;
    const int field_width = continuation ? width - 1 : width;
    parts.screen.SetCurrentAttr(current_attr);
    const Key end = parts.editor.EditLine(
        text, x, cur - top + 1, options.editable, field_width, MAX_LINE_EDIT, EditStart { column, false });
    parts.screen.SetCurrentAttr(normal_attr);
    column = parts.editor.LastEditColumn();
    // The line editor drops trailing blanks; a line only looked at keeps
    // them.
    const std::size_t kept = before.find_last_not_of(' ');
    if (text == (kept == std::string::npos ? std::string() : before.substr(0, kept + 1)))
        text = before;
    if (text != before) {
        Line(cur) = (continuation ? std::string(1, CONTINUATION_MARK) : std::string()) + text;
        Rewrap(cur);
    }
    return end;
}

void ParagraphEditor::State::Run()
{
    while (go_on) {
        KeepVisible();
        Draw();
        SpeakCurrent();
        Key key = parts.keys.ReadWholeKey();
        if (platform::InterruptPending()) {
            exit = EditorExit::Interrupted;
            break;
        }
        if (IsEditingKey(key)) {
            parts.keys.UnreadKey(key);
            key = EditCurrentLine();
            if (platform::InterruptPending()) {
                exit = EditorExit::Interrupted;
                break;
            }
        } else {
            parts.speech.StopSpeech();
        }
        Dispatch(key);
    }
}

void ParagraphEditor::State::Dispatch(const Key& key)
{
    if (key.extended)
        DispatchExtended(key);
    else
        DispatchOrdinary(key);
}

void ParagraphEditor::State::DispatchOrdinary(const Key& key)
{
    switch (key.code) {
    case KEY_CTRL_B:
        BlockCommand();
        break;
    case KEY_CTRL_C:
        CopyToClipboard();
        break;
    case KEY_CTRL_ENTER:
        SplitLine();
        break;
    case KEY_ENTER:
        NewLineAfter();
        break;
    case KEY_CTRL_V:
        Paste();
        break;
    case KEY_CTRL_Y:
        DeleteLine();
        break;
    case KEY_ESCAPE:
        Confirm();
        break;
    case KEY_TAB:
        break; // the line editor ended on it; nothing more to do
    default:
        Invalid();
        break;
    }
}

void ParagraphEditor::State::DispatchExtended(const Key& key)
{
    switch (static_cast<ExtendedKey>(key.code)) {
    case ExtendedKey::F7:
        DeleteLine();
        break;
    case ExtendedKey::F2:
        Save(false);
        break;
    case ExtendedKey::CtrlF2:
        Save(true);
        break;
    case ExtendedKey::F5:
        if (auto answer = Ask(msg::MSG_EDITOR_ASK_SEARCH))
            search = UpperText(*answer);
        Search();
        break;
    case ExtendedKey::CtrlF5:
        Search();
        break;
    case ExtendedKey::F9:
        Help();
        break;
    case ExtendedKey::Up:
        MoveBy(-1);
        break;
    case ExtendedKey::PageUp:
        MoveBy(-height);
        break;
    case ExtendedKey::Down:
        MoveBy(1);
        break;
    case ExtendedKey::PageDown:
        MoveBy(height);
        break;
    case ExtendedKey::CtrlF7:
        JoinWithPrevious();
        break;
    case ExtendedKey::CtrlDown:
        ReadOn();
        break;
    case ExtendedKey::CtrlPageDown:
        cur = Count() - 1;
        break;
    case ExtendedKey::CtrlPageUp:
        cur = 0;
        break;
    default:
        Invalid();
        break;
    }
}

void ParagraphEditor::State::MoveBy(int delta)
{
    const int target = cur + delta;
    if (target < 0 || target >= Count()) {
        // Moving past either end beeps and stays at the end reached.
        cur = std::clamp(target, 0, Count() - 1);
        parts.speech.Beep();
        Pause(END_PAUSE_MS);
        return;
    }
    cur = target;
}

void ParagraphEditor::State::KeepVisible()
{
    cur = std::clamp(cur, 0, Count() - 1);
    if (cur < top)
        top = cur;
    if (cur >= top + height)
        top = cur - height + 1;
    top = std::clamp(top, 0, std::max(Count() - 1, 0));
    const int length = static_cast<int>(WithoutMark(Line(cur)).size());
    column = std::clamp(column, 1, length + 1);
}

int ParagraphEditor::State::ParagraphStart(int i)
{
    while (i > 0 && IsContinuation(Line(i)))
        --i;
    return i;
}

int ParagraphEditor::State::ParagraphEnd(int i)
{
    ++i;
    while (i < Count() && IsContinuation(Line(i)))
        ++i;
    return i;
}

void ParagraphEditor::State::Rewrap(int i)
{
    const int start = ParagraphStart(i);
    const int end = ParagraphEnd(i);
    // Where the cursor stands, counted in the paragraph's text, so that it
    // stays on the same character after the lines are cut again.
    int offset = -1;
    std::string text;
    for (int k = start; k < end; ++k) {
        if (k == cur)
            offset = static_cast<int>(text.size()) + column - 1;
        text += WithoutMark(Line(k));
    }
    // A first line written with the mark in front keeps it as text.
    if (IsContinuation(Line(start)) && start == 0)
        text.insert(text.begin(), CONTINUATION_MARK);
    std::vector<std::string> lines = WrapParagraph(text, width);
    const int produced = static_cast<int>(lines.size());
    doc.erase(doc.begin() + start, doc.begin() + end);
    doc.insert(doc.begin() + start, lines.begin(), lines.end());
    const int delta = produced - (end - start);
    for (int* mark : { &block_start, &block_end }) {
        if (*mark >= end)
            *mark += delta;
        else if (*mark >= start)
            *mark = std::min(*mark, start + produced - 1);
    }
    if (cur >= end) {
        cur += delta;
    } else if (offset >= 0) {
        int k = start;
        while (k + 1 < start + produced && offset > static_cast<int>(WithoutMark(Line(k)).size())) {
            offset -= static_cast<int>(WithoutMark(Line(k)).size());
            ++k;
        }
        cur = k;
        column = offset + 1;
    }
}

void ParagraphEditor::State::LinesInserted(int at, int n)
{
    for (int* mark : { &block_start, &block_end }) {
        if (*mark >= at)
            *mark += n;
    }
}

void ParagraphEditor::State::LineRemoved(int at)
{
    if (block_start > at)
        --block_start;
    if (block_end >= at)
        --block_end;
    if (block_start >= 0 && (block_end < block_start || block_start >= Count())) {
        block_start = -1;
        block_end = -1;
    }
}

int ParagraphEditor::State::InsertPoint(int i)
{
    // Lines put before a continuation would cut its paragraph in two and
    // glue its rest to them: they go after the paragraph instead.
    while (i < Count() && IsContinuation(Line(i)))
        ++i;
    return i;
}

void ParagraphEditor::State::InsertParagraphs(int at, const std::vector<std::string>& paragraphs, bool mark)
{
    std::vector<std::string> lines;
    for (const std::string& paragraph : paragraphs) {
        for (std::string& line : WrapParagraph(ExpandLeadingTabs(paragraph), width))
            lines.push_back(std::move(line));
    }
    const int n = static_cast<int>(lines.size());
    doc.insert(doc.begin() + at, lines.begin(), lines.end());
    LinesInserted(at, n);
    if (cur >= at)
        cur += n;
    if (mark) {
        block_start = at;
        block_end = at + n - 1;
    }
}

} // namespace palavrino::console

namespace palavrino::console {

std::optional<std::string> ParagraphEditor::State::Ask(std::string_view prompt)
{
    // The question takes the current line's row; the text comes back when
    // the screen is drawn again.
    ScreenModel& screen = parts.screen;
    const int row = cur - top + 1;
    const std::string shown(prompt.substr(0, static_cast<std::size_t>(width - 1)));
    screen.SetCurrentAttr(current_attr);
    screen.MoveCursor(1, row);
    screen.ConsoleWrite(
        shown + std::string(static_cast<std::size_t>(width) - shown.size(), ' '), WriteOrigin::Echo);
    Say(prompt);
    std::string answer;
    const int x = static_cast<int>(shown.size()) + 1;
    const Key end = parts.editor.EditLine(answer, x, row, true, width - x + 1, 255);
    screen.SetCurrentAttr(normal_attr);
    if (end.Is(KEY_ESCAPE))
        return std::nullopt;
    return answer;
}

void ParagraphEditor::State::Confirm()
{
    // Nothing more can come from prepared input that has ended, and the
    // break key needs no answer: either way the editor closes.
    if (InputExhausted()) {
        exit = EditorExit::InputEnded;
        go_on = false;
        return;
    }
    ScreenModel& screen = parts.screen;
    const int row = cur - top + 1;
    const std::string_view prompt = msg::MSG_EDITOR_CONFIRM_END;
    screen.SetCurrentAttr(current_attr);
    screen.MoveCursor(1, row);
    std::string shown(prompt.substr(0, static_cast<std::size_t>(width - 1)));
    screen.ConsoleWrite(
        shown + std::string(static_cast<std::size_t>(width) - shown.size(), ' '), WriteOrigin::Echo);
    screen.MoveCursor(static_cast<int>(shown.size()) + 1, row);
    screen.SetCurrentAttr(normal_attr);
    Say(prompt);
    const Key answer = parts.editor.NextKeySpoken();
    if (platform::InterruptPending()) {
        exit = EditorExit::Interrupted;
        go_on = false;
    } else if (answer.Is(KEY_ESCAPE) && InputExhausted()) {
        exit = EditorExit::InputEnded;
        go_on = false;
    } else if (!answer.extended && (answer.code == 'S' || answer.code == 's')) {
        go_on = false;
    }
}

void ParagraphEditor::State::BlockCommand()
{
    Say(msg::MSG_EDITOR_BLOCK);
    const Key key = parts.editor.NextKeySpoken();
    const std::uint8_t letter = key.extended
        ? 0
        : static_cast<std::uint8_t>(UpperText(std::string(1, static_cast<char>(key.code)))[0]);
    switch (letter) {
    case 'I':
        block_start = cur;
        Say(msg::MSG_EDITOR_BLOCK_START);
        break;
    case 'F':
        block_end = cur;
        Say(msg::MSG_EDITOR_BLOCK_END);
        break;
    case 'D':
        block_start = block_end = -1;
        Say(msg::MSG_EDITOR_BLOCK_CLEAR);
        break;
    case 'C':
    case 'M':
        if (RefuseReadOnly())
            break;
        Say(letter == 'C' ? msg::MSG_EDITOR_BLOCK_COPY : msg::MSG_EDITOR_BLOCK_MOVE);
        CopyBlock(letter == 'M');
        break;
    case 'G':
        WriteBlock();
        break;
    case 'L':
        if (!RefuseReadOnly())
            ReadBlock();
        break;
    default:
        if (key.Is(KEY_ESCAPE))
            break;
        for (std::string_view text : { msg::MSG_EDITOR_BLOCK_ERROR, msg::MSG_EDITOR_BLOCK_HELP_I,
                 msg::MSG_EDITOR_BLOCK_HELP_F, msg::MSG_EDITOR_BLOCK_HELP_D, msg::MSG_EDITOR_BLOCK_HELP_C,
                 msg::MSG_EDITOR_BLOCK_HELP_M, msg::MSG_EDITOR_BLOCK_HELP_G, msg::MSG_EDITOR_BLOCK_HELP_L })
            Say(text);
        break;
    }
}

void ParagraphEditor::State::CopyBlock(bool move)
{
    if (!BlockValid() || InBlock(cur))
        return;
    const std::vector<std::string> lines(doc.begin() + block_start, doc.begin() + block_end + 1);
    const int n = static_cast<int>(lines.size());
    int at = InsertPoint(cur);
    if (at > block_start && at <= block_end + 1)
        return; // the place is the block itself
    if (move) {
        doc.erase(doc.begin() + block_start, doc.begin() + block_end + 1);
        if (at > block_start)
            at -= n;
    }
    doc.insert(doc.begin() + at, lines.begin(), lines.end());
    if (!move && at <= block_start) {
        block_start += n;
        block_end += n;
    }
    if (move) {
        block_start = at;
        block_end = at + n - 1;
    }
    cur = at;
    column = 1;
    // A block that began inside a paragraph starts one where it lands.
    if (IsContinuation(Line(at)) && (at == 0 || Line(at - 1).empty()))
        Line(at).erase(0, 1);
}

void ParagraphEditor::State::WriteBlock()
{
    if (!BlockValid()) {
        parts.speech.Beep();
        return;
    }
    const auto name = Ask(msg::MSG_EDITOR_ASK_SAVE_FILE);
    if (!name || name->empty()) {
        parts.speech.Beep();
        return;
    }
    const std::vector<std::string> lines(doc.begin() + block_start, doc.begin() + block_end + 1);
    Say(WriteTextLines(*name, JoinParagraphs(lines)) ? msg::MSG_EDITOR_BLOCK_SAVED
                                                     : msg::MSG_EDITOR_BLOCK_SAVE_FAILED);
}

void ParagraphEditor::State::ReadBlock()
{
    // A typed character starts the name; an extended key opens the chooser.
    Say(msg::MSG_EDITOR_ASK_READ_FILE);
    const Key first = parts.keys.ReadWholeKey();
    std::optional<std::string> name;
    if (first.extended && parts.choose_file) {
        name = parts.choose_file();
    } else {
        if (!first.extended)
            parts.keys.UnreadKey(first);
        name = Ask(msg::MSG_EDITOR_ASK_READ_FILE);
    }
    if (!name || name->empty())
        return;
    const auto lines = ReadTextLines(*name);
    if (!lines) {
        const int row = cur - top + 1;
        parts.screen.MoveCursor(1, row);
        std::string shown(msg::MSG_EDITOR_READ_ERROR.substr(0, static_cast<std::size_t>(width - 1)));
        shown.resize(static_cast<std::size_t>(width), ' ');
        parts.screen.ConsoleWrite(shown, WriteOrigin::Echo);
        Say(msg::MSG_EDITOR_READ_ERROR);
        for (;;) {
            const Key key = parts.keys.ReadWholeKey();
            if (key.Is(KEY_ENTER) || platform::InterruptPending() || (key.Is(KEY_ESCAPE) && InputExhausted()))
                break;
        }
        return;
    }
    InsertParagraphs(InsertPoint(cur), *lines, true);
    cur = block_start;
    column = 1;
    Say(msg::MSG_EDITOR_BLOCK_READ);
}

void ParagraphEditor::State::CopyToClipboard()
{
    if (!BlockValid() || !parts.clipboard) {
        parts.speech.Beep();
        return;
    }
    const std::vector<std::string> lines(doc.begin() + block_start, doc.begin() + block_end + 1);
    std::string text;
    for (const std::string& paragraph : JoinParagraphs(lines))
        text += paragraph + "\r\n";
    parts.clipboard->PutText(text);
}

void ParagraphEditor::State::Paste()
{
    if (RefuseReadOnly())
        return;
    const std::string text = parts.clipboard ? parts.clipboard->GetText(MAX_PASTE + 1) : std::string();
    if (text.empty()) {
        parts.speech.Beep();
        return;
    }
    std::vector<std::string> paragraphs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (end < text.size() || !line.empty())
            paragraphs.push_back(line);
        start = end + 1;
    }
    const int at = InsertPoint(cur);
    const int old_cur = cur;
    const int before = Count();
    InsertParagraphs(at, paragraphs, false);
    // The cursor ends past what was pasted.
    if (old_cur < at)
        cur = std::min(at + Count() - before, Count() - 1);
    column = 1;
}

} // namespace palavrino::console

namespace palavrino::console {

void ParagraphEditor::State::SplitLine()
{
    if (RefuseReadOnly())
        return;
    const bool continuation = IsContinuation(Line(cur));
    if (column == 1 && !continuation) {
        doc.insert(doc.begin() + cur, std::string());
        LinesInserted(cur, 1);
        ++cur;
        Say(msg::MSG_EDITOR_NEW_LINE);
        return;
    }
    // The text after the cursor starts a paragraph of its own, taking the
    // rest of the old paragraph's lines with it.
    std::string text(WithoutMark(Line(cur)));
    const auto at = static_cast<std::size_t>(std::min(column - 1, static_cast<int>(text.size())));
    std::string rest = text.substr(at);
    text.erase(at);
    const int end = ParagraphEnd(cur);
    for (int k = cur + 1; k < end; ++k)
        rest += WithoutMark(Line(k));
    doc.erase(doc.begin() + cur + 1, doc.begin() + end);
    for (int k = cur + 1; k < end; ++k)
        LineRemoved(cur + 1);
    if (continuation && at == 0) {
        Line(cur) = rest;
    } else {
        Line(cur) = (continuation ? std::string(1, CONTINUATION_MARK) : std::string()) + text;
        doc.insert(doc.begin() + cur + 1, rest);
        LinesInserted(cur + 1, 1);
        Rewrap(cur);
        cur = ParagraphEnd(cur);
    }
    column = 1;
    Rewrap(cur);
    cur = ParagraphStart(cur);
    column = 1;
    Say(msg::MSG_EDITOR_LINE_SPLIT);
}

void ParagraphEditor::State::NewLineAfter()
{
    if (RefuseReadOnly())
        return;
    // After the whole paragraph: a line in its middle would cut it.
    const int at = ParagraphEnd(cur);
    doc.insert(doc.begin() + at, std::string());
    LinesInserted(at, 1);
    cur = at;
    column = 1;
    Say(msg::MSG_EDITOR_NEW_LINE);
}

void ParagraphEditor::State::DeleteLine()
{
    if (RefuseReadOnly())
        return;
    if (Count() == 1) {
        // The last line left is emptied, never removed.
        if (Line(0).empty())
            parts.speech.Tick();
        else
            Line(0).clear();
        column = 1;
        return;
    }
    const bool first_of_paragraph = !IsContinuation(Line(cur));
    doc.erase(doc.begin() + cur);
    LineRemoved(cur);
    if (cur >= Count())
        cur = Count() - 1;
    else if (first_of_paragraph && IsContinuation(Line(cur))) {
        // Its continuation becomes the paragraph's first line.
        std::string& line = Line(cur);
        const std::size_t text = line.find_first_not_of(' ', 1);
        line = text == std::string::npos ? std::string() : line.substr(text);
        Rewrap(cur);
    } else if (IsContinuation(Line(cur))) {
        Rewrap(cur);
    }
    column = 1;
    Say(msg::MSG_EDITOR_LINE_REMOVED);
}

void ParagraphEditor::State::Save(bool forget_name)
{
    if (forget_name)
        file_name.clear();
    if (file_name.empty()) {
        const auto answer = Ask(msg::MSG_EDITOR_ASK_SAVE_FILE);
        if (!answer)
            return;
        file_name = answer->empty() ? std::string(msg::MSG_EDITOR_DRAFT_FILE) : *answer;
    }
    Say(WriteTextLines(file_name, JoinParagraphs(doc)) ? msg::MSG_EDITOR_DRAFT_SAVED
                                                       : msg::MSG_EDITOR_DRAFT_FAILED);
}

void ParagraphEditor::State::Search()
{
    if (search.empty())
        return;
    for (int i = cur + 1; i < Count(); ++i) {
        if (UpperText(WithoutMark(Line(i))).find(search) != std::string::npos) {
            cur = i;
            column = 1;
            return;
        }
    }
    parts.speech.Beep();
    parts.speech.Beep();
}

void ParagraphEditor::State::Help()
{
    ScreenModel& screen = parts.screen;
    for (std::string_view page : { msg::MSG_EDITOR_HELP_TITLE, msg::MSG_EDITOR_HELP_TYPING,
             msg::MSG_EDITOR_HELP_LINES, msg::MSG_EDITOR_HELP_BLOCKS }) {
        std::vector<std::string> lines = WrapParagraph(page, width);
        screen.SetCurrentAttr(normal_attr);
        for (int row = 0; row < height; ++row) {
            std::string text;
            if (row < static_cast<int>(lines.size())) {
                const std::string_view line = WithoutMark(lines[static_cast<std::size_t>(row)]);
                text = line.substr(std::min(line.find_first_not_of(' '), line.size()));
            }
            text.resize(static_cast<std::size_t>(width), ' ');
            screen.MoveCursor(1, row + 1);
            screen.ConsoleWrite(text, WriteOrigin::Echo);
        }
        screen.MoveCursor(1, 1);
        Say(page);
        const Key key = parts.keys.ReadWholeKey();
        parts.speech.StopSpeech();
        if (key.Is(KEY_ESCAPE) || platform::InterruptPending())
            break;
    }
}

void ParagraphEditor::State::JoinWithPrevious()
{
    if (RefuseReadOnly())
        return;
    const int start = ParagraphStart(cur);
    if (start == 0) {
        parts.speech.Beep();
        Say(msg::MSG_EDITOR_CANNOT_JOIN);
        return;
    }
    if (Line(start - 1).empty()) {
        doc.erase(doc.begin() + start - 1);
        LineRemoved(start - 1);
        cur = start - 1;
    } else {
        const int previous = ParagraphStart(start - 1);
        int offset = 0;
        for (int k = previous; k < start; ++k)
            offset += static_cast<int>(WithoutMark(Line(k)).size());
        Line(start) = std::string(1, CONTINUATION_MARK) + " " + Line(start);
        cur = previous;
        column = 1;
        Rewrap(previous);
        // The cursor goes where the joined paragraph's text begins.
        int k = previous;
        offset += 1;
        while (k + 1 < ParagraphEnd(previous) && offset >= static_cast<int>(WithoutMark(Line(k)).size())) {
            offset -= static_cast<int>(WithoutMark(Line(k)).size());
            ++k;
        }
        cur = k;
        column = offset + 1;
    }
    Say(msg::MSG_EDITOR_JOINED);
}

void ParagraphEditor::State::ReadOn()
{
    int i = cur;
    while (i < Count()) {
        const int end = ParagraphEnd(i);
        std::string text;
        for (int k = i; k < end; ++k)
            text += WithoutMark(Line(k));
        cur = i;
        if (text.empty()) {
            Pause(END_PAUSE_MS);
        } else {
            Say(text);
            parts.speech.WaitSpeech();
        }
        // A key from the person, or the break key, stops the reading there.
        if (platform::InterruptPending() || (parts.keys.Source().IsLive() && parts.keys.KeyWaiting())) {
            parts.speech.StopSpeech();
            return;
        }
        i = end;
    }
    cur = Count() - 1;
    for (int k = 0; k < 3; ++k)
        parts.speech.Beep();
    Say(msg::MSG_EDITOR_END_OF_READING);
}

ParagraphEditor::ParagraphEditor(ScreenParts parts)
    : m_parts(std::move(parts))
{
}

EditorExit ParagraphEditor::EditText(
    std::vector<std::string>& lines, const TextArea& area, EditorOptions options)
{
    ScreenModel& screen = m_parts.screen;
    const int frame = area.framed ? 1 : 0;
    // The area stays on the screen and keeps room for two characters of
    // text (a continuation line shows its mark and one more).
    const int column = std::clamp(area.column, 1, SCREEN_COLUMNS - 1 - 2 * frame);
    const int row = std::clamp(area.row, 1, SCREEN_ROWS - 2 * frame);
    const int width = std::clamp(area.width, 2 + 2 * frame, SCREEN_COLUMNS - column + 1);
    const int height = std::clamp(area.height, 1 + 2 * frame, SCREEN_ROWS - row + 1);

    WholeScreen whole(screen);
    whole.SetFinalCursor(column, row);
    const SavedArea saved(screen, column, row, width, height);
    m_parts.speech.Speak(msg::MSG_EDITOR_OPENED);

    for (std::string& line : lines)
        line = ExpandLeadingTabs(line);
    if (options.reflow)
        lines = RebuildParagraphs(lines);
    State state(m_parts, lines);
    state.options = options;
    state.width = width - 2 * frame;
    state.height = height - 2 * frame;
    state.block_attr = MakeAttr(area.block_colour, area.back_colour);
    state.current_attr = MakeAttr(area.current_colour, area.back_colour);
    state.normal_attr = MakeAttr(area.normal_colour, area.back_colour);
    std::vector<std::string> display;
    for (const std::string& paragraph : lines) {
        for (std::string& line : WrapParagraph(paragraph, state.width))
            display.push_back(std::move(line));
    }
    if (display.empty())
        display.emplace_back();
    lines = std::move(display);

    if (area.framed) {
        const std::uint8_t attr = MakeAttr(FRAME_COLOUR, area.back_colour);
        const std::string edge = "+" + std::string(static_cast<std::size_t>(width - 2), '-') + "+";
        PutCells(screen, column, row, edge, attr);
        for (int r = row + 1; r < row + height - 1; ++r) {
            PutCells(screen, column, r, "|", attr);
            PutCells(screen, column + width - 1, r, "|", attr);
        }
        PutCells(screen, column, row + height - 1, edge, attr);
    }
    screen.SetWindow(column + frame, row + frame, column + width - 1 - frame, row + height - 1 - frame);
    state.Run();
    screen.SetWindow(1, 1, SCREEN_COLUMNS, SCREEN_ROWS);

    lines = JoinParagraphs(lines);
    saved.Restore(screen);
    return state.exit;
}

} // namespace palavrino::console
