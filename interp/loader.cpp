// Loading scripts into slots: one line record per physical line, with "&"
// continuation lines joined to their head, and freeing slots again. A script
// file that is valid UTF-8 is converted to Windows-1252 as it is read; any
// other file is taken as Windows-1252 bytes already. A UTF-8 byte-order mark
// at the start is dropped either way.
#include "core/char_tables.h"
#include "encoding/encoding.h"
#include "interp/runtime.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace palavrino::interp {

namespace {

    // Splits file text into lines at LF, dropping a CR before it (files made on
    // Windows read the same).
    std::vector<std::string> SplitLines(const std::string& text)
    {
        std::vector<std::string> lines;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            size_t stop = end;
            if (stop > start && text[stop - 1] == '\r')
                --stop;
            lines.emplace_back(text, start, stop - start);
            start = end + 1;
        }
        return lines;
    }

    // Stands for a character that Windows-1252 cannot hold, outside string
    // literals: ASCII's "substitute", a byte the lexer reports as invalid
    // and steps over. ("?" would read as the end of the line and silently
    // drop the rest of it.)
    constexpr char UNREPRESENTABLE = 0x1A;

    constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

    // Converts one UTF-8 line to Windows-1252, following string literals as
    // the lexer does (either quote opens one, the same quote closes it):
    // inside one a character without a Windows-1252 byte becomes "?", as
    // text read from files does; outside, UNREPRESENTABLE. `quote` carries
    // an open literal into a continuation line, which is joined to it.
    std::string Utf8LineToCp1252(std::string_view line, char& quote)
    {
        std::string out;
        out.reserve(line.size());
        size_t i = 0;
        while (i < line.size()) {
            std::optional<encoding::Utf8Char> ch = encoding::DecodeUtf8Char(line.substr(i));
            if (!ch) {
                // The whole file was checked to be UTF-8; keep the byte.
                out += line[i++];
                continue;
            }
            i += ch->length;
            std::optional<std::uint8_t> byte = encoding::CodePointToCp1252(ch->code_point);
            char c = byte ? static_cast<char>(*byte) : (quote != 0 ? '?' : UNREPRESENTABLE);
            if (quote == 0 && (c == '"' || c == '\''))
                quote = c;
            else if (quote != 0 && c == quote)
                quote = 0;
            out += c;
        }
        return out;
    }

    // The file's lines in Windows-1252, a leading byte-order mark removed.
    std::vector<std::string> DecodeScriptLines(std::string_view text)
    {
        if (text.substr(0, UTF8_BOM.size()) == UTF8_BOM)
            text.remove_prefix(UTF8_BOM.size());
        std::vector<std::string> lines = SplitLines(std::string(text));
        bool non_ascii = std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
        if (!non_ascii || !encoding::IsValidUtf8(text))
            return lines;
        char quote = 0;
        for (std::string& line : lines) {
            if (line.empty() || line[0] != '&')
                quote = 0;
            line = Utf8LineToCp1252(line, quote);
        }
        return lines;
    }

    std::string TrimmedFolded(const std::string& text)
    {
        size_t b = text.find_first_not_of(" \t\r");
        if (b == std::string::npos)
            return {};
        size_t e = text.find_last_not_of(" \t\r");
        return core::FoldName(std::string_view(text).substr(b, e - b + 1));
    }

    bool IsBlankClass(char c)
    {
        return core::CharClass(static_cast<unsigned char>(c)) == ' ';
    }

    // Adds one physical line to a slot, joining continuation lines ("&" first)
    // to the head record before it.
    void AppendLine(ScriptRec& s, std::string line, int32_t& head)
    {
        CodeRec rec;
        if (head > 0 && !line.empty() && line[0] == '&') {
            size_t i = 1;
            while (i < line.size() && IsBlankClass(line[i]))
                ++i;
            CodeRec& h = s.lines[static_cast<size_t>(head)];
            if (i < line.size()) {
                h.text.pop_back(); // the "\n"
                h.text += ' ';
                h.text.append(line, i, std::string::npos);
                h.text += '\n';
                h.length = static_cast<int32_t>(h.text.size()) - 1;
            }
            h.span += 1;
        } else {
            head = static_cast<int32_t>(s.lines.size());
        }
        // An empty line is kept as one blank so every record has a character.
        if (line.empty())
            line = " ";
        rec.length = static_cast<int32_t>(line.size());
        rec.text = std::move(line);
        rec.text += '\n';
        s.lines.push_back(std::move(rec));
    }

    // The state a slot starts with when a script is put in it, and returns to
    // when it is freed.
    void ResetSlotState(ScriptRec& s)
    {
        s.compiled = false;
        s.hook = nullptr;
        s.current_line = 0;
        s.next_line = 0;
        s.io_status = 0;
        s.failed = s.returned = s.trace = s.stop = s.mute = false;
    }

    void FillSlot(ScriptRec& s, const std::vector<std::string>& lines, bool cmd_script)
    {
        s.lines.clear();
        s.lines.reserve(lines.size() + 1);
        s.lines.emplace_back(); // entry 0 holds nothing
        int32_t head = 0;
        int32_t last_senao = -10;
        int32_t last_se = -10;
        for (const std::string& original : lines) {
            std::string line = original;
            int32_t number = static_cast<int32_t>(s.lines.size());
            if (cmd_script) {
                // In .CMD scripts a SENAO line followed by a line beginning with
                // SE reads as one SENAO SE line.
                std::string folded = TrimmedFolded(line);
                if (folded.rfind("SENAO", 0) == 0)
                    last_senao = number;
                if (folded.rfind("SE ", 0) == 0)
                    last_se = number;
                if (last_se == last_senao + 1) {
                    line.insert(line.begin(), '&');
                    last_se = last_senao = -10;
                }
            }
            AppendLine(s, std::move(line), head);
        }
        s.last_line = static_cast<int32_t>(s.lines.size()) - 1;
        ResetSlotState(s);
        s.free = false;
        s.current_line = 1;
    }

    // The whole file, or nothing when it cannot be opened or read. C's
    // stdio rather than a file stream: a stream sets up the C++ locale
    // machinery, about a millisecond that every script would wait for.
    std::optional<std::string> ReadWholeFile(const std::string& path)
    {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            return std::nullopt;
        // Read straight into the text, unbuffered: a stream buffer (and the
        // status call that sizes it) or a large chunk on the stack would
        // cost page faults at every start.
        std::setvbuf(file, nullptr, _IONBF, 0);
        constexpr std::size_t FIRST_READ = 4096;
        std::string text;
        for (;;) {
            const std::size_t have = text.size();
            const std::size_t want = std::max(FIRST_READ, have);
            text.resize(have + want);
            const std::size_t got = std::fread(text.data() + have, 1, want, file);
            text.resize(have + got);
            // A short read is the end (or an error, told below): asking
            // again would only cost another system call.
            if (got < want)
                break;
        }
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed)
            return std::nullopt;
        return text;
    }

    // Names inside are Windows-1252; the file system spells them in UTF-8.
    std::string FullPathOf(const std::string& name)
    {
        std::error_code ec;
        std::string utf8 = encoding::Cp1252ToUtf8(name);
        std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(utf8, ec), ec);
        if (ec)
            return utf8;
        return p.string();
    }

} // namespace

