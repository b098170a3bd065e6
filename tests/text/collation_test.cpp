#include "text/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vintrel::text {
namespace {

// The one-pass sort orders as comparing whole texts does: letters with their accented and
// capital forms, prefixes first, bytes above 0x7F that are no letters by their value.
TEST(Collation, SortingAgreesWithComparingWholeTexts) {
    const std::vector<std::string> texts = {
        "agua", "\xC1gua", "Agua", "\xE1gua", "aguas", "ag", "beta", "Beta", "BETA", "b\xEAta", "zeta",
        "", " ", "1", "10", "9", "a-b", "a b", "\xDF", "\xD7", "\x80", "s", "\x9A", "S", "y\xFF", "yy",
        "agua", "Beta", "\xC1gua"};
    std::mt19937 random(24);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> shuffled = texts;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        std::vector<std::string> expected = shuffled;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const std::string& a, const std::string& b) { return compareText(a, b) < 0; });
        sortTexts(shuffled);
        EXPECT_EQ(shuffled, expected) << "round " << round;
    }
}

}  // namespace
}  // namespace vintrel::text
