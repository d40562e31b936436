// Checked 32-bit integer arithmetic for script values. The language wraps on
// overflow of + - * (two's complement), never traps: INT32_MIN / -1 gives
// INT32_MIN and INT32_MIN % -1 gives 0, which the hardware would otherwise
// turn into a crash. Division by zero is the caller's to report; these
// helpers require a non-zero divisor.
#pragma once

#include <cstdint>

namespace palavrino::core {

constexpr int32_t AddInt(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t SubInt(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t MulInt(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr int32_t NegInt(int32_t a)
{
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}
// Truncates toward zero. b must not be 0.
constexpr int32_t DivInt(int32_t a, int32_t b)
{
    if (b == -1)
        return NegInt(a);
    return a / b;
}
// Has the sign of a. b must not be 0.
constexpr int32_t ModInt(int32_t a, int32_t b)
{
    if (b == -1)
        return 0;
    return a % b;
}

} // namespace palavrino::core
