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

const std::array<char, 256>& CharClassTable();

inline char CharClass(unsigned char c) { return CharClassTable()[c]; }

inline bool IsDigitClass(char c) { return c >= '0' && c <= '9'; }
inline bool IsWordStartClass(char c) { return c == '$' || c == '@' || c == '_' || (c >= 'A' && c <= 'Z'); }
inline bool IsWordClass(char c) { return c == '$' || c == '_' || IsDigitClass(c) || (c >= 'A' && c <= 'Z'); }

// Maps text through the class table; an invalid character becomes byte 0.
std::string FoldName(std::string_view text);

}  // namespace palavrino::core
