#include <gtest/gtest.h>

#include "text/numbers.h"

namespace vintrel::text {
namespace {

class NumberText : public ::testing::Test {
protected:
    void TearDown() override { setDecimalSeparator('.'); }
};

TEST_F(NumberText, GeneralFormWithComma) {
    setDecimalSeparator(',');
    const struct {
        Extended value;
        const char* expected;
    } cases[] = {
        {9.57L, "9,57"},   {9.5L, "9,5"},     {10, "10"},          {0, "0"},
        {-0.0L, "0"},      {0.01L, "0,01"},   {-2.5L, "-2,5"},     {1024, "1024"},
        {0.0001L, "0,0001"}, {123456789012345.0L, "123456789012345"},
        {1e15L, "1E15"},   {1.5e20L, "1,5E20"}, {0.00001L, "1E-5"},
        {2.0L / 3.0L, "0,666666666666667"},  // the 15th digit rounded half up
        {0.1L + 0.2L, "0,3"},
    };
    for (const auto& c : cases) EXPECT_EQ(generalNumberText(c.value), c.expected) << static_cast<double>(c.value);
}

TEST_F(NumberText, SeparatorFollowsSetting) {
    setDecimalSeparator('.');
    EXPECT_EQ(generalNumberText(9.57L), "9.57");
    setDecimalSeparator(',');
    EXPECT_EQ(generalNumberText(9.57L), "9,57");
}

TEST_F(NumberText, Trunc2DropsTowardZero) {
    EXPECT_EQ(trunc2(9.579L), 9.57L);
    EXPECT_EQ(trunc2(-9.579L), -9.57L);
    EXPECT_EQ(trunc2(9.5767L), 9.57L);
}

TEST_F(NumberText, SizeTextBoundaries) {
    setDecimalSeparator(',');
    const struct {
        Extended bytes;
        const char* expected;
    } cases[] = {
        {1073741824.0L, "1024 MB"},      // exactly 2^30 stays in megabytes
        {1073741825.0L, "1 GB"},
        {10283000000.0L, "9,57 GB"},     // 9.5767... truncated, not rounded
        {-1, "0 MB"},                    // a failed query, never "-0 MB"
        {0, "0 MB"},
        {1048576.0L * 812.5L, "812,5 MB"},
        {1048575, "0,99 MB"},
        {6500000000.0L, "6,05 GB"},
    };
    for (const auto& c : cases) EXPECT_EQ(sizeText(c.bytes), c.expected) << static_cast<double>(c.bytes);
}

}  // namespace
}  // namespace vintrel::text

namespace vintrel::text {
namespace {
// The short way for whole and two-decimal values writes exactly what the digit extraction does.
TEST(GeneralNumberText, ShortWayAgreesWithTheDigits) {
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    const auto next = [&] { return seed = seed * 6364136223846793005ull + 1442695040888963407ull; };
    for (char separator : {'.', ','}) {
        setDecimalSeparator(separator);
        for (long long k = -20000; k <= 20000; ++k) {
            const Extended v = static_cast<Extended>(k) / 100;
            ASSERT_EQ(generalNumberText(v), generalNumberTextByDigits(v)) << k;
        }
        for (int i = 0; i < 40000; ++i) {
            const Extended bytes = static_cast<Extended>(next() >> (next() % 64));
            for (Extended v : {trunc2(bytes / 1024 / 1024), trunc2(bytes / 1024 / 1024 / 1024), bytes,
                               static_cast<Extended>(next() % 1000000000000000ull) / 100, bytes / 7})
                ASSERT_EQ(generalNumberText(v), generalNumberTextByDigits(v)) << static_cast<double>(v);
        }
    }
    setDecimalSeparator('.');
}
}  // namespace
}  // namespace vintrel::text
