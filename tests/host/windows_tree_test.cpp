#include "platform/host/windows_tree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host_test_support.h"
#include "support/test_paths.h"

namespace {

namespace fs = std::filesystem;
using namespace vintrel::platform::host;
using vintrel::test::readBytes;
using vintrel::test::writeBytes;

std::string describe(const std::vector<TreeProblem>& problems) {
    std::string out;
    for (const auto& p : problems) out += p.path + ": " + p.what + " " + p.error.message() + "\n";
    return out;
}

TEST(WindowsTree, FirstStartCreatesTheTreeAndASecondChangesNothing) {
    vintrel::test::TempDir temp;
    vintrel::test::TempDir desktop;
    const fs::path root = temp.path() / "data" / "vintrel";
    for (int run = 0; run < 2; ++run) {
        const auto problems = prepareWindowsTree(root.string(), desktop.str());
        EXPECT_TRUE(problems.empty()) << describe(problems);
        if (run == 0) writeBytes(root / "C" / "WINDOWS" / "Desktop" / "Sistema.txt", "kept");
    }
    EXPECT_EQ(fs::status(root).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_directory(root / "C" / "WINDOWS" / "SYSTEM"));
    ASSERT_TRUE(fs::is_symlink(root / "C" / "WINDOWS" / "Desktop"));
    EXPECT_EQ(fs::read_symlink(root / "C" / "WINDOWS" / "Desktop"), desktop.path());
    EXPECT_EQ(readBytes(desktop.path() / "Sistema.txt"), "kept");
    EXPECT_EQ(driveCFolder(root.string() + "/"), (root / "C").string());
}

TEST(WindowsTree, KeepsWhatExistsInWhateverLetterCase) {
    vintrel::test::TempDir temp;
    vintrel::test::TempDir desktop;
    const fs::path windows = temp.path() / "C" / "Windows";
    fs::create_directories(windows / "system");
    fs::create_directories(windows / "DESKTOP");
    writeBytes(windows / "DESKTOP" / "old.txt", "old");
    const auto problems = prepareWindowsTree(temp.str(), "");
    EXPECT_TRUE(problems.empty()) << describe(problems);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(windows)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"DESKTOP", "Menu Iniciar", "system"}));
    EXPECT_FALSE(fs::exists(temp.path() / "C" / "WINDOWS"));
    EXPECT_FALSE(fs::is_symlink(windows / "DESKTOP"));
    EXPECT_EQ(readBytes(windows / "DESKTOP" / "old.txt"), "old");
}

// The link follows the desktop's folder when user-dirs.dirs renames it, so the report lands
// on the desktop and not in a folder that no longer exists.
TEST(WindowsTree, DesktopLinkFollowsARenamedDesktop) {
    vintrel::test::TempDir temp;
    vintrel::test::TempDir home;
    const fs::path config = home.path() / ".config", link = temp.path() / "C" / "WINDOWS" / "Desktop";
    fs::create_directories(home.path() / "Desktop");
    EXPECT_TRUE(prepareWindowsTree(temp.str(), xdgDesktopDirFrom(home.str(), config.string())).empty());
    EXPECT_EQ(fs::read_symlink(link), home.path() / "Desktop");

    const fs::path renamed = home.path() / "Área de Trabalho";
    fs::rename(home.path() / "Desktop", renamed);
    writeBytes(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Área de Trabalho\"\n");
    const auto problems = prepareWindowsTree(temp.str(), xdgDesktopDirFrom(home.str(), config.string()));
    EXPECT_TRUE(problems.empty()) << describe(problems);
    EXPECT_EQ(fs::read_symlink(link), renamed);
    writeBytes(link / "Sistema.txt", "report");
    EXPECT_EQ(readBytes(renamed / "Sistema.txt"), "report");
}

// A folder made while there was no desktop hands what it holds to the desktop once there is
// one, renaming what would collide, and becomes the link.
TEST(WindowsTree, PrivateDesktopMovesOntoTheDesktopWithoutReplacingAnything) {
    vintrel::test::TempDir temp;
    vintrel::test::TempDir desktop;
    const fs::path folder = temp.path() / "C" / "WINDOWS" / "Desktop";
    EXPECT_TRUE(prepareWindowsTree(temp.str(), "").empty());
    writeBytes(folder / "Sistema.txt", "mine");
    writeBytes(folder / "notas", "notes");
    writeBytes(folder / "pasta" / "a.txt", "a");
    writeBytes(desktop.path() / "Sistema.txt", "theirs");
    writeBytes(desktop.path() / "Sistema (2).txt", "theirs too");
    const auto problems = prepareWindowsTree(temp.str(), desktop.str());
    EXPECT_TRUE(problems.empty()) << describe(problems);
    EXPECT_EQ(fs::read_symlink(folder), desktop.path());
    const std::pair<const char*, const char*> expected[] = {
        {"Sistema.txt", "theirs"},   {"Sistema (2).txt", "theirs too"},
        {"Sistema (3).txt", "mine"}, {"notas", "notes"},
        {"pasta/a.txt", "a"},
    };
    for (const auto& [name, bytes] : expected) EXPECT_EQ(readBytes(desktop.path() / name), bytes) << name;
}

