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
