#include <gtest/gtest.h>

#include <string>

#include "platform/sim/profile.h"

namespace vintrel::platform::sim {
namespace {

std::string nested(std::size_t depth, const std::string& inner) {
    return std::string(depth, '[') + inner + std::string(depth, ']');
}

// What parseProfile says about a profile: the problem it names, or "ok" with the fields the
// check reads.
struct Case {
    std::string json;
    std::string expected;  // a part of the error message, or "ok"
    bool (*check)(const Profile&) = nullptr;
};

TEST(ProfileErrors, EveryProblemNamedAndNothingCut) {
    const Case cases[] = {
        // not a profile
        {"{", "not valid JSON"},
        {"[]", "the profile must be a JSON object"},
        {"", "not valid JSON"},
        // wrong types
        {R"({"drives": []})", "profile.drives must be an object"},
        {R"({"drives": {"C": 3}})", "drives.C must be an object"},
        {R"({"drives": {"CD": {}}})", "drives.CD: a drive is named by one letter"},
        {R"({"drives": {"1": {}}})", "a drive is named by one letter"},
        {R"({"drives": {"[": {}}})", "a drive is named by one letter"},
        {R"({"drives": {"C": {"volumeLabel": 5}}})", "drives.C.volumeLabel must be a string"},
        {R"({"drives": {"C": {"spaceQueryFails": 1}}})", "drives.C.spaceQueryFails must be true or false"},
        {R"({"memory": {"totalPhys": "1"}})", "memory.totalPhys must be a whole number"},
        {R"({"memory": {"totalPhys": 1.5}})", "memory.totalPhys must be a whole number"},
        {R"({"screen": {"width": true}})", "screen.width must be a whole number"},
        {R"({"locale": {"decimalSeparator": ",,"}})", "locale.decimalSeparator must be one character"},
        {R"({"locale": []})", "profile.locale must be an object"},
        {R"({"registry": 5})", "registry must be REGEDIT4 text or a list of its lines"},
        {R"({"registry": ["REGEDIT4", 1]})", "registry lines must be strings"},
        {R"({"folders": "C:\\X"})", "folders must be a list"},
        {R"({"windows": [1]})", "windows must hold strings"},
        {R"({"files": []})", "files must be an object"},
        {R"({"files": {"C:\\A.TXT": 1}})", "files.C:\\A.TXT must be a string"},
        {R"({"printers": {}})", "printers must be a list"},
        {R"({"printers": [1]})", "printers must hold names or objects"},
        {R"({"printers": [{"name": 1}]})", "printers.name must be a string"},
        {R"({"clock": {"priorityRaiseFails": "yes"}})", "clock.priorityRaiseFails must be true or false"},
        // negative numbers
        {R"({"memory": {"availPhys": -1}})", "memory.availPhys must not be negative"},
        {R"({"waveOutDevices": -1})", "profile.waveOutDevices must not be negative"},
        {R"({"clock": {"tscTicksPerSecond": -1}})", "clock.tscTicksPerSecond must not be negative"},
        {R"({"drives": {"C": {"type": -1}}})", "drives.C.type must be a drive type from 0 to 6"},
        {R"({"screen": {"width": -800}})", "screen sizes must not be negative"},
        {R"({"drives": {"C": {"freeBytes": -1}}})", "drives.C.freeBytes must not be negative"},
        {R"({"drives": {"C": {"totalBytes": -400}}})", "drives.C.totalBytes must not be negative"},
        // huge numbers: refused, never cut to the field's width
        {R"({"drives": {"C": {"type": 4294967299}}})", "drives.C.type is too large"},
        {R"({"drives": {"C": {"serialNumber": 4294967296}}})", "drives.C.serialNumber is too large"},
        {R"({"drives": {"C": {"totalBytes": 9223372036854775808}}})", "drives.C.totalBytes is too large"},
        {R"({"screen": {"height": -2147483649}})", "screen.height is too small"},
        {R"({"memory": {"totalPhys": 18446744073709551616}})", "memory.totalPhys must be a whole number"},
        {R"({"memory": {"totalPhys": 1e400}})", "not valid JSON"},
        {R"({"memory": {"memoryLoad": 101}})", "memory.memoryLoad must be from 0 to 100"},
        {R"({"memory": {"totalPhys": 18446744073709551615}})", "ok",
         [](const Profile& p) { return p.memory.totalPhys == UINT64_MAX; }},
        {R"({"drives": {"C": {"serialNumber": 4294967295}}})", "ok",
         [](const Profile& p) { return p.drives[2].volume.serialNumber == UINT32_MAX; }},
        // missing fields take their defaults
        {"{}", "ok",
         [](const Profile& p) {
             return p.drives[2].type == DRIVE_NO_ROOT_DIR && p.screen.width == 800 && !p.tscTicksPerSecond;
         }},
        {R"({"drives": {"d": {}}})", "ok",
         [](const Profile& p) {
             return p.drives[3].type == DRIVE_FIXED && p.drives[3].volume.maxComponentLength == 255;
         }},
        {R"({"screen": {"height": 480}, "clock": {}})", "ok",
         [](const Profile& p) {
             return p.screen.width == 800 && p.screen.height == 480 && !p.tscTicksPerSecond;
         }},
        // deep nesting
        {nested(100000, ""), "the profile must be a JSON object"},
        {std::string(100000, '['), "not valid JSON"},
        {R"({"drives": )" + nested(100000, "") + "}", "profile.drives must be an object"},
        {R"({"windows": )" + nested(100000, R"("x")") + "}", "windows must hold strings"},
        {R"({"files": {"C:\\A": )" + nested(100000, "") + "}}", "files.C:\\A must be a string"},
    };
    for (const auto& c : cases) {
        const std::string shown = c.json.substr(0, 80);
        try {
            const Profile p = parseProfile(c.json, "test.json");
            EXPECT_EQ(c.expected, "ok") << shown;
            if (c.check) {
                EXPECT_TRUE(c.check(p)) << shown;
            }
        } catch (const ProfileError& e) {
            const std::string message = e.what();
            EXPECT_TRUE(message.starts_with("test.json: ")) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << shown << " -> " << message;
        }
    }
}

}  // namespace
}  // namespace vintrel::platform::sim
