// Letter-to-sound: the word list's phonemes and stress through our own
// rules and exceptions, the stress finder, every context symbol of the
// rules, the exception lookup with its plural forms, and liaison.
#include "tests/unit/voice/voice_data.h"
#include "tests/unit/voice/words_pt.h"
#include "voice/letter_to_sound.h"

#include <gtest/gtest.h>

namespace palavrino::voice {
namespace {

    using testing::U;
    using testing::W;

    // The phonemes of a word as one line, without the stretch marks.
    std::string Said(const LetterToSound& rules, std::string_view utf8_word)
    {
        std::string out;
        for (const std::string& phoneme : rules.WordPhonemes(W(utf8_word))) {
            std::string name;
            for (char c : phoneme) {
                if (c != STRETCH_END_MARK)
                    name += c;
            }
            out += (out.empty() ? "" : " ") + name;
        }
        return U(out);
    }

    struct OurRules : ::testing::Test {
        OurRules()
        {
            std::string error;
            EXPECT_TRUE(rules.load_rules(
                testing::ReadDataFile("portug.nrl"), testing::ReadDataFile("portug.exc"), error))
                << U(error);
        }
        void CheckList(std::string_view list)
        {
            std::size_t words = 0;
            while (!list.empty()) {
                const std::size_t end = list.find('\n');
                const std::string_view line = list.substr(0, end);
                list = end == std::string_view::npos ? std::string_view {} : list.substr(end + 1);
                const std::size_t colon = line.find(": ");
                if (colon == std::string_view::npos)
                    continue;
                ++words;
                const std::string word(line.substr(0, colon));
                EXPECT_EQ(Said(rules, word), line.substr(colon + 2)) << word;
            }
            checked += words;
        }
        LetterToSound rules;
        std::size_t checked { 0 };
    };

    TEST_F(OurRules, SayTheWordListWithItsStress)
    {
        CheckList(testing::WORD_LIST);
        EXPECT_GT(checked, 300u);
    }

    TEST_F(OurRules, SayShortAndGrammarWordsWithoutStress)
    {
        CheckList(testing::UNSTRESSED_LIST);
        EXPECT_GT(checked, 20u);
    }

    TEST_F(OurRules, EveryConsonantRuleEndsTheStressedStretch)
    {
        // The stretch mark keeps the lengthening on the stressed syllable.
        const auto casa = rules.WordPhonemes("casa");
        ASSERT_EQ(casa.size(), 4u);
        EXPECT_EQ(casa[0], "\xA8k");
        EXPECT_EQ(casa[1], ">a");
        EXPECT_EQ(casa[2], "\xA8z");
    }

    TEST(StressFinder, FollowsAccentsEndingsAndGlides)
    {
        const std::vector<std::pair<std::string, std::size_t>> cases = {
            { "casa", 2 },
            { "falar", 4 },
            { "papel", 4 },
            { "bonito", 4 },
            { "frio", 3 },
            { "rua", 2 },
            { "igual", 4 },
            { "quase", 3 },
            { "equipe", 4 },
            { "guerra", 3 },
            { "tatu", 4 },
            { "saci", 4 },
            { "homem", 2 },
            { "homens", 2 },
            { "jovens", 2 },
            { "jardins", 5 },
            { "fim", 2 },
            { "falam", 2 },
            { "livros", 2 },
            { "papai", 4 },
            { "azuis", 3 },
            { "seguinte", 5 },
            { "muito", 2 },
            { "Paulo", 2 },
            { "mau", 2 },
            { "europeu", 6 },
            { "item", 1 },
            { "garagem", 4 },
            { "aqui", 4 },
            { W("lâmpada"), 2 },
            { W("você"), 4 },
            { W("açúcar"), 3 },
            { W("ÁGUA"), 1 },
            { W("Ônibus"), 1 },
        };
        for (const auto& [word, position] : cases)
            EXPECT_EQ(FindStress(word), position) << U(word);
    }

