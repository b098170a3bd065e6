// A machine profile's folders, paths and registry names: Windows's limits hold, a NUL is an
// error, and a folder that cannot be made stops the run with its name.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/sim/sim_platform.h"
#include "support/test_paths.h"

namespace vintrel::platform::sim {
namespace {

std::string nested(int levels) {
    std::string path = "C:";
    for (int i = 0; i < levels; ++i) path += "\\\\d";
    return path;
}

std::string machine(const std::string& fields) {
    return R"({"drives": {"C": {"type": 3}}, )" + fields + "}";
}

TEST(SimProfileLimits, DeepFoldersAreMadeLevelByLevelOrRefused) {
    test::TempDir root;
    // 512 levels: each made from the one before it, not resolved from C:\ again.
    auto sim = makeSimPlatform(parseProfile(machine(R"("folders": [")" + nested(512) + R"("])"), "p"),
                               root.str(), "p");
    std::filesystem::path deepest = root.path() / "C";
    for (int i = 0; i < 512; ++i) deepest /= "d";
    EXPECT_TRUE(std::filesystem::is_directory(deepest));
    try {
        makeSimPlatform(parseProfile(machine(R"("folders": [")" + nested(2000) + R"("])"), "p"), root.str(),
                        "p");
        ADD_FAILURE() << "a 2,000-level folder was accepted";
    } catch (const ProfileError& error) {
        EXPECT_NE(std::string(error.what()).find("deeper than 512 levels"), std::string::npos)
            << error.what();
    }
}

TEST(SimProfileLimits, NulsAndFoldersThatCannotBeMadeAreErrors) {
    struct Case {
        std::string fields;
        const char* message;
    };
    std::string longName;  // 255 characters, but 510 bytes on a Linux disk
    for (int i = 0; i < 255; ++i) longName += "\\u00e9";
    const Case cases[] = {
        {R"("folders": ["C:\\A\u0000B"])", "folders[0] holds a NUL"},
        {R"("files": {"C:\\a\u0000b.txt": "x"})", "holds a NUL"},
        {R"("registry": ["REGEDIT4", "[HKEY_CURRENT_USER\\K]", "\"a\u0000b\"=\"x\""])", "line 3"},
        {R"("folders": ["C:\\)" + longName + R"("])", "cannot create folder C:\\"},
        {R"("folders": ["C:\\)" + std::string(256, 'n') + R"("])", "longer than 255"},
    };
    for (const Case& c : cases) {
        test::TempDir root;
        try {
            makeSimPlatform(parseProfile(machine(c.fields), "p"), root.str(), "p");
            ADD_FAILURE() << c.fields.substr(0, 60) << " was accepted";
        } catch (const ProfileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace vintrel::platform::sim
