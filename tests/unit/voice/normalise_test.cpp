// Text normalisation: numbers, ordinals, money, times, dates, symbols,
// consonant-only words and abbreviations, as a Brazilian reader says them.
#include "tests/unit/voice/voice_data.h"
#include "voice/normalise.h"

#include <gtest/gtest.h>

namespace palavrino::voice {
namespace {

    using testing::U;
    using testing::W;

    std::string Collapse(std::string text)
    {
        std::string out;
        for (char c : text) {
            if (c == ' ' && (out.empty() || out.back() == ' '))
                continue;
            out += c;
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        return out;
    }

    struct NormaliserFixture : ::testing::Test {
        NormaliserFixture()
        {
            std::string error;
            EXPECT_TRUE(normaliser.load_abbreviations(testing::ReadDataFile("portug.abr"), error)) << error;
        }
        std::string Say(std::string_view utf8) { return U(Collapse(normaliser.normalise_text(W(utf8)))); }
        Normaliser normaliser;
    };

    TEST(Cardinals, ReadFromUnitsToTrillions)
    {
        const std::vector<std::pair<std::uint64_t, std::string>> cases = {
            { 0, "zero" },
            { 1, "um" },
            { 7, "sete" },
            { 10, "dez" },
            { 14, "quatorze" },
            { 19, "dezenove" },
            { 20, "vinte" },
            { 21, "vinte e um" },
            { 55, "cinqüenta e cinco" },
            { 99, "noventa e nove" },
            { 100, "cem" },
            { 101, "cento e um" },
            { 110, "cento e dez" },
            { 200, "duzentos" },
            { 345, "trezentos e quarenta e cinco" },
            { 999, "novecentos e noventa e nove" },
            { 1000, "mil" },
            { 1001, "mil e um" },
            { 1100, "mil e cem" },
            { 1234, "mil duzentos e trinta e quatro" },
            { 2000, "dois mil" },
            { 2024, "dois mil e vinte e quatro" },
            { 10000, "dez mil" },
            { 100000, "cem mil" },
            { 101000, "cento e um mil" },
            { 1000000, "um milhão" },
            { 2000000, "dois milhões" },
            { 1000001, "um milhão e um" },
            { 1200300, "um milhão duzentos mil e trezentos" },
            { 1000000000, "um bilhão" },
            { 3000000000, "três bilhões" },
            { 1000000000000, "um trilhão" },
            { 999999999999999,
                "novecentos e noventa e nove trilhões novecentos e noventa e nove bilhões "
                "novecentos e noventa e nove milhões novecentos e noventa e nove mil "
                "novecentos e noventa e nove" },
        };
        for (const auto& [value, words] : cases)
            EXPECT_EQ(U(Collapse(read_cardinal(value))), words) << value;
        // The scale words keep their trailing blank.
        EXPECT_EQ(U(read_cardinal(2000000)), "dois milhões ");
        // Beyond a trillion of trillions nobody says it as one number.
        EXPECT_EQ(read_cardinal(18446744073709551615u).substr(0, 7), "um oito");
    }

    TEST(Ordinals, TakeGenderAndStopAtTwoThousand)
    {
        EXPECT_EQ(U(read_ordinal('m', 1)), "primeiro");
        EXPECT_EQ(U(read_ordinal('f', 2)), "segunda");
        EXPECT_EQ(U(read_ordinal('m', 21)), "vigésimo primeiro");
        EXPECT_EQ(U(read_ordinal('f', 21)), "vigésima primeira");
        EXPECT_EQ(U(read_ordinal('m', 70)), "septuagésimo");
        EXPECT_EQ(U(read_ordinal('f', 73)), "septuagésima terceira");
        EXPECT_EQ(U(read_ordinal('m', 100)), "centésimo");
        EXPECT_EQ(U(read_ordinal('m', 345)), "tricentésimo quadragésimo quinto");
        EXPECT_EQ(U(read_ordinal('m', 1999)), "milésimo nongentésimo nonagésimo nono");
        EXPECT_EQ(U(read_ordinal('m', 0)), "zero");
        EXPECT_EQ(U(Collapse(read_ordinal('m', 2000))), "dois mil");
    }

    TEST(CharacterNames, CoverAsciiSignsAndAccentedLetters)
    {
        EXPECT_EQ(U(character_name('?')), "interrogação");
        EXPECT_EQ(U(character_name('C')), " sê");
        EXPECT_EQ(U(character_name('j')), "jota");
        EXPECT_EQ(U(character_name('J')), "jóta");
        EXPECT_EQ(U(character_name('~')), "til");
        EXPECT_EQ(U(character_name(0xBA)), "ordinal masculino");
        EXPECT_EQ(U(character_name(0xC7)), "Cê cedilha");
        EXPECT_EQ(U(character_name(0xE7)), "Cê cedilha");
        EXPECT_EQ(U(character_name(0xE0)), "A grave");
        EXPECT_EQ(U(character_name(0xF7)), "dividido por");
        EXPECT_TRUE(character_name(10).empty());
        EXPECT_TRUE(character_name(0x80).empty());
        EXPECT_TRUE(character_name(0xDF).empty());
    }

    TEST_F(NormaliserFixture, ReadsNumbersInText)
    {
        EXPECT_EQ(Say("tenho 3 gatos"), "tenho três gatos");
        EXPECT_EQ(Say("3.500 pessoas"), "três mil e quinhentos pessoas");
        EXPECT_EQ(Say("1.000.000"), "um milhão");
        EXPECT_EQ(Say("3.50"), "três ponto cinqüenta");
        EXPECT_EQ(Say("1,5"), "um vírgula cinco");
        EXPECT_EQ(Say("-5 graus"), "menos cinco graus");
        EXPECT_EQ(Say("007"), "zero zero sete");
        EXPECT_EQ(Say("2598-3000"), "dois cinco nove oito traço três zero zero zero");
        EXPECT_EQ(Say("50%"), "cinqüenta porcento");
        // An account number is read digit by digit, never cut short.
        EXPECT_EQ(Say("12345678901234567"),
            "um dois três quatro cinco seis sete oito nove zero um dois três "
            "quatro cinco seis sete");
    }

    TEST_F(NormaliserFixture, ReadsOrdinalsMoneyTimesAndDates)
    {
        EXPECT_EQ(Say("1º lugar"), "primeiro lugar");
        EXPECT_EQ(Say("2ª vez"), "segunda vez");
        EXPECT_EQ(Say("21º"), "vigésimo primeiro");
        EXPECT_EQ(Say("3os. colocados"), "terceiros colocados");
        EXPECT_EQ(Say("21as. edições"), "vigésimas primeiras edições");
        EXPECT_EQ(Say("R$ 10,50"), "dez reais e cinqüenta centavos");
        EXPECT_EQ(Say("R$1,00"), "um real");
        EXPECT_EQ(Say("R$ 0,01"), "um centavo");
        EXPECT_EQ(Say("R$ 2.000.000"), "dois milhões de reais");
        EXPECT_EQ(Say("às 10:30"), "às dez horas e trinta minutos");
        EXPECT_EQ(Say("1:01"), "uma hora e um minuto");
        EXPECT_EQ(Say("22h"), "vinte e duas horas");
        EXPECT_EQ(Say("25/12/2024"), "vinte e cinco de dezembro de dois mil e vinte e quatro");
        EXPECT_EQ(Say("01/05"), "primeiro de maio");
        // Not a time nor a date: read as written.
        EXPECT_EQ(Say("25:70"), "vinte e cinco :setenta");
        EXPECT_EQ(Say("1/2"), "um barra dois");
    }

    TEST_F(NormaliserFixture, SpellsConsonantWordsAndExpandsAbbreviations)
    {
        EXPECT_EQ(Say("CPF"), "sêpêéfe");
        EXPECT_EQ(Say("o Sr. Silva"), "o senhor Silva");
        EXPECT_EQ(Say("a Dra. Ana"), "a doutora Ana");
        EXPECT_EQ(Say("Av. Paulista"), "avenida Paulista");
        EXPECT_EQ(Say("R. Augusta"), "rua Augusta");
        EXPECT_EQ(Say("nº 5"), "número cinco");
        EXPECT_EQ(Say("fim do Sr."), "fim do senhor");
        // Without the point an abbreviation is a word like any other.
        EXPECT_EQ(Say("Av Paulista"), "Av Paulista");
        EXPECT_EQ(Say("guarda-chuva"), "guarda-chuva");
    }

    TEST_F(NormaliserFixture, NamesSymbolsAndKeepsPauses)
    {
        EXPECT_EQ(Say("?"), "interrogação");
        EXPECT_EQ(Say("a"), "a");
        EXPECT_EQ(Say("x + y"), "xis mais ípsilon");
        EXPECT_EQ(Say("a@b"), "a arrôba bê");
        EXPECT_EQ(Say("sim - não"), "sim , não");
        EXPECT_EQ(Say("Olá, mundo!"), "Olá, mundo!");
        EXPECT_EQ(Say("espere..."), "espere...");
        EXPECT_EQ(Say("site.com"), "site ponto com");
        EXPECT_EQ(Say("linha\numa"), "linha uma");
        EXPECT_EQ(Say(""), "");
    }

    TEST(Abbreviations, RefuseAnOverfullTable)
    {
        std::string text;
        for (std::size_t i = 0; i <= MAX_ABBREVIATIONS; ++i)
            text += "ab" + std::to_string(i) + " = coisa\n";
        Normaliser normaliser;
        std::string error;
        EXPECT_FALSE(normaliser.load_abbreviations(text, error));
        EXPECT_EQ(U(error), "Entradas demais em abreviaturas; o máximo é 2000");
        text.erase(text.rfind("ab"));
        EXPECT_TRUE(normaliser.load_abbreviations(text, error));
        EXPECT_EQ(normaliser.AbbreviationCount(), MAX_ABBREVIATIONS);
    }

    TEST(Abbreviations, FirstMatchWinsAndCommentsAreSkipped)
    {
        Normaliser normaliser;
        std::string error;
        ASSERT_TRUE(
            normaliser.load_abbreviations(" sr = senhor \n; Sr = outro\nsr=segundo\n\nsem igual\n", error));
        ASSERT_NE(normaliser.FindAbbreviation("SR"), nullptr);
        EXPECT_EQ(*normaliser.FindAbbreviation("Sr"), "senhor");
        EXPECT_EQ(normaliser.AbbreviationCount(), 2u);
    }

} // namespace
} // namespace palavrino::voice
