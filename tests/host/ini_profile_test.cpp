#include "platform/host/ini_profile.h"

#include <gtest/gtest.h>

#include <optional>

#include "text/cp1252.h"

namespace {

using namespace vintrel::platform::host;
using vintrel::text::operator""_w;

TEST(FindProfileValue, FollowsGetPrivateProfileStringRules) {
    struct Case {
        const char* name;
        std::string text;
        std::string section;
        std::string key;
        std::optional<std::string> value;
    };
    const std::vector<Case> cases = {
        {"plain", "[boot.description]\nmouse.drv=Logitech\n", "boot.description", "mouse.drv", "Logitech"},
        {"letter case", "[Boot.Description]\nMouse.Drv=x\n", "BOOT.DESCRIPTION", "mouse.drv", "x"},
        {"accented case", std::string("[Seção]\nChave=v\n"_w), std::string("SEÇÃO"_w), "CHAVE", "v"},
        {"blanks", "  [ boot ]  \n\t key \t=  two words  \n", "boot", "key", "two words"},
        {"double quotes", "[s]\nk=\" padded \"\n", "s", "k", " padded "},
        {"single quotes", "[s]\nk='q'\n", "s", "k", "q"},
        {"unpaired quote", "[s]\nk=\"q'\n", "s", "k", "\"q'"},
        {"lone quote", "[s]\nk=\"\n", "s", "k", "\""},
        {"empty value", "[s]\nk=\n", "s", "k", ""},
        {"comment line", "[s]\n;k=commented\n  ; k=also\nk=real\n", "s", "k", "real"},
        {"semicolon in value", "[s]\nk=a ; b\n", "s", "k", "a ; b"},
        {"equals in value", "[s]\nk=a=b\n", "s", "k", "a=b"},
        {"first key wins", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        {"first section only", "[s]\na=1\n[t]\n[s]\nk=2\n", "s", "k", std::nullopt},
        {"other section", "[s]\nk=1\n[t]\n", "t", "k", std::nullopt},
        {"before any section", "k=1\n[s]\n", "s", "k", std::nullopt},
        {"no equals sign", "[s]\nk\n", "s", "k", std::nullopt},
        {"header without bracket", "[s]\n[t\nk=1\n", "s", "k", "1"},
        {"CR LF and CR", "[s]\r\na=1\rk=2\r\n", "s", "k", "2"},
        {"last line unterminated", "[s]\nk=end", "s", "k", "end"},
        {"missing section", "[s]\nk=1\n", "x", "k", std::nullopt},
        {"empty text", "", "s", "k", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(findProfileValue(c.text, c.section, c.key), c.value) << c.name;
}

TEST(ProfileString, DefaultAndBufferCut) {
    const std::string ini = "[s]\nk=Logitech\n";
    struct Case {
        const char* name;
        std::optional<std::string_view> bytes;
        std::string key;
        std::string defaultText;
        std::uint32_t bufferSize;
        std::string result;
    };
    const std::vector<Case> cases = {
        {"value", ini, "k", "nada", 2048, "Logitech"},
        {"cut to size - 1", ini, "k", "nada", 5, "Logi"},
        {"exact fit", ini, "k", "nada", 9, "Logitech"},
        {"size 1", ini, "k", "nada", 1, ""},
        {"size 0", ini, "k", "nada", 0, ""},
        {"missing key", ini, "x", "nada", 2048, "nada"},
        {"missing file", std::nullopt, "k", "nada", 2048, "nada"},
        {"default loses trailing blanks", std::nullopt, "k", "nada  ", 2048, "nada"},
        {"default cut", std::nullopt, "k", "nada", 3, "na"},
        {"value up to NUL", std::string_view("[s]\nk=ab\0cd\n", 12), "k", "", 2048, "ab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profileString(c.bytes, "s", c.key, c.defaultText, c.bufferSize), c.result) << c.name;
}

TEST(DecodeProfileText, EncodingsBecomeWindows1252) {
    const std::string expected(std::string("mouse=Logitech é"_w));
    EXPECT_EQ(decodeProfileText("\xEF\xBB\xBFmouse=Logitech \xC3\xA9"), expected);
    EXPECT_EQ(decodeProfileText("mouse=Logitech \xC3\xA9"), expected);
    // Not UTF-8 (Windows-1252 letters, overlong forms, surrogates, cut sequences): kept as bytes.
    for (const std::string& bytes : {expected, std::string("a\xC0\xAF"), std::string("\xED\xA0\x80"),
                                     std::string("\xF4\x90\x80\x80"), std::string("ok \xC3")})
        EXPECT_EQ(decodeProfileText(bytes), bytes);
    const std::string le("\xFF\xFEm\0=\0\xE9\0", 8);
    const std::string be("\xFE\xFF\0m\0=\0\xE9", 8);
    EXPECT_EQ(decodeProfileText(le), std::string("m=é"_w));
    EXPECT_EQ(decodeProfileText(be), std::string("m=é"_w));
    EXPECT_EQ(decodeProfileText(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), "?");  // U+1F600
}

}  // namespace
