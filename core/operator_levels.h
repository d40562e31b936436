// The precedence levels of the binary operators, shared by the expression
// parser and the evaluator of compiled expressions so that both climb them
// in exactly the same way.
#pragma once

#include "core/tokens.h"

#include <array>
#include <cstdint>

namespace palavrino::core {

struct OperatorLevel {
    uint32_t ops; // bit per operator code
    bool repeat;
};

constexpr uint32_t OpBit(OpCode op)
{
    return 1u << static_cast<unsigned>(op);
}

// Level 0 is the range (only where a range may stand); the primaries sit
// below the last level.
constexpr int PRIMARY_LEVEL = 7;
constexpr std::array<OperatorLevel, PRIMARY_LEVEL> OPERATOR_LEVELS = { {
    { OpBit(OpCode::Range), false },
    { OpBit(OpCode::Or), true },
    { OpBit(OpCode::And), true },
    { OpBit(OpCode::Equal) | OpBit(OpCode::NotEqual) | OpBit(OpCode::Greater) | OpBit(OpCode::GreaterEqual)
            | OpBit(OpCode::Less) | OpBit(OpCode::LessEqual) | OpBit(OpCode::Contains)
            | OpBit(OpCode::BeginsWith) | OpBit(OpCode::EndsWith),
        false },
    { OpBit(OpCode::Add) | OpBit(OpCode::Subtract), true },
    { OpBit(OpCode::Multiply) | OpBit(OpCode::Divide) | OpBit(OpCode::Modulo), true },
    { OpBit(OpCode::Power), true },
} };

// The level of an operator code, or -1 for none.
constexpr std::array<int8_t, OP_CODE_COUNT> LevelsOfOperators()
{
    std::array<int8_t, OP_CODE_COUNT> out {};
    for (auto& l : out)
        l = -1;
    for (int n = 0; n < PRIMARY_LEVEL; ++n)
        for (int op = 0; op < OP_CODE_COUNT; ++op)
            if (OPERATOR_LEVELS[static_cast<size_t>(n)].ops & (1u << op))
                out[static_cast<size_t>(op)] = static_cast<int8_t>(n);
    return out;
}
constexpr std::array<int8_t, OP_CODE_COUNT> OPERATOR_LEVEL = LevelsOfOperators();

inline int LevelOf(OpCode op)
{
    return OPERATOR_LEVEL[static_cast<size_t>(op)];
}

// The highest level that may follow an operator of `level` in the same
// chain: the same one where it repeats, the one below otherwise.
inline int CapAfter(int level)
{
    return OPERATOR_LEVELS[static_cast<size_t>(level)].repeat ? level : level - 1;
}

} // namespace palavrino::core
