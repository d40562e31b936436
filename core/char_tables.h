// Windows-1252 character classes and name folding. One 256-entry table maps
// every byte to its class character: letters to unaccented capitals, blanks
// (tab, carriage return) to a blank, and control and unusable bytes to
// INVALID_CLASS. The lexer reads tokens through it, and names from data are
// folded with it, so "ação", "Acao" and "AÇÃO" are one word, "ACAO".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace palavrino::core {

// The class of a byte that starts no token and is reported by the lexer.
constexpr char INVALID_CLASS = 0;

// The code points of the Windows-1252 bytes 0x80..0x9F; every other byte is
// its own code point. The five bytes the code page leaves undefined stand for
// the C1 code point of the same value, so every byte survives a round trip.
constexpr std::array<char32_t, 32> CP1252_HIGH_ROW = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

namespace detail {

    constexpr std::array<char, 256> BuildCharClassTable()
    {
        std::array<char, 256> t {};
        for (int c = 0; c < 256; ++c)
            t[static_cast<size_t>(c)] = INVALID_CLASS;
        for (int c = 32; c <= 96; ++c)
            t[static_cast<size_t>(c)] = static_cast<char>(c);
        for (int c = 'a'; c <= 'z'; ++c)
            t[static_cast<size_t>(c)] = static_cast<char>(c - 'a' + 'A');
        for (int c : { '{', '|', '}', '~' })
            t[static_cast<size_t>(c)] = static_cast<char>(c);
        t['\t'] = ' ';
        t['\r'] = ' ';
        t['\n'] = '\n';
        // Accented letters lose their accent and become capitals; Æ æ × ÷ Ø ø ð
        // (0xC6, 0xE6, 0xD7, 0xF7, 0xD8, 0xF8, 0xF0) stay invalid.
        struct Fold {
            int from;
            int to;
            char as;
        };
        constexpr Fold folds[] = {
            { 0xC0, 0xC5, 'A' },
            { 0xE0, 0xE5, 'A' },
            { 0xC7, 0xC7, 'C' },
            { 0xE7, 0xE7, 'C' },
            { 0xC8, 0xCB, 'E' },
            { 0xE8, 0xEB, 'E' },
            { 0xCC, 0xCF, 'I' },
            { 0xEC, 0xEF, 'I' },
            { 0xD0, 0xD0, 'D' },
            { 0xD1, 0xD1, 'N' },
            { 0xF1, 0xF1, 'N' },
            { 0xD2, 0xD6, 'O' },
            { 0xF2, 0xF6, 'O' },
            { 0xD9, 0xDC, 'U' },
            { 0xF9, 0xFC, 'U' },
            { 0xDD, 0xDD, 'Y' },
            { 0xFD, 0xFD, 'Y' },
            { 0xFF, 0xFF, 'Y' },
            { 0xDE, 0xDE, 'P' },
            { 0xFE, 0xFE, 'P' },
            { 0xDF, 0xDF, 'S' },
        };
        for (const Fold& f : folds)
            for (int c = f.from; c <= f.to; ++c)
                t[static_cast<size_t>(c)] = f.as;
        return t;
    }

} // namespace detail

// Built at compile time: the lexer reads it for every character it scans.
inline constexpr std::array<char, 256> CHAR_CLASS_TABLE = detail::BuildCharClassTable();

inline const std::array<char, 256>& CharClassTable()
{
    return CHAR_CLASS_TABLE;
}

inline char CharClass(unsigned char c)
{
    return CHAR_CLASS_TABLE[c];
}

inline bool IsDigitClass(char c)
{
    return c >= '0' && c <= '9';
}
inline bool IsWordStartClass(char c)
{
    return c == '$' || c == '@' || c == '_' || (c >= 'A' && c <= 'Z');
}
inline bool IsWordClass(char c)
{
    return c == '$' || c == '_' || IsDigitClass(c) || (c >= 'A' && c <= 'Z');
}

// Maps text through the class table; an invalid character becomes byte 0.
std::string FoldName(std::string_view text);

} // namespace palavrino::core
