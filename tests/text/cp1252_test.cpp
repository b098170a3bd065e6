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

TEST(Cp1252, UpperCaseFoldsAccentedLetters) {
    EXPECT_EQ(upperCp1252("software\\microsoft"), "SOFTWARE\\MICROSOFT");
    EXPECT_EQ(upperCp1252("Usu\xE1rio \xE7\xF5\xFF\x9A"), "USU\xC1RIO \xC7\xD5\x9F\x8A");
    EXPECT_EQ(upperCp1252("\xF7\xDF"), "\xF7\xDF");  // division sign and sharp s stay
    EXPECT_TRUE(equalsIgnoreCaseCp1252("Control Panel\\Desktop", "CONTROL PANEL\\desktop"));
    EXPECT_FALSE(equalsIgnoreCaseCp1252("Desktop", "Desktops"));
}

}  // namespace
}  // namespace vintrel::text
