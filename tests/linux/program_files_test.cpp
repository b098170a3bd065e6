#include "platform/linux/program_files.h"

#include <gtest/gtest.h>

#include <set>

namespace vintrel::platform::linux_host {
namespace {

TEST(ProgramFiles, WhichPathsNameAMappedProgram) {
    const struct {
        const char* path;
        const char* program;  // nullptr: not a mapped program's file
    } rows[] = {
        {"c:\\Windows\\Msconfig.exe", "msconfig.exe"},
        {"C:\\WINDOWS\\SYSTEM\\MSCONFIG.EXE", "msconfig.exe"},
        {"c:/windows/system/sysedit.exe", "sysedit.exe"},
        {"C:\\WINDOWS\\\\.\\NOTEPAD.EXE", "notepad.exe"},
        {"C:\\WINDOWS\\CONTROL.EXE", "control.exe"},
        {"C:\\WINDOWS\\COMMAND\\MSCONFIG.EXE", nullptr},
        {"C:\\WINDOWS\\SYSTEM\\X\\MSCONFIG.EXE", nullptr},
        {"D:\\WINDOWS\\MSCONFIG.EXE", nullptr},
        {"C:\\MSCONFIG.EXE", nullptr},
        {"C:\\WINDOWS\\MSCONFIG", nullptr},
        {"C:\\WINDOWS\\REGEDIT.EXE", nullptr},
        {"MSCONFIG.EXE", nullptr},
    };
    for (const auto& row : rows) {
        const auto program = mappedProgramFile(row.path);
        if (row.program)
            EXPECT_EQ(program, row.program) << row.path;
        else
            EXPECT_FALSE(program) << row.path;
    }
}

// Host files that hold one real file.
class OneFile : public Files {
public:
    std::uint32_t fileAttributes(std::string_view) override { return INVALID_FILE_ATTRIBUTES; }
    std::uint32_t createDirectory(std::string_view) override { return 0; }
    std::uint32_t removeDirectory(std::string_view) override { return 0; }
    bool fileExists(std::string_view path) override { return path == "C:\\WINDOWS\\SYSTEM\\SYSEDIT.EXE"; }
    std::uint32_t writeWholeFile(std::string_view, std::string_view) override { return 0; }
    std::string privateProfileString(std::string_view, std::string_view, std::string_view d, std::uint32_t,
                                     std::string_view) override {
        return std::string(d);
    }
    std::string hostPath(std::string_view) override { return {}; }
};

TEST(ProgramFiles, ExistWhenMappedToAnInstalledProgramOrReal) {
    const std::set<std::string> installed = {"msconfig.exe"};
    ProgramFiles files(std::make_unique<OneFile>(),
                       [&](std::string_view program) { return installed.count(std::string(program)) > 0; });
    EXPECT_TRUE(files.fileExists("c:\\Windows\\Msconfig.exe"));
    EXPECT_TRUE(files.fileExists("C:\\WINDOWS\\SYSTEM\\MSCONFIG.EXE"));
    EXPECT_FALSE(files.fileExists("C:\\WINDOWS\\NOTEPAD.EXE")) << "no counterpart installed";
    EXPECT_TRUE(files.fileExists("C:\\WINDOWS\\SYSTEM\\SYSEDIT.EXE")) << "a real file";
    EXPECT_FALSE(files.fileExists("C:\\WINDOWS\\SYSTEM.INI"));
}

}  // namespace
}  // namespace vintrel::platform::linux_host
