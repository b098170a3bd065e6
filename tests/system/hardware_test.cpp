#include <gtest/gtest.h>

#include "support/sim_machine.h"
#include "system/hardware.h"

namespace vintrel::system {
namespace {
using test::SimMachine;

std::string withRegistry(const std::string& fields, const std::string& regLines) {
    return "{" + fields + (fields.empty() ? "" : ",") + R"("registry":"REGEDIT4\r\n\r\n)" + regLines + "\"}";
}

TEST(ScreenMode, Forms) {
    const struct {
        const char* depthLine;
        const char* expected;
    } cases[] = {
        {R"(\"BitsPerPixel\"=\"8\")", "640 x 480 (256 Cores)"},
        {R"(\"BitsPerPixel\"=\"16\")", "640 x 480  (16Bits)"},
        {R"(\"BitsPerPixel\"=\"32\")", "640 x 480  (32Bits)"},
        {R"(\"BitsPerPixel\"=\"08\")", "640 x 480  (08Bits)"},  // the comparison with 8 is exact
        {R"(\"Other\"=\"8\")", "640 x 480  (Bits)"},             // missing value
    };
    for (const auto& c : cases) {
        SimMachine m(withRegistry(R"("screen":{"width":640,"height":480})",
                                  std::string(R"([HKEY_LOCAL_MACHINE\\Config\\0001\\Display\\Settings]\r\n)") +
                                      c.depthLine + R"(\r\n)"));
        EXPECT_EQ(FormatScreenMode(), c.expected) << c.depthLine;
    }
    SimMachine unknown(R"({"screen":{"width":0,"height":0,"bitsPerPixel":32}})");
    EXPECT_EQ(FormatScreenMode(), "");  // no screen known: no figures, none made up
}

TEST(ScreenMode, ProfileDepthIsKeptInTheRegistry) {
    SimMachine m(R"({"screen":{"width":1024,"height":768,"bitsPerPixel":8}})");
    EXPECT_EQ(FormatScreenMode(), "1024 x 768 (256 Cores)");
    SimMachine n(withRegistry(R"("screen":{"width":1024,"height":768,"bitsPerPixel":8})",
                              R"([HKEY_LOCAL_MACHINE\\Config\\0001\\Display\\Settings]\r\n\"BitsPerPixel\"=\"24\"\r\n)"));
    EXPECT_EQ(FormatScreenMode(), "1024 x 768  (24Bits)");
}

TEST(SoundAndCdrom, FourResults) {
    const struct {
        const char* profile;
        const char* expected;
    } cases[] = {
        {R"({"waveOutDevices":2,"drives":{"D":{"type":5}}})", "Som,  CD-Rom (D:)"},
        {R"({"waveOutDevices":1})", "Som"},
        {R"({"drives":{"D":{"type":5},"E":{"type":5}}})", "CD-Rom (D:, E:)"},
        {R"({"drives":{"C":{"type":3}}})", ""},
    };
    for (const auto& c : cases) {
        SimMachine m(c.profile);
        EXPECT_EQ(SoundAndCdromText(), c.expected) << c.profile;
    }
}

TEST(DetectedDevices, ClassesAreCheckedExactly) {
    const std::string all =
        R"([HKEY_LOCAL_MACHINE\\Enum\\Root\\Printer\\0000]\r\n\"DeviceDesc\"=\"HP\"\r\n)"
        R"([HKEY_LOCAL_MACHINE\\Enum\\Bios\\*PNP0303\\04]\r\n\"DeviceDesc\"=\"Teclado\"\r\n\"Class\"=\"Keyboard\"\r\n)"
        R"([HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0F0C\\0000]\r\n\"DeviceDesc\"=\"Mouse\"\r\n\"Class\"=\"Mouse\"\r\n)"
        R"([HKEY_LOCAL_MACHINE\\Enum\\Root\\Modem\\0000]\r\n\"DeviceDesc\"=\"Modem\"\r\n\"Class\"=\"Modem\"\r\n)";
    {
        SimMachine m(withRegistry("", all));
        EXPECT_EQ(DetectedDevicesText(), "Impressora, Teclado, Mouse, Modem");
    }
    {
        SimMachine m(withRegistry("", R"([HKEY_LOCAL_MACHINE\\Enum\\Bios\\*PNP0303\\04]\r\n)"
                                      R"(\"DeviceDesc\"=\"Teclado\"\r\n\"Class\"=\"keyboard\"\r\n)"
                                      R"([HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0F0C\\0000]\r\n)"
                                      R"(\"Class\"=\"Mouse\"\r\n)"
                                      R"([HKEY_LOCAL_MACHINE\\Enum\\Root\\Modem\\0000]\r\n)"
                                      R"(\"DeviceDesc\"=\"Modem\"\r\n\"Class\"=\"Modem\"\r\n)"));
        // keyboard: class differs in case; mouse: no description; modem: counted.
        EXPECT_EQ(DetectedDevicesText(), "Modem");
    }
    {
        SimMachine m("{}");
        EXPECT_EQ(DetectedDevicesText(), "");
    }
}

TEST(Clock, MeasuredFromTheCounterWithTwoDecimals) {
    SimMachine m(R"({"clock":{"tscTicksPerSecond":467733084},"locale":{"decimalSeparator":","}})");
    const double mhz = MeasureCpuClockMHz();
    EXPECT_NEAR(mhz, 467.733084, 1e-6);
    EXPECT_EQ(FormatClockLine(mhz), "Clock: 467,73 MHz");
    text::setDecimalSeparator('.');
    EXPECT_EQ(FormatClockLine(mhz), "Clock: 467.73 MHz");
    EXPECT_EQ(FormatClockLine(1999.995), "Clock: 2000.00 MHz");  // rounded, not truncated
    EXPECT_EQ(FormatClockLine(0), "Clock: 0.00 MHz");
}

TEST(Clock, DifferenceWrapsAtThirtyTwoBits) {
    // 2^32 ticks in 500 ms: the low 32 bits of the difference are 0.
    SimMachine m(R"({"clock":{"tscTicksPerSecond":8589934592}})");
    EXPECT_EQ(MeasureCpuClockMHz(), 0.0);
}

TEST(Clock, PrioritiesArePutBackInOrderEvenWhenRaisingFails) {
    for (const bool raiseFails : {false, true}) {
        SimMachine m(std::string(R"({"clock":{"tscTicksPerSecond":1000000000,"priorityRaiseFails":)") +
                     (raiseFails ? "true" : "false") + "}}");
        MeasureCpuClockMHz();
        auto& cpu = m.sim().processor();
        EXPECT_EQ(cpu.priorityClass(), platform::NORMAL_PRIORITY_CLASS);
        EXPECT_EQ(cpu.threadPriority(), platform::THREAD_PRIORITY_NORMAL);
        const std::vector<std::string> expected = {"class 256", "thread 15", "thread 0", "class 32"};
        EXPECT_EQ(m.record().priorityLog, expected);
    }
}

TEST(Clock, AnEarlyMeasurementIsTakenOnceThenTheClockIsMeasuredAgain) {
    SimMachine early(R"({"clock":{"tscTicksPerSecond":467733084}})");
    auto& earlyProcessor = early.sim().processor();
    SimMachine installed(R"({"clock":{"tscTicksPerSecond":1000000000}})");
    {
        const EarlyClockMeasurement measurement(earlyProcessor);
        EXPECT_NEAR(MeasureCpuClockMHz(), 467.733084, 1e-6);  // the early one, not the installed processor
        EXPECT_NEAR(MeasureCpuClockMHz(), 1000.0, 1e-6);
    }
    { const EarlyClockMeasurement untaken(earlyProcessor); }  // waits for its thread; nothing left behind
    EXPECT_NEAR(MeasureCpuClockMHz(), 1000.0, 1e-6);
}

TEST(Clock, WithoutCounterPrioritiesAreStillRestored) {
    SimMachine m("{}");
    EXPECT_EQ(MeasureCpuClockMHz(), 0.0);
    EXPECT_EQ(m.record().priorityLog.back(), "class 32");
}

TEST(SystemBox, PrefixesStayWhenValuesAreMissing) {
    SimMachine m("{}");
    EXPECT_EQ(OperatingSystemLine(), "Os: ");
    EXPECT_EQ(ProcessorVendorLine(), "Cpu: ");
    EXPECT_EQ(DisplayAdapterName(), "");
}

}  // namespace
}  // namespace vintrel::system
