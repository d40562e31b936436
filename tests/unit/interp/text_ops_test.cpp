// The text operations behind the string commands: clipping of COPIA and
// TROCA, SUBSTITUI's leftward scan (against a literal step-by-step model),
// trimming, and every encoding of CONVERTE in both directions.
#include "interp/text_ops.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace palavrino::interp {
namespace {

    std::string AllBytes()
    {
        std::string s;
        for (int b = 0; b < 256; ++b)
            s += static_cast<char>(b);
        return s;
    }

    TEST(TextOps, CopyRangeClipsToTheText)
    {
        struct Case {
            int32_t from, to;
            const char* expected;
        };
        const Case cases[] = {
            { 2, 4, "bcd" },
            { 1, 6, "abcdef" },
            { 0, 3, "abc" },
            { -5, 1, "a" },
            { 5, 99, "ef" },
            { 4, 2, "" },
            { 3, 3, "c" },
            { 7, 9, "" },
            { INT32_MIN, INT32_MAX, "abcdef" },
            { 0, 0, "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to));
            EXPECT_EQ(CopyRange("abcdef", c.from, c.to), c.expected);
        }
    }

    TEST(TextOps, ReplaceRangeDeletesThenInserts)
    {
        struct Case {
            const char* repl;
            int32_t from, to;
            const char* expected;
        };
        const Case cases[] = {
            { "XY", 2, 3, "aXYdef" }, // an ordinary range
            { "Z", 0, 2, "Zabcdef" }, // from below 1: nothing deleted, insert at the start
            { "Z", 9, 9, "abcdefZ" }, // past the end: appended
            { "Z", 5, 99, "abcdZ" }, // the count stops at the end
            { "Z", 3, 2, "abZcdef" }, // count 0: pure insertion
            { "", 1, 6, "" }, // everything deleted
            { "", 2, 2, "acdef" }, // one deleted, nothing inserted
            { "Z", 7, 7, "abcdefZ" }, // just past the end
            { "Z", INT32_MIN, INT32_MAX, "Zabcdef" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.repl) + " " + std::to_string(c.from) + ".." + std::to_string(c.to));
            EXPECT_EQ(ReplaceRange("abcdef", c.repl, c.from, c.to), c.expected);
        }
    }

    // The scan exactly as described: for p from len - n + 1 down to 1, delete
    // and insert in the string itself.
    std::string ReplaceModel(std::string s, const std::string& old_text, const std::string& new_text)
    {
        const auto n = static_cast<int64_t>(old_text.size());
        for (int64_t p = static_cast<int64_t>(s.size()) - n + 1; p >= 1; --p) {
            if (s.compare(static_cast<size_t>(p - 1), static_cast<size_t>(n), old_text) == 0
                && static_cast<int64_t>(s.size()) >= p - 1 + n) {
                s.erase(static_cast<size_t>(p - 1), static_cast<size_t>(n));
                s.insert(static_cast<size_t>(p - 1), new_text);
            }
        }
        return s;
    }

