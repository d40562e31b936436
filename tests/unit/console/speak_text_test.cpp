// How the built-in voice walks a text, and Portuguese number words.
#include "console/speak_text.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    // Writes down what the walk asks for, one entry per request.
    struct Recorder final : SpeakTextOutput {
        bool StopRequested() override { return stop_after > 0 && events.size() >= stop_after; }
        void PlayNamed(std::string_view name) override { events.push_back("file " + std::string(name)); }
        void SpeakChar(std::uint8_t c) override
        {
            events.push_back(std::string("char ") + static_cast<char>(c));
        }
        void SpeakNumberWords(std::string_view words, bool feminine) override
        {
            std::string files;
            for (const auto& w : NumberWordFiles(words, feminine))
                files += (files.empty() ? "" : " ") + w.file;
            events.push_back("number " + files);
        }
        void SpeakWord(std::string_view word) override { events.push_back("word " + std::string(word)); }
        void Tick() override { events.push_back("tick"); }
        void WaitSpeech() override { }
        void PauseMs(int ms) override { events.push_back("pause " + std::to_string(ms)); }

        std::vector<std::string> events;
        std::size_t stop_after { 0 };
    };

    std::vector<std::string> Walk(std::string_view text)
    {
        Recorder out;
        SpeakTextWalk(text, PunctuationPauses { 250, 150, 200 }, out);
        return out.events;
    }

    using Events = std::vector<std::string>;

    TEST(SpeakText, NumbersZerosAndDigits)
    {
        struct Case {
            std::string text;
            Events heard;
        };
        const Case cases[] = {
            { "007", { "file _zero", "file _zero", "number _sete" } },
            { "400123", { "number _quatroc _mil _e _cento _e _vinte _e _tres" } },
            { "1234567", { "char 1", "char 2", "char 3", "char 4", "char 5", "char 6", "char 7" } },
            { "12-34", { "char 1", "char 2", "char -", "char 3", "char 4" } },
            { "17", { "number _dezeset" } },
            { "-5", { "file _MENOS", "number _cinco" } },
            { "10 - 5", { "number _dez", "char -", "pause 150", "number _cinco" } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            EXPECT_EQ(Walk(c.text), c.heard);
        }
    }

    TEST(SpeakText, WordsPunctuationAndRepetition)
    {
        struct Case {
            std::string text;
            Events heard;
        };
        const Case cases[] = {
            { "Ol\xE1, mundo.",
                { "word Ol\xE1", "char ,", "pause 150", "word mundo", "char .", "pause 250" } },
            { "guarda-chuva", { "word guarda", "word chuva" } },
            { "a-1", { "word a", "file _MENOS", "number _um" } },
            { "x-", { "word x", "char -", "pause 150" } },
            { "(a;b:c)",
                { "char (", "pause 200", "word a", "char ;", "pause 200", "word b", "char :", "pause 200",
                    "word c", "char )", "pause 200" } },
            { "3.5", { "number _tres", "char .", "number _cinco" } }, // no blank after the point: no pause
            { "!!!!!!", { "char !", "char !", "char !", "char !", "tick", "tick" } },
            { "!!!?!!", { "char !", "char !", "char !", "char ?", "char !", "char !" } },
            { "www.x.br", { "char w", "char w", "char w", "char .", "word x", "char .", "word br" } },
            { "http://a", { "word http", "char :", "char /", "char /", "word a" } },
            { "a\tb\r\nc", { "word a", "word b", "word c" } },
            { "@#", { "char @", "char #" } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            EXPECT_EQ(Walk(c.text), c.heard);
        }
    }

    TEST(SpeakText, AKeyEndsTheWalk)
    {
        Recorder out;
        out.stop_after = 2;
        SpeakTextWalk("um dois tres quatro", PunctuationPauses {}, out);
        EXPECT_EQ(out.events, (Events { "word um", "word dois" }));
    }

    TEST(SpeakText, NumberToWords)
    {
        struct Case {
            std::uint64_t number;
            std::string words;
        };
        const Case cases[] = {
            { 0, "zero" },
            { 1, "um" },
            { 15, "quinze" },
            { 21, "vinte e um" },
            { 100, "cem" },
            { 101, "cento e um" },
            { 110, "cento e dez" },
            { 200, "duzentos" },
            { 999, "novecentos e noventa e nove" },
            { 1000, "mil" },
            { 1001, "mil e um" },
            { 1100, "mil e cem" },
            { 2024, "dois mil e vinte e quatro" },
            { 21000, "vinte e um mil" },
            { 1000000, "um milh\xE3o" },
            { 2000000,
                "dois milh\xF5"
                "es" },
            { 1000001, "um milh\xE3o e um" },
            { 3000000000ull,
                "tres bilh\xF5"
                "es" },
            { 1000000000000ull, "um trilh\xE3o" },
            { 999999999999999ull,
                "novecentos e noventa e nove trilh\xF5"
                "es novecentos e noventa e nove bilh\xF5"
                "es "
                "novecentos e noventa e nove milh\xF5"
                "es novecentos e noventa e nove mil e "
                "novecentos e noventa e nove" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.number);
            EXPECT_EQ(NumberToWords(c.number), c.words);
        }
    }

    TEST(SpeakText, NumberWordFilesAreCutAndGendered)
    {
        using Words = std::vector<RecordedWord>;
        EXPECT_EQ(NumberWordFiles("quatrocentos e dezessete", false),
            (Words { { "_quatroc", "quatrocentos" }, { "_e", "e" }, { "_dezeset", "dezessete" } }));
        EXPECT_EQ(NumberWordFiles("dois milh\xF5"
                                  "es",
                      false),
            (Words { { "_dois", "dois" },
                { "_milhoes",
                    "milh\xF5"
                    "es" } }));
        EXPECT_EQ(NumberWordFiles("vinte e um", true),
            (Words { { "_vinte", "vinte" }, { "_e", "e" }, { "_uma", "uma" } }));
        EXPECT_EQ(NumberWordFiles("um mil", true), (Words { { "_um", "um" }, { "_mil", "mil" } }));
        EXPECT_EQ(NumberWordFiles("  dois ", true), (Words { { "_duas", "duas" } }));
        EXPECT_EQ(NumberWordFiles("tres", false), (Words { { "_tres", "tr\xEAs" } }));
        EXPECT_TRUE(NumberWordFiles("", true).empty());
    }

    std::string Files(const std::vector<RecordedWord>& words)
    {
        std::string files;
        for (const auto& w : words)
            files += (files.empty() ? "" : " ") + w.file;
        return files;
    }

    TEST(SpeakText, TimeAndDate)
    {
        EXPECT_EQ(Files(TimeWords(1, 1)), "_uma _hora _um _minuto");
        EXPECT_EQ(Files(TimeWords(0, 0)), "_zero _hora");
        EXPECT_EQ(Files(TimeWords(22, 2)), "_vinte _e _duas _horas _dois _minutos");
        EXPECT_EQ(Files(TimeWords(12, 45)), "_doze _horas _quarent _e _cinco _minutos");
        EXPECT_EQ(Files(DateWords(0, 1, 1, 2000)), "_Domingo _primeir _de _Janeiro _de _dois _mil");
        EXPECT_EQ(Files(DateWords(3, 17, 9, 2024)),
            "_Quarta _dezeset _de _Setembr _de _dois _mil _e _vinte _e _quatro");
        EXPECT_EQ(
            Files(DateWords(6, 31, 3, 2001)), "_Sabado _trinta _e _um _de _Marco _de _dois _mil _e _um");
        // Past 2099 the year still reads in full.
        EXPECT_EQ(Files(DateWords(1, 2, 2, 2100)), "_Segunda _dois _de _Feverei _de _dois _mil _e _cem");
    }

} // namespace
} // namespace palavrino::console
