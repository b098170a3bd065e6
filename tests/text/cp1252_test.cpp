#include <gtest/gtest.h>

#include "text/cp1252.h"

namespace vintrel::text {
namespace {

TEST(Cp1252, LiteralsConvertAtCompileTime) {
    constexpr std::string_view memoria = "Memória"_w;
    static_assert(memoria.size() == 7);
    EXPECT_EQ(memoria, "Mem\xF3ria");
    EXPECT_EQ("Nº de série: "_w, "N\xBA de s\xE9rie: ");
    EXPECT_EQ("€"_w, "\x80");
}

TEST(Cp1252, RoundTripsEveryDefinedByte) {
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(one)), one) << b;
    }
}

TEST(Cp1252, HighRangeIsNotLatin1) {
    EXPECT_EQ(cp1252ToUtf8("\x80\x99\x9F"), "\u20AC\u2122\u0178");
    EXPECT_EQ(utf8ToCp1252("\u2019"), "\x92");
}

TEST(Cp1252, UnrepresentableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToCp1252("a\u4E2Db"), "a?b");
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");
    EXPECT_EQ(utf8ToCp1252("\xFF\xFE"), "??");
    EXPECT_EQ(utf8ToCp1252("\U0001F600"), "?");
}

// Only the shortest form of a scalar value decodes; each maximal start of a sequence that
// cannot be completed becomes one '?', so that no forged control character gets through.
TEST(Cp1252, IllFormedUtf8BecomesQuestionMarks) {
    struct Case {
        std::string_view utf8, cp1252;
    } cases[] = {
        {"A\xC0\x8D\xC0\x8AZ", "A????Z"},  // overlong CR LF
        {"a\xC0\x80z", "a??z"},            // overlong NUL
        {"\xC1\xBF", "??"},                // overlong DEL
        {"\xE0\x80\x8A", "???"},           // three-byte overlong
        {"\xE0\x9F\xBF", "???"},
        {"\xF0\x80\x80\x8A", "????"},  // four-byte overlong
        {"\xF0\x8F\xBF\xBF", "????"},
        {"\xED\xA0\x80", "???"},       // high surrogate
        {"\xED\xBF\xBF", "???"},       // low surrogate
        {"\xF4\x90\x80\x80", "????"},  // U+110000
        {"\xF5\x80\x80\x80", "????"},
        {"\xF8\x88\x80\x80\x80", "?????"},
        {"\xE2\x82", "?"},    // cut at the end
        {"\xE2\x82Z", "?Z"},  // cut by a new character
        {"\xF0\x9F\x98", "?"},
        {"\x80\xBF", "??"},  // stray continuation bytes
        // Well-formed neighbours of each boundary still decode.
        {"\xC2\x81\xC3\xA9\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF", "\x81\xE9????"},
        {"\xE2\x82\xAC\xF0\x90\x80\x80", "\x80?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8ToCp1252(c.utf8), c.cp1252) << testing::PrintToString(std::string(c.utf8));
}

TEST(Cp1252, UpperCaseFoldsAccentedLetters) {
    EXPECT_EQ(upperCp1252("software\\microsoft"), "SOFTWARE\\MICROSOFT");
    EXPECT_EQ(upperCp1252("Usu\xE1rio \xE7\xF5\xFF\x9A"), "USU\xC1RIO \xC7\xD5\x9F\x8A");
    EXPECT_EQ(upperCp1252("\xF7\xDF"), "\xF7\xDF");  // division sign and sharp s stay
    EXPECT_TRUE(equalsIgnoreCaseCp1252("Control Panel\\Desktop", "CONTROL PANEL\\desktop"));
    EXPECT_FALSE(equalsIgnoreCaseCp1252("Desktop", "Desktops"));
}

}  // namespace
}  // namespace vintrel::text
