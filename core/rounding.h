// Rounding a double to the nearest whole number, halves away from zero (what
// std::lround does), without the maths library: lround is all the program
// would take from it, and loading it costs every start page faults and system
// calls.
#pragma once

#include <limits>

namespace palavrino::core {

constexpr long RoundToLong(double x)
{
    // From 2^52 on every double is a whole number; NaN and what does not fit
    // in a long give the nearest limit rather than undefined behaviour.
    constexpr double WHOLE_FROM = 4503599627370496.0;
    constexpr double LONG_LIMIT = 9223372036854775808.0; // 2^63
    if (x != x)
        return std::numeric_limits<long>::min();
    if (x >= LONG_LIMIT)
        return std::numeric_limits<long>::max();
    if (x < -LONG_LIMIT)
        return std::numeric_limits<long>::min();
    if (x >= WHOLE_FROM || x <= -WHOLE_FROM)
        return static_cast<long>(x);
    long whole = static_cast<long>(x); // toward zero
    const double rest = x - static_cast<double>(whole); // exact below 2^52
    if (rest >= 0.5)
        ++whole;
    else if (rest <= -0.5)
        --whole;
    return whole;
}

} // namespace palavrino::core
