#include "platform/host/checked_math.h"

#include <gtest/gtest.h>

namespace vintrel::platform::host {
namespace {

// Expected values from exact big-integer arithmetic, reduced modulo 2^64.
TEST(CheckedMath, MulDivTakesTheProductIn128Bits) {
    const struct {
        std::uint64_t a, b, divisor, expected;
    } cases[] = {
        {7, 6, 4, 10},
        {0, kUint64Max, 7, 0},
        {kUint64Max, kUint64Max, kUint64Max, kUint64Max},
        {kUint64Max, 100, kUint64Max, 100},
        {kUint64Max - 1, 100, kUint64Max, 99},
        {kUint64Max, kUint64Max, 1, 1},  // the quotient keeps its low 64 bits
        {std::uint64_t{1} << 63, 4, 3, 12297829382473034410u},
        {10000000000000000000u, 3000000000, 1000000000, 11553255926290448384u},
        {123456789012345678, 987654321098, 1000000000, 11252166694669986849u},
    };
    for (const auto& c : cases) EXPECT_EQ(mulDiv(c.a, c.b, c.divisor), c.expected) << c.a << " " << c.b;
}

TEST(CheckedMath, SaturatingMulStopsAtTheLargestValue) {
    const struct {
        std::uint64_t a, b, expected;
    } cases[] = {
        {0, kUint64Max, 0},
        {kUint64Max, 1, kUint64Max},
        {std::uint64_t{1} << 32, std::uint64_t{1} << 31, std::uint64_t{1} << 63},
        {std::uint64_t{1} << 32, std::uint64_t{1} << 32, kUint64Max},
        {kUint64Max / 1024 + 1, 1024, kUint64Max},
    };
    for (const auto& c : cases) EXPECT_EQ(saturatingMul(c.a, c.b), c.expected) << c.a << " " << c.b;
}

}  // namespace
}  // namespace vintrel::platform::host