    TEST(StressFinder, LeavesShortVowellessAndGrammarWordsUnstressed)
    {
        for (std::string_view word : { "de", "e", "CPF", "pst", "por", "das", "dos", "com", "sim", "\xE9" })
            EXPECT_EQ(FindStress(word), 0u) << word;
        EXPECT_EQ(FindStress(W("NÃO")), 0u);
        EXPECT_EQ(FindStress(""), 0u);
        // An accent wins over the ending.
        EXPECT_EQ(FindStress(W("rápido")), 2u);
    }

    LetterToSound Rules(std::string_view rules_text, std::string_view exceptions = {})
    {
        LetterToSound rules;
        std::string error;
        EXPECT_TRUE(rules.load_rules(rules_text, exceptions, error)) << error;
        return rules;
    }

    std::string Apply(const LetterToSound& rules, std::string_view word)
    {
        std::string out;
        for (const std::string& phoneme : rules.ApplyRules(word, 0))
            out += (out.empty() ? "" : " ") + phoneme;
        return out;
    }

    TEST(RuleContexts, MatchEachSymbolOfTheLeftContext)
    {
        const LetterToSound rules = Rules("%(A)=start|\n#(A)=vowel|\n](B)=back|\n|(C)=nrs|\n_(D)=vs|\n"
                                          "(A)=a|\n(B)=b|\n(C)=c|\n(D)=d|\n(E)=e|\n(N)=n|\n(O)=o|\n(I)=i|");
        EXPECT_EQ(Apply(rules, "AA"), "start vowel");
        EXPECT_EQ(Apply(rules, "NA"), "n a");
        EXPECT_EQ(Apply(rules, "OB"), "o back");
        EXPECT_EQ(Apply(rules, "IB"), "i b");
        EXPECT_EQ(Apply(rules, "NC"), "n nrs");
        EXPECT_EQ(Apply(rules, "EC"), "e c");
        EXPECT_EQ(Apply(rules, "D"), "vs");
        EXPECT_EQ(Apply(rules, "ED"), "e vs");
        EXPECT_EQ(Apply(rules, "ND"), "n d");
    }

    TEST(RuleContexts, MatchEachSymbolOfTheRightContext)
    {
        const LetterToSound rules = Rules("(A)%=end|\n(B)#=vowel|\n(C)+=front|\n(D)&=lmnrz|\n(E)\\T=opt|\n"
                                          "(F)*=stop|\n(G)[=coda|\n(A)=a|\n(B)=b|\n(C)=c|\n(D)=d|\n(E)=e|\n"
                                          "(F)=f|\n(G)=g|\n(H)=h|\n(L)=l|\n(O)=o|\n(T)=t|\n(I)=i|\n(S)=s|\n"
                                          "(R)=r|");
        EXPECT_EQ(Apply(rules, "AA"), "a end");
        EXPECT_EQ(Apply(rules, "BO"), "vowel o");
        EXPECT_EQ(Apply(rules, "BT"), "b t");
        EXPECT_EQ(Apply(rules, "CI"), "front i");
        EXPECT_EQ(Apply(rules, "CO"), "c o");
        EXPECT_EQ(Apply(rules, "DL"), "lmnrz l");
        EXPECT_EQ(Apply(rules, "DT"), "d t");
        EXPECT_EQ(Apply(rules, "EST"), "opt s t");
        EXPECT_EQ(Apply(rules, "ET"), "opt t");
        EXPECT_EQ(Apply(rules, "EO"), "e o");
        EXPECT_EQ(Apply(rules, "FT"), "stop t");
        EXPECT_EQ(Apply(rules, "FL"), "f l");
        EXPECT_EQ(Apply(rules, "F"), "f");
        EXPECT_EQ(Apply(rules, "G"), "coda");
        EXPECT_EQ(Apply(rules, "GT"), "coda t");
        EXPECT_EQ(Apply(rules, "GH"), "g h");
        EXPECT_EQ(Apply(rules, "GO"), "g o");
    }

    TEST(RuleContexts, SplitPhonemesPlaceTheStressAndSkipUnknownLetters)
    {
        const LetterToSound rules = Rules("; a comment\n(QU)=k&w|\n(A)=a|\n(O)=o|\n(X)=|\n");
        EXPECT_EQ(Apply(rules, "QUAO"), "k w a o");
        // Nothing fires on "Z": it is skipped, and the silent "X" emits nothing.
        EXPECT_EQ(Apply(rules, "ZXA"), "a");
        const auto lines = rules.ApplyRules("QUAXO", 4);
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[3], ">o"); // the stressed letter emitted nothing: the next phoneme takes the mark
    }

