#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "platform/linux/hw_facts.h"
#include "platform/linux/ui_linux.h"

namespace vintrel::platform::linux_host {
namespace {

TEST(LinuxUserInterface, ScreenSizeInDevicePixels) {
    auto ui = makeLinuxUserInterface();
    const auto size = ui->screenSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        EXPECT_EQ(size.width, 0);
        EXPECT_EQ(size.height, 0);
        return;
    }
    EXPECT_EQ(size.width, qRound(screen->geometry().width() * screen->devicePixelRatio()));
    EXPECT_EQ(size.height, qRound(screen->geometry().height() * screen->devicePixelRatio()));
    EXPECT_GT(size.width, 0);
}

TEST(LinuxUserInterface, OwnWindowsListedWithTitles) {
    QWindow shown;
    shown.setTitle(QString::fromUtf8("Malvex - Vintrel 1.1"));
    shown.show();
    QWindow hidden;
    hidden.setTitle(QString::fromUtf8("Configurações"));
    hidden.create();  // created but never shown: Windows lists hidden windows too
    auto ui = makeLinuxUserInterface();
    const auto windows = ui->topLevelWindows();
    auto has = [&](const std::string& title, std::uint64_t id) {
        return std::any_of(windows.begin(), windows.end(),
                           [&](const TopLevelWindow& w) { return w.title == title && w.id == id; });
    };
    EXPECT_TRUE(has("Malvex - Vintrel 1.1", shown.winId()));
    EXPECT_TRUE(
        has("Configura\xE7\xF5"
            "es",
            hidden.winId()))
        << "titles arrive in Windows-1252";
}

TEST(LinuxUserInterface, TopMostOnOwnWindow) {
    QWindow w;
    w.setTitle("Malvex - Vintrel 1.1");
    w.create();
    auto ui = makeLinuxUserInterface();
    ui->setTopMost(w.winId(), true);
    EXPECT_TRUE(w.flags() & Qt::WindowStaysOnTopHint);
    ui->setTopMost(w.winId(), false);
    EXPECT_FALSE(w.flags() & Qt::WindowStaysOnTopHint);
    ui->setTopMost(0xDEADBEEF, true);  // no such window: nothing happens
}

TEST(WindowTitles, Latin1AndUtf8) {
    EXPECT_EQ(windowTitleFromUtf8("Relat\xC3\xB3rio \xE2\x80\x94 Editor"), "Relat\xF3rio \x97 Editor");
    EXPECT_EQ(windowTitleFromUtf8("\xE4\xB8\xAD"), "?");
    EXPECT_EQ(windowTitleFromLatin1("Relat\xF3rio \x85"), "Relat\xF3rio ?");
}

TEST(HardwareFactsQt, ColorDepthFromPrimaryScreen) {
    LinuxEnvironment env;
    HardwareFactsOptions o;
    o.useSystemServices = false;
    HardwareFacts facts(env, o);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        EXPECT_FALSE(facts.colorDepth());
        return;
    }
    EXPECT_EQ(facts.colorDepth(), screen->depth());
}

}  // namespace
}  // namespace vintrel::platform::linux_host
