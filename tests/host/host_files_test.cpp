#include "platform/host/host_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <functional>

#include "host_test_support.h"
#include "support/test_paths.h"

namespace {

namespace fs = std::filesystem;
using namespace vintrel::platform;
using vintrel::test::readBytes;
using vintrel::test::writeBytes;

const std::string kControlPanel = "Painel de Controle.{21EC2020-3AEA-1069-A2DD-08002B30309D}";

class HostFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = temp.path() / "C";
        fs::create_directories(base / "WINDOWS" / "Menu Iniciar");
        fs::create_directories(base / "WINDOWS" / "Full");
        writeBytes(base / "WINDOWS" / "Full" / "f.txt", "x");
        writeBytes(base / "WINDOWS" / "system.ini", "[boot.description]\r\nmouse.drv=Logitech Mouse\r\n");
        drives = vintrel::test::FixedDriveMap({{'C', base.string()}});
        files = host::makeHostFiles(drives);
    }

    std::vector<std::string> entries(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    vintrel::test::TempDir temp;
    fs::path base;
    vintrel::test::FixedDriveMap drives;
    std::unique_ptr<Files> files;
};

TEST_F(HostFilesTest, AttributesAndExistence) {
    writeBytes(base / "WINDOWS" / "ro.txt", "r");
    ASSERT_EQ(::chmod((base / "WINDOWS" / "ro.txt").c_str(), 0444), 0);
    struct Case {
        const char* path;
        std::uint32_t attributes;
        bool fileExists;
    };
    const Case cases[] = {
        {"C:\\", FILE_ATTRIBUTE_DIRECTORY, false},
        {"c:\\windows", FILE_ATTRIBUTE_DIRECTORY, false},
        {"C:\\WINDOWS\\SYSTEM.INI", FILE_ATTRIBUTE_ARCHIVE, true},
        {"C:\\Windows\\ro.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, true},
        {"C:\\Windows\\missing.txt", INVALID_FILE_ATTRIBUTES, false},
        {"C:\\nada\\system.ini", INVALID_FILE_ATTRIBUTES, false},
        {"Q:\\", INVALID_FILE_ATTRIBUTES, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files->fileAttributes(c.path), c.attributes) << c.path;
        EXPECT_EQ(files->fileExists(c.path), c.fileExists) << c.path;
    }
}

TEST_F(HostFilesTest, CreateAndRemoveDirectoryCodes) {
    writeBytes(base / "WINDOWS" / "plain.txt", "p");
    fs::create_directories(base / "WINDOWS" / "Menu Iniciar" / "Empty");
    vintrel::test::TempDir outside;
    fs::create_directory_symlink(outside.path(), base / "WINDOWS" / "Linked");
    struct Case {
        bool create;
        std::string path;
        std::uint32_t code;
    };
    const std::vector<Case> cases = {
        {true, "C:\\WINDOWS\\MENU INICIAR\\" + kControlPanel, 0},
        {true, "c:\\windows\\menu iniciar\\" + kControlPanel, ERROR_ALREADY_EXISTS},
        {true, "C:\\Windows\\plain.txt", ERROR_ALREADY_EXISTS},
        {true, "C:\\Windows\\Nada\\" + kControlPanel, ERROR_PATH_NOT_FOUND},
        {true, "C:\\", ERROR_ACCESS_DENIED},
        {true, "C:\\Windows\\a*b", ERROR_INVALID_NAME},
        {false, "c:\\windows\\menu iniciar\\" + kControlPanel, 0},
        {false, "C:\\Windows\\Menu Iniciar\\" + kControlPanel, ERROR_FILE_NOT_FOUND},
        {false, "C:\\Windows\\Nada\\" + kControlPanel, ERROR_PATH_NOT_FOUND},
        {false, "C:\\Windows\\Full", ERROR_DIR_NOT_EMPTY},
        {false, "C:\\Windows\\plain.txt", 267},
        {false, "C:\\", ERROR_ACCESS_DENIED},
        {false, "C:\\windows\\menu iniciar\\empty", 0},
        {false, "C:\\Windows\\Linked", 0},  // the link goes, its folder stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.create ? files->createDirectory(c.path) : files->removeDirectory(c.path), c.code)
            << (c.create ? "create " : "remove ") << c.path;
    EXPECT_EQ(entries(base / "WINDOWS" / "Menu Iniciar"), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "WINDOWS" / "Linked")));
    EXPECT_TRUE(fs::is_directory(outside.path()));
    EXPECT_TRUE(fs::exists(base / "WINDOWS" / "Full" / "f.txt"));
}

