// Prosody: the prosody and diphone files, tokens and their classes, the
// intonation patterns, and the MBROLA lines step by step (durations, the
// stressed stretch, pitch points, ratios, bridges); WAV headers and files.
#include "tests/fakes/temp_dir.h"
#include "tests/unit/voice/voice_data.h"
#include "voice/orvan_voice.h"
#include "voice/prosody.h"
#include "voice/wav_file.h"

#include <gtest/gtest.h>

namespace palavrino::voice {
namespace {

    using testing::U;
    using testing::W;

    // A small prosody file whose numbers are easy to follow.
    constexpr std::string_view SMALL_PROSODY = "; test\n"
                                               "[DURA\xC7\xC3O]\n"
                                               "a = 80\n"
                                               "k = 60\n"
                                               "_, = 200\n"
                                               "__ = 300\n"
                                               "[CHAVES]\n"
                                               "o = AR\n"
                                               "quem = QU\n"
                                               "[PROS\xD3"
                                               "DIA]\n"
                                               "hertz = 100\n"
                                               "TABHERTZ = 0,10,20,30,40,50,60,70,80,90\n"
                                               "|--| = 555\n"
                                               "|XX|?? = 583\n"
                                               "|??| = ?11\n"
                                               "QU|XX| = 777\n"
                                               "|AR| = 444\n";

    Prosody Load(std::string_view text, std::string_view diphones = {})
    {
        Prosody prosody;
        std::string error;
        std::vector<std::string> warnings;
        EXPECT_TRUE(prosody.LoadProsody(text, error, warnings)) << U(error);
        prosody.LoadDiphones(diphones);
        return prosody;
    }

    std::string LoadError(std::string_view text)
    {
        Prosody prosody;
        std::string error;
        std::vector<std::string> warnings;
        EXPECT_FALSE(prosody.LoadProsody(text, error, warnings));
        return U(error);
    }

    TEST(ProsodyFile, ReadsItsThreeSections)
    {
        const Prosody prosody = Load(SMALL_PROSODY);
        EXPECT_EQ(prosody.DurationMs("a", 0), 80);
        EXPECT_EQ(prosody.DurationMs("_,", 0), 200);
        EXPECT_EQ(prosody.DurationMs("zz", 7), 7);
        EXPECT_EQ(prosody.ClassOf("Quem"), "QU");
        EXPECT_EQ(prosody.ClassOf("casa"), "XX");
        EXPECT_EQ(prosody.BaseHz(), 100);
        EXPECT_EQ(prosody.KeywordCount(), 2u);
        EXPECT_EQ(prosody.PatternCount(), 5u);
    }

    TEST(ProsodyFile, SaysWhatIsWrong)
    {
        EXPECT_EQ(LoadError(""), "Duração dos difones errada ou ausente");
        EXPECT_EQ(LoadError(W("[DURAÇÃO]\na 80\n")), "Configuração da prosódia: fonema errado: a 80");
        EXPECT_EQ(LoadError(W("[DURAÇÃO]\na=80\n")), "Prosódia: palavras chaves ausentes");
        EXPECT_EQ(
            LoadError(W("[DURAÇÃO]\n[CHAVES]\no AR\n")), "Configuração da prosódia: chave errada: o AR");
        EXPECT_EQ(LoadError(W("[DURAÇÃO]\n[CHAVES]\n")), "Prosódia: especificações ausentes");
        EXPECT_EQ(LoadError(W("[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\n|XX|\n")),
            "Configuração da prosódia: chave errada: |XX|");
        // A value that is not three digits would read past the pitch table.
        EXPECT_EQ(LoadError(W("[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\n|XX| = 12\n")),
            "Configuração da prosódia: chave errada: |XX| = 12");
        EXPECT_EQ(LoadError(W("[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\nTABHERTZ=1,2,3\n")),
            "Configuração da prosódia: chave errada: TABHERTZ=1,2,3");
        EXPECT_EQ(LoadError(W("[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\nHERTZ=muito\n")),
            "Configuração da prosódia: chave errada: HERTZ=muito");
    }

    TEST(ProsodyFile, ABadDurationIsReadAsOneHundredWithAWarning)
    {
        Prosody prosody;
        std::string error;
        std::vector<std::string> warnings;
        ASSERT_TRUE(prosody.LoadProsody(W("[DURAÇÃO]\na = longa\n[CHAVES]\n[PROSÓDIA]\n"), error, warnings));
        EXPECT_EQ(prosody.DurationMs("a", 0), 100);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(U(warnings[0]), "Configuração da prosódia: fonema errado: a = longa");
    }

