// The form driven by scripted keys: the values edited, moving between the
// fields and the places before and after them, options offered by F9, the
// scrolled rows of a long form, and what the user hears.
#include "console/form_screen.h"
#include "tests/unit/console/screens_rig.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    using testing::Cells;
    using testing::ConsoleRig;
    using testing::Ext;
    using testing::PartsOf;
    using E = ExtendedKey;

    std::vector<FormField> Fields(std::vector<std::pair<std::string, std::string>> pairs)
    {
        std::vector<FormField> out;
        for (auto& [label, value] : pairs)
            out.push_back(FormField { label, value, FormScreen::MAX_LENGTH, {} });
        return out;
    }

    std::vector<std::string> Values(const std::vector<FormField>& fields)
    {
        std::vector<std::string> out;
        for (const FormField& f : fields)
            out.push_back(f.value);
        return out;
    }

    TEST(FormScreenKeys, MovesBetweenFieldsAndEdits)
    {
        struct Case {
            std::string name;
            std::string keys;
            std::vector<std::string> values;
            std::string heard;
        };
        const std::vector<Case> cases = {
            { "typing replaces the offered value", "Ana\x1B", { "Ana", "5", "" },
                "fala Nome; fala Maria; tique; tique" },
            { "tab, enter and down go to the next field", "\t\rX" + Ext(E::PageDown), { "Maria", "5", "X" },
                "fala Nome; fala Maria; fala Idade; fala 5; fala Cidade" },
            { "up goes back, and before the first field beeps", "\t" + Ext(E::Up) + Ext(E::Up) + "\t\x1B",
                { "Maria", "5", "" },
                "fala Nome; fala Maria; fala Idade; fala 5; fala Nome; fala Maria; bipe; fala Nome; fala "
                "Maria" },
            { "after the last field beeps", Ext(E::CtrlDown) + "\r" + Ext(E::Up) + Ext(E::PageUp),
                { "Maria", "5", "" }, "fala Nome; fala Maria; fala Cidade; bipe; fala Cidade" },
            { "ctrl+up goes to the first", Ext(E::CtrlDown) + Ext(E::CtrlUp) + "Z\x1B", { "Z", "5", "" },
                "fala Nome; fala Maria; fala Cidade; fala Nome; fala Maria; tique; tique" },
            { "the end of input ends the form", "\t", { "Maria", "5", "" },
                "fala Nome; fala Maria; fala Idade; fala 5" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ConsoleRig rig(c.keys, false);
            auto fields = Fields({ { "Nome", "Maria" }, { "Idade", "5" }, { "Cidade", "" } });
            FormScreen form(PartsOf(rig));
            form.Run(fields, 3, true);
            EXPECT_EQ(Values(fields), c.values);
            EXPECT_EQ(rig.Said(), c.heard);
        }
    }

    TEST(FormScreenKeys, ViewingChangesNothing)
    {
        ConsoleRig rig("abc\t" + Ext(E::F9) + "\x1B", false);
        auto fields = Fields({ { "Nome", "Maria" }, { "Cor", "azul" } });
        fields[1].options = { "verde", "azul" };
        FormScreen form(PartsOf(rig));
        form.Run(fields, 1, false);
        EXPECT_EQ(Values(fields), (std::vector<std::string> { "Maria", "azul" }));
    }

    TEST(FormScreenKeys, F9OffersTheOptionsOfAField)
    {
        ConsoleRig rig(Ext(E::F9) + Ext(E::Down) + "\r\x1B", false);
        auto fields = Fields({ { "Cor", "azul" }, { "Nome", "" } });
        fields[0].options = { "verde", "vermelho claro", "azul" };
        fields[1].options = {};
        FormScreen form(PartsOf(rig));
        form.Run(fields, 2, true);
        EXPECT_EQ(fields[0].value, "vermelho claro");
        EXPECT_EQ(rig.Said(),
            "fala Cor; fala azul; fala verde; fala vermelho claro; fala Cor; fala vermelho claro");
        // The list is gone, and the field shows its new value.
        EXPECT_EQ(Cells(rig.screen, 3, 29, 43), std::string(15, ' '));
        EXPECT_EQ(Cells(rig.screen, 2, 29, 42), "vermelho claro");

        // F9 on a field without options does nothing more.
        ConsoleRig plain(Ext(E::F9) + "\x1B", false);
        auto one = Fields({ { "Nome", "x" } });
        FormScreen other(PartsOf(plain));
        other.Run(one, 2, true);
        EXPECT_EQ(plain.Said(), "fala Nome; fala x; fala Nome; fala x");
    }

    TEST(FormScreenScreen, DrawsLabelsAndValuesAndKeepsTheLengths)
    {
        ConsoleRig rig(std::string(300, 'z') + "\x1B", false);
        auto fields = Fields({ { "Longo", "" }, { "Curto", "abc" } });
        fields[1].max_length = 5;
        FormScreen form(PartsOf(rig));
        form.Run(fields, 4, true);
        EXPECT_EQ(fields[0].value, std::string(256, 'z'));
        // Labels right-aligned in 28 columns on red, values after them.
        EXPECT_EQ(Cells(rig.screen, 5, 1, 33), std::string(22, ' ') + "Curto abc  ");
        EXPECT_EQ(rig.screen.CellAttr(0, 4) >> 4, 4);
        EXPECT_EQ(rig.screen.CellAttr(28, 4) >> 4, 0);
        EXPECT_EQ(Cells(rig.screen, 4, 29, 79), std::string(51, 'z'));
        // Writing goes on below the form.
        EXPECT_EQ(rig.screen.CursorRow(), 6);
    }

    TEST(FormScreenScreen, ALongFormScrollsItsRows)
    {
        std::string keys;
        for (int i = 0; i < 31; ++i)
            keys += "\t";
        keys += "fim\x1B";
        ConsoleRig rig(keys, false);
        std::vector<FormField> fields;
        for (int i = 1; i <= FormScreen::MAX_FIELDS; ++i)
            fields.push_back(FormField { "Campo " + std::to_string(i), std::to_string(i), 10, {} });
        FormScreen form(PartsOf(rig));
        form.Run(fields, 10, true);
        EXPECT_EQ(fields[31].value, "fim");
        // Rows 10 to 25 hold the last sixteen fields.
        EXPECT_EQ(Cells(rig.screen, 25, 20, 32), "Campo 32 fim ");
        EXPECT_EQ(Cells(rig.screen, 10, 20, 31), "Campo 17 17 ");
    }

    TEST(FormScreenKeys, AnEmptyFormBeepsAndEnds)
    {
        ConsoleRig rig("\t\x1B", false);
        std::vector<FormField> none;
        FormScreen form(PartsOf(rig));
        form.Run(none, 1, true);
        EXPECT_EQ(rig.Said(), "bipe; bipe");
    }

} // namespace
} // namespace palavrino::console