TEST(WindowsTree, DesktopIsAPlainFolderWithoutADesktopToLinkTo) {
    for (const std::string& desktop : {std::string(), std::string("/nonexistent/Desktop")}) {
        vintrel::test::TempDir temp;
        EXPECT_TRUE(prepareWindowsTree(temp.str(), desktop).empty()) << desktop;
        const fs::path path = temp.path() / "C" / "WINDOWS" / "Desktop";
        EXPECT_TRUE(fs::is_directory(path) && !fs::is_symlink(path)) << desktop;
    }
}

TEST(WindowsTree, ReportsWhatItCannotFixAndDeletesNothing) {
    vintrel::test::TempDir temp;
    vintrel::test::TempDir desktop;
    const fs::path windows = temp.path() / "C" / "WINDOWS";
    fs::create_directories(windows);
    fs::create_directory_symlink(temp.path() / "gone", windows / "Desktop");
    writeBytes(windows / "SYSTEM", "a file");
    const auto problems = prepareWindowsTree(temp.str(), "");  // no desktop to lead to
    ASSERT_EQ(problems.size(), 2u) << describe(problems);
    EXPECT_EQ(problems[0].path, (windows / "SYSTEM").string());
    EXPECT_EQ(problems[1].path, (windows / "Desktop").string());
    EXPECT_EQ(readBytes(windows / "SYSTEM"), "a file");
    EXPECT_EQ(fs::read_symlink(windows / "Desktop"), temp.path() / "gone");

    vintrel::test::TempDir other;
    writeBytes(other.path() / "root", "not a folder");
    EXPECT_EQ(prepareWindowsTree((other.path() / "root").string(), desktop.str()).size(), 1u);
    EXPECT_EQ(readBytes(other.path() / "root"), "not a folder");
}

TEST(UserDirs, ParsesTheDesktopEntry) {
    struct Case {
        const char* text;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/ana/Desktop"},
        {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/x\"\nXDG_DESKTOP_DIR=\"$HOME/Área de Trabalho\"",
         "/home/ana/Área de Trabalho"},
        {"XDG_DESKTOP_DIR=\"/srv/desk\"\n", "/srv/desk"},
        {"XDG_DESKTOP_DIR=\"$HOME/a\\\"b\\\\c\"\n", "/home/ana/a\"b\\c"},
        {"XDG_DESKTOP_DIR=\"$HOME\"\n", "/home/ana"},
        {"XDG_DESKTOP_DIR=\"$HOME/1\"\nXDG_DESKTOP_DIR=\"$HOME/2\"\n", "/home/ana/2"},
        {"XDG_DESKTOP_DIR=\"$HOMEX/a\"\n", std::nullopt},
        {"XDG_DESKTOP_DIR=\"relative\"\n", std::nullopt},
        {"XDG_DESKTOP_DIR=$HOME/Desktop\n", std::nullopt},
        {"XDG_DESKTOP_DIR=\"$HOME/unterminated\n", std::nullopt},
        {"#XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseUserDirsEntry(c.text, "XDG_DESKTOP_DIR", "/home/ana"), c.value) << c.text;
}

TEST(UserDirs, DesktopFolderFromConfigurationElseHomeDesktop) {
    vintrel::test::TempDir home;
    const fs::path config = home.path() / ".config";
    const std::string h = home.str();
    EXPECT_EQ(xdgDesktopDirFrom(h, config.string()), "");
    fs::create_directories(home.path() / "Desktop");
    EXPECT_EQ(xdgDesktopDirFrom(h, config.string()), h + "/Desktop");
    fs::create_directories(home.path() / "Mesa");
    writeBytes(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Mesa\"\n");
    EXPECT_EQ(xdgDesktopDirFrom(h, config.string()), h + "/Mesa");
    writeBytes(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Missing\"\n");
    EXPECT_EQ(xdgDesktopDirFrom(h, config.string()), h + "/Desktop");
    writeBytes(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/\"\n");
    EXPECT_EQ(xdgDesktopDirFrom(h, config.string()), "");  // turned off
}

// Menu Iniciar as setup makes it; SYSTEM.INI made once, whole, and never rewritten, in
// whatever letter case it exists.
TEST(WindowsTree, StartMenuAndSystemIniOnFirstStartOnly) {
    vintrel::test::TempDir temp;
    int asked = 0;
    const auto ini = [&] {
        ++asked;
        return newSystemIniText("Logitech USB\nMouse");
    };
    EXPECT_TRUE(prepareWindowsTree(temp.str(), "", ini).empty());
    const fs::path windows = temp.path() / "C" / "WINDOWS";
    EXPECT_TRUE(fs::is_directory(windows / "Menu Iniciar"));
    EXPECT_EQ(readBytes(windows / "SYSTEM.INI"), "[boot.description]\r\nmouse.drv=Logitech USB Mouse\r\n");
    writeBytes(windows / "SYSTEM.INI", "edited");
    EXPECT_TRUE(prepareWindowsTree(temp.str(), "", ini).empty());
    EXPECT_EQ(readBytes(windows / "SYSTEM.INI"), "edited");
    EXPECT_EQ(asked, 1) << "the device is looked up only for a new file";

    vintrel::test::TempDir other;
    fs::create_directories(other.path() / "C" / "windows");
    writeBytes(other.path() / "C" / "windows" / "system.ini", "mine");
    EXPECT_TRUE(prepareWindowsTree(other.str(), "", ini).empty());
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(other.path() / "C" / "windows"))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Desktop", "Menu Iniciar", "SYSTEM", "system.ini"}));
    EXPECT_EQ(readBytes(other.path() / "C" / "windows" / "system.ini"), "mine");
}

}  // namespace
