// Reading "Talira.ini", the environment's shared settings file: where it is
// found, INI parsing with the Windows profile rules (case-insensitive section
// and key names, first occurrence wins, ";" comment lines, one pair of
// enclosing quotes removed), the legacy fallback to the system-wide file and
// the "@" directory shorthands. The program never writes the file.
//
// A ConfigFile is a plain value: tests build one from a file of their own.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::console {

constexpr const char* CONFIG_FILE_NAME = "Talira.ini";

// Where the file is searched for, per-user directory first.
struct ConfigLocations {
    std::filesystem::path user_dir; // $XDG_CONFIG_HOME/talira or ~/.config/talira
    std::filesystem::path system_dir; // /etc/talira
    std::string program_dir; // this program's own directory (for "@\")
};

// The locations from the environment. program_dir is the directory of the
// running executable, given by the caller.
ConfigLocations DefaultConfigLocations(std::string program_dir);

// The decimal conversion applied to numeric settings: optional blanks and
// sign, then digits. Nothing when the text is not such a number or does not
// fit in an int (the setting's default then applies).
std::optional<int> ParseConfigInt(std::string_view text);

// Where a data directory of the environment lives (what the Windows
// defaults under "c:\korvad\" stand for): the per-user data directory
// ($XDG_DATA_HOME/talira, default ~/.local/share/talira) when it has it,
// else the system-wide /usr/share/talira; the per-user one when neither has.
std::filesystem::path DefaultDataPath(std::string_view relative);

// "a"-"z" to capitals and nothing else: how section and key names, and the
// words other settings hold, are compared.
std::string UpperAscii(std::string_view text);

class ConfigFile {
public:
    // No file: every key reads empty and every default applies.
    ConfigFile() = default;

    // Searches the per-user directory, then the system-wide one. The
    // configuration directory is that of the file found, else the per-user one.
    // When the locations name no program directory, `find_program_dir` is
    // asked for it the first time a "@\" shorthand needs it (finding it costs
    // system calls that most runs never need).
    static ConfigFile Open(
        const ConfigLocations& locations, std::function<std::string()> find_program_dir = {});

    // A specific file; its directory is the configuration directory.
    static ConfigFile FromFile(const std::filesystem::path& file, std::string program_dir);

    // The value with the "@" shorthands expanded and, when the legacy flag is
    // on and the key is missing or empty, taken from the system-wide file.
    std::string ReadConfig(std::string_view section, std::string_view key) const;

    // The value exactly as the file holds it (no shorthands, no fallback);
    // the console settings and the built-in voice read this way.
    std::string ReadProfile(std::string_view section, std::string_view key) const;

    // The configuration directory, without a trailing separator.
    const std::string& ConfigDir() const { return m_config_dir; }
    const std::filesystem::path& FilePath() const { return m_path; }
    bool Loaded() const { return m_loaded; }

    void SetLegacy(bool on) { m_legacy = on; }
    bool Legacy() const { return m_legacy; }

private:
    struct Section {
        std::string name; // upper-cased
        std::vector<std::pair<std::string, std::string>> entries; // upper-cased key, value
    };

    bool Parse(const std::filesystem::path& file);
    static std::optional<std::string> Lookup(
        const std::vector<Section>& sections, std::string_view section, std::string_view key);
    std::string ProgramDirForShorthand() const;
    const std::string& ProgramDir() const;
    std::string Expand(std::string_view value, bool allow_program_shorthand) const;

    std::filesystem::path m_path;
    bool m_loaded { false };
    std::vector<Section> m_sections;
    std::vector<Section> m_legacy_sections; // the system-wide file
    std::string m_config_dir;
    mutable std::string m_program_dir;
    mutable std::function<std::string()> m_find_program_dir;
    bool m_legacy { false };
};

} // namespace palavrino::console
