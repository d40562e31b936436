// Token kinds and operator codes. These numberings are shared by the lexer,
// the expression parser and evaluator, and every command that inspects the
// current token, so they are written out and must never be renumbered.
#pragma once

#include <cstdint>

namespace palavrino::core {

enum class TokenKind : uint8_t {
    EndOfLine = 0,
    Word = 1,
    LabelWord = 2,
    Integer = 3,
    String = 4,
    Operator = 5,
    Dot = 6,
    Comma = 7,
    Assign = 8,
    Colon = 9,
    LeftParen = 10,
    RightParen = 11,
    LeftBracket = 12,
    RightBracket = 13,
    LeftBrace = 14,
    RightBrace = 15,
    Hash = 16,
    Ampersand = 17,
};

enum class OpCode : uint8_t {
    None = 0,
    Equal = 1, // =
    NotEqual = 2, // <>
    Greater = 3, // >
    GreaterEqual = 4, // >=
    Less = 5, // <
    LessEqual = 6, // <=
    Contains = 7, // *=*
    BeginsWith = 8, // =*
    EndsWith = 9, // *=
    Add = 10, // +
    Subtract = 11, // -
    Multiply = 12, // *
    Divide = 13, // /
    Modulo = 14, // %
    Power = 15, // ^
    Or = 16, // the word OU
    And = 17, // the word E
    Range = 18, // ..
    Bar = 19, // |
};

constexpr int OP_CODE_COUNT = 20;

} // namespace palavrino::core
