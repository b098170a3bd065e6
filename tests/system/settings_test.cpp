#include <gtest/gtest.h>

#include "system/errors.h"
#include "system/settings.h"

namespace vintrel::system {
namespace {

TEST(StrToInt, AcceptsTheClassicSyntaxOnly) {
    const struct {
        const char* text;
        bool valid;
        std::int32_t value;
    } cases[] = {
        {"250", true, 250},      {"  250", true, 250},          {"+7", true, 7},
        {"-7", true, -7},        {"$FA", true, 250},            {"0x1f", true, 31},
        {"0XFF", true, 255},     {"-$10", true, -16},           {"$FFFFFFFF", true, -1},
        {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN},
        {"", false, 0},          {"   ", false, 0},             {"250 ", false, 0},
        {"\t250", false, 0},     {"2.5", false, 0},             {"abc", false, 0},
        {"$", false, 0},         {"0x", false, 0},              {"2147483648", false, 0},
        {"$100000000", false, 0}, {"+-1", false, 0},            {"1e3", false, 0},
    };
    for (const auto& c : cases) {
        if (c.valid) {
            EXPECT_EQ(StrToInt(c.text), c.value) << '"' << c.text << '"';
            continue;
        }
        try {
            StrToInt(c.text);
            ADD_FAILURE() << '"' << c.text << "\" accepted";
        } catch (const ConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(c.text) + "' is not a valid integer value");
        }
    }
}

TEST(PrinterList, OneEntryPerPrinterOrPerPort) {
    const std::vector<PrinterEntry> printers{{"HP", "LPT1:, COM2:"}, {"Fax", ""}, {"PDF", "FILE:"}};
    EXPECT_EQ(FormatPrinterList(printers, 2), (std::vector<std::string>{"HP", "Fax", "PDF"}));
    EXPECT_EQ(FormatPrinterList(printers, 1),
              (std::vector<std::string>{"HP on LPT1:", "HP on COM2:", "PDF on FILE:"}));
}

}  // namespace
}  // namespace vintrel::system
