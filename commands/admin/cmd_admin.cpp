// VERSAO, DEBUG, RANDOMIZA, SIMBOLOS and AJUDA: commands about the
// interpreter itself, all allowed in interactive mode. AJUDA reads the
// language manual from the environment's data folder (or the folder named
// by PGMTALIRA) and shows one section, or the list of topics.
#include "commands/admin/cmd_admin.h"

#include "console/config.h"
#include "console/list_menu.h"
#include "console/paragraph_editor.h"
#include "console/screen_area.h"
#include "console/screen_model.h"
#include "core/char_tables.h"
#include "devices/text_file.h"
#include "encoding/encoding.h"
#include "interp/command_helpers.h"
#include "interp/runtime.h"
#include "messages/admin.h"

#include <chrono>
#include <cstdio>

namespace palavrino::interp {

namespace {

    constexpr std::string_view VERSION_TEXT = "6.3";
    constexpr double VERSION_NUMBER = 6.3;

    // Reads a signed decimal number with "." as the separator, whatever the
    // locale.
    bool ParseVersion(std::string_view text, double* out)
    {
        double value = 0;
        double scale = 0;
        bool digits = false;
        size_t i = 0;
        bool negative = !text.empty() && text[0] == '-';
        if (negative || (!text.empty() && text[0] == '+'))
            ++i;
        for (; i < text.size(); ++i) {
            char c = text[i];
            if (c >= '0' && c <= '9') {
                digits = true;
                if (scale == 0) {
                    value = value * 10 + (c - '0');
                } else {
                    value += (c - '0') * scale;
                    scale /= 10;
                }
            } else if (c == '.' && scale == 0) {
                scale = 0.1;
            } else {
                return false;
            }
        }
        *out = negative ? -value : value;
        return digits;
    }

    std::string Trim(const std::string& s)
    {
        size_t b = s.find_first_not_of(" \t");
        if (b == std::string::npos)
            return {};
        size_t e = s.find_last_not_of(" \t");
        return s.substr(b, e - b + 1);
    }

    std::string Format(const char* format, const std::string& a, const std::string& b, const std::string& c,
        const std::string& d, const std::string& e)
    {
        int n = std::snprintf(nullptr, 0, format, a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str());
        std::string out(static_cast<size_t>(n < 0 ? 0 : n), '\0');
        std::snprintf(
            out.data(), out.size() + 1, format, a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str());
        return out;
    }

    // ---- The manual ----

    constexpr std::string_view SECTION_MARK = "== ";
    // A topic typed at the list is a command or function name.
    constexpr int MAX_TOPIC_LENGTH = 40;
    // The section and the topic list take this many rows; the list is as
    // wide as the longest names, on blue.
    constexpr int HELP_ROWS = 16;
    constexpr int TOPIC_COLUMNS = 12;
    constexpr int TOPIC_BACK_COLOUR = 1;
    // Tab stops of the manual's text.
    constexpr size_t MANUAL_TAB_COLUMNS = 4;

    bool OpensSection(std::string_view line)
    {
        return line.substr(0, SECTION_MARK.size()) == SECTION_MARK;
    }

    std::string ExpandTabs(std::string_view line)
    {
        std::string out;
        for (char c : line) {
            if (c != '\t') {
                out += c;
                continue;
            }
            do
                out += ' ';
            while (out.size() % MANUAL_TAB_COLUMNS != 0);
        }
        return out;
    }

    // Where the manual is: under PGMTALIRA when the configuration names it,
    // otherwise in the environment's data folder. Windows-1252, like every name
    // the file layer opens.
    std::string ManualPath(Runtime& rt)
    {
        std::string folder = rt.io.ReadConfig("TALIRA", "PGMTALIRA");
        if (folder.empty())
            return encoding::DecodeTextLine(console::DefaultDataPath("manual/pl.txt").string());
        if (folder.back() != '/')
            folder += '/';
        return folder + "manual/pl.txt";
    }

    void ShowLines(Runtime& rt, const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines) {
            if (line.find_first_not_of(' ') == std::string::npos)
                rt.NewLine();
            else
                rt.WriteLineAndSpeak(line);
        }
    }

    // The section in the paragraph editor, framed, the width of the screen,
    // in the rows below the cursor; without a console its lines are written
    // and spoken in turn.
    void ShowSection(Runtime& rt, const std::vector<std::string>& manual, const std::string& topic)
    {
        std::optional<std::vector<std::string>> section = ManualSection(manual, topic);
        if (!section) {
            rt.ReportErrorHere(msg::HelpNotFound(topic));
            return;
        }
        std::optional<console::ScreenParts> parts = rt.io.Screens();
        if (!parts) {
            ShowLines(rt, *section);
            return;
        }
        // Room below the cursor: the screen scrolls up if it must. This is
        // drawing, not output: a stream shows nothing of it.
        console::ScreenModel& screen = parts->screen;
        for (int i = 0; i < HELP_ROWS + 4; ++i)
            screen.ConsoleWrite("\r\n", console::WriteOrigin::Echo);
        screen.MoveCursor(1, std::max(screen.CursorRow() - HELP_ROWS - 4, 1));
        console::TextArea area;
        area.column = 1;
        area.row = screen.WindowTop() + screen.CursorRow();
        area.width = console::SCREEN_COLUMNS;
        area.height = HELP_ROWS;
        console::ParagraphEditor editor(*parts);
        (void)editor.EditText(*section, area);
    }

