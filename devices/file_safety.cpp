// Checked file names and whole-file replacement; see file_safety.h.
#include "devices/file_safety.h"

#include "encoding/encoding.h"

#include <cerrno>
#include <random>
#include <string>

namespace palavrino::devices {

namespace fs = std::filesystem;

namespace {

    // How many fresh names are tried for the temporary file before giving up;
    // a clash needs another writer using the same random names.
    constexpr int TEMP_NAME_ATTEMPTS = 64;

    int ErrorOr(int fallback)
    {
        return errno != 0 ? errno : fallback;
    }

    // The file a replacement writes: the target itself, or what its links
    // lead to, so the link survives and the linked file gets the data.
    fs::path RealTarget(const fs::path& target)
    {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec)))
            return target;
        fs::path real = fs::weakly_canonical(target, ec);
        return ec ? target : real;
    }

    // Creates a temporary file beside `target` that no one else has, opened
    // for writing; its name goes to `temp`.
    std::FILE* CreateBeside(const fs::path& target, fs::path& temp, int& error)
    {
        std::random_device seed;
        fs::path folder = target.parent_path();
        std::string base = "." + target.filename().string() + ".";
        for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
            temp = folder / (base + std::to_string(seed()) + ".tmp");
            errno = 0;
            // "x": fails rather than reuse a name that already exists.
            if (std::FILE* f = std::fopen(temp.c_str(), "wbx"))
                return f;
            error = ErrorOr(EIO);
            if (error != EEXIST)
                return nullptr;
        }
        return nullptr;
    }

} // namespace

std::optional<fs::path> NativeFilePath(std::string_view name)
{
    if (NameHoldsNul(name))
        return std::nullopt;
    return fs::path(encoding::Cp1252ToUtf8(name));
}

ReplaceStep ReplaceWholeFile(const fs::path& target, const std::function<int(std::FILE*)>& write, int& error)
{
    error = 0;
    const fs::path real = RealTarget(target);
    std::error_code ec;
    if (fs::is_directory(real, ec)) {
        error = EISDIR;
        return ReplaceStep::Open;
    }
    // A file we may not write stays refused, as writing it in place was: the
    // rename would otherwise replace it all the same. Opening it to append
    // changes nothing in it.
    if (fs::exists(real, ec)) {
        errno = 0;
        std::FILE* probe = std::fopen(real.c_str(), "ab");
        if (!probe) {
            error = ErrorOr(EACCES);
            return ReplaceStep::Open;
        }
        std::fclose(probe);
    }
    fs::path temp;
    std::FILE* f = CreateBeside(real, temp, error);
    if (!f)
        return ReplaceStep::Open;
    error = write(f);
    errno = 0;
    if (error == 0 && std::fflush(f) != 0)
        error = ErrorOr(EIO);
    errno = 0;
    // Closing also reports data the system could not store (a full disk).
    if (std::fclose(f) != 0 && error == 0)
        error = ErrorOr(EIO);
    if (error != 0) {
        fs::remove(temp, ec);
        return ReplaceStep::Write;
    }
    fs::file_status old = fs::status(real, ec);
    if (!ec && fs::exists(old))
        fs::permissions(temp, old.permissions(), ec);
    fs::rename(temp, real, ec);
    if (ec) {
        error = ec.value();
        fs::remove(temp, ec);
        return ReplaceStep::Commit;
    }
    return ReplaceStep::Done;
}

} // namespace palavrino::devices
