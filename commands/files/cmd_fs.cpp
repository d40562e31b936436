// The file-system commands (BUSCA, RENOMEIA, REPLICA, REMOVE, DIR) and the
// directory enumeration shared with DIRETORIO. Paths are relative to the
// process's current folder, which DIR TROCA changes. A final "&" makes a
// failure quiet and lets the script go on; these commands leave the I/O
// status alone.
#include "commands/files/cmd_fs.h"

#include "devices/file_safety.h"
#include "encoding/encoding.h"
#include "interp/command_helpers.h"
#include "interp/runtime.h"
#include "messages/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace palavrino::devices {

namespace fs = std::filesystem;
using core::TokenKind;
using core::Value;
using core::ValueKind;
using interp::Fail;
using interp::FailQuietly;
using interp::Runtime;

namespace {

    fs::path NativePath(const std::string& name)
    {
        return fs::path(encoding::Cp1252ToUtf8(name));
    }

    bool IsHiddenName(std::string_view name)
    {
        return !name.empty() && name[0] == '.';
    }

    uint32_t AttributesOf(const fs::directory_entry& entry)
    {
        std::error_code ec;
        uint32_t attributes = 0;
        // Both follow links, so a link counts as what it points at.
        if (entry.is_directory(ec))
            attributes |= ATTR_DIRECTORY;
        else if (entry.is_regular_file(ec))
            attributes |= ATTR_ARCHIVE;
        return attributes;
    }

