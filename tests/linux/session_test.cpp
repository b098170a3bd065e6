// Log-off and restart reach each desktop's session manager, on private buses with fake
// services, and never logind's Session.Terminate.

#include <gtest/gtest.h>

#include "platform/linux/session_linux.h"
#include "support/fake_bus.h"

namespace vintrel::platform::linux_host {
namespace {

using test::FakeBus;
using test::FakeService;

struct Case {
    const char* desktop;  // XDG_CURRENT_DESKTOP
    std::uint32_t flags;
    std::vector<std::string> sessionNames;  // owned on the session bus
    bool logind;                            // a logind on the system bus
    std::vector<std::string> sessionCalls;  // expected, in order
    std::vector<std::string> systemCalls;
    bool answered;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"GNOME", EWX_LOGOFF, {"org.gnome.SessionManager"}, true,
         {"/org/gnome/SessionManager org.gnome.SessionManager.Logout"}, {}, true},
        {"Budgie:GNOME", EWX_LOGOFF, {"org.gnome.SessionManager"}, true,
         {"/org/gnome/SessionManager org.gnome.SessionManager.Logout"}, {}, true},
        {"MATE", EWX_LOGOFF, {"org.gnome.SessionManager"}, true,
         {"/org/gnome/SessionManager org.gnome.SessionManager.Logout"}, {}, true},
        {"X-Cinnamon", EWX_LOGOFF, {"org.cinnamon.SessionManager"}, true,
         {"/org/cinnamon/SessionManager org.cinnamon.SessionManager.Logout"}, {}, true},
        {"KDE", EWX_LOGOFF, {"org.kde.Shutdown"}, true, {"/Shutdown org.kde.Shutdown.logout"}, {}, true},
        {"KDE", EWX_LOGOFF, {"org.kde.ksmserver"}, true, {"/KSMServer org.kde.KSMServerInterface.logout"}, {}, true},
        {"XFCE", EWX_LOGOFF, {"org.xfce.SessionManager"}, true,
         {"/org/xfce/SessionManager org.xfce.Session.Manager.Logout"}, {}, true},
        {"LXQt", EWX_LOGOFF, {"org.lxqt.session"}, true, {"/LXQtSession org.lxqt.session.logout"}, {}, true},
        // No session manager answers: nothing at all, logind above all not.
        {"", EWX_LOGOFF, {}, true, {}, {}, false},
        {"MATE", EWX_LOGOFF, {}, true, {}, {}, false},
        // A restart asks the session manager first, logind last.
        {"GNOME", EWX_REBOOT, {"org.gnome.SessionManager"}, true,
         {"/org/gnome/SessionManager org.gnome.SessionManager.Reboot"}, {}, true},
        {"KDE", EWX_REBOOT, {"org.kde.Shutdown"}, true, {"/Shutdown org.kde.Shutdown.logoutAndReboot"}, {}, true},
        {"XFCE", EWX_REBOOT, {}, true, {}, {"/org/freedesktop/login1 org.freedesktop.login1.Manager.Reboot"}, true},
        {"", EWX_REBOOT, {}, true, {}, {"/org/freedesktop/login1 org.freedesktop.login1.Manager.Reboot"}, true},
        {"", EWX_REBOOT, {}, false, {}, {}, false},
    };
    return all;
}

TEST(LinuxSession, EachDesktopIsAskedThroughItsOwnSessionManagerAndTerminateIsNeverCalled) {
    FakeBus sessionBus, systemBus;
    if (sessionBus.address().empty() || systemBus.address().empty()) GTEST_SKIP() << "no dbus-daemon here";
    for (const Case& c : cases()) {
        SCOPED_TRACE(std::string(c.desktop) + (c.flags == EWX_REBOOT ? " restart" : " log-off"));
        FakeService sessionManager(sessionBus.address(), c.sessionNames);
        FakeService logind(systemBus.address(),
                           c.logind ? std::vector<std::string>{"org.freedesktop.login1"} : std::vector<std::string>{});
        auto session = makeLinuxSession(detectDesktop(c.desktop, ""), {sessionBus.address(), systemBus.address()});
        EXPECT_EQ(session->exitWindows(c.flags), c.answered);
        EXPECT_EQ(sessionManager.calls(), c.sessionCalls);
        EXPECT_EQ(logind.calls(), c.systemCalls);
    }
}

TEST(LinuxSession, NoRouteEverNamesSessionTerminate) {
    for (Desktop d : {Desktop::Unknown, Desktop::Gnome, Desktop::Kde, Desktop::Xfce, Desktop::Cinnamon, Desktop::Mate,
                      Desktop::Lxqt, Desktop::Budgie})
        for (std::uint32_t flags : {EWX_LOGOFF, EWX_REBOOT})
            for (const BusCall& call : sessionRoute(d, flags)) {
                EXPECT_NE(call.method, "Terminate");
                EXPECT_NE(call.interface, "org.freedesktop.login1.Session");
            }
}

}  // namespace
}  // namespace vintrel::platform::linux_host
