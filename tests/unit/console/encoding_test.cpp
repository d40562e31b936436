// Windows-1252 <-> UTF-8 conversion at the program's edges.
#include "encoding/encoding.h"

#include <gtest/gtest.h>

namespace palavrino::console {
namespace {

    TEST(Encoding, EveryByteSurvivesARoundTripThroughUtf8)
    {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        const std::string utf8 = encoding::Cp1252ToUtf8(all);
        EXPECT_TRUE(encoding::IsValidUtf8(utf8));
        EXPECT_EQ(encoding::Utf8ToCp1252(utf8), all);
    }

    TEST(Encoding, Cp1252CharactersMapToTheirUnicodeForms)
    {
        struct Case {
            std::string cp1252;
            std::string utf8;
        };
        const Case cases[] = {
            { "abc", "abc" },
            { "a\xE7\xE3o", "a\xC3\xA7\xC3\xA3o" }, // ação
            { "\x80", "\xE2\x82\xAC" }, // euro sign
            { "\x93x\x94", "\xE2\x80\x9Cx\xE2\x80\x9D" }, // curly quotes
            { "\x81", "\xC2\x81" }, // undefined byte keeps its value
            { "\x9F", "\xC5\xB8" }, // Y with diaeresis
            { "\xFF", "\xC3\xBF" },
            { std::string("\0", 1), std::string("\0", 1) },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.cp1252);
            EXPECT_EQ(encoding::Cp1252ToUtf8(c.cp1252), c.utf8);
            EXPECT_EQ(encoding::Utf8ToCp1252(c.utf8), c.cp1252);
        }
    }

    TEST(Encoding, Utf8WithoutACp1252FormBecomesQuestionMarks)
    {
        struct Case {
            std::string utf8;
            std::string cp1252;
        };
        const Case cases[] = {
            { "\xE6\x97\xA5", "?" }, // a CJK character
            { "a\xF0\x9F\x98\x80z", "a?z" }, // an emoji
            { "\xC0\xAF", "??" }, // overlong "/"
            { "\xED\xA0\x80", "???" }, // a surrogate
            { "\xC3", "?" }, // truncated sequence
            { "\xC3(", "?(" }, // bad continuation
            { "\xF4\x90\x80\x80", "????" }, // past U+10FFFF
            { "\xE2\x82", "??" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.utf8);
            EXPECT_EQ(encoding::Utf8ToCp1252(c.utf8), c.cp1252);
        }
    }

    TEST(Encoding, ValidUtf8IsStrict)
    {
        struct Case {
            std::string text;
            bool valid;
        };
        const Case cases[] = {
            { "", true }, { "plain ascii", true }, { "a\xC3\xA7\xC3\xA3o", true }, { "\xEF\xBF\xBF", true },
            { "\xF4\x8F\xBF\xBF", true }, // U+10FFFF
            { "a\xE7\xE3o", false }, // Windows-1252 bytes
            { "\xC1\xBF", false }, // overlong two-byte
            { "\xE0\x80\xAF", false }, // overlong three-byte
            { "\xF0\x80\x80\xAF", false }, // overlong four-byte
            { "\xED\xBF\xBF", false }, // surrogate
            { "\xF8\x88\x80\x80\x80", false }, // five-byte form
            { "\x80", false }, // lone continuation
            { "\xE2\x82", false }, // truncated
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            EXPECT_EQ(encoding::IsValidUtf8(c.text), c.valid);
        }
    }

    TEST(Encoding, TextLinesAreConvertedOnlyWhenTheyAreUtf8WithNonAscii)
    {
        struct Case {
            std::string line;
            std::string result;
        };
        const Case cases[] = {
            { "FALA \"ola\"", "FALA \"ola\"" },
            { "FALA \"a\xC3\xA7\xC3\xA3o\"", "FALA \"a\xE7\xE3o\"" },
            { "FALA \"a\xE7\xE3o\"", "FALA \"a\xE7\xE3o\"" }, // already Windows-1252
            { "\xC3\xA9 \xE9", "\xC3\xA9 \xE9" }, // mixed: not UTF-8, kept
            { "\xE2\x82\xAC", "\x80" },
            { "", "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.line);
            EXPECT_EQ(encoding::DecodeTextLine(c.line), c.result);
        }
    }

} // namespace
} // namespace palavrino::console