    TEST(ProsodyFile, RefusesOverfullKeywordAndPatternTables)
    {
        std::string keywords = W("[DURAÇÃO]\n[CHAVES]\n");
        for (std::size_t i = 0; i <= MAX_KEYWORDS; ++i)
            keywords += "w" + std::to_string(i) + "=AR\n";
        EXPECT_EQ(LoadError(keywords + W("[PROSÓDIA]\n")), "Entradas demais em [CHAVES]; o máximo é 1000");
        std::string patterns = W("[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\n");
        for (std::size_t i = 0; i <= MAX_PATTERNS; ++i)
            patterns += "|X" + std::to_string(i) + "|=555\n";
        EXPECT_EQ(LoadError(patterns), "Entradas demais em [PROSÓDIA]; o máximo é 300");
    }

    TEST(DiphoneFile, ReadsPairsWithoutRegardToCase)
    {
        const Prosody prosody
            = Load(SMALL_PROSODY, "; pairs\n! other comment\nr2 _\nA-B\n  ee   s2 extra\n\nlonely\n");
        EXPECT_TRUE(prosody.HasDiphone("r2", "_"));
        EXPECT_TRUE(prosody.HasDiphone("a", "b"));
        EXPECT_TRUE(prosody.HasDiphone("EE", "s2"));
        EXPECT_FALSE(prosody.HasDiphone("b", "a"));
        EXPECT_EQ(prosody.DiphoneCount(), 3u);
    }

    TEST(Tokens, CarryClassesAndBoundaries)
    {
        const Prosody prosody = Load(SMALL_PROSODY);
        const std::vector<std::string> expected
            = { "[--]", "[QU]quem", "[XX]guarda-chuva", "[??]?", "[--]", "[AR]o", "[,,],", "[.-].", "[--]" };
        EXPECT_EQ(prosody.Tokenise("quem guarda-chuva? o,..."), expected);
        EXPECT_EQ(prosody.Tokenise(""), std::vector<std::string> { "[--]" });
    }

    TEST(Intonation, TakesTheFirstMatchingPatternOrNeutral)
    {
        const Prosody prosody = Load(SMALL_PROSODY);
        const auto values = prosody.Intonate(prosody.Tokenise("quem canta? o gato"));
        // "canta" follows a QU word but the "??" pattern comes first; "?"
        // continues from where "canta" ended (3); "gato" matches nothing.
        const std::vector<std::string> expected
            = { "555|", "555|quem", "583|canta", "311|?", "555|", "444|o", "555|gato" };
        EXPECT_EQ(values, expected);
    }

    std::vector<std::string> Lines(const Prosody& prosody, const std::vector<std::string>& phonetised,
        double pitch = 1.0, double duration = 1.0)
    {
        return prosody.BuildLines(phonetised, pitch, duration);
    }

    TEST(MbrolaLines, StretchTheStressedSyllableAndPlacePitchPoints)
    {
        const Prosody prosody = Load(SMALL_PROSODY, "_ k\nk a\na k\na _\n_ _\n");
        const auto lines = Lines(prosody, { ";357|caca", "\xA8k", "a", "\xA8k", ">a", "__" });
        // Start point: digit 3 (30% of 100 Hz) at 50%; stress: digit 5 at
        // 80%, lengthened by 45%; the last line: digit 7.
        const std::vector<std::string> expected
            = { ";caca", "k 60 50 30", "a 80", "k 60", "a 116 80 50", "_ 435 50 70" };
        EXPECT_EQ(lines, expected);
    }

    TEST(MbrolaLines, StressedFirstPhonemeAndStretchEnd)
    {
        const Prosody prosody = Load(SMALL_PROSODY, "_ a\na k\nk a\na _\n");
        const auto lines = Lines(prosody, { ";555|aka", ">a", "\xA8k", "a", "" });
        const std::vector<std::string> expected = { ";aka", "a 116 80 50", "k 60", "a 80 50 50", "" };
        EXPECT_EQ(lines, expected);
    }

    TEST(MbrolaLines, PausesAbsentPhonemesAndLongWords)
    {
        const Prosody prosody = Load(SMALL_PROSODY, "_ _\n_ x\nx _\nx x\n");
        const auto lines
            = Lines(prosody, { ";000|", "_", "_ 42", "_,", "x", ";000|abcdefghijklmn", "x", "" });
        // Digit 0 adds no pitch point; "x" is not in [DURAÇÃO]: 100 ms; a
        // word of more than 13 letters is said at 80% before its stress.
        const std::vector<std::string> expected
            = { ";", "_ 100", "_ 42", "_ 200", "x 100", ";abcdefghijklmn", "x 80", "" };
        EXPECT_EQ(lines, expected);
    }

    TEST(MbrolaLines, ApplyTheRatios)
    {
        const Prosody prosody = Load(SMALL_PROSODY, "_ k\nk a\n");
        const auto lines = Lines(prosody, { ";555|ka", "\xA8k", ">a" }, 2.0, 0.5);
        const std::vector<std::string> expected = { ";ka", "k 30 50 100", "a 58 80 100" };
        EXPECT_EQ(lines, expected);
    }

