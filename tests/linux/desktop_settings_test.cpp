// The pure rules of the desktop settings, the Start-menu mirror following the folders that a
// program makes and removes, and the activity manager asked to forget on a private bus.
// The writers' round trips against GSettings, settings.ini and a menu parser are in
// tests/e2e/desktop_integration.sh.

#include <gtest/gtest.h>
#include <QDBusVariant>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/desktop_settings.h"
#include "platform/linux/kde_recent_documents.h"
#include "platform/linux/start_menu_mirror.h"
#include "support/fake_bus.h"
#include "support/test_paths.h"

namespace vintrel::platform::linux_host {
namespace {

namespace fs = std::filesystem;
using List = std::vector<std::string>;

TEST(DesktopSettings, BitmapThumbnailsJoinOrLeaveTheDisableList) {
    struct Case {
        List before;
        bool show;
        List after;
    };
    const Case cases[] = {
        {{}, false, {"image/bmp"}},
        {{"image/png", "application/x-foo"}, false, {"image/png", "application/x-foo", "image/bmp"}},
        {{"image/bmp", "image/png"}, false, {"image/bmp", "image/png"}},
        {{"image/png", "image/bmp", "x/y", "image/bmp"}, true, {"image/png", "x/y"}},
        {{"image/png"}, true, {"image/png"}},
        {{"IMAGE/BMP"}, true, {"IMAGE/BMP"}},
    };
    for (const Case& c : cases) EXPECT_EQ(thumbnailDisableList(c.before, c.show), c.after);
    EXPECT_EQ(defaultIconText(false, {"image/png"}), "%1");
    EXPECT_EQ(defaultIconText(false, {"image/png", "image/bmp"}), "mspaint.exe,1");
    EXPECT_EQ(defaultIconText(true, {}), "mspaint.exe,1");
}

TEST(DesktopSettings, EachDesktopsThumbnailSchemaOrStoredOnly) {
    EXPECT_EQ(planDesktopSettings(Desktop::Gnome).thumbnailSchema, "org.gnome.desktop.thumbnailers");
    EXPECT_EQ(planDesktopSettings(Desktop::Budgie).thumbnailSchema, "org.gnome.desktop.thumbnailers");
    EXPECT_EQ(planDesktopSettings(Desktop::Mate).thumbnailSchema, "org.mate.thumbnailers");
    EXPECT_EQ(planDesktopSettings(Desktop::Cinnamon).thumbnailSchema, "org.cinnamon.desktop.thumbnailers");
    for (Desktop d : {Desktop::Kde, Desktop::Xfce, Desktop::Lxqt, Desktop::Unknown})
        EXPECT_EQ(planDesktopSettings(d).thumbnailSchema, "");
    EXPECT_TRUE(planDesktopSettings(Desktop::Xfce).xsettingsMenuDelay);
    EXPECT_FALSE(planDesktopSettings(Desktop::Gnome).xsettingsMenuDelay);
}

TEST(DesktopSettings, GtkSettingsIniKeepsEverythingElse) {
    const std::string ini = "# mine\n[Settings]\ngtk-theme-name=Adwaita\n\n[Other]\na=1\n";
    const std::string set = withGtkSetting(ini, "gtk-menu-popup-delay", "250");
    EXPECT_EQ(gtkSetting(set, "gtk-menu-popup-delay"), "250");
    EXPECT_EQ(gtkSetting(set, "gtk-theme-name"), "Adwaita");
    EXPECT_NE(set.find("# mine"), std::string::npos);
    EXPECT_NE(set.find("[Other]\na=1"), std::string::npos);
    EXPECT_EQ(gtkSetting(withGtkSetting(set, "gtk-menu-popup-delay", std::nullopt), "gtk-menu-popup-delay"),
              std::nullopt);
    EXPECT_EQ(gtkSetting(withGtkSetting("", "gtk-menu-popup-delay", "9"), "gtk-menu-popup-delay"), "9");
    // Not a key file: never rewritten.
    EXPECT_EQ(withGtkSetting("\x01garbage without groups", "k", "1"), "\x01garbage without groups");
}

TEST(StartMenuMirror, JunctionsAreKnownByTheirClassIdInAnyCase) {
    EXPECT_EQ(junctionIndex("Painel de Controle.{21EC2020-3AEA-1069-A2DD-08002B30309D}"), 0);
    EXPECT_EQ(junctionIndex("x.{2227a280-3aea-1069-a2de-08002b30309d}"), 1);
    EXPECT_EQ(junctionIndex("Acesso \xC3\xA0 rede dial-up.{992CFFA0-F557-101A-88EC-00DD010CCC48}"), 2);
    EXPECT_EQ(junctionIndex("{21EC2020-3AEA-1069-A2DD-08002B30309D}"), -1);
    EXPECT_EQ(junctionIndex("Painel de Controle"), -1);
}

// DOS paths C:\... over a host folder, folders only.
class FolderFiles : public Files {
public:
    explicit FolderFiles(std::string drive) : drive_(std::move(drive)) {}
    std::uint32_t fileAttributes(std::string_view path) override {
        return fs::is_directory(hostPath(path)) ? FILE_ATTRIBUTE_DIRECTORY : INVALID_FILE_ATTRIBUTES;
    }
    std::uint32_t createDirectory(std::string_view path) override {
        return ::mkdir(hostPath(path).c_str(), 0700) == 0 ? 0u : std::uint32_t{ERROR_ALREADY_EXISTS};
    }
    std::uint32_t removeDirectory(std::string_view path) override {
        return ::rmdir(hostPath(path).c_str()) == 0 ? 0u : std::uint32_t{ERROR_FILE_NOT_FOUND};
    }
    bool fileExists(std::string_view) override { return false; }
    std::uint32_t writeWholeFile(std::string_view, std::string_view) override { return ERROR_ACCESS_DENIED; }
    std::string privateProfileString(std::string_view, std::string_view, std::string_view d, std::uint32_t,
                                     std::string_view) override {
        return std::string(d);
    }
    std::string hostPath(std::string_view path) override {
        std::string out = drive_;
        for (char c : path.substr(2)) out += c == '\\' ? '/' : c;
        return out;
    }

private:
    std::string drive_;
};

TEST(StartMenuMirror, FollowsTheFoldersAProgramMakesAndRemoves) {
    test::TempDir dir;
    fs::create_directories(dir.path() / "C/WINDOWS/Menu Iniciar");
    FolderFiles host(dir.str() + "/C");
    StartMenuPaths paths{dir.str() + "/config", dir.str() + "/data", "lxqt-", false};
    auto files = makeStartMenuFiles(host, paths);
    const std::string printers = "C:\\WINDOWS\\Menu Iniciar\\Impressoras.{2227A280-3AEA-1069-A2DE-08002B30309D}";
    const fs::path merged = dir.path() / "config/menus/applications-merged/br.com.malvex.Vintrel.menu";
    const fs::path prefixed = dir.path() / "config/menus/lxqt-applications-merged/br.com.malvex.Vintrel.menu";
    const fs::path directory = dir.path() / "data/desktop-directories/br.com.malvex.Vintrel.Impressoras.directory";

    ASSERT_EQ(files->createDirectory(printers), 0u);
    EXPECT_TRUE(fs::exists(merged));
    EXPECT_TRUE(fs::exists(prefixed));
    EXPECT_TRUE(fs::exists(directory));
    ASSERT_EQ(files->removeDirectory(printers), 0u);
    EXPECT_FALSE(fs::exists(merged));
    EXPECT_FALSE(fs::exists(directory));
    // Made by hand: it shows once a program looks at it.
    fs::create_directory(host.hostPath(printers));
    EXPECT_FALSE(fs::exists(merged));
    EXPECT_EQ(files->fileAttributes(printers), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(fs::exists(merged));
}

TEST(DesktopSettings, XfceMenuDelayGoesToXsettingsOverDbusAndReadsBack) {
    test::FakeBus bus;
    if (bus.address().empty()) GTEST_SKIP() << "no dbus-daemon here";
    test::TempDir dir;
    test::FakeService xfconf(bus.address(), {"org.xfce.Xfconf"}, [](const QDBusMessage& call) {
        if (call.member() != "GetProperty") return QVariantList();
        EXPECT_EQ(call.arguments(), (QVariantList{"xsettings", "/Gtk/MenuPopupDelay"}));
        return QVariantList{QVariant::fromValue(QDBusVariant(300))};
    });
    auto values = makeLinuxDesktopValues({Desktop::Xfce, dir.str(), makeDbusXfconf(bus.address())});
    const registry::ValueLocation& delay = values->locations()[1];
    ASSERT_EQ(delay.valueName, "MenuShowDelay");
    const RegValue stored{REG_SZ, std::string("250\0", 4)};
    values->apply(delay, &stored);
    values->apply(delay, nullptr);
    EXPECT_EQ(xfconf.calls(), (std::vector<std::string>{"/org/xfce/Xfconf org.xfce.Xfconf.SetProperty",
                                                        "/org/xfce/Xfconf org.xfce.Xfconf.ResetProperty"}));
    const auto shown = values->value(delay);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->data, std::string("300\0", 4)) << "the desktop's state wins";
}

TEST(KdeRecentDocuments, TheActivityManagerIsAskedToForgetEverything) {
    test::FakeBus bus;
    if (bus.address().empty()) GTEST_SKIP() << "no dbus-daemon here";
    EXPECT_FALSE(clearKdeActivityStatistics(bus.address())) << "nobody owns the name: nothing is called";
    test::FakeService manager(bus.address(), {"org.kde.ActivityManager"});
    EXPECT_TRUE(clearKdeActivityStatistics(bus.address()));
    EXPECT_EQ(manager.calls(),
              std::vector<std::string>{
                  "/ActivityManager/Resources/Scoring org.kde.ActivityManager.ResourcesScoring.DeleteRecentStats"});
}

}  // namespace
}  // namespace vintrel::platform::linux_host
