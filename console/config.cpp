// Locating and parsing "Talira.ini", and the "@" shorthands.
#include "console/config.h"

#include "encoding/encoding.h"

#include <cstdlib>
#include <fstream>
#include <limits>
#include <system_error>

namespace palavrino::console {

std::string UpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

namespace {

    std::string_view TrimBlanks(std::string_view text)
    {
        auto is_blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
        while (!text.empty() && is_blank(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && is_blank(text.back()))
            text.remove_suffix(1);
        return text;
    }

    bool FileExists(const std::filesystem::path& path)
    {
        std::error_code error;
        return std::filesystem::is_regular_file(path, error);
    }

    std::string WithoutTrailingSeparator(std::string dir)
    {
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        return dir;
    }

} // namespace

ConfigLocations DefaultConfigLocations(std::string program_dir)
{
    ConfigLocations locations;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) {
        locations.user_dir = std::filesystem::path(xdg) / "talira";
    } else {
        const char* home = std::getenv("HOME");
        locations.user_dir = std::filesystem::path(home && *home ? home : ".") / ".config" / "talira";
    }
    locations.system_dir = "/etc/talira";
    locations.program_dir = std::move(program_dir);
    return locations;
}

std::filesystem::path DefaultDataPath(std::string_view relative)
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::filesystem::path user_base = xdg && *xdg
        ? std::filesystem::path(xdg) / "talira"
        : std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "talira";
    const std::filesystem::path user_path = user_base / relative;
    const std::filesystem::path system_path = std::filesystem::path("/usr/share/talira") / relative;
    std::error_code error;
    if (std::filesystem::exists(user_path, error))
        return user_path;
    if (std::filesystem::exists(system_path, error))
        return system_path;
#ifdef PL_SOURCE_DATA
    // A program run from its build tree, never installed, still finds the
    // manual and its other data in the sources.
    const std::filesystem::path source_path = std::filesystem::path(PL_SOURCE_DATA) / relative;
    if (std::filesystem::exists(source_path, error))
        return source_path;
#endif
    return user_path;
}

std::optional<int> ParseConfigInt(std::string_view text)
{
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

ConfigFile ConfigFile::Open(const ConfigLocations& locations, std::function<std::string()> find_program_dir)
{
    const std::filesystem::path user_file = locations.user_dir / CONFIG_FILE_NAME;
    const std::filesystem::path system_file = locations.system_dir / CONFIG_FILE_NAME;
    ConfigFile config;
    config.m_program_dir = locations.program_dir;
    if (config.m_program_dir.empty())
        config.m_find_program_dir = std::move(find_program_dir);
    const bool user_found = FileExists(user_file);
    const bool system_found = FileExists(system_file);
    if (user_found) {
        config.m_loaded = config.Parse(user_file);
        config.m_path = user_file;
        config.m_config_dir = WithoutTrailingSeparator(locations.user_dir.string());
    } else if (system_found) {
        config.m_loaded = config.Parse(system_file);
        config.m_path = system_file;
        config.m_config_dir = WithoutTrailingSeparator(locations.system_dir.string());
    } else {
        config.m_config_dir = WithoutTrailingSeparator(locations.user_dir.string());
    }
    if (system_found && !user_found) {
        // The legacy fallback reads the very file just parsed.
        if (config.m_loaded)
            config.m_legacy_sections = config.m_sections;
    } else if (system_found) {
        ConfigFile legacy;
        if (legacy.Parse(system_file))
            config.m_legacy_sections = std::move(legacy.m_sections);
    }
    return config;
}

ConfigFile ConfigFile::FromFile(const std::filesystem::path& file, std::string program_dir)
{
    ConfigFile config;
    config.m_program_dir = std::move(program_dir);
    config.m_path = file;
    config.m_loaded = config.Parse(file);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    config.m_config_dir = WithoutTrailingSeparator((error ? file : absolute).parent_path().string());
    return config;
}

bool ConfigFile::Parse(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::string raw_line;
    Section* current = nullptr;
    bool first_line = true;
    while (std::getline(in, raw_line)) {
        std::string_view view = raw_line;
        if (first_line && view.starts_with("\xEF\xBB\xBF"))
            view.remove_prefix(3);
        first_line = false;
        // A file written on Linux is usually UTF-8; values are used inside
        // the program as Windows-1252 like everything else.
        const std::string line = encoding::DecodeTextLine(TrimBlanks(view));
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string::npos)
                continue;
            m_sections.push_back(
                Section { UpperAscii(TrimBlanks(std::string_view(line).substr(1, close - 1))), {} });
            current = &m_sections.back();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || current == nullptr)
            continue;
        std::string_view value = TrimBlanks(std::string_view(line).substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        current->entries.emplace_back(
            UpperAscii(TrimBlanks(std::string_view(line).substr(0, equals))), value);
    }
    return true;
}