    TEST(MbrolaLines, BridgeMissingDiphones)
    {
        const Prosody prosody = Load(SMALL_PROSODY, "_ r2\nr2 _\n_ k\nk y\ny a\n");
        const auto lines = Lines(prosody, { ";000|x", "r2", "k", "a" });
        // r2-k is missing and r2-_ exists: a short pause; k-a is missing and
        // k-y exists: a short y; y-... nothing more is bridged twice.
        const std::vector<std::string> expected = { ";x", "r2 100", "_ 50", "k 60", "y 50", "a 80" };
        EXPECT_EQ(lines, expected);
        const auto no_glide = Lines(prosody, { ";000|x", "a", "a" });
        EXPECT_EQ(no_glide[1], "_ 50");
    }

    TEST(WavHeader, DescribesSixteenBitMono)
    {
        const auto h = MakeWavHeader(16000, 3200);
        EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
        EXPECT_EQ(h[4] | h[5] << 8 | h[6] << 16 | h[7] << 24, 36 + 3200);
        EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(h[20], 1); // PCM
        EXPECT_EQ(h[22], 1); // mono
        EXPECT_EQ(h[24] | h[25] << 8, 16000);
        EXPECT_EQ(h[28] | h[29] << 8, 32000 & 0xFFFF);
        EXPECT_EQ(h[30], 0);
        EXPECT_EQ(h[32], 2);
        EXPECT_EQ(h[34], 16);
        EXPECT_EQ(std::string(h.begin() + 36, h.begin() + 40), "data");
        EXPECT_EQ(h[40] | h[41] << 8, 3200);
    }

    TEST(WavFile, LengthsMatchTheDataWritten)
    {
        fakes::TempDir dir;
        const std::string path = (dir.Path() / "fala.wav").string();
        WavFileWriter writer;
        ASSERT_TRUE(writer.Create(path));
        EXPECT_EQ(fakes::TempDir::Read(path).size(), WAV_HEADER_BYTES);
        const std::vector<std::uint8_t> samples(1000, 7);
        ASSERT_TRUE(writer.Append(samples));
        ASSERT_TRUE(writer.Append(std::span(samples).first(250)));
        ASSERT_TRUE(writer.Finish());
        const std::string file = fakes::TempDir::Read(path);
        ASSERT_EQ(file.size(), WAV_HEADER_BYTES + 1250);
        const auto expected = MakeWavHeader(VOICE_SAMPLE_RATE_HZ, 1250);
        EXPECT_EQ(file.substr(0, WAV_HEADER_BYTES), std::string(expected.begin(), expected.end()));
        EXPECT_FALSE(writer.Append(samples));
        WavFileWriter nowhere;
        EXPECT_FALSE(nowhere.Create((dir.Path() / "no" / "such" / "dir.wav").string()));
    }

    TEST(OrvanPipeline, OurDataReadsASentenceEndToEnd)
    {
        OrvanVoice orvan;
        std::string error;
        ASSERT_TRUE(orvan.open_voice(testing::OurVoiceFiles(), error)) << U(error);
        EXPECT_TRUE(orvan.Warnings().empty());
        const Utterance said = orvan.Analyse(W("O Sr. Silva tem 21 anos?"));
        EXPECT_EQ(U(said.normalised), "O senhor Silva tem vinte e um  anos?");
        ASSERT_FALSE(said.lines.empty());
        // The question ends in a pause, the long pause of its boundary, and
        // the final long pause.
        EXPECT_EQ(said.lines.back().substr(0, 2), "_ ");
        EXPECT_GT(OrvanVoice::TotalMs(said.lines), 1000);
        EXPECT_TRUE(orvan.Analyse("   ").lines.empty());
    }

    TEST(OrvanPipeline, RatiosStayWithinWhatMbrolaCanSay)
    {
        OrvanVoice orvan;
        orvan.set_voice_ratios(100.0, -3.0);
        EXPECT_EQ(orvan.PitchRatio(), MAX_RATIO);
        EXPECT_EQ(orvan.DurationRatio(), MIN_RATIO);
        orvan.set_voice_ratios(std::nan(""), 1.5);
        EXPECT_EQ(orvan.PitchRatio(), 1.0);
        EXPECT_EQ(orvan.DurationRatio(), 1.5);
    }

    TEST(OrvanPipeline, OpeningSaysWhichFileIsWrong)
    {
        VoiceFiles files = testing::OurVoiceFiles();
        files.rules = "broken";
        OrvanVoice orvan;
        std::string error;
        EXPECT_FALSE(orvan.open_voice(files, error));
        EXPECT_TRUE(U(error).starts_with("Erro na base de dados de português"));
        files = testing::OurVoiceFiles();
        files.prosody.clear();
        EXPECT_FALSE(orvan.open_voice(files, error));
        EXPECT_EQ(U(error), "Erro no arquivo de prosódia: Duração dos difones errada ou ausente");
        EXPECT_FALSE(orvan.IsOpen());
    }

} // namespace
} // namespace palavrino::voice