    std::vector<DirEntry> ReadFolder(const fs::path& folder)
    {
        std::vector<DirEntry> entries;
        std::error_code ec;
        fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            DirEntry e;
            e.name = encoding::DecodeTextLine(it->path().filename().string());
            e.attributes = AttributesOf(*it);
            if (IsHiddenName(e.name))
                e.attributes |= ATTR_HIDDEN;
            entries.push_back(std::move(e));
        }
        // The system hands entries out in no useful order; a listing read aloud
        // is easier to follow, and to test, sorted.
        std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        return entries;
    }

    // ---- Reading the operands ----

    // An expression, unless the line has ended: a missing operand then gets
    // the command's own message rather than the parser's.
    Value ParseOperand(Runtime& rt)
    {
        Value v;
        if (rt.lexer.AtEnd() || rt.lexer.Is(TokenKind::Ampersand))
            return v;
        rt.ParseExpression(v);
        return v;
    }

    bool IsNonEmptyString(const Value& v)
    {
        return v.is(ValueKind::String) && !v.Text().empty();
    }

    // The final "&": true when present (and consumed).
    bool TakeAmpersand(Runtime& rt)
    {
        if (!rt.lexer.Is(TokenKind::Ampersand))
            return false;
        rt.lexer.NextToken();
        return true;
    }

    // A failure of the operation itself: reported and fatal without "&",
    // ignored with it.
    bool OperationFailed(Runtime& rt, bool quiet, std::string_view message)
    {
        if (quiet)
            return true;
        return Fail(rt, message);
    }

    // ---- The directory search of BUSCA ----

    // The search lives with the BUSCA entry of this runtime's symbol table, so
    // each interpreter has its own and it ends with that interpreter: the
    // entry's cell holds the names still to be handed out (already filtered by
    // the kind sought) and the cell's iterator the next position. A cell that
    // holds no list means no search is active.
    core::VarCell& SearchCell(Runtime& rt)
    {
        core::SymtbEntry* entry = rt.symbols.FindCommand("BUSCA");
        if (!entry->cell)
            entry->cell = std::make_unique<core::VarCell>();
        return *entry->cell;
    }

    void StartSearch(Runtime& rt, const std::string& pattern, bool directories)
    {
        Value names = Value::NewList();
        for (const DirEntry& e : SearchEntries(pattern)) {
            bool wanted
                = directories ? (e.attributes & ATTR_DIRECTORY) != 0 : (e.attributes & ATTR_ARCHIVE) != 0;
            if (wanted)
                names.List().Append(Value::String(e.name));
        }
        core::VarCell& cell = SearchCell(rt);
        cell.value = std::move(names);
        cell.iterator = 0;
    }

    // The next name of the active search, or "" when it has run out; running
    // out ends the search.
    std::string NextFound(core::VarCell& cell)
    {
        const core::ListObj& names = cell.value.List();
        if (cell.iterator < names.Count())
            return names.At(cell.iterator++).Text();
        cell.value = Value();
        cell.iterator = -1;
        return {};
    }

    // BUSCA variable [ PROXIMO | [DIR] pattern ]
    bool RunBusca(Runtime& rt)
    {
        core::TargetRec target;
        if (!core::ParseTarget(rt, target, false))
            return FailQuietly(rt);
        std::string found;
        if (rt.lexer.TokenIsWord("PROXIMO")) {
            rt.lexer.NextToken();
            core::VarCell& cell = SearchCell(rt);
            if (!cell.value.is(ValueKind::List))
                return Fail(rt, msg::MSG_BAD_PROXIMO);
            found = NextFound(cell);
            // A search that found nothing at its start stays active, so the
            // first PROXIMO after it is still answered (empty) before the end.
        } else if (rt.lexer.AtEnd()) {
            std::error_code ec;
            found = encoding::DecodeTextLine(fs::current_path(ec).string());
        } else {
            bool directories = rt.lexer.TokenIsWord("DIR");
            if (directories)
                rt.lexer.NextToken();
            SearchCell(rt).value = Value();
            Value pattern = ParseOperand(rt);
            if (!pattern.is(ValueKind::String))
                return Fail(rt, msg::MSG_EXPECTED_SEARCH_PATTERN);
            StartSearch(rt, pattern.Text(), directories);
            core::VarCell& cell = SearchCell(rt);
            if (cell.iterator < cell.value.List().Count())
                found = cell.value.List().At(cell.iterator++).Text();
        }
        size_t first = found.find_first_not_of(' ');
        size_t last = found.find_last_not_of(' ');
        found = first == std::string::npos ? std::string() : found.substr(first, last - first + 1);
        return interp::AssignOrFail(rt, target, Value::String(std::move(found)));
    }

    // RENOMEIA old new ["&"]
    bool RunRenomeia(Runtime& rt)
    {
        Value from = ParseOperand(rt);
        Value to = IsNonEmptyString(from) ? ParseOperand(rt) : Value();
        if (!IsNonEmptyString(from) || !IsNonEmptyString(to))
            return Fail(rt, msg::MSG_RENOMEIA_NAMES);
        bool quiet = TakeAmpersand(rt);
        if (NameHoldsNul(from.Text()) || NameHoldsNul(to.Text()))
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_RENAME_FAILED, from.Text()));
        fs::path source = NativePath(from.Text());
        fs::path target = NativePath(to.Text());
        std::error_code ec;
        // Renaming onto an existing name would silently destroy that file;
        // refuse it, as the other systems scripts come from do.
        bool target_taken = fs::exists(fs::symlink_status(target, ec));
        if (!target_taken && fs::exists(fs::symlink_status(source, ec)))
            fs::rename(source, target, ec);
        else
            ec = std::make_error_code(std::errc::file_exists);
        if (ec)
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_RENAME_FAILED, from.Text()));
        return true;
    }

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

    // REPLICA source destination ["&"]
    bool RunReplica(Runtime& rt)
    {
        Value from = ParseOperand(rt);
        Value to = IsNonEmptyString(from) ? ParseOperand(rt) : Value();
        if (!IsNonEmptyString(from) || !IsNonEmptyString(to))
            return Fail(rt, msg::MSG_REPLICA_NAMES);
        bool quiet = TakeAmpersand(rt);
        std::optional<fs::path> source = NativeFilePath(from.Text());
        std::optional<fs::path> target = NativeFilePath(to.Text());
        std::error_code ec;
        if (source && target && fs::equivalent(*source, *target, ec))
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_SAME_FILE, to.Text()));
        FilePtr in(source ? std::fopen(source->c_str(), "rb") : nullptr);
        if (!in || fs::is_directory(*source, ec))
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_OPEN_FAILED, from.Text()));
        if (!target)
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_OPEN_FAILED, to.Text()));
        // The destination is replaced only once the copy is whole, so a
        // failure part way (a full disk) leaves it as it was.
        bool read_failed = false;
        auto copy = [&in, &read_failed](std::FILE* out) {
            std::vector<char> block(COPY_BLOCK_BYTES);
            for (;;) {
                errno = 0;
                size_t got = std::fread(block.data(), 1, block.size(), in.get());
                if (got < block.size() && std::ferror(in.get())) {
                    read_failed = true;
                    return errno != 0 ? errno : EIO;
                }
                errno = 0;
                if (got > 0 && std::fwrite(block.data(), 1, got, out) != got)
                    return errno != 0 ? errno : EIO;
                if (got < block.size())
                    return 0;
            }
        };
        int error = 0;
        switch (ReplaceWholeFile(*target, copy, error)) {
        case ReplaceStep::Done:
            return true;
        case ReplaceStep::Open:
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_OPEN_FAILED, to.Text()));
        case ReplaceStep::Write:
            if (read_failed)
                return OperationFailed(rt, quiet, msg::Join(msg::MSG_READ_FAILED, from.Text()));
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_WRITE_FAILED, to.Text()));
        case ReplaceStep::Commit:
            break;
        }
        return OperationFailed(rt, quiet, msg::Join(msg::MSG_WRITE_FAILED, to.Text()));
    }

    // REMOVE name ["&"]
    bool RunRemove(Runtime& rt)
    {
        Value name = ParseOperand(rt);
        if (!name.is(ValueKind::String))
            return Fail(rt, msg::MSG_EXPECTED_FILE_NAME);
        bool quiet = TakeAmpersand(rt);
        fs::path path = NativePath(name.Text());
        std::error_code ec;
        // Only files: a folder is removed with DIR REMOVE.
        bool removed = !name.Text().empty() && !NameHoldsNul(name.Text())
            && !fs::is_directory(fs::symlink_status(path, ec)) && fs::remove(path, ec);
        if (!removed)
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_DELETE_FAILED, name.Text()));
        return true;
    }

    // DIR ( CRIA | REMOVE | TROCA ) name ["&"]
    bool RunDir(Runtime& rt)
    {
        enum class Action : uint8_t { Create, Remove, Change };
        Action action;
        if (rt.lexer.TokenIsWord("CRIA"))
            action = Action::Create;
        else if (rt.lexer.TokenIsWord("REMOVE"))
            action = Action::Remove;
        else if (rt.lexer.TokenIsWord("TROCA"))
            action = Action::Change;
        else
            return Fail(rt, msg::MSG_EXPECTED_DIR_ACTION);
        rt.lexer.NextToken();
        Value name = ParseOperand(rt);
        if (!IsNonEmptyString(name))
            return Fail(rt, msg::MSG_EXPECTED_NAME);
        bool quiet = TakeAmpersand(rt);
        if (NameHoldsNul(name.Text()))
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_DIRECTORY_FAILED, name.Text()));
        fs::path path = NativePath(name.Text());
        std::error_code ec;
        bool done = false;
        switch (action) {
        case Action::Create:
            // An existing folder is a failure, so a script learns the name was taken.
            done = fs::create_directory(path, ec);
            break;
        case Action::Remove:
            // Only an empty folder, never a file.
            done = fs::is_directory(fs::symlink_status(path, ec)) && fs::remove(path, ec);
            break;
        case Action::Change:
            fs::current_path(path, ec);
            done = !ec;
            break;
        }
        if (!done)
            return OperationFailed(rt, quiet, msg::Join(msg::MSG_DIRECTORY_FAILED, name.Text()));
        return true;
    }

    // Whatever the outcome, the rest of the line is not looked at.
    bool Finish(Runtime& rt, bool ok)
    {
        if (ok)
            rt.lexer.SkipRestOfLine();
        return ok;
    }

} // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name)
{
    if (pattern == "*.*")
        pattern = "*";
    // Greedy matching with one backtrack point: the last "*" seen and the
    // name position it was tried at. Linear in practice, never exponential.
    size_t p = 0;
    size_t n = 0;
    size_t star = std::string_view::npos;
    size_t star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_n = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<DirEntry> ListFolder(const std::string& folder, uint32_t mask)
{
    if (NameHoldsNul(folder))
        return {};
    std::vector<DirEntry> entries = ReadFolder(NativePath(folder));
    std::erase_if(entries, [mask](const DirEntry& e) {
        bool hidden_refused = (e.attributes & ATTR_HIDDEN) != 0 && (mask & ATTR_HIDDEN) == 0;
        return hidden_refused || (e.attributes & mask) == 0;
    });
    return entries;
}

std::vector<DirEntry> SearchEntries(const std::string& pattern)
{
    if (NameHoldsNul(pattern))
        return {};
    size_t slash = pattern.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    std::string name_pattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    std::vector<DirEntry> entries = ReadFolder(NativePath(folder));
    bool hidden_wanted = IsHiddenName(name_pattern);
    std::erase_if(entries, [&](const DirEntry& e) {
        return (IsHiddenName(e.name) && !hidden_wanted) || !MatchesWildcard(name_pattern, e.name);
    });
    return entries;
}

bool CmdBusca(Runtime& rt)
{
    return Finish(rt, RunBusca(rt));
}
bool CmdRenomeia(Runtime& rt)
{
    return Finish(rt, RunRenomeia(rt));
}
bool CmdReplica(Runtime& rt)
{
    return Finish(rt, RunReplica(rt));
}
bool CmdRemove(Runtime& rt)
{
    return Finish(rt, RunRemove(rt));
}
bool CmdDir(Runtime& rt)
{
    return Finish(rt, RunDir(rt));
}

} // namespace palavrino::devices
