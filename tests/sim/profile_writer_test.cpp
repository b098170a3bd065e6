// A written profile reads back field for field: what a capture writes, a run plays.
#include "platform/sim/profile_writer.h"

#include <gtest/gtest.h>

#include <functional>

namespace vintrel::platform::sim {
namespace {

using namespace std::string_literals;

TEST(ProfileWriter, EveryFieldReadsBack) {
    Profile p;
    DriveProfile& c = p.drives[2];
    c.type = DRIVE_FIXED;
    c.volume = {"SISTEMA \xC9", 0xDEADBEEF, 255, FS_VOL_IS_COMPRESSED, "NTFS"};
    c.totalBytes = 6500000000;
    c.freeBytes = 2700000000;
    p.drives[3].type = DRIVE_CDROM;
    p.drives[3].volumeQueryFails = true;
    p.drives[3].spaceQueryFails = true;
    p.drives[4].type = DRIVE_UNKNOWN;
    p.memory = {64, 42, 66650112, 38000000, 100000000, 81125632, 140737488351232, 2000000000};
    p.screen = {1920, 1080};
    p.bitsPerPixel = 24;
    p.locale = {',', "%d/%m/%Y", "%I:%M:%S %p", "da manh\xE3", "da tarde"};
    p.registryText =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"n\"=\"Relat\xF3rio\"\r\n\"b\"=hex:01,ab\r\n";
    p.folders = {"C:\\WINDOWS\\Menu Iniciar\\Acesso \xE0 rede"};
    p.files = {{"C:\\WINDOWS\\SYSTEM\\MSCONFIG.EXE", ""},
               {"C:\\WINDOWS\\system.ini", "[boot]\r\nmouse.drv=\x93x\x94\r\n"}};
    p.waveOutDevices = 2;
    p.tscTicksPerSecond = 2596382544;
    p.priorityRaiseFails = true;
    p.printers = {{"Laser \x80", "LPT1:"}};
    p.windows = {"Relat\xF3rio - Bloco de notas"};
    p.platformId = VER_PLATFORM_WIN32_WINDOWS;
    p.localTime = LocalTime{1999, 12, 31, 23, 59, 58};

    const Profile r = parseProfile(profileJson(p), "written");
    const struct {
        const char* field;
        std::function<bool(const Profile&)> same;
    } checks[] = {
        {"drive C",
         [&](const Profile& q) {
             const auto& d = q.drives[2];
             return d.type == c.type && d.volume.volumeLabel == c.volume.volumeLabel &&
                    d.volume.serialNumber == c.volume.serialNumber && d.volume.maxComponentLength == 255 &&
                    d.volume.fileSystemFlags == c.volume.fileSystemFlags &&
                    d.volume.fileSystemName == "NTFS" && d.totalBytes == c.totalBytes &&
                    d.freeBytes == c.freeBytes && !d.volumeQueryFails;
         }},
        {"drive D",
         [](const Profile& q) {
             return q.drives[3].type == DRIVE_CDROM && q.drives[3].volumeQueryFails &&
                    q.drives[3].spaceQueryFails;
         }},
        {"drive E", [](const Profile& q) { return q.drives[4].type == DRIVE_UNKNOWN; }},
        {"no drive F", [](const Profile& q) { return q.drives[5].type == DRIVE_NO_ROOT_DIR; }},
        {"memory",
         [&](const Profile& q) {
             return q.memory.memoryLoad == 42 && q.memory.totalPhys == p.memory.totalPhys &&
                    q.memory.availPhys == p.memory.availPhys &&
                    q.memory.totalPageFile == p.memory.totalPageFile &&
                    q.memory.availPageFile == p.memory.availPageFile &&
                    q.memory.totalVirtual == p.memory.totalVirtual &&
                    q.memory.availVirtual == p.memory.availVirtual;
         }},
        {"screen",
         [](const Profile& q) {
             return q.screen.width == 1920 && q.screen.height == 1080 && q.bitsPerPixel == 24u;
         }},
        {"locale",
         [&](const Profile& q) {
             return q.locale.decimalSeparator == ',' &&
                    q.locale.shortDateFormat == p.locale.shortDateFormat &&
                    q.locale.timeFormat == p.locale.timeFormat &&
                    q.locale.amDesignator == p.locale.amDesignator &&
                    q.locale.pmDesignator == p.locale.pmDesignator;
         }},
        {"registry", [&](const Profile& q) { return q.registryText == p.registryText; }},
        {"folders", [&](const Profile& q) { return q.folders == p.folders; }},
        {"files",
         [&](const Profile& q) {
             return q.files.size() == 2 && q.files[0].path == p.files[0].path &&
                    q.files[1].content == p.files[1].content;
         }},
        {"sound", [](const Profile& q) { return q.waveOutDevices == 2; }},
        {"clock",
         [](const Profile& q) {
             return q.tscTicksPerSecond == 2596382544u && q.priorityRaiseFails && q.localTime &&
                    q.localTime->year == 1999 && q.localTime->second == 58;
         }},
        {"printers",
         [](const Profile& q) {
             return q.printers.size() == 1 && q.printers[0].name == "Laser \x80" &&
                    q.printers[0].ports == "LPT1:";
         }},
        {"windows", [&](const Profile& q) { return q.windows == p.windows; }},
        {"platformId", [](const Profile& q) { return q.platformId == VER_PLATFORM_WIN32_WINDOWS; }},
    };
    for (const auto& check : checks) EXPECT_TRUE(check.same(r)) << check.field;
    EXPECT_FALSE(parseProfile(profileJson(Profile{}), "empty").tscTicksPerSecond);
}

}  // namespace
}  // namespace vintrel::platform::sim
