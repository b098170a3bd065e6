#include "platform/host/dos_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "host_test_support.h"
#include "platform/api/platform.h"
#include "support/test_paths.h"
#include "text/cp1252.h"

namespace {

namespace fs = std::filesystem;
using namespace vintrel::platform;
using namespace vintrel::platform::host;
using vintrel::text::operator""_w;

struct SplitCase {
    std::string path;
    std::uint32_t error;
    char drive;
    std::vector<std::string> components;
};

TEST(SplitDosPath, TakesPathsApartAsWindowsNormalisesThem) {
    const std::vector<SplitCase> cases = {
        {"c:\\Windows\\system.ini", 0, 'C', {"Windows", "system.ini"}},
        {"d:/Windows//system.ini", 0, 'D', {"Windows", "system.ini"}},
        {"\\Menu Iniciar\\x", 0, 'C', {"Menu Iniciar", "x"}},
        {"relative\\x", 0, 'C', {"relative", "x"}},
        {"j:", 0, 'J', {}},
        {"C:x", 0, 'C', {"x"}},
        {"C:\\a\\..\\..\\..\\b", 0, 'C', {"b"}},
        {"C:\\a\\.\\b\\", 0, 'C', {"a", "b"}},
        {"C:\\a.\\b  \\...\\c", 0, 'C', {"a", "b", "c"}},
        {std::string("C:\\a\0b", 6), 0, 'C', {"a"}},
        {std::string("C:\\Acesso à rede"_w), 0, 'C', {std::string("Acesso à rede"_w)}},
        {"", ERROR_PATH_NOT_FOUND, 'C', {}},
        {"\\\\server\\share\\x", ERROR_PATH_NOT_FOUND, 'C', {}},
        {"//?/C:/x", ERROR_PATH_NOT_FOUND, 'C', {}},
        {"1:\\x", ERROR_PATH_NOT_FOUND, 'C', {}},
        {"C:\\a<b", ERROR_INVALID_NAME, 'C', {}},
        {"C:\\a>b", ERROR_INVALID_NAME, 'C', {}},
        {"C:\\dir\\a:b", ERROR_INVALID_NAME, 'C', {}},
        {"C:\\a\"b", ERROR_INVALID_NAME, 'C', {}},
        {"C:\\a|b", ERROR_INVALID_NAME, 'C', {}},
        {"C:\\*.txt", ERROR_INVALID_NAME, 'C', {}},
        {"C:\\a?", ERROR_INVALID_NAME, 'C', {}},
        {"C:\\a\tb", ERROR_INVALID_NAME, 'C', {}},
    };
    for (const auto& c : cases) {
        const DosPathParts parts = splitDosPath(c.path);
        EXPECT_EQ(parts.error, c.error) << c.path;
        if (c.error != 0) continue;
        EXPECT_EQ(parts.drive, c.drive) << c.path;
        EXPECT_EQ(parts.components, c.components) << c.path;
    }
}

class ResolveDosPath : public ::testing::Test {
protected:
    void SetUp() override {
        base = temp.path() / "C";
        fs::create_directories(base / "WINDOWS" / "SYSTEM");
        fs::create_directories(base / "WINDOWS" / "Menu Iniciar");
        fs::create_directories(base / "ÉCOLE");
        fs::create_directories(base / "Acesso à rede");
        fs::create_directories(base / "Dup");
        fs::create_directories(base / "DUP");
        fs::create_directories(base / "caf\xe9");  // a Latin-1 name, not UTF-8
        vintrel::test::writeBytes(base / "WINDOWS" / "system.ini", "[boot]\n");
        drives = vintrel::test::FixedDriveMap({{'C', base.string()}});
    }