TEST_F(HostFilesTest, WriteWholeFileReplacesEverythingAndLeavesNoTemporaryFile) {
    const fs::path report = base / "WINDOWS" / "Desktop" / "Sistema.txt";
    fs::create_directories(report.parent_path());
    EXPECT_EQ(files->writeWholeFile("C:\\Windows\\Desktop\\Sistema.txt", std::string(5000, 'L')), 0u);
    ASSERT_EQ(::chmod(report.c_str(), 0640), 0);
    EXPECT_EQ(files->writeWholeFile("c:\\WINDOWS\\desktop\\SISTEMA.TXT", "short\r\n"), 0u);
    EXPECT_EQ(readBytes(report), "short\r\n");
    EXPECT_EQ(fs::status(report).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(report.parent_path()), std::vector<std::string>{"Sistema.txt"});
    EXPECT_EQ(files->hostPath("C:\\windows\\desktop\\sistema.txt"), report.string());
}

// The next write clears the temporary files of writers killed part-way, and nothing else: not
// one a live writer holds locked, not one just made, not a user's file of a similar name.
TEST_F(HostFilesTest, WriteWholeFileClearsTemporaryFilesOfKilledWriters) {
    const fs::path desktop = base / "WINDOWS" / "Desktop";
    const struct {
        const char* name;
        bool old, locked, kept;
    } cases[] = {
        {".vintrel-0123456789ab.tmp", true, false, false},  // its writer was killed
        {".vintrel-fedcba987654.tmp", true, true, true},    // a writer still holds it
        {".vintrel-00000000aaaa.tmp", false, false, true},  // made a moment ago
        {".vintrel-notes.tmp", true, false, true},          // not our name: no digits
        {"vintrel-0123456789ab.tmp", true, false, true},    // not hidden
        {".vintrel-0123456789AB.tmp", true, false, true},   // capital digits
    };
    std::vector<int> locks;
    for (const auto& c : cases) {
        writeBytes(desktop / c.name, "part");
        if (c.old) {
            const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, (desktop / c.name).c_str(), times, 0), 0);
        }
        if (c.locked) {
            locks.push_back(::open((desktop / c.name).c_str(), O_RDONLY | O_CLOEXEC));
            ASSERT_EQ(::flock(locks.back(), LOCK_EX), 0);
        }
    }
    EXPECT_EQ(files->writeWholeFile("C:\\WINDOWS\\Desktop\\Sistema.txt", "report"), 0u);
    for (const auto& c : cases) EXPECT_EQ(fs::exists(desktop / c.name), c.kept) << c.name;
    for (const int fd : locks) ::close(fd);
}

TEST_F(HostFilesTest, WriteWholeFileThroughTheDesktopLink) {
    vintrel::test::TempDir desktop;
    fs::create_directory_symlink(desktop.path(), base / "WINDOWS" / "Desktop");
    EXPECT_EQ(files->writeWholeFile("C:\\Windows\\Desktop\\Sistema.txt", "report"), 0u);
    EXPECT_EQ(readBytes(desktop.path() / "Sistema.txt"), "report");
    EXPECT_TRUE(fs::is_symlink(base / "WINDOWS" / "Desktop"));
}

