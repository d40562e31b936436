// Two rules every command that names or replaces a file keeps. A name that
// holds a NUL byte is refused: the system reads a name only up to the NUL,
// so "dados.txt" + CHR(0) + ".novo" would open, empty or remove dados.txt.
// A file replaced as a whole is written to a temporary file beside it and
// renamed over it only once complete, so a full disk never leaves it half
// written.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace palavrino::devices {

inline bool NameHoldsNul(std::string_view name)
{
    return name.find('\0') != std::string_view::npos;
}

// The file-system path of a script's (Windows-1252) name, spelled in UTF-8;
// nothing for a name the system cannot take whole.
std::optional<std::filesystem::path> NativeFilePath(std::string_view name);

// Where a whole-file replacement stopped.
enum class ReplaceStep : uint8_t {
    Done = 0,
    Open = 1, // the temporary file could not be made (or the target is a folder)
    Write = 2, // `write` failed, or the data could not be flushed
    Commit = 3, // the temporary file could not be renamed over the target
};

// Fills a new temporary file in `target`'s folder with `write` (which gives 0
// or an error code) and renames it over `target`, which then holds the new
// data whole. On any failure the target keeps its old contents and the
// temporary file is removed; `error` holds the error code. A target that is
// a symbolic link has the file it points at replaced, an existing target's
// permissions carry over to its replacement, and a target we may not write
// is refused (Open). Other hard links to the target keep the old data.
[[nodiscard]] ReplaceStep ReplaceWholeFile(
    const std::filesystem::path& target, const std::function<int(std::FILE*)>& write, int& error);

} // namespace palavrino::devices