    vintrel::test::TempDir temp;
    fs::path base;
    vintrel::test::FixedDriveMap drives;
};

TEST_F(ResolveDosPath, MatchesNamesWithoutRegardToCase) {
    struct Case {
        std::string dosPath;
        std::uint32_t error;
        std::string hostRelative;  // under the drive's folder
        bool exists;
    };
    const std::vector<Case> cases = {
        {"c:\\windows\\SYSTEM.INI", 0, "WINDOWS/system.ini", true},
        {"C:/Windows/System", 0, "WINDOWS/SYSTEM", true},
        {"c:\\windows\\menu iniciar\\Novo", 0, "WINDOWS/Menu Iniciar/Novo", false},
        {std::string("C:\\école"_w), 0, "ÉCOLE", true},
        {std::string("C:\\ACESSO À REDE"_w), 0, "Acesso à rede", true},
        {std::string("C:\\CAFÉ"_w), 0, "caf\xe9", true},
        {"C:\\Dup", 0, "Dup", true},  // exact spelling wins
        {"C:\\dup", 0, "DUP", true},  // else the byte-wise smallest match
        {"C:\\..\\..\\Windows\\..\\..\\windows", 0, "WINDOWS", true},
        {"\\WINDOWS\\system.ini.", 0, "WINDOWS/system.ini", true},
        {"C:\\nada\\x", ERROR_PATH_NOT_FOUND, "", false},
        {"C:\\windows\\system.ini\\x", ERROR_PATH_NOT_FOUND, "", false},
        {"E:\\x", ERROR_PATH_NOT_FOUND, "", false},
        {"C:\\windows\\a?b", ERROR_INVALID_NAME, "", false},
        {"C:\\" + std::string(256, 'a'), ERROR_INVALID_NAME, "", false},
        {"C:\\" + std::string(200, '\xFC'), ERROR_INVALID_NAME, "", false},  // 400 bytes in UTF-8
    };
    for (const auto& c : cases) {
        const ResolvedPath resolved = resolveDosPath(drives, c.dosPath);
        EXPECT_EQ(resolved.error, c.error) << c.dosPath;
        if (c.error != 0) continue;
        EXPECT_EQ(resolved.hostPath, (base / c.hostRelative).string()) << c.dosPath;
        EXPECT_EQ(resolved.exists, c.exists) << c.dosPath;
        EXPECT_FALSE(resolved.isDriveRoot) << c.dosPath;
    }
}

TEST_F(ResolveDosPath, DriveRootIsTheDrivesFolder) {
    for (const char* path : {"C:\\", "c:", "\\", "C:\\..", "/"}) {
        const ResolvedPath resolved = resolveDosPath(drives, path);
        EXPECT_EQ(resolved.error, 0u) << path;
        EXPECT_EQ(resolved.hostPath, base.string()) << path;
        EXPECT_TRUE(resolved.isDriveRoot) << path;
    }
}

TEST_F(ResolveDosPath, DriveWhoseFolderIsMissingIsPathNotFound) {
    vintrel::test::FixedDriveMap gone({{'C', (temp.path() / "absent").string()}});
    EXPECT_EQ(resolveDosPath(gone, "C:\\").error, ERROR_PATH_NOT_FOUND);
}

// Links on a drive held in a private folder may lead anywhere (C:\WINDOWS\Desktop); on a drive
// in a folder that others may write to, they may not leave the drive.
TEST_F(ResolveDosPath, LinksLeaveOnlyOwnedDrives) {
    vintrel::test::TempDir outside;
    fs::create_directory_symlink(outside.path(), base / "WINDOWS" / "Desktop");
    const ResolvedPath owned = resolveDosPath(drives, "C:\\windows\\desktop\\Sistema.txt");
    EXPECT_EQ(owned.error, 0u);
    EXPECT_EQ(owned.hostPath, (base / "WINDOWS" / "Desktop" / "Sistema.txt").string());

    const fs::path shared = temp.path() / "shared";
    const fs::path d = shared / "D";
    fs::create_directories(d / "inside");
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    fs::create_directory_symlink(outside.path(), d / "out");
    fs::create_directory_symlink(d / "inside", d / "in");
    vintrel::test::writeBytes(outside.path() / "secret", "x");
    fs::create_symlink(outside.path() / "secret", d / "secret-link");
    vintrel::test::FixedDriveMap foreign({{'D', d.string()}});

    EXPECT_EQ(resolveDosPath(foreign, "D:\\in\\new.txt").error, 0u);
    EXPECT_EQ(resolveDosPath(foreign, "D:\\out").error, ERROR_ACCESS_DENIED);
    EXPECT_EQ(resolveDosPath(foreign, "D:\\out\\new.txt").error, ERROR_ACCESS_DENIED);
    EXPECT_EQ(resolveDosPath(foreign, "D:\\OUT\\secret").error, ERROR_ACCESS_DENIED);
    EXPECT_EQ(resolveDosPath(foreign, "D:\\secret-link").error, ERROR_ACCESS_DENIED);
}

}  // namespace
