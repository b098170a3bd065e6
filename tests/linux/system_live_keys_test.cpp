#include "platform/linux/system_live_keys.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/test_paths.h"
#include "text/cp1252.h"

namespace {

using namespace vintrel::platform;
using namespace vintrel::platform::linux_host;
using vintrel::text::operator""_w;

const std::string kFixtures = (vintrel::test::dataDir() / "host" / "system").string();

TEST(OsRelease, ParsesTheQuotingFormsOfOsRelease) {
    struct Case {
        const char* line;
        const char* name;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"", "PRETTY_NAME", "Debian GNU/Linux 12 (bookworm)"},
        {"NAME='Fedora Linux'", "NAME", "Fedora Linux"},
        {"V=\"40 (\\\"Edition\\\") \\$x \\`y\\` \\\\\"", "V", "40 (\"Edition\") $x `y` \\"},
        {"V=\"a\\b\"", "V", "a\\b"},  // other escapes keep their backslash inside double quotes
        {"V='a\\b'", "V", "a\\b"},
        {"V=unquoted\\ value", "V", "unquoted value"},
        {"V=plain text   ", "V", "plain text"},
        {"V=\"kept \"   ", "V", "kept "},
        {"V=\"a\"'b'c", "V", "abc"},
        {"V=\"unterminated", "V", "unterminated"},
        {"V=\"v\"\r", "V", "v"},
        {"  V=indented", "V", "indented"},
        {"V=", "V", ""},
        {"# V=comment", "V", std::nullopt},
        {"1V=digit first", "1V", std::nullopt},
        {"BAD-NAME=x", "BAD-NAME", std::nullopt},
        {"=x", "", std::nullopt},
        {"no equals sign", "no equals sign", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto values = parseOsRelease(c.line);
        const auto it = values.find(c.name);
        const std::optional<std::string> got = it == values.end() ? std::nullopt : std::optional(it->second);
        EXPECT_EQ(got, c.value) << c.line;
    }
    EXPECT_EQ(productNameFromOsRelease("NAME=x\nPRETTY_NAME=\n"), "Linux");
    EXPECT_EQ(productNameFromOsRelease(""), "Linux");
}

// Control characters inside a quoted PRETTY_NAME become blanks: none reaches the product name.
TEST(OsRelease, ProductNameHoldsNoControlCharacters) {
    const struct {
        std::string text, name;
    } cases[] = {
        {"PRETTY_NAME=\"Debian\rUsu\xC3\xA1rio = x\"", "Debian Usu\xC3\xA1rio = x"},
        {"PRETTY_NAME='A\tB\x1B[2JC\x7F'", "A B [2JC "},
        {std::string("PRETTY_NAME=\"A\0B\"", 16), "A B"},
    };
    for (const auto& c : cases) EXPECT_EQ(productNameFromOsRelease(c.text), c.name) << c.text;
}

TEST(ProductId, StableOemFormFromTheMachineId) {
    const auto id = productIdFromMachineId("3f1c2a9b7d6e4f5a8b9c0d1e2f3a4b5c\n");
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(*id, "26963-OEM-1894552-01668");
    EXPECT_EQ(productIdFromMachineId("3F1C2A9B7D6E4F5A8B9C0D1E2F3A4B5C"), id);
    const auto other = productIdFromMachineId("3f1c2a9b7d6e4f5a8b9c0d1e2f3a4b5d");
    ASSERT_TRUE(other.has_value());
    EXPECT_NE(*other, *id);
    EXPECT_TRUE(std::regex_match(*other, std::regex("[0-9]{5}-OEM-[0-9]{7}-[0-9]{5}"))) << *other;
    for (const char* bad : {"", "uninitialized\n", "3f1c2a9b7d6e4f5a8b9c0d1e2f3a4b5",
                            "3f1c2a9b7d6e4f5a8b9c0d1e2f3a4b5cc", "3f1c2a9b7d6e4f5a8b9c0d1e2f3a4b5g"})
        EXPECT_EQ(productIdFromMachineId(bad), std::nullopt) << bad;
}

TEST(RegisteredOwner, FullNameFromGecosElseLogin) {
    struct Case {
        const char* gecos;
        const char* login;
        const char* owner;
    };
    const Case cases[] = {
        {"Ana Souza,,,", "ana", "Ana Souza"},
        {"  Ana Souza  ,Sala 3,555", "ana", "Ana Souza"},
        {"& Souza", "ana", "Ana Souza"},
        {"", "ana", "ana"},
        {",,,", "ana", "ana"},
        {"Recepção", "rec", "Recepção"},
    };
    for (const auto& c : cases) EXPECT_EQ(ownerFromPasswd(c.gecos, c.login), c.owner) << c.gecos;
}

std::optional<std::string> liveText(vintrel::registry::LiveKeyTable& table, std::string_view name) {
    const auto value = table.value(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", name);
    if (!value) return std::nullopt;
    EXPECT_EQ(value->type, REG_SZ);
    EXPECT_TRUE(!value->data.empty() && value->data.back() == '\0');
    return value->data.substr(0, value->data.size() - 1);
}

TEST(SystemLiveKeys, ValuesFromFixtureRoots) {
    vintrel::registry::LiveKeyTable table;
    addSystemLiveKeys(table, kFixtures + "/etc");
    EXPECT_EQ(liveText(table, "SystemRoot"), "C:\\WINDOWS");
    EXPECT_EQ(liveText(table, "productname"), "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(liveText(table, "ProductId"), "26963-OEM-1894552-01668");
    EXPECT_EQ(liveText(table, "RegisteredOrganization"), "");
    const auto owner = liveText(table, "RegisteredOwner");
    ASSERT_TRUE(owner.has_value());
    EXPECT_FALSE(owner->empty());
}

TEST(SystemLiveKeys, ProductNameFallsBackToUsrLibThenLinux) {
    struct Case {
        std::string etc;
        std::string usrLib;
        std::string productName;
    };
    const Case cases[] = {
        {kFixtures + "/missing", kFixtures + "/usr-lib", std::string("Distribuição \"Exemplo\" 1.0 ?"_w)},
        {kFixtures + "/etc-no-pretty", kFixtures + "/usr-lib", "Linux"},
        {kFixtures + "/missing", kFixtures + "/missing", "Linux"},
    };
    for (const auto& c : cases) {
        vintrel::registry::LiveKeyTable table;
        addSystemLiveKeys(table, SystemSources{c.etc, c.usrLib});
        EXPECT_EQ(liveText(table, "ProductName"), c.productName) << c.etc;
        EXPECT_EQ(liveText(table, "ProductId"), std::nullopt) << c.etc;  // no machine-id there
    }
}

}  // namespace