    // The topics in a list menu; the one chosen with Enter, if any.
    std::optional<std::string> ChooseTopic(
        Runtime& rt, console::ScreenParts& parts, const std::vector<std::string>& topics)
    {
        console::ScreenModel& screen = parts.screen;
        const std::uint8_t colours = screen.CurrentAttr();
        const int row = screen.WindowTop() + screen.CursorRow();
        console::ListMenu menu(parts);
        menu.Make(1, row, TOPIC_COLUMNS, row + HELP_ROWS - 1);
        for (const std::string& topic : topics)
            menu.Add(topic);
        rt.io.SetBackColor(TOPIC_BACK_COLOUR);
        const console::MenuRun run = menu.Run(1);
        rt.io.SetBackColor(0);
        const std::string chosen = menu.ItemText(run.position);
        menu.Close();
        screen.SetCurrentAttr(static_cast<std::uint8_t>(colours & 0x0F));
        if (!run.key.Is(console::KEY_ENTER) || chosen.empty())
            return std::nullopt;
        return chosen;
    }

} // namespace

std::vector<std::string> ManualTopics(const std::vector<std::string>& lines)
{
    std::vector<std::string> topics;
    for (const std::string& line : lines) {
        if (!OpensSection(line))
            continue;
        std::string_view rest = std::string_view(line).substr(SECTION_MARK.size());
        rest = rest.substr(0, rest.find(' '));
        size_t b = rest.find_first_not_of(" \t");
        if (b == std::string_view::npos)
            continue;
        size_t e = rest.find_last_not_of(" \t");
        topics.emplace_back(rest.substr(b, e - b + 1));
    }
    return topics;
}

std::optional<std::vector<std::string>> ManualSection(
    const std::vector<std::string>& lines, std::string_view topic)
{
    const std::string wanted = core::FoldName(topic);
    if (wanted.empty())
        return std::nullopt;
    // An exact topic wins over an earlier one it only begins, so SE finds
    // its own section even when SEJA comes first; a prefix still finds a
    // section from the start of its name.
    size_t exact = lines.size();
    size_t prefix = lines.size();
    for (size_t i = 0; i < lines.size() && exact == lines.size(); ++i) {
        if (!OpensSection(lines[i]))
            continue;
        std::string rest = core::FoldName(std::string_view(lines[i]).substr(SECTION_MARK.size()));
        if (rest.compare(0, wanted.size(), wanted) != 0)
            continue;
        if (rest.size() == wanted.size() || rest[wanted.size()] == ' ')
            exact = i;
        else if (prefix == lines.size())
            prefix = i;
    }
    size_t at = exact < lines.size() ? exact : prefix;
    if (at == lines.size())
        return std::nullopt;
    std::string_view header = std::string_view(lines[at]).substr(SECTION_MARK.size());
    size_t word_end = std::min(header.find(' '), header.size());
    std::string_view title = header.substr(std::min(word_end + 1, header.size()));
    std::vector<std::string> section;
    section.push_back(std::string(header.substr(0, word_end)) + " " + std::string(title));
    for (size_t i = at + 1; i < lines.size() && !OpensSection(lines[i]); ++i)
        section.push_back(ExpandTabs(lines[i]));
    // Blank lines that only separate sections in the file are not read out.
    while (section.size() > 1 && section.back().find_first_not_of(' ') == std::string::npos)
        section.pop_back();
    return section;
}

bool CmdVersao(Runtime& rt)
{
    Value v;
    rt.ParseExpression(v);
    if (!v.is(ValueKind::String) || v.Text().empty()) {
        rt.ReportErrorHere(msg::MSG_EXPECTED_VERSION_STRING);
        return false;
    }
    std::string text = Trim(v.Text());
    double wanted = 0;
    if (!ParseVersion(text, &wanted))
        rt.ReportErrorHere(msg::BadVersionNumber(text));
    else if (wanted > VERSION_NUMBER + 1e-9)
        rt.ReportErrorHere(msg::NewerVersionWanted(VERSION_TEXT));
    return true;
}

bool CmdDebug(Runtime& rt)
{
    bool off = rt.lexer.IsOperator(core::OpCode::Subtract) || rt.lexer.TokenIsWord("N");
    rt.lexer.SkipRestOfLine();
    rt.Slot().trace = !off;
    rt.WriteLineAndSpeak(off ? msg::MSG_DEBUG_OFF : msg::MSG_DEBUG_ON);
    return true;
}

bool CmdRandomiza(Runtime& rt)
{
    rt.lexer.SkipRestOfLine();
    auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    rt.random.seed(static_cast<uint32_t>(now ^ (now >> 32)));
    return true;
}

