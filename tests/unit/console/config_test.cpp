// Reading "Talira.ini": parsing, the search order, the legacy fallback and
// the "@" shorthands.
#include "console/config.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    TEST(ConfigFile, ParsesSectionsKeysAndComments)
    {
        fakes::TempDir dir;
        const auto file = dir.Write("Talira.ini",
            "\xEF\xBB\xBF; a comment line\r\n"
            "orphan=ignored\r\n"
            "[Video]\r\n"
            "  CorLetra = 14  \r\n"
            "; CORFUNDO=3\r\n"
            "Fonte=Lucida Console\r\n"
            "Caminho=c:\\korvad;d:\\x\r\n"
            "Aspas=\"  com brancos  \"\r\n"
            "Simples='x'\r\n"
            "Vazia=\r\n"
            "semigual\r\n"
            "[ SERVFALA ]\n"
            "TIPOSAPI=primeiro\n"
            "TIPOSAPI=segundo\n"
            "Nome=Jo\xC3\xA3o\n"
            "Bytes=Jo\xE3o\n"
            "[video]\n"
            "CORLETRA=99\n"
            "EXTRA=da segunda\n");
        const ConfigFile config = ConfigFile::FromFile(file, "/prog");
        ASSERT_TRUE(config.Loaded());
        struct Case {
            std::string section;
            std::string key;
            std::string value;
        };
        const Case cases[] = {
            { "VIDEO", "CORLETRA", "14" },
            { "video", "corletra", "14" }, // names ignore case
            { "VIDEO", "CORFUNDO", "" }, // commented out
            { "VIDEO", "FONTE", "Lucida Console" },
            { "VIDEO", "CAMINHO", "c:\\korvad;d:\\x" }, // ";" inside a value is not a comment
            { "VIDEO", "ASPAS", "  com brancos  " },
            { "VIDEO", "SIMPLES", "x" },
            { "VIDEO", "VAZIA", "" },
            { "VIDEO", "EXTRA", "da segunda" }, // a repeated section adds keys
            { "SERVFALA", "TIPOSAPI", "primeiro" }, // the first occurrence wins
            { "SERVFALA", "NOME", "Jo\xE3o" }, // UTF-8 becomes Windows-1252
            { "SERVFALA", "BYTES", "Jo\xE3o" },
            { "NADA", "X", "" },
            { "", "ORPHAN", "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.section + "/" + c.key);
            EXPECT_EQ(config.ReadConfig(c.section, c.key), c.value);
            EXPECT_EQ(config.ReadProfile(c.section, c.key), c.value);
        }
    }

    TEST(ConfigFile, ShorthandsExpandToDirectories)
    {
        struct Case {
            std::string pgmtalira;
            std::string value;
            std::string expanded;
        };
        fakes::TempDir dir;
        const std::string cfg = dir.Path().string();
        const Case cases[] = {
            { "", "@\\som\\letras", "/opt/pl/som/letras" },
            { "", "@/som", "/opt/pl/som" },
            { "", "@", "/opt/pl" },
            { "", "@@\\fala.log", cfg + "/fala.log" },
            { "", "@@/a\\b", cfg + "/a/b" },
            { "", "x@@\\y", "x" + cfg + "/y" },
            { "", "user@host", "user@host" }, // any other "@" stays
            { "", "@x", "@x" },
            { "", "c:\\korvad\\scripts", "c:\\korvad\\scripts" },
            { "/usr/lib/talira", "@\\manual", "/usr/lib/talira/manual" },
            { "/usr/lib/talira/", "@\\manual", "/usr/lib/talira/manual" },
            { "@\\loop", "@\\manual", "/opt/pl/manual" }, // a program directory given by "@" is ignored
            { "@@\\progs", "@\\manual", "/opt/pl/manual" },
            { "/a@@\\b", "@\\m", "/a" + cfg + "/b/m" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.pgmtalira + " | " + c.value);
            std::string ini = "[TALIRA]\nPGMTALIRA=" + c.pgmtalira + "\n[X]\nV=" + c.value + "\n";
            const ConfigFile config = ConfigFile::FromFile(dir.Write("Talira.ini", ini), "/opt/pl");
            EXPECT_EQ(config.ReadConfig("X", "V"), c.expanded);
            EXPECT_EQ(config.ReadProfile("X", "V"), c.value);
        }
    }

    TEST(ConfigFile, ADirectoryNameHoldingTheShorthandDoesNotLoop)
    {
        fakes::TempDir dir;
        const auto odd = dir.Path() / "a@@\\b";
        const auto file = dir.Write("a@@\\b/Talira.ini", "[X]\nV=@@\\c\n");
        const ConfigFile config = ConfigFile::FromFile(file, "/p");
        EXPECT_EQ(config.ReadConfig("X", "V"), odd.string() + "/c");
    }

    TEST(ConfigFile, UserFileComesBeforeTheSystemFile)
    {
        struct Case {
            std::string name;
            bool user;
            bool system;
            std::string value;
            bool user_dir;
        };
        const Case cases[] = {
            { "both", true, true, "user", true },
            { "system only", false, true, "system", false },
            { "user only", true, false, "user", true },
            { "none", false, false, "", true },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            fakes::TempDir dir;
            ConfigLocations locations { dir.Path() / "user", dir.Path() / "etc", "/prog" };
            if (c.user)
                dir.Write("user/Talira.ini", "[A]\nK=user\n");
            if (c.system)
                dir.Write("etc/Talira.ini", "[A]\nK=system\n");
            const ConfigFile config = ConfigFile::Open(locations);
            EXPECT_EQ(config.ReadConfig("A", "K"), c.value);
            EXPECT_EQ(config.ConfigDir(), (c.user_dir ? locations.user_dir : locations.system_dir).string());
            EXPECT_EQ(config.Loaded(), c.user || c.system);
        }
    }

    TEST(ConfigFile, LegacyFlagFallsBackToTheSystemFile)
    {
        fakes::TempDir dir;
        ConfigLocations locations { dir.Path() / "user", dir.Path() / "etc", "/prog" };
        dir.Write("user/Talira.ini", "[A]\nK=\nOWN=user\n");
        dir.Write("etc/Talira.ini", "[A]\nK=system\nOWN=system\nONLY=@@\\x\n");
        ConfigFile config = ConfigFile::Open(locations);
        EXPECT_EQ(config.ReadConfig("A", "K"), "");
        config.SetLegacy(true);
        EXPECT_EQ(config.ReadConfig("A", "K"), "system"); // empty counts as missing
        EXPECT_EQ(config.ReadConfig("A", "OWN"), "user");
        EXPECT_EQ(config.ReadConfig("A", "ONLY"), (locations.user_dir / "x").string());
        EXPECT_EQ(config.ReadProfile("A", "K"), ""); // direct reads have no fallback
    }

    // With the system file alone, the legacy fallback reads that same file.
    TEST(ConfigFile, LegacyFallbackWithOnlyTheSystemFile)
    {
        fakes::TempDir dir;
        ConfigLocations locations { dir.Path() / "user", dir.Path() / "etc", "/prog" };
        dir.Write("etc/Talira.ini", "[A]\nK=system\nE=\n");
        ConfigFile config = ConfigFile::Open(locations);
        config.SetLegacy(true);
        EXPECT_EQ(config.ReadConfig("A", "K"), "system");
        EXPECT_EQ(config.ReadConfig("A", "E"), "");
        EXPECT_EQ(config.ReadConfig("B", "K"), "");
    }

    // The program's own directory is asked for once, and only when a "@\"
    // shorthand needs it; a directory given in the locations wins.
    TEST(ConfigFile, ProgramDirectoryIsFoundOnlyWhenAShorthandNeedsIt)
    {
        fakes::TempDir dir;
        dir.Write("user/Talira.ini", "[X]\nPLAIN=/a/b\nCFG=@@\\c\nPGM=@\\m\nALONE=@\n");
        int asked = 0;
        auto finder = [&asked] {
            ++asked;
            return std::string("/opt/pl/");
        };
        ConfigLocations locations { dir.Path() / "user", dir.Path() / "etc", "" };
        const ConfigFile config = ConfigFile::Open(locations, finder);
        EXPECT_EQ(config.ReadConfig("X", "PLAIN"), "/a/b");
        EXPECT_EQ(config.ReadConfig("X", "CFG"), (dir.Path() / "user" / "c").string());
        EXPECT_EQ(asked, 0);
        EXPECT_EQ(config.ReadConfig("X", "PGM"), "/opt/pl/m");
        EXPECT_EQ(config.ReadConfig("X", "ALONE"), "/opt/pl");
        EXPECT_EQ(config.ReadConfig("X", "PGM"), "/opt/pl/m");
        EXPECT_EQ(asked, 1);

        locations.program_dir = "/given";
        const ConfigFile given = ConfigFile::Open(locations, finder);
        EXPECT_EQ(given.ReadConfig("X", "PGM"), "/given/m");
        EXPECT_EQ(asked, 1);
    }

    TEST(ConfigFile, EnvironmentLocations)
    {
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        const std::string saved_value = saved ? saved : "";
        ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-here", 1);
        EXPECT_EQ(DefaultConfigLocations("/p").user_dir, std::filesystem::path("/tmp/xdg-here/talira"));
        ::setenv("XDG_CONFIG_HOME", "", 1);
        const char* home = std::getenv("HOME");
        if (home && *home) {
            EXPECT_EQ(
                DefaultConfigLocations("/p").user_dir, std::filesystem::path(home) / ".config" / "talira");
        }
        EXPECT_EQ(DefaultConfigLocations("/p").system_dir, std::filesystem::path("/etc/talira"));
        if (saved)
            ::setenv("XDG_CONFIG_HOME", saved_value.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }

    TEST(ConfigFile, MissingFileReadsEmpty)
    {
        const ConfigFile config = ConfigFile::FromFile("/nonexistent/dir/Talira.ini", "/p");
        EXPECT_FALSE(config.Loaded());
        EXPECT_EQ(config.ReadConfig("VIDEO", "CORLETRA"), "");
        EXPECT_EQ(ConfigFile().ReadConfig("A", "B"), "");
    }

    TEST(ConfigFile, NumbersUseThePlainDecimalConversion)
    {
        struct Case {
            std::string text;
            std::optional<int> value;
        };
        const Case cases[] = {
            { "15", 15 },
            { " 7 ", 7 },
            { "-3", -3 },
            { "+4", 4 },
            { "2147483647", 2147483647 },
            { "-2147483648", -2147483647 - 1 },
            { "2147483648", std::nullopt },
            { "99999999999999999999", std::nullopt },
            { "", std::nullopt },
            { "-", std::nullopt },
            { "1x", std::nullopt },
            { "0x10", std::nullopt },
            { "1 2", std::nullopt },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            EXPECT_EQ(ParseConfigInt(c.text), c.value);
        }
    }

} // namespace
} // namespace palavrino::console