int32_t Runtime::LoadScriptFile(const std::string& name)
{
    // The system would read the name only up to a NUL, and run another script.
    if (name.find('\0') != std::string::npos)
        return -1;
    std::string full = FullPathOf(name);
    int32_t free_slot = -1;
    for (int32_t i = 1; i < MAX_SLOTS; ++i) {
        ScriptRec& s = SlotAt(i);
        if (!s.free && s.full_path == full)
            return i;
        if (s.free && free_slot < 0)
            free_slot = i;
    }
    if (free_slot < 0)
        return -1;
    std::error_code ec;
    // A device (/dev/zero, a terminal) is no script: reading it whole would
    // never end. Pipes stay allowed (a script given as <(...)).
    std::filesystem::file_status kind = std::filesystem::status(full, ec);
    if (std::filesystem::is_directory(kind) || std::filesystem::is_character_file(kind)
        || std::filesystem::is_block_file(kind))
        return -1;
    std::optional<std::string> text = ReadWholeFile(full);
    if (!text)
        return -1;
    bool cmd_script = core::UpperText(name.size() >= 4 ? name.substr(name.size() - 4) : name) == ".CMD";
    ScriptRec& s = SlotAt(free_slot);
    FillSlot(s, DecodeScriptLines(*text), cmd_script);
    s.full_path = full;
    s.file_name = encoding::DecodeTextLine(std::filesystem::path(full).filename().string());
    return free_slot;
}

int32_t Runtime::LoadScriptList(const std::vector<std::string>& lines)
{
    for (int32_t i = 1; i < MAX_SLOTS; ++i) {
        ScriptRec& s = SlotAt(i);
        if (!s.free)
            continue;
        FillSlot(s, lines, false);
        s.full_path.clear();
        s.file_name.clear();
        return i;
    }
    return -1;
}

void Runtime::FreeSlot(int32_t slot)
{
    if (slot < 0 || slot >= MAX_SLOTS)
        return;
    symbols.RemoveScriptSymbols(slot);
    ScriptRec& s = SlotAt(slot);
    s.lines.clear();
    if (slot == 0)
        s.lines.emplace_back();
    s.free = true;
    s.full_path.clear();
    s.file_name.clear();
    ResetSlotState(s);
}

} // namespace palavrino::interp