bool CmdSimbolos(Runtime& rt)
{
    const std::string dashes(69, '-');
    // The frame of dashes and headings only surrounds a listing that has
    // rows; labels and functions are never listed.
    bool any = false;
    for (SymtbEntry* e = rt.symbols.FirstDefined(); e && !any; e = core::SymbolTable::NextDefined(e))
        any = e->kind == SymbolKind::Variable || e->kind == SymbolKind::Module;
    if (any) {
        rt.WriteLineAndSpeak(dashes);
        rt.WriteLineAndSpeak(msg::MSG_SYMBOLS_HEADING);
        rt.WriteLineAndSpeak(dashes);
    }
    const char* row_format = "%-16.16s%12s%4s         %-12.12s    %s";
    for (SymtbEntry* e = rt.symbols.FirstDefined(); e; e = core::SymbolTable::NextDefined(e)) {
        if (e->kind == SymbolKind::Variable) {
            if (e->owner) {
                rt.WriteLineAndSpeak(Format(row_format, e->name, "?", "", e->owner->name, "?"));
                continue;
            }
            const Value& value = rt.VariableCell(*e).value;
            std::string shown = core::ValueToText(value);
            if (value.is(ValueKind::String))
                shown = "\"" + shown + "\"";
            bool super = e->script < 0;
            rt.WriteLineAndSpeak(Format(row_format, e->name, std::string(core::KindName(value.kind())),
                super ? "*" : core::IntToText(e->script),
                std::string(super ? msg::MSG_SCOPE_SUPERGLOBAL : msg::MSG_SCOPE_GLOBAL), shown));
        } else if (e->kind == SymbolKind::Module) {
            rt.WriteLineAndSpeak(Format(row_format, e->name, std::string(msg::MSG_KIND_MODULE_SHORT),
                core::IntToText(e->script), std::string(msg::MSG_SCOPE_GLOBAL), core::IntToText(e->value1)));
        }
    }
    rt.NewLine();
    rt.WriteLineAndSpeak(msg::MSG_COUNTERS);
    const core::HeapStats& h = core::ActiveHeapStats();
    rt.WriteLineAndSpeak(msg::Join(msg::MSG_COUNTER_DICT_NODES, std::to_string(h.dict_nodes)));
    rt.WriteLineAndSpeak(msg::Join(msg::MSG_COUNTER_LIST_CELLS, std::to_string(h.list_cells)));
    rt.WriteLineAndSpeak(msg::Join(msg::MSG_COUNTER_OBJECTS, std::to_string(h.objects)));
    rt.WriteLineAndSpeak(msg::MSG_COUNTER_NEW_COMMANDS);
    rt.WriteLineAndSpeak(msg::MSG_COUNTER_SIZES);
    rt.WriteLineAndSpeak(
        msg::Join(msg::MSG_COUNTER_LONGEST_CHAIN, core::IntToText(rt.symbols.LongestChain())));
    if (any)
        rt.WriteLineAndSpeak(dashes);
    return true;
}

// AJUDA [topic]
bool CmdAjuda(Runtime& rt)
{
    std::string topic;
    bool has_topic = !rt.lexer.AtEnd();
    if (has_topic) {
        const core::TokenRec& t = rt.lexer.tok;
        bool word_operator = rt.lexer.IsOperator(core::OpCode::And) || rt.lexer.IsOperator(core::OpCode::Or);
        if (t.kind == core::TokenKind::Word || t.kind == core::TokenKind::String)
            topic = t.text;
        else if (word_operator)
            topic = core::FoldName(t.raw);
        else
            return Fail(rt, msg::MSG_EXPECTED_COMMAND_NAME);
    }
    rt.lexer.SkipRestOfLine();
    std::vector<std::string> manual;
    if (devices::ReadFileLines(ManualPath(rt), manual) != 0) {
        rt.ReportErrorHere(msg::MSG_MANUAL_NOT_FOUND);
        return true;
    }
    if (has_topic) {
        ShowSection(rt, manual, topic);
        return true;
    }
    rt.io.ClearWindow();
    rt.WriteLineAndSpeak(msg::MSG_CHOOSE_HELP_TOPIC);
    std::optional<console::ScreenParts> parts = rt.io.Screens();
    if (parts) {
        if (std::optional<std::string> chosen = ChooseTopic(rt, *parts, ManualTopics(manual)))
            ShowSection(rt, manual, *chosen);
        return true;
    }
    // Without a console the topics are written and spoken, and the user
    // types the one wanted.
    ShowLines(rt, ManualTopics(manual));
    HostIo::LineRead choice = rt.io.ReadLine(MAX_TOPIC_LENGTH);
    size_t b = choice.text.find_first_not_of(' ');
    if (choice.key != KEY_ENTER || b == std::string::npos)
        return true;
    size_t e = choice.text.find_last_not_of(' ');
    ShowSection(rt, manual, choice.text.substr(b, e - b + 1));
    return true;
}

} // namespace palavrino::interp
