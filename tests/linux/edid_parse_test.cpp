#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "edid_test_blocks.h"
#include "platform/linux/edid.h"

namespace vintrel::platform::linux_host {
namespace {

using test::descriptorText;
using test::EdidSpec;
using test::makeEdid;

struct NameCase {
    const char* label;
    EdidSpec spec;
    std::optional<std::string> expected;
};

class EdidName : public ::testing::TestWithParam<NameCase> {};

TEST_P(EdidName, MonitorNameOrIdentity) {
    const auto bytes = makeEdid(GetParam().spec);
    EXPECT_EQ(edidMonitorName(bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, EdidName,
    ::testing::Values(
        NameCase{"NameWithTerminator", {"DEL", 0xA0B5, descriptorText("DELL U2414H")}, "DELL U2414H"},
        NameCase{"ThirteenCharactersNoTerminator", {"SAM", 0x0F67, "SAMSUNG S24R3"}, "SAMSUNG S24R3"},
        NameCase{
            "BlanksBeforeTerminatorTrimmed", {"ACI", 0x24A1, std::string("VG248   \x0A    ", 13)}, "VG248"},
        NameCase{"LeadingBlanksTrimmed", {"GSM", 0x5B08, descriptorText("  LG FULL HD")}, "LG FULL HD"},
        NameCase{"NameInFirstSlot", {"HWP", 0x3031, descriptorText("HP E24"), false, 0}, "HP E24"},
        NameCase{"NoNameDescriptor", {"DEL", 0x40A3, ""}, "DEL 40A3"},
        NameCase{"AllBlankNameGivesIdentity", {"AUO", 0x123D, std::string(13, ' ')}, "AUO 123D"},
        NameCase{"NulEndsName", {"BNQ", 0x7F2C, std::string("BenQ GW2480\0\0", 13)}, "BenQ GW2480"},
        NameCase{"NonAsciiBecomesQuestionMark",
                 {"PHL", 0xC0A1, std::string("PHL\xE9 243V7\x0A  ", 13)},
                 "PHL? 243V7"},
        NameCase{"BadChecksumStillNamed",
                 {"DEL", 0xA0B5, descriptorText("DELL P2419H"), true, 3, false},
                 "DELL P2419H"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(EdidParse, IdentityFields) {
    const auto id = parseEdid(makeEdid({"DEL", 0x40A3, descriptorText("DELL U2717D")}));
    ASSERT_TRUE(id);
    EXPECT_EQ(id->manufacturerId, "DEL");
    EXPECT_EQ(id->productCode, 0x40A3);
    EXPECT_EQ(id->serialNumber, 0x534E304Cu);
    EXPECT_TRUE(id->checksumValid);
    EXPECT_EQ(id->monitorName, "DELL U2717D");
}

TEST(EdidParse, ChecksumReported) {
    EdidSpec spec{"DEL", 0x40A3, descriptorText("X")};
    spec.fixChecksum = false;
    const auto id = parseEdid(makeEdid(spec));
    ASSERT_TRUE(id);
    EXPECT_FALSE(id->checksumValid);
}

TEST(EdidParse, ExtensionBlocksIgnored) {
    auto bytes = makeEdid({"GSM", 0x5B08, descriptorText("LG ULTRAGEAR")});
    bytes.resize(256, 0x02);  // a CTA extension block follows
    EXPECT_EQ(edidMonitorName(bytes), "LG ULTRAGEAR");
}

TEST(EdidParse, OutOfRangeLettersShowAsQuestionMarks) {
    auto bytes = makeEdid({"DEL", 0x0001, ""});
    bytes[8] = 0x00;
    bytes[9] = 0x00;
    EXPECT_EQ(edidMonitorName(bytes), "??? 0001");
}

TEST(EdidParse, RejectsWhatIsNoBaseBlock) {
    const auto good = makeEdid({"DEL", 0x40A3, descriptorText("DELL U2414H")});
    struct Case {
        const char* label;
        std::vector<std::uint8_t> bytes;
    };
    auto badHeader = good;
    badHeader[0] = 0x01;
    const std::vector<Case> cases = {
        {"empty", {}},
        {"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + 127)},
        {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 8)},
        {"bad header", badHeader},
        {"all 0xFF", std::vector<std::uint8_t>(128, 0xFF)},
        {"all zero", std::vector<std::uint8_t>(256, 0x00)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(parseEdid(c.bytes)) << c.label;
        EXPECT_FALSE(edidMonitorName(c.bytes)) << c.label;
    }
}

}  // namespace
}  // namespace vintrel::platform::linux_host
