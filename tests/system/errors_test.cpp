#include <gtest/gtest.h>

#include "system/errors.h"

namespace vintrel::system {
namespace {

TEST(ErrorTexts, MessageTable) {
    const struct {
        std::uint32_t code;
        const char* message;
    } cases[] = {
        {2, "File not found"},  {3, "Invalid filename"},     {4, "Too many open files"},
        {5, "File access denied"}, {100, "Read beyond end of file"}, {101, "Disk full"},
        {106, "Invalid numeric input"}, {32, "I/O error 32"}, {145, "I/O error 145"}, {183, "I/O error 183"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ioErrorMessage(c.code), c.message);
        EXPECT_EQ(InOutError(c.code).what(), std::string(c.message));
    }
}

TEST(ErrorTexts, PeriodIsAppendedAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(handlerMessage("Invalid filename"), "Invalid filename.");
    EXPECT_EQ(handlerMessage("I/O error 32"), "I/O error 32.");  // '2' sorts after '.'
    EXPECT_EQ(handlerMessage("Invalid data type for 'DisplayName'"), "Invalid data type for 'DisplayName'");
    EXPECT_EQ(handlerMessage("Done."), "Done.");
    EXPECT_EQ(handlerMessage("Why?"), "Why?.");  // '?' is 0x3F
    EXPECT_EQ(handlerMessage("a-"), "a-");
    EXPECT_EQ(handlerMessage("caf\xE9"), "caf\xE9.");  // high bytes sort after the period
    EXPECT_EQ(handlerMessage(""), "");
}

TEST(ErrorTexts, ApplicationTitleFromProgramFile) {
    EXPECT_EQ(applicationTitle("PjDisco.exe"), "Pjdisco");
    EXPECT_EQ(applicationTitle("/usr/bin/vintrel"), "vintrel");
    EXPECT_EQ(applicationTitle("C:\\Prog\\MEU.PROG.EXE"), "Meu");
    EXPECT_EQ(applicationTitle("x"), "x");
}

}  // namespace
}  // namespace vintrel::system
