#include "platform/host/drive_root.h"

#include <gtest/gtest.h>

namespace vintrel::platform::host {
namespace {

TEST(DriveRoot, OnlyALetterColonAndOneSeparator) {
    const struct {
        std::string_view root;
        std::optional<char> letter;
    } cases[] = {
        {"C:\\", 'C'},   {"c:/", 'C'}, {"z:\\", 'Z'}, {"A:/", 'A'}, {"C:", {}},
        {"C:\\x", {}},   {"C\\", {}},  {"1:\\", {}},  {"@:\\", {}}, {"[:\\", {}},
        {"\xE0:\\", {}}, {"", {}},     {"C;\\", {}},  {"C:|", {}},  {std::string_view("C:\0", 3), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(driveRootLetter(c.root), c.letter) << c.root;
}

}  // namespace
}  // namespace vintrel::platform::host
