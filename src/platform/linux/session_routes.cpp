#include "platform/linux/session_linux.h"

namespace vintrel::platform::linux_host {
namespace {

using Bus = BusCall::Bus;

BusCall sessionCall(const char* service, const char* path, const char* interface, const char* method,
                    std::vector<std::variant<bool, std::int32_t, std::uint32_t>> arguments = {}) {
    return BusCall{Bus::Session, service, path, interface, method, std::move(arguments)};
}

// gnome-session, and mate-session and cinnamon-session, which speak its interface under
// their own names. Logout mode 1: no confirmation dialog, but programs may still inhibit.
void gnomeLike(std::vector<BusCall>& route, const char* service, const char* path, const char* interface,
               bool reboot) {
    if (!reboot) {
        route.push_back(sessionCall(service, path, interface, "Logout", {std::uint32_t{1}}));
        return;
    }
    route.push_back(sessionCall(service, path, interface, "Reboot"));
    route.push_back(sessionCall(service, path, interface, "RequestReboot"));
}

}  // namespace

std::vector<BusCall> sessionRoute(Desktop desktop, std::uint32_t flags) {
    const bool reboot = (flags & EWX_REBOOT) != 0;
    std::vector<BusCall> route;
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Budgie:
    case Desktop::Mate:
        gnomeLike(route, "org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
                  reboot);
        break;
    case Desktop::Cinnamon:
        gnomeLike(route, "org.cinnamon.SessionManager", "/org/cinnamon/SessionManager",
                  "org.cinnamon.SessionManager", reboot);
        break;
    case Desktop::Kde:
        // Plasma 5.25 and later; then the older ksmserver interface (no confirmation, logout or
        // reboot, programs asked first).
        route.push_back(sessionCall("org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown",
                                    reboot ? "logoutAndReboot" : "logout"));
        route.push_back(sessionCall("org.kde.ksmserver", "/KSMServer", "org.kde.KSMServerInterface", "logout",
                                    {std::int32_t{0}, std::int32_t{reboot ? 1 : 0}, std::int32_t{1}}));
        break;
    case Desktop::Xfce:
        // No dialog; programs may save their state.
        if (reboot)
            route.push_back(sessionCall("org.xfce.SessionManager", "/org/xfce/SessionManager",
                                        "org.xfce.Session.Manager", "Restart", {true}));
        else
            route.push_back(sessionCall("org.xfce.SessionManager", "/org/xfce/SessionManager",
                                        "org.xfce.Session.Manager", "Logout", {false, true}));
        break;
    case Desktop::Lxqt:
        route.push_back(sessionCall("org.lxqt.session", "/LXQtSession", "org.lxqt.session",
                                    reboot ? "reboot" : "logout"));
        break;
    case Desktop::Unknown: break;
    }
    if (reboot)
        route.push_back(BusCall{Bus::System, "org.freedesktop.login1", "/org/freedesktop/login1",
                                "org.freedesktop.login1.Manager", "Reboot", {true}});
    return route;
}

}  // namespace vintrel::platform::linux_host
