#include "text/lines.h"

#include <gtest/gtest.h>

#include <string>

namespace vintrel::text {
namespace {

// Each line in brackets, so empty lines and kept carriage returns show.
std::string bracketed(std::string_view text, LineEnds ends) {
    std::string out;
    for (const std::string_view line : lines(text, ends)) ((out += '[') += line) += ']';
    return out;
}

TEST(Lines, SplitAtTheirEnds) {
    const struct {
        std::string_view text;
        LineEnds ends;
        const char* expected;
    } cases[] = {
        {"", LineEnds::Newline, ""},
        {"\n", LineEnds::Newline, "[]"},
        {"a", LineEnds::Newline, "[a]"},
        {"a\nb\n", LineEnds::Newline, "[a][b]"},
        {"a\n\nb", LineEnds::Newline, "[a][][b]"},
        {"a\r\nb\r", LineEnds::Newline, "[a\r][b\r]"},
        {"a\r\nb\rc\n\r\n", LineEnds::Any, "[a][b][c][]"},
        {"a\r\r\nb", LineEnds::Any, "[a][][b]"},
        {"\n\r", LineEnds::Any, "[][]"},
    };
    for (const auto& c : cases) EXPECT_EQ(bracketed(c.text, c.ends), c.expected) << c.text;
}

TEST(Lines, TrimOnlyTheNamedCharacters) {
    const struct {
        std::string_view text, chars, left, right, both;
    } cases[] = {
        {" \ta b\r ", kBlanks, "a b\r ", " \ta b", "a b"},
        {"\n x \n", kBlanks, "\n x \n", "\n x \n", "\n x \n"},
        {"\n x \n", " \n", "x \n", "\n x", "x"},
        {" \t\r", kBlanks, "", "", ""},
        {"", kBlanks, "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimLeft(c.text, c.chars), c.left) << c.text;
        EXPECT_EQ(trimRight(c.text, c.chars), c.right) << c.text;
        EXPECT_EQ(trim(c.text, c.chars), c.both) << c.text;
    }
}

}  // namespace
}  // namespace vintrel::text