TEST_F(HostFilesTest, WriteWholeFileFailures) {
    writeBytes(base / "WINDOWS" / "ro.txt", "old");
    ASSERT_EQ(::chmod((base / "WINDOWS" / "ro.txt").c_str(), 0444), 0);
    fs::create_directories(base / "Locked");
    writeBytes(base / "Locked" / "kept.txt", "old");
    ASSERT_EQ(::chmod((base / "Locked").c_str(), 0555), 0);
    struct Case {
        const char* path;
        std::uint32_t code;
    };
    const Case cases[] = {
        {"C:\\Windows\\Desktop\\Sistema.txt", ERROR_PATH_NOT_FOUND},
        {"C:\\Windows\\ro.txt", ERROR_ACCESS_DENIED},
        {"C:\\Locked\\kept.txt", ERROR_ACCESS_DENIED},
        {"C:\\Locked\\new.txt", ERROR_ACCESS_DENIED},
        {"C:\\Windows\\Full", ERROR_ACCESS_DENIED},
        {"C:\\", ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) EXPECT_EQ(files->writeWholeFile(c.path, "new"), c.code) << c.path;
    EXPECT_EQ(readBytes(base / "WINDOWS" / "ro.txt"), "old");
    EXPECT_EQ(entries(base / "Locked"), std::vector<std::string>{"kept.txt"});
    ::chmod((base / "Locked").c_str(), 0755);
}

// A child process holds a lock on the file until told to let go.
class LockHolder {
public:
    LockHolder(const fs::path& file, const std::function<bool(int)>& lock) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(file.c_str(), O_RDWR);
            const char ok = fd >= 0 && lock(fd) ? 'y' : 'n';
            (void)!::write(ready[1], &ok, 1);
            char ignored;
            (void)!::read(release[0], &ignored, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char ok = 'n';
        locked_ = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() { letGo(); }
    bool locked() const { return locked_; }
    void letGo() {
        if (pid_ <= 0) return;
        ::close(release_);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool locked_ = false;
};

TEST_F(HostFilesTest, WriteWholeFileReportsSharingViolationWhileAnotherProcessHoldsALock) {
    const fs::path report = base / "WINDOWS" / "Sistema.txt";
    const std::vector<std::pair<const char*, std::function<bool(int)>>> kinds = {
        {"flock", [](int fd) { return ::flock(fd, LOCK_EX) == 0; }},
        {"fcntl",
         [](int fd) {
             struct flock lock {};
             lock.l_type = F_WRLCK;
             lock.l_whence = SEEK_SET;
             return ::fcntl(fd, F_SETLK, &lock) == 0;
         }},
    };
    for (const auto& [name, lock] : kinds) {
        writeBytes(report, "held");
        LockHolder holder(report, lock);
        ASSERT_TRUE(holder.locked()) << name;
        EXPECT_EQ(files->writeWholeFile("C:\\Windows\\Sistema.txt", "new"), ERROR_SHARING_VIOLATION) << name;
        EXPECT_EQ(readBytes(report), "held") << name;
        holder.letGo();
        EXPECT_EQ(files->writeWholeFile("C:\\Windows\\Sistema.txt", "new"), 0u) << name;
        EXPECT_EQ(readBytes(report), "new") << name;
    }
}

TEST_F(HostFilesTest, PrivateProfileStringReadsTheFileCaseInsensitively) {
    EXPECT_EQ(
        files->privateProfileString("boot.description", "mouse.drv", "nada", 2048, "c:\\windows\\system.ini"),
        "Logitech Mouse");
    EXPECT_EQ(
        files->privateProfileString("BOOT.DESCRIPTION", "MOUSE.DRV", "nada", 5, "C:\\WINDOWS\\SYSTEM.INI"),
        "Logi");
    EXPECT_EQ(
        files->privateProfileString("boot.description", "mouse.drv", "nada", 2048, "c:\\nada\\system.ini"),
        "nada");
    EXPECT_EQ(files->privateProfileString("boot.description", "mouse.drv", "nada", 2048, "c:\\windows"),
              "nada");
    EXPECT_EQ(files->hostPath("Z:\\x"), "");
}

}  // namespace
