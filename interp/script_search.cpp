// Script file search; see script_search.h.
#include "interp/script_search.h"

#include "encoding/encoding.h"

#include <filesystem>

namespace palavrino::interp {

namespace {

    bool IsFile(const std::string& path)
    {
        std::error_code ec;
        return !path.empty() && std::filesystem::is_regular_file(encoding::Cp1252ToUtf8(path), ec);
    }

    std::string TryWithExtensions(const std::string& name)
    {
        if (IsFile(name))
            return name;
        // Only the file's own name is looked at: a directory may have dots.
        std::string file = std::filesystem::path(name).filename().string();
        if (file.find('.') == std::string::npos) {
            for (const char* ext : { ".pro", ".PRO" })
                if (IsFile(name + ext))
                    return name + ext;
        }
        return {};
    }

} // namespace

std::string FindScriptFile(const std::string& name, const std::string& default_dir)
{
    std::string found = TryWithExtensions(name);
    if (!found.empty() || name.find('/') != std::string::npos || default_dir.empty())
        return found;
    std::string dir = default_dir;
    if (dir.back() != '/')
        dir += '/';
    return TryWithExtensions(dir + name);
}

} // namespace palavrino::interp
