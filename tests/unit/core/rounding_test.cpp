// Rounding without the maths library: it must agree with std::lround on
// every value the program can meet, halves and near-halves above all.
#include "core/rounding.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using palavrino::core::RoundToLong;

TEST(Rounding, HalvesGoAwayFromZero)
{
    for (double whole = -20; whole <= 20; ++whole) {
        for (double x : { whole + 0.5, whole - 0.5, whole, whole + 0.25, whole - 0.75 }) {
            SCOPED_TRACE(x);
            EXPECT_EQ(RoundToLong(x), std::lround(x));
        }
    }
    EXPECT_EQ(RoundToLong(2.5), 3);
    EXPECT_EQ(RoundToLong(-2.5), -3);
    EXPECT_EQ(RoundToLong(-0.0), 0);
}

TEST(Rounding, NearHalvesAndLargeValuesAgreeWithLround)
{
    const double below_half = std::nextafter(0.5, 0.0); // 0.49999999999999994
    const double two52 = 4503599627370496.0;
    for (double x : { below_half, -below_half, std::nextafter(0.5, 1.0), std::nextafter(1.5, 1.0),
             std::nextafter(-1.5, -1.0), two52 - 0.5, two52, two52 + 1, -(two52 - 0.5), -two52 - 2, 9.2e18,
             -9.2e18, 1e15 + 0.5 }) {
        SCOPED_TRACE(x);
        EXPECT_EQ(RoundToLong(x), std::lround(x));
    }
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> spread(-1e7, 1e7);
    for (int i = 0; i < 20000; ++i) {
        const double x = spread(random);
        ASSERT_EQ(RoundToLong(x), std::lround(x)) << x;
    }
}

TEST(Rounding, WhatDoesNotFitGivesTheNearestLimit)
{
    constexpr long most = std::numeric_limits<long>::max();
    constexpr long least = std::numeric_limits<long>::min();
    EXPECT_EQ(RoundToLong(1e19), most);
    EXPECT_EQ(RoundToLong(std::numeric_limits<double>::infinity()), most);
    EXPECT_EQ(RoundToLong(-1e19), least);
    EXPECT_EQ(RoundToLong(-std::numeric_limits<double>::infinity()), least);
    EXPECT_EQ(RoundToLong(std::numeric_limits<double>::quiet_NaN()), least);
    EXPECT_EQ(RoundToLong(-9223372036854775808.0), least);
}