    TEST(RuleFile, RefusesBrokenAndOverlongRulesWithTheirLine)
    {
        LetterToSound rules;
        std::string error;
        EXPECT_FALSE(rules.load_rules("(A)=a|\nsem parenteses\n", "", error));
        EXPECT_EQ(U(error), "Erro na base de dados de português (regras, linha 2): sem parenteses");
        EXPECT_FALSE(rules.load_rules("(ABCDEF)=x|", "", error));
        EXPECT_FALSE(rules.load_rules("(A)=abcdefghijklmnopqrstu|", "", error));
        EXPECT_FALSE(rules.load_rules("(A)", "", error));
        EXPECT_TRUE(rules.load_rules("(A)=abcdefghijklmnopqrst|", "", error));
    }

    TEST(Exceptions, RespellWordsAndTheirPluralAndMForms)
    {
        const LetterToSound rules = Rules("", W("taxi=TAKSI|\nfalou=FALÔ\nfalou=outro\n\n"));
        EXPECT_EQ(rules.ApplyExceptions("TAXI"), "TAKSI");
        EXPECT_EQ(rules.ApplyExceptions("TAXIS"), "TAKSIS");
        EXPECT_EQ(rules.ApplyExceptions("FALOUM"), "FAL\xD4M");
        EXPECT_EQ(rules.ApplyExceptions("TAXISMS"), "TAKSISMS");
        EXPECT_EQ(rules.ApplyExceptions("CASA"), "CASA");
        EXPECT_EQ(rules.ApplyExceptions("S"), "S");
        EXPECT_EQ(rules.ExceptionCount(), 3u);
    }

    TEST(Exceptions, RefuseAnOverfullTable)
    {
        std::string text;
        for (std::size_t i = 0; i <= MAX_EXCEPTIONS; ++i)
            text += "W" + std::to_string(i) + "=X\n";
        LetterToSound rules;
        std::string error;
        EXPECT_FALSE(rules.load_rules("", text, error));
        EXPECT_EQ(U(error), "Entradas demais em exceções; o máximo é 15000");
        EXPECT_FALSE(rules.load_rules("", "sem igual\n", error));
    }

    TEST_F(OurRules, PhonetiseTokensPausesAndLiaison)
    {
        const std::vector<std::string> lines
            = rules.phonetise({ "555|", "555|mar", "555|azul", "583|?", "555|" });
        const std::vector<std::string> expected = { ";555|", "__", "", ";555|mar", "\xA8m", ">a", "\xA8r",
            ";555|azul", "a", "\xA8z", ">u", "\xA8w", ";583|?", "_?", ";555|", "__", "", "__" };
        EXPECT_EQ(lines, expected);
    }

    TEST_F(OurRules, LiaisonJoinsOnlyBeforeVowels)
    {
        auto last_of = [&](std::vector<std::string> tokens, std::size_t word) {
            const auto lines = rules.phonetise(tokens);
            std::size_t seen = 0;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (lines[i].starts_with(';') && ++seen == word + 3)
                    return U(lines[i - 1]);
            }
            return std::string {};
        };
        EXPECT_EQ(last_of({ "555|", "555|os", "555|amigos" }, 0), "\xC2\xA8z");
        EXPECT_EQ(last_of({ "555|", "555|os", "555|carros" }, 0), "\xC2\xA8s2");
        EXPECT_EQ(last_of({ "555|", "555|falar", "555|isso" }, 0), "\xC2\xA8r");
        EXPECT_EQ(last_of({ "555|", "555|falar", "555|bem" }, 0), "\xC2\xA8r2");
        // "horas" begins with a silent h: the vowel still joins.
        EXPECT_EQ(last_of({ "555|", "555|dez", "555|horas" }, 0), "\xC2\xA8z");
        // A pause between the words keeps them apart.
        EXPECT_EQ(last_of({ "555|", "555|mas", "555|,", "555|olha" }, 0), "\xC2\xA8s2");
    }

} // namespace
} // namespace palavrino::voice