    TEST(TextOps, ReplaceLeftwardRescansWhatAReplacementForms)
    {
        struct Case {
            const char *text, *old_text, *new_text, *expected;
        };
        const Case cases[] = {
            { "aab", "ab", "b", "b" }, // the replacement with its left neighbour matches again
            { "ab", "", "-", "-a-b-" }, // empty pattern: before every character and at the end
            { "", "", "x", "x" }, { "aaaa", "aa", "a", "a" }, { "a.b.c", ".", "", "abc" },
            { "abc", "abcd", "x", "abc" }, // pattern longer than the text
            { "Abc", "a", "x", "Abc" }, // case-sensitive
            { "xyz", "xyz", "", "" }, { "ab", "b", "bb", "abb" }, // growing replacements do not loop
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.text) + " / " + c.old_text + " / " + c.new_text);
            EXPECT_EQ(ReplaceLeftward(c.text, c.old_text, c.new_text), c.expected);
        }
    }

    TEST(TextOps, ReplaceLeftwardMatchesTheLiteralScanOnRandomTexts)
    {
        std::mt19937 random(7);
        auto word = [&](int max_length) {
            std::string s(random() % static_cast<unsigned>(max_length + 1), ' ');
            for (char& c : s)
                c = "ab"[random() % 2];
            return s;
        };
        for (int i = 0; i < 3000; ++i) {
            std::string text = word(9), old_text = word(3), new_text = word(3);
            SCOPED_TRACE(text + " / " + old_text + " / " + new_text);
            ASSERT_EQ(ReplaceLeftward(text, old_text, new_text), ReplaceModel(text, old_text, new_text));
        }
    }

    TEST(TextOps, Utf8RoundTripsEveryWindows1252Byte)
    {
        const std::string all = AllBytes();
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
        EXPECT_EQ(Cp1252ToUtf8("\xE7\xE3o"), "\xC3\xA7\xC3\xA3o");
        EXPECT_EQ(Cp1252ToUtf8("\x80\x81\x9F"), "\xE2\x82\xAC\xC2\x81\xC5\xB8");
    }

    TEST(TextOps, Utf8DecodingIsStrict)
    {
        struct Case {
            const char *utf8, *expected;
        };
        const Case cases[] = {
            { "\xE2\x82\xAC", "\x80" }, // euro sign
            { "\xC5\x92", "\x8C" }, // OE ligature
            { "\xC2\x8D", "\x8D" }, // unassigned byte kept as its C1 control
            { "\xC2\x80", "?" }, // U+0080 has no byte
            { "\xF0\x9F\x98\x80", "?" }, // outside Windows-1252: one "?" per character
            { "\xC3", "?" }, // truncated at the end
            { "\xE2\x82"
              "A",
                "??A" }, // truncated before ASCII
            { "\xC0\x80", "??" }, // overlong
            { "\xE0\x80\xAF", "???" }, // overlong three-byte form
            { "\xED\xA0\x80", "???" }, // surrogate
            { "\xF4\x90\x80\x80", "????" }, // past U+10FFFF
            { "\x80"
              "a",
                "?a" }, // stray continuation byte
            { "\xEF\xBB\xBF"
              "a",
                "a" }, // leading byte-order mark dropped
            { "a\xEF\xBB\xBF", "a?" }, // elsewhere it is a character like any other
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.utf8);
            EXPECT_EQ(Utf8ToCp1252(c.utf8), c.expected);
        }
    }

    TEST(TextOps, UrlEncodingEscapesExactlyTheListedBytes)
    {
        for (int b = 0; b < 256; ++b) {
            SCOPED_TRACE(b);
            bool stays = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == 33
                || b == 35 || b == 36 || (b >= 38 && b <= 47) || b == 58 || b == 59 || b == 61 || b == 63
                || b == 64;
            std::string one(1, static_cast<char>(b));
            EXPECT_EQ(UrlEncode(one).size(), stays ? 1u : 3u);
        }
        EXPECT_EQ(UrlEncode("a b\"%\xE7/?"), "a%20b%22%25%E7/?");
        EXPECT_EQ(EscapeDecode(UrlEncode(AllBytes()), '%'), AllBytes());
    }

    TEST(TextOps, EscapeDecodingFollowsTheFiveRules)
    {
        struct Case {
            const char* text;
            char escape;
            const char* expected;
        };
        const Case cases[] = {
            { "a%2", '%', "a" }, // incomplete escape ends the text
            { "a%", '%', "a" },
            { "a%2x", '%', "a%2x" }, // not hex: the escape stays
            { "%41%4a%4A", '%', "AJJ" }, // either case
            { "a+b", '%', "a+b" }, // "+" is not a blank
            { "a%\r\nb", '%', "ab" }, // soft line breaks in every form
            { "a%\n\rb", '%', "ab" },
            { "a%\nbc", '%', "abc" },
            { "a%\rbc", '%', "abc" },
            { "=3D=e9", '=', "=\xE9" },
            { "a=\r\nb=", '=', "ab" },
            { "=G1", '=', "=G1" },
            { "%%41", '%', "%A" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            EXPECT_EQ(EscapeDecode(c.text, c.escape), c.expected);
        }
    }

    TEST(TextOps, QuotedPrintableEncodesControlsEqualsAndHighBytes)
    {
        EXPECT_EQ(QpEncode("a=b\tc\xE9 d\x7F~\r\n"), "a=3Db=09c=E9 d=7F~=0D=0A");
        EXPECT_EQ(DecodeText(TextCode::QuotedPrintable, EncodeText(TextCode::QuotedPrintable, AllBytes())),
            AllBytes());
    }

    TEST(TextOps, Base64BothWays)
    {
        struct Case {
            const char *plain, *encoded;
        };
        const Case cases[]
            = { { "", "" }, { "a", "YQ==" }, { "ab", "YWI=" }, { "abc", "YWJj" }, { "abcd", "YWJjZA==" } };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.plain);
            EXPECT_EQ(Base64Encode(c.plain), c.encoded);
            EXPECT_EQ(Base64Decode(c.encoded), c.plain);
        }
        EXPECT_EQ(Base64Decode("YW Jj\r\nZA"), "abcd"); // outside the alphabet: skipped
        EXPECT_EQ(Base64Decode("YWJjZ"), "abc"); // a lone leftover is dropped
        EXPECT_EQ(Base64Decode(Base64Encode(AllBytes())), AllBytes());
    }

} // namespace
} // namespace palavrino::interp
