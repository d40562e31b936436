// The file chooser over a directory the test builds: what is listed and in
// which order, what the user hears and sees at each key, the marks, the
// typed search, scrolling, and how a choice ends; then the file-name prompt
// that opens it.
#include "console/file_chooser.h"
#include "encoding/encoding.h"
#include "tests/unit/console/console_rig.h"

#include <chrono>
#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    using testing::ConsoleRig;
    using testing::Ext;
    using E = ExtendedKey;

    const std::string LONG_NAME = std::string(150, 'x') + ".pro";

    // What the screen showed when a name was spoken.
    struct Snapshot {
        std::vector<std::string> rows; // screen rows 1-25
        std::vector<std::string> attrs; // one letter per cell: the text colour as a hex digit
        int cursor_column { 0 };
        int cursor_row { 0 };
    };

    // Hears like the rig's engine and looks at the screen at each text.
    class LookingSynth final : public Synthesizer {
    public:
        LookingSynth(testing::Heard& heard, const ScreenModel& screen, std::vector<Snapshot>& looks)
            : m_heard(heard)
            , m_screen(screen)
            , m_looks(looks)
        {
        }
        bool Start(int, int, int) override { return true; }
        void Speak(std::string_view text) override
        {
            m_heard.push_back("fala " + std::string(text));
            Snapshot s;
            for (int row = 1; row <= SCREEN_ROWS; ++row) {
                s.rows.push_back(m_screen.RowText(row));
                std::string attrs;
                for (int x = 1; x <= SCREEN_COLUMNS; ++x)
                    attrs += "0123456789ABCDEF"[m_screen.ScreenAttr(x, row) & 0x0F];
                s.attrs.push_back(attrs);
            }
            s.cursor_column = m_screen.CursorColumn();
            s.cursor_row = m_screen.CursorRow();
            m_looks.push_back(std::move(s));
        }
        bool IsSpeaking() override { return false; }
        void Stop() override { }
        void End() override { }
        bool TakesSpelling() const override { return true; }
        void SpellText(std::string_view text) override { m_heard.push_back("soletra " + std::string(text)); }
        void SpeakCharacter(std::uint8_t c) override
        {
            m_heard.push_back("letra " + std::string(1, static_cast<char>(c)));
        }

    private:
        testing::Heard& m_heard;
        const ScreenModel& m_screen;
        std::vector<Snapshot>& m_looks;
    };

    // A directory of files with known sizes and times, one hidden, one
    // sub-directory, one long name and two names outside ASCII.
    struct ChooserRig : ConsoleRig {
        explicit ChooserRig(std::string keys = {}, bool live = true)
            : ConsoleRig(std::move(keys), live)
            , chooser(screen, keyboard, speech)
        {
            for (const char* name : { "_BUSCAR", "_ACHEI", "_NAOACH" })
                dir.Write(std::string("letras/") + name + ".wav",
                    fakes::WaveFile(std::string("SOM:") + name + "|" + std::string(40, 'z')));
            const auto now = std::filesystem::file_time_type::clock::now();
            int age = 10;
            for (const auto& [name, size] : std::vector<std::pair<std::string, int>> { { "beta.pro", 30 },
                     { "Alfa.txt", 10 }, { "a\xC3\xA7\xC3\xA3o.pro", 50 }, { "zeta", 20 }, { ".oculto", 5 },
                     { "\xE6\x97\xA5.pro", 1 } }) {
                const auto file = dir.Write("lista/" + name, std::string(static_cast<size_t>(size), '.'));
                std::filesystem::last_write_time(file, now - std::chrono::hours(age--));
            }
            std::filesystem::create_directories(dir.Path() / "lista" / "pasta");
            speech.SetSynthesizer(std::make_unique<LookingSynth>(heard, screen, looks));
            heard.clear();
        }
        std::string List() const { return encoding::Utf8ToCp1252((dir.Path() / "lista").string()) + "/"; }
        std::string Choose(std::string_view names = "*.*", ChooserBox box = { 1, 1, 40, 10 }, int mask = 32)
        {
            return chooser.ChooseFile(box, SortOrder::Name, mask, List() + std::string(names));
        }
        std::string Marks() const
        {
            std::string out;
            for (const FileEntry& e : chooser.Entries())
                out += e.marked ? 'x' : '.';
            return out;
        }
        std::vector<Snapshot> looks;
        FileChooser chooser;
    };

    std::vector<std::string> Names(const std::vector<FileEntry>& entries)
    {
        std::vector<std::string> out;
        for (const FileEntry& e : entries)
            out.push_back(e.name);
        return out;
    }

    TEST(FileChooserList, SortOrdersMasksAndHiddenEntries)
    {
        ChooserRig rig;
        const auto dir = rig.dir.Path() / "lista";
        std::vector<FileEntry> got;
        ASSERT_TRUE(ListFileEntries(dir, "*.*", ATTR_ARCHIVE, SortOrder::Name, got));
        // Folded comparison: "ação" sorts as "ACAO", before "ALFA"; the
        // name outside Windows-1252 is shown with "?".
        EXPECT_EQ(Names(got),
            (std::vector<std::string> {
                ".oculto", "?.pro", "a\xE7\xE3o.pro", "Alfa.txt", "beta.pro", "zeta" }));
        EXPECT_EQ(got[0].attributes & ATTR_HIDDEN, ATTR_HIDDEN);
        EXPECT_EQ(got[1].fs_name, "\xE6\x97\xA5.pro");

        ASSERT_TRUE(ListFileEntries(dir, "*.*", ATTR_ARCHIVE, SortOrder::Extension, got));
        EXPECT_EQ(Names(got),
            (std::vector<std::string> {
                "zeta", ".oculto", "?.pro", "a\xE7\xE3o.pro", "beta.pro", "Alfa.txt" }));
        ASSERT_TRUE(ListFileEntries(dir, "*.*", ATTR_ARCHIVE, SortOrder::Size, got));
        EXPECT_EQ(Names(got),
            (std::vector<std::string> {
                "?.pro", ".oculto", "Alfa.txt", "zeta", "beta.pro", "a\xE7\xE3o.pro" }));
        ASSERT_TRUE(ListFileEntries(dir, "*.*", ATTR_ARCHIVE, SortOrder::Time, got));
        EXPECT_EQ(Names(got),
            (std::vector<std::string> {
                "beta.pro", "Alfa.txt", "a\xE7\xE3o.pro", "zeta", ".oculto", "?.pro" }));

        ASSERT_TRUE(ListFileEntries(dir, "*.*", ATTR_DIRECTORY, SortOrder::Name, got));
        EXPECT_EQ(Names(got), (std::vector<std::string> { "pasta" }));
        ASSERT_TRUE(ListFileEntries(dir, "*.*", ATTR_HIDDEN, SortOrder::Name, got));
        EXPECT_EQ(Names(got), (std::vector<std::string> { ".oculto" }));
        ASSERT_TRUE(ListFileEntries(dir, "*.*", 0, SortOrder::Name, got));
        EXPECT_EQ(got.size(), 7u);
        EXPECT_FALSE(ListFileEntries(dir / "nada", "*.*", 0, SortOrder::Name, got));
    }

    TEST(FileChooserList, PatternsAsTheChooserReadsThem)
    {
        ChooserRig rig;
        const auto dir = rig.dir.Path() / "lista";
        std::vector<FileEntry> got;
        // A pattern without a dot is the start of a name.
        ASSERT_TRUE(ListFileEntries(dir, "BE", ATTR_ARCHIVE, SortOrder::Name, got));
        EXPECT_EQ(Names(got), (std::vector<std::string> { "beta.pro" }));
        ASSERT_TRUE(ListFileEntries(dir, "ze", ATTR_ARCHIVE, SortOrder::Name, got));
        EXPECT_EQ(Names(got), (std::vector<std::string> { "zeta" }));
        // Two patterns, listed and sorted together; accents fold.
        ASSERT_TRUE(ListFileEntries(dir, "*.txt|AC", ATTR_ARCHIVE, SortOrder::Name, got));
        EXPECT_EQ(Names(got), (std::vector<std::string> { "a\xE7\xE3o.pro", "Alfa.txt" }));
        ASSERT_TRUE(ListFileEntries(dir, "nenhum", ATTR_ARCHIVE, SortOrder::Name, got));
        EXPECT_TRUE(got.empty());

        EXPECT_TRUE(MatchesFilePattern("*.*", "semponto"));
        EXPECT_TRUE(MatchesFilePattern("*.**", "semponto"));
        EXPECT_TRUE(MatchesFilePattern("x.**", "X"));
        EXPECT_FALSE(MatchesFilePattern("x.**", "xy"));
        EXPECT_TRUE(MatchesFilePattern("a?c*.*", "ABCdef.x"));
        EXPECT_FALSE(MatchesFilePattern("*.pro*", "x.txt"));
        EXPECT_TRUE(MatchesFilePattern("\xC1*", "agua")); // Á folds to A
        EXPECT_EQ(FoldFileName("a\xE7\xE3o-1.Txt"), "ACAO-1.TXT");
    }

    TEST(FileChooser, MovesSpeakDrawAndEndWithTheChoice)
    {
        ChooserRig rig(Ext(E::Down) + Ext(E::Down) + Ext(E::Up) + "\r");
        rig.screen.MoveCursor(5, 20);
        rig.screen.ConsoleWrite("fundo");
        rig.screen.MoveCursor(1, 3);
        rig.screen.ConsoleWrite("por baixo");
        rig.screen.MoveCursor(5, 20);
        const std::string chosen = rig.Choose();
        EXPECT_EQ(chosen, rig.List() + "?.pro");
        EXPECT_EQ(rig.Said(), "fala .oculto; fala ?.pro; fala a\xE7\xE3o.pro; fala ?.pro");
        // The screen under the list is as it was, and so is the cursor.
        EXPECT_EQ(rig.screen.RowText(3).substr(0, 9), "por baixo");
        EXPECT_EQ(rig.screen.ScreenAttr(1, 3), 0x0F);
        EXPECT_EQ(rig.screen.CursorColumn(), 5);
        EXPECT_EQ(rig.screen.CursorRow(), 20);
        EXPECT_EQ(rig.chooser.Current(), 1);
    }

    TEST(FileChooser, TheListOnScreenWithTheCursorOnTheCurrentEntry)
    {
        ChooserRig rig(Ext(E::Down) + "+" + Ext(E::Down) + "\x01\x1B");
        EXPECT_EQ(rig.chooser.ChooseFile({ 3, 2, 20, 5 }, SortOrder::Name, 32, rig.List() + "*.*"), "");
        EXPECT_EQ(rig.Marks(), ".x....");
        EXPECT_EQ(rig.chooser.Current(), 2);
        // The ignored key (Ctrl+A) says the entry again.
        EXPECT_EQ(rig.Said(),
            "fala .oculto; fala ?.pro; bipe; fala ?.pro; fala a\xE7\xE3o.pro; fala a\xE7\xE3o.pro");
        ASSERT_EQ(rig.looks.size(), 5u);
        const Snapshot& first = rig.looks[0];
        EXPECT_EQ(first.rows[1].substr(0, 20), "   .oculto          ");
        EXPECT_EQ(first.rows[2].substr(2, 18), " ?.pro            ");
        EXPECT_EQ(first.rows[4].substr(2, 18), " Alfa.txt         ");
        EXPECT_EQ(first.rows[5].substr(0, 20), std::string(20, ' '));
        // The current entry yellow, the others white, all on brown.
        EXPECT_EQ(first.attrs[1].substr(2, 18), std::string(18, 'E'));
        EXPECT_EQ(first.attrs[2].substr(2, 18), std::string(18, 'F'));
        EXPECT_EQ(rig.screen.ScreenAttr(3, 2), 0x0F); // put back afterwards
        EXPECT_EQ(first.cursor_column, 4);
        EXPECT_EQ(first.cursor_row, 2);
        // Marked green once left; the cursor follows the current entry.
        const Snapshot& last = rig.looks[4];
        EXPECT_EQ(last.attrs[2].substr(2, 18), std::string(18, '2'));
        EXPECT_EQ(last.attrs[3].substr(2, 18), std::string(18, 'E'));
        EXPECT_EQ(last.cursor_row, 4);
        EXPECT_EQ(last.cursor_column, 4);
    }

    TEST(FileChooser, DirectoriesHaveTheirColourAndAOneRowBoxNoPrefix)
    {
        ChooserRig rig(Ext(E::Down) + "\x1B");
        EXPECT_EQ(rig.chooser.ChooseFile({ 1, 1, 30, 1 }, SortOrder::Name, 0, rig.List() + "*.*"), "");
        ASSERT_EQ(rig.looks.size(), 2u);
        EXPECT_EQ(rig.looks[0].rows[0].substr(0, 8), ".oculto ");
        EXPECT_EQ(rig.looks[1].rows[0].substr(0, 8), "?.pro   ");
        ChooserRig dirs(Ext(E::Down) + "\x1B");
        dirs.dir.Write("lista/pasta/x", "");
        EXPECT_EQ(dirs.chooser.ChooseFile({ 1, 1, 30, 3 }, SortOrder::Name, 0, dirs.List() + "p|z"), "");
        ASSERT_EQ(dirs.looks.size(), 2u);
        EXPECT_EQ(dirs.looks[1].rows[0].substr(0, 7), " pasta ");
        EXPECT_EQ(dirs.looks[1].attrs[0].substr(0, 5), "33333");
    }

    TEST(FileChooser, EscapeTabAndRunningOffTheEnds)
    {
        {
            ChooserRig rig("\x1B");
            EXPECT_EQ(rig.Choose(), "");
        }
        {
            ChooserRig rig("\t");
            EXPECT_EQ(rig.Choose(), FileChooser::TAB_RESULT);
        }
        {
            // Off the top: a beep and no name; Enter there chooses nothing.
            ChooserRig rig(Ext(E::Up) + "\r");
            EXPECT_EQ(rig.Choose(), "");
            EXPECT_EQ(rig.Said(), "fala .oculto; bipe");
        }
        {
            // Off the bottom and back again.
            ChooserRig rig(Ext(E::End) + Ext(E::Down) + Ext(E::Down) + Ext(E::Up) + "\r");
            EXPECT_EQ(rig.Choose(), rig.List() + "zeta");
            EXPECT_EQ(rig.Said(), "fala .oculto; fala zeta; bipe; bipe; fala zeta");
        }
        {
            // Page keys move ten, clamped one past either end.
            ChooserRig rig(Ext(E::PageDown) + Ext(E::PageUp) + Ext(E::Down) + Ext(E::CtrlPageDown)
                + Ext(E::CtrlPageUp) + "\r");
            EXPECT_EQ(rig.Choose(), rig.List() + ".oculto");
            EXPECT_EQ(rig.Said(), "fala .oculto; bipe; bipe; fala .oculto; fala zeta; fala .oculto");
        }
        {
            // Nothing matching, or a directory that cannot be read: no
            // list, nothing said, nothing drawn.
            ChooserRig rig("\r");
            EXPECT_EQ(rig.Choose("nenhum"), "");
            EXPECT_EQ(
                rig.chooser.ChooseFile({ 1, 1, 40, 10 }, SortOrder::Name, 32, rig.List() + "nada/*.*"), "");
            EXPECT_EQ(rig.Said(), "");
            EXPECT_EQ(rig.screen.ScreenAttr(2, 1), 0x0F);
            EXPECT_FALSE(rig.terminal.InputEnded()); // Enter was never read
        }
        {
            // An empty directory.
            ChooserRig rig("\r");
            std::filesystem::create_directories(rig.dir.Path() / "vazia");
            EXPECT_EQ(rig.chooser.ChooseFile({ 1, 1, 40, 10 }, SortOrder::Name, 0,
                          encoding::Utf8ToCp1252((rig.dir.Path() / "vazia").string()) + "/*.*"),
                "");
            EXPECT_EQ(rig.Said(), "");
        }
    }

    TEST(FileChooser, MarkingKeys)
    {
        const std::uint8_t shift = platform::MOD_SHIFT;
        struct Case {
            std::string name;
            std::function<void(testing::ScriptedTerminal&)> keys;
            std::string marks;
            std::string heard;
        };
        const Case cases[] = {
            { "space toggles", [](auto& t) { t.Type("  " + Ext(E::Down) + " "); }, ".x....",
                "fala .oculto; bipe; fala .oculto; fala .oculto; fala ?.pro; bipe; fala ?.pro" },
            { "plus and minus", [](auto& t) { t.Type("++" + Ext(E::Down) + "-+-"); }, "x.....",
                "fala .oculto; bipe; fala .oculto; bipe; fala .oculto; fala ?.pro; fala ?.pro; bipe; fala "
                "?.pro; fala ?.pro" },
            { "star and slash", [](auto& t) { t.Type("*"); }, "xxxxxx", "fala .oculto; bipe; fala .oculto" },
            { "slash clears", [](auto& t) { t.Type("*/"); }, "......",
                "fala .oculto; bipe; fala .oculto; fala .oculto" },
            { "shift down marks both",
                [&](auto& t) {
                    t.Press(E::Down, shift);
                    t.Press(E::Down, shift);
                },
                "xxx...", "fala .oculto; bipe; bipe; fala ?.pro; bipe; bipe; fala a\xE7\xE3o.pro" },
            { "shift up unmarks the entry left",
                [&](auto& t) {
                    t.Type("*");
                    t.Press(E::Up, shift);
                    t.Press(E::Down);
                    t.Press(E::Down);
                    t.Press(E::Up, shift);
                },
                "..xxxx",
                "fala .oculto; bipe; fala .oculto; tique; bipe; fala .oculto; bipe; fala ?.pro; tique; fala "
                ".oculto" },
            { "shift end marks to the end",
                [&](auto& t) {
                    t.Press(E::Down);
                    t.Press(E::Down);
                    t.Press(E::End, shift);
                },
                "..xxxx", "fala .oculto; fala ?.pro; fala a\xE7\xE3o.pro; bipe; bipe; fala zeta" },
            { "shift home unmarks up to the entry",
                [&](auto& t) {
                    t.Type("*");
                    t.Press(E::Down);
                    t.Press(E::Down);
                    t.Press(E::Home, shift);
                },
                "...xxx",
                "fala .oculto; bipe; fala .oculto; bipe; fala ?.pro; bipe; fala a\xE7\xE3o.pro; bipe; fala "
                ".oculto" },
        };
        for (const Case& c : cases) {
            ChooserRig rig;
            c.keys(rig.terminal);
            rig.terminal.Type("\x1B");
            EXPECT_EQ(rig.Choose(), "") << c.name;
            EXPECT_EQ(rig.Marks(), c.marks) << c.name;
            EXPECT_EQ(rig.Said(), c.heard) << c.name;
        }
    }

    TEST(FileChooser, TypedSearch)
    {
        const std::uint8_t shift = platform::MOD_SHIFT;
        struct Case {
            std::string name;
            std::function<void(testing::ScriptedTerminal&)> keys;
            int current;
            std::string heard; // after the first entry is said
        };
        const Case cases[] = {
            { "found from the next entry", [](auto& t) { t.Type(Ext(E::F5) + "Be\r"); }, 4,
                "som _BUSCAR; letra B; letra e; som _ACHEI; fala beta.pro" },
            { "accents fold", [](auto& t) { t.Type(Ext(E::F5) + "AC\r"); }, 2,
                "som _BUSCAR; letra A; letra C; som _ACHEI; fala a\xE7\xE3o.pro" },
            { "not found stays", [](auto& t) { t.Type(Ext(E::F5) + "q\r"); }, 0,
                "som _BUSCAR; letra q; som _NAOACH; fala .oculto" },
            { "backspace takes back a letter", [](auto& t) { t.Type(Ext(E::F5) + "zx\bq\b\r"); }, 5,
                "som _BUSCAR; letra z; letra x; som _DEL; letra x; letra q; som _DEL; letra q; som _ACHEI; "
                "fala zeta" },
            { "escape cancels with two beeps", [](auto& t) { t.Type(Ext(E::F5) + "z\x1B"); }, 0,
                "som _BUSCAR; letra z; bipe; bipe; fala .oculto" },
            { "shift searches inside names",
                [&](auto& t) {
                    t.Press(E::F5, shift);
                    t.Type("et\r");
                },
                4, "som _BUSCAR; letra e; letra t; som _ACHEI; fala beta.pro" },
            { "ctrl+F5 searches again from the next entry",
                [&](auto& t) {
                    t.Press(E::F5, shift);
                    t.Type("ta\r");
                    t.Press(E::CtrlF5, shift);
                    t.Press(E::CtrlF5, shift);
                },
                5,
                "som _BUSCAR; letra t; letra a; som _ACHEI; fala beta.pro; som _ACHEI; fala zeta; som "
                "_NAOACH; "
                "fala zeta" },
        };
        for (const Case& c : cases) {
            ChooserRig rig;
            c.keys(rig.terminal);
            rig.terminal.Type("\x1B");
            EXPECT_EQ(rig.Choose(), "") << c.name;
            EXPECT_EQ(rig.chooser.Current(), c.current) << c.name;
            EXPECT_EQ(rig.Said(), "fala .oculto; " + c.heard) << c.name;
        }
    }

    TEST(FileChooser, ScrollsALongListAndCutsLongNamesOnlyOnScreen)
    {
        ChooserRig rig(Ext(E::Down) + Ext(E::Down) + Ext(E::Down) + Ext(E::Down) + Ext(E::Right)
            + Ext(E::Left) + Ext(E::Home) + Ext(E::End) + Ext(E::Up) + "\r");
        rig.dir.Write("lista/" + LONG_NAME, "x");
        // Three rows for seven entries.
        const std::string chosen
            = rig.chooser.ChooseFile({ 11, 4, 30, 6 }, SortOrder::Name, 32, rig.List() + "*.*");
        EXPECT_EQ(chosen, rig.List() + LONG_NAME);
        // The long name is said whole, and spelled whole with Right; Left
        // spells it in the short shape.
        EXPECT_EQ(rig.Said(),
            "fala .oculto; fala ?.pro; fala a\xE7\xE3o.pro; fala Alfa.txt; fala beta.pro; soletra beta.pro; "
            "fala beta.pro; soletra BETA.PRO; fala beta.pro; fala .oculto; fala zeta; fala "
                + LONG_NAME);
        ASSERT_EQ(rig.looks.size(), 10u);
        // Down past the third row scrolls by one: Alfa.txt on the last row.
        const Snapshot& fourth = rig.looks[3];
        EXPECT_EQ(fourth.rows[3].substr(10, 20), " ?.pro              ");
        EXPECT_EQ(fourth.rows[5].substr(10, 20), " Alfa.txt           ");
        EXPECT_EQ(fourth.cursor_row, 6);
        // Home brings the first entry back to the top row.
        EXPECT_EQ(rig.looks[7].rows[3].substr(10, 20), " .oculto            ");
        EXPECT_EQ(rig.looks[7].cursor_row, 4);
        // The long name is cut at the box's edge: nothing beyond column 30.
        const Snapshot& last = rig.looks[9];
        EXPECT_EQ(last.rows[3].substr(10, 20), " beta.pro           ");
        EXPECT_EQ(last.rows[4].substr(10, 20), " " + std::string(19, 'x'));
        EXPECT_EQ(last.rows[4].substr(30, 5), "     ");
        EXPECT_EQ(last.cursor_row, 5);
    }

    TEST(FileNamePrompt, TypedNamesArrowsIntoTheListAndTab)
    {
        {
            // Typed: the text as it is.
            ChooserRig rig("nome.pro\r", false);
            const LineRead r = AskFileName(rig.editor, rig.chooser, rig.screen, rig.speech, 20, "*.*");
            EXPECT_EQ(r.text, "nome.pro");
            EXPECT_TRUE(r.end_key.Is(KEY_ENTER));
        }
        {
            // Tab is ignored; Escape gives nothing.
            ChooserRig rig("ab\tc\x1B");
            const LineRead r = AskFileName(rig.editor, rig.chooser, rig.screen, rig.speech, 20, "*.*");
            EXPECT_EQ(r.text, "");
            EXPECT_TRUE(r.end_key.Is(KEY_ESCAPE));
        }
        {
            // A directory typed without its slash opens the list inside it,
            // and the choice comes back with the directory in front.
            ChooserRig rig;
            rig.terminal.Type(rig.List().substr(0, rig.List().size() - 1));
            rig.terminal.Press(E::Down);
            rig.terminal.Press(E::Down);
            rig.terminal.Type("\r");
            rig.screen.MoveCursor(1, 10);
            const LineRead r = AskFileName(rig.editor, rig.chooser, rig.screen, rig.speech, 20, "*.pro");
            EXPECT_EQ(r.text, rig.List() + "a\xE7\xE3o.pro");
            EXPECT_TRUE(r.end_key.Is(KEY_ENTER));
            // The list moved up to fit the screen: 20 rows from row 6.
            ASSERT_FALSE(rig.looks.empty());
            EXPECT_EQ(rig.looks[0].cursor_row, 6);
        }
        {
            // Tab in the list: two clicks, and the typed line again; the
            // start directory is listed when nothing was typed.
            ChooserRig rig;
            rig.terminal.Press(E::Up);
            rig.terminal.Type("\t");
            rig.terminal.Type("x\r");
            const LineRead r
                = AskFileName(rig.editor, rig.chooser, rig.screen, rig.speech, 5, "z", rig.List());
            EXPECT_EQ(r.text, "x");
            EXPECT_NE(rig.Said().find("fala zeta; tique; tique"), std::string::npos) << rig.Said();
        }
        {
            // Nothing to list: a beep, and the line again.
            ChooserRig rig;
            rig.terminal.Type(rig.List() + "nenhum");
            rig.terminal.Press(E::Up);
            rig.terminal.Type("\x1B");
            const LineRead r = AskFileName(rig.editor, rig.chooser, rig.screen, rig.speech, 5, "*.*");
            EXPECT_TRUE(r.end_key.Is(KEY_ESCAPE));
            EXPECT_NE(rig.Said().find("bipe"), std::string::npos);
            EXPECT_TRUE(rig.looks.empty());
        }
    }

} // namespace
} // namespace palavrino::console