std::optional<std::string> ConfigFile::Lookup(
    const std::vector<Section>& sections, std::string_view section, std::string_view key)
{
    const std::string wanted_section = UpperAscii(section);
    const std::string wanted_key = UpperAscii(key);
    for (const Section& s : sections) {
        if (s.name != wanted_section)
            continue;
        for (const auto& [k, v] : s.entries) {
            if (k == wanted_key)
                return v;
        }
    }
    return std::nullopt;
}

std::string ConfigFile::ReadProfile(std::string_view section, std::string_view key) const
{
    return Lookup(m_sections, section, key).value_or("");
}

std::string ConfigFile::ProgramDirForShorthand() const
{
    // The environment's program directory may itself be written with the
    // configuration-directory shorthand, but never with "@\": that would
    // refer to itself.
    std::string configured = ReadProfile("TALIRA", "PGMTALIRA");
    if (configured.empty() && m_legacy)
        configured = Lookup(m_legacy_sections, "TALIRA", "PGMTALIRA").value_or("");
    if (configured.empty() || configured.front() == '@')
        return WithoutTrailingSeparator(ProgramDir());
    return WithoutTrailingSeparator(Expand(configured, false));
}

const std::string& ConfigFile::ProgramDir() const
{
    if (m_find_program_dir) {
        m_program_dir = m_find_program_dir();
        m_find_program_dir = nullptr;
    }
    return m_program_dir;
}

std::string ConfigFile::Expand(std::string_view value, bool allow_program_shorthand) const
{
    if (value == "@")
        return allow_program_shorthand ? WithoutTrailingSeparator(ProgramDir()) : std::string(value);

    // One pass from left to right: text that an expansion inserted is not
    // scanned again, so a directory name that happens to hold "@@\" cannot
    // make the expansion run forever.
    auto shorthand_at = [&](std::string_view rest) -> std::size_t {
        if (rest.starts_with("@@\\") || rest.starts_with("@@/"))
            return 3;
        if (allow_program_shorthand && (rest.starts_with("@\\") || rest.starts_with("@/")))
            return 2;
        return 0;
    };
    bool has_shorthand = false;
    for (std::size_t pos = 0; pos < value.size() && !has_shorthand; ++pos)
        has_shorthand = shorthand_at(value.substr(pos)) != 0;
    if (!has_shorthand)
        return std::string(value);

    std::string out;
    std::size_t pos = 0;
    while (pos < value.size()) {
        const std::size_t length = shorthand_at(value.substr(pos));
        if (length == 3) {
            out += m_config_dir + "/";
        } else if (length == 2) {
            out += ProgramDirForShorthand() + "/";
        } else {
            // A value written for Windows separates the rest of its path
            // with "" too; the directories put in keep their own names.
            out.push_back(value[pos] == '\\' ? '/' : value[pos]);
            ++pos;
            continue;
        }
        pos += length;
    }
    return out;
}

std::string ConfigFile::ReadConfig(std::string_view section, std::string_view key) const
{
    std::string value = ReadProfile(section, key);
    if (value.empty() && m_legacy)
        value = Lookup(m_legacy_sections, section, key).value_or("");
    return Expand(value, true);
}

} // namespace palavrino::console
