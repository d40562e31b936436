// The built-in word synthesizer with a small voice made by the test:
// preparation, exceptions, stress, rules, and how diphones are joined.
#include "console/word_synth.h"
#include "tests/unit/console/audio_fixtures.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    // Keeps what the synthesizer plays, buffer by buffer.
    struct CapturedVoice final : VoiceOutput {
        bool PlayVoiceBuffer(std::span<const std::uint8_t> samples) override
        {
            buffers.emplace_back(samples.begin(), samples.end());
            return stop_after == 0 || buffers.size() < stop_after;
        }
        std::vector<std::uint8_t> All() const
        {
            std::vector<std::uint8_t> all;
            for (const auto& b : buffers)
                all.insert(all.end(), b.begin(), b.end());
            return all;
        }
        std::vector<std::vector<std::uint8_t>> buffers;
        std::size_t stop_after { 0 };
    };

    // Runs of equal samples: (value, count).
    std::vector<std::pair<int, std::size_t>> Runs(const std::vector<std::uint8_t>& samples)
    {
        std::vector<std::pair<int, std::size_t>> runs;
        for (std::uint8_t s : samples) {
            if (!runs.empty() && runs.back().first == s)
                ++runs.back().second;
            else
                runs.emplace_back(s, 1);
        }
        return runs;
    }

    struct VoiceRig {
        VoiceRig(std::vector<fakes::TestDiphone> diphones = DefaultDiphones(), std::string exceptions = "")
        {
            fakes::WriteTestVoice(dir, diphones, fakes::PlainRules(), exceptions);
            dir.Write("letras/_98.wav", fakes::WaveFile(std::string(50, '\x62')));
            dir.Write("letras/_99.wav", fakes::WaveFile(std::string(60, '\x63')));
            dir.Write("letras/_100.wav", fakes::WaveFile(std::string(70, '\x64')));
        }
        static std::vector<fakes::TestDiphone> DefaultDiphones()
        {
            return { { "$PA", 1000, 10 }, { "$PAPA", 500, 20 }, { "$A", 300, 30 }, { "$BO", 800, 40 } };
        }
        int Start() { return synth.VoiceStart(dir.Path() / "letras", dir.Path() / "voz", "TESTE"); }
        std::vector<std::pair<int, std::size_t>> Say(std::string_view text)
        {
            CapturedVoice out;
            synth.VoiceSpeakWord(text, out);
            return Runs(out.All());
        }

        fakes::TempDir dir;
        WordSynth synth;
    };

    using Runs_ = std::vector<std::pair<int, std::size_t>>;

    TEST(WordSynth, StartReportsWhatIsMissing)
    {
        VoiceRig rig;
        EXPECT_EQ(rig.synth.VoiceStart(rig.dir.Path() / "nada", rig.dir.Path() / "voz", "TESTE"),
            VOICE_FILES_MISSING);
        EXPECT_EQ(rig.synth.VoiceStart(rig.dir.Path() / "letras", rig.dir.Path() / "voz", "OUTRA"),
            VOICE_FILES_MISSING);
        EXPECT_EQ(
            rig.synth.VoiceStart(rig.dir.Path() / "letras", rig.dir.Path() / "voz", ""), VOICE_FILES_MISSING);
        std::filesystem::remove(rig.dir.Path() / "voz/portug.exc");
        EXPECT_EQ(rig.Start(), VOICE_RULES_MISSING);
        EXPECT_FALSE(rig.synth.Started());
        rig.dir.Write("voz/portug.exc", "");
        EXPECT_EQ(rig.Start(), VOICE_STARTED);
        EXPECT_TRUE(rig.synth.Started());
    }

    TEST(WordSynth, CutFloorAndWordGapShapeTheJoins)
    {
        struct Case {
            WordSynthSettings settings;
            Runs_ heard;
        };
        const Case cases[] = {
            // "pa": one unstressed diphone, cut at its end, then the word gap.
            { { 400, 0, 100 }, { { 10, 600 }, { 128, 100 } } },
            { { 400, 800, 100 }, { { 10, 800 }, { 128, 100 } } }, // the floor holds
            { { 400, 2000, 100 }, { { 10, 1000 }, { 128, 100 } } }, // never above its length
            { { 0, 0, 250 }, { { 10, 1000 }, { 128, 200 } } }, // gaps in whole hundreds
            { { 1500, 0, 0 }, {} }, // cut to nothing
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.settings.cut_samples << "/" << c.settings.floor_samples
                                            << "/" << c.settings.word_gap_samples);
            VoiceRig rig;
            ASSERT_EQ(rig.Start(), VOICE_STARTED);
            rig.synth.SetSettings(c.settings);
            EXPECT_EQ(rig.Say("pa"), c.heard);
        }
    }

    TEST(WordSynth, StressedDiphonesKeepTheirLengthAndWordsJoin)
    {
        VoiceRig rig;
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        rig.synth.SetSettings({ 400, 0, 100 });
        // "papa" is stressed on its first syllable: one stressed piece, uncut.
        EXPECT_EQ(rig.synth.PhoneticWords("papa"), std::vector<std::string> { "[p/A/p/a]" });
        EXPECT_EQ(rig.Say("papa"), (Runs_ { { 20, 500 }, { 128, 100 } }));
        // Two words: each with its gap, in one buffer.
        EXPECT_EQ(rig.Say("pa PAPA"), (Runs_ { { 10, 600 }, { 128, 100 }, { 20, 500 }, { 128, 100 } }));
        // "pipa": "$PIPA" is not recorded; its last vowel is played on its own.
        EXPECT_EQ(rig.Say("pipa"), (Runs_ { { 30, 300 }, { 128, 100 } }));
    }

    TEST(WordSynth, MissingShortPiecesBecomeNoise)
    {
        VoiceRig rig;
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        rig.synth.SetSettings({ 0, 0, 0 });
        CapturedVoice out;
        rig.synth.VoiceSpeakWord("pe", out); // "$pe" -> "$p" + "$e", neither recorded
        const auto all = out.All();
        ASSERT_EQ(all.size(), 600u);
        for (std::uint8_t s : all) {
            ASSERT_GE(s, 88);
            ASSERT_LE(s, 167);
        }
    }

    TEST(WordSynth, ConsonantWordsAreSpelledWithRecordedLetters)
    {
        VoiceRig rig;
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        rig.synth.SetSettings({ 400, 0, 100 });
        EXPECT_EQ(rig.synth.PhoneticWords("BCD"), std::vector<std::string> { "[ /_b][ /_c][ /_d]" });
        EXPECT_EQ(rig.Say("bcd"),
            (Runs_ { { 0x62, 50 }, { 128, 100 }, { 0x63, 60 }, { 128, 100 }, { 0x64, 70 }, { 128, 100 } }));
    }

    TEST(WordSynth, ExceptionsAndTheirPluralsAndVerbForms)
    {
        VoiceRig rig(VoiceRig::DefaultDiphones(), "bola=bOla\n\nmuito=mu~itu\n");
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        struct Case {
            std::string word;
            std::string phonetic;
        };
        const Case cases[] = {
            { "bola", "[b/O/l/a]" }, { "bolas", "[b/O/l/a/s]" }, // the singular's pronunciation, then "s"
            { "bolam", "[b/O/l/a/m]" }, { "bolasm", "[b/O/l/a/s/m]" },
            { "bolo", "[b/O/l/o]" }, // not listed: the rules and the stress scan
            { "cela", "[s/E/l/a]" }, // "c" before "e" reads "s"
            { "muitos", "[m/u/ /_~/i/t/u/s]" }, // no rule reads a lone "~": its sign
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.word);
            EXPECT_EQ(rig.synth.PhoneticWords(c.word), std::vector<std::string> { c.phonetic });
        }
    }

    TEST(WordSynth, AccentedWordsAreNotStressMarked)
    {
        VoiceRig rig;
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        // "cafe" alone would be stressed on its first syllable; "café" has its
        // stress written and keeps it.
        EXPECT_EQ(rig.synth.PhoneticWords("cafe"), std::vector<std::string> { "[c/A/f/e]" });
        EXPECT_EQ(rig.synth.PhoneticWords("caf\xE9"), std::vector<std::string> { "[c/a/f/e/ /_']" });
    }

    TEST(WordSynth, LongDiphonesPlayWholeAcrossBuffers)
    {
        VoiceRig rig({ { "$PAPA", 65000, 20 } });
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        rig.synth.SetSettings({ 400, 0, 0 });
        CapturedVoice out;
        rig.synth.VoiceSpeakWord("papa", out);
        ASSERT_EQ(out.buffers.size(), 2u);
        for (const auto& b : out.buffers)
            EXPECT_LT(b.size() + 44, 64000u);
        EXPECT_EQ(out.All().size(), 65000u);
    }

    TEST(WordSynth, AStopEndsTheText)
    {
        VoiceRig rig({ { "$PAPA", 60000, 20 } });
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        rig.synth.SetSettings({ 0, 0, 0 });
        CapturedVoice out;
        out.stop_after = 1;
        rig.synth.VoiceSpeakWord("papa papa papa", out);
        EXPECT_EQ(out.buffers.size(), 1u);
    }

    TEST(WordSynth, TextPreparation)
    {
        struct Case {
            std::string in;
            std::string out;
        };
        const Case cases[] = {
            { "a\xE7\xE3o", "assa~o" },
            { "d'\xE1gua", "da'gua" },
            { "web wWw w", "ueb uuu w" },
            { "Yago y", "iago y" },
            { "\xC9\xD4\xC0\xEB\xFC\xE5\xF1\xE6\xD7\xF8", "e'o^a`e\"uanhaex0" },
            { "\x80\x82\x84\x98\x9A", "sse'a~ u" }, // PC code page letters
            { "a\tb\x01", "a b " },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.in);
            EXPECT_EQ(PrepareVoiceText(c.in), c.out);
        }
    }

    TEST(WordSynth, StressScan)
    {
        struct Case {
            std::string word;
            std::string marked;
        };
        const Case cases[] = {
            { "casa", "cAsa" }, // paroxytone by default
            { "papel", "papEl" }, // final l: oxytone
            { "azul", "azUl" }, { "jardim", "jardIm" }, // final -im
            { "falam", "fAlam" }, { "livros", "lIvros" },
            { "rainha", "raInha" }, // the vowel before "nh" of a hiatus
            { "saude", "sAude" }, { "aqui", "aqUi" }, { "xyz", "xyz" }, // nothing to mark
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.word);
            EXPECT_EQ(MarkStress(c.word), c.marked);
        }
    }

    // Units of a phonetic string are split into recorded pieces; every
    // piece here has its own sample value, so the runs heard name the
    // pieces played and their lengths the factor each was played with.
    struct SplitCase {
        std::string phonetic;
        Runs_ heard;
    };

    Runs_ SayPhonetic(VoiceRig& rig, const std::string& phonetic)
    {
        CapturedVoice out;
        rig.synth.SpeakPhonetic({ phonetic }, out);
        return Runs(out.All());
    }

    TEST(WordSynth, UnitSplittingRules)
    {
        VoiceRig rig({ { "$P", 50, 1 }, { "$RA", 100, 2 }, { "$NHA", 100, 3 }, { "$TCHA", 100, 4 },
            { "$KA", 100, 5 }, { "$RR", 100, 6 }, { "$PA", 100, 7 }, { "$L", 100, 8 }, { "$AW", 100, 9 },
            { "$PACIRC", 100, 10 }, { "$AOTIL", 100, 11 }, { "$PCIRC", 100, 12 }, { "$PECIRC", 100, 13 },
            { "$EACIRC", 100, 14 }, { "$S", 100, 15 }, { "$DJA", 100, 16 }, { "$KSA", 100, 17 } });
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        rig.synth.SetSettings({ 0, 0, 0 });
        const SplitCase cases[] = {
            // Two consonants at the start: the first alone, then the rest.
            { "[pra]", { { 1, 50 }, { 2, 100 } } },
            // ... except the pairs that are one sound.
            { "[nha]", { { 3, 100 } } },
            { "[tcha]", { { 4, 100 } } },
            { "[dja]", { { 16, 100 } } },
            { "[ksa]", { { 17, 100 } } },
            // A final "rr" is its own piece.
            { "[karr]", { { 5, 100 }, { 6, 100 } } },
            // A final consonant is split off.
            { "[pal]", { { 7, 100 }, { 8, 100 } } },
            // A final glide after a vowel: the onset shortened, then the pair.
            { "[paw]", { { 1, 30 }, { 9, 100 } } },
            // "pa~o" (pão): the part before the last two characters and a
            // circumflex, shortened, then vowel, last character and tilde.
            { "[pa~o]", { { 10, 60 }, { 11, 100 } } },
            // "pe^a": the part before the last character, shortened, then
            // the vowel before the mark, the last character and the mark.
            { "[pe^a]", { { 13, 60 }, { 14, 100 } } },
            // A final "s": the rest shortened to 0.7, then the "s".
            { "[pas]", { { 7, 70 }, { 15, 100 } } },
            // Units are joined across the separators of a word.
            { "[p/a/l]", { { 7, 100 }, { 8, 100 } } },
        };
        for (const SplitCase& c : cases) {
            SCOPED_TRACE(c.phonetic);
            EXPECT_EQ(SayPhonetic(rig, c.phonetic), c.heard);
        }
    }

    TEST(WordSynth, PieceFallbacks)
    {
        VoiceRig rig({ { "$PI", 100, 1 }, { "$A", 100, 2 }, { "$P", 100, 3 }, { "$ECIRC", 100, 4 },
            { "$AOCIRC", 100, 5 }, { "$NN", 100, 6 }, { "$U", 100, 7 } });
        ASSERT_EQ(rig.Start(), VOICE_STARTED);
        rig.synth.SetSettings({ 0, 0, 0 });
        const SplitCase cases[] = {
            // Ending in a vowel: the piece without it (0.9), then the vowel.
            { "[pia]", { { 1, 90 }, { 2, 100 } } },
            // Seven or more characters ending in CIRC: the head (0.9), then
            // "$" and the last five characters.
            { "[pe^]", { { 3, 90 }, { 4, 100 } } },
            // Ending in TIL: with CIRC instead (0.9), then "$nn" (0.9).
            { "[ao~]", { { 5, 90 }, { 6, 90 } } },
            // ... but after I or U the vowel alone.
            { "[u~]", { { 7, 90 }, { 6, 90 } } },
            // Any other missing piece is silent.
            { "[rr]", {} },
        };
        for (const SplitCase& c : cases) {
            SCOPED_TRACE(c.phonetic);
            EXPECT_EQ(SayPhonetic(rig, c.phonetic), c.heard);
        }
    }

} // namespace
} // namespace palavrino::console
